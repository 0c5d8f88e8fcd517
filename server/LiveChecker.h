#ifndef LIVECHECKER_H
#define LIVECHECKER_H

#include "CheckEngine.h"
#include "geo/PositionScreen.h"
#include "wire/LiveMessages.h"
#include "RouteOwners.h"
#include "RuleStore.h"
#include "UnitSimulator.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QMap>
#include <QObject>
#include <QPair>
#include <QString>

#include <array>
#include <memory>

class Database;
class ServerClock;
class StoreWriter;
class QTimer;

// The server's live checking: the engine fed with the checked routes and
// their zones from the database, the units' reports pushed to it, its time
// moved on by the server clock. What changes goes out through the signals as
// ready bodies for every client.
//
// Pushed reports are taken for stored units only, and only when
// PositionScreen passes them: a bad fix, one from before 2000 or one more
// than five minutes ahead of the server clock (which would close every window
// at once) is dropped and counted. The counts go to the log once a minute and
// to stats().
class LiveChecker : public QObject
{
    Q_OBJECT

public:
    // Where reports come from: this server's devices and clients, or another
    // server of the database (which sends on what it takes in).
    enum class Source { Here, Peer };

    // The database and the clock outlive the checker.
    LiveChecker(const Database &db, const ServerClock &clock, QObject *parent = nullptr);
    ~LiveChecker() override;

    CheckEngine &engine() { return m_engine; }

    // Reads routes, zones and unit names again. A checked route whose
    // definition and check time are unchanged keeps its judged crossings.
    bool reload();
    // Takes in what a save touched: those routes are compared and handed on
    // as reload() would; every other route keeps what it had. A save changes
    // no graphic object or unit, so only those not read before are read (ones
    // a host tool added); one edited beside the wire counts from the next
    // reload().
    bool update(const RuleStore::Change &change);
    // Reads the unit names again after units were added, renamed or deleted.
    bool reloadUnits();
    // Events are then stored by the writer, off this thread, and go out once
    // stored; without one they are stored here. The writer outlives the checker.
    void setEventWriter(StoreWriter *writer) { m_eventWriter = writer; }
    // With simulation on, every tick also moves the simulated units and checks
    // their reports like pushed ones.
    void setSimulating(bool on);
    bool isSimulating() const { return m_simulator != nullptr; }
    // Starts and stops moving the engine's time on with the clock.
    void start();
    void stop();

    // Checks a batch of reports, then publishes what changed. The accepted
    // reports go out as a "Unit_positions" body.
    void accept(const QList<LiveMessages::PositionReport> &reports,
                Source source = Source::Here);
    // Which checked routes this server judges (with others on the database);
    // every one unless set. Takes effect on the next reload().
    void setOwners(const RouteOwners &owners) { m_owners = owners; }
    const RouteOwners &owners() const { return m_owners; }
    bool isLoaded() const { return m_loaded; }
    // Whether checking of the route is switched on, whoever judges it.
    bool isSwitchedOn(int routeId) const { return m_switchedOn.contains(routeId); }
    // The routes judged here, and their units.
    QSet<int> judgedRoutes() const;
    QSet<qint32> unitsOf(const QSet<int> &routeIds) const;
    // Moves the engine to the clock's time and publishes what changed.
    void tick();
    // Runs reports the checking took before (kept by UnitTrackBook, each
    // unit's in time order) through the engine again, so that it judges from
    // where it stood; events recorded before are not recorded again. They are
    // not sent on nor counted.
    // What checking had folded away before them (CheckEngine::foldedState)
    // goes in first, by unit.
    void replay(const QList<LiveMessages::PositionReport> &reports,
                const QHash<qint32, QByteArray> &folded = {});

    // The "Get_server_stats" figures: reports taken and dropped (by why),
    // routes checked.
    QList<LiveMessages::ServerStat> stats() const;
    // Logs the reports dropped since the last call, if any, and returns what
    // it logged; a timer calls it once a minute.
    QString logDrops();

    // One "Every_sections_state" body per checked route, by route id.
    const QMap<int, QByteArray> &currentStates() const;
    QList<LiveMessages::CheckEvent> recentEvents(int limit) const;

signals:
    void positionsAccepted(const QList<LiveMessages::PositionReport> &reports,
                           LiveChecker::Source source);
    void stateChanged(qint32 routeId, const QByteArray &everySectionsStateBody);
    void eventsRecorded(const QByteArray &checkEventsBody);

private:
    struct Zone // a graphic object as the engine sees it, and its record's wire form
    {
        ZoneGeometry geometry;
        QList<ZoneGeometry> alone; // the geometry as a section's only zone
        QByteArray wire;
        quint64 revision = 0; // new whenever the wire is
    };
    struct Checked
    {
        RuleStore::NamedRoute route;
        // Its zones as handed to the engine: how many there were, none newer
        // than this revision. With the route's own bytes, what tells a change.
        quint64 zonesUpTo = 0;
        int zoneCount = 0;
    };

    // Hands the touched routes (all: every stored one) to the engine and the
    // simulator, then publishes what changed.
    void apply(const RuleStore::Change &change);
    // A zone whose wire is as in previous keeps its revision.
    void takeZones(const QHash<qint32, GraphObData> &objects,
                   const QHash<qint32, Zone> &previous = {});
    bool sameRoute(const Checked &checked, const RouteRecord &route, int zoneCount);
    void uncheck(int routeId);
    struct ReportCounts
    {
        qint64 accepted = 0;
        qint64 unknownUnit = 0;
        std::array<qint64, PositionScreen::FaultCount> faults{};
    };
    enum class Counting { Pushed, Simulated };
    // Checks the reports of known units that pass the screen and sends them
    // on; pushed ones are counted, simulated ones (whose routes may list ids
    // that are no unit) and a peer's are not.
    void check(const QList<LiveMessages::PositionReport> &reports, Counting counting,
               Source source = Source::Here);
    void publish();
    void publishEvents(QList<LiveMessages::CheckEvent> events);
    QByteArray statesBody(int routeId) const;
    void recordEvents(int routeId, QList<LiveMessages::CheckEvent> *events);

    const Database &m_db;
    const ServerClock &m_clock;
    CheckEngine m_engine;
    QTimer *m_timer;    // a child
    QTimer *m_logTimer; // a child
    ReportCounts m_counts;
    ReportCounts m_countsLogged; // as they were at the last log
    QHash<int, Checked> m_checked;
    QMap<int, QByteArray> m_stateBodies; // per checked route: its states as last published
    QHash<qint32, QString> m_unitNames;
    StoreWriter *m_eventWriter = nullptr; // not owned
    QHash<qint32, Zone> m_zones; // every graphic object read, by id
    quint64 m_zoneRevision = 0;  // the last given out
    QByteArray m_before, m_after; // scratch for comparing routes
    // Per route, then per section and kind: the rounds whose event is recorded.
    using Recorded = QHash<QPair<int, int>, QList<qint64>>;
    static constexpr int RecordedRounds = 16;
    QHash<int, Recorded> m_recorded;
    std::unique_ptr<UnitSimulator> m_simulator;  // while simulating
    QMap<int, UnitSimulator::Route> m_simulated; // while simulating: every route by id
    bool m_loaded = false;                       // reload() has read the routes once
    RouteOwners m_owners;
    QSet<int> m_switchedOn; // every stored route with checking on
};

#endif // LIVECHECKER_H
