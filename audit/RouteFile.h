#ifndef ROUTEFILE_H
#define ROUTEFILE_H

#include "AuditRoute.h"

#include <QByteArray>
#include <QString>

// Reads a route from GeoJSON (RFC 7946, WGS84 longitude/latitude): a
// FeatureCollection with a top-level member "route" (name, checkTimeType 0-4,
// checkTime as ISO 8601 or unix seconds, units by name), each Feature one
// shape of a section. A feature's properties: "section" (1-based order),
// "sectionName", "kind" ("polygon" with a Polygon, "corridor" with a
// LineString and "width" in metres, "circle" with a Point and "radius" in
// metres, "icon" with a Point), "timeIn", "timeOut" (seconds from the
// reference, -1 for none), "inAhead", "inBehind", "outAhead", "outBehind"
// (seconds), "messageIn", "messageOut". A section's own properties are taken
// from its first feature.
class RouteFile
{
public:
    // False with a one-line reason naming the line or feature at fault.
    static bool read(const QByteArray &json, AuditRoute *route, QString *error);
    // Whether the file is JSON whose top level has the member "route".
    static bool isRouteFile(const QString &path);
};

#endif // ROUTEFILE_H
