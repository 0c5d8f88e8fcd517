#include "LayerCatalog.h"

#include "ShapeDraft.h"

#include "records/RecordKinds.h"
#include "wire/TreeBodies.h"

#include <QPointF>

bool LayerCatalog::load(const QByteArray &treeBody)
{
    const std::optional<QList<TreeNode>> tree =
        TreeBodies::read(treeBody, TreeBodies::Payload::Layer);
    if (!tree)
        return false;
    m_layers.clear();
    m_topLevel.clear();
    m_objects.clear();
    take(*tree, QString(), 0);
    return true;
}

void LayerCatalog::take(const QList<TreeNode> &nodes, const QString &path, int depth)
{
    for (const TreeNode &node : nodes) {
        // Hidden layers are not the operator's to draw in, nor what lies below them.
        if (!(node.bits & NodeBits::Shown))
            continue;
        const QString name = path.isEmpty() ? node.name : path + QStringLiteral(" / ") + node.name;
        const bool editable = node.bits & NodeBits::Editable;
        m_layers.append({node.id, name, editable});
        if (depth == 0)
            m_topLevel.append(node.id);
        if (editable) {
            for (const GraphObData &object : node.objects)
                m_objects.append({object, node.id});
        }
        take(node.children, name, depth + 1);
    }
}

QList<LayerCatalog::Layer> LayerCatalog::editableLayers() const
{
    QList<Layer> editable;
    for (const Layer &layer : m_layers) {
        if (layer.editable)
            editable.append(layer);
    }
    return editable;
}

qint32 LayerCatalog::topLevelLayer(const QString &name) const
{
    for (const Layer &layer : m_layers) {
        if (m_topLevel.contains(layer.id) && layer.path == name)
            return layer.id;
    }
    return 0;
}

GraphObData LayerCatalog::objectAt(const QPointF &pixel, const MapProjection &projection,
                                   double tolerance) const
{
    for (auto it = m_objects.crbegin(); it != m_objects.crend(); ++it) {
        if (ShapeDraft(it->record).contains(pixel, projection, tolerance))
            return it->record;
    }
    return GraphObData();
}

QList<GraphObData> LayerCatalog::objects() const
{
    QList<GraphObData> records;
    records.reserve(m_objects.size());
    for (const Placed &placed : m_objects)
        records.append(placed.record);
    return records;
}

qint32 LayerCatalog::layerOf(qint32 objectId) const
{
    for (const Placed &placed : m_objects) {
        if (placed.record.id == objectId)
            return placed.layerId;
    }
    return 0;
}
