#include "MapCanvas.h"

#include "MapBasePainter.h"
#include "MapTool.h"
#include "PrimitivePainter.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <cmath>

namespace {

// One wheel notch zooms by this factor.
constexpr double WheelStep = 1.25;

} // namespace

MapCanvas::MapCanvas(int mapId, const QString &caption, QWidget *parent)
    : QWidget(parent)
    , m_mapId(mapId)
    , m_caption(caption)
    , m_mapContext{mapId}
    , m_viewContext{mapId}
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setFocusPolicy(Qt::WheelFocus);
    setMinimumSize(200, 150);
    setCursor(Qt::OpenHandCursor);
    m_projection.setSize(size());
}

MapCanvas::~MapCanvas()
{
    for (QList<MapQt::LayerGroup *> *groups : qAsConst(m_layers)) {
        if (!groups)
            continue;
        for (MapQt::LayerGroup *group : qAsConst(*groups)) {
            if (group)
                qDeleteAll(group->lists);
            delete group;
        }
        delete groups;
    }
}

const MapProjection &MapCanvas::projection() const
{
    return synced();
}

MapProjection &MapCanvas::synced() const
{
    if (m_projection.size() != size().expandedTo(QSize(1, 1)))
        m_projection.setSize(size());
    return m_projection;
}

void MapCanvas::setScale(double scale)
{
    m_projection.setScale(scale);
    update();
    emit viewChanged();
}

void MapCanvas::setCenter(const QPointF &centre)
{
    m_projection.setCentre(centre);
    update();
    emit viewChanged();
}

void MapCanvas::refresh()
{
    update();
}

void MapCanvas::dropPrimitives()
{
    for (QList<MapQt::LayerGroup *> *groups : qAsConst(m_layers)) {
        if (!groups)
            continue;
        for (MapQt::LayerGroup *group : qAsConst(*groups)) {
            if (!group)
                continue;
            for (MapQt::PrimitiveList *list : qAsConst(group->lists)) {
                if (list)
                    list->primitives.clear();
            }
        }
    }
    update();
}

void MapCanvas::setUnits(const QList<UnitPainter::Marker> &units)
{
    m_units = units;
    update();
}

QImage MapCanvas::render() const
{
    QImage image(synced().size(), QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&image);
    paintAll(painter);
    return image;
}

void MapCanvas::paintAll(QPainter &painter) const
{
    synced();
    MapBasePainter::paintBase(painter, m_projection);
    painter.setRenderHint(QPainter::Antialiasing, true);
    PrimitivePainter::paint(painter, m_projection, m_layers);
    UnitPainter::paint(painter, m_projection, m_units);
    if (m_tool)
        m_tool->paint(painter, m_projection);
    MapBasePainter::paintOverlay(painter, m_projection, m_caption);
}

void MapCanvas::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    paintAll(painter);
}

void MapCanvas::resizeEvent(QResizeEvent *event)
{
    // The scale means metres across the width, so the centre and scale hold.
    m_projection.setSize(size());
    QWidget::resizeEvent(event);
    emit viewChanged();
}

void MapCanvas::setTool(MapTool *tool)
{
    m_tool = tool;
    m_dragging = false;
    setCursor(tool ? Qt::CrossCursor : Qt::OpenHandCursor);
    update();
}

void MapCanvas::mousePressEvent(QMouseEvent *event)
{
    if (m_tool && m_tool->press(event->localPos(), event->button(), synced())) {
        update();
        return;
    }
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    m_dragging = true;
    m_lastDrag = event->pos();
    setCursor(Qt::ClosedHandCursor);
}

void MapCanvas::mouseMoveEvent(QMouseEvent *event)
{
    if (m_tool && !m_dragging && m_tool->move(event->localPos(), event->buttons(), synced())) {
        update();
    } else if (m_dragging) {
        synced().panBy(event->pos() - m_lastDrag);
        m_lastDrag = event->pos();
        update();
        emit viewChanged();
    }
    emit pointerMoved(synced().toMap(event->pos()));
}

void MapCanvas::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && m_dragging) {
        m_dragging = false;
        setCursor(m_tool ? Qt::CrossCursor : Qt::OpenHandCursor);
    } else if (m_tool && m_tool->release(event->localPos(), event->button(), synced())) {
        update();
    }
}

void MapCanvas::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (m_tool && m_tool->doubleClick(event->localPos(), synced())) {
        update();
        return;
    }
    // Zoom in one notch on the point clicked.
    if (event->button() == Qt::LeftButton) {
        synced().zoomAt(event->pos(), 1.0 / WheelStep);
        update();
        emit viewChanged();
    }
}

void MapCanvas::wheelEvent(QWheelEvent *event)
{
    const double notches = event->angleDelta().y() / 120.0;
    if (notches == 0) {
        event->ignore();
        return;
    }
    synced().zoomAt(event->position(), std::pow(WheelStep, -notches));
    update();
    emit viewChanged();
    event->accept();
}
