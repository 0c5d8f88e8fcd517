#include "UnitTracker.h"

#include <algorithm>

UnitTracker::UnitTracker(QObject *parent)
    : QObject(parent)
{
}

UnitTracker::~UnitTracker() = default;

bool UnitTracker::applyBody(const QByteArray &body)
{
    const auto reports = LiveMessages::readPositions(body);
    if (!reports)
        return false;
    apply(*reports);
    return true;
}

void UnitTracker::apply(const QList<LiveMessages::PositionReport> &reports)
{
    QList<qint32> changed;
    for (const LiveMessages::PositionReport &report : reports) {
        auto found = m_units.find(report.unitId);
        if (found != m_units.end() && (report.time < found->time || report == *found))
            continue;
        m_units.insert(report.unitId, report);
        changed.append(report.unitId);
    }
    if (changed.isEmpty())
        return;
    std::sort(changed.begin(), changed.end());
    changed.erase(std::unique(changed.begin(), changed.end()), changed.end());
    emit unitsChanged(changed);
}
