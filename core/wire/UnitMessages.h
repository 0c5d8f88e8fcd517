#ifndef UNITMESSAGES_H
#define UNITMESSAGES_H

#include <QByteArray>
#include <QList>
#include <QPoint>
#include <QString>

#include <limits>
#include <optional>

// The units' own exchange: what a unit is, which device reports for it and
// what that device last said. Bodies are Qt_4_5 data streams, read strictly
// like the live messages.
namespace UnitMessages {

inline constexpr double Unknown = std::numeric_limits<double>::quiet_NaN();

// What a device said besides its position; NaN where it said nothing. Shown,
// stored, never used to judge a fix.
struct UnitStatus
{
    double speed = Unknown;    // m/s
    double bearing = Unknown;  // degrees from north, clockwise
    double altitude = Unknown; // metres
    double accuracy = Unknown; // metres
    double battery = Unknown;  // percent

    bool operator==(const UnitStatus &other) const;
};

// One unit as "Get_units" lists it. lastTime 0: it never reported.
struct UnitInfo
{
    qint32 id = 0;
    qint32 groupId = 0; // 0: top level
    QString name;
    QString deviceId; // empty: none
    bool hasKey = false;
    quint32 lastTime = 0; // seconds since 1970-01-01 UTC
    QPoint position;      // x longitude, y latitude in 1e-7 degree
    UnitStatus status;

    bool operator==(const UnitInfo &other) const;
};

// "Get_units" reply: count (uint32), then per unit id, group id (int32), name,
// device id (QString), has key (bool), last time (uint32), x, y (int32),
// speed, bearing, altitude, accuracy, battery (double). The request is empty.
QByteArray unitsBody(const QList<UnitInfo> &units);
std::optional<QList<UnitInfo>> readUnits(const QByteArray &body);

// An id and a text: "Set_unit_device" (unit id, device id), "Set_unit_key"
// (unit id, key), "Rename_unit_node" and "Rename_rule_node" (node id, name),
// "Add_rule_node" (parent id, name).
struct IdText
{
    qint32 id = 0;
    QString text;

    bool operator==(const IdText &other) const { return id == other.id && text == other.text; }
};
QByteArray idTextBody(const IdText &value);
std::optional<IdText> readIdText(const QByteArray &body);

// "Add_unit_node": parent id (int32, 0 for top level), name (QString), kind
// (int32: 0 group, 1 unit). Its reply carries the new node's id (int32).
struct NewNode
{
    enum Kind : qint32 { Group = 0, Unit = 1 };

    qint32 parentId = 0;
    QString name;
    Kind kind = Unit;

    bool operator==(const NewNode &other) const
    {
        return parentId == other.parentId && name == other.name && kind == other.kind;
    }
};
QByteArray newNodeBody(const NewNode &node);
std::optional<NewNode> readNewNode(const QByteArray &body);

// "Move_unit_node" and "Move_rule_node": id, new parent id (0 for top level),
// position among the new siblings (int32, -1 for last).
struct NodeMove
{
    qint32 id = 0;
    qint32 parentId = 0;
    qint32 position = -1;

    bool operator==(const NodeMove &other) const
    {
        return id == other.id && parentId == other.parentId && position == other.position;
    }
};
QByteArray nodeMoveBody(const NodeMove &move);
std::optional<NodeMove> readNodeMove(const QByteArray &body);

// One int32: "Delete_unit_node", "Delete_rule_node" and their replies, the
// "Add_unit_node" and "Add_rule_node" replies.
QByteArray idBody(qint32 id);
std::optional<qint32> readId(const QByteArray &body);

// A device id or key as units carry them: 1 to 64 printable ASCII
// characters (space to tilde), compared case-sensitively.
inline constexpr int MaxDeviceIdLength = 64;
bool isDeviceId(const QString &text);

} // namespace UnitMessages

#endif // UNITMESSAGES_H
