// opercheck-gis: zones in and out of a route-check server as GIS files.
// Exit status 0 when done, 2 for a usage, file or GDAL error, 1 for a
// database or server error; the reason goes to stderr in one line.

#include "DatabaseZones.h"
#include "GisFormat.h"
#include "GisToolOptions.h"
#include "ServerZones.h"
#include "ShapeExport.h"
#include "ShapeImport.h"
#include "ZoneExport.h"

#include "RouteFile.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

#include <memory>

namespace {

constexpr int BadInput = 2;
constexpr int StoreFailed = 1;

class Tool
{
public:
    explicit Tool(const GisToolOptions &options)
        : m_options(options)
    {
        if (options.server)
            m_store = std::make_unique<ServerZones>(*options.server);
        else
            m_store = std::make_unique<DatabaseZones>(options.databasePath);
    }

    int run()
    {
        return m_options.command == GisToolOptions::Command::Import ? importFile() : exportFile();
    }

    int failed(int status, const QString &why)
    {
        m_err << "opercheck-gis: " << why << '\n';
        return status;
    }

private:
    int importFile()
    {
        if (RouteFile::isRouteFile(m_options.file))
            return importRouteFile();
        ShapeImport::Options options;
        options.simplifyMetres = m_options.simplifyMetres;
        ShapeImport::Result result;
        QString error;
        if (!ShapeImport::read(m_options.file, options, &result, &error))
            return failed(BadInput, error);
        for (const QString &warning : qAsConst(result.warnings))
            m_err << "warning: " << warning << '\n';
        if (!m_store->import(m_options.layer, result.shapes, &error))
            return failed(StoreFailed, error);
        m_out << "imported " << result.shapes.size() << " objects\n";
        return 0;
    }

    int importRouteFile()
    {
        QFile file(m_options.file);
        AuditRoute route;
        QString error;
        if (!file.open(QIODevice::ReadOnly) || !RouteFile::read(file.readAll(), &route, &error)) {
            return failed(BadInput, QStringLiteral("%1: %2").arg(
                                        QFileInfo(m_options.file).fileName(),
                                        error.isEmpty() ? file.errorString() : error));
        }
        QStringList warnings;
        if (!m_store->importRoute(m_options.layer, route, &warnings, &error))
            return failed(StoreFailed, error);
        for (const QString &warning : qAsConst(warnings))
            m_err << "warning: " << warning << '\n';
        int objects = 0;
        for (const QList<GraphObData> &section : qAsConst(route.shapes))
            objects += section.size();
        m_out << "imported route \"" << route.name << "\" with " << route.shapes.size()
              << " sections and " << objects << " objects\n";
        return 0;
    }

    int exportFile()
    {
        const std::optional<GisFormat> format = GisFormats::fromPath(m_options.file);
        if (!format) {
            return failed(BadInput, QStringLiteral("%1: the extension names no format; use one"
                                                   " of %2")
                                        .arg(m_options.file, GisFormats::describeAll()));
        }
        QList<TreeNode> layers, rules, units;
        QString error;
        if (!m_store->tree(TreeBodies::Payload::Layer, &layers, &error))
            return failed(StoreFailed, error);
        ZoneExport::Route route;
        QVector<ShapeExport::Feature> features;
        if (m_options.routeId == 0) {
            const TreeNode *layer = ZoneExport::topLevel(layers, m_options.layer);
            if (!layer) {
                return failed(StoreFailed,
                              QStringLiteral("there is no layer \"%1\"").arg(m_options.layer));
            }
            features = ZoneExport::layerFeatures(*layer);
            if (features.isEmpty()) {
                return failed(StoreFailed, QStringLiteral("layer \"%1\" holds no objects:"
                                                          " nothing to export")
                                               .arg(m_options.layer));
            }
        } else {
            if (!m_store->tree(TreeBodies::Payload::Rule, &rules, &error)
                || !m_store->tree(TreeBodies::Payload::None, &units, &error)
                || !ZoneExport::route(m_options.routeId, rules, layers, units, &route, &error))
                return failed(StoreFailed, error);
            features = route.features;
            if (features.isEmpty()) {
                return failed(StoreFailed, QStringLiteral("route %1 has no shapes: nothing to"
                                                          " export")
                                               .arg(m_options.routeId));
            }
            for (const QString &warning : qAsConst(route.warnings))
                m_err << "warning: " << warning << '\n';
        }
        QStringList written;
        if (!ShapeExport::write(m_options.file, features, &written, &error))
            return failed(BadInput, error);
        if (m_options.routeId != 0 && *format == GisFormat::GeoJson
            && !ZoneExport::addRouteMember(m_options.file, route, &error))
            return failed(BadInput, error);
        m_out << "exported " << features.size() << " objects to "
              << written.join(QLatin1String(", ")) << '\n';
        return 0;
    }

    const GisToolOptions m_options;
    std::unique_ptr<ZoneStore> m_store;
    QTextStream m_out{stdout};
    QTextStream m_err{stderr};
};

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    GisToolOptions options;
    QString message;
    switch (GisToolOptions::parse(app.arguments(), &options, &message)) {
    case GisToolOptions::Parse::Help:
        QTextStream(stdout) << message;
        return 0;
    case GisToolOptions::Parse::Error:
        QTextStream(stderr) << "opercheck-gis: " << message << '\n';
        return BadInput;
    case GisToolOptions::Parse::Ok:
        break;
    }
    return Tool(options).run();
}
