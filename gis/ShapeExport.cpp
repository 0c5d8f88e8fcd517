#include "ShapeExport.h"

#include "GisFormat.h"
#include "OgrHandles.h"
#include "formats/ShapeFields.h"

#include "records/RecordKinds.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <initializer_list>
#include <map>
#include <numeric>
#include <vector>

namespace {

constexpr double DegreesPerUnit = 1e-7;

enum class Family { Points, Lines, Polygons };

OGRPoint toOgr(const QPoint &point)
{
    return OGRPoint(point.x() * DegreesPerUnit, point.y() * DegreesPerUnit);
}

OGRLinearRing *ringOf(const QList<QPoint> &points)
{
    auto *ring = new OGRLinearRing;
    for (const QPoint &point : points)
        ring->addPoint(point.x() * DegreesPerUnit, point.y() * DegreesPerUnit);
    ring->closeRings();
    return ring;
}

// The circle as a ring, drawn on a plane centred on it so that the radius is
// in metres wherever on Earth it lies.
Ogr::Geometry circleRing(const QPoint &centre, double radius)
{
    const OGRPoint middle = toOgr(centre);
    OGRSpatialReference plane;
    plane.SetWellKnownGeogCS("WGS84");
    plane.SetAE(middle.getY(), middle.getX(), 0, 0);
    plane.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    const Ogr::Transform back(OGRCreateCoordinateTransformation(&plane, &Ogr::wgs84()));
    const OGRPoint origin(0, 0);
    Ogr::Geometry ring(origin.Buffer(radius, ShapeFields::CircleRingPoints / 4));
    if (!back || !ring || ring->transform(back.get()) != OGRERR_NONE)
        return nullptr;
    return ring;
}

double numberProperty(const GraphObData &record, const char *key)
{
    return record.properties.value(QLatin1String(key)).toDouble();
}

// Where a shape goes in a GPX file: waypoints, routes, tracks.
int gpxRank(const GraphObData &record)
{
    switch (drawableKind(record.type).value_or(GraphKind::Abstract)) {
    case GraphKind::IconText:
        return 0;
    case GraphKind::Line:
        return 1;
    default:
        return 2;
    }
}

OGRFieldType fieldTypeOf(const QVariant &value)
{
    switch (value.userType()) {
    case QMetaType::Int:
    case QMetaType::Bool: // a boolean subtype, where the format has one
        return OFTInteger;
    case QMetaType::LongLong:
    case QMetaType::UInt:
        return OFTInteger64;
    case QMetaType::Double:
        return OFTReal;
    default:
        return OFTString;
    }
}

// One export: the datasets and layers made as the features need them,
// written in a folder beside the target and moved over it at the end.
class FileWriter
{
public:
    FileWriter(const QString &path, GisFormat format)
        : m_target(path)
        , m_format(format)
    {
    }

    bool write(const QVector<ShapeExport::Feature> &features, QStringList *written,
               QString *error);

private:
    struct Output
    {
        Ogr::Dataset dataset;
        OGRLayer *layer = nullptr;
    };

    // The geometry the record becomes in this format; null with why.
    Ogr::Geometry geometryOf(const GraphObData &record, Family *family, QString *why) const;
    OGRLayer *layerFor(Family family);
    bool addFeature(const ShapeExport::Feature &feature, int index);
    // The attributes as the format keeps them.
    QVariantMap attributesOf(const ShapeExport::Feature &feature) const;
    bool moveIntoPlace(QStringList *written);
    bool fail(const QString &where, const QString &reason);

