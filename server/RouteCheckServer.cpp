#include "RouteCheckServer.h"

#include "ClientConnection.h"
#include "DemoSeed.h"
#include "FrameBudget.h"
#include "InstanceLease.h"
#include "LiveChecker.h"
#include "LogLimiter.h"
#include "PeerLink.h"
#include "ServerLog.h"
#include "StatsSource.h"
#include "StoreWriter.h"
#include "UnitStatusBook.h"
#include "UnitTrackBook.h"

#include "wire/Commands.h"
#include "wire/LiveMessages.h"
#include "wire/RouteMessages.h"

#include <QCoreApplication>
#include <QDataStream>
#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimeZone>
#include <QTimer>

#include <utility>

namespace {

constexpr int ThinningLogMs = 60 * 1000;

} // namespace

RouteCheckServer::RouteCheckServer(const ServerOptions &options, QObject *parent)
    : QObject(parent),
      m_options(options),
      m_clock(options.speed, options.timeZone.isEmpty() ? QTimeZone::systemTimeZone()
                                                        : QTimeZone(options.timeZone)),
      m_logLimiter(options.logLinesPerMinute),
      m_tcp(new QTcpServer(this)),
      m_thinningLog(new QTimer(this)),
      m_reloadSoon(new QTimer(this))
{
    if (m_options.databasePath.isEmpty())
        m_options.databasePath = ServerOptions::defaultDatabasePath();
    connect(m_tcp, &QTcpServer::newConnection, this, &RouteCheckServer::onNewConnection);
    m_thinningLog->setInterval(ThinningLogMs);
    connect(m_thinningLog, &QTimer::timeout, this, &RouteCheckServer::logThinning);
    m_reloadSoon->setSingleShot(true);
    m_reloadSoon->setInterval(NoticeReloadMs);
    connect(m_reloadSoon, &QTimer::timeout, this, [this] {
        if (!m_live)
            return;
        m_live->reload();
        forgetPeerStates();
    });
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
    // One writer of a file at a time: the lock is taken before anything is
    // written. A database server keeps its writers apart itself.
    if (!m_options.readOnly && DatabaseAddress::namesFile(m_options.databasePath)) {
        const QString folder = QFileInfo(m_options.databasePath).absolutePath();
        if (!QDir().mkpath(folder)) {
            *error = QStringLiteral("cannot create the folder %1").arg(folder);
            return false;
        }
        m_lock = Database::lockForWriting(m_options.databasePath, error);
        if (!m_lock)
            return false;
    }
    if (!m_db.open(m_options.databasePath, error, access)) {
        m_lock.reset();
        return false;
    }
    if (!m_options.seed.isEmpty() && !seed(error)) {
        stop();
        return false;
    }
    m_notices = std::make_unique<ChangeNotices>(m_db);
    connect(m_notices.get(), &ChangeNotices::heard, this, &RouteCheckServer::onChangeHeard);
    if (!m_notices->start(error)) {
        stop();
        return false;
    }
    if (!m_tcp->listen(m_options.address, m_options.port)) {
        *error = QStringLiteral("cannot listen on %1: %2")
                     .arg(ServerOptions::endpointText(m_options.address, m_options.port),
                          m_tcp->errorString());
        stop();
        return false;
    }
    m_counts = {};
    m_frameBudget = new FrameBudget(m_options.sharedFrameBudget(), this);
    m_thinningLog->start();
    m_handler =
        std::make_unique<RequestHandler>(m_db, m_clock, m_logLimiter, m_options.readOnly);
    if (!m_options.readOnly) {
        m_writer = std::make_unique<StoreWriter>(m_clock, m_logLimiter);
        if (!m_writer->start(m_options.databasePath, m_options.maxDatabaseBytes, error)) {
            stop();
            return false;
        }
    }
    m_live = std::make_unique<LiveChecker>(m_db, m_clock);
    m_live->setEventWriter(m_writer.get());
    m_live->engine().setConfirmReports(m_options.confirmReports);
    m_live->engine().setConfirmMetres(m_options.confirmMetres);
    m_live->setSimulating(m_options.simulate);
    // What checking takes in and judges goes to this server's clients, and
    // to the other servers of the database for theirs.
    connect(m_live.get(), &LiveChecker::positionsAccepted, this,
            [this](const QList<LiveMessages::PositionReport> &reports,
                   LiveChecker::Source source) {
                broadcastPositions(reports);
                if (m_peers && source == LiveChecker::Source::Here)
                    m_peers->send(PeerLink::Positions, LiveMessages::positionsBody(reports));
            });
    connect(m_live.get(), &LiveChecker::stateChanged, this,
            [this](qint32 routeId, const QByteArray &body) {
                broadcastState(routeId, body);
                sendStatesToPeers();
            });
    connect(m_live.get(), &LiveChecker::eventsRecorded, this, [this](const QByteArray &body) {
        broadcast(Commands::CheckEvents, body);
        if (m_peers)
            m_peers->send(PeerLink::Events, body);
    });
    m_unitStatus = std::make_unique<UnitStatusBook>(m_db, m_writer.get());
    m_unitStatus->load();
    m_handler->setLastReports(m_unitStatus.get());
    connect(m_live.get(), &LiveChecker::positionsAccepted, m_unitStatus.get(),
            [this](const QList<LiveMessages::PositionReport> &reports,
                   LiveChecker::Source source) {
                m_unitStatus->take(reports, source == LiveChecker::Source::Here);
            });
    m_tracks = std::make_unique<UnitTrackBook>(m_db, m_writer.get());
    m_tracks->load();
    m_tracks->setFoldedStates(
        [this](qint32 unitId) { return m_live->engine().foldedState(unitId); });
    connect(m_live.get(), &LiveChecker::positionsAccepted, m_tracks.get(),
            &UnitTrackBook::take);
    // Several servers of a database share the routes out before checking starts.
    if (!m_db.address().isFile() && !m_options.readOnly && !joinOthers(error)) {
        stop();
        return false;
    }
    m_live->reload();
    m_live->replay(m_tracks->reports(), UnitTrackStore(m_db).loadFolded({}));
    sendStatesToPeers();
    m_live->start();
    return true;
}

