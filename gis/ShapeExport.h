#ifndef SHAPEEXPORT_H
#define SHAPEEXPORT_H

#include "records/GraphObData.h"

#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <QVector>

// Writes graphic objects to a GIS file in the format its extension names,
// in WGS84, with their look in the fields ShapeFields names:
// - GeoJSON keeps circles as a Point with a "radius"; the other formats get
//   a ring of ShapeFields::CircleRingPoints points;
// - GPX has icons as waypoints, lines as routes, polygons and circles as
//   closed tracks, with the name and the comment only;
// - a Shapefile holds one geometry type, so there is one per type present:
//   NAME_polygons.shp, NAME_lines.shp, NAME_points.shp.
// The files appear whole or not at all: they are written aside first.
class ShapeExport
{
public:
    struct Feature
    {
        GraphObData record;
        QVariantMap fields; // more attributes, e.g. a section's schedule
    };

    // False with one line naming the file and the feature at fault; written
    // lists the files made.
    static bool write(const QString &path, const QVector<Feature> &features,
                      QStringList *written, QString *error);
};

#endif // SHAPEEXPORT_H
