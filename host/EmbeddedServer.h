#ifndef EMBEDDEDSERVER_H
#define EMBEDDEDSERVER_H

#include <QString>

#include <memory>

class RouteCheckServer;

// The route-check server inside the host's process: loopback only, a free
// port, the demo stored on first start.
class EmbeddedServer
{
public:
    EmbeddedServer();
    ~EmbeddedServer();

    // An empty path puts the database in the user's data directory. With
    // simulate, the server moves the demo units on a clock of that speed.
    bool start(const QString &databasePath, QString *error, bool simulate = false,
               double speed = 1.0);
    void stop();

    quint16 port() const;
    QString databasePath() const;
    RouteCheckServer *server() const { return m_server.get(); }

private:
    std::unique_ptr<RouteCheckServer> m_server;
};

#endif // EMBEDDEDSERVER_H
