#ifndef GEOFRAME_H
#define GEOFRAME_H

#include <QPoint>
#include <QPointF>

#include <array>
#include <vector>

namespace GeographicLib {
class Geodesic;
}

// The geodesics of WGS84, shared by everything that judges on it.
const GeographicLib::Geodesic &wgs84Geodesic();

// A position on WGS84 as the checks take it: its latitude and longitude in
// degrees and its earth-centred cartesian point in metres, worked out once
// per report and shared by every zone it is tried against.
struct GeoPoint
{
    double latitude = 0.0;
    double longitude = 0.0;
    std::array<double, 3> xyz{};

    static GeoPoint fromDegrees(double latitude, double longitude);
    // x longitude, y latitude in 1e-7 degree.
    static GeoPoint fromWire(const QPoint &position);
    double chordTo(const GeoPoint &other) const;
    double squaredChordTo(const GeoPoint &other) const;
};

// A zone's own flat frame: azimuthal equidistant about its centre on WGS84,
// so that a distance from the centre is the geodesic one and nearby
// geodesics are all but straight. A report is brought into it without
// solving a geodesic: the exact rotation into the centre's tangent plane,
// then a polynomial fitted when the frame is made, checked there to be
// within MaxError of GeographicLib over the reach asked for. A frame too
// large for the polynomial projects every report exactly, which is slower.
class GeoFrame
{
public:
    static constexpr double MaxError = 0.05; // metres

    GeoFrame(const GeoPoint &centre, double reach);

    const GeoPoint &centre() const { return m_centre; }
    double reach() const { return m_reach; }
    bool isFitted() const { return m_fitted; }

    QPointF project(const GeoPoint &point) const;        // the fast way
    QPointF projectExactly(const GeoPoint &point) const; // GeographicLib
    GeoPoint unproject(const QPointF &xy) const;

private:
    static constexpr int PolynomialDegree = 5;
    static constexpr int Terms = (PolynomialDegree + 1) * (PolynomialDegree + 2) / 2;

    QPointF tangent(const GeoPoint &point) const; // east, north in the tangent plane
    bool fit();

    GeoPoint m_centre;
    double m_reach;
    std::array<std::array<double, 3>, 2> m_axes{}; // east and north unit vectors
    bool m_fitted = false;
    bool m_identity = false; // small enough that the tangent plane is the frame
    std::array<double, Terms> m_x{};
    std::array<double, Terms> m_y{};
};

#endif // GEOFRAME_H
