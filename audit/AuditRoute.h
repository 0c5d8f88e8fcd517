#ifndef AUDITROUTE_H
#define AUDITROUTE_H

#include "ZoneGeometry.h"
#include "records/GraphObData.h"
#include "records/RouteRecord.h"
#include "wire/TreeBodies.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <memory>

// A route to audit, wherever it came from: its record (units numbered 1..n
// in the order of unitNames), each section's zones, and its check time.
struct AuditRoute
{
    QString name;
    std::shared_ptr<RouteRecord> record;
    QList<QList<ZoneGeometry>> zones; // per section, in route order
    // The same shapes as graphic objects to store (ids 0), with their look.
    QList<QList<GraphObData>> shapes;
    QStringList unitNames;            // unit id i + 1 is unitNames[i]

    int unitId(const QString &name) const { return unitNames.indexOf(name) + 1; }

    // The route as stored under node nodeId once imported: the file's sections
    // with the ids its shapes got (in file order, section by section), the
    // units found for its names, checking off.
    RouteRecord storedAs(qint32 nodeId, const QList<qint32> &objectIds,
                         const QList<int> &unitIds) const;
    // The ids of the units named, found in a tracked-object tree (the first
    // unit of each name); the names no unit has go to missing.
    QList<int> unitIdsIn(const QList<TreeNode> &units, QStringList *missing) const;
};

#endif // AUDITROUTE_H
