#ifndef UNITSIMULATOR_H
#define UNITSIMULATOR_H

#include "ZoneGeometry.h"

#include "calendar/RoundCalendar.h"

#include <QList>
#include <QMap>
#include <QString>

#include <memory>

class RouteRecord;

namespace LiveMessages {
struct PositionReport;
}

// Drives the tracked units of a set of routes along their sections, so that
// the server has believable positions to check without a host. Pure: the
// position of a unit is a function of the routes and the time asked for, so
// every call with the same input answers the same.
//
// A unit drives one route: the first checked route it belongs to, else the
// first route. On a checked route with windows it keeps to them: it goes into
// a section around the window's nominal entry time, drives along it, comes
// out around the nominal exit time and waits at a rest point off the route
// until the next one; before the first window and after the last it waits at
// the rest point after the last section. Sections without a window follow
// the last windowed one at a steady pace. Unchecked routes, and checked ones
// without any window, are driven round and round at that pace; the units of
// such a route are spread evenly over the round.
//
// Where it goes is planned once per route: a path inside each section and
// clear of the route's other sections, a crossing point beside the path at
// either end, and a rest point a few hundred metres off the route between
// sections, every leg sampled against the route's zones.
class UnitSimulator
{
public:
    // By the route's place in the list plus the unit's place in the route,
    // modulo three. Profiles shape only the sections with windows.
    enum class Profile {
        OnTime,  // crosses inside each window
        Late,    // enters each section some LateSeconds after its entry window closed
        Skipping // leaves out the second windowed section (with fewer, none)
    };
    static constexpr qint64 LateSeconds = 180;

    // Seconds after the period's reference time (see CheckSchedule).
    struct Window
    {
        qint64 opens = 0;
        qint64 nominal = 0;
        qint64 closes = 0;
    };
    struct Section
    {
        int id = 0;
        bool scheduled = false; // its windows are on (see CheckSchedule::isOn)
        Window entry;
        Window exit;
        QList<ZoneGeometry> zones;
    };
    struct Route
    {
        int id = 0;
        QList<int> units;
        int timeType = 0;
        bool checkOn = false;
        qint64 checkTime = 0;
        QList<Section> sections;
    };

    // The record's fields the simulator needs; zones[i] are its i-th section's.
    static Route fromRecord(const RouteRecord &record, const QList<QList<ZoneGeometry>> &zones);
    static QString profileName(Profile profile);

    // Rounds of the periodic check types follow calendar's days, weeks and months.
    explicit UnitSimulator(const RoundCalendar &calendar = RoundCalendar());
    ~UnitSimulator();

    // Replaces the routes and plans the units' ways anew.
    void setRoutes(const QList<Route> &routes);

    // Units that have somewhere to drive, in id order; a unit whose route has
    // no section it can enter is left out.
    QList<int> units() const;
    Profile profile(int unitId) const;
    // The route a unit drives; 0 for one not simulated.
    int routeOf(int unitId) const;

    // One report per simulated unit, in id order. Times are clamped to what
    // a report can carry.
    QList<LiveMessages::PositionReport> positionsAt(qint64 time) const;

private:
    struct Itinerary; // where one unit drives, see UnitSimulator.cpp
    struct Unit
    {
        int routeIndex = 0;
        Profile profile = Profile::OnTime;
        double phase = 0.0; // how far behind the route's first unit, as a share of a round
        std::shared_ptr<const Itinerary> itinerary;
    };

    RoundCalendar m_calendar;
    QList<Route> m_routes;
    QMap<int, Unit> m_units;
};

#endif // UNITSIMULATOR_H
