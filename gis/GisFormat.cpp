#include "GisFormat.h"

#include <QFileInfo>
#include <QStringList>

namespace GisFormats {

namespace {

struct Entry
{
    GisFormat format;
    const char *suffix;
    const char *driver;
    const char *title;
};

// Reading opens any of these with whatever driver GDAL picks; writing uses
// the one named. KMZ needs libkml's driver; plain KML is written by it too,
// so that both read back alike.
constexpr Entry Entries[] = {
    {GisFormat::GeoJson, "geojson", "GeoJSON", "GeoJSON"},
    {GisFormat::GeoJson, "json", "GeoJSON", "GeoJSON"},
    {GisFormat::Gpx, "gpx", "GPX", "GPX"},
    {GisFormat::Kml, "kml", "LIBKML", "KML"},
    {GisFormat::Kmz, "kmz", "LIBKML", "KMZ"},
    {GisFormat::Shapefile, "shp", "ESRI Shapefile", "Shapefile"},
};

} // namespace

std::optional<GisFormat> fromPath(const QString &path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    for (const Entry &entry : Entries) {
        if (suffix == QLatin1String(entry.suffix))
            return entry.format;
    }
    return std::nullopt;
}

const char *driverName(GisFormat format)
{
    for (const Entry &entry : Entries) {
        if (entry.format == format)
            return entry.driver;
    }
    return "";
}

QString describeAll()
{
    QStringList names;
    for (const Entry &entry : Entries)
        names << QStringLiteral("%1 (.%2)").arg(QLatin1String(entry.title),
                                                QLatin1String(entry.suffix));
    return names.join(QLatin1String(", "));
}

QString dialogFilter()
{
    QStringList patterns;
    for (const Entry &entry : Entries)
        patterns << QStringLiteral("*.") + QLatin1String(entry.suffix);
    return QStringLiteral("GIS (%1)").arg(patterns.join(QLatin1Char(' ')));
}

} // namespace GisFormats
