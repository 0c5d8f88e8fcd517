#include "feed/OsmAndRequest.h"

#include <QDateTime>
#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

#include <cmath>

namespace OsmAndRequest {

namespace {

using UnitMessages::Unknown;

constexpr double MetresPerSecondPerKnot = 0.514444;
// A device that only gives the dilution of precision: about five metres of
// range error per unit of it, the usual rule of thumb.
constexpr double MetresPerHdop = 5;
// Unix times from here on are milliseconds: 10^11 seconds is past the year 5000.
constexpr double FirstMillisecondTime = 1e11;
// 9999-12-31T23:59:59.999Z; nothing before 1970 either.
constexpr double LastTimeMs = 253402300799999.0;

using Params = QHash<QString, QString>;

// Name=value pairs split on '&', '+' for space, then percent-decoded as
// UTF-8; a later pair of the same name wins. QUrlQuery keeps '+' as it is.
void addForm(Params &params, const QByteArray &form)
{
    const auto decoded = [](QByteArray part) {
        return QString::fromUtf8(QByteArray::fromPercentEncoding(part.replace('+', ' ')));
    };
    for (const QByteArray &pair : form.split('&')) {
        const int equals = pair.indexOf('=');
        if (equals < 0)
            params.insert(decoded(pair), QString());
        else
            params.insert(decoded(pair.left(equals)), decoded(pair.mid(equals + 1)));
    }
}

// Whole milliseconds, when the time is one a device can have sent.
std::optional<qint64> roundedTime(double ms)
{
    if (!(ms >= 0 && ms <= LastTimeMs))
        return std::nullopt;
    return std::llround(ms);
}

// Unix seconds, fractions allowed, or milliseconds from 10^11 on.
std::optional<qint64> numberTime(double value)
{
    return roundedTime(value >= FirstMillisecondTime ? value : value * 1000);
}

// A number as above, or ISO 8601 read as UTC when it carries no offset.
std::optional<qint64> textTime(const QString &text)
{
    bool isNumber = false;
    const double value = text.toDouble(&isNumber);
    if (isNumber)
        return numberTime(value);
    QDateTime time = QDateTime::fromString(text, Qt::ISODateWithMs);
    if (!time.isValid())
        return std::nullopt;
    if (time.timeSpec() == Qt::LocalTime)
        time.setTimeSpec(Qt::UTC);
    return roundedTime(double(time.toMSecsSinceEpoch()));
}

// Phones send -1 for a speed, course or battery level they do not know.
double known(double value)
{
    return value < 0 ? Unknown : value;
}

// Keeps the first fault while the reading goes on; that fault is the answer.
class Reading
{
public:
    QString error;

    void fail(const QString &field, const char *what)
    {
        if (error.isEmpty())
            error = field + QLatin1String(": ") + QLatin1String(what);
    }

    // An empty value says nothing (NaN); anything else must be a finite number.
    double number(const QString &field, const QString &text)
    {
        if (text.isEmpty())
            return Unknown;
        bool ok = false;
        const double value = text.toDouble(&ok);
        if (ok && std::isfinite(value))
            return value;
        fail(field, "not a number");
        return Unknown;
    }

    double required(const QString &field, const QString &text)
    {
        if (text.isEmpty())
            fail(field, "missing");
        return number(field, text);
    }

    // A JSON member: absent or null says nothing; otherwise a finite number.
    double number(const QJsonObject &object, const QString &path, const char *name)
    {
        const QJsonValue value = object.value(QLatin1String(name));
        if (value.isUndefined() || value.isNull())
            return Unknown;
        if (value.isDouble() && std::isfinite(value.toDouble()))
            return value.toDouble();
        fail(path + QLatin1String(name), "not a number");
        return Unknown;
    }

    QJsonObject object(const QJsonObject &parent, const QString &path, const char *name)
    {
        const QJsonValue value = parent.value(QLatin1String(name));
        if (!value.isObject())
            fail(path + QLatin1String(name), "missing or not an object");
        return value.toObject();
    }

    void setTime(DeviceFix &fix, const QString &field, std::optional<qint64> ms)
    {
        if (ms)
            fix.timeMs = *ms;
        else
            fail(field, "not a time");
    }

    void setDevice(DeviceFix &fix, const QString &field, const QString &id)
    {
        if (id.isEmpty())
            fail(field, "missing");
        else if (!UnitMessages::isDeviceId(id))
            fail(field, "not a device id (1 to 64 printable ASCII characters)");
        fix.deviceId = id;
    }

    void setKey(DeviceFix &fix, const QString &key)
    {
        if (!key.isEmpty() && !UnitMessages::isDeviceId(key))
            fail(QStringLiteral("key"), "not a key (1 to 64 printable ASCII characters)");
        fix.key = key.isEmpty() ? QString() : key;
    }

