#ifndef NMEASESSION_H
#define NMEASESSION_H

#include "feed/DeviceFix.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <array>
#include <optional>

// One NMEA 0183 device on a stream: first "$PGID,<device id>*hh" names it
// (or "$PGID,<device id>,<key>*hh", for a unit that asks for a key),
// then "$GPRMC"/"$GNRMC" sentences carry its fixes, "$GPGGA"/"$GNGGA" an
// altitude for the fix of the same second. Any talker is taken ($GLRMC,
// $BDGGA): receivers name the constellations they used, the fields are the
// same. Lines end in LF or CRLF. A sentence counts only with a correct
// checksum. The stream's first id stays: a "$PGID" naming another is Malformed.
// Two-digit years 00 to 79 are 2000 to 2079. A sentence is dropped for the
// first fault found in this order: checksum, void, fields, date, no id yet.
class NmeaSession
{
public:
    enum class Drop {
        NoChecksum,   // no "*hh" at the end
        BadChecksum,  // "*hh" does not match
        Void,         // RMC status V
        BadDate,      // a date or time that is no calendar day or time of day
        Malformed,    // fields missing or not numbers, no '$', a line too long
        Unidentified, // a fix before "$PGID"
    };
    static constexpr int DropCount = int(Drop::Unidentified) + 1;
    // NMEA allows 82 characters; some devices send more, none this many.
    static constexpr int MaxLineLength = 512;

    // Takes bytes as they arrive (a line may be cut anywhere) and returns the
    // fixes their complete lines carried. Memory stays within MaxLineLength
    // whatever the device sends.
    QList<DeviceFix> feed(const QByteArray &bytes);

    // Empty until "$PGID" came.
    QString deviceId() const { return m_deviceId; }
    // Sentences dropped so far, by why.
    qint64 dropped(Drop why) const { return m_dropped[size_t(why)]; }
    // Other sentences (GSV, VTG, ...) with a good checksum are ignored, not counted.

private:
    void takeLine(QList<DeviceFix> &fixes);
    std::optional<Drop> readSentence(const QByteArray &line, QList<DeviceFix> &fixes);
    std::optional<Drop> identify(const QList<QByteArray> &fields);
    std::optional<Drop> readRmc(const QList<QByteArray> &fields, QList<DeviceFix> &fixes);
    std::optional<Drop> readGga(const QList<QByteArray> &fields);

    QString m_deviceId;
    QString m_key; // "$PGID,<device id>,<key>": null without one
    QByteArray m_line;        // the unfinished line
    bool m_skipping = false;  // in a line over the limit, until its end
    std::array<qint64, DropCount> m_dropped{};
    // The last GGA: its time of day in milliseconds (-1: none) and altitude.
    qint64 m_altitudeMsOfDay = -1;
    double m_altitude = 0;
};

#endif // NMEASESSION_H
