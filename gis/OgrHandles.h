#ifndef OGRHANDLES_H
#define OGRHANDLES_H

#include <gdal_priv.h>
#include <ogr_geometry.h>
#include <ogr_spatialref.h>
#include <ogrsf_frmts.h>

#include <QString>

#include <memory>

// Owning handles for what GDAL hands out, and its one-time set-up.
namespace Ogr {

struct DatasetClose
{
    void operator()(GDALDataset *dataset) const { GDALClose(dataset); }
};
struct FeatureDestroy
{
    void operator()(OGRFeature *feature) const { OGRFeature::DestroyFeature(feature); }
};
struct GeometryDestroy
{
    void operator()(OGRGeometry *geometry) const { OGRGeometryFactory::destroyGeometry(geometry); }
};
struct TransformDestroy
{
    void operator()(OGRCoordinateTransformation *transform) const
    {
        OGRCoordinateTransformation::DestroyCT(transform);
    }
};

using Dataset = std::unique_ptr<GDALDataset, DatasetClose>;
using Feature = std::unique_ptr<OGRFeature, FeatureDestroy>;
using Geometry = std::unique_ptr<OGRGeometry, GeometryDestroy>;
using Transform = std::unique_ptr<OGRCoordinateTransformation, TransformDestroy>;

// Registers the drivers once.
void initialise();

// WGS84 with longitude first, as the shapes keep their points.
const OGRSpatialReference &wgs84();

// Keeps GDAL's messages off stderr while it lives and remembers the last
// error, for a message of our own.
class QuietErrors
{
public:
    QuietErrors();
    ~QuietErrors();
    // GDAL's last error message, or fallback when it gave none.
    QString lastError(const QString &fallback) const;

private:
    Q_DISABLE_COPY(QuietErrors)
};

} // namespace Ogr

#endif // OGRHANDLES_H
