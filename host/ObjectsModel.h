#ifndef OBJECTSMODEL_H
#define OBJECTSMODEL_H

#include <PluginHost.h>

#include "wire/UnitMessages.h"

#include <QHash>
#include <QStandardItemModel>

#include <memory>
#include <unordered_map>

class QByteArray;
class QDataStream;

// The host's tracked units, as PluginHost::GetObjectsModel hands them out:
// groups and units by name, each unit's item carrying role 33 = pointer to its
// TrackedObject (as qlonglong). The records are this model's; they outlive
// every item that points at them. The other columns show each unit's device,
// when it last reported, how long ago that was and what its device last said;
// plug-ins walk the first column only.
class ObjectsModel : public QStandardItemModel
{
    Q_OBJECT

public:
    static constexpr int RecordRole = 33;
    // Deeper levels are not read: every level is a recursion of the reader.
    static constexpr int MaxDepth = 256;

    // On every item of the first column: the node's id and kind.
    static constexpr int NodeIdRole = Qt::UserRole + 1;
    static constexpr int KindRole = Qt::UserRole + 2;

    enum class Kind { Group = 0, Unit = 1 };
    enum Column { NameColumn, DeviceColumn, LastReportColumn, AgeColumn, StatusColumn,
                  ColumnCount };

    explicit ObjectsModel(QObject *parent = nullptr);
    ~ObjectsModel() override;

    // Replaces the contents with a "Get_tree_objects" reply body: node count
    // (int32), then per node id (int32), name (QString), kind (int32) and its
    // children the same way. A body cut short keeps what was read before the
    // cut and returns false.
    bool load(const QByteArray &body);

    // The record of a unit id, or null.
    const TrackedObject *record(qint32 id) const;
    int unitCount() const { return int(m_records.size()); }

    // time: seconds since 1970 UTC, shown as local date and time. Kept across
    // loads, also for a unit not in the tree yet.
    void setLastReport(qint32 id, quint32 time);
    // Takes a "Get_units" reply: devices, statuses, and last reports newer
    // than the ones known. False, keeping everything, when it does not read.
    bool loadUnits(const QByteArray &body);
    // The "Get_units" entry of a unit, or null.
    const UnitMessages::UnitInfo *unitInfo(qint32 id) const;
    // Shows every unit's age again, as of now.
    void refreshAges();

    // "12 s", "5 min", "3 h", "2 d".
    static QString ageText(qint64 seconds);
    // Speed in km/h and battery, what of them is known.
    static QString statusText(const UnitMessages::UnitStatus &status);

private:
    bool readLevel(QDataStream &in, QStandardItem *parent, int depth);
    void setHeaders();
    // Fills the cells beside every item of the unit id, or of every unit (0).
    void showUnits(qint32 id);
    void showUnit(QStandardItem *parent, int row, qint32 id) const;
    TrackedObject *recordFor(qint32 id, const QString &name);

    // A unit keeps its record, and so its address, from one load to the next.
    std::unordered_map<qint32, std::unique_ptr<TrackedObject>> m_records;
    QHash<qint32, quint32> m_lastReports;
    QHash<qint32, UnitMessages::UnitInfo> m_units;
};

#endif // OBJECTSMODEL_H
