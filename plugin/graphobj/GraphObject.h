#ifndef GRAPHOBJECT_H
#define GRAPHOBJECT_H

#include "GraphObData.h"

#include <QObject>
#include <QStringList>

class QAbstractItemView;
class QModelIndex;
class QStandardItem;
class QStandardItemModel;

namespace MapQt {
class MapPrimitive;
class MapTrace;
} // namespace MapQt

// A hit on the host map, eight ints: [1] key, [3] position of the hit primitive
// in the object's list, [4],[5] first point, [6],[7] second point.
struct MapHit
{
    int values[8];
};

// A shape that marks a route section on the map. It owns its map primitives;
// the lists it is drawn into belong to whoever handed them over.
class GraphObject : public QObject, public GraphObData
{
    Q_OBJECT

public:
    GraphObject(const GraphObData &record, QObject *parent = nullptr);
    ~GraphObject() override;

    virtual void AttachEditPrimitives(QList<MapQt::MapPrimitive *> *list);
    // mode: 0 erase, 1 own colours, 2 red tint, 3 green tint
    virtual void DrawOnLayer(QList<MapQt::MapPrimitive *> *list, int mode) = 0;
    virtual void RemovePoint(int index);
    virtual void InsertPoint(int index, QPoint point);
    virtual void MovePoints(int first, int last, QPoint offset);
    virtual void PreviewMove(int first, int last, QPoint point);
    virtual void FillTreeItem(QStandardItem *item);
    virtual void SetupPropertyView(QAbstractItemView *view) = 0;
    virtual void FillProperties(QStandardItemModel *model);
    virtual void SetProperty(const QModelIndex &index, const QVariant &value) = 0;
    virtual void ExtendBounds(int &minX, int &minY, int &maxX, int &maxY) = 0;
    virtual bool FindHitPoints(const QList<MapHit> &hits, int &first, int &second, int key);
    virtual void RebuildPrimitives() = 0;

    // Type code to translated name: "Abstract", "IconText", "Line", ... Filled
    // when the library is loaded, so it is a function-local table, safe to
    // use from other load-time code.
    static QStringList &typeNames();
    static void InitTypeNames();

protected:
    QList<MapQt::MapPrimitive *> *primitiveList; // the caller's
    MapQt::MapTrace *vertexTrace;                // owned
};

// The object for a record's type code, or null when the code has no class.
GraphObject *CreateGraphObject(const GraphObData &record);

#endif // GRAPHOBJECT_H
