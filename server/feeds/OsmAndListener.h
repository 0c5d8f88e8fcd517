#ifndef OSMANDLISTENER_H
#define OSMANDLISTENER_H

#include "FeedAccess.h"
#include "feed/DeviceFix.h"

#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QString>

#include <memory>

// The HTTP listener of the OsmAnd position protocol: phone tracking apps and
// tracking servers' forwarding send one fix per request. HTTP is
// libmicrohttpd's, on a polling thread of its own; each request is read
// there and answered at once (a fix is acknowledged before it is checked, as
// trackers only need to know they may send the next one). The fixes go to
// the Qt side in a queue, announced by fixesWaiting().
class OsmAndListener : public QObject
{
    Q_OBJECT

public:
    struct Limits
    {
        int maxConnections = 1024; // then the longest idle one is closed for a newcomer
        int idleSeconds = 30;      // a keep-alive connection without a request
        int maxBodyBytes = 64 * 1024;
        // A body over maxBodyBytes but within this is read and dropped, so that
        // its sender, still writing, gets the 413; a longer one is cut off.
        int maxDrainBytes = 1024 * 1024;
        int maxHeaderBytes = 8 * 1024;
        int maxQueuedFixes = 100000; // read but not yet taken; beyond, fixes are dropped
    };
    struct Counts
    {
        qint64 requests = 0;
        qint64 badRequests = 0;   // 400
        qint64 refused = 0;       // 405, 413, 431
        qint64 queueFull = 0;     // fixes dropped because the Qt side fell behind
        qint64 madeRoom = 0;      // idle connections closed for a newcomer
        qint64 outsiders = 0;     // peers --feed-allow turned away
    };

    // access is copied.
    OsmAndListener(const FeedAccess &access, const Limits &limits, QObject *parent = nullptr);
    ~OsmAndListener() override; // stops the thread first

    bool listen(const QHostAddress &address, quint16 port, QString *error);
    void close();
    bool isListening() const;
    quint16 port() const;

    // Everything read since the last call, in arrival order.
    QList<DeviceFix> takeFixes();
    Counts counts() const;

signals:
    // From the HTTP thread, once when the queue stops being empty.
    void fixesWaiting();

private:
    class Daemon; // what the HTTP thread works with
    std::unique_ptr<Daemon> m_daemon;
    FeedAccess m_access;
    Limits m_limits;
};

#endif // OSMANDLISTENER_H
