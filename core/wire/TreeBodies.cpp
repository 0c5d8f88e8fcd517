#include "wire/TreeBodies.h"

#include "wire/LayerMessages.h"
#include "wire/RouteMessages.h"
#include "wire/WireWriter.h"

#include <QDataStream>

namespace TreeBodies {

namespace {

QByteArray body(const QList<TreeNode> &nodes, Payload payload)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_4_5);
    write(out, nodes, payload);
    return bytes;
}

} // namespace

void writeCount(WireWriter &out, int count)
{
    out.putInt32(count);
}

void writeNodeHead(WireWriter &out, qint32 id, const QString &name, qint32 bits)
{
    out.putInt32(id);
    out.putString(name);
    out.putInt32(bits);
}

void writeRulePayload(QDataStream &out, const RouteRecord *route)
{
    out << bool(route);
    if (route)
        RouteMessages::writeRoute(out, *route);
}

void writeLayerPayload(QDataStream &out, const QList<GraphObData> &objects)
{
    out << qint32(objects.size());
    for (const GraphObData &object : objects)
        WriteGraphObData(out, object);
}

void write(QDataStream &out, const QList<TreeNode> &nodes, Payload payload)
{
    out << qint32(nodes.size());
    for (const TreeNode &node : nodes) {
        out << node.id << node.name << qint32(node.bits);
        write(out, node.children, payload);
        switch (payload) {
        case Payload::Rule:
            writeRulePayload(out, node.route ? &*node.route : nullptr);
            break;
        case Payload::Layer:
            writeLayerPayload(out, node.objects);
            break;
        case Payload::None:
            break;
        }
    }
}

QByteArray ruleTree(const QList<TreeNode> &nodes)
{
    return body(nodes, Payload::Rule);
}

QByteArray layerTree(const QList<TreeNode> &nodes)
{
    return body(nodes, Payload::Layer);
}

QByteArray objectTree(const QList<TreeNode> &nodes)
{
    return body(nodes, Payload::None);
}

} // namespace TreeBodies
