#include "DrawTool.h"

#include "MapProjection.h"

#include "geo/MapGeometry.h"

#include <QLineF>
#include <QPainter>
#include <QUndoCommand>
#include <QUndoStack>

#include <cmath>

namespace {

// One operator action on the draft: the record before and after it.
class DraftStep : public QUndoCommand
{
public:
    DraftStep(DrawTool &tool, const GraphObData &before, const GraphObData &after,
              const QString &text)
        : QUndoCommand(text)
        , m_tool(tool)
        , m_before(before)
        , m_after(after)
    {
    }

    void undo() override { m_tool.restore(m_before); }
    void redo() override { m_tool.restore(m_after); }

private:
    DrawTool &m_tool;
    GraphObData m_before;
    GraphObData m_after;
};

bool operator!=(const GraphObData &a, const GraphObData &b)
{
    return a.type != b.type || a.name != b.name || a.points != b.points
           || a.properties != b.properties;
}

const QColor Highlight(255, 140, 0);

} // namespace

DrawTool::DrawTool(QUndoStack *undo, QObject *parent)
    : QObject(parent)
    , m_undo(undo)
{
}

void DrawTool::start(GraphKind kind, const QVariantMap &look)
{
    m_undo->clear();
    GraphObData record;
    record.type = qint32(kind);
    record.properties = look;
    m_draft = ShapeDraft(record);
    m_placing = true;
    m_selected = -1;
    m_drag = Drag::None;
    emit changed();
}

void DrawTool::edit(const GraphObData &record)
{
    m_undo->clear();
    m_draft = ShapeDraft(record);
    m_placing = false;
    m_selected = -1;
    m_drag = Drag::None;
    emit changed();
}

void DrawTool::clear()
{
    m_undo->clear();
    m_draft = ShapeDraft();
    m_placing = false;
    m_selected = -1;
    m_drag = Drag::None;
    emit changed();
}

void DrawTool::restore(const GraphObData &record)
{
    m_draft.record() = record;
    m_drag = Drag::None;
    if (m_selected >= record.points.size())
        m_selected = -1;
    // Undone back below a whole shape: the points are taken again.
    if (!m_draft.isComplete())
        m_placing = true;
    emit changed();
}

void DrawTool::step(const GraphObData &before, const QString &text)
{
    if (before != m_draft.record())
        m_undo->push(new DraftStep(*this, before, m_draft.record(), text));
    emit changed();
}

void DrawTool::setProperty(const char *key, const QVariant &value, const QString &text)
{
    if (!isActive() || m_draft.record().properties.value(QLatin1String(key)) == value)
        return;
    const GraphObData before = m_draft.record();
    m_draft.record().properties.insert(QLatin1String(key), value);
    step(before, text);
}

void DrawTool::setName(const QString &name)
{
    if (!isActive() || m_draft.record().name == name)
        return;
    const GraphObData before = m_draft.record();
    m_draft.record().name = name;
    step(before, tr("Rename"));
}

bool DrawTool::deleteSelectedVertex()
{
    const int count = m_draft.record().points.size();
    if (m_selected < 0 || m_selected >= count
        || count <= ShapeDraft::fewestPoints(m_draft.kind()))
        return false;
    const GraphObData before = m_draft.record();
    VertexEditing::removePoint(m_draft.record().points, m_selected);
    m_selected = -1;
    step(before, tr("Delete point"));
    return true;
}

QPoint DrawTool::mapPoint(const QPointF &pixel, const MapProjection &projection) const
{
    const QPointF point = projection.toMap(pixel);
    return QPoint(MapGeometry::roundToInt(point.x()), MapGeometry::roundToInt(point.y()));
}

bool DrawTool::press(const QPointF &pixel, Qt::MouseButton button,
                     const MapProjection &projection)
{
    if (!isActive())
        return false;
    m_pointer = pixel;
    if (button == Qt::RightButton && !m_placing) {
        m_selected = m_draft.vertexAt(pixel, projection, PickTolerance);
        return deleteSelectedVertex();
    }
    if (button != Qt::LeftButton)
        return false;
    return m_placing ? pressWhilePlacing(pixel, projection)
                     : pressWhileEditing(pixel, projection);
}

bool DrawTool::pressWhilePlacing(const QPointF &pixel, const MapProjection &projection)
{
    const GraphObData before = m_draft.record();
    QList<QPoint> &points = m_draft.record().points;
    switch (m_draft.kind()) {
    case GraphKind::Circle:
        points = {mapPoint(pixel, projection)};
        m_draft.setRadius(0);
        m_drag = Drag::NewCircle;
        m_beforeDrag = before;
        m_dragStart = pixel;
        return true;
    case GraphKind::IconText:
        points = {mapPoint(pixel, projection)};
        m_placing = false;
        step(before, tr("Place icon"));
        return true;
    case GraphKind::Polygon:
        // A click on the first point closes the ring.
        if (m_draft.isComplete() && m_draft.vertexAt(pixel, projection, PickTolerance) == 0) {
            finishPlacing();
            return true;
        }
        break;
    default:
        break;
    }
    // A second press on the last point (a double click's) adds nothing.
    if (!points.isEmpty()
        && QLineF(pixel, projection.toScreen(points.last())).length() <= PickTolerance / 2)
        return true;
    VertexEditing::insertPoint(points, points.size(), mapPoint(pixel, projection),
                               m_draft.outline());
    m_selected = points.size() - 1;
    step(before, tr("Add point"));
    return true;
}

