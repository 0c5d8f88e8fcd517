#include "DeviceFeeds.h"
#include "RouteCheckServer.h"
#include "ServerOptions.h"
#include "SqliteImport.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("opercheck-server"));
    QCoreApplication::setOrganizationName(QStringLiteral("OperCheck"));

    QTextStream out(stdout);
    QTextStream err(stderr);
    ServerOptions options;
    QString message;
    switch (ServerOptions::parse(app.arguments(), &options, &message)) {
    case ServerOptions::Parse::Help:
        out << message;
        return 0;
    case ServerOptions::Parse::Error:
        err << "opercheck-server: " << message << '\n';
        return 2;
    case ServerOptions::Parse::Ok:
        break;
    }

    QString error;
    if (!options.importSqlite.isEmpty()) {
        SqliteImport import;
        if (!import.run(options.importSqlite, options.databasePath, &error)) {
            err << "opercheck-server: " << error << '\n';
            return 1;
        }
        out << "imported " << import.rows() << " rows from " << options.importSqlite << " into "
            << import.targetShown() << '\n'
            << "  " << import.perTable() << Qt::endl;
        return 0;
    }

    RouteCheckServer server(options);
    if (!server.start(&error)) {
        err << "opercheck-server: " << error << '\n';
        return 1;
    }
    DeviceFeeds feeds(server);
    if (!feeds.start(&error)) {
        err << "opercheck-server: " << error << '\n';
        return 1;
    }
    out << "listening on "
        << ServerOptions::endpointText(server.serverAddress(), server.serverPort()) << Qt::endl;
    if (!server.instanceId().isEmpty()) {
        out << "server " << server.instanceId() << " of the database; the others reach it at "
            << server.peerAddress() << Qt::endl;
    }
    if (options.osmand.on) {
        out << "OsmAnd devices on "
            << ServerOptions::endpointText(options.osmand.address, feeds.osmandPort())
            << Qt::endl;
    }
    if (options.nmea.on) {
        out << "NMEA devices on "
            << ServerOptions::endpointText(options.nmea.address, feeds.nmeaPort()) << Qt::endl;
    }
    return app.exec();
}
