#ifndef TRACKREADER_H
#define TRACKREADER_H

#include <QByteArray>
#include <QList>
#include <QString>

#include <limits>

// One point of a recorded track. Degrees on WGS84; NaN where the file says nothing.
struct TrackPoint
{
    static constexpr double Unknown = std::numeric_limits<double>::quiet_NaN();

    int line = 0;      // in the file, 1-based
    qint64 timeMs = 0; // since 1970-01-01 UTC
    double latitude = 0;
    double longitude = 0;
    double speedKnots = Unknown;
    double bearing = Unknown;  // degrees from north, clockwise
    double altitude = Unknown; // metres
};

// Reads a recorded track, QtCore only.
//
// GPX 1.0 or 1.1: the track's points (trkpt) in order, or, in a file without
// a track, the route's (rtept), or else the waypoints (wpt); <time>, <ele>, and
// GPX 1.0's <speed> (m/s) and <course>. Times without an offset are UTC, as
// GPX has them. Elements of other namespaces (extensions) are skipped.
//
// CSV as opercheck-audit reads it: a header line naming the columns "time",
// "lat" and "lon", and optionally "speed_kn", "bearing", "altitude" and
// "unit" (one unit only: the file is one device's), any others ignored.
// Times are ISO 8601 with an offset or Z, or unix seconds.
//
// Points without a time come 1 s after the one before.
class TrackReader
{
public:
    enum class Format { Gpx, Csv };

    // By the file's name (.gpx, .csv), else by its first character.
    static Format guess(const QString &fileName, const QByteArray &bytes);
    // False with a one-line reason naming the line at fault; an empty track is one.
    static bool read(const QByteArray &bytes, Format format, QList<TrackPoint> *points,
                     QString *error);
};

#endif // TRACKREADER_H
