#include "AuditOptions.h"

#include "AuditTime.h"
#include "DatabaseAddress.h"

#include <QCommandLineParser>
#include <QTimeZone>

namespace {

QCommandLineOption option(const char *name, const char *description, const char *value)
{
    return QCommandLineOption(QLatin1String(name), QLatin1String(description),
                              QLatin1String(value));
}

} // namespace

AuditOptions::Parse AuditOptions::parse(const QStringList &arguments, AuditOptions *options,
                                        QString *message)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Judges a recorded track against a route as the route-check server would have, "
        "and prints what it finds as JSON lines."));
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help."));
    const auto routes = option("routes", "The route as GeoJSON.", "ROUTES.geojson");
    const auto db = option("db", "Or a server database holding the route...", "PATH");
    const auto route = option("route", "...and the route's id in it.", "ID");
    const auto track = option("track", "The track as CSV: unit, time, lat, lon.", "TRACK.csv");
    const auto zone = option("tz", "Time zone of the daily, weekly and monthly rounds "
                                    "(IANA name). Default: the system's.", "ZONE");
    const auto start = option("start", "Judge from this time (ISO 8601 or unix seconds) "
                                       "instead of the route's check time.", "TIME");
    const auto end = option("end", "Judge up to this time instead of the last report.", "TIME");
    const auto reports = option("confirm-reports", "Reports in a row that confirm a crossing. "
                                                   "Default 2.", "N");
    const auto metres = option("confirm-metres", "Or one report this many metres beyond the "
                                                 "border. Default 15.", "M");
    parser.addOptions({help, routes, db, route, track, zone, start, end, reports, metres});
    if (!parser.parse(arguments)) {
        *message = parser.errorText();
        return Parse::Error;
    }
    if (parser.isSet(help)) {
        *message = parser.helpText();
        return Parse::Help;
    }
    const auto fail = [message](const QString &why) {
        *message = why;
        return Parse::Error;
    };
    if (!parser.positionalArguments().isEmpty())
        return fail(QStringLiteral("unexpected argument: %1")
                        .arg(parser.positionalArguments().constFirst()));
    AuditOptions parsed;
    parsed.routesPath = parser.value(routes);
    parsed.databasePath = parser.value(db);
    parsed.trackPath = parser.value(track);
    if (parsed.routesPath.isEmpty() == (parsed.databasePath.isEmpty() || !parser.isSet(route)))
        return fail(QStringLiteral("give either --routes, or --db and --route"));
    if (parser.isSet(route) && parsed.databasePath.isEmpty())
        return fail(QStringLiteral("--route needs --db"));
    QString badAddress;
    if (!parsed.databasePath.isEmpty()
        && !DatabaseAddress::parse(parsed.databasePath, &badAddress))
        return fail(badAddress);
    if (parser.isSet(route)) {
        bool ok = false;
        parsed.routeId = parser.value(route).toInt(&ok);
        if (!ok || parsed.routeId <= 0)
            return fail(QStringLiteral("--route wants a route id, not \"%1\"")
                            .arg(parser.value(route)));
    }
    if (parsed.trackPath.isEmpty())
        return fail(QStringLiteral("--track is needed"));
    parsed.timeZone = parser.value(zone).toUtf8();
    if (parser.isSet(zone) && !QTimeZone::isTimeZoneIdAvailable(parsed.timeZone))
        return fail(QStringLiteral("--tz: no time zone \"%1\"").arg(parser.value(zone)));
    for (const auto &[opt, value] : {std::make_pair(&start, &parsed.start),
                                     std::make_pair(&end, &parsed.end)}) {
        if (!parser.isSet(*opt))
            continue;
        qint64 seconds = 0;
        QString why;
        if (!AuditTime::parse(parser.value(*opt), &seconds, &why))
            return fail(QStringLiteral("--%1: %2").arg(opt->names().constFirst(), why));
        *value = seconds;
    }
    if (parsed.start && parsed.end && *parsed.end < *parsed.start)
        return fail(QStringLiteral("--end is before --start"));
    if (parser.isSet(reports)) {
        bool ok = false;
        parsed.confirmReports = parser.value(reports).toInt(&ok);
        if (!ok || parsed.confirmReports < 1 || parsed.confirmReports > 100)
            return fail(QStringLiteral("--confirm-reports must be from 1 to 100"));
    }
    if (parser.isSet(metres)) {
        bool ok = false;
        parsed.confirmMetres = parser.value(metres).toDouble(&ok);
        if (!ok || !(parsed.confirmMetres >= 0.0 && parsed.confirmMetres <= 10000.0))
            return fail(QStringLiteral("--confirm-metres must be from 0 to 10000"));
    }
    *options = parsed;
    return Parse::Ok;
}
