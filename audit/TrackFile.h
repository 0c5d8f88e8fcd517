#ifndef TRACKFILE_H
#define TRACKFILE_H

#include <QByteArray>
#include <QList>
#include <QString>

// One row of a track: a unit's fix in degrees at a time (unix seconds).
struct TrackRow
{
    int line = 0; // in the file, 1-based
    QString unit;
    qint64 time = 0;
    double latitude = 0.0;
    double longitude = 0.0;
};

// Reads a track from CSV (RFC 4180: commas, double quotes, CRLF or LF): the
// first line names the columns; "unit", "time", "lat" and "lon" are found by
// name (case and blanks around it ignored), any others are ignored. Times are
// ISO 8601 with an offset or Z, or unix seconds. Rows come in any order.
class TrackFile
{
public:
    // False with a one-line reason naming the line at fault.
    static bool read(const QByteArray &csv, QList<TrackRow> *rows, QString *error);
};

#endif // TRACKFILE_H
