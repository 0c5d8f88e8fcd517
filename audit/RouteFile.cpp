#include "RouteFile.h"

#include "AuditTime.h"

#include "formats/ShapeFields.h"
#include "records/RecordKinds.h"

#include "records/SectionRecord.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>

#include <cmath>
#include <limits>

namespace {

constexpr double Scale = 1e7; // wire units per degree

class Reader
{
public:
    explicit Reader(QString *error) : m_error(error) {}

    bool fail(const QString &why)
    {
        if (m_error->isEmpty())
            *m_error = m_where.isEmpty() ? why : m_where + QStringLiteral(": ") + why;
        return false;
    }
    void at(const QString &where) { m_where = where; }

    bool integer(const QJsonObject &object, const char *key, qint64 fallback, qint64 low,
                  qint64 high, qint64 *value)
    {
        const QJsonValue v = object.value(QLatin1String(key));
        if (v.isUndefined() || v.isNull()) {
            *value = fallback;
            return true;
        }
        const double d = v.toDouble(std::numeric_limits<double>::quiet_NaN());
        if (!v.isDouble() || !std::isfinite(d) || std::floor(d) != d || d < double(low)
            || d > double(high))
            return fail(QStringLiteral("\"%1\" must be a whole number from %2 to %3")
                            .arg(QLatin1String(key))
                            .arg(low)
                            .arg(high));
        *value = qint64(d);
        return true;
    }

    bool number(const QJsonObject &object, const char *key, double *value)
    {
        const QJsonValue v = object.value(QLatin1String(key));
        const double d = v.toDouble(std::numeric_limits<double>::quiet_NaN());
        if (!v.isDouble() || !std::isfinite(d) || d <= 0.0)
            return fail(QStringLiteral("\"%1\" must be a number of metres above 0")
                            .arg(QLatin1String(key)));
        *value = d;
        return true;
    }

    bool boolean(const QJsonObject &object, const char *key, bool *value)
    {
        const QJsonValue v = object.value(QLatin1String(key));
        if (v.isUndefined() || v.isNull()) {
            *value = true;
            return true;
        }
        if (!v.isBool())
            return fail(QStringLiteral("\"%1\" must be true or false").arg(QLatin1String(key)));
        *value = v.toBool();
        return true;
    }

    // [longitude, latitude] in degrees, on the globe, longitudes not wrapped.
    bool position(const QJsonValue &value, QPoint *point)
    {
        const QJsonArray pair = value.toArray();
        if (!value.isArray() || pair.size() < 2 || !pair.at(0).isDouble()
            || !pair.at(1).isDouble())
            return fail(QStringLiteral("a position must be [longitude, latitude]"));
        const double lon = pair.at(0).toDouble();
        const double lat = pair.at(1).toDouble();
        if (!std::isfinite(lon) || !std::isfinite(lat) || std::abs(lon) > 180.0
            || std::abs(lat) > 90.0)
            return fail(QStringLiteral("position [%1, %2] is not on the globe")
                            .arg(lon, 0, 'g', 12)
                            .arg(lat, 0, 'g', 12));
        *point = QPoint(int(std::lround(lon * Scale)), int(std::lround(lat * Scale)));
        return true;
    }

