#include "ShapeImport.h"

#include "OgrHandles.h"
#include "formats/ShapeFields.h"

#include "geo/MapGeometry.h"
#include "records/RecordKinds.h"

#include <QFile>
#include <QFileInfo>

#include <cmath>

namespace {

constexpr double UnitsPerDegree = 1e7;

// GPX keeps every point of a track or route once more as a layer of points.
bool isPointCopyLayer(const char *name)
{
    return EQUAL(name, "track_points") || EQUAL(name, "route_points");
}

QPoint toPoint(double longitude, double latitude)
{
    return QPoint(int(std::llround(longitude * UnitsPerDegree)),
                  int(std::llround(latitude * UnitsPerDegree)));
}

// One file read into shapes: the layers in order, each feature's geometry
// taken apart, reprojected and checked.
class FileReader
{
public:
    FileReader(const QString &path, const ShapeImport::Options &options,
               const ShapeImport::Progress &progress)
        : m_path(path)
        , m_fileName(QFileInfo(path).fileName())
        , m_options(options)
        , m_progress(progress)
    {
    }

    bool read(ShapeImport::Result *result, QString *error);

private:
    struct FeatureContext
    {
        QString where; // "layer "x", feature 3 "Yard""
        QString name;
        const OGRFeature *feature = nullptr;
        bool isTrack = false;
    };

    bool readLayer(OGRLayer &layer, qint64 total);
    bool readFeature(OGRLayer &layer, const OGRFeature &feature);
    bool takeGeometry(const OGRGeometry &geometry, const FeatureContext &context, int *part,
                      int parts);
    bool takePoint(const OGRPoint &point, GraphObData record, const FeatureContext &context);
    bool takeLine(const OGRLineString &line, GraphObData record, const FeatureContext &context);
    bool takePolygon(const OGRPolygon &polygon, GraphObData record,
                     const FeatureContext &context);
    // The ring or line's points; false when one lies off Earth or there are too many.
    bool takePoints(const OGRSimpleCurve &curve, QList<QPoint> *points,
                    const FeatureContext &context);
    bool addShape(GraphObData record);

    QString fieldText(const OGRFeature &feature, const char *field) const;
    bool fieldNumber(const OGRFeature &feature, const char *field, double *value) const;
    QColor fieldColor(const OGRFeature &feature, const char *field, const QColor &fallback) const;

    bool fail(const QString &where, const QString &reason);
    void warn(const QString &where, const QString &warning);