QString RouteCheckServer::instanceId() const
{
    return m_lease ? m_lease->id() : QString();
}

QString RouteCheckServer::peerAddress() const
{
    return m_peers ? m_peers->address() : QString();
}

bool RouteCheckServer::joinOthers(QString *error)
{
    m_peers = std::make_unique<PeerLink>(m_options.token);
    connect(m_peers.get(), &PeerLink::received, this, &RouteCheckServer::onPeerMessage);
    const QHostAddress address = m_options.peer.on ? m_options.peer.address : m_options.address;
    if (!m_peers->listen(address, m_options.peer.on ? m_options.peer.port : 0, error))
        return false;
    if (address == QHostAddress::Any || address == QHostAddress::AnyIPv4
        || address == QHostAddress::AnyIPv6) {
        qCWarning(lcServer).noquote()
            << "other servers of the database cannot reach this one at" << m_peers->address()
            << "- give --peer-listen an address they can reach";
    }
    m_lease = std::make_unique<InstanceLease>(m_db);
    connect(m_lease.get(), &InstanceLease::membersChanged, this, &RouteCheckServer::shareRoutes);
    connect(m_lease.get(), &InstanceLease::renewed, this, [this] {
        m_peers->setPeers(m_lease->members(), m_lease->id());
    });
    if (!m_lease->start(m_peers->address(), error))
        return false;
    m_tracks->setStoredHere([this] { return m_live->unitsOf(m_live->judgedRoutes()); });
    shareRoutes();
    return true;
}