    const QString m_target;
    const GisFormat m_format;
    std::unique_ptr<QTemporaryDir> m_aside;
    GDALDriver *m_driver = nullptr;
    Ogr::Dataset m_dataset; // every format but Shapefile: one file
    std::map<Family, Output> m_outputs;
    std::vector<std::pair<QString, OGRFieldType>> m_fields; // in order of first use
    QStringList m_booleans; // fields of true and false
    QString m_error;
};

bool FileWriter::write(const QVector<ShapeExport::Feature> &features, QStringList *written,
                       QString *error)
{
    Ogr::initialise();
    const Ogr::QuietErrors quiet;
    const QFileInfo target(m_target);
    m_driver = GetGDALDriverManager()->GetDriverByName(GisFormats::driverName(m_format));
    if (!m_driver) {
        *error = QStringLiteral("%1: GDAL has no writer for this format").arg(target.fileName());
        return false;
    }
    m_aside = std::make_unique<QTemporaryDir>(target.absoluteDir().filePath(
        QStringLiteral(".%1-XXXXXX").arg(target.completeBaseName())));
    if (!m_aside->isValid()) {
        *error = QStringLiteral("%1: the folder cannot be written: %2")
                     .arg(target.fileName(), m_aside->errorString());
        return false;
    }
    for (const auto &field : std::initializer_list<std::pair<const char *, OGRFieldType>>{
             {ShapeFields::Name, OFTString},   {ShapeFields::Kind, OFTString},
             {ShapeFields::Width, OFTInteger}, {ShapeFields::Radius, OFTReal},
             {ShapeFields::Icon, OFTString},   {ShapeFields::Color, OFTString},
             {ShapeFields::Brush, OFTString},  {ShapeFields::Comment, OFTString}})
        m_fields.emplace_back(QLatin1String(field.first), field.second);
    for (const ShapeExport::Feature &feature : features) {
        for (auto it = feature.fields.cbegin(); it != feature.fields.cend(); ++it) {
            const bool known = std::any_of(m_fields.cbegin(), m_fields.cend(), [&](const auto &f) {
                return f.first == it.key();
            });
            if (!known && !it.value().isNull())
                m_fields.emplace_back(it.key(), fieldTypeOf(it.value()));
            if (!known && it.value().userType() == QMetaType::Bool)
                m_booleans.append(it.key());
        }
    }
    // GPX wants waypoints, then routes, then tracks.
    std::vector<int> order(features.size());
    std::iota(order.begin(), order.end(), 0);
    if (m_format == GisFormat::Gpx) {
        std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
            return gpxRank(features.at(a).record) < gpxRank(features.at(b).record);
        });
    }
    bool done = true;
    for (auto i = order.cbegin(); done && i != order.cend(); ++i)
        done = addFeature(features.at(*i), *i);
    if (done && features.isEmpty())
        done = fail(QString(), QStringLiteral("there is nothing to export"));
    // Closing writes what GDAL still holds.
    m_outputs.clear();
    m_dataset.reset();
    if (done && !moveIntoPlace(written))
        done = false;
    if (!done)
        *error = m_error.isEmpty() ? quiet.lastError(QStringLiteral("writing failed")) : m_error;
    return done;
}

Ogr::Geometry FileWriter::geometryOf(const GraphObData &record, Family *family,
                                     QString *why) const
{
    const bool gpx = m_format == GisFormat::Gpx;
    switch (drawableKind(record.type).value_or(GraphKind::Abstract)) {
    case GraphKind::IconText:
        *family = Family::Points;
        return Ogr::Geometry(toOgr(record.points.value(0)).clone());
    case GraphKind::Circle: {
        const QPoint centre = record.points.value(0);
        if (m_format == GisFormat::GeoJson) {
            *family = Family::Points;
            return Ogr::Geometry(toOgr(centre).clone());
        }
        const double radius = numberProperty(record, GraphProperty::Diameter) / 2;
        Ogr::Geometry ring = circleRing(centre, radius);
        if (!ring)
            *why = QStringLiteral("the circle cannot be drawn as a ring");
        *family = Family::Polygons;
        if (ring && gpx) {
            auto *track = new OGRMultiLineString;
            track->addGeometry(ring->toPolygon()->getExteriorRing());
            return Ogr::Geometry(track);
        }
        return ring;
    }
    case GraphKind::Line: {
        *family = Family::Lines;
        auto *line = new OGRLineString;
        for (const QPoint &point : record.points)
            line->addPoint(point.x() * DegreesPerUnit, point.y() * DegreesPerUnit);
        return Ogr::Geometry(line);
    }
    case GraphKind::Polygon: {
        *family = Family::Polygons;
        std::unique_ptr<OGRLinearRing> ring(ringOf(record.points));
        if (gpx) {
            auto *track = new OGRMultiLineString;
            track->addGeometry(ring.get());
            return Ogr::Geometry(track);
        }
        auto *polygon = new OGRPolygon;
        polygon->addRingDirectly(ring.release());
        return Ogr::Geometry(polygon);
    }
    case GraphKind::Abstract:
    case GraphKind::Cone:
        break;
    }
    *why = QStringLiteral("type %1 is not a shape").arg(record.type);
    return nullptr;
}

