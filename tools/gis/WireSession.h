#ifndef WIRESESSION_H
#define WIRESESSION_H

#include "wire/Endpoint.h"

#include <QByteArray>
#include <QTcpSocket>

// One connection to a route-check server, request by request: each waits for
// its own reply (or its "Request_failed") and passes over the news the server
// sends every client meanwhile. For command-line tools, without an event loop.
class WireSession
{
public:
    // How long a reply may take.
    static constexpr int DeadlineMs = 30000;

    explicit WireSession(const Endpoint &endpoint);

    // False with why ("HOST:PORT: ...").
    bool connectToServer(QString *error);
    // The reply's body; false with the server's reason for a refusal, or why
    // no reply came.
    bool request(const QByteArray &command, const QByteArray &body, QByteArray *reply,
                 QString *error);
    QString where() const;

private:
    const Endpoint m_endpoint;
    QTcpSocket m_socket;
    QByteArray m_buffer;
};

#endif // WIRESESSION_H