    bool positions(const QJsonValue &value, int least, QList<QPoint> *points)
    {
        if (!value.isArray())
            return fail(QStringLiteral("the coordinates must be a list of positions"));
        for (const QJsonValue &each : value.toArray()) {
            QPoint point;
            if (!position(each, &point))
                return false;
            points->append(point);
        }
        if (points->size() < least)
            return fail(QStringLiteral("%1 positions at least are needed").arg(least));
        return true;
    }

private:
    QString *m_error;
    QString m_where;
};

struct Shape
{
    qint64 section = 0;
    QJsonObject properties;
    ZoneGeometry zone;
    GraphObData record;
};

// The graphic object a feature stores as: its kind's type and points, its
// name (or its section's), and its look from the fields, else the defaults.
GraphObData recordOf(const QJsonObject &p, GraphKind kind, const QList<QPoint> &points)
{
    GraphObData record;
    record.type = qint32(kind);
    record.points = points;
    record.name = p.value(QLatin1String(ShapeFields::Name)).toString();
    if (record.name.isEmpty())
        record.name = p.value(QLatin1String("sectionName")).toString();
    const auto colour = [&p](const char *field, const QColor &fallback) {
        const QColor colour(p.value(QLatin1String(field)).toString());
        return colour.isValid() ? colour : fallback;
    };
    QVariantMap &look = record.properties;
    switch (kind) {
    case GraphKind::IconText: {
        const QString icon = p.value(QLatin1String(ShapeFields::Icon)).toString();
        look.insert(QLatin1String(GraphProperty::IconName),
                    icon.isEmpty() ? QLatin1String(ShapeFields::DefaultIcon) : icon);
        break;
    }
    case GraphKind::Line:
        look.insert(QLatin1String(GraphProperty::Width),
                    int(std::lround(p.value(QLatin1String(ShapeFields::Width)).toDouble())));
        look.insert(QLatin1String(GraphProperty::Color),
                    colour(ShapeFields::Color, ShapeFields::defaultColor()));
        break;
    default: // polygons and circles
        look.insert(QLatin1String(GraphProperty::Color),
                    colour(ShapeFields::Color, ShapeFields::defaultColor()));
        look.insert(QLatin1String(GraphProperty::Brush),
                    colour(ShapeFields::Brush, ShapeFields::defaultBrush()));
        break;
    }
    if (kind == GraphKind::Circle) {
        look.insert(QLatin1String(GraphProperty::Diameter),
                    int(std::lround(2 * p.value(QLatin1String(ShapeFields::Radius)).toDouble())));
    }
    const QString comment = p.value(QLatin1String(ShapeFields::Comment)).toString();
    if (!comment.isEmpty())
        look.insert(QLatin1String(GraphProperty::Comment), comment);
    return record;
}

bool readShape(Reader &r, const QJsonObject &feature, Shape *shape)
{
    if (feature.value(QLatin1String("type")).toString() != QLatin1String("Feature"))
        return r.fail(QStringLiteral("not a Feature"));
    shape->properties = feature.value(QLatin1String("properties")).toObject();
    const QJsonObject &p = shape->properties;
    if (!r.integer(p, "section", 0, 1, 100000, &shape->section))
        return false;
    if (shape->section == 0)
        return r.fail(QStringLiteral("\"section\" (its 1-based order) is missing"));
    const QJsonObject geometry = feature.value(QLatin1String("geometry")).toObject();
    const QString type = geometry.value(QLatin1String("type")).toString();
    const QJsonValue coordinates = geometry.value(QLatin1String("coordinates"));
    const QString kind = p.value(QLatin1String("kind")).toString();
    const auto wants = [&r, &type, &kind](const char *geometryType) {
        if (type == QLatin1String(geometryType))
            return true;
        return r.fail(QStringLiteral("a %1 needs a %2 geometry, not \"%3\"")
                          .arg(kind, QLatin1String(geometryType), type));
    };
    QList<QPoint> points;
    if (kind == QLatin1String("polygon")) {
        const QJsonArray rings = coordinates.toArray();
        if (!wants("Polygon"))
            return false;
        if (rings.size() != 1)
            return r.fail(QStringLiteral("a polygon must have one ring (holes are not "
                                         "supported), it has %1")
                              .arg(rings.size()));
        if (!r.positions(rings.at(0), 4, &points))
            return false;
        if (points.constFirst() != points.constLast())
            return r.fail(QStringLiteral("a polygon's ring must end where it starts"));
        points.removeLast();
        shape->zone = ZoneGeometry(ZoneGeometry::Kind::Polygon, points);
        shape->record = recordOf(p, GraphKind::Polygon, points);
    } else if (kind == QLatin1String("corridor")) {
        double width = 0.0;
        if (!wants("LineString") || !r.positions(coordinates, 2, &points)
            || !r.number(p, "width", &width))
            return false;
        shape->zone = ZoneGeometry(ZoneGeometry::Kind::Line, points, int(std::lround(width)));
        shape->record = recordOf(p, GraphKind::Line, points);
    } else if (kind == QLatin1String("circle")) {
        double radius = 0.0;
        QPoint centre;
        if (!wants("Point") || !r.position(coordinates, &centre) || !r.number(p, "radius", &radius))
            return false;
        shape->zone =
            ZoneGeometry(ZoneGeometry::Kind::Circle, {centre}, int(std::lround(2.0 * radius)));
        shape->record = recordOf(p, GraphKind::Circle, {centre});
    } else if (kind == QLatin1String("icon")) {
        QPoint at;
        if (!wants("Point") || !r.position(coordinates, &at))
            return false;
        shape->zone = ZoneGeometry(ZoneGeometry::Kind::Icon, {at});
        shape->record = recordOf(p, GraphKind::IconText, {at});
    } else {
        return r.fail(QStringLiteral("\"kind\" must be polygon, corridor, circle or icon, "
                                     "not \"%1\"")
                          .arg(kind));
    }
    return true;
}

// A section's own properties, from its first feature.
bool readSection(Reader &r, const QJsonObject &p, int order, SectionRecord *section)
{
    const qint64 Day = 86400;
    qint64 values[6] = {};
    const char *const keys[6] = {"timeIn", "timeOut", "inAhead", "inBehind", "outAhead",
                                 "outBehind"};
    for (int k = 0; k < 6; ++k) {
        if (!r.integer(p, keys[k], k < 2 ? -1 : 0, k < 2 ? -1 : 0, 366 * Day, &values[k]))
            return false;
    }
    const QJsonValue name = p.value(QLatin1String("sectionName"));
    if (!name.isUndefined() && !name.isNull() && !name.isString())
        return r.fail(QStringLiteral("\"sectionName\" must be text"));
    section->id = order;
    section->name = name.toString();
    section->checkTimeIn = int(values[0]);
    section->checkTimeOut = int(values[1]);
    section->checkTimeInAhead = int(values[2]);
    section->checkTimeInBehind = int(values[3]);
    section->checkTimeOutAhead = int(values[4]);
    section->checkTimeOutBehind = int(values[5]);
    if (!r.boolean(p, "messageIn", &section->messageOnTimeIn)
        || !r.boolean(p, "messageOut", &section->messageOnTimeOut))
        return false;
    section->deriveSchedule();
    return true;
}

bool readHead(Reader &r, const QJsonObject &head, AuditRoute *route)
{
    if (head.isEmpty())
        return r.fail(QStringLiteral("the member \"route\" (name, checkTimeType, checkTime, "
                                     "units) is missing"));
    route->name = head.value(QLatin1String("name")).toString();
    qint64 type = 0;
    if (!r.integer(head, "checkTimeType", -1, 0, 4, &type))
        return false;
    if (type < 0)
        return r.fail(QStringLiteral("\"checkTimeType\" (0 to 4) is missing"));
    const QJsonValue time = head.value(QLatin1String("checkTime"));
    qint64 checkTime = 0;
    QString why;
    if (time.isString()) {
        if (!AuditTime::parse(time.toString(), &checkTime, &why))
            return r.fail(QStringLiteral("\"checkTime\": ") + why);
    } else if (!r.integer(head, "checkTime", -1, 0, std::numeric_limits<quint32>::max(),
                          &checkTime)) {
        return false;
    } else if (checkTime < 0) {
        return r.fail(QStringLiteral("\"checkTime\" is missing"));
    }
    if (checkTime < 0 || checkTime > qint64(std::numeric_limits<quint32>::max()))
        return r.fail(QStringLiteral("\"checkTime\" is out of range"));
    const QJsonArray units = head.value(QLatin1String("units")).toArray();
    for (const QJsonValue &unit : units) {
        const QString name = unit.toString();
        if (!unit.isString() || name.isEmpty() || route->unitNames.contains(name))
            return r.fail(QStringLiteral("\"units\" must be distinct, non-empty names"));
        route->unitNames.append(name);
    }
    if (route->unitNames.isEmpty())
        return r.fail(QStringLiteral("\"units\" names no unit"));
    route->record = std::make_shared<RouteRecord>(1);
    route->record->checkOn = 1;
    route->record->checkTimeType = int(type);
    route->record->checkTime = quint32(checkTime);
    for (int i = 1; i <= route->unitNames.size(); ++i)
        route->record->objects.append(i);
    return true;
}

int lineOf(const QByteArray &text, int offset)
{
    return int(text.left(offset).count('\n')) + 1;
}

} // namespace

