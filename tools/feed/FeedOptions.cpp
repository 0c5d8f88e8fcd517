#include "FeedOptions.h"

#include <QCommandLineParser>

#include <cmath>

FeedOptions::Parse FeedOptions::parse(const QStringList &arguments, FeedOptions *options,
                                      QString *message)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Replays a recorded track against the route-check server's OsmAnd listener, one "
        "position at a time, as a phone tracking app would send it."));
    const auto option = [](const char *name, const char *description, const char *value) {
        return QCommandLineOption(QLatin1String(name), QLatin1String(description),
                                  QLatin1String(value));
    };
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help."));
    const auto osmand = option("osmand", "The server's OsmAnd listener: http://HOST:PORT/ "
                                         "(any path) or HOST:PORT.", "URL");
    const auto device = option("device", "The device id the positions go as.", "ID");
    const auto speed = option("speed", "Replay N times as fast: gaps and the times sent "
                                       "divided by N (above 0). Default 1.", "N");
    const auto key = option("key", "The device's key, sent with every position.", "KEY");
    const QCommandLineOption loop(QStringLiteral("loop"),
                                  QStringLiteral("Start again at the end, until Ctrl+C."));
    const QCommandLineOption dryRun(
        QStringLiteral("dry-run"),
        QStringLiteral("Print the URLs one pass would send, with the times they carry; "
                       "send nothing, wait for nothing."));
    parser.addOptions({help, osmand, device, speed, key, loop, dryRun});
    parser.addPositionalArgument(
        QStringLiteral("track"),
        QStringLiteral("The track: GPX (trkpt, else rtept, else wpt) or CSV (time, lat, lon; "
                       "speed_kn, bearing, altitude optional)."),
        QStringLiteral("TRACK.gpx|TRACK.csv"));
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
    FeedOptions parsed;
    if (parser.positionalArguments().size() != 1)
        return fail(QStringLiteral("give one track file (see --help)"));
    parsed.trackPath = parser.positionalArguments().constFirst();
    QString url = parser.value(osmand);
    if (!parser.isSet(osmand))
        return fail(QStringLiteral("--osmand is needed"));
    if (!url.contains(QLatin1String("://")))
        url.prepend(QLatin1String("http://"));
    parsed.url = QUrl(url, QUrl::StrictMode);
    if (!parsed.url.isValid() || parsed.url.host().isEmpty()
        || (parsed.url.scheme() != QLatin1String("http")
            && parsed.url.scheme() != QLatin1String("https")))
        return fail(QStringLiteral("--osmand: \"%1\" is no http:// URL").arg(parser.value(osmand)));
    parsed.deviceId = parser.value(device);
    if (parsed.deviceId.isEmpty())
        return fail(QStringLiteral("--device is needed"));
    parsed.key = parser.value(key);
    if (parser.isSet(speed)) {
        bool ok = false;
        parsed.speed = parser.value(speed).toDouble(&ok);
        if (!ok || !std::isfinite(parsed.speed) || parsed.speed <= 0)
            return fail(QStringLiteral("--speed must be a number above 0, not \"%1\"")
                            .arg(parser.value(speed)));
    }
    parsed.loop = parser.isSet(loop);
    parsed.dryRun = parser.isSet(dryRun);
    *options = parsed;
    return Parse::Ok;
}
