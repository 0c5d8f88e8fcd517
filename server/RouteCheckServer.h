#ifndef ROUTECHECKSERVER_H
#define ROUTECHECKSERVER_H

#include "ChangeNotices.h"
#include "Database.h"
#include "LogLimiter.h"
#include "ReplySink.h"
#include "RequestHandler.h"
#include "ServerClock.h"
#include "ServerOptions.h"

#include "wire/LiveMessages.h"

#include <QHash>
#include <QHostAddress>
#include <QList>
#include <QObject>

#include <memory>

class ClientConnection;
class InstanceLease;
class PeerLink;
class FrameBudget;
class LiveChecker;
class QLockFile;
class QTcpServer;
class QTimer;
class StatsSource;
class StoreWriter;
class UnitStatusBook;
class UnitTrackBook;

// The route-check server: a QTcpServer in the caller's thread and event loop,
// one SQLite connection of its own, any number of clients. Embed it with
//     ServerOptions options; options.port = 0; options.databasePath = path;
//     RouteCheckServer server(options);
//     if (server.start(&error)) use(server.serverPort());
class RouteCheckServer : public QObject
{
    Q_OBJECT

public:
    // How long after another server's change checking reads the routes again,
    // taking in whatever else changed meanwhile.
    static constexpr int NoticeReloadMs = 100;

    explicit RouteCheckServer(const ServerOptions &options, QObject *parent = nullptr);
    ~RouteCheckServer() override;

    // Opens (and creates or upgrades) the database, seeds it when asked, then
    // listens. False with a reason when the options are refused or a step fails.
    bool start(QString *error);
    // Closes every client, stops listening and closes the database.
    void stop();

    bool isListening() const;
    QHostAddress serverAddress() const;
    quint16 serverPort() const;
    int clientCount() const { return m_clients.size(); }

    const ServerOptions &options() const { return m_options; }
    // With other servers on the database: this one's id among them and where
    // they reach it; empty otherwise.
    QString instanceId() const;
    QString peerAddress() const;
    // Open while started: for host tools that add nodes, layers or units.
    Database &database() { return m_db; }
    const ServerClock &clock() const { return m_clock; }
    // While started: the live checking of the checked routes.
    LiveChecker *liveChecker() const { return m_live.get(); }
    // While started: every unit's last report.
    UnitStatusBook *unitStatus() const { return m_unitStatus.get(); }
    // Its figures follow the server's in "Get_server_stats"; null removes it.
    // Not owned; it stays until removed.
    void setStatsSource(const StatsSource *source) { m_statsSource = source; }

    // Serves one request as a client's connection hands it on: what is meant
    // for the sender goes to it, the rest to every client. While started.
    void serve(const QByteArray &command, const QByteArray &body, ReplySink *sender);

    // Returns once every change and check event asked so far is stored (or
    // refused) and its outcome has gone out.
    void finishWrites();

    // Logs how many positions and states slow readers were spared, if any,
    // and returns the line.
    QString logThinning();

signals:
    void clientCountChanged(int count);
    // A unit or group was added, renamed, moved or deleted, or a device set.
    void unitsChanged();

private:
    bool seed(QString *error);
    void onNewConnection();
    bool makeRoom();
    bool handleLive(const QByteArray &command, const QByteArray &body, ReplySink *sender);
    void deliver(const RequestHandler::Outcome &outcome, ReplySink *sender);
    void onChangeHeard(ChangeNotices::Kind kind, const QByteArray &body);
    // With other servers on the database: takes a lease, links to the
    // others, and shares the checked routes out again whenever one comes or goes.
    bool joinOthers(QString *error);
    void shareRoutes();
    void forgetPeerStates();
    void sendStatesToPeers();
    void onPeerMessage(const QByteArray &command, const QByteArray &body);
    void onClientFinished(ClientConnection *client);
    void broadcast(const QByteArray &command, const QByteArray &body,
                   const ReplySink *except = nullptr);
    void broadcastPositions(const QList<LiveMessages::PositionReport> &reports);
    void broadcastState(qint32 routeId, const QByteArray &body);
    void sendStates(ReplySink *sender);

    ServerOptions m_options;
    ServerClock m_clock;
    LogLimiter m_logLimiter;
    std::unique_ptr<QLockFile> m_lock; // while started for writing
    Database m_db;
    std::unique_ptr<RequestHandler> m_handler;
    std::unique_ptr<LiveChecker> m_live;
    std::unique_ptr<StoreWriter> m_writer; // none when read-only
    std::unique_ptr<UnitStatusBook> m_unitStatus;
    std::unique_ptr<UnitTrackBook> m_tracks;
    std::unique_ptr<ChangeNotices> m_notices; // while started
    std::unique_ptr<InstanceLease> m_lease;   // with other servers, while started
    std::unique_ptr<PeerLink> m_peers;        // likewise
    QMap<int, QByteArray> m_peerStates;       // states the other servers judged, by route
    QMap<int, QByteArray> m_statesSentToPeers; // this one's, as the others last got them
    const StatsSource *m_statsSource = nullptr;
    // Changes being written, by ticket: whose they are (null once it left).
    QHash<quint64, ReplySink *> m_changing;
    quint64 m_lastTicket = 0;
    QTcpServer *m_tcp; // a child
    FrameBudget *m_frameBudget = nullptr; // a child, while started
    QTimer *m_thinningLog; // a child
    QTimer *m_reloadSoon;  // a child: checking reads routes again after other servers' changes
    // Since the start, for Get_server_stats; thinning as far as it was logged.
    struct Counts
    {
        qint64 requestsFailed = 0;
        qint64 clientsClosed = 0;
        qint64 clientsRefused = 0;
        qint64 thinnedByGone = 0; // by clients no longer connected
        qint64 thinnedLogged = 0;
    } m_counts;
    qint64 thinned() const;
    QList<ClientConnection *> m_clients; // children, deleted later once finished
};

#endif // ROUTECHECKSERVER_H
