#include "ShapeLink.h"

#include "ServerConnection.h"

#include <PluginInterface.h>

#include "wire/Commands.h"
#include "wire/LayerMessages.h"
#include "wire/RouteMessages.h"
#include "wire/UnitMessages.h"

#include <QCoreApplication>
#include <QDataStream>

ShapeLink::ShapeLink(ServerConnection *connection, QObject *parent)
    : QObject(parent)
    , m_connection(connection)
{
    connect(connection, &ServerConnection::hostReply, this, &ShapeLink::onReply);
    connect(connection, &ServerConnection::requestFailed, this, &ShapeLink::onFailure);
    connect(connection, &ServerConnection::disconnected, this, &ShapeLink::failAll);
}

ShapeLink::~ShapeLink() = default;

void ShapeLink::save(qint32 layerId, const GraphObData &record, Done done)
{
    if (record.id == 0)
        send(Commands::AddGraphObject, LayerMessages::newObjectBody({layerId, record}),
             std::move(done));
    else
        send(Commands::ChangeGraphObject, LayerMessages::recordBody(record), std::move(done));
}

void ShapeLink::remove(qint32 objectId, Done done)
{
    send(Commands::DeleteGraphObject, UnitMessages::idBody(objectId), std::move(done));
}

void ShapeLink::addLayer(const QString &name, Done done)
{
    send(Commands::AddGraphLayer, UnitMessages::idTextBody({0, name}), std::move(done));
}

void ShapeLink::removeLayer(qint32 layerId, Done done)
{
    send(Commands::DeleteGraphLayer, UnitMessages::idBody(layerId), std::move(done));
}

void ShapeLink::addRuleNode(const QString &name, Done done)
{
    send(Commands::AddRuleNode, UnitMessages::idTextBody({0, name}), std::move(done));
}

void ShapeLink::removeRuleNode(qint32 nodeId, Done done)
{
    send(Commands::DeleteRuleNode, UnitMessages::idBody(nodeId), std::move(done));
}

void ShapeLink::saveRoute(const RouteRecord &route, Done done)
{
    QByteArray body;
    QDataStream out(&body, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_4_5);
    RouteMessages::writeSaveEntry(out, route.id, route);
    RouteMessages::writeSaveEnd(out, {});
    // The reply carries nothing: done hears of the route's node.
    const qint32 nodeId = route.id;
    send(Commands::FixRoutes, body, [done, nodeId](qint32, const QString &error) {
        done(error.isEmpty() ? nodeId : 0, error);
    });
}

void ShapeLink::readLayers(TreeDone done)
{
    readTree(Commands::GetLayerTree, std::move(done));
}

void ShapeLink::readTree(const QByteArray &command, TreeDone done)
{
    // Without a link the request would go nowhere, and its answer never come.
    if (!m_connection->isConnected()) {
        done(QByteArray());
        return;
    }
    m_treeWaiting[command].enqueue(std::move(done));
    m_connection->sendHostRequest(command);
}

void ShapeLink::send(const QByteArray &command, const QByteArray &body, Done done)
{
    if (!m_connection->isConnected()) {
        done(0, QCoreApplication::translate("ShapeLink", "the server is not connected"));
        return;
    }
    m_waiting[command].enqueue(std::move(done));
    m_connection->sendHostRequest(command, body);
}

void ShapeLink::onReply(const QByteArray &command, const QByteArray &body)
{
    if (auto trees = m_treeWaiting.find(command); trees != m_treeWaiting.end()) {
        if (!trees->isEmpty())
            trees->dequeue()(body);
        return;
    }
    auto waiting = m_waiting.find(command);
    if (waiting == m_waiting.end() || waiting->isEmpty())
        return;
    const Done done = waiting->dequeue();
    qint32 id = 0;
    if (command == Commands::ChangeGraphObject) {
        const auto record = LayerMessages::readRecord(body);
        id = record ? record->id : 0;
    } else {
        id = UnitMessages::readId(body).value_or(0);
    }
    const bool rules = command == Commands::AddRuleNode || command == Commands::DeleteRuleNode
                       || command == Commands::FixRoutes;
    if (rules)
        emit rulesChanged();
    else
        emit layersChanged();
    done(id, QString());
}

void ShapeLink::onFailure(const RequestFailure &failure, PluginInterface *plugin)
{
    if (plugin)
        return;
    if (auto trees = m_treeWaiting.find(failure.command); trees != m_treeWaiting.end()) {
        if (!trees->isEmpty())
            trees->dequeue()(QByteArray());
        return;
    }
    auto waiting = m_waiting.find(failure.command);
    if (waiting != m_waiting.end() && !waiting->isEmpty())
        waiting->dequeue()(0, failure.reason);
}

void ShapeLink::failAll(const QString &reason)
{
    const auto waiting = std::exchange(m_waiting, {});
    for (QQueue<Done> queue : waiting) {
        while (!queue.isEmpty())
            queue.dequeue()(0, reason);
    }
    const auto trees = std::exchange(m_treeWaiting, {});
    for (const QQueue<TreeDone> &queue : trees) {
        for (const TreeDone &done : queue)
            done(QByteArray());
    }
}
