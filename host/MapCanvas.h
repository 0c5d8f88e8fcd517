#ifndef MAPCANVAS_H
#define MAPCANVAS_H

#include "MapProjection.h"
#include "UnitPainter.h"

#include <MapQt.h>

#include <QPoint>
#include <QWidget>

class MapTool;

// One map view: the district base under every primitive list of its layer
// table, the tracked units on top, with pan by dragging and zoom by the wheel
// around the pointer.
// The layer table is the canvas's: plug-ins insert layers, groups and lists
// into it, and the canvas deletes those groups and lists when it goes (the
// primitives in the lists belong to whoever made them).
class MapCanvas : public QWidget
{
    Q_OBJECT

public:
    MapCanvas(int mapId, const QString &caption, QWidget *parent = nullptr);
    ~MapCanvas() override;

    int mapId() const { return m_mapId; }
    MapQt::LayerTable *layers() { return &m_layers; }
    const MapProjection &projection() const;

    // Stable for the canvas's life: what MapModel hands to plug-ins as contexts.
    void *mapContext() { return &m_mapContext; }
    void *viewContext() { return &m_viewContext; }

    // The view shows 4 x scale metres across its width.
    void setScale(double scale);
    // x, y in 1e-7 degree.
    void setCenter(const QPointF &centre);
    void refresh();

    // Empties every primitive list without deleting anything: the primitives
    // may be freed by their owners while this map is not theirs to update.
    void dropPrimitives();

    // The units to show at their last fix, over everything the layers hold.
    void setUnits(const QList<UnitPainter::Marker> &units);
    QList<UnitPainter::Marker> units() const { return m_units; }

    // The whole view, base, layers and units, at the widget's size.
    QImage render() const;

    // Hands the pointer to tool first (not owned; null: the map's own pan and
    // zoom only). The tool must outlive its time here.
    void setTool(MapTool *tool);
    MapTool *tool() const { return m_tool; }

signals:
    void viewChanged();
    void pointerMoved(const QPointF &mapPoint);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;

private:
    void paintAll(QPainter &painter) const;
    // A hidden widget gets its resize event only when shown; its size counts before.
    MapProjection &synced() const;

    struct Context
    {
        int mapId;
    };

    int m_mapId;
    QString m_caption;
    MapQt::LayerTable m_layers;
    QList<UnitPainter::Marker> m_units;
    MapTool *m_tool = nullptr;
    mutable MapProjection m_projection;
    Context m_mapContext;
    Context m_viewContext;
    bool m_dragging = false;
    QPoint m_lastDrag;
};

#endif // MAPCANVAS_H
