#ifndef MAPPAINTER_H
#define MAPPAINTER_H

#include <MapQt.h>

#include <QImage>
#include <QRect>

// Paints primitive lists the way the host's map does: traces as poly-lines with
// their pens, polygons filled with their brushes, cars as picture and caption.
class MapPainter
{
public:
    // area: the map rectangle (1e-7 degree) that fills the image.
    MapPainter(const QRect &area, const QSize &size);

    void paint(const MapQt::PrimitiveList &list);
    void paint(const MapQt::LayerTable &layers);
    QImage image() const { return m_image; }

private:
    QPointF toImage(int x, int y) const;

    QRect m_area;
    QImage m_image;
};

#endif // MAPPAINTER_H
