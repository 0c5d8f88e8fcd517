#include "wire/UnitMessages.h"

#include "wire/StreamRead.h"

#include <QDataStream>

#include <cmath>

namespace UnitMessages {

namespace {

// A unit with empty names: three int32, two string lengths, the bool, the
// time, the position and five doubles.
constexpr qint64 MinUnitSize = 3 * 4 + 2 * 4 + 1 + 4 + 2 * 4 + 5 * 8;

QDataStream &prepared(QDataStream &stream)
{
    stream.setVersion(QDataStream::Qt_4_5);
    return stream;
}

// Both NaN counts as the same: "unknown" on both sides.
bool same(double a, double b)
{
    return a == b || (std::isnan(a) && std::isnan(b));
}

// Reads a whole body with read(in, value); nothing unless it ends exactly there.
template <typename T, typename Read>
std::optional<T> readWhole(const QByteArray &body, Read read)
{
    QDataStream in(body);
    prepared(in);
    T value;
    read(in, value);
    if (in.status() != QDataStream::Ok || !in.atEnd())
        return std::nullopt;
    return value;
}

} // namespace

bool UnitStatus::operator==(const UnitStatus &other) const
{
    return same(speed, other.speed) && same(bearing, other.bearing)
           && same(altitude, other.altitude) && same(accuracy, other.accuracy)
           && same(battery, other.battery);
}

bool UnitInfo::operator==(const UnitInfo &other) const
{
    return id == other.id && groupId == other.groupId && name == other.name
           && deviceId == other.deviceId && hasKey == other.hasKey && lastTime == other.lastTime
           && position == other.position && status == other.status;
}

QByteArray unitsBody(const QList<UnitInfo> &units)
{
    QByteArray body;
    QDataStream out(&body, QIODevice::WriteOnly);
    prepared(out) << quint32(units.size());
    for (const UnitInfo &unit : units) {
        out << unit.id << unit.groupId << unit.name << unit.deviceId << unit.hasKey
            << unit.lastTime << qint32(unit.position.x()) << qint32(unit.position.y())
            << unit.status.speed << unit.status.bearing << unit.status.altitude
            << unit.status.accuracy << unit.status.battery;
    }
    return body;
}

std::optional<QList<UnitInfo>> readUnits(const QByteArray &body)
{
    return StreamRead::readCounted<UnitInfo>(
        body, QDataStream::Qt_4_5, MinUnitSize, [](QDataStream &in) {
            UnitInfo unit;
            qint32 x = 0;
            qint32 y = 0;
            in >> unit.id >> unit.groupId >> StreamRead::sized(unit.name)
                >> StreamRead::sized(unit.deviceId) >> unit.hasKey >> unit.lastTime >> x >> y
                >> unit.status.speed >> unit.status.bearing >> unit.status.altitude
                >> unit.status.accuracy >> unit.status.battery;
            unit.position = QPoint(x, y);
            return unit;
        });
}

QByteArray idTextBody(const IdText &value)
{
    QByteArray body;
    QDataStream out(&body, QIODevice::WriteOnly);
    prepared(out) << value.id << value.text;
    return body;
}

std::optional<IdText> readIdText(const QByteArray &body)
{
    return readWhole<IdText>(body, [](QDataStream &in, IdText &value) {
        in >> value.id >> StreamRead::sized(value.text);
    });
}

QByteArray newNodeBody(const NewNode &node)
{
    QByteArray body;
    QDataStream out(&body, QIODevice::WriteOnly);
    prepared(out) << node.parentId << node.name << qint32(node.kind);
    return body;
}

std::optional<NewNode> readNewNode(const QByteArray &body)
{
    qint32 kind = -1;
    std::optional<NewNode> node = readWhole<NewNode>(body, [&kind](QDataStream &in, NewNode &n) {
        in >> n.parentId >> StreamRead::sized(n.name) >> kind;
    });
    if (!node || (kind != NewNode::Group && kind != NewNode::Unit))
        return std::nullopt;
    node->kind = NewNode::Kind(kind);
    return node;
}

QByteArray nodeMoveBody(const NodeMove &move)
{
    QByteArray body;
    QDataStream out(&body, QIODevice::WriteOnly);
    prepared(out) << move.id << move.parentId << move.position;
    return body;
}

std::optional<NodeMove> readNodeMove(const QByteArray &body)
{
    return readWhole<NodeMove>(body, [](QDataStream &in, NodeMove &move) {
        in >> move.id >> move.parentId >> move.position;
    });
}

QByteArray idBody(qint32 id)
{
    QByteArray body;
    QDataStream out(&body, QIODevice::WriteOnly);
    prepared(out) << id;
    return body;
}

std::optional<qint32> readId(const QByteArray &body)
{
    return readWhole<qint32>(body, [](QDataStream &in, qint32 &id) { in >> id; });
}

bool isDeviceId(const QString &text)
{
    if (text.isEmpty() || text.size() > MaxDeviceIdLength)
        return false;
    for (const QChar c : text) {
        if (c.unicode() < 0x20 || c.unicode() > 0x7E)
            return false;
    }
    return true;
}

} // namespace UnitMessages
