#ifndef UNITSTORE_H
#define UNITSTORE_H

#include "StoreError.h"

#include "wire/UnitMessages.h"

#include <QHash>
#include <QList>
#include <QString>

class Database;

// The operators' edits of the unit tree and of the devices that report for
// units, each in one transaction; and what the units and devices are now.
// A change that is not allowed is refused with a reason and stores nothing.
class UnitStore
{
public:
    // What the live side needs to take a device's fix for a unit.
    struct DeviceEntry
    {
        qint32 unitId = 0;
        QString key; // empty: none
    };

    explicit UnitStore(const Database &db); // the database outlives the store

    // The new node's id, or 0 and why.
    qint32 addNode(const UnitMessages::NewNode &node, StoreError *error);
    bool rename(qint32 id, const QString &name, StoreError *error);
    // Position among the new siblings; negative or past the end: last.
    bool move(const UnitMessages::NodeMove &move, StoreError *error);
    // The node and everything under it.
    bool remove(qint32 id, StoreError *error);
    // Empty text clears. A device id belongs to one unit at most.
    bool setDevice(qint32 unitId, const QString &deviceId, StoreError *error);
    bool setKey(qint32 unitId, const QString &key, StoreError *error);

    // Every unit with its group, device and last report, by id.
    QList<UnitMessages::UnitInfo> units(bool *ok) const;
    // Every unit that has a device, by device id.
    QHash<QString, DeviceEntry> devices(bool *ok) const;

private:
    enum class Column { DeviceId, DeviceKey };
    bool setDeviceColumn(qint32 unitId, const QString &text, Column column, StoreError *error);
    // The node's kind, -1 when there is none, -2 on a database error (in error).
    int kindOf(qint32 id, StoreError *error) const;

    const Database &m_db;
};

#endif // UNITSTORE_H
