#include "HostOptions.h"
#include "HostLanguage.h"

#include "DatabaseAddress.h"

#include "wire/Endpoint.h"

#include <QCommandLineParser>

HostOptions::Parse HostOptions::parse(const QStringList &arguments, HostOptions *options,
                                      QString *message)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Dispatch map host with the route-check panel."));
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help."));
    const QCommandLineOption server(
        QStringLiteral("server"),
        QStringLiteral("Connect to a running route-check server instead of starting one."),
        QStringLiteral("host:port"));
    const QCommandLineOption token(QStringLiteral("token"),
                                   QStringLiteral("Access token the server asks for."),
                                   QStringLiteral("token"));
    const QCommandLineOption db(QStringLiteral("db"),
                                QStringLiteral("Database of the built-in server: a file, or "
                                               "postgresql://USER@HOST[:PORT]/DBNAME."),
                                QStringLiteral("path|url"));
    const QCommandLineOption screenshot(
        QStringLiteral("screenshot"),
        QStringLiteral("Write a PNG of the window once a route is shown, print its path, exit."),
        QStringLiteral("file"));
    const QCommandLineOption speed(
        QStringLiteral("speed"),
        QStringLiteral("Pace of the built-in server's clock against the wall clock, 1 to 3600 "
                       "(default 30: a quarter of an hour's round in half a minute)."),
        QStringLiteral("N"));
    const QCommandLineOption noSimulate(
        QStringLiteral("no-simulate"),
        QStringLiteral("The built-in server does not move the units; positions come only from "
                       "\"Push_positions\"."));
    const QCommandLineOption lang(
        QStringLiteral("lang"),
        QStringLiteral("Language of the window, ru or en (default: ru for a Russian locale, "
                       "else en)."),
        QStringLiteral("ru|en"));
    parser.addOptions({help, server, token, db, screenshot, speed, noSimulate, lang});

    if (!parser.parse(arguments)) {
        *message = parser.errorText();
        return Parse::Error;
    }
    if (parser.isSet(help)) {
        *message = parser.helpText();
        return Parse::Help;
    }
    if (!parser.positionalArguments().isEmpty()) {
        *message = QStringLiteral("unexpected argument: ") + parser.positionalArguments().first();
        return Parse::Error;
    }

    HostOptions result;
    const std::optional<Endpoint> endpoint = parser.isSet(server)
        ? Endpoint::parse(parser.value(server)) : std::nullopt;
    if (endpoint) {
        result.serverHost = endpoint->host;
        result.serverPort = endpoint->port;
    } else if (parser.isSet(server)) {
        *message = QStringLiteral("--server wants host:port, got \"%1\"")
                       .arg(parser.value(server));
        return Parse::Error;
    }
    if (parser.isSet(token)) {
        if (!parser.isSet(server)) {
            *message = QStringLiteral("--token goes with --server");
            return Parse::Error;
        }
        result.token = parser.value(token).toUtf8();
        if (result.token.isEmpty()) {
            *message = QStringLiteral("--token must not be empty");
            return Parse::Error;
        }
    }
    if (parser.isSet(db)) {
        if (parser.isSet(server)) {
            *message = QStringLiteral("--db is for the built-in server, not with --server");
            return Parse::Error;
        }
        result.databasePath = parser.value(db);
        if (!DatabaseAddress::parse(result.databasePath, message))
            return Parse::Error;
    }
    for (const QCommandLineOption *builtIn : {&speed, &noSimulate}) {
        if (parser.isSet(*builtIn) && parser.isSet(server)) {
            *message = QStringLiteral("--%1 is for the built-in server, not with --server")
                           .arg(builtIn->names().constFirst());
            return Parse::Error;
        }
    }
    if (parser.isSet(speed)) {
        bool ok = false;
        result.speed = parser.value(speed).toDouble(&ok);
        if (!ok || !(result.speed >= 1.0 && result.speed <= 3600.0)) {
            *message = QStringLiteral("--speed wants a number from 1 to 3600, got \"%1\"")
                           .arg(parser.value(speed));
            return Parse::Error;
        }
    }
    result.language = parser.isSet(lang) ? parser.value(lang) : HostLanguage::systemDefault();
    if (!HostLanguage::isKnown(result.language)) {
        *message = QStringLiteral("--lang wants ru or en, got \"%1\"").arg(result.language);
        return Parse::Error;
    }
    result.simulate = !parser.isSet(noSimulate);
    result.screenshotPath = parser.value(screenshot);
    *options = result;
    return Parse::Ok;
}
