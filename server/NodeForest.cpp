#include "NodeForest.h"

#include "wire/TreeBodies.h"
#include "wire/WireWriter.h"

#include "Database.h"
#include "ServerLog.h"
#include "SqlDialect.h"

#include <QSqlQuery>
#include <QVariant>

#include <algorithm>

namespace {

bool byParent(const NodeForest::Node &a, const NodeForest::Node &b)
{
    return a.parentId < b.parentId;
}

} // namespace

bool NodeForest::load(const Database &db, const char *table, const char *tagColumn)
{
    m_nodes.clear();
    QSqlQuery query(db.connection());
    SqlDialect::readOnce(query);
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
        node.parentId = qint32(query.value(1).toLongLong());
        node.name = query.value(2).toString();
        node.tag = qint32(query.value(3).toLongLong());
        m_nodes.append(node);
    }
    // Stable: siblings keep the stored order.
    std::stable_sort(m_nodes.begin(), m_nodes.end(), byParent);
    return true;
}

void NodeForest::write(WireWriter &out, const PayloadWriter &payload) const
{
    writeLevel(out, 0, 0, payload);
}

void NodeForest::writeLevel(WireWriter &out, qint32 parentId, int depth,
                            const PayloadWriter &payload) const
{
    Node key;
    key.parentId = parentId;
    const auto children = std::equal_range(m_nodes.cbegin(), m_nodes.cend(), key, byParent);
    const int count = int(children.second - children.first);
    if (count > 0 && depth >= MaxDepth) {
        qCWarning(lcServer) << "nodes below" << parentId << "are deeper than" << MaxDepth
                            << "levels and are not sent";
        TreeBodies::writeCount(out, 0);
        return;
    }
    TreeBodies::writeCount(out, count);
    for (auto node = children.first; node != children.second; ++node) {
        TreeBodies::writeNodeHead(out, node->id, node->name, node->tag);
        writeLevel(out, node->id, depth + 1, payload);
        if (payload)
            payload(out, node->id);
    }
}
