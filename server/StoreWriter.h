#ifndef STOREWRITER_H
#define STOREWRITER_H

#include "RequestHandler.h"
#include "UnitStatusStore.h"
#include "UnitTrackStore.h"

#include "wire/LiveMessages.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QThread>

#include <functional>

class LogLimiter;
class ServerClock;

// Every write of a running server, on a thread of its own with a database
// connection of its own: saves, check mode switches and check events, one at
// a time in the order asked. A large save takes its seconds there while the
// server's own connection goes on reading (SQLite's WAL lets readers see the
// last commit), so no client waits on another's save.
class StoreWriter : public QObject
{
    Q_OBJECT

public:
    // The clock and the limiter outlive the writer.
    StoreWriter(const ServerClock &clock, LogLimiter &logLimiter, QObject *parent = nullptr);
    // Finishes what was asked, then closes its connection and its thread.
    ~StoreWriter() override;

    // Opens the file, which the server has already opened and brought up to
    // date, on the writer's thread; maxBytes (0: none) caps its size.
    bool start(const QString &path, qint64 maxBytes, QString *error);

    // "Fix_routes" or "Set_check_mode": done runs on context's thread with the
    // outcome once the change is stored or refused. Contexts outlive the writer.
    using ChangeDone = std::function<void(RequestHandler::Outcome outcome)>;
    void apply(const QByteArray &command, const QByteArray &body, QObject *context,
               ChangeDone done);

    // Stores the events and gives each its id; done gets them on context's
    // thread, or is not called when they could not be stored.
    using EventsDone = std::function<void(QList<LiveMessages::CheckEvent> events)>;
    void record(const QList<LiveMessages::CheckEvent> &events, QObject *context,
                EventsDone done);

    // Stores the units' last reports; a failure is logged and the rows wait
    // for the next report of each unit.
    void storeStatus(const QHash<qint32, UnitStatusStore::Last> &rows);
    // Stores the units' kept reports, likewise.
    void storeTracks(const QHash<qint32, UnitTrackStore::Track> &tracks,
                     const QHash<qint32, QByteArray> &folded);

    // Another server changed the trees (RequestHandler::forgetTreeSizes).
    void forgetTreeSizes();

    // Returns once everything asked so far is done and each done was called.
    void finish();

private:
    class Worker;

    QThread m_thread;
    Worker *m_worker; // lives on m_thread, deleted there
};

#endif // STOREWRITER_H
