#include "RouteCheckServer.h"

#include "ClientConnection.h"
#include "DemoSeed.h"
#include "LiveChecker.h"
#include "wire/LiveMessages.h"
#include "wire/Commands.h"
#include "ServerLog.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QTimeZone>

namespace {

RouteCheckServer::ReplySink replyTo(ClientConnection *client)
{
    return [client](const QByteArray &command, const QByteArray &body) {
        client->sendReply(command, body);
    };
}

void failMalformed(const QByteArray &command, const QByteArray &body,
                   const RouteCheckServer::ReplySink &sender)
{
    const RequestHandler::Outcome failure = RequestHandler::failed(
        command, RequestFailure::Malformed,
        QStringLiteral("the body of %1 bytes does not read as this command's").arg(body.size()));
    sender(failure.command, failure.body);
}

} // namespace

RouteCheckServer::RouteCheckServer(const ServerOptions &options, QObject *parent)
    : QObject(parent),
      m_options(options),
      m_clock(options.speed, options.timeZone.isEmpty() ? QTimeZone::systemTimeZone()
                                                        : QTimeZone(options.timeZone)),
      m_tcp(new QTcpServer(this))
{
    if (m_options.databasePath.isEmpty())
        m_options.databasePath = ServerOptions::defaultDatabasePath();
    connect(m_tcp, &QTcpServer::newConnection, this, &RouteCheckServer::onNewConnection);
}

RouteCheckServer::~RouteCheckServer()
{
    stop();
}

bool RouteCheckServer::start(QString *error)
{
    stop();
    const QString problem = m_options.problem();
    if (!problem.isEmpty()) {
        *error = problem;
        return false;
    }
    const Database::Access access = m_options.readOnly ? Database::Access::ReadOnly
                                                       : Database::Access::ReadWrite;
    if (!m_db.open(m_options.databasePath, error, access))
        return false;
    if (!m_options.seed.isEmpty() && !seed(error)) {
        m_db.close();
        return false;
    }
    if (!m_tcp->listen(m_options.address, m_options.port)) {
        *error = QStringLiteral("cannot listen on %1: %2")
                     .arg(ServerOptions::endpointText(m_options.address, m_options.port),
                          m_tcp->errorString());
        m_db.close();
        return false;
    }
    m_handler = std::make_unique<RequestHandler>(m_db, m_clock, m_options.readOnly);
    m_live = std::make_unique<LiveChecker>(m_db, m_clock);
    m_live->engine().setConfirmReports(m_options.confirmReports);
    m_live->engine().setConfirmMetres(m_options.confirmMetres);
    m_live->setSimulating(m_options.simulate);
    connect(m_live.get(), &LiveChecker::positionsAccepted, this,
            [this](const QByteArray &body) { broadcast(Commands::UnitPositions, body); });
    connect(m_live.get(), &LiveChecker::statesChanged, this,
            [this](const QByteArray &body) { broadcast(Commands::SectionsState, body); });
    connect(m_live.get(), &LiveChecker::eventsRecorded, this,
            [this](const QByteArray &body) { broadcast(Commands::CheckEvents, body); });
    m_live->reload();
    m_live->start();
    return true;
}

bool RouteCheckServer::seed(QString *error)
{
    if (!m_db.isEmpty()) {
        qCWarning(lcServer).noquote() << "the database" << m_db.path()
                                      << "is not empty; the demo seed is not applied";
        return true;
    }
    if (!DemoSeed::fill(m_db)) {
        *error = QStringLiteral("the demo seed failed");
        return false;
    }
    return true;
}

void RouteCheckServer::stop()
{
    m_tcp->close();
    const QList<ClientConnection *> clients = m_clients;
    for (ClientConnection *client : clients)
        client->drop();
    // Closing finished every client; none is left waiting for a later deletion.
    qDeleteAll(clients);
    m_clients.clear();
    m_live.reset();
    m_handler.reset();
    m_db.close();
}

bool RouteCheckServer::isListening() const
{
    return m_tcp->isListening();
}

