#include "wire/TreeBodies.h"

#include "wire/LayerMessages.h"
#include "wire/RouteMessages.h"
#include "wire/StreamRead.h"
#include "wire/WireWriter.h"

#include <QDataStream>

#include <memory>

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

bool readLevel(QDataStream &in, QList<TreeNode> *nodes, Payload payload, int depth)
{
    qint32 count = 0;
    in >> count;
    if (in.status() != QDataStream::Ok || count < 0 || (count > 0 && depth >= MaxDepth))
        return false;
    for (qint32 i = 0; i < count && StreamRead::canRead(in); ++i) {
        TreeNode node;
        qint32 bits = 0;
        in >> node.id >> StreamRead::sized(node.name) >> bits;
        node.bits = quint32(bits);
        if (!readLevel(in, &node.children, payload, depth + 1))
            return false;
        if (payload == Payload::Rule) {
            bool hasRoute = false;
            in >> hasRoute;
            if (hasRoute) {
                const std::unique_ptr<RouteRecord> route(RouteMessages::readRoute(in));
                node.route = *route;
            }
        } else if (payload == Payload::Layer) {
            qint32 objects = 0;
            in >> objects;
            if (objects < 0)
                return false;
            for (qint32 o = 0; o < objects && StreamRead::canRead(in); ++o) {
                const std::unique_ptr<GraphObData> object(ReadGraphObData(in));
                node.objects.append(*object);
            }
            if (node.objects.size() != objects)
                return false;
        }
        if (in.status() != QDataStream::Ok)
            return false;
        nodes->append(node);
    }
    return nodes->size() == count;
}

} // namespace

std::optional<QList<TreeNode>> read(const QByteArray &body, Payload payload)
{
    QDataStream in(body);
    in.setVersion(QDataStream::Qt_4_5);
    QList<TreeNode> nodes;
    if (!readLevel(in, &nodes, payload, 0) || in.status() != QDataStream::Ok || !in.atEnd())
        return std::nullopt;
    return nodes;
}

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
