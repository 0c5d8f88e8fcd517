#ifndef UNITSTATUSSTORE_H
#define UNITSTATUSSTORE_H

#include "wire/UnitMessages.h"

#include <QHash>
#include <QPoint>

class Database;

// Each unit's last report as stored: when, where and what its device said.
class UnitStatusStore
{
public:
    struct Last
    {
        quint32 time = 0; // seconds since 1970-01-01 UTC
        QPoint position;  // x longitude, y latitude in 1e-7 degree
        UnitMessages::UnitStatus status;
    };

    explicit UnitStatusStore(const Database &db); // the database outlives the store

    QHash<qint32, Last> load(bool *ok) const;
    // One transaction; rows of units deleted meanwhile are skipped.
    bool store(const QHash<qint32, Last> &rows) const;

private:
    const Database &m_db;
};

#endif // UNITSTATUSSTORE_H
