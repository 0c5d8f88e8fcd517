#include "GeoFrame.h"

#include "geo/EarthModel.h"

#include <GeographicLib/AzimuthalEquidistant.hpp>
#include <GeographicLib/Geodesic.hpp>

#include <cmath>

namespace {

using namespace EarthModel;

constexpr double RadiansPerDegree = Pi / 180.0;
// Below this reach the tangent plane is the frame to within 2 cm: the two part
// by about d^3 / 6R^2 at a distance d from the centre.
constexpr double TangentReach = 15000.0;

const GeographicLib::AzimuthalEquidistant &azimuthal()
{
    static const GeographicLib::AzimuthalEquidistant projection(wgs84Geodesic());
    return projection;
}

// The monomials e^i n^j of total degree up to Degree, in a fixed order.
template <int Terms, int Degree>
void monomials(double e, double n, std::array<double, Terms> *out)
{
    std::array<double, Degree + 1> ePower{}, nPower{};
    ePower[0] = nPower[0] = 1.0;
    for (int i = 1; i <= Degree; ++i) {
        ePower[size_t(i)] = ePower[size_t(i - 1)] * e;
        nPower[size_t(i)] = nPower[size_t(i - 1)] * n;
    }
    int k = 0;
    for (int total = 0; total <= Degree; ++total) {
        for (int j = 0; j <= total; ++j)
            (*out)[size_t(k++)] = ePower[size_t(total - j)] * nPower[size_t(j)];
    }
}

// Solves the symmetric system a x = b in place (Gaussian elimination with
// partial pivoting); false when it is singular.
template <int N>
bool solve(std::array<std::array<long double, N>, N> &a, std::array<long double, N> &b)
{
    for (int col = 0; col < N; ++col) {
        int pivot = col;
        for (int row = col + 1; row < N; ++row) {
            if (std::abs(a[row][col]) > std::abs(a[pivot][col]))
                pivot = row;
        }
        if (std::abs(a[pivot][col]) < 1e-300L)
            return false;
        std::swap(a[col], a[pivot]);
        std::swap(b[col], b[pivot]);
        for (int row = col + 1; row < N; ++row) {
            const long double f = a[row][col] / a[col][col];
            for (int k = col; k < N; ++k)
                a[row][k] -= f * a[col][k];
            b[row] -= f * b[col];
        }
    }
    for (int row = N - 1; row >= 0; --row) {
        for (int k = row + 1; k < N; ++k)
            b[row] -= a[row][k] * b[k];
        b[row] /= a[row][row];
    }
    return true;
}

} // namespace

// On the ellipsoid's surface the geocentric point has a closed form; every
// report needs one, so it is not asked of the general converter.
const GeographicLib::Geodesic &wgs84Geodesic()
{
    static const GeographicLib::Geodesic geodesic(Wgs84::EquatorialRadius, Wgs84::Flattening);
    return geodesic;
}

GeoPoint GeoPoint::fromDegrees(double latitude, double longitude)
{
    constexpr double f = Wgs84::Flattening;
    constexpr double e2 = f * (2.0 - f);
    const double phi = latitude * RadiansPerDegree, lambda = longitude * RadiansPerDegree;
    const double sinPhi = std::sin(phi), cosPhi = std::cos(phi);
    const double n = Wgs84::EquatorialRadius / std::sqrt(1.0 - e2 * sinPhi * sinPhi);
    GeoPoint p;
    p.latitude = latitude;
    p.longitude = longitude;
    p.xyz = {n * cosPhi * std::cos(lambda), n * cosPhi * std::sin(lambda),
             n * (1.0 - e2) * sinPhi};
    return p;
}

GeoPoint GeoPoint::fromWire(const QPoint &position)
{
    return fromDegrees(position.y() / 1e7, position.x() / 1e7);
}

double GeoPoint::chordTo(const GeoPoint &other) const
{
    return std::sqrt(squaredChordTo(other));
}

double GeoPoint::squaredChordTo(const GeoPoint &other) const
{
    const double dx = xyz[0] - other.xyz[0], dy = xyz[1] - other.xyz[1],
                 dz = xyz[2] - other.xyz[2];
    return dx * dx + dy * dy + dz * dz;
}

