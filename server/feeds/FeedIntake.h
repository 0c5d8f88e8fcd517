#ifndef FEEDINTAKE_H
#define FEEDINTAKE_H

#include "UnitStore.h"
#include "feed/DeviceFix.h"
#include "wire/LiveMessages.h"

#include <QHash>
#include <QList>
#include <QString>

class Database;
class LiveChecker;
class UnitStatusBook;

// Where the device listeners' fixes become unit reports: the device id names
// the unit, its key (when the unit has one) must match, and the fix must be
// one the device itself calls valid, with a latitude and longitude on Earth.
// The rest go the way of "Push_positions". Dropped fixes are counted rather
// than refused, since a tracker retries a refused fix forever.
class FeedIntake
{
public:
    // The checker and the book outlive the intake.
    FeedIntake(LiveChecker &live, UnitStatusBook &book);

    // Reads which unit carries which device again; false on a database error
    // (the previous devices stay).
    bool reloadDevices(const Database &db);
    void take(const QList<DeviceFix> &fixes);

    // The figures "Get_server_stats" adds for the devices.
    QList<LiveMessages::ServerStat> stats() const;

private:
    struct Counts
    {
        qint64 fixes = 0;
        qint64 unknownDevice = 0;
        qint64 badKey = 0;
        qint64 voided = 0;
        qint64 offEarth = 0;
    };

    LiveChecker &m_live;
    UnitStatusBook &m_book;
    QHash<QString, UnitStore::DeviceEntry> m_devices;
    Counts m_counts;
};

#endif // FEEDINTAKE_H
