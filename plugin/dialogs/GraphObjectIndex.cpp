#include "GraphObjectIndex.h"

#include "graphobj/GraphObject.h"
#include "panel/ModelChangeWatch.h"

#include <QSet>
#include <QStandardItemModel>

#include <algorithm>

GraphObjectIndex::GraphObjectIndex(const QStandardItemModel *model)
    : m_model(model)
    , m_watch(std::make_unique<ModelChangeWatch>(model, ItemRole::GraphObject, [this] {
        if (m_built) {
            m_built = false;
            m_byId.clear();
        }
    }))
{
}

GraphObjectIndex::~GraphObjectIndex() = default;

void GraphObjectIndex::find(const QList<int> &ids, GraphObjectList &objects) const
{
    if (ids.isEmpty())
        return;
    if (!m_built)
        build();
    if (ids.size() == 1) {
        const auto hit = m_byId.constFind(ids.first());
        if (hit != m_byId.cend()) {
            for (const Entry &entry : *hit)
                objects.append(entry.object);
        }
        return;
    }
    QVector<Entry> found;
    int lists = 0;
    // A repeated id adds nothing: one walk would meet each object once.
    for (int id : QSet<int>(ids.cbegin(), ids.cend())) {
        const auto hit = m_byId.constFind(id);
        if (hit == m_byId.cend())
            continue;
        found += *hit;
        ++lists;
    }
    // Objects of several ids come out in tree order, as one walk would give them.
    if (lists > 1) {
        std::sort(found.begin(), found.end(),
                  [](const Entry &a, const Entry &b) { return a.order < b.order; });
    }
    for (const Entry &entry : qAsConst(found))
        objects.append(entry.object);
}

void GraphObjectIndex::build() const
{
    m_byId.clear();
    int order = 0;
    for (int row = 0; row < m_model->rowCount(); ++row) {
        if (const QStandardItem *item = m_model->item(row, 0))
            visit(item, order);
    }
    m_built = true;
}

void GraphObjectIndex::visit(const QStandardItem *item, int &order) const
{
    if (GraphObject *object = itemGraphObject(item))
        m_byId[object->id].append(Entry{order++, object});
    for (int row = 0; row < item->rowCount(); ++row) {
        if (const QStandardItem *child = item->child(row))
            visit(child, order);
    }
}
