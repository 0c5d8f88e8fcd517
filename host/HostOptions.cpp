#include "HostOptions.h"

#include <QCommandLineParser>

bool HostOptions::parseEndpoint(const QString &text, QString *host, quint16 *port)
{
    const int colon = text.lastIndexOf(QLatin1Char(':'));
    if (colon <= 0)
        return false;
    QString name = text.left(colon);
    if (name.startsWith(QLatin1Char('[')) != name.endsWith(QLatin1Char(']')))
        return false;
    if (name.startsWith(QLatin1Char('[')))
        name = name.mid(1, name.size() - 2);
    // An unbracketed v6 address would make the port ambiguous.
    else if (name.contains(QLatin1Char(':')))
        return false;
    if (name.isEmpty())
        return false;
    const QString digits = text.mid(colon + 1);
    bool ok = false;
    const uint value = digits.toUInt(&ok);
    if (!ok || value == 0 || value > 65535 || digits.startsWith(QLatin1Char('+')))
        return false;
    *host = name;
    *port = quint16(value);
    return true;
}

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
                                QStringLiteral("Database file of the built-in server."),
                                QStringLiteral("path"));
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
    parser.addOptions({help, server, token, db, screenshot, speed, noSimulate});

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
    if (parser.isSet(server)
        && !parseEndpoint(parser.value(server), &result.serverHost, &result.serverPort)) {
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
    result.simulate = !parser.isSet(noSimulate);
    result.screenshotPath = parser.value(screenshot);
    *options = result;
    return Parse::Ok;
}
