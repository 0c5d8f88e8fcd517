#include "FeedPlan.h"

#include "geo/EarthModel.h"

#include <GeographicLib/Geodesic.hpp>

#include <algorithm>
#include <cmath>

namespace {

constexpr double KnotsPerMetrePerSecond = 3600.0 / 1852.0;

const GeographicLib::Geodesic &wgs84()
{
    static const GeographicLib::Geodesic geodesic(EarthModel::Wgs84::EquatorialRadius,
                                                  EarthModel::Wgs84::Flattening);
    return geodesic;
}

// What the leg from a to b says of *at's motion where the file says nothing:
// at b it heads as the leg arrives, at a as it leaves.
void fillMotion(const TrackPoint &a, const TrackPoint &b, bool atB, TrackPoint *at)
{
    double metres = 0, azimuthA = 0, azimuthB = 0;
    wgs84().Inverse(a.latitude, a.longitude, b.latitude, b.longitude, metres, azimuthA,
                    azimuthB);
    const qint64 ms = b.timeMs - a.timeMs;
    if (std::isnan(at->speedKnots) && ms > 0)
        at->speedKnots = metres / (double(ms) / 1000.0) * KnotsPerMetrePerSecond;
    if (std::isnan(at->bearing) && metres > 0)
        at->bearing = std::fmod((atB ? azimuthB : azimuthA) + 360.0, 360.0);
}

} // namespace

namespace FeedPlan {

QList<FeedFix> plan(const QList<TrackPoint> &points, double speed, qint64 startMs)
{
    const qint64 startSecond = startMs / 1000;
    double dueMs = 0;
    QList<FeedFix> fixes;
    for (int i = 0; i < points.size(); ++i) {
        FeedFix fix;
        fix.point = points.at(i);
        if (i > 0) {
            dueMs += double(std::max<qint64>(0, points.at(i).timeMs - points.at(i - 1).timeMs))
                     / speed;
            fillMotion(points.at(i - 1), points.at(i), true, &fix.point);
        } else if (points.size() > 1) {
            fillMotion(points.at(0), points.at(1), false, &fix.point);
        }
        fix.dueMs = std::llround(dueMs);
        fix.timestamp = startSecond + fix.dueMs / 1000;
        fixes.append(fix);
    }
    return fixes;
}

QUrl url(const QUrl &base, const FeedFix &fix, const QString &deviceId, const QString &key)
{
    QByteArray query = base.query(QUrl::FullyEncoded).toLatin1();
    query += (query.isEmpty() ? "id=" : "&id=") + QUrl::toPercentEncoding(deviceId);
    const auto add = [&query](const char *name, const QString &value) {
        query += '&' + QByteArray(name) + '=' + QUrl::toPercentEncoding(value);
    };
    const TrackPoint &p = fix.point;
    add("lat", QString::number(p.latitude, 'f', 7));
    add("lon", QString::number(p.longitude, 'f', 7));
    add("timestamp", QString::number(fix.timestamp));
    if (!std::isnan(p.speedKnots))
        add("speed", QString::number(p.speedKnots, 'f', 2));
    if (!std::isnan(p.bearing))
        add("bearing", QString::number(p.bearing, 'f', 1));
    if (!std::isnan(p.altitude))
        add("altitude", QString::number(p.altitude, 'f', 1));
    if (!key.isEmpty())
        add("key", key);
    QUrl url = base.adjusted(QUrl::RemoveFragment);
    if (url.path().isEmpty())
        url.setPath(QStringLiteral("/"));
    url.setQuery(QString::fromLatin1(query), QUrl::StrictMode);
    return url;
}

} // namespace FeedPlan
