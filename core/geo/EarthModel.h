#ifndef EARTHMODEL_H
#define EARTHMODEL_H

// The earth models, each defined once. Coordinates everywhere are
// (longitude, latitude) in 1e-7 degree.
namespace EarthModel {

inline constexpr double Pi = 3.14159265358979323846;
// Radians per coordinate unit.
inline constexpr double UnitToRadian = Pi / 180.0 / 10000000.0;

// The sphere the map is drawn on: the panel's shapes (circles, corridors),
// the host's projection and the demo district are laid out on it, so that
// what the operator sees lines up everywhere.
namespace DrawingSphere {
inline constexpr double Radius = 6378140.0; // metres
} // namespace DrawingSphere

// The ellipsoid positions are measured on, for judging where a unit is.
namespace Wgs84 {
inline constexpr double EquatorialRadius = 6378137.0; // metres
inline constexpr double Flattening = 1.0 / 298.257223563;
} // namespace Wgs84

} // namespace EarthModel

#endif // EARTHMODEL_H
