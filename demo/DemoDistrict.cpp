#include "DemoDistrict.h"

#include "geo/EarthModel.h"

#include <cmath>

namespace DemoDistrict {

namespace {

constexpr double EarthRadius = EarthModel::DrawingSphere::Radius;
constexpr double UnitsPerRadian = 1.0 / EarthModel::UnitToRadian;
constexpr int CentreX = 374200000; // 37.42 E
constexpr int CentreY = 556900000; // 55.69 N

QList<QPoint> path(std::initializer_list<std::pair<double, double>> metres)
{
    QList<QPoint> points;
    for (const auto &point : metres)
        points << offset(point.first, point.second);
    return points;
}

} // namespace

QPoint offset(double eastMetres, double northMetres)
{
    const double latitude = CentreY / UnitsPerRadian;
    const double dy = northMetres / EarthRadius * UnitsPerRadian;
    const double dx = eastMetres / (EarthRadius * std::cos(latitude)) * UnitsPerRadian;
    return QPoint(CentreX + int(std::lround(dx)), CentreY + int(std::lround(dy)));
}

QPoint centre()
{
    return QPoint(CentreX, CentreY);
}

QRect bounds()
{
    const QPoint southWest = offset(-3200, -2400);
    const QPoint northEast = offset(3200, 2400);
    return QRect(southWest, northEast).normalized();
}

QList<Street> streets()
{
    return {
        {QStringLiteral("Harbour Avenue"),
         path({{-3000, -600}, {-1500, -500}, {0, -300}, {1500, -200}, {3000, 100}}), true},
        {QStringLiteral("Station Road"),
         path({{-200, -2200}, {-150, -1000}, {0, 0}, {100, 1200}, {300, 2200}}), true},
        {QStringLiteral("Mill Street"),
         path({{-2800, 900}, {-1400, 1000}, {0, 1100}, {1400, 1000}, {2800, 1300}}), false},
        {QStringLiteral("Orchard Lane"),
         path({{-1800, -1900}, {-1700, -800}, {-1600, 400}, {-1500, 1900}}), false},
        {QStringLiteral("Quarry Road"),
         path({{1600, -2100}, {1700, -900}, {1750, 300}, {1900, 2000}}), false},
        {QStringLiteral("Ring Boulevard"),
         path({{-1000, -1300}, {800, -1400}, {1300, -300}, {900, 1600}, {-900, 1700},
               {-1400, 200}, {-1000, -1300}}), true},
        {QStringLiteral("Depot Way"), path({{1750, -900}, {2600, -1100}, {3000, -1700}}), false},
    };
}

QList<QPoint> river()
{
    return path({{-3200, -1500}, {-2000, -1150}, {-800, -1050}, {400, -800}, {1500, -1000},
                 {2400, -700}, {3200, -400}});
}

} // namespace DemoDistrict