bool RouteFile::isRouteFile(const QString &path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    QFile file(path);
    if ((suffix != QLatin1String("geojson") && suffix != QLatin1String("json"))
        || !file.open(QIODevice::ReadOnly))
        return false;
    return QJsonDocument::fromJson(file.readAll()).object().contains(QLatin1String("route"));
}

bool RouteFile::read(const QByteArray &json, AuditRoute *route, QString *error)
{
    error->clear();
    QJsonParseError parse;
    const QJsonDocument document = QJsonDocument::fromJson(json, &parse);
    if (parse.error != QJsonParseError::NoError) {
        *error = QStringLiteral("line %1: %2").arg(lineOf(json, parse.offset)).arg(parse.errorString());
        return false;
    }
    Reader r(error);
    const QJsonObject root = document.object();
    if (root.value(QLatin1String("type")).toString() != QLatin1String("FeatureCollection"))
        return r.fail(QStringLiteral("not a GeoJSON FeatureCollection"));
    AuditRoute read;
    if (!readHead(r, root.value(QLatin1String("route")).toObject(), &read))
        return false;

    QMap<qint64, QList<Shape>> sections;
    const QJsonArray features = root.value(QLatin1String("features")).toArray();
    for (int i = 0; i < features.size(); ++i) {
        r.at(QStringLiteral("feature %1").arg(i + 1));
        Shape shape;
        if (!readShape(r, features.at(i).toObject(), &shape))
            return false;
        sections[shape.section].append(shape);
    }
    r.at(QString());
    if (sections.isEmpty())
        return r.fail(QStringLiteral("no feature makes a section"));
    int order = 0;
    for (auto it = sections.cbegin(); it != sections.cend(); ++it) {
        if (it.key() != ++order)
            return r.fail(QStringLiteral("section %1 has no feature").arg(order));
        auto *section = new SectionRecord;
        read.record->sections.append(section);
        r.at(QStringLiteral("section %1").arg(order));
        if (!readSection(r, it->constFirst().properties, order, section))
            return false;
        QList<ZoneGeometry> zones;
        QList<GraphObData> records;
        for (const Shape &shape : *it) {
            zones.append(shape.zone);
            records.append(shape.record);
        }
        read.zones.append(zones);
        read.shapes.append(records);
    }
    read.record->recomputeMaxSectionId();
    *route = read;
    return true;
}