bool DrawTool::pressWhileEditing(const QPointF &pixel, const MapProjection &projection)
{
    m_beforeDrag = m_draft.record();
    m_dragStart = pixel;
    const int vertex = m_draft.kind() == GraphKind::Circle
                           ? -1
                           : m_draft.vertexAt(pixel, projection, PickTolerance);
    const int edge = vertex < 0 ? m_draft.edgeAt(pixel, projection, PickTolerance) : -1;
    if (vertex >= 0) {
        m_drag = Drag::Vertex;
        m_selected = vertex;
        m_dragText = tr("Move point");
    } else if (m_draft.onRim(pixel, projection, PickTolerance)) {
        m_drag = Drag::Radius;
        m_dragText = tr("Resize");
    } else if (edge >= 0) {
        VertexEditing::insertPoint(m_draft.record().points, edge + 1,
                                   mapPoint(pixel, projection), m_draft.outline());
        m_drag = Drag::Vertex;
        m_selected = edge + 1;
        m_dragText = tr("Insert point");
    } else if (m_draft.contains(pixel, projection, PickTolerance)) {
        m_drag = Drag::Shape;
        m_dragText = tr("Move shape");
    } else {
        return false;
    }
    m_dragBase = m_draft.record().points;
    emit changed();
    return true;
}

bool DrawTool::move(const QPointF &pixel, Qt::MouseButtons buttons,
                    const MapProjection &projection)
{
    m_pointer = pixel;
    if (m_drag == Drag::None || !(buttons & Qt::LeftButton))
        return m_placing; // the line to the pointer follows it
    QList<QPoint> &points = m_draft.record().points;
    const QPoint offset = mapPoint(pixel, projection) - mapPoint(m_dragStart, projection);
    switch (m_drag) {
    case Drag::Vertex:
        points = m_dragBase;
        VertexEditing::movePoints(points, m_selected, -1, offset, m_draft.outline());
        break;
    case Drag::Shape:
        points = m_dragBase;
        VertexEditing::movePoints(points, 0, points.size() - 1, offset, m_draft.outline());
        break;
    case Drag::Radius:
    case Drag::NewCircle: {
        const QPointF metric = MapGeometry::toMetric(points.value(0), mapPoint(pixel, projection));
        m_draft.setRadius(std::hypot(metric.x(), metric.y()));
        break;
    }
    case Drag::None:
        break;
    }
    emit changed();
    return true;
}

bool DrawTool::release(const QPointF &pixel, Qt::MouseButton button,
                       const MapProjection &projection)
{
    if (button != Qt::LeftButton || m_drag == Drag::None)
        return false;
    move(pixel, Qt::LeftButton, projection);
    const Drag drag = m_drag;
    m_drag = Drag::None;
    if (drag == Drag::NewCircle) {
        if (!(m_draft.radius() > 0))
            m_draft.setRadius(DefaultRadius);
        m_placing = false;
        step(m_beforeDrag, tr("Draw circle"));
    } else {
        step(m_beforeDrag, m_dragText);
    }
    return true;
}

bool DrawTool::doubleClick(const QPointF &pixel, const MapProjection &projection)
{
    Q_UNUSED(pixel)
    Q_UNUSED(projection)
    if (!m_placing)
        return isActive();
    // The double click's first press added its point already.
    finishPlacing();
    return true;
}

void DrawTool::finishPlacing()
{
    if (m_draft.isComplete()) {
        m_placing = false;
        emit changed();
    }
}

void DrawTool::paint(QPainter &painter, const MapProjection &projection) const
{
    if (!isActive() || m_draft.record().points.isEmpty())
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    QPolygonF outline = m_draft.toScreen(projection);
    const GraphKind kind = m_draft.kind();
    if (kind == GraphKind::Line) {
        // The corridor as wide as it is, then its centre line.
        const double width = m_draft.record().properties.value(GraphProperty::Width).toDouble()
                             / projection.metresPerPixel();
        painter.setPen(QPen(QColor(255, 140, 0, 70), std::max(width, 1.0), Qt::SolidLine,
                            Qt::RoundCap, Qt::RoundJoin));
        painter.drawPolyline(outline);
    }
    if (m_placing && kind != GraphKind::Circle && kind != GraphKind::IconText)
        outline << m_pointer;
    painter.setPen(QPen(Highlight, 2, Qt::DashLine));
    painter.setBrush(kind == GraphKind::Polygon || kind == GraphKind::Circle
                         ? QBrush(QColor(255, 140, 0, 50))
                         : QBrush(Qt::NoBrush));
    if (kind == GraphKind::Line || (m_placing && kind == GraphKind::Polygon))
        painter.drawPolyline(outline);
    else
        painter.drawPolygon(outline);
    painter.setPen(QPen(Qt::black, 1));
    for (int i = 0; i < m_draft.record().points.size(); ++i) {
        painter.setBrush(i == m_selected ? Highlight : QColor(Qt::white));
        const QPointF at = projection.toScreen(m_draft.record().points.at(i));
        painter.drawRect(QRectF(at - QPointF(4, 4), QSizeF(8, 8)));
    }
    painter.restore();
}
