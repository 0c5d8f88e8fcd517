#include "FeedIntake.h"

#include "Database.h"
#include "LiveChecker.h"
#include "UnitStatusBook.h"
#include "UnitStore.h"

#include <cmath>
#include <limits>

namespace {

bool onEarth(const DeviceFix &fix)
{
    return std::isfinite(fix.latitude) && std::isfinite(fix.longitude)
           && std::abs(fix.latitude) <= 90 && std::abs(fix.longitude) <= 180;
}

// Whole seconds; a time the wire cannot carry goes on as the nearest it can,
// for the screen to drop as too early or too far ahead.
quint32 wireSeconds(qint64 timeMs)
{
    const qint64 seconds = timeMs >= 0 ? timeMs / 1000 : 0;
    return quint32(qMin<qint64>(seconds, std::numeric_limits<quint32>::max()));
}

} // namespace

FeedIntake::FeedIntake(LiveChecker &live, UnitStatusBook &book)
    : m_live(live), m_book(book)
{
}

bool FeedIntake::reloadDevices(const Database &db)
{
    bool ok = false;
    QHash<QString, UnitStore::DeviceEntry> devices = UnitStore(db).devices(&ok);
    if (ok)
        m_devices = std::move(devices);
    return ok;
}

void FeedIntake::take(const QList<DeviceFix> &fixes)
{
    QList<LiveMessages::PositionReport> reports;
    reports.reserve(fixes.size());
    for (const DeviceFix &fix : fixes) {
        ++m_counts.fixes;
        const auto device = m_devices.constFind(fix.deviceId);
        if (device == m_devices.cend()) {
            ++m_counts.unknownDevice;
        } else if (!device->key.isEmpty() && fix.key != device->key) {
            ++m_counts.badKey;
        } else if (!fix.valid) {
            ++m_counts.voided;
        } else if (!onEarth(fix)) {
            ++m_counts.offEarth;
        } else {
            LiveMessages::PositionReport report;
            report.unitId = device->unitId;
            report.time = wireSeconds(fix.timeMs);
            report.position = QPoint(int(std::lround(fix.longitude * 1e7)),
                                     int(std::lround(fix.latitude * 1e7)));
            m_book.stage(report.unitId, report.time, fix.status);
            reports.append(report);
        }
    }
    if (!reports.isEmpty())
        m_live.accept(reports);
    m_book.clearStaged();
}

QList<LiveMessages::ServerStat> FeedIntake::stats() const
{
    return {{QStringLiteral("device_fixes"), m_counts.fixes},
            {QStringLiteral("device_dropped_unknown"), m_counts.unknownDevice},
            {QStringLiteral("device_dropped_key"), m_counts.badKey},
            {QStringLiteral("device_dropped_void"), m_counts.voided},
            {QStringLiteral("device_dropped_off_earth"), m_counts.offEarth}};
}
