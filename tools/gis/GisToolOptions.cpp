#include "GisToolOptions.h"

#include "DatabaseAddress.h"
#include "ShapeImport.h"

#include <QCommandLineParser>

#include <cmath>

namespace {

const char Usage[] =
    "Usage:\n"
    "  opercheck-gis import (--db PATH | --server HOST:PORT) --layer NAME [--simplify METRES]"
    " FILE\n"
    "  opercheck-gis export (--db PATH | --server HOST:PORT) (--layer NAME | --route ID) FILE\n"
    "\n"
    "import puts the shapes of FILE (GeoJSON, GPX, KML/KMZ, Shapefile) into the top-level\n"
    "graphic layer NAME, made when missing, all or nothing. export writes the objects of\n"
    "the layer NAME and the layers under it, or the shapes of route ID with each section's\n"
    "schedule, to FILE in the format its extension names (.geojson, .gpx, .kml, .shp).\n"
    "--simplify: GPX tracks keep no point closer than METRES to the line (default 5; 0\n"
    "keeps every point).\n"
    "Exit status: 0 done, 2 a usage, file or GDAL error, 1 a database or server error.\n";

} // namespace

GisToolOptions::Parse GisToolOptions::parse(const QStringList &arguments,
                                            GisToolOptions *options, QString *message)
{
    QCommandLineParser parser;
    const auto option = [](const char *name, const char *value) {
        return QCommandLineOption(QLatin1String(name), QString(), QLatin1String(value));
    };
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const auto db = option("db", "PATH");
    const auto server = option("server", "HOST:PORT");
    const auto layer = option("layer", "NAME");
    const auto route = option("route", "ID");
    const auto simplify = option("simplify", "METRES");
    parser.addOptions({help, db, server, layer, route, simplify});
    const auto fail = [message](const QString &why) {
        *message = why;
        return Parse::Error;
    };
    if (!parser.parse(arguments))
        return fail(parser.errorText());
    if (parser.isSet(help)) {
        *message = QLatin1String(Usage);
        return Parse::Help;
    }
    QStringList words = parser.positionalArguments();
    GisToolOptions parsed;
    const QString command = words.isEmpty() ? QString() : words.takeFirst();
    if (command == QLatin1String("import"))
        parsed.command = Command::Import;
    else if (command == QLatin1String("export"))
        parsed.command = Command::Export;
    else if (command.isEmpty())
        return fail(QStringLiteral("give import or export (see --help)"));
    else
        return fail(QStringLiteral("unknown command \"%1\": give import or export").arg(command));
    if (words.size() != 1)
        return fail(QStringLiteral("give one file (see --help)"));
    parsed.file = words.constFirst();

    if (parser.isSet(db) == parser.isSet(server))
        return fail(QStringLiteral("give either --db PATH or --server HOST:PORT"));
    parsed.databasePath = parser.value(db);
    if (parser.isSet(db) && parsed.databasePath.isEmpty())
        return fail(QStringLiteral("--db needs a path"));
    QString badAddress;
    if (parser.isSet(db) && !DatabaseAddress::parse(parsed.databasePath, &badAddress))
        return fail(badAddress);
    if (parser.isSet(server)) {
        parsed.server = Endpoint::parse(parser.value(server));
        if (!parsed.server || parsed.server->port == 0)
            return fail(QStringLiteral("--server: \"%1\" is no HOST:PORT")
                            .arg(parser.value(server)));
    }

    const bool importing = parsed.command == Command::Import;
    parsed.layer = parser.value(layer);
    if (parser.isSet(layer) && parsed.layer.trimmed().isEmpty())
        return fail(QStringLiteral("--layer needs a name"));
    if (importing && parser.isSet(route))
        return fail(QStringLiteral("import takes --layer, not --route"));
    if (importing && !parser.isSet(layer))
        return fail(QStringLiteral("import needs --layer NAME"));
    if (!importing && parser.isSet(layer) == parser.isSet(route))
        return fail(QStringLiteral("export needs either --layer NAME or --route ID"));
    if (!importing && parser.isSet(simplify))
        return fail(QStringLiteral("--simplify is for import"));
    if (parser.isSet(route)) {
        bool ok = false;
        parsed.routeId = parser.value(route).toInt(&ok);
        if (!ok || parsed.routeId <= 0)
            return fail(QStringLiteral("--route: \"%1\" is no route id").arg(parser.value(route)));
    }
    parsed.simplifyMetres = ShapeImport::DefaultSimplifyMetres;
    if (parser.isSet(simplify)) {
        bool ok = false;
        parsed.simplifyMetres = parser.value(simplify).toDouble(&ok);
        if (!ok || !std::isfinite(parsed.simplifyMetres) || parsed.simplifyMetres < 0)
            return fail(QStringLiteral("--simplify must be a number of metres, 0 or more, not"
                                       " \"%1\"")
                            .arg(parser.value(simplify)));
    }
    *options = parsed;
    return Parse::Ok;
}
