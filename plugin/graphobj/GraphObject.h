#ifndef GRAPHOBJECT_H
#define GRAPHOBJECT_H

#include "records/GraphObData.h"
#include "records/ItemRoles.h"

#include <QCoreApplication>
#include <QStringList>
#include <QVarLengthArray>

#include <memory>

class PropertySchema;
class QAbstractItemView;
class QColor;
class QModelIndex;
class QStandardItem;
class QStandardItemModel;
struct PropertyRow;

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
// the lists it is drawn into belong to whoever handed them over, and it never
// takes its primitives out of them when it is deleted.
class GraphObject : public GraphObData
{
    Q_DECLARE_TR_FUNCTIONS(GraphObject)

public:
    explicit GraphObject(const GraphObData &record);
    virtual ~GraphObject();
    Q_DISABLE_COPY(GraphObject)

    // Remembers list as the editing list, empties it and fills it with the
    // kind's editing primitives.
    virtual void AttachEditPrimitives(QList<MapQt::MapPrimitive *> *list);
    // Takes the display primitive out of list and, unless mode is 0, puts it
    // back at the end drawn for the mode: 1 own colours, 2 red tint, 3 green tint.
    virtual void DrawOnLayer(QList<MapQt::MapPrimitive *> *list, int mode) = 0;
    // Removes a vertex when index is valid; rebuilds in any case.
    virtual void RemovePoint(int index);
    // Moves the object to point (icon, circle); line kinds insert before index.
    virtual void InsertPoint(int index, QPoint point);
    // Moves vertices first to last by offset (icon, circle: the whole object).
    virtual void MovePoints(int first, int last, QPoint offset);
    // Shows a pending insertion or move in the preview trace (line kinds).
    virtual void PreviewMove(int first, int last, QPoint point);
    virtual void FillTreeItem(QStandardItem *item);
    // Installs the kind's row editors on view, then fills the view's model.
    virtual void SetupPropertyView(QAbstractItemView *view);
    // The property table, row by row as the kind's schema lists them.
    virtual void FillProperties(QStandardItemModel *model);
    // Applies an edit of property row index.row(); rows outside the schema are ignored.
    virtual void SetProperty(const QModelIndex &index, const QVariant &value);
    // Widens the rectangle, in coordinate units, by the object's extent.
    virtual void ExtendBounds(int &minX, int &minY, int &maxX, int &maxY) = 0;
    // Finds the vertex (or, for line kinds, the segment) under a hit of key;
    // first and second are -1 when nothing is found.
    virtual bool FindHitPoints(const QList<MapHit> &hits, int &first, int &second, int key);
    // Refills the editing primitives from the vertices.
    virtual void RebuildPrimitives() = 0;

    // Type code to its name in the current language: "Abstract", "IconText",
    // "Line", ...; empty for an unknown code.
    static QString typeName(qint32 type);

    QList<MapQt::MapPrimitive *> *editList() const { return primitiveList; }

protected:
    // Step four of every constructor, once type is final: an empty name
    // becomes "[New <type name> <id>]".
    void nameIfUnnamed();
    // The kind's property rows.
    virtual const PropertySchema &propertySchema() const = 0;
    // Called after an edit of row has been applied, for what the kind keeps
    // or draws from it.
    virtual void propertyChanged(const PropertyRow &row);
    // Stored values with the kinds' defaults: widths and diameters 50 m, colours cyan.
    int numberProperty(const char *key) const;
    QMap<QString, QVariant>::const_iterator findProperty(const char *key) const;
    QColor colourProperty(const char *key) const;
    // Fills vertexTrace with a new array of the vertices and one (0, 0) point.
    void fillVertexTrace();
    // Step one of FindHitPoints: a hit on vertexTrace.
    bool findVertexHit(const QList<MapHit> &hits, int &first, int &second, int key) const;
    // The primitive the kind shows on the map, made on first use by
    // makeShownPrimitive with the object's colours as they are then; null for
    // a kind that keeps its own.
    MapQt::MapPrimitive *shownPrimitive();
    virtual std::unique_ptr<MapQt::MapPrimitive> makeShownPrimitive() const;
    // Takes the shown primitive out of list, when it was ever made.
    void takeShownFromList(QList<MapQt::MapPrimitive *> *list);
    // Takes primitive (and alsoDrawn, when given) out of list. A state reply
    // takes every section's objects off the host's list, shown or not, and the
    // list may hold thousands: it is searched only when this object may have
    // put primitive there.
    void takeFromList(QList<MapQt::MapPrimitive *> *list, MapQt::MapPrimitive *primitive,
                      MapQt::MapPrimitive *alsoDrawn = nullptr);
    // Puts primitive at the end of list.
    void appendToList(QList<MapQt::MapPrimitive *> *list, MapQt::MapPrimitive *primitive);
    static int primitivePosition(const QList<MapQt::MapPrimitive *> *list,
                                 const MapQt::MapPrimitive *primitive);
    enum class Closing { AsListed, AddFirstPoint };
    // Replaces trace's array with a new one holding points (and the first
    // again, to close a ring); the old one is freed.
    static void setTracePoints(MapQt::MapTrace *trace, const QList<QPoint> &points,
                               Closing closing = Closing::AsListed);
    static void setPenColor(MapQt::MapPrimitive *primitive, const QColor &color);
    static void setBrushColor(MapQt::MapPrimitive *primitive, const QColor &color);
    static void extendBy(const QPoint &point, int &minX, int &minY, int &maxX, int &maxY);
    // A trace drawn with a pen of colour, 3 wide; room for points when given.
    static std::unique_ptr<MapQt::MapTrace> makeTrace(const QColor &colour, int room = 0);

    // The editing primitives are made when first asked for: most objects of a
    // large layer tree are never edited, and every one of them is made and
    // freed with the tree.
    MapQt::MapTrace *vertexTrace() const;

    QList<MapQt::MapPrimitive *> *primitiveList; // the caller's

private:
    QStandardItem *valueCell(const PropertyRow &row) const;

    // The lists appendToList put the display primitive on and takeFromList
    // has not taken it from since.
    QVarLengthArray<const QList<MapQt::MapPrimitive *> *, 2> m_drawnOn;
    mutable std::unique_ptr<MapQt::MapTrace> m_vertexTrace;
    std::unique_ptr<MapQt::MapPrimitive> m_shownPrimitive;
};

// The graphic object hung on a layer-tree item; null when none.
inline GraphObject *itemGraphObject(const QStandardItem *item)
{
    return itemRecord<GraphObject>(item, ItemRole::GraphObject);
}

#endif // GRAPHOBJECT_H
