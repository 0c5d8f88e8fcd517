#include "ServerZones.h"

#include "wire/Commands.h"
#include "wire/LayerMessages.h"
#include "wire/RouteMessages.h"
#include "wire/UnitMessages.h"

#include <QDataStream>
#include <QTextStream>

ServerZones::ServerZones(const Endpoint &endpoint)
    : m_session(endpoint)
{
}

bool ServerZones::connected(QString *error)
{
    if (!m_connected)
        m_connected = m_session.connectToServer(error);
    return m_connected;
}

bool ServerZones::tree(TreeBodies::Payload payload, QList<TreeNode> *nodes, QString *error)
{
    const char *command = payload == TreeBodies::Payload::Rule    ? Commands::GetRuleTree
                          : payload == TreeBodies::Payload::Layer ? Commands::GetLayerTree
                                                                  : Commands::GetObjectTree;
    QByteArray body;
    if (!connected(error) || !m_session.request(command, {}, &body, error))
        return false;
    const auto read = TreeBodies::read(body, payload);
    if (!read) {
        *error = QStringLiteral("%1: the reply to %2 does not read")
                     .arg(m_session.where(), QLatin1String(command));
        return false;
    }
    *nodes = *read;
    return true;
}

bool ServerZones::requestId(const QByteArray &command, const QByteArray &body, qint32 *id,
                            QString *error)
{
    QByteArray reply;
    if (!m_session.request(command, body, &reply, error))
        return false;
    const std::optional<qint32> read = UnitMessages::readId(reply);
    if (read && *read > 0) {
        *id = *read;
        return true;
    }
    *error = QStringLiteral("%1: the reply to %2 names no id")
                 .arg(m_session.where(), QString::fromLatin1(command));
    return false;
}

bool ServerZones::import(const QString &layer, const QVector<GraphObData> &shapes,
                         QString *error)
{
    qint32 madeLayer = 0;
    QList<qint32> added;
    return addShapes(layer, shapes, &madeLayer, &added, error);
}

bool ServerZones::addShapes(const QString &layer, const QVector<GraphObData> &shapes,
                            qint32 *madeLayer, QList<qint32> *added, QString *error)
{
    QList<TreeNode> layers;
    if (!tree(TreeBodies::Payload::Layer, &layers, error))
        return false;
    qint32 layerId = 0;
    for (const TreeNode &node : layers) {
        if (node.name == layer) {
            layerId = node.id;
            break;
        }
    }
    if (layerId == 0) {
        if (!requestId(Commands::AddGraphLayer, UnitMessages::idTextBody({0, layer}), &layerId,
                       error))
            return false;
        *madeLayer = layerId;
    }
    for (const GraphObData &shape : shapes) {
        qint32 id = 0;
        if (!requestId(Commands::AddGraphObject, LayerMessages::newObjectBody({layerId, shape}),
                       &id, error)) {
            *error = QStringLiteral("shape %1 \"%2\": %3")
                         .arg(added->size() + 1)
                         .arg(shape.name, *error);
            undo(*madeLayer, *added);
            return false;
        }
        added->append(id);
    }
    return true;
}

bool ServerZones::importRoute(const QString &layer, const AuditRoute &route,
                              QStringList *warnings, QString *error)
{
    QList<TreeNode> units;
    if (!tree(TreeBodies::Payload::None, &units, error))
        return false;
    QStringList missing;
    const QList<int> members = route.unitIdsIn(units, &missing);
    for (const QString &name : qAsConst(missing))
        warnings->append(QStringLiteral("no unit is named \"%1\"; the route goes without it")
                             .arg(name));
    QVector<GraphObData> shapes;
    for (const QList<GraphObData> &section : route.shapes)
        shapes += section.toVector();
    qint32 madeLayer = 0;
    QList<qint32> added;
    if (!addShapes(layer, shapes, &madeLayer, &added, error))
        return false;
    qint32 node = 0;
    if (!requestId(Commands::AddRuleNode, UnitMessages::idTextBody({0, route.name}), &node,
                   error)) {
        undo(madeLayer, added);
        return false;
    }
    QByteArray body;
    QDataStream out(&body, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_4_5);
    RouteMessages::writeSaveEntry(out, node, route.storedAs(node, added, members));
    RouteMessages::writeSaveEnd(out, {});
    QByteArray reply;
    if (!m_session.request(Commands::FixRoutes, body, &reply, error)) {
        QString ignored;
        m_session.request(Commands::DeleteRuleNode, UnitMessages::idBody(node), &reply, &ignored);
        undo(madeLayer, added);
        return false;
    }
    return true;
}

void ServerZones::undo(qint32 madeLayer, const QList<qint32> &added)
{
    // A layer this run made goes with its objects; else the objects one by one.
    QByteArray reply;
    QString error;
    if (madeLayer != 0) {
        if (!m_session.request(Commands::DeleteGraphLayer, UnitMessages::idBody(madeLayer),
                               &reply, &error))
            QTextStream(stderr) << "opercheck-gis: " << error << '\n';
        return;
    }
    for (auto id = added.crbegin(); id != added.crend(); ++id) {
        if (!m_session.request(Commands::DeleteGraphObject, UnitMessages::idBody(*id), &reply,
                               &error))
            QTextStream(stderr) << "opercheck-gis: " << error << '\n';
    }
}
