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

// A node is at least its id, name length, bits and child count.
constexpr qint64 NodeWireSize = 4 * sizeof(qint32);

// The route and record readers stop quietly at a count the body cannot
// hold: what they read must write back to exactly the bytes they took.
template <typename Write>
bool writesBack(QDataStream &in, const QByteArray &body, qint64 from, Write write)
{
    QByteArray again;
    QDataStream out(&again, QIODevice::WriteOnly);
    out.setVersion(in.version());
    write(out);
    return in.status() == QDataStream::Ok
           && body.mid(int(from), int(in.device()->pos() - from)) == again;
}

// The node's payload, in reading body.
bool readPayload(QDataStream &in, const QByteArray &body, Payload payload, TreeNode *node)
{
    switch (payload) {
    case Payload::Rule: {
        bool hasRoute = false;
        in >> hasRoute;
        if (hasRoute) {
            const qint64 from = in.device()->pos();
            const std::unique_ptr<RouteRecord> route(RouteMessages::readRoute(in));
            const auto write = [&](QDataStream &out) { RouteMessages::writeRoute(out, *route); };
            if (!writesBack(in, body, from, write))
                return false;
            node->route = *route;
        }
        break;
    }
    case Payload::Layer: {
        qint32 count = 0;
        in >> count;
        if (count < 0)
            return false;
        for (qint32 i = 0; i < count; ++i) {
            const qint64 from = in.device()->pos();
            const std::unique_ptr<GraphObData> object(ReadGraphObData(in));
            const auto write = [&](QDataStream &out) { WriteGraphObData(out, *object); };
            if (!writesBack(in, body, from, write))
                return false;
            node->objects.append(*object);
        }
        break;
    }
    case Payload::None:
        break;
    }
    return in.status() == QDataStream::Ok;
}

bool readNodes(QDataStream &in, const QByteArray &body, Payload payload, int depth,
               QList<TreeNode> *nodes)
{
    if (depth >= MaxDepth)
        return false;
    qint32 count = 0;
    in >> count;
    if (in.status() != QDataStream::Ok || count < 0
        || qint64(count) > StreamRead::bytesLeft(in) / NodeWireSize)
        return false;
    nodes->reserve(count);
    for (qint32 i = 0; i < count; ++i) {
        TreeNode node;
        qint32 bits = 0;
        in >> node.id >> StreamRead::sized(node.name) >> bits;
        node.bits = quint32(bits);
        if (in.status() != QDataStream::Ok
            || !readNodes(in, body, payload, depth + 1, &node.children)
            || !readPayload(in, body, payload, &node))
            return false;
        nodes->append(std::move(node));
    }
    return true;
}

} // namespace

std::optional<QList<TreeNode>> read(const QByteArray &body, Payload payload)
{
    QDataStream in(body);
    in.setVersion(QDataStream::Qt_4_5);
    QList<TreeNode> nodes;
    if (!readNodes(in, body, payload, 0, &nodes) || in.status() != QDataStream::Ok
        || !in.atEnd())
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
