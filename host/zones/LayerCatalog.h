#ifndef LAYERCATALOG_H
#define LAYERCATALOG_H

#include "records/GraphObData.h"

#include <QByteArray>
#include <QList>
#include <QString>

class MapProjection;
class QPointF;
struct TreeNode;

// The server's graphic layers as the drawing tools need them: the layers an
// operator may draw into (by their path of names) and the objects they hold,
// found under the pointer. Filled from a "Get_tree_graphobj" reply.
class LayerCatalog
{
public:
    struct Layer
    {
        qint32 id = 0;
        QString path; // "District / Zones"
        bool editable = false;
    };

    // False, keeping what it had, for a body that does not read as a layer tree.
    bool load(const QByteArray &treeBody);

    QList<Layer> layers() const { return m_layers; }
    QList<Layer> editableLayers() const;
    // The top-level layer of that name; 0 when there is none.
    qint32 topLevelLayer(const QString &name) const;

    // The object of an editable layer under pixel, the topmost (last drawn)
    // first; nothing (id 0) when none.
    GraphObData objectAt(const QPointF &pixel, const MapProjection &projection,
                         double tolerance) const;
    // The objects of the editable layers, in drawing order.
    QList<GraphObData> objects() const;
    // Which layer holds object id; 0 when none.
    qint32 layerOf(qint32 objectId) const;

private:
    void take(const QList<TreeNode> &nodes, const QString &path, int depth);

    struct Placed
    {
        GraphObData record;
        qint32 layerId;
    };

    QList<Layer> m_layers;
    QList<qint32> m_topLevel; // ids of the top-level layers, in m_layers
    QList<Placed> m_objects;  // of editable layers
};

#endif // LAYERCATALOG_H