void RouteCheckServer::shareRoutes()
{
    const QList<InstanceLease::Member> members = m_lease->members();
    m_peers->setPeers(members, m_lease->id());
    m_statesSentToPeers.clear(); // a server new among them has none
    QStringList ids;
    for (const InstanceLease::Member &member : members)
        ids << member.id;
    const RouteOwners owners(m_lease->id(), ids);
    if (owners == m_live->owners()) {
        sendStatesToPeers();
        return;
    }
    const QSet<int> before = m_live->judgedRoutes();
    const QSet<qint32> unitsBefore = m_live->unitsOf(before);
    m_live->setOwners(owners);
    if (!m_live->isLoaded())
        return; // the first reload takes them
    m_live->reload();
    // Units new to this server's checking are judged from where their
    // reports stood; those judged here already keep theirs in the engine.
    const QSet<int> judged = m_live->judgedRoutes();
    const QSet<qint32> gained = m_live->unitsOf(judged - before) - unitsBefore;
    // Their folded states as the server that judged them last stored them.
    m_live->replay(m_tracks->reports(gained), UnitTrackStore(m_db).loadFolded(gained));
    m_tracks->markUnstored(gained); // their tracks are this server's to keep now
    forgetPeerStates();
    qCInfo(lcServer).noquote() << "servers of the database:" << ids.size() << "- this one"
                               << "judges" << judged.size() << "checked routes";
}

void RouteCheckServer::onPeerMessage(const QByteArray &command, const QByteArray &body)
{
    if (command == PeerLink::Positions) {
        if (const auto reports = LiveMessages::readPositions(body))
            m_live->accept(*reports, LiveChecker::Source::Peer);
        return;
    }
    if (command == PeerLink::States) {
        QDataStream in(body);
        in.setVersion(QDataStream::Qt_4_5);
        const qint32 routeId = RouteMessages::readSectionsState(in).routeId;
        if (routeId <= 0)
            return;
        // Kept even while this server takes the route for its own: the two
        // may not yet agree on who judges it.
        m_peerStates.insert(routeId, body);
        if (!m_live->owners().owns(routeId))
            broadcastState(routeId, body);
        return;
    }
    if (command == PeerLink::Events) {
        if (LiveMessages::readEvents(body))
            broadcast(Commands::CheckEvents, body);
        return;
    }
    if (m_logLimiter.admit("unknown peer message"))
        qCWarning(lcServer) << "another server sent" << command << "which this one does not know";
}

bool RouteCheckServer::seed(QString *error)
{
    bool skipped = false;
    if (!DemoSeed::fill(m_db, &skipped)) {
        *error = QStringLiteral("the demo seed failed");
        return false;
    }
    if (skipped) {
        qCWarning(lcServer).noquote() << "the database" << m_db.path()
                                      << "is not empty; the demo seed is not applied";
    }
    return true;
}

