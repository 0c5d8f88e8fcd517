#include "TrackReader.h"

#include <QDateTime>
#include <QRegularExpression>
#include <QStringList>
#include <QXmlStreamReader>

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

// A point the file gave no time, until fillTimes() gives it one.
constexpr qint64 NoTime = std::numeric_limits<qint64>::min();
constexpr double KnotsPerMetrePerSecond = 3600.0 / 1852.0;

// ISO 8601 or unix seconds, to the millisecond. A time without an offset is
// taken as UTC only where the format says it is (GPX); elsewhere whose local
// time it is cannot be told.
bool parseTime(const QString &text, bool bareIsUtc, qint64 *ms)
{
    static const QRegularExpression unix(QStringLiteral("^\\d{1,12}(\\.\\d*)?$"));
    if (unix.match(text).hasMatch()) {
        *ms = std::llround(text.toDouble() * 1000.0);
        return true;
    }
    QDateTime time = QDateTime::fromString(text, Qt::ISODate);
    if (!time.isValid() || (time.timeSpec() == Qt::LocalTime && !bareIsUtc))
        return false;
    if (time.timeSpec() == Qt::LocalTime)
        time.setTimeSpec(Qt::UTC);
    *ms = time.toMSecsSinceEpoch();
    return true;
}

// Leaves *value alone unless the text is a finite number.
bool number(const QString &text, double *value)
{
    bool ok = false;
    const double read = text.toDouble(&ok);
    if (!ok || !std::isfinite(read))
        return false;
    *value = read;
    return true;
}

bool onEarth(const TrackPoint &point)
{
    return std::abs(point.latitude) <= 90.0 && std::abs(point.longitude) <= 180.0;
}

// Untimed points follow the one before by a second; those before the first
// timed point lead up to it the same way.
void fillTimes(QList<TrackPoint> *points)
{
    int first = 0;
    while (first < points->size() && points->at(first).timeMs == NoTime)
        ++first;
    const qint64 origin = first < points->size() ? points->at(first).timeMs : first * 1000;
    for (int i = 0; i < points->size(); ++i) {
        qint64 &time = (*points)[i].timeMs;
        if (i < first)
            time = origin - qint64(first - i) * 1000;
        else if (time == NoTime)
            time = points->at(i - 1).timeMs + 1000;
    }
}

QString atLine(qint64 line, const QString &why)
{
    return QStringLiteral("line %1: %2").arg(line).arg(why);
}

// Reads the point element the reader is at, through its end.
bool readGpxPoint(QXmlStreamReader &xml, const QString &ns, TrackPoint *point, QString *error)
{
    point->line = int(xml.lineNumber());
    point->timeMs = NoTime;
    const QString tag = xml.name().toString();
    const QXmlStreamAttributes attributes = xml.attributes();
    if (!number(attributes.value(QLatin1String("lat")).toString(), &point->latitude)
        || !number(attributes.value(QLatin1String("lon")).toString(), &point->longitude)
        || !onEarth(*point)) {
        *error = atLine(point->line, QStringLiteral("<%1> needs lat and lon in degrees").arg(tag));
        return false;
    }
    static const QStringList values{QStringLiteral("time"), QStringLiteral("ele"),
                                    QStringLiteral("speed"), QStringLiteral("course")};
    while (xml.readNextStartElement()) {
        const QString name = xml.name().toString();
        if (xml.namespaceUri() != ns || !values.contains(name)) {
            xml.skipCurrentElement();
            continue;
        }
        const qint64 line = xml.lineNumber();
        const QString text = xml.readElementText().trimmed();
        double value = 0;
        if (xml.hasError()) {
            return false;
        } else if (name == QLatin1String("time")) {
            if (!parseTime(text, true, &point->timeMs)) {
                *error = atLine(line,
                                QStringLiteral("<time> \"%1\" is no ISO 8601 time").arg(text));
                return false;
            }
        } else if (!number(text, &value)) {
            *error = atLine(line, QStringLiteral("<%1> \"%2\" is not a number").arg(name, text));
            return false;
        } else if (name == QLatin1String("ele")) {
            point->altitude = value;
        } else if (name == QLatin1String("speed")) {
            point->speedKnots = value * KnotsPerMetrePerSecond;
        } else {
            point->bearing = value;
        }
    }
    return !xml.hasError();
}

bool readGpx(const QByteArray &bytes, QList<TrackPoint> *points, QString *error)
{
    QXmlStreamReader xml(bytes);
    if (xml.readNextStartElement() && xml.name() != QLatin1String("gpx")) {
        *error = atLine(xml.lineNumber(),
                        QStringLiteral("not GPX: the root is <%1>").arg(xml.name()));
        return false;
    }
    const QString ns = xml.namespaceUri().toString();
    static const QStringList kinds{QStringLiteral("trkpt"), QStringLiteral("rtept"),
                                   QStringLiteral("wpt")};
    QList<TrackPoint> found[3];
    while (!xml.atEnd() && !xml.hasError()) {
        xml.readNext();
        const int kind = xml.isStartElement() && xml.namespaceUri() == ns
                             ? int(kinds.indexOf(xml.name().toString()))
                             : -1;
        TrackPoint point;
        if (kind >= 0 && readGpxPoint(xml, ns, &point, error))
            found[kind].append(point);
        else if (!error->isEmpty())
            return false;
    }
    if (xml.hasError()) {
        *error = atLine(xml.lineNumber(), xml.errorString());
        return false;
    }
    const auto kind = std::find_if(std::begin(found), std::end(found),
                                   [](const QList<TrackPoint> &k) { return !k.isEmpty(); });
    *points = kind == std::end(found) ? QList<TrackPoint>() : *kind;
    return true;
}

