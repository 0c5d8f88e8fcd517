#ifndef DRAWTOOL_H
#define DRAWTOOL_H

#include "MapTool.h"
#include "ShapeDraft.h"

#include <QObject>
#include <QPointF>

class QUndoStack;

// Draws a new shape on the map or edits one, one undo step per operator
// action: a polygon or corridor takes a point per click and ends with a
// double click (or a click on its first point); a circle is a press at its
// centre dragged out to its rim; an icon is one click. Once drawn, a vertex
// is dragged to move it, an edge to insert a vertex, the rim to resize a
// circle, the inside to move the whole shape; a right click deletes a vertex.
class DrawTool : public QObject, public MapTool
{
    Q_OBJECT

public:
    // How near the pointer must come to a vertex, edge or rim, in pixels.
    static constexpr double PickTolerance = 8.0;
    // A circle clicked without a drag.
    static constexpr double DefaultRadius = 50.0;

    // undo is the host's and outlives the tool.
    explicit DrawTool(QUndoStack *undo, QObject *parent = nullptr);

    // A new shape of kind with the look given (its properties); the steps
    // of an earlier shape are dropped.
    void start(GraphKind kind, const QVariantMap &look);
    // An existing shape, to edit.
    void edit(const GraphObData &record);
    // No shape: the map pans and zooms again.
    void clear();

    const ShapeDraft &draft() const { return m_draft; }
    bool isActive() const { return m_draft.kind() != GraphKind::Abstract; }
    // Still taking points of a new shape.
    bool isPlacing() const { return m_placing; }
    int selectedVertex() const { return m_selected; }

    // Changes that are not drawn (name, width, icon): one undo step each.
    void setProperty(const char *key, const QVariant &value, const QString &text);
    void setName(const QString &name);
    // Deletes the selected vertex when the shape keeps enough of them.
    bool deleteSelectedVertex();

    // What an undo step puts back.
    void restore(const GraphObData &record);

    // MapTool
    bool press(const QPointF &pixel, Qt::MouseButton button,
               const MapProjection &projection) override;
    bool move(const QPointF &pixel, Qt::MouseButtons buttons,
              const MapProjection &projection) override;
    bool release(const QPointF &pixel, Qt::MouseButton button,
                 const MapProjection &projection) override;
    bool doubleClick(const QPointF &pixel, const MapProjection &projection) override;
    void paint(QPainter &painter, const MapProjection &projection) const override;

signals:
    void changed();

private:
    enum class Drag { None, Vertex, Shape, Radius, NewCircle };

    bool pressWhilePlacing(const QPointF &pixel, const MapProjection &projection);
    bool pressWhileEditing(const QPointF &pixel, const MapProjection &projection);
    void finishPlacing();
    // Pushes the change from before to the draft as it is now.
    void step(const GraphObData &before, const QString &text);
    QPoint mapPoint(const QPointF &pixel, const MapProjection &projection) const;

    QUndoStack *m_undo;
    ShapeDraft m_draft;
    bool m_placing = false;
    int m_selected = -1;
    Drag m_drag = Drag::None;
    QPointF m_dragStart;      // pixel
    GraphObData m_beforeDrag; // the record when the drag began, for undo
    QList<QPoint> m_dragBase; // the points it moves from (with an inserted one)
    QString m_dragText;
    QPointF m_pointer; // the last pixel the pointer was seen at
};

#endif // DRAWTOOL_H