    const QString m_path;
    const QString m_fileName;
    const ShapeImport::Options m_options;
    const ShapeImport::Progress &m_progress;
    Ogr::Transform m_toWgs84; // null when the layer is in WGS84 already
    ShapeImport::Result m_result;
    QString m_error;
    qint64 m_done = 0;
};

bool FileReader::read(ShapeImport::Result *result, QString *error)
{
    Ogr::initialise();
    const Ogr::QuietErrors quiet;
    const QByteArray path = QFile::encodeName(m_path);
    Ogr::Dataset dataset(GDALDataset::Open(path.constData(), GDAL_OF_VECTOR | GDAL_OF_READONLY));
    if (!dataset) {
        *error = QStringLiteral("%1: %2").arg(
            m_fileName, quiet.lastError(QStringLiteral("not a GIS file GDAL can read")));
        return false;
    }
    qint64 total = 0;
    for (OGRLayer *layer : dataset->GetLayers()) {
        if (!isPointCopyLayer(layer->GetName()))
            total += std::max<GIntBig>(layer->GetFeatureCount(FALSE), 0);
    }
    for (OGRLayer *layer : dataset->GetLayers()) {
        if (!isPointCopyLayer(layer->GetName()) && !readLayer(*layer, total)) {
            *error = m_error;
            return false;
        }
    }
    if (m_result.shapes.isEmpty()) {
        fail(QString(), QStringLiteral("holds no shapes"));
        *error = m_error;
        return false;
    }
    *result = std::move(m_result);
    return true;
}

bool FileReader::readLayer(OGRLayer &layer, qint64 total)
{
    const QString where = QStringLiteral("layer \"%1\"").arg(QString::fromUtf8(layer.GetName()));
    m_toWgs84.reset();
    const OGRSpatialReference *source = layer.GetSpatialRef();
    if (!source) {
        return fail(where, QStringLiteral("has no coordinate reference system"
                                          " (a Shapefile needs its .prj)"));
    }
    OGRSpatialReference from(*source);
    from.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    if (!from.IsSame(&Ogr::wgs84())) {
        m_toWgs84.reset(OGRCreateCoordinateTransformation(&from, &Ogr::wgs84()));
        if (!m_toWgs84) {
            return fail(where, QStringLiteral("its coordinate reference system cannot be"
                                              " turned into WGS84"));
        }
    }
    layer.ResetReading();
    for (Ogr::Feature feature(layer.GetNextFeature()); feature;
         feature.reset(layer.GetNextFeature())) {
        if (!readFeature(layer, *feature))
            return false;
        if (m_progress && !m_progress(++m_done, total))
            return fail(QString(), QStringLiteral("import cancelled"));
    }
    return true;
}

bool FileReader::readFeature(OGRLayer &layer, const OGRFeature &feature)
{
    FeatureContext context;
    context.feature = &feature;
    context.isTrack = EQUAL(layer.GetName(), "tracks");
    context.name = fieldText(feature, ShapeFields::Name);
    context.where = QStringLiteral("layer \"%1\", feature %2")
                        .arg(QString::fromUtf8(layer.GetName()))
                        .arg(feature.GetFID());
    if (!context.name.isEmpty())
        context.where += QStringLiteral(" \"%1\"").arg(context.name);
    if (context.name.isEmpty()) {
        context.name = QStringLiteral("%1 %2").arg(QString::fromUtf8(layer.GetName()))
                           .arg(feature.GetFID());
    }

    const OGRGeometry *geometry = feature.GetGeometryRef();
    if (!geometry || geometry->IsEmpty())
        return fail(context.where, QStringLiteral("has no geometry"));
    Ogr::Geometry linear(geometry->hasCurveGeometry() ? geometry->getLinearGeometry()
                                                      : geometry->clone());
    if (m_toWgs84 && linear->transform(m_toWgs84.get()) != OGRERR_NONE)
        return fail(context.where, QStringLiteral("cannot be reprojected to WGS84"));
    const auto *collection = dynamic_cast<const OGRGeometryCollection *>(linear.get());
    int part = 0;
    return takeGeometry(*linear, context, &part, collection ? collection->getNumGeometries() : 1);
}

bool FileReader::takeGeometry(const OGRGeometry &geometry, const FeatureContext &context,
                              int *part, int parts)
{
    if (const auto *collection = dynamic_cast<const OGRGeometryCollection *>(&geometry)) {
        for (const OGRGeometry *member : collection) {
            if (!takeGeometry(*member, context, part, parts))
                return false;
        }
        return true;
    }
    ++*part;
    GraphObData record;
    record.name = parts > 1 ? QStringLiteral("%1 (%2)").arg(context.name).arg(*part)
                            : context.name;
    const QString comment = fieldText(*context.feature, ShapeFields::Comment);
    if (!comment.isEmpty())
        record.properties.insert(QLatin1String(GraphProperty::Comment), comment);
    if (geometry.IsEmpty())
        return fail(context.where, QStringLiteral("part %1 is empty").arg(*part));
    switch (wkbFlatten(geometry.getGeometryType())) {
    case wkbPoint:
        return takePoint(*geometry.toPoint(), record, context);
    case wkbLineString:
        return takeLine(*geometry.toLineString(), record, context);
    case wkbPolygon:
        return takePolygon(*geometry.toPolygon(), record, context);
    default:
        return fail(context.where, QStringLiteral("a %1 is not a shape that can be imported")
                                       .arg(QString::fromUtf8(geometry.getGeometryName())));
    }
}

bool FileReader::takePoint(const OGRPoint &point, GraphObData record,
                           const FeatureContext &context)
{
    const OGRFeature &feature = *context.feature;
    OGRLineString asLine;
    asLine.addPoint(&point);
    if (!takePoints(asLine, &record.points, context))
        return false;
    double radius = 0;
    if (fieldNumber(feature, ShapeFields::Radius, &radius)) {
        if (!(radius > 0))
            return fail(context.where, QStringLiteral("a circle's radius must be above 0"));
        record.type = qint32(GraphKind::Circle);
        record.properties.insert(QLatin1String(GraphProperty::Diameter),
                                 int(std::lround(2 * radius)));
        record.properties.insert(QLatin1String(GraphProperty::Color),
                                 fieldColor(feature, ShapeFields::Color,
                                            ShapeFields::defaultColor()));
        record.properties.insert(QLatin1String(GraphProperty::Brush),
                                 fieldColor(feature, ShapeFields::Brush,
                                            ShapeFields::defaultBrush()));
    } else {
        record.type = qint32(GraphKind::IconText);
        const QString icon = fieldText(feature, ShapeFields::Icon);
        record.properties.insert(QLatin1String(GraphProperty::IconName),
                                 icon.isEmpty() ? QLatin1String(ShapeFields::DefaultIcon) : icon);
    }
    return addShape(std::move(record));
}

bool FileReader::takeLine(const OGRLineString &line, GraphObData record,
                          const FeatureContext &context)
{
    const OGRFeature &feature = *context.feature;
    record.type = qint32(GraphKind::Line);
    Ogr::Geometry simplified;
    const OGRLineString *taken = &line;
    if (context.isTrack && m_options.simplifyMetres > 0 && line.getNumPoints() > 2) {
        // Simplified in metres: on a plane centred on the track, and back.
        OGREnvelope box;
        line.getEnvelope(&box);
        OGRSpatialReference plane;
        plane.SetWellKnownGeogCS("WGS84");
        plane.SetAE((box.MinY + box.MaxY) / 2, (box.MinX + box.MaxX) / 2, 0, 0);
        plane.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
        const Ogr::Transform there(OGRCreateCoordinateTransformation(&Ogr::wgs84(), &plane));
        const Ogr::Transform back(OGRCreateCoordinateTransformation(&plane, &Ogr::wgs84()));
        Ogr::Geometry flat(line.clone());
        if (!there || !back || flat->transform(there.get()) != OGRERR_NONE)
            return fail(context.where, QStringLiteral("the track cannot be simplified"));
        simplified.reset(flat->Simplify(m_options.simplifyMetres));
        if (!simplified || simplified->transform(back.get()) != OGRERR_NONE
            || wkbFlatten(simplified->getGeometryType()) != wkbLineString)
            return fail(context.where, QStringLiteral("the track cannot be simplified"));
        taken = simplified->toLineString();
    }
    if (!takePoints(*taken, &record.points, context))
        return false;
    if (record.points.size() < 2)
        return fail(context.where, QStringLiteral("a line needs two points"));
    double width = 0;
    if (!fieldNumber(feature, ShapeFields::Width, &width))
        width = ShapeFields::DefaultWidth;
    if (!(width > 0))
        return fail(context.where, QStringLiteral("a corridor's width must be above 0"));
    record.properties.insert(QLatin1String(GraphProperty::Width), int(std::lround(width)));
    record.properties.insert(QLatin1String(GraphProperty::Color),
                             fieldColor(feature, ShapeFields::Color, ShapeFields::defaultColor()));
    return addShape(std::move(record));
}

bool FileReader::takePolygon(const OGRPolygon &polygon, GraphObData record,
                             const FeatureContext &context)
{
    record.type = qint32(GraphKind::Polygon);
    Ogr::Geometry repaired;
    const OGRPolygon *taken = &polygon;
    if (!polygon.IsValid()) {
        repaired.reset(polygon.MakeValid());
        if (!repaired || wkbFlatten(repaired->getGeometryType()) != wkbPolygon) {
            return fail(context.where,
                        QStringLiteral("the polygon crosses itself and cannot be repaired"
                                       " as one polygon"));
        }
        taken = repaired->toPolygon();
        warn(context.where, QStringLiteral("the polygon crossed itself and was repaired"));
    }
    if (const int holes = taken->getNumInteriorRings())
        warn(context.where, QStringLiteral("%1 hole(s) dropped").arg(holes));
    if (!takePoints(*taken->getExteriorRing(), &record.points, context))
        return false;
    // The first point is not repeated at the end.
    if (record.points.size() > 1 && record.points.first() == record.points.last())
        record.points.removeLast();
    if (record.points.size() < 3)
        return fail(context.where, QStringLiteral("a polygon needs three points"));
    const OGRFeature &feature = *context.feature;
    record.properties.insert(QLatin1String(GraphProperty::Color),
                             fieldColor(feature, ShapeFields::Color, ShapeFields::defaultColor()));
    record.properties.insert(QLatin1String(GraphProperty::Brush),
                             fieldColor(feature, ShapeFields::Brush, ShapeFields::defaultBrush()));
    return addShape(std::move(record));
}

bool FileReader::takePoints(const OGRSimpleCurve &curve, QList<QPoint> *points,
                            const FeatureContext &context)
{
    const int count = curve.getNumPoints();
    if (count > MaxShapePoints) {
        return fail(context.where, QStringLiteral("has %1 points, more than %2")
                                       .arg(count)
                                       .arg(MaxShapePoints));
    }
    points->reserve(count);
    for (int i = 0; i < count; ++i) {
        const double x = curve.getX(i);
        const double y = curve.getY(i);
        if (!std::isfinite(x) || !std::isfinite(y) || std::abs(x) > 180 || std::abs(y) > 90)
            return fail(context.where, QStringLiteral("point %1 lies off Earth").arg(i + 1));
        points->append(toPoint(x, y));
    }
    return true;
}

bool FileReader::addShape(GraphObData record)
{
    m_result.shapes.append(std::move(record));
    return true;
}

QString FileReader::fieldText(const OGRFeature &feature, const char *field) const
{
    // "name" and "Name" may both be there, each set on some features only.
    for (int index = 0; index < feature.GetFieldCount(); ++index) {
        if (EQUAL(feature.GetFieldDefnRef(index)->GetNameRef(), field)
            && feature.IsFieldSetAndNotNull(index)) {
            const QString text = QString::fromUtf8(feature.GetFieldAsString(index)).trimmed();
            if (!text.isEmpty())
                return text;
        }
    }
    return QString();
}

bool FileReader::fieldNumber(const OGRFeature &feature, const char *field, double *value) const
{
    const QString text = fieldText(feature, field);
    bool ok = false;
    *value = text.toDouble(&ok);
    return ok && std::isfinite(*value);
}

QColor FileReader::fieldColor(const OGRFeature &feature, const char *field,
                              const QColor &fallback) const
{
    const QColor color(fieldText(feature, field));
    return color.isValid() ? color : fallback;
}

bool FileReader::fail(const QString &where, const QString &reason)
{
    m_error = where.isEmpty() ? QStringLiteral("%1: %2").arg(m_fileName, reason)
                              : QStringLiteral("%1, %2: %3").arg(m_fileName, where, reason);
    return false;
}

void FileReader::warn(const QString &where, const QString &warning)
{
    m_result.warnings << QStringLiteral("%1, %2: %3").arg(m_fileName, where, warning);
}

} // namespace

bool ShapeImport::read(const QString &path, const Options &options, Result *result,
                       QString *error, const Progress &progress)
{
    return FileReader(path, options, progress).read(result, error);
}
