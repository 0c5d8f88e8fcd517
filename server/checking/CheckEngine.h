#ifndef CHECKENGINE_H
#define CHECKENGINE_H

#include "CheckSchedule.h"
#include "ZoneGeometry.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QPair>
#include <QPoint>
#include <QSet>
#include <QVector>

#include <limits>

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
// closed). The first unit of the route to enter carries the section. Each
// section is judged on its own windows: a skipped one turns Violated when its
// entry window closes and does not hold up the next. For the periodic time
// types each period (day, week, month) starts afresh; only crossings in the
// current period count.
class CheckEngine : public QObject
{
    Q_OBJECT

public:
    enum State { Due = 0, Violated = 1, Passed = 2 };
    static constexpr int HistoryLength = 64;

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

    explicit CheckEngine(QObject *parent = nullptr);
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
    // The outcome of each section in route order; empty for an unknown route.
    QVector<Outcome> outcomes(int routeId) const;
    // Routes whose outcomes changed (a state, an entry or an exit) since the last call.
    QList<int> takeChangedOutcomes();

signals:
    void statesChanged(int routeId);

private:
    struct Report
    {
        qint64 time;
        QPoint position;
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
    struct Route
    {
        qint64 checkOnTime = 0;
        int timeType = 0;
        // The period the states were last judged in; local time is slow to
        // work out, so it is worked out once per period.
        qint64 periodStart = std::numeric_limits<qint64>::max();
        qint64 periodEnd = std::numeric_limits<qint64>::min();
        QList<int> sectionIds;
        QVector<CheckSchedule> schedules;
        QList<QList<ZoneGeometry>> zones;
        QList<int> units;
        QHash<int, Traces> folded;  // per unit: after the reports no longer kept
        QHash<int, Traces> current; // per unit: after every kept report
        QList<QPair<int, int>> states;
        QVector<Outcome> outcomes;
    };
    struct Track
    {
        QList<Report> reports; // time order, at most HistoryLength
        qint64 foldedUpTo = std::numeric_limits<qint64>::min();
    };

    void step(const Route &route, Traces &traces, const Report &report) const;
    void rerun(Route &route, int unitId);
    Outcome sectionOutcome(const Route &route, int section, qint64 now) const;
    void updateStates(int routeId);
    // Keeps the routes of each unit in id order; a unit no route checks any
    // more loses its reports.
    void linkUnit(int unitId, int routeId);
    void unlinkUnit(int unitId, int routeId);

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
