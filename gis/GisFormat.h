#ifndef GISFORMAT_H
#define GISFORMAT_H

#include <QString>

#include <optional>

// The GIS file formats shapes are imported from and exported to, told by the
// file's extension.
enum class GisFormat { GeoJson, Gpx, Kml, Kmz, Shapefile };

namespace GisFormats {

// .geojson or .json, .gpx, .kml, .kmz, .shp (any case); nothing for another.
std::optional<GisFormat> fromPath(const QString &path);
// The GDAL driver that writes the format.
const char *driverName(GisFormat format);
// "GeoJSON (.geojson), GPX (.gpx), ...": for messages and file dialogs.
QString describeAll();
// "GIS files (*.geojson *.json ...)" for a file dialog.
QString dialogFilter();

} // namespace GisFormats

#endif // GISFORMAT_H
