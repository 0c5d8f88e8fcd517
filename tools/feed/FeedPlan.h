#ifndef FEEDPLAN_H
#define FEEDPLAN_H

#include "TrackReader.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QUrl>

// One fix as the feed sends it.
struct FeedFix
{
    qint64 dueMs = 0;     // when to send it, from the start of the pass
    qint64 timestamp = 0; // the time it carries, unix seconds
    TrackPoint point;     // speed and bearing filled in where the file had none
};

namespace FeedPlan {

// One pass over the track starting at startMs (ms since 1970-01-01 UTC): the
// first point carries that time (to the second), the others follow by the
// file's gaps divided by speed; a gap backwards counts as none. Speed and
// bearing the file left out come from the geodesic to the point (or, for
// the first, from it to the next), with the file's own gaps.
QList<FeedFix> plan(const QList<TrackPoint> &points, double speed, qint64 startMs);

// The URL the fix goes to: base with its query (kept, if any) followed by
// id, lat, lon, timestamp, then speed (knots), bearing and altitude where
// known, then key unless it is empty; percent-encoded.
QUrl url(const QUrl &base, const FeedFix &fix, const QString &deviceId, const QString &key);

} // namespace FeedPlan

#endif // FEEDPLAN_H
