#ifndef TREEBUILDERS_H
#define TREEBUILDERS_H

// Short ways to build the server's trees in tests; the bodies are written by
// the wire's own tree writers.
#include "records/RouteRecord.h"
#include "records/SectionRecord.h"
#include "wire/LayerMessages.h"
#include "wire/RouteMessages.h"
#include "wire/TreeBodies.h"

#include <QList>
#include <QSharedPointer>

namespace TreeBodies {

using Node = TreeNode;

inline Node node(qint32 id, const QString &name, quint32 bits, QList<Node> children = {})
{
    return Node{id, name, bits, children, std::nullopt, {}};
}

inline SectionRecord *section(int id, const QString &name, QList<int> objects = {},
                              int timeIn = -1, int timeOut = -1)
{
    auto *s = new SectionRecord{id, name, objects, timeIn, timeOut, 0, 0, 0, 0, 0, true, true,
                                false, 0};
    s->deriveSchedule();
    return s;
}

inline QSharedPointer<RouteRecord> route(int id, QList<SectionRecord *> sections = {})
{
    QSharedPointer<RouteRecord> r(new RouteRecord(id));
    r->sections = sections;
    r->recomputeMaxSectionId();
    return r;
}

inline Node layer(qint32 id, const QString &name, quint32 bits, QList<GraphObData> objects,
                  QList<Node> children = {})
{
    return Node{id, name, bits, children, std::nullopt, objects};
}

// The node carries a copy of the route as it is now.
inline Node withRoute(Node n, QSharedPointer<RouteRecord> r)
{
    if (r)
        n.route = *r;
    return n;
}

inline GraphObData object(qint32 id, qint32 type, const QString &name, QList<QPoint> points,
                          QVariantMap properties = {})
{
    return GraphObData{id, type, name, points, properties};
}

} // namespace TreeBodies

#endif // TREEBUILDERS_H