void RouteCheckServer::stop()
{
    m_tcp->close();
    m_reloadSoon->stop();
    // The others take this server's routes over at their next beat.
    m_lease.reset();
    m_peers.reset();
    m_peerStates.clear();
    m_statesSentToPeers.clear();
    const QList<ClientConnection *> clients = m_clients;
    for (ClientConnection *client : clients)
        client->drop();
    // Closing finished every client; none is left waiting for a later deletion.
    qDeleteAll(clients);
    m_clients.clear();
    m_thinningLog->stop();
    delete m_frameBudget;
    m_frameBudget = nullptr;
    // The last reports and tracks go to the writer before it finishes. Saves under way
    // are finished; their outcomes, posted here, have nobody left to tell
    // and no checking to feed.
    if (m_handler)
        m_handler->setLastReports(nullptr);
    m_unitStatus.reset();
    m_tracks.reset();
    m_writer.reset();
    QCoreApplication::removePostedEvents(this, QEvent::MetaCall);
    m_changing.clear();
    m_live.reset();
    m_handler.reset();
    m_notices.reset();
    m_db.close();
    m_lock.reset();
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
        if (m_clients.size() >= m_options.maxClients && !makeRoom()) {
            if (m_logLimiter.admit("refusing a client")) {
                qCWarning(lcServer).noquote()
                    << "refusing"
                    << ServerOptions::endpointText(socket->peerAddress(), socket->peerPort())
                    << ": already" << m_clients.size() << "clients, each with a frame in the last"
                    << m_options.evictAfterMs / 1000 << "s";
            }
            ++m_counts.clientsRefused;
            socket->abort();
            socket->deleteLater();
            continue;
        }
        auto *client = new ClientConnection(socket, m_options, m_frameBudget, &m_logLimiter, this);
        m_clients.append(client);
        connect(client, &ClientConnection::requestReceived, this,
                [this, client](const QByteArray &command, const QByteArray &body) {
                    serve(command, body, client);
                });
        connect(client, &ClientConnection::finished, this,
                [this, client] { onClientFinished(client); });
        connect(client, &ClientConnection::authenticated, this,
                [this, client] { sendStates(client); });
        emit clientCountChanged(m_clients.size());
        // The peer may have gone before the connection object existed.
        if (socket->state() != QAbstractSocket::ConnectedState)
            client->drop();
        else if (client->isAuthenticated())
            sendStates(client);
    }
}

bool RouteCheckServer::makeRoom()
{
    // Operators may sit quietly for hours; only a full table costs the
    // quietest one its place.
    ClientConnection *quietest = nullptr;
    for (ClientConnection *client : qAsConst(m_clients)) {
        if (!quietest || client->msSinceLastFrame() > quietest->msSinceLastFrame())
            quietest = client;
    }
    if (!quietest || quietest->msSinceLastFrame() < m_options.evictAfterMs)
        return false;
    quietest->close(QStringLiteral("making room: no complete frame for %1 s and the %2 places"
                                   " are taken")
                        .arg(quietest->msSinceLastFrame() / 1000)
                        .arg(m_options.maxClients));
    return true;
}

void RouteCheckServer::serve(const QByteArray &command, const QByteArray &body,
                             ReplySink *sender)
{
    if (!m_handler || handleLive(command, body, sender))
        return;
    const bool change = RequestHandler::isChange(command);
    if (!change || !m_writer) {
        deliver(m_handler->handle(command, body), sender);
        return;
    }
    const quint64 ticket = ++m_lastTicket;
    m_changing.insert(ticket, sender);
    sender->setHeld(true);
    m_writer->apply(command, body, this, [this, ticket](RequestHandler::Outcome outcome) {
        ReplySink *changer = m_changing.take(ticket);
        deliver(outcome, changer);
        if (changer)
            changer->setHeld(false);
    });
}

void RouteCheckServer::finishWrites()
{
    if (m_writer)
        m_writer->finish();
}