QHostAddress RouteCheckServer::serverAddress() const
{
    return m_tcp->serverAddress();
}

quint16 RouteCheckServer::serverPort() const
{
    return m_tcp->serverPort();
}

void RouteCheckServer::onNewConnection()
{
    while (QTcpSocket *socket = m_tcp->nextPendingConnection()) {
        if (m_clients.size() >= m_options.maxClients) {
            qCWarning(lcServer) << "refusing a client: already" << m_clients.size() << "clients";
            socket->abort();
            socket->deleteLater();
            continue;
        }
        auto *client = new ClientConnection(socket, m_options, this);
        m_clients.append(client);
        connect(client, &ClientConnection::requestReceived, this,
                [this, client](const QByteArray &command, const QByteArray &body) {
                    serve(command, body, replyTo(client));
                });
        connect(client, &ClientConnection::finished, this,
                [this, client] { onClientFinished(client); });
        connect(client, &ClientConnection::authenticated, this,
                [this, client] { sendStates(replyTo(client)); });
        emit clientCountChanged(m_clients.size());
        // The peer may have gone before the connection object existed.
        if (socket->state() != QAbstractSocket::ConnectedState)
            client->drop();
        else if (client->isAuthenticated())
            sendStates(replyTo(client));
    }
}

void RouteCheckServer::serve(const QByteArray &command, const QByteArray &body,
                             const ReplySink &sender)
{
    if (!m_handler || handleLive(command, body, sender))
        return;
    RequestHandler::Outcome outcome = m_handler->handle(command, body);
    switch (outcome.delivery) {
    case RequestHandler::Outcome::Delivery::None:
        return;
    case RequestHandler::Outcome::Delivery::Sender:
        sender(outcome.command, outcome.body);
        break;
    case RequestHandler::Outcome::Delivery::Everyone:
        broadcast(outcome.command, outcome.body);
        break;
    }
    // A panel rebuilds its routes from the tree; the live states follow it.
    // A save touches only its own routes; a switch reads every route again,
    // with whatever host tools stored beside the wire.
    if (outcome.command == Commands::GetRuleTree) {
        sendStates(sender);
    } else if (outcome.command == Commands::FixRoutes) {
        m_live->update(outcome.change);
    } else if (outcome.command == Commands::SetCheckMode) {
        m_live->reload();
        sendStates(sender);
    }
}

bool RouteCheckServer::handleLive(const QByteArray &command, const QByteArray &body,
                                  const ReplySink &sender)
{
    if (command == Commands::PushPositions) {
        if (const auto reports = LiveMessages::readPositions(body))
            m_live->accept(*reports);
        else
            qCWarning(lcServer) << "Push_positions: malformed body of" << body.size()
                                << "bytes ignored";
        return true;
    }
    if (command == Commands::GetServerStats) {
        if (body.isEmpty()) {
            QList<LiveMessages::ServerStat> stats = m_live->stats();
            stats.append({QStringLiteral("clients"), m_clients.size()});
            sender(command, LiveMessages::statsBody(stats));
        } else {
            failMalformed(command, body, sender);
        }
        return true;
    }
    if (command == Commands::GetCheckEvents) {
        const std::optional<int> limit = LiveMessages::readEventsRequest(body);
        if (limit && *limit > 0)
            sender(command, LiveMessages::eventsBody(m_live->recentEvents(*limit)));
        else
            failMalformed(command, body, sender);
        return true;
    }
    return false;
}

void RouteCheckServer::broadcast(const QByteArray &command, const QByteArray &body)
{
    const QList<ClientConnection *> clients = m_clients;
    for (ClientConnection *each : clients) {
        if (each->isAuthenticated())
            each->sendReply(command, body);
    }
}

void RouteCheckServer::sendStates(const ReplySink &sender)
{
    if (!m_live)
        return;
    for (const QByteArray &body : m_live->currentStates())
        sender(Commands::SectionsState, body);
}

void RouteCheckServer::onClientFinished(ClientConnection *client)
{
    if (!m_clients.removeOne(client))
        return;
    client->deleteLater();
    emit clientCountChanged(m_clients.size());
}
