#ifndef UNITTRACKER_H
#define UNITTRACKER_H

#include "wire/LiveMessages.h"

#include <QList>
#include <QMap>
#include <QObject>

class QByteArray;

// The last known fix of each tracked unit, from the server's position news.
// Reports may come late or twice: a unit takes a report no older than the fix
// it has, so a late report never takes it back.
class UnitTracker : public QObject
{
    Q_OBJECT

public:
    explicit UnitTracker(QObject *parent = nullptr);
    ~UnitTracker() override;

    // A "Unit_positions" body. A body that does not read whole changes nothing: false.
    bool applyBody(const QByteArray &body);
    void apply(const QList<LiveMessages::PositionReport> &reports);

    // By unit id.
    QList<LiveMessages::PositionReport> units() const { return m_units.values(); }
    bool contains(qint32 unitId) const { return m_units.contains(unitId); }
    // The unit's last fix; a default report for an unknown unit.
    LiveMessages::PositionReport unit(qint32 unitId) const { return m_units.value(unitId); }

signals:
    // Once per batch that changed anything: the units whose fix changed, by id.
    void unitsChanged(const QList<qint32> &unitIds);

private:
    QMap<qint32, LiveMessages::PositionReport> m_units;
};

#endif // UNITTRACKER_H
