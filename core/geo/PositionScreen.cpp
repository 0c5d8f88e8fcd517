#include "geo/PositionScreen.h"

#include <cmath>

namespace PositionScreen {

namespace {

Fault timeFault(qint64 time, qint64 now)
{
    if (time < EarliestTime)
        return Fault::BeforeEpoch;
    if (time > now + MaxLeadSeconds)
        return Fault::Ahead;
    return Fault::None;
}

} // namespace

Fault check(double latitude, double longitude, qint64 time, qint64 now)
{
    if (!std::isfinite(latitude) || !std::isfinite(longitude))
        return Fault::NotFinite;
    if (std::abs(latitude) > 90.0)
        return Fault::Latitude;
    if (std::abs(longitude) > 180.0)
        return Fault::Longitude;
    return timeFault(time, now);
}

Fault check(const QPoint &position, qint64 time, qint64 now)
{
    constexpr qint64 Degree = 10000000;
    if (std::abs(qint64(position.y())) > 90 * Degree)
        return Fault::Latitude;
    if (std::abs(qint64(position.x())) > 180 * Degree)
        return Fault::Longitude;
    return timeFault(time, now);
}

const char *faultName(Fault fault)
{
    switch (fault) {
    case Fault::None:
        return "none";
    case Fault::NotFinite:
        return "not_finite";
    case Fault::Latitude:
        return "latitude";
    case Fault::Longitude:
        return "longitude";
    case Fault::BeforeEpoch:
        return "before_2000";
    case Fault::Ahead:
        return "ahead";
    }
    return "none";
}

} // namespace PositionScreen