void RouteCheckServer::deliver(const RequestHandler::Outcome &outcome, ReplySink *sender)
{
    m_counts.requestsFailed += outcome.command == Commands::RequestFailed;
    switch (outcome.delivery) {
    case RequestHandler::Outcome::Delivery::None:
        return;
    case RequestHandler::Outcome::Delivery::Sender:
        if (sender)
            sender->sendReply(outcome.command, outcome.body);
        break;
    case RequestHandler::Outcome::Delivery::Everyone:
        broadcast(outcome.command, outcome.body);
        break;
    }
    // A panel rebuilds its routes from the tree; the live states follow it.
    // A save touches only its own routes; a switch reads every route again,
    // with whatever host tools stored beside the wire.
    if (outcome.command == Commands::GetRuleTree && sender) {
        sendStates(sender);
    } else if (RequestHandler::isRuleTreeChange(outcome.command)) {
        // Deleted routes stop being checked; a renamed one records its new name.
        m_live->update(outcome.change);
        forgetPeerStates();
        broadcast(Commands::RuleTreeChanged, QByteArray(), sender);
        m_notices->announce(ChangeNotices::Kind::Rules);
    } else if (outcome.command == Commands::SetCheckMode) {
        m_live->reload();
        forgetPeerStates();
        if (sender)
            sendStates(sender);
        m_notices->announce(ChangeNotices::Kind::CheckMode, outcome.body);
    } else if (RequestHandler::isLayerChange(outcome.command)) {
        broadcast(Commands::LayerTreeChanged, QByteArray(), sender);
        // A changed shape must not go on being judged as it was; a shape in
        // use is never deleted.
        if (outcome.command == Commands::ChangeGraphObject) {
            m_live->reload();
            sendStatesToPeers();
        }
        m_notices->announce(ChangeNotices::Kind::Layers);
    } else if (RequestHandler::isUnitChange(outcome.command)) {
        broadcast(Commands::UnitTreeChanged, QByteArray(), sender);
        m_live->reloadUnits();
        emit unitsChanged();
        m_notices->announce(ChangeNotices::Kind::Units);
    }
}

void RouteCheckServer::sendStatesToPeers()
{
    // Each judged route's states as the others last got them: a route just
    // taken on (switched on, or taken over) goes out too, unchanged or not.
    if (!m_peers)
        return;
    const QMap<int, QByteArray> &states = m_live->currentStates();
    for (auto state = states.cbegin(); state != states.cend(); ++state) {
        QByteArray &sent = m_statesSentToPeers[state.key()];
        if (sent != state.value()) {
            sent = state.value();
            m_peers->send(PeerLink::States, sent);
        }
    }
}

void RouteCheckServer::forgetPeerStates()
{
    // A route switched off or deleted keeps no state for clients still to come.
    for (auto state = m_peerStates.begin(); state != m_peerStates.end();) {
        if (m_live->isSwitchedOn(state.key()))
            ++state;
        else
            state = m_peerStates.erase(state);
    }
    sendStatesToPeers();
}

void RouteCheckServer::onChangeHeard(ChangeNotices::Kind kind, const QByteArray &body)
{
    // What another server of the database committed, as its own clients heard it.
    m_handler->forgetTreeSizes();
    if (m_writer)
        m_writer->forgetTreeSizes();
    // Clients are told at once; checking reads the routes again once for a
    // burst of notices (another server's clients saving one after another).
    switch (kind) {
    case ChangeNotices::Kind::Rules:
        broadcast(Commands::RuleTreeChanged, QByteArray());
        break;
    case ChangeNotices::Kind::CheckMode:
        broadcast(Commands::SetCheckMode, body);
        break;
    case ChangeNotices::Kind::Layers:
        broadcast(Commands::LayerTreeChanged, QByteArray());
        break;
    case ChangeNotices::Kind::Units:
        m_live->reloadUnits();
        broadcast(Commands::UnitTreeChanged, QByteArray());
        emit unitsChanged();
        return;
    }
    if (!m_reloadSoon->isActive())
        m_reloadSoon->start();
}

