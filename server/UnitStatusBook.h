#ifndef UNITSTATUSBOOK_H
#define UNITSTATUSBOOK_H

#include "UnitStatusStore.h"
#include "wire/LiveMessages.h"
#include "wire/UnitMessages.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QPair>

class Database;
class StoreWriter;
class QTimer;

// Every unit's last report, kept in memory as fixes are accepted and written
// to the database every few seconds (rather than one row per fix), so that
// the Units dock and a restarted server know when each unit last reported.
class UnitStatusBook : public QObject
{
    Q_OBJECT

public:
    static constexpr int FlushMs = 5000;

    // The database and the writer (none: nothing is stored) outlive the book.
    UnitStatusBook(const Database &db, StoreWriter *writer, QObject *parent = nullptr);
    ~UnitStatusBook() override;

    bool load();
    // What a device said with the fix of this unit and time, for take() to
    // find when checking accepts that fix.
    void stage(qint32 unitId, quint32 time, const UnitMessages::UnitStatus &status);
    // The fixes checking accepted: each unit keeps its newest. A fix without a
    // staged status says nothing of speed, battery and the rest. Those that
    // came from another server of the database are stored by that one.
    void take(const QList<LiveMessages::PositionReport> &accepted, bool storeHere = true);
    void clearStaged() { m_staged.clear(); }
    // Puts the last report of each listed unit in its place.
    void overlay(QList<UnitMessages::UnitInfo> *units) const;
    // Hands what changed since the last flush to the writer.
    void flush();

private:
    const Database &m_db;
    StoreWriter *m_writer; // not owned
    QTimer *m_flushTimer;  // a child
    QHash<qint32, UnitStatusStore::Last> m_last;
    QHash<qint32, UnitStatusStore::Last> m_unstored;
    QHash<QPair<qint32, quint32>, UnitMessages::UnitStatus> m_staged;
};

#endif // UNITSTATUSBOOK_H
