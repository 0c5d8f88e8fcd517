#include "StoreWriter.h"

#include "Database.h"
#include "EventStore.h"

#include <QCoreApplication>

#include <memory>

// What lives on the writer's thread: the connection and what uses it.
class StoreWriter::Worker : public QObject
{
public:
    Worker(const ServerClock &clock, LogLimiter &logLimiter)
        : m_clock(clock), m_logLimiter(logLimiter)
    {
    }

    bool open(const QString &path, qint64 maxBytes, QString *error)
    {
        if (!m_db.openChecked(path, error))
            return false;
        if (maxBytes > 0 && !m_db.capSize(maxBytes)) {
            *error = QStringLiteral("cannot cap the size of %1").arg(m_db.path());
            return false;
        }
        m_handler = std::make_unique<RequestHandler>(m_db, m_clock, m_logLimiter);
        return true;
    }

    void close()
    {
        m_handler.reset();
        m_db.close();
    }

    RequestHandler &handler() { return *m_handler; }
    const Database &database() const { return m_db; }

private:
    const ServerClock &m_clock;
    LogLimiter &m_logLimiter;
    Database m_db;
    std::unique_ptr<RequestHandler> m_handler;
};

StoreWriter::StoreWriter(const ServerClock &clock, LogLimiter &logLimiter, QObject *parent)
    : QObject(parent), m_worker(new Worker(clock, logLimiter))
{
    m_thread.setObjectName(QStringLiteral("store writer"));
    m_worker->moveToThread(&m_thread);
    m_thread.start();
}

StoreWriter::~StoreWriter()
{
    // Queued work runs first: every save asked for is stored or refused.
    QMetaObject::invokeMethod(
        m_worker, [worker = m_worker] { worker->close(); }, Qt::BlockingQueuedConnection);
    QMetaObject::invokeMethod(
        m_worker, [worker = m_worker] { delete worker; }, Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
}

bool StoreWriter::start(const QString &path, qint64 maxBytes, QString *error)
{
    bool opened = false;
    QMetaObject::invokeMethod(
        m_worker, [&] { opened = m_worker->open(path, maxBytes, error); },
        Qt::BlockingQueuedConnection);
    return opened;
}

void StoreWriter::finish()
{
    // The results were posted in order before this returns; handle them.
    QMetaObject::invokeMethod(m_worker, [] {}, Qt::BlockingQueuedConnection);
    QCoreApplication::sendPostedEvents();
}

void StoreWriter::apply(const QByteArray &command, const QByteArray &body, QObject *context,
                        ChangeDone done)
{
    QMetaObject::invokeMethod(
        m_worker,
        [worker = m_worker, command, body, context, done = std::move(done)] {
            RequestHandler::Outcome outcome = worker->handler().handle(command, body);
            QMetaObject::invokeMethod(
                context, [done, outcome = std::move(outcome)] { done(outcome); },
                Qt::QueuedConnection);
        },
        Qt::QueuedConnection);
}

void StoreWriter::storeStatus(const QHash<qint32, UnitStatusStore::Last> &rows)
{
    QMetaObject::invokeMethod(
        m_worker, [worker = m_worker, rows] { UnitStatusStore(worker->database()).store(rows); },
        Qt::QueuedConnection);
}

void StoreWriter::forgetTreeSizes()
{
    QMetaObject::invokeMethod(
        m_worker, [worker = m_worker] { worker->handler().forgetTreeSizes(); },
        Qt::QueuedConnection);
}

void StoreWriter::storeTracks(const QHash<qint32, UnitTrackStore::Track> &tracks,
                              const QHash<qint32, QByteArray> &folded)
{
    QMetaObject::invokeMethod(
        m_worker,
        [worker = m_worker, tracks, folded] {
            UnitTrackStore(worker->database()).store(tracks, folded);
        },
        Qt::QueuedConnection);
}

void StoreWriter::record(const QList<LiveMessages::CheckEvent> &events, QObject *context,
                         EventsDone done)
{
    QMetaObject::invokeMethod(
        m_worker,
        [worker = m_worker, events = events, context, done = std::move(done)]() mutable {
            if (!EventStore(worker->database()).record(&events))
                return;
            QMetaObject::invokeMethod(
                context, [done, events] { done(events); }, Qt::QueuedConnection);
        },
        Qt::QueuedConnection);
}
