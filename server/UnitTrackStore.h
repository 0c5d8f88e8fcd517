#ifndef UNITTRACKSTORE_H
#define UNITTRACKSTORE_H

#include "wire/LiveMessages.h"

#include <QByteArray>
#include <QHash>
#include <QSet>
#include <QVector>

#include <optional>

class Database;

// Each unit's last reports as checking kept them, one row a unit: what lets
// a restarted server, or another server of the database taking the unit's
// routes over, judge from where the checking stood.
class UnitTrackStore
{
public:
    using Track = QVector<LiveMessages::PositionReport>; // time order, one unit's

    explicit UnitTrackStore(const Database &db); // the database outlives the store

    // Tracks that do not read (a damaged row) are left out and logged.
    QHash<qint32, Track> load(bool *ok) const;
    // What checking folded away before each unit's track
    // (CheckEngine::foldedState), of the units given, or all.
    // Empty when it cannot be read (logged): the tracks alone judge then.
    QHash<qint32, QByteArray> loadFolded(const QSet<qint32> &units) const;
    // One transaction; rows of units deleted meanwhile are skipped. A unit
    // not in folded has nothing folded.
    bool store(const QHash<qint32, Track> &tracks,
               const QHash<qint32, QByteArray> &folded = {}) const;

    // The row's form: a count, then time, x and y of each report.
    static QByteArray encode(const Track &track);
    static std::optional<Track> decode(qint32 unitId, const QByteArray &bytes);

private:
    const Database &m_db;
};

#endif // UNITTRACKSTORE_H
