#include "ServerOptions.h"

#include <QCommandLineParser>
#include <QStandardPaths>

namespace {

bool parseEndpoint(const QString &text, QHostAddress *address, quint16 *port)
{
    const int colon = text.lastIndexOf(QLatin1Char(':'));
    if (colon <= 0)
        return false;
    QString host = text.left(colon);
    if (host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']')))
        host = host.mid(1, host.size() - 2);
    bool portOk = false;
    const uint number = text.mid(colon + 1).toUInt(&portOk);
    if (!portOk || number > 65535)
        return false;
    QHostAddress parsed;
    if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0)
        parsed = QHostAddress(QHostAddress::LocalHost);
    else if (!parsed.setAddress(host))
        return false;
    *address = parsed;
    *port = quint16(number);
    return true;
}

} // namespace

QString ServerOptions::defaultDatabasePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)
           + QStringLiteral("/opercheck.sqlite");
}

ServerOptions::Parse ServerOptions::parse(const QStringList &arguments, ServerOptions *options,
                                          QString *message)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Route-check server for the dispatch panel."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help."));
    const QCommandLineOption listen(QStringLiteral("listen"),
                                    QStringLiteral("Address and port to listen on (port 0: any "
                                                   "free port). Default 127.0.0.1:47800."),
                                    QStringLiteral("ADDR:PORT"));
    const QCommandLineOption db(QStringLiteral("db"),
                                QStringLiteral("SQLite database file. Default: %1.")
                                    .arg(defaultDatabasePath()),
                                QStringLiteral("PATH"));
    const QCommandLineOption token(QStringLiteral("token"),
                                   QStringLiteral("Token clients must send first "
                                                  "(\"Auth_token\"). Required off loopback."),
                                   QStringLiteral("T"));
    const QCommandLineOption seed(QStringLiteral("seed"),
                                  QStringLiteral("Fill an empty database with a demo: \"demo\"."),
                                  QStringLiteral("NAME"));
    parser.addOptions({help, listen, db, token, seed});

    if (!parser.parse(arguments)) {
        *message = parser.errorText();
        return Parse::Error;
    }
    if (parser.isSet(help)) {
        *message = parser.helpText();
        return Parse::Help;
    }
    if (!parser.positionalArguments().isEmpty()) {
        *message = QStringLiteral("unexpected argument: %1").arg(parser.positionalArguments()
                                                                     .constFirst());
        return Parse::Error;
    }

    ServerOptions parsed;
    if (parser.isSet(listen)
        && !parseEndpoint(parser.value(listen), &parsed.address, &parsed.port)) {
        *message =
            QStringLiteral("--listen wants ADDR:PORT, not \"%1\"").arg(parser.value(listen));
        return Parse::Error;
    }
    parsed.databasePath = parser.isSet(db) ? parser.value(db) : defaultDatabasePath();
    parsed.token = parser.value(token).toUtf8();
    parsed.seed = parser.value(seed);
    if (parser.isSet(token) && parsed.token.isEmpty()) {
        *message = QStringLiteral("--token must not be empty");
        return Parse::Error;
    }
    const QString problem = parsed.problem();
    if (!problem.isEmpty()) {
        *message = problem;
        return Parse::Error;
    }
    *options = parsed;
    return Parse::Ok;
}

QString ServerOptions::problem() const
{
    if (address.isNull())
        return QStringLiteral("no listen address");
    if (!address.isLoopback() && token.isEmpty()) {
        return QStringLiteral("listening on %1 (not loopback) requires --token")
            .arg(address.toString());
    }
    if (!seed.isEmpty() && seed != QLatin1String("demo"))
        return QStringLiteral("unknown seed \"%1\" (known: demo)").arg(seed);
    if (authTimeoutMs <= 0 || maxClients <= 0 || maxPendingOutput <= 0)
        return QStringLiteral("limits must be positive");
    return QString();
}

QString ServerOptions::endpointText(const QHostAddress &address, quint16 port)
{
    const QString host = address.protocol() == QAbstractSocket::IPv6Protocol
                             ? QLatin1Char('[') + address.toString() + QLatin1Char(']')
                             : address.toString();
    return host + QLatin1Char(':') + QString::number(port);
}
