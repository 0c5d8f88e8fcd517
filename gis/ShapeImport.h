#ifndef SHAPEIMPORT_H
#define SHAPEIMPORT_H

#include "records/GraphObData.h"

#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>

// Reads the shapes of a GIS file (GeoJSON, GPX, KML/KMZ, Shapefile, or any
// vector file GDAL opens) as graphic object records in WGS84:
// - polygons become polygons, their holes dropped with a warning; a polygon
//   that crosses itself is repaired when the repair is one polygon;
// - lines become corridor lines; GPX tracks are simplified first (the
//   tolerance in metres), GPX routes are taken as they are;
// - points become icons, or circles when they carry a "radius";
// - every part of a multi-part geometry is an object of its own.
// Names come from a "name" field (any case), else the layer and feature.
// The look comes from the fields ShapeFields names, else its defaults.
// A file in another coordinate system is reprojected; one without any
// (a Shapefile without its .prj) is refused.
class ShapeImport
{
public:
    static constexpr double DefaultSimplifyMetres = 5.0;

    struct Options
    {
        double simplifyMetres = DefaultSimplifyMetres; // GPX tracks; 0 keeps every point
    };
    struct Result
    {
        QVector<GraphObData> shapes; // ids 0
        QStringList warnings;        // each naming the file and the feature
    };
    // Called after each feature with how many were read of how many (0 when
    // not known); false stops the import.
    using Progress = std::function<bool(qint64 done, qint64 total)>;

    // False with one line naming the file and the feature at fault, and
    // nothing in result: a file is taken whole or not at all.
    static bool read(const QString &path, const Options &options, Result *result,
                     QString *error, const Progress &progress = {});
};

#endif // SHAPEIMPORT_H
