#ifndef POSITIONSCREEN_H
#define POSITIONSCREEN_H

#include <QPoint>
#include <QtGlobal>

// What keeps a position report out of checking: a fix no device could mean
// or a time the checks cannot place. Longitudes are not wrapped: 181° is a
// fault, not -179°.
namespace PositionScreen {

enum class Fault {
    None,
    NotFinite,      // NaN or an infinity in a coordinate
    Latitude,       // beyond ±90°
    Longitude,      // beyond ±180°
    BeforeEpoch,    // before 2000-01-01 UTC
    Ahead,          // more than MaxLeadSeconds ahead of the receiver's clock
};
constexpr int FaultCount = int(Fault::Ahead) + 1;

constexpr qint64 EarliestTime = 946684800; // 2000-01-01T00:00:00Z
constexpr qint64 MaxLeadSeconds = 300;

// Degrees, seconds since 1970-01-01 UTC.
Fault check(double latitude, double longitude, qint64 time, qint64 now);
// x longitude, y latitude in 1e-7 degree, as on the wire.
Fault check(const QPoint &position, qint64 time, qint64 now);

// "not finite", "latitude", ...: the word the log and the stats use.
const char *faultName(Fault fault);

} // namespace PositionScreen

#endif // POSITIONSCREEN_H