GeoFrame::GeoFrame(const GeoPoint &centre, double reach)
    : m_centre(centre), m_reach(std::max(reach, 1.0))
{
    const double phi = centre.latitude * RadiansPerDegree;
    const double lambda = centre.longitude * RadiansPerDegree;
    m_axes[0] = {-std::sin(lambda), std::cos(lambda), 0.0};
    m_axes[1] = {-std::sin(phi) * std::cos(lambda), -std::sin(phi) * std::sin(lambda),
                 std::cos(phi)};
    m_identity = m_reach <= TangentReach;
    m_fitted = m_identity || fit();
}

QPointF GeoFrame::tangent(const GeoPoint &point) const
{
    const double d[3] = {point.xyz[0] - m_centre.xyz[0], point.xyz[1] - m_centre.xyz[1],
                         point.xyz[2] - m_centre.xyz[2]};
    return QPointF(m_axes[0][0] * d[0] + m_axes[0][1] * d[1] + m_axes[0][2] * d[2],
                   m_axes[1][0] * d[0] + m_axes[1][1] * d[1] + m_axes[1][2] * d[2]);
}

QPointF GeoFrame::projectExactly(const GeoPoint &point) const
{
    double x = 0.0, y = 0.0, azimuth = 0.0, scale = 0.0;
    azimuthal().Forward(m_centre.latitude, m_centre.longitude, point.latitude, point.longitude,
                        x, y, azimuth, scale);
    return QPointF(x, y);
}

GeoPoint GeoFrame::unproject(const QPointF &xy) const
{
    double lat = 0.0, lon = 0.0, azimuth = 0.0, scale = 0.0;
    azimuthal().Reverse(m_centre.latitude, m_centre.longitude, xy.x(), xy.y(), lat, lon, azimuth,
                        scale);
    return GeoPoint::fromDegrees(lat, lon);
}

QPointF GeoFrame::project(const GeoPoint &point) const
{
    if (m_identity)
        return tangent(point);
    if (!m_fitted)
        return projectExactly(point);
    const QPointF t = tangent(point) / m_reach;
    std::array<double, Terms> m{};
    monomials<Terms, PolynomialDegree>(t.x(), t.y(), &m);
    double x = 0.0, y = 0.0;
    for (int k = 0; k < Terms; ++k) {
        x += m_x[size_t(k)] * m[size_t(k)];
        y += m_y[size_t(k)] * m[size_t(k)];
    }
    return QPointF(x, y) * m_reach;
}

// Least squares over a polar grid of the reach, checked on another.
bool GeoFrame::fit()
{
    std::array<std::array<long double, Terms>, Terms> normal{};
    std::array<long double, Terms> bx{}, by{};
    std::array<double, Terms> m{};
    const auto sample = [&](const QPointF &frame, const auto &use) {
        const QPointF t = tangent(unproject(frame)) / m_reach;
        monomials<Terms, PolynomialDegree>(t.x(), t.y(), &m);
        use(frame / m_reach);
    };
    for (int ring = 0; ring <= 12; ++ring) {
        const double r = m_reach * ring / 12.0;
        const int spokes = ring == 0 ? 1 : 8 * ring;
        for (int s = 0; s < spokes; ++s) {
            const double a = 2.0 * Pi * s / spokes;
            sample(QPointF(r * std::cos(a), r * std::sin(a)), [&](const QPointF &target) {
                for (int i = 0; i < Terms; ++i) {
                    for (int j = 0; j < Terms; ++j)
                        normal[size_t(i)][size_t(j)] += (long double)m[size_t(i)] * m[size_t(j)];
                    bx[size_t(i)] += (long double)m[size_t(i)] * target.x();
                    by[size_t(i)] += (long double)m[size_t(i)] * target.y();
                }
            });
        }
    }
    std::array<std::array<long double, Terms>, Terms> copy = normal;
    if (!solve<Terms>(normal, bx) || !solve<Terms>(copy, by))
        return false;
    for (int k = 0; k < Terms; ++k) {
        m_x[size_t(k)] = double(bx[size_t(k)]);
        m_y[size_t(k)] = double(by[size_t(k)]);
    }
    m_fitted = true;
    // Checked between the fitting samples and out to the rim.
    for (int ring = 1; ring <= 15; ++ring) {
        const double r = m_reach * (ring - 0.5) / 14.5;
        for (int s = 0; s < 7 * ring; ++s) {
            const double a = 2.0 * Pi * (s + 0.5) / (7 * ring);
            const QPointF frame(r * std::cos(a), r * std::sin(a));
            const QPointF error = project(unproject(frame)) - frame;
            if (std::hypot(error.x(), error.y()) > MaxError) {
                m_fitted = false;
                return false;
            }
        }
    }
    return true;
}
