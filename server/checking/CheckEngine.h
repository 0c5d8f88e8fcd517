#ifndef CHECKENGINE_H
#define CHECKENGINE_H

#include "CheckSchedule.h"
#include "RoundClock.h"
#include "ZoneGeometry.h"
#include "ZoneIndex.h"

#include "calendar/RoundCalendar.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QPair>
#include <QPoint>
#include <QSet>
#include <QVector>

#include <limits>
#include <vector>

class RouteRecord;

// Checks tracked units against their routes' sections. Pure logic: times are
// seconds since 1970-01-01 UTC handed in by the caller (reports and
// advanceTo), so the engine has no clock of its own.
//
// A unit's crossing of a section's border counts only once confirmed: by
// confirmReports reports in a row on the new side, or by one report at least
// confirmMetres beyond the border. It is dated by the first report on the new
// side. Reports are taken in report-time order per unit; a late one is put in
// place among the last HistoryLength reports and the unit's track re-run. One
// older than every kept report is dropped.
//
// Section states: Due, Passed (entered and left on time; with the schedule off,
// entered at all) and Violated (entered or left outside its window, still
// inside after the exit window closed, or no entry by the time the entry window
// closed). Each section is judged once per round (see RoundClock), on its own
// windows: a skipped one turns Violated when its entry window closes and does
// not hold up the next. Rounds may overlap: an entry is credited to the oldest
// round without one whose entry window holds it, else to the round whose span
// holds it if that one has none yet; a later entry counts for nothing. The
// unit whose entry is credited carries the section in that round, and its
// first exit after the entry is the round's exit.
//
// A section shows the state of its oldest round still open (Due with a
// window to come), except that a round's decision stays on show until a
// round starts after it.
class CheckEngine : public QObject
{
    Q_OBJECT

public:
    enum State { Due = 0, Violated = 1, Passed = 2 };
    static constexpr int HistoryLength = 64;
    // From this many zones on, a route finds the ones near a report through
    // an index; fewer are each turned away by one distance through the earth.
    static constexpr int IndexedZones = 32;

    // How a section stands in the current period: its state and the crossings
    // that decide it, made by the unit that carries the section.
    struct Outcome
    {
        int sectionId = 0;
        int state = Due;
        int unitId = 0;        // 0 while nobody entered
        qint64 reference = 0;  // start of the period
        bool entered = false;
        qint64 entryTime = 0;
        qint64 entryDeviation = 0; // seconds off the entry window, see CheckSchedule
        bool left = false;
        qint64 exitTime = 0;
        qint64 exitDeviation = 0;

        bool operator==(const Outcome &other) const;
        bool operator!=(const Outcome &other) const { return !(*this == other); }
    };

    // Rounds of the periodic check types are days, weeks and months of calendar.
    explicit CheckEngine(const RoundCalendar &calendar = RoundCalendar(),
                         QObject *parent = nullptr);
    ~CheckEngine() override;

    int confirmReports() const { return m_confirmReports; }
    void setConfirmReports(int count);
    double confirmMetres() const { return m_confirmMetres; }
    void setConfirmMetres(double metres);

    // Checks route from checkOnTime on; zones[i] are the areas of its i-th
    // section (missing ones: a section nobody can enter). Replaces a route of
    // the same id; kept reports of its units are run again.
    void setRoute(int routeId, const RouteRecord &route, qint64 checkOnTime,
                  const QList<QList<ZoneGeometry>> &zones);
    void removeRoute(int routeId);

    // Judges the routes of unitId again. Windows of other routes that the
    // report's time has passed close on the next advanceTo.
    void report(int unitId, qint64 time, const QPoint &position);
    // Moves the engine's time on (never back) and closes the windows passed.
    void advanceTo(qint64 time);
    qint64 now() const { return m_now; }

    // (section id, state) in route order; empty for an unknown route.
    QList<QPair<int, int>> states(int routeId) const;
    // Routes whose states changed since the last call.
    QList<int> takeChangedRoutes();
    // The outcome each section shows, in route order; empty for an unknown route.
    QVector<Outcome> outcomes(int routeId) const;
    // Every section's outcome in each round still judged, section by section
    // in route order, oldest round first; a round is told by its reference.
    QVector<Outcome> roundOutcomes(int routeId) const;
    // Routes whose outcomes changed (a state, an entry or an exit) since the last call.
    QList<int> takeChangedOutcomes();

