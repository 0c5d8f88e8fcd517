#ifndef TREEBODIES_H
#define TREEBODIES_H

#include "records/GraphObData.h"
#include "records/RouteRecord.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

class QDataStream;
class WireWriter;

// One node of a tree as the server sends it: the rule tree carries a route on
// some nodes, the layer tree graphic objects on any node.
struct TreeNode
{
    qint32 id = 0;
    QString name;
    quint32 bits = 1; // the rule tree's type bits; the tracked-object tree's kind
    QList<TreeNode> children;
    std::optional<RouteRecord> route; // rule tree payload
    QList<GraphObData> objects;       // layer tree payload
};

// Writers of the tree replies: node count (int32), then per node its id
// (int32), name (QString), bits (int32), its children as a tree, and its
// payload: for the rule tree a bool and, when true, the route; for the layer
// tree an object count (int32) and the objects; the tracked-object tree has none.
// Streams are Qt_4_5, big-endian, as everywhere on the wire.
namespace TreeBodies {

enum class Payload { Rule, Layer, None };

// The pieces, for writers that stream nodes from elsewhere (the server's tables).
void writeCount(WireWriter &out, int count);
void writeNodeHead(WireWriter &out, qint32 id, const QString &name, qint32 bits);
void writeRulePayload(QDataStream &out, const RouteRecord *route);
void writeLayerPayload(QDataStream &out, const QList<GraphObData> &objects);

void write(QDataStream &out, const QList<TreeNode> &nodes, Payload payload);

QByteArray ruleTree(const QList<TreeNode> &nodes);
QByteArray layerTree(const QList<TreeNode> &nodes);
QByteArray objectTree(const QList<TreeNode> &nodes);

// Nodes nest at most this deep (a tree's own top level counts as the first):
// deeper is a corrupt body, as the panel takes it.
inline constexpr int MaxDepth = 64;

// The nodes of a whole tree reply, read strictly: nothing when the body is
// cut short, nests deeper than MaxDepth, has a count it cannot hold, a record
// or route that does not read, or bytes left over.
std::optional<QList<TreeNode>> read(const QByteArray &body, Payload payload);

} // namespace TreeBodies

#endif // TREEBODIES_H