struct CsvRecord
{
    int line = 0;
    QStringList fields;
};

// RFC 4180: commas, double quotes, LF or CRLF. Blank lines are skipped.
bool splitCsv(const QString &text, QList<CsvRecord> *records, QString *error)
{
    int line = 1;
    CsvRecord record{line, {}};
    QString field;
    bool quoted = false, blank = true;
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (quoted && c == QLatin1Char('"') && text.mid(i + 1, 1) == QLatin1String("\"")) {
            field += c;
            ++i;
        } else if (c == QLatin1Char('"')) {
            quoted = !quoted;
            blank = false;
        } else if (quoted) {
            line += c == QLatin1Char('\n') ? 1 : 0;
            field += c;
        } else if (c == QLatin1Char(',')) {
            record.fields << field;
            field.clear();
            blank = false;
        } else if (c == QLatin1Char('\n')) {
            if (!blank)
                records->append({record.line, record.fields << field});
            record = {++line, {}};
            field.clear();
            blank = true;
        } else if (c != QLatin1Char('\r')) {
            field += c;
            blank = false;
        }
    }
    if (quoted) {
        *error = atLine(record.line, QStringLiteral("a quote is not closed"));
        return false;
    }
    if (!blank)
        records->append({record.line, record.fields << field});
    return true;
}

bool readCsv(const QByteArray &bytes, QList<TrackPoint> *points, QString *error)
{
    QString text = QString::fromUtf8(bytes);
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    QList<CsvRecord> records;
    if (!splitCsv(text, &records, error))
        return false;
    if (records.isEmpty())
        return true;
    enum Column { Time, Lat, Lon, Speed, Bearing, Altitude, Unit, ColumnCount };
    const char *const names[ColumnCount] = {"time",    "lat",      "lon", "speed_kn",
                                            "bearing", "altitude", "unit"};
    int column[ColumnCount];
    std::fill(std::begin(column), std::end(column), -1);
    const QStringList &header = records.constFirst().fields;
    for (int i = 0; i < header.size(); ++i) {
        for (int k = 0; k < ColumnCount; ++k) {
            if (column[k] < 0
                && header.at(i).trimmed().compare(QLatin1String(names[k]), Qt::CaseInsensitive)
                       == 0)
                column[k] = i;
        }
    }
    for (int k = Time; k <= Lon; ++k) {
        if (column[k] < 0) {
            *error = atLine(records.constFirst().line,
                            QStringLiteral("no column \"%1\" (time, lat and lon are needed)")
                                .arg(QLatin1String(names[k])));
            return false;
        }
    }
    const int needed = *std::max_element(std::begin(column), std::end(column)) + 1;
    QString unit;
    for (auto record = records.cbegin() + 1; record != records.cend(); ++record) {
        const auto fail = [&](const QString &why) {
            *error = atLine(record->line, why);
            return false;
        };
        if (record->fields.size() < needed)
            return fail(
                QStringLiteral("%1 fields, %2 needed").arg(record->fields.size()).arg(needed));
        const auto field = [&](Column k) {
            return column[k] < 0 ? QString() : record->fields.at(column[k]).trimmed();
        };
        TrackPoint point;
        point.line = record->line;
        point.timeMs = NoTime;
        if (!field(Time).isEmpty() && !parseTime(field(Time), false, &point.timeMs))
            return fail(QStringLiteral("time \"%1\" is neither ISO 8601 with an offset nor unix "
                                       "seconds").arg(field(Time)));
        if (!number(field(Lat), &point.latitude) || !number(field(Lon), &point.longitude)
            || !onEarth(point))
            return fail(QStringLiteral("lat and lon must be degrees"));
        for (const auto &[k, value] : {std::make_pair(Speed, &point.speedKnots),
                                       std::make_pair(Bearing, &point.bearing),
                                       std::make_pair(Altitude, &point.altitude)}) {
            if (!field(k).isEmpty() && !number(field(k), value))
                return fail(QStringLiteral("%1 \"%2\" is not a number")
                                .arg(QLatin1String(names[k]), field(k)));
        }
        if (unit.isEmpty())
            unit = field(Unit);
        else if (!field(Unit).isEmpty() && field(Unit) != unit)
            return fail(QStringLiteral("unit \"%1\" after \"%2\": the track must be one unit's")
                            .arg(field(Unit), unit));
        points->append(point);
    }
    return true;
}

} // namespace

TrackReader::Format TrackReader::guess(const QString &fileName, const QByteArray &bytes)
{
    if (fileName.endsWith(QLatin1String(".gpx"), Qt::CaseInsensitive))
        return Format::Gpx;
    if (fileName.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive))
        return Format::Csv;
    const QByteArray start = bytes.startsWith("\xEF\xBB\xBF") ? bytes.mid(3) : bytes;
    return start.trimmed().startsWith('<') ? Format::Gpx : Format::Csv;
}

bool TrackReader::read(const QByteArray &bytes, Format format, QList<TrackPoint> *points,
                       QString *error)
{
    error->clear();
    QList<TrackPoint> read;
    if (!(format == Format::Gpx ? readGpx(bytes, &read, error) : readCsv(bytes, &read, error)))
        return false;
    if (read.isEmpty()) {
        *error = QStringLiteral("the track has no points");
        return false;
    }
    fillTimes(&read);
    *points = read;
    return true;
}
