// A parser of its own: QtPositioning is not linked into core, and the server
// wants strict checksums and its drops counted by reason.
#include "feed/NmeaSession.h"

#include <QDate>

#include <algorithm>
#include <cmath>

namespace {

using Drop = NmeaSession::Drop;

constexpr double MetresPerSecondPerKnot = 0.514444;
constexpr qint64 MsPerDay = 86400000;
constexpr qint64 EpochJulianDay = 2440588; // 1970-01-01

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool allDigits(const QByteArray &text)
{
    return !text.isEmpty()
           && std::all_of(text.cbegin(), text.cend(), [](char c) { return c >= '0' && c <= '9'; });
}

// Digits with at most one '.', an optional '-' in front when signed: the
// sentences' numbers have no '+', exponent or spaces.
std::optional<double> number(QByteArray text, bool isSigned = false)
{
    const bool negative = isSigned && text.startsWith('-');
    QByteArray digits = text.mid(negative ? 1 : 0);
    if (const int dot = digits.indexOf('.'); dot >= 0)
        digits.remove(dot, 1);
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!allDigits(digits) || !ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

// hhmmss with an optional fraction, in milliseconds of the day; -1 for a time
// that is no time of day.
std::optional<qint64> msOfDay(const QByteArray &text)
{
    const int dot = text.indexOf('.');
    const QByteArray whole = dot < 0 ? text : text.left(dot); // left(-1) is empty
    const QByteArray fraction = dot < 0 ? QByteArray("0") : text.mid(dot + 1);
    if (whole.size() != 6 || !allDigits(whole) || !allDigits(fraction))
        return std::nullopt;
    const int hours = whole.left(2).toInt(), minutes = whole.mid(2, 2).toInt();
    const int seconds = whole.mid(4).toInt();
    if (hours > 23 || minutes > 59 || seconds > 59)
        return -1;
    const int ms = fraction.leftJustified(3, '0', true).toInt();
    return ((hours * 60 + minutes) * 60 + seconds) * 1000 + ms;
}

// ddmmyy as days since 1970-01-01, years 80 to 99 in the 1900s; -1 for no
// calendar day.
std::optional<qint64> epochDay(const QByteArray &text)
{
    if (text.size() != 6 || !allDigits(text))
        return std::nullopt;
    const int year = text.mid(4).toInt();
    const QDate date(year < 80 ? 2000 + year : 1900 + year, text.mid(2, 2).toInt(),
                     text.left(2).toInt());
    return date.isValid() ? date.toJulianDay() - EpochJulianDay : -1;
}

// (d)ddmm.mmmm and its hemisphere letter, in signed degrees.
std::optional<double> coordinate(const QByteArray &value, const QByteArray &hemisphere,
                                 char positive, char negative)
{
    const std::optional<double> read = number(value);
    if (!read || hemisphere.size() != 1 || (hemisphere[0] != positive && hemisphere[0] != negative))
        return std::nullopt;
    const double degrees = std::floor(*read / 100);
    const double minutes = *read - degrees * 100;
    if (minutes >= 60)
        return std::nullopt;
    return (hemisphere[0] == negative ? -1 : 1) * (degrees + minutes / 60);
}

} // namespace

QList<DeviceFix> NmeaSession::feed(const QByteArray &bytes)
{
    QList<DeviceFix> fixes;
    for (int from = 0; from < bytes.size();) {
        const int end = bytes.indexOf('\n', from);
        const int stop = end < 0 ? bytes.size() : end;
        // Room for the longest line and its CR, and one byte to tell it is longer.
        if (!m_skipping) {
            m_line.append(bytes.constData() + from,
                          qMin(stop - from, MaxLineLength + 2 - m_line.size()));
            if (m_line.size() > MaxLineLength + 1) {
                m_skipping = true;
                m_line.clear();
                ++m_dropped[size_t(Drop::Malformed)];
            }
        }
        if (end < 0)
            break;
        if (!m_skipping)
            takeLine(fixes);
        m_skipping = false;
        m_line.clear();
        from = end + 1;
    }
    return fixes;
}

void NmeaSession::takeLine(QList<DeviceFix> &fixes)
{
    if (m_line.endsWith('\r'))
        m_line.chop(1);
    if (m_line.isEmpty())
        return;
    const std::optional<Drop> why =
        m_line.size() > MaxLineLength ? Drop::Malformed : readSentence(m_line, fixes);
    if (why)
        ++m_dropped[size_t(*why)];
}

std::optional<NmeaSession::Drop> NmeaSession::readSentence(const QByteArray &line,
                                                           QList<DeviceFix> &fixes)
{
    if (line[0] != '$')
        return Drop::Malformed;
    const int star = line.size() - 3;
    if (star < 1 || line[star] != '*' || hexDigit(line[star + 1]) < 0
        || hexDigit(line[star + 2]) < 0)
        return Drop::NoChecksum;
    int sum = 0;
    for (int i = 1; i < star; ++i)
        sum ^= quint8(line[i]);
    if (sum != hexDigit(line[star + 1]) * 16 + hexDigit(line[star + 2]))
        return Drop::BadChecksum;

    const QList<QByteArray> fields = line.mid(1, star - 1).split(',');
    const QByteArray &address = fields[0];
    if (address == "PGID")
        return identify(fields);
    const auto upper = [](char c) { return c >= 'A' && c <= 'Z'; };
    const bool talker = address.size() == 5 && upper(address[0]) && upper(address[1]);
    if (talker && address.endsWith("RMC"))
        return readRmc(fields, fixes);
    if (talker && address.endsWith("GGA"))
        return readGga(fields);
    return std::nullopt;
}

std::optional<NmeaSession::Drop> NmeaSession::identify(const QList<QByteArray> &fields)
{
    const QString id = QString::fromLatin1(fields.value(1));
    const QString key = QString::fromLatin1(fields.value(2));
    if (fields.size() < 2 || fields.size() > 3 || !UnitMessages::isDeviceId(id)
        || (fields.size() == 3 && !UnitMessages::isDeviceId(key)))
        return Drop::Malformed;
    if (m_deviceId.isEmpty()) {
        m_deviceId = id;
        m_key = fields.size() == 3 ? key : QString();
    } else if (id != m_deviceId) {
        return Drop::Malformed;
    }
    return std::nullopt;
}

// time, status, lat, N/S, lon, E/W, knots, course, ddmmyy, and more not read
std::optional<NmeaSession::Drop> NmeaSession::readRmc(const QList<QByteArray> &fields,
                                                      QList<DeviceFix> &fixes)
{
    if (fields.size() < 10)
        return Drop::Malformed;
    if (fields[2] == "V")
        return Drop::Void;
    const std::optional<qint64> time = msOfDay(fields[1]);
    const std::optional<qint64> day = epochDay(fields[9]);
    const std::optional<double> latitude = coordinate(fields[3], fields[4], 'N', 'S');
    const std::optional<double> longitude = coordinate(fields[5], fields[6], 'E', 'W');
    const std::optional<double> knots = fields[7].isEmpty() ? UnitMessages::Unknown
                                                            : number(fields[7]);
    const std::optional<double> course = fields[8].isEmpty() ? UnitMessages::Unknown
                                                             : number(fields[8]);
    if (fields[2] != "A" || !time || !day || !latitude || !longitude || !knots || !course)
        return Drop::Malformed;
    if (*time < 0 || *day < 0)
        return Drop::BadDate;
    if (m_deviceId.isEmpty())
        return Drop::Unidentified;

    DeviceFix fix;
    fix.deviceId = m_deviceId;
    fix.key = m_key;
    fix.timeMs = *day * MsPerDay + *time;
    fix.latitude = *latitude;
    fix.longitude = *longitude;
    fix.status.speed = *knots * MetresPerSecondPerKnot;
    fix.status.bearing = *course;
    if (*time == m_altitudeMsOfDay)
        fix.status.altitude = m_altitude;
    fixes.append(fix);
    return std::nullopt;
}

// time, lat, N/S, lon, E/W, quality, satellites, HDOP, altitude, and more not read
std::optional<NmeaSession::Drop> NmeaSession::readGga(const QList<QByteArray> &fields)
{
    if (fields.size() < 10)
        return Drop::Malformed;
    const std::optional<qint64> time = msOfDay(fields[1]);
    const std::optional<double> altitude = number(fields[9], true);
    if (!time || (!altitude && !fields[9].isEmpty()))
        return Drop::Malformed;
    if (*time < 0)
        return Drop::BadDate;
    // Without an altitude this second, an older one must not stand in for it.
    m_altitudeMsOfDay = altitude ? *time : -1;
    m_altitude = altitude.value_or(0);
    return std::nullopt;
}
