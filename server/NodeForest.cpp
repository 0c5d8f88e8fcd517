#include "NodeForest.h"

#include "wire/TreeBodies.h"

#include "Database.h"
#include "ServerLog.h"

#include <QDataStream>
#include <QSqlQuery>
#include <QVariant>

bool NodeForest::load(const Database &db, const char *table, const char *tagColumn)
{
    m_children.clear();
    m_size = 0;
    QSqlQuery query(db.connection());
    query.setForwardOnly(true);
    const QString sql = QStringLiteral("SELECT id, parent_id, name, %1 FROM %2"
                                       " ORDER BY sort_order, id")
                            .arg(QLatin1String(tagColumn), QLatin1String(table));
    if (!query.exec(sql)) {
        Database::warnFailure("reading a node table", query);
        return false;
    }
    while (query.next()) {
        Node node;
        // Integers come as 64-bit: read as such, not through a conversion.
        node.id = qint32(query.value(0).toLongLong());
        node.name = query.value(2).toString();
        node.tag = qint32(query.value(3).toLongLong());
        m_children[qint32(query.value(1).toLongLong())].append(node);
        ++m_size;
    }
    return true;
}

void NodeForest::write(QDataStream &out, const PayloadWriter &payload) const
{
    writeLevel(out, 0, 0, payload);
}

void NodeForest::writeLevel(QDataStream &out, qint32 parentId, int depth,
                            const PayloadWriter &payload) const
{
    const auto found = m_children.constFind(parentId);
    if (found == m_children.constEnd() || depth >= MaxDepth) {
        if (found != m_children.constEnd())
            qCWarning(lcServer) << "nodes below" << parentId << "are deeper than" << MaxDepth
                                << "levels and are not sent";
        TreeBodies::writeCount(out, 0);
        return;
    }
    const QVector<Node> &nodes = found.value();
    TreeBodies::writeCount(out, nodes.size());
    for (const Node &node : nodes) {
        TreeBodies::writeNodeHead(out, node.id, node.name, node.tag);
        writeLevel(out, node.id, depth + 1, payload);
        if (payload)
            payload(out, node.id);
    }
}