bool RouteCheckServer::handleLive(const QByteArray &command, const QByteArray &body,
                                  ReplySink *sender)
{
    if (command == Commands::PushPositions) {
        if (const auto reports = LiveMessages::readPositions(body))
            m_live->accept(*reports);
        else if (m_logLimiter.admit("malformed Push_positions"))
            qCWarning(lcServer) << "Push_positions: malformed body of" << body.size()
                                << "bytes ignored";
        return true;
    }
    if (command == Commands::GetServerStats) {
        if (body.isEmpty()) {
            QList<LiveMessages::ServerStat> stats = m_live->stats();
            stats << LiveMessages::ServerStat{QStringLiteral("clients"), m_clients.size()}
                  << LiveMessages::ServerStat{QStringLiteral("requests_failed"),
                                              m_counts.requestsFailed}
                  << LiveMessages::ServerStat{QStringLiteral("clients_closed"),
                                              m_counts.clientsClosed}
                  << LiveMessages::ServerStat{QStringLiteral("clients_refused"),
                                              m_counts.clientsRefused}
                  << LiveMessages::ServerStat{QStringLiteral("news_thinned"), thinned()};
            if (m_lease) {
                // Of the servers sharing the database: how many, and this one's share.
                stats << LiveMessages::ServerStat{QStringLiteral("servers"),
                                                  m_live->owners().memberCount()}
                      << LiveMessages::ServerStat{QStringLiteral("routes_judged"),
                                                  m_live->judgedRoutes().size()};
            }
            if (m_statsSource)
                stats << m_statsSource->stats();
            sender->sendReply(command, LiveMessages::statsBody(stats));
        } else {
            deliver(m_handler->malformed(command, body), sender);
        }
        return true;
    }
    if (command == Commands::GetCheckEvents) {
        const std::optional<int> limit = LiveMessages::readEventsRequest(body);
        if (limit && *limit > 0)
            sender->sendReply(command, LiveMessages::eventsBody(m_live->recentEvents(*limit)));
        else
            deliver(m_handler->malformed(command, body), sender);
        return true;
    }
    return false;
}

void RouteCheckServer::broadcast(const QByteArray &command, const QByteArray &body,
                                 const ReplySink *except)
{
    const QList<ClientConnection *> clients = m_clients;
    for (ClientConnection *each : clients) {
        if (each->isAuthenticated() && each != except)
            each->sendReply(command, body);
    }
}

void RouteCheckServer::broadcastPositions(const QList<LiveMessages::PositionReport> &reports)
{
    // A write may find a peer gone, and its connection leaves the list.
    const QList<ClientConnection *> clients = m_clients;
    for (ClientConnection *each : clients) {
        if (each->isAuthenticated())
            each->sendPositions(reports);
    }
}

void RouteCheckServer::broadcastState(qint32 routeId, const QByteArray &body)
{
    // A write may find a peer gone, and its connection leaves the list.
    const QList<ClientConnection *> clients = m_clients;
    for (ClientConnection *each : clients) {
        if (each->isAuthenticated())
            each->sendRouteState(routeId, body);
    }
}

void RouteCheckServer::sendStates(ReplySink *sender)
{
    if (!m_live)
        return;
    const QMap<int, QByteArray> &states = m_live->currentStates();
    for (auto state = states.cbegin(); state != states.cend(); ++state)
        sender->sendRouteState(state.key(), state.value());
    for (auto state = m_peerStates.cbegin(); state != m_peerStates.cend(); ++state) {
        if (!m_live->owners().owns(state.key()))
            sender->sendRouteState(state.key(), state.value());
    }
}

qint64 RouteCheckServer::thinned() const
{
    qint64 total = m_counts.thinnedByGone;
    for (const ClientConnection *each : m_clients)
        total += each->thinned();
    return total;
}

QString RouteCheckServer::logThinning()
{
    const qint64 total = thinned();
    if (total == m_counts.thinnedLogged)
        return QString();
    const QString line = QStringLiteral("slow readers were sent the newest of %1 unit positions"
                                        " and section states rather than all")
                             .arg(total - std::exchange(m_counts.thinnedLogged, total));
    qCWarning(lcServer).noquote() << line;
    return line;
}

void RouteCheckServer::onClientFinished(ClientConnection *client)
{
    if (!m_clients.removeOne(client))
        return;
    for (auto changing = m_changing.begin(); changing != m_changing.end(); ++changing) {
        if (*changing == client)
            *changing = nullptr; // its change is still stored and told to the others
    }
    m_counts.thinnedByGone += client->thinned();
    m_counts.clientsClosed += client->wasClosed();
    client->deleteLater();
    emit clientCountChanged(m_clients.size());
}
