#ifndef LIVEMESSAGES_H
#define LIVEMESSAGES_H

#include <QByteArray>
#include <QList>
#include <QMetaType>
#include <QPoint>
#include <QString>

#include <optional>

// The host-level live messages between the route-check server and the host:
// unit positions and the check events the server records. Bodies are Qt_4_5
// data streams, big-endian. Readers are strict: a body that does not read
// exactly to its end is refused whole, and a count never sizes memory beyond
// what the body can hold.
namespace LiveMessages {

// One fix of a tracked unit: x longitude, y latitude in 1e-7 degree; time in
// seconds since 1970-01-01 UTC.
struct PositionReport
{
    qint32 unitId = 0;
    quint32 time = 0;
    QPoint position;

    bool operator==(const PositionReport &other) const
    {
        return unitId == other.unitId && time == other.time && position == other.position;
    }
};

// A unit entering (TimeIn) or leaving (TimeOut) a section whose message switch
// is on. deviation: seconds before (negative) or after (positive) the window,
// 0 within it or when the section has no schedule.
struct CheckEvent
{
    enum Kind { TimeIn = 0, TimeOut = 1 };

    qint32 id = 0;
    quint32 time = 0;
    qint32 routeId = 0;
    QString routeName;
    qint32 sectionId = 0;
    QString sectionName;
    qint32 unitId = 0;
    QString unitName;
    qint32 kind = TimeIn;
    qint32 deviation = 0;
    // Not on the wire: the start of the round judged. With the route, the
    // section and the kind, what makes an event one of a kind.
    qint64 roundStart = 0;

    bool operator==(const CheckEvent &other) const;
};

// count (uint32), then per report: unit id, time (uint32), x, y (int32).
QByteArray positionsBody(const QList<PositionReport> &reports);
std::optional<QList<PositionReport>> readPositions(const QByteArray &body);

// count (uint32), then per event: id, time (uint32), route id, route name,
// section id, section name, unit id, unit name, kind, deviation.
QByteArray eventsBody(const QList<CheckEvent> &events);
std::optional<QList<CheckEvent>> readEvents(const QByteArray &body);

// "Get_check_events" request: how many of the newest events (int32).
QByteArray eventsRequestBody(int limit);
std::optional<int> readEventsRequest(const QByteArray &body);

// One figure of the server's counters: a stable name and its value.
struct ServerStat
{
    QString name;
    qint64 value = 0;

    bool operator==(const ServerStat &other) const
    {
        return name == other.name && value == other.value;
    }
};

// "Get_server_stats" reply: count (uint32), then per figure its name
// (QString) and value (int64). The request is empty.
QByteArray statsBody(const QList<ServerStat> &stats);
std::optional<QList<ServerStat>> readStats(const QByteArray &body);

// "+4 min", "-2 min", "0 min": a deviation in whole minutes, rounded away
// from zero so that a second late never reads as on time.
QString deviationText(qint32 seconds);

} // namespace LiveMessages

Q_DECLARE_METATYPE(LiveMessages::PositionReport)

#endif // LIVEMESSAGES_H
