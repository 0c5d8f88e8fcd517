#ifndef ZONEGEOMETRY_H
#define ZONEGEOMETRY_H

#include <QList>
#include <QPoint>

class GraphObData;

// One map shape of a section as an area a unit can be in. Points are
// (longitude, latitude) in 1e-7 degree; lengths in metres. Distances are taken
// in a flat metric frame centred on the unit's position, which is exact enough
// for shapes a few kilometres across.
//
// A line covers everything within width/2 of the poly-line. Along straight
// stretches that is the corridor the plug-in draws; at bends the joins here are
// rounded where the drawn ones are mitred, so a unit just outside a sharp
// outer bend's mitre tip counts as outside.
class ZoneGeometry
{
public:
    enum class Kind { None = 0, Icon = 1, Line = 2, Polygon = 3, Circle = 4 };

    static constexpr double IconRadius = 50.0; // metres around an icon

    ZoneGeometry() = default;
    // size: the line's width or the circle's diameter; ignored otherwise.
    ZoneGeometry(Kind kind, const QList<QPoint> &points, int size = 0);
    // From a graphic object record: its type, points, Width or Diameter.
    static ZoneGeometry fromObject(const GraphObData &object);

    Kind kind() const { return m_kind; }
    const QList<QPoint> &points() const { return m_points; }
    // Metres from position to the area's border, negative inside, zero on it;
    // +infinity for a shape without the points it needs.
    double signedDistance(const QPoint &position) const;
    bool contains(const QPoint &position) const { return signedDistance(position) <= 0.0; }

private:
    Kind m_kind = Kind::None;
    QList<QPoint> m_points;
    int m_size = 0;
};

// Signed distance to the union of zones (the smallest one); +infinity for none.
double signedDistance(const QList<ZoneGeometry> &zones, const QPoint &position);

#endif // ZONEGEOMETRY_H
