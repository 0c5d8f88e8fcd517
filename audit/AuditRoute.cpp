#include "AuditRoute.h"

#include "records/SectionRecord.h"

#include <QHash>

#include <functional>

RouteRecord AuditRoute::storedAs(qint32 nodeId, const QList<qint32> &objectIds,
                                 const QList<int> &unitIds) const
{
    RouteRecord stored(*record);
    stored.id = nodeId;
    stored.checkOn = 0; // the operator switches it on
    stored.objects = unitIds;
    int next = 0;
    for (int s = 0; s < stored.sections.size() && s < shapes.size(); ++s) {
        QList<int> ids;
        for (int i = 0; i < shapes.at(s).size(); ++i)
            ids.append(objectIds.value(next++));
        stored.sections[s]->graphObjectIds = ids;
    }
    return stored;
}

QList<int> AuditRoute::unitIdsIn(const QList<TreeNode> &units, QStringList *missing) const
{
    QHash<QString, qint32> byName;
    const std::function<void(const QList<TreeNode> &)> index = [&](const QList<TreeNode> &nodes) {
        for (const TreeNode &node : nodes) {
            // Kind 1: a unit; groups hold them.
            if (node.bits == 1 && !byName.contains(node.name))
                byName.insert(node.name, node.id);
            index(node.children);
        }
    };
    index(units);
    QList<int> ids;
    for (const QString &name : unitNames) {
        if (byName.contains(name))
            ids.append(byName.value(name));
        else
            missing->append(name);
    }
    return ids;
}