OGRLayer *FileWriter::layerFor(Family family)
{
    // GeoJSON and KML take every family in one layer.
    const bool oneLayer = m_format != GisFormat::Shapefile && m_format != GisFormat::Gpx;
    Output &output = m_outputs[oneLayer ? Family::Points : family];
    if (output.layer)
        return output.layer;
    const QFileInfo target(m_target);
    const QDir aside(m_aside->path());
    QString layerName = target.completeBaseName();
    OGRwkbGeometryType type = wkbUnknown;
    char **options = nullptr;
    if (m_format == GisFormat::Shapefile) {
        static const char *const Suffixes[] = {"_points", "_lines", "_polygons"};
        static const OGRwkbGeometryType Types[] = {wkbPoint, wkbLineString, wkbPolygon};
        layerName += QLatin1String(Suffixes[int(family)]);
        type = Types[int(family)];
        const QByteArray file = QFile::encodeName(aside.filePath(layerName + ".shp"));
        output.dataset.reset(m_driver->Create(file.constData(), 0, 0, 0, GDT_Unknown, nullptr));
        options = CSLSetNameValue(options, "ENCODING", "UTF-8");
    } else if (!m_dataset) {
        const QByteArray file = QFile::encodeName(aside.filePath(target.fileName()));
        m_dataset.reset(m_driver->Create(file.constData(), 0, 0, 0, GDT_Unknown, nullptr));
    }
    if (m_format == GisFormat::Gpx) {
        static const char *const Layers[] = {"waypoints", "routes", "tracks"};
        static const OGRwkbGeometryType Types[] = {wkbPoint, wkbLineString, wkbMultiLineString};
        layerName = QLatin1String(Layers[int(family)]);
        type = Types[int(family)];
    }
    GDALDataset *dataset = output.dataset ? output.dataset.get() : m_dataset.get();
    if (!dataset)
        return nullptr;
    const QByteArray name = layerName.toUtf8();
    // GDAL takes a non-const reference it only reads.
    output.layer = dataset->CreateLayer(name.constData(),
                                        const_cast<OGRSpatialReference *>(&Ogr::wgs84()), type,
                                        options);
    CSLDestroy(options);
    if (!output.layer || m_format == GisFormat::Gpx)
        return output.layer;
    for (const auto &field : m_fields) {
        const QByteArray fieldName = field.first.toUtf8();
        OGRFieldDefn definition(fieldName.constData(), field.second);
        if (m_booleans.contains(field.first))
            definition.SetSubType(OFSTBoolean);
        if (output.layer->CreateField(&definition) != OGRERR_NONE)
            return nullptr;
    }
    return output.layer;
}

QVariantMap FileWriter::attributesOf(const ShapeExport::Feature &feature) const
{
    const GraphObData &record = feature.record;
    const QVariant comment = record.properties.value(QLatin1String(GraphProperty::Comment));
    if (m_format == GisFormat::Gpx)
        return {{QStringLiteral("name"), record.name}, {QStringLiteral("cmt"), comment}};
    QVariantMap attributes = feature.fields;
    attributes.insert(QLatin1String(ShapeFields::Name), record.name);
    attributes.insert(QLatin1String(ShapeFields::Kind), ShapeFields::kindName(record.type));
    attributes.insert(QLatin1String(ShapeFields::Comment), comment);
    const auto colour = [&](const char *key) {
        const QColor color = record.properties.value(QLatin1String(key)).value<QColor>();
        return color.isValid() ? QVariant(color.name(QColor::HexArgb)) : QVariant();
    };
    attributes.insert(QLatin1String(ShapeFields::Color), colour(GraphProperty::Color));
    attributes.insert(QLatin1String(ShapeFields::Brush), colour(GraphProperty::Brush));
    switch (drawableKind(record.type).value_or(GraphKind::Abstract)) {
    case GraphKind::Line:
        attributes.insert(QLatin1String(ShapeFields::Width),
                          int(numberProperty(record, GraphProperty::Width)));
        break;
    case GraphKind::Circle:
        attributes.insert(QLatin1String(ShapeFields::Radius),
                          numberProperty(record, GraphProperty::Diameter) / 2);
        break;
    case GraphKind::IconText:
        attributes.insert(QLatin1String(ShapeFields::Icon),
                          record.properties.value(QLatin1String(GraphProperty::IconName)));
        break;
    default:
        break;
    }
    return attributes;
}

