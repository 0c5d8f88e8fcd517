#ifndef OBJECTSMODEL_H
#define OBJECTSMODEL_H

#include <PluginHost.h>

#include <QHash>
#include <QStandardItemModel>

#include <memory>
#include <unordered_map>

class QByteArray;
class QDataStream;

// The host's tracked units, as PluginHost::GetObjectsModel hands them out:
// groups and units by name, each unit's item carrying role 33 = pointer to its
// TrackedObject (as qlonglong). The records are this model's; they outlive
// every item that points at them. A second column shows when each unit last
// reported its position; plug-ins walk the first column only.
class ObjectsModel : public QStandardItemModel
{
    Q_OBJECT

public:
    static constexpr int RecordRole = 33;
    // Deeper levels are not read: every level is a recursion of the reader.
    static constexpr int MaxDepth = 256;

    enum class Kind { Group = 0, Unit = 1 };
    static constexpr int LastReportColumn = 1;

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

    // time: seconds since 1970 UTC, shown as local "hh:mm:ss". Kept across loads,
    // also for a unit not in the tree yet.
    void setLastReport(qint32 id, quint32 time);

private:
    bool readLevel(QDataStream &in, QStandardItem *parent, int depth);
    void setHeaders();
    void showLastReport(QStandardItem *cell, qint32 id) const;
    TrackedObject *recordFor(qint32 id, const QString &name);

    // A unit keeps its record, and so its address, from one load to the next.
    std::unordered_map<qint32, std::unique_ptr<TrackedObject>> m_records;
    QHash<qint32, quint32> m_lastReports;
};

#endif // OBJECTSMODEL_H
