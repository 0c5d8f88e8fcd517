#ifndef EVENTSTORE_H
#define EVENTSTORE_H

#include "wire/LiveMessages.h"

#include <QList>

class Database;

// The history of check events: units entering and leaving sections whose
// message switch is on. Only the newest MaxKept are kept.
class EventStore
{
public:
    static constexpr int MaxKept = 10000;

    explicit EventStore(const Database &db); // the database outlives the store

    // Stores the events in one transaction and gives each its id; an event
    // whose round is recorded already is taken out of the list. False, with
    // nothing stored, on a database error.
    bool record(QList<LiveMessages::CheckEvent> *events);
    // At most limit of the newest events, newest first.
    QList<LiveMessages::CheckEvent> recent(int limit, bool *ok) const;

private:
    const Database &m_db;
};

#endif // EVENTSTORE_H