bool FileWriter::addFeature(const ShapeExport::Feature &feature, int index)
{
    const QString where = QStringLiteral("feature %1 \"%2\"").arg(index + 1)
                              .arg(feature.record.name);
    Family family = Family::Points;
    QString why;
    Ogr::Geometry geometry = geometryOf(feature.record, &family, &why);
    if (!geometry)
        return fail(where, why);
    OGRLayer *layer = layerFor(family);
    if (!layer)
        return fail(where, QStringLiteral("the file cannot be made"));
    Ogr::Feature out(OGRFeature::CreateFeature(layer->GetLayerDefn()));
    const QVariantMap attributes = attributesOf(feature);
    for (auto it = attributes.cbegin(); it != attributes.cend(); ++it) {
        if (it.value().isNull())
            continue;
        // By position: a Shapefile cuts long field names short.
        const auto known = std::find_if(m_fields.cbegin(), m_fields.cend(),
                                        [&](const auto &field) { return field.first == it.key(); });
        const int field = m_format == GisFormat::Gpx
                              ? out->GetFieldIndex(it.key().toUtf8().constData())
                              : int(known - m_fields.cbegin());
        if (field < 0 || field >= out->GetFieldCount())
            continue;
        switch (out->GetFieldDefnRef(field)->GetType()) {
        case OFTInteger:
            out->SetField(field, it.value().toInt());
            break;
        case OFTInteger64:
            out->SetField(field, GIntBig(it.value().toLongLong()));
            break;
        case OFTReal:
            out->SetField(field, it.value().toDouble());
            break;
        default:
            out->SetField(field, it.value().toString().toUtf8().constData());
            break;
        }
    }
    out->SetGeometryDirectly(geometry.release());
    if (layer->CreateFeature(out.get()) != OGRERR_NONE) {
        const char *why = CPLGetLastErrorMsg();
        return fail(where, QString::fromUtf8(why && *why ? why : "GDAL could not write it"));
    }
    return true;
}

bool FileWriter::moveIntoPlace(QStringList *written)
{
    const QDir into = QFileInfo(m_target).absoluteDir();
    const QFileInfoList made = QDir(m_aside->path()).entryInfoList(QDir::Files, QDir::Name);
    for (const QFileInfo &file : made) {
        const QString destination = into.filePath(file.fileName());
        if (QFile::exists(destination) && !QFile::remove(destination))
            return fail(QString(), QStringLiteral("%1 cannot be replaced").arg(destination));
        if (!QFile::rename(file.filePath(), destination))
            return fail(QString(), QStringLiteral("%1 cannot be written").arg(destination));
        if (m_format != GisFormat::Shapefile || file.suffix() == QLatin1String("shp"))
            written->append(destination);
    }
    return true;
}

bool FileWriter::fail(const QString &where, const QString &reason)
{
    const QString file = QFileInfo(m_target).fileName();
    m_error = where.isEmpty() ? QStringLiteral("%1: %2").arg(file, reason)
                              : QStringLiteral("%1, %2: %3").arg(file, where, reason);
    return false;
}

} // namespace

bool ShapeExport::write(const QString &path, const QVector<Feature> &features,
                        QStringList *written, QString *error)
{
    const std::optional<GisFormat> format = GisFormats::fromPath(path);
    if (!format) {
        *error = QStringLiteral("%1: the extension names no format; use one of %2")
                     .arg(QFileInfo(path).fileName(), GisFormats::describeAll());
        return false;
    }
    return FileWriter(path, *format).write(features, written, error);
}
