#include "wire/LiveMessages.h"

#include "wire/StreamRead.h"

#include <QCoreApplication>
#include <QDataStream>

namespace LiveMessages {

namespace {

constexpr qint64 ReportSize = 16;
// An event with four empty names: eight int32 fields and three string lengths.
constexpr qint64 MinEventSize = 8 * 4 + 3 * 4;
// A figure with an empty name: its length and the value.
constexpr qint64 MinStatSize = 4 + 8;

QDataStream &prepared(QDataStream &stream)
{
    stream.setVersion(QDataStream::Qt_4_5);
    return stream;
}

template <typename T, typename ReadOne>
std::optional<QList<T>> readCounted(const QByteArray &body, qint64 minItemSize, ReadOne readOne)
{
    return StreamRead::readCounted<T>(body, QDataStream::Qt_4_5, minItemSize, readOne);
}

} // namespace

bool CheckEvent::operator==(const CheckEvent &other) const
{
    return id == other.id && time == other.time && routeId == other.routeId
           && routeName == other.routeName && sectionId == other.sectionId
           && sectionName == other.sectionName && unitId == other.unitId
           && unitName == other.unitName && kind == other.kind && deviation == other.deviation;
}

QByteArray positionsBody(const QList<PositionReport> &reports)
{
    QByteArray body;
    body.reserve(4 + int(ReportSize) * reports.size());
    QDataStream out(&body, QIODevice::WriteOnly);
    prepared(out) << quint32(reports.size());
    for (const PositionReport &r : reports)
        out << r.unitId << r.time << qint32(r.position.x()) << qint32(r.position.y());
    return body;
}

std::optional<QList<PositionReport>> readPositions(const QByteArray &body)
{
    return readCounted<PositionReport>(body, ReportSize, [](QDataStream &in) {
        PositionReport r;
        qint32 x = 0;
        qint32 y = 0;
        in >> r.unitId >> r.time >> x >> y;
        r.position = QPoint(x, y);
        return r;
    });
}

QByteArray statsBody(const QList<ServerStat> &stats)
{
    QByteArray body;
    QDataStream out(&body, QIODevice::WriteOnly);
    prepared(out) << quint32(stats.size());
    for (const ServerStat &stat : stats)
        out << stat.name << stat.value;
    return body;
}

std::optional<QList<ServerStat>> readStats(const QByteArray &body)
{
    return readCounted<ServerStat>(body, MinStatSize, [](QDataStream &in) {
        ServerStat stat;
        in >> StreamRead::sized(stat.name) >> stat.value;
        return stat;
    });
}

QByteArray eventsBody(const QList<CheckEvent> &events)
{
    QByteArray body;
    QDataStream out(&body, QIODevice::WriteOnly);
    prepared(out) << quint32(events.size());
    for (const CheckEvent &e : events) {
        out << e.id << e.time << e.routeId << e.routeName << e.sectionId << e.sectionName
            << e.unitId << e.unitName << e.kind << e.deviation;
    }
    return body;
}

std::optional<QList<CheckEvent>> readEvents(const QByteArray &body)
{
    return readCounted<CheckEvent>(body, MinEventSize, [](QDataStream &in) {
        CheckEvent e;
        in >> e.id >> e.time >> e.routeId >> StreamRead::sized(e.routeName) >> e.sectionId
            >> StreamRead::sized(e.sectionName) >> e.unitId >> StreamRead::sized(e.unitName)
            >> e.kind >> e.deviation;
        return e;
    });
}

QByteArray eventsRequestBody(int limit)
{
    QByteArray body;
    QDataStream out(&body, QIODevice::WriteOnly);
    prepared(out) << qint32(limit);
    return body;
}

std::optional<int> readEventsRequest(const QByteArray &body)
{
    QDataStream in(body);
    prepared(in);
    qint32 value = 0;
    in >> value;
    if (in.status() != QDataStream::Ok || !in.atEnd())
        return std::nullopt;
    return value;
}

QString deviationText(qint32 seconds)
{
    const qint64 s = seconds;
    const qint64 minutes = s >= 0 ? (s + 59) / 60 : -((-s + 59) / 60);
    const QString number = minutes > 0 ? QStringLiteral("+%1").arg(minutes)
                                       : QString::number(minutes);
    // The host's catalogue carries the unit.
    return QCoreApplication::translate("LiveMessages", "%1 min").arg(number);
}

} // namespace LiveMessages