    Result result(const DeviceFix &fix) const
    {
        if (error.isEmpty())
            return {fix, {}};
        return {std::nullopt, error};
    }
};

Result fromParams(const Params &params, qint64 receivedMs)
{
    Reading reading;
    DeviceFix fix;
    const bool byDeviceId = params.value("id").isEmpty() && !params.value("deviceid").isEmpty();
    const QString idField = byDeviceId ? "deviceid" : "id";
    reading.setDevice(fix, idField, params.value(idField));

    QString latField = "lat", lonField = "lon";
    QString lat = params.value(latField), lon = params.value(lonField);
    const QString location = params.value("location");
    if (lat.isEmpty() && lon.isEmpty() && !location.isEmpty()) {
        const QStringList parts = location.split(',');
        if (parts.size() != 2)
            reading.fail("location", "not lat,lon");
        lat = parts.value(0), lon = parts.value(1);
        latField = lonField = "location";
    }
    fix.latitude = reading.required(latField, lat);
    fix.longitude = reading.required(lonField, lon);

    const QString time = params.value("timestamp");
    fix.timeMs = receivedMs;
    if (!time.isEmpty())
        reading.setTime(fix, "timestamp", textTime(time.trimmed()));

    UnitMessages::UnitStatus &status = fix.status;
    status.speed = known(reading.number("speed", params.value("speed"))) * MetresPerSecondPerKnot;
    status.bearing = known(reading.number("bearing", params.value("bearing")));
    status.altitude = reading.number("altitude", params.value("altitude"));
    status.accuracy = reading.number("accuracy", params.value("accuracy"));
    const double hdop = reading.number("hdop", params.value("hdop"));
    if (std::isnan(status.accuracy))
        status.accuracy = hdop * MetresPerHdop;
    status.battery = known(reading.number("batt", params.value("batt")));

    const QString valid = params.value("valid").toLower();
    if (valid == "0" || valid == "false")
        fix.valid = false;
    else if (!valid.isEmpty() && valid != "1" && valid != "true")
        reading.fail("valid", "not 0, 1, true or false");
    reading.setKey(fix, params.value("key"));
    return reading.result(fix);
}

// {"device_id", "location": {"timestamp", "coords": {...}, "battery": {...}}, "key"}
Result fromJson(const QByteArray &body, qint64 receivedMs)
{
    QJsonParseError parsed{};
    const QJsonDocument document = QJsonDocument::fromJson(body, &parsed);
    if (parsed.error != QJsonParseError::NoError)
        return {std::nullopt, QString("JSON: %1 at byte %2").arg(parsed.errorString()).arg(
                                  parsed.offset)};
    if (!document.isObject())
        return {std::nullopt, QStringLiteral("JSON: not an object")};
    const QJsonObject top = document.object();

    Reading reading;
    DeviceFix fix;
    const QJsonValue id = top.value("device_id");
    if (!id.isUndefined() && !id.isString())
        reading.fail("device_id", "not text");
    reading.setDevice(fix, "device_id", id.toString());

    const QJsonObject location = reading.object(top, {}, "location");
    const QJsonObject coords = reading.object(location, "location.", "coords");
    const QString at = "location.coords.";
    fix.latitude = reading.number(coords, at, "latitude");
    fix.longitude = reading.number(coords, at, "longitude");
    if (std::isnan(fix.latitude))
        reading.fail(at + "latitude", "missing");
    if (std::isnan(fix.longitude))
        reading.fail(at + "longitude", "missing");

    const QJsonValue time = location.value("timestamp");
    fix.timeMs = receivedMs;
    if (time.isString())
        reading.setTime(fix, "location.timestamp", textTime(time.toString()));
    else if (time.isDouble())
        reading.setTime(fix, "location.timestamp", numberTime(time.toDouble()));
    else if (!time.isUndefined() && !time.isNull())
        reading.fail("location.timestamp", "not a time");

    UnitMessages::UnitStatus &status = fix.status;
    status.speed = known(reading.number(coords, at, "speed"));
    status.bearing = known(reading.number(coords, at, "heading"));
    status.altitude = reading.number(coords, at, "altitude");
    status.accuracy = reading.number(coords, at, "accuracy");
    const QJsonValue battery = location.value("battery");
    if (battery.isObject())
        status.battery = known(reading.number(battery.toObject(), "location.battery.", "level"))
                         * 100;
    else if (!battery.isUndefined() && !battery.isNull())
        reading.fail("location.battery", "not an object");

    const QJsonValue key = top.value("key");
    if (!key.isUndefined() && !key.isNull() && !key.isString())
        reading.fail("key", "not text");
    reading.setKey(fix, key.toString());
    return reading.result(fix);
}

} // namespace

Result read(Method method, const QByteArray &query, const QByteArray &contentType,
            const QByteArray &body, qint64 receivedMs)
{
    Params params;
    addForm(params, query);
    if (method == Method::Get) // a body, if any, is not read
        return fromParams(params, receivedMs);
    const QByteArray type = contentType.split(';').constFirst().trimmed().toLower();
    if (type == "application/json") // the document alone, without the query
        return fromJson(body, receivedMs);
    // Some apps POST the query alone and name no content type.
    if (type != "application/x-www-form-urlencoded" && !type.isEmpty())
        return {std::nullopt, QStringLiteral("Content-Type: not a form or JSON")};
    addForm(params, body);
    return fromParams(params, receivedMs);
}

} // namespace OsmAndRequest
