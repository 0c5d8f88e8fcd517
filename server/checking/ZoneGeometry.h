#ifndef ZONEGEOMETRY_H
#define ZONEGEOMETRY_H

#include "GeoFrame.h"

#include <QList>
#include <QPoint>

#include <memory>

class GraphObData;

// One map shape of a section as an area a unit can be in, on WGS84. Points
// are (longitude, latitude) in 1e-7 degree; lengths are metres on the
// ellipsoid. A polygon's edges and a line's centre-line are geodesics; a
// circle holds what lies within its radius of the centre along a geodesic.
// Antimeridian and poles are no different from anywhere else.
//
// Each zone is prepared once, in a frame of its own (see GeoFrame), its
// edges cut where a geodesic bows away from a straight line in the frame by
// more than a centimetre, and indexed when there are many. A report costs a
// few multiplications to bring into the frame, and nothing at all when it
// is far from the zone.
//
// A line covers everything within width/2 of the poly-line. Along straight
// stretches that is the corridor the plug-in draws; at bends the joins here are
// rounded where the drawn ones are mitred, so a unit just outside a sharp
// outer bend's mitre tip counts as outside. The plug-in draws on a sphere: see
// the README for how far drawing and judging differ.
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
    // +infinity for a shape without the points it needs. Exact (within a few
    // centimetres) up to the zone's reach; beyond it a lower bound.
    double signedDistance(const QPoint &position) const;
    double signedDistance(const GeoPoint &position) const;
    bool contains(const QPoint &position) const { return signedDistance(position) <= 0.0; }
    // Whether position is in the area, without working out how far in.
    bool contains(const GeoPoint &position) const;
    // The centre of the zone's frame and how far from it the area reaches at
    // most; false for a shape that cannot be.
    bool extent(GeoPoint *centre, double *metres) const;

    struct Prepared;

private:
    Kind m_kind = Kind::None;
    QList<QPoint> m_points;
    std::shared_ptr<const Prepared> m_prepared; // none for a shape that cannot be
};

// Signed distance to the union of zones (the smallest one); +infinity for none.
double signedDistance(const QList<ZoneGeometry> &zones, const QPoint &position);
double signedDistance(const QList<ZoneGeometry> &zones, const GeoPoint &position);

#endif // ZONEGEOMETRY_H
