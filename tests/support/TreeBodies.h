#ifndef TREEBODIES_H
#define TREEBODIES_H

// Writers of the server's tree bodies, for tests that link the plug-in's code.
#include "graphobj/GraphObData.h"
#include "routecheck/RouteMessages.h"
#include "routecheck/RouteRecord.h"
#include "routecheck/SectionRecord.h"

#include <QByteArray>
#include <QDataStream>
#include <QList>
#include <QSharedPointer>

namespace TreeBodies {

// One node of a rule or layer tree as the server sends it.
struct Node
{
    qint32 id = 0;
    QString name;
    quint32 bits = 1;
    QList<Node> children;
    QSharedPointer<RouteRecord> route;  // rule tree payload, may be null
    QList<GraphObData> objects;         // layer tree payload
};

inline Node node(qint32 id, const QString &name, quint32 bits, QList<Node> children = {})
{
    Node n;
    n.id = id;
    n.name = name;
    n.bits = bits;
    n.children = children;
    return n;
}

inline SectionRecord *section(int id, const QString &name, QList<int> objects = {},
                              int timeIn = -1, int timeOut = -1)
{
    auto *s = new SectionRecord;
    s->id = id;
    s->name = name;
    s->graphObjectIds = objects;
    s->checkTimeIn = timeIn;
    s->checkTimeOut = timeOut;
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

inline Node withRoute(Node n, QSharedPointer<RouteRecord> r)
{
    n.route = r;
    return n;
}

inline GraphObData object(qint32 id, qint32 type, const QString &name, QList<QPoint> points,
                          QVariantMap properties = {})
{
    GraphObData d;
    d.id = id;
    d.type = type;
    d.name = name;
    d.points = points;
    d.properties = properties;
    return d;
}

inline void writeTree(QDataStream &out, const QList<Node> &nodes, bool layerTree)
{
    out << qint32(nodes.size());
    for (const Node &n : nodes) {
        out << n.id << n.name << n.bits;
        writeTree(out, n.children, layerTree);
        if (layerTree) {
            out << qint32(n.objects.size());
            for (const GraphObData &o : n.objects)
                WriteGraphObData(out, o);
        } else {
            out << bool(n.route);
            if (n.route)
                RouteMessages::writeRoute(out, *n.route);
        }
    }
}

inline QByteArray ruleTree(const QList<Node> &nodes)
{
    QByteArray body;
    QDataStream out(&body, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_4_5);
    writeTree(out, nodes, false);
    return body;
}

inline QByteArray layerTree(const QList<Node> &nodes)
{
    QByteArray body;
    QDataStream out(&body, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_4_5);
    writeTree(out, nodes, true);
    return body;
}

} // namespace TreeBodies

#endif // TREEBODIES_H
