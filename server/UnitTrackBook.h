#ifndef UNITTRACKBOOK_H
#define UNITTRACKBOOK_H

#include "UnitTrackStore.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>

#include <functional>

class Database;
class StoreWriter;
class QTimer;

// Each unit's last KeptReports reports as checking took them, kept in memory
// and written every FlushMs for the units that reported since, so that what
// the checking judged from can be judged from again (UnitTrackStore).
class UnitTrackBook : public QObject
{
    Q_OBJECT

public:
    static constexpr int FlushMs = 5000;
    static constexpr int KeptReports = 64; // as many as checking runs again

    // The database and the writer (none: nothing is stored) outlive the book.
    UnitTrackBook(const Database &db, StoreWriter *writer, QObject *parent = nullptr);
    ~UnitTrackBook() override;

    bool load();
    // The kept reports of the units, each unit's in time order; all units'
    // when units is empty.
    QList<LiveMessages::PositionReport> reports(const QSet<qint32> &units = {}) const;
    // The reports checking accepted; a late one goes in its place.
    void take(const QList<LiveMessages::PositionReport> &accepted);
    // The units' tracks go out at the next flush, changed or not.
    void markUnstored(const QSet<qint32> &units) { m_unstored.unite(units); }
    // Hands the tracks that changed since the last flush to the writer, of
    // the units stored here (with several servers, those of the routes this
    // one judges; all by default).
    void flush();
    void setStoredHere(std::function<QSet<qint32>()> unitsStoredHere)
    {
        m_unitsStoredHere = std::move(unitsStoredHere);
    }
    // What checking folded away before a unit's track, stored beside it.
    void setFoldedStates(std::function<QByteArray(qint32 unitId)> foldedOf)
    {
        m_foldedOf = std::move(foldedOf);
    }

private:
    const Database &m_db;
    StoreWriter *m_writer; // not owned
    QTimer *m_flushTimer;  // a child
    QHash<qint32, UnitTrackStore::Track> m_tracks;
    QSet<qint32> m_unstored;
    std::function<QSet<qint32>()> m_unitsStoredHere;
    std::function<QByteArray(qint32)> m_foldedOf;
};

#endif // UNITTRACKBOOK_H
