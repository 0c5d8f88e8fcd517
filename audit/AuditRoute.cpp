#include "AuditRoute.h"

#include "records/SectionRecord.h"

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
