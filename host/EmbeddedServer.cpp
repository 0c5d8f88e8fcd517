#include "EmbeddedServer.h"

#include <RouteCheckServer.h>
#include <ServerOptions.h>

#include <QHostAddress>

EmbeddedServer::EmbeddedServer() = default;

EmbeddedServer::~EmbeddedServer() = default;

bool EmbeddedServer::start(const QString &databasePath, QString *error, bool simulate,
                           double speed)
{
    ServerOptions options;
    options.address = QHostAddress(QHostAddress::LocalHost);
    options.port = 0;
    options.databasePath = databasePath.isEmpty() ? ServerOptions::defaultDatabasePath()
                                                  : databasePath;
    // Seeding only ever fills an empty database: the operator's data stays.
    options.seed = QStringLiteral("demo");
    options.simulate = simulate;
    options.speed = speed;
    m_server = std::make_unique<RouteCheckServer>(options);
    if (m_server->start(error))
        return true;
    m_server.reset();
    return false;
}

void EmbeddedServer::stop()
{
    m_server.reset();
}

quint16 EmbeddedServer::port() const
{
    return m_server ? m_server->serverPort() : 0;
}

QString EmbeddedServer::databasePath() const
{
    // The address as shown: never a password.
    return m_server ? m_server->database().path() : QString();
}