    // What a unit's kept reports no longer show: for each route of it, the
    // traces the reports before them left, and how far those reach. With the
    // kept reports, what judges the unit again from where it stood (after a
    // restart, or on another server). Empty while nothing was folded.
    QByteArray foldedState(int unitId) const;
    // Takes such a state for a unit that has no kept report here yet, for
    // the routes it names that are checked here with as many sections, then
    // the unit's reports follow. False, taking nothing, when it does not read.
    bool restoreFolded(int unitId, const QByteArray &state);

signals:
    void statesChanged(int routeId);

private:
    struct Report
    {
        qint64 time;
        GeoPoint position; // worked out once, tried against every zone
    };
    struct Crossing
    {
        qint64 time;
        bool entering;
    };
    // One unit against one section: the confirmed side and the run of reports
    // on the other side that may confirm a crossing.
    struct Trace
    {
        bool inside = false;
        int run = 0;
        qint64 runStart = 0;
        QList<Crossing> crossings;
    };
    using Traces = QVector<Trace>;
    // A round laid out: its span and each section's windows in it.
    struct LaidRound
    {
        RoundClock::Round round;
        QVector<CheckSchedule::Window> entry; // per section
        QVector<CheckSchedule::Window> exit;
    };
    // How a section stands in a round, with when that stops changing by time alone.
    struct Judged
    {
        Outcome outcome;
        qint64 settled = 0; // when it was decided, or its next deadline while open
        bool open = true;
    };
    struct Route
    {
        qint64 checkOnTime = 0;
        RoundClock clock;
        // Rounds before the one holding now that windows can still reach.
        int lookBack = 0;
        // Rounds after it whose windows may open before it ends.
        int lookAhead = 0;
        QVector<LaidRound> rounds; // oldest first; the one holding now among them
        RoundClock::Round held;    // the round holding now when they were laid
        bool laid = false;
        bool dirty = true;            // a crossing since the states were judged
        qint64 nextChange = 0;        // when time alone may change a state
        QList<int> sectionIds;
        QVector<CheckSchedule> schedules;
        QList<QList<ZoneGeometry>> zones;
        // For routes of many zones: every zone, boxes widened by the
        // confirming distance, and the section each belongs to.
        std::shared_ptr<const ZoneIndex> zoneIndex;
        QVector<int> sectionOfZone;
        QList<int> units;
        QHash<int, Traces> folded;  // per unit: after the reports no longer kept
        QHash<int, Traces> current; // per unit: after every kept report
        QList<QPair<int, int>> states;
        QVector<Outcome> outcomes;      // shown, per section
        QVector<Outcome> roundOutcomes; // per section, per laid round
    };
    struct Track
    {
        QList<Report> reports; // time order, at most HistoryLength
        qint64 foldedUpTo = std::numeric_limits<qint64>::min();
    };

    // True when the report confirmed a crossing.
    bool step(const Route &route, Traces &traces, const Report &report) const;
    void rerun(Route &route, int unitId);
    void layRounds(Route &route, qint64 now) const;
    void indexZones(Route &route) const;
    // The section in every laid round, oldest first.
    void judgeSection(const Route &route, int section, qint64 now, std::vector<Judged> *out) const;
    // Which round's outcome the section shows.
    static int shownRound(const Route &route, const std::vector<Judged> &judged, qint64 now);
    void updateStates(int routeId);
    // Keeps the routes of each unit in id order; a unit no route checks any
    // more loses its reports.
    void linkUnit(int unitId, int routeId);
    void unlinkUnit(int unitId, int routeId);

    RoundCalendar m_calendar;
    std::vector<Judged> m_judged; // scratch of updateStates, kept for its room
    QHash<int, Route> m_routes;
    QHash<int, Track> m_tracks;
    QHash<int, QList<int>> m_routesOfUnit;
    QList<int> m_changed; // in the order they changed
    QList<int> m_changedOutcomes;
    QSet<int> m_changedSet; // the same ids, to look up
    QSet<int> m_changedOutcomesSet;
    qint64 m_now = std::numeric_limits<qint64>::min();
    int m_confirmReports = 2;
    double m_confirmMetres = 15.0;
};

#endif // CHECKENGINE_H
