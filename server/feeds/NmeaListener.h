#ifndef NMEALISTENER_H
#define NMEALISTENER_H

#include "FeedAccess.h"
#include "feed/DeviceFix.h"
#include "feed/NmeaSession.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QList>
#include <QObject>

#include <array>

class QTcpServer;
class QTcpSocket;
class QTimer;

// The NMEA 0183 listener: GPS trackers that hold a TCP connection open, name
// themselves with "$PGID" and then stream RMC sentences. On the caller's
// thread and event loop.
class NmeaListener : public QObject
{
    Q_OBJECT

public:
    struct Limits
    {
        int identifyMs = 30 * 1000; // "$PGID" must come this soon
        int maxConnections = 1024;  // then the longest quiet one is closed for a newcomer
    };

    NmeaListener(const FeedAccess &access, const Limits &limits, QObject *parent = nullptr);
    ~NmeaListener() override;

    bool listen(const QHostAddress &address, quint16 port, QString *error);
    void close();
    quint16 port() const;
    int connectionCount() const { return m_devices.size(); }

    // Sentences dropped, by why, over every connection so far.
    qint64 dropped(NmeaSession::Drop why) const;
    qint64 unidentifiedClosed() const { return m_unidentifiedClosed; }
    qint64 outsiders() const { return m_outsiders; }
    qint64 madeRoom() const { return m_madeRoom; }

signals:
    void fixesReceived(const QList<DeviceFix> &fixes);

private:
    struct Device;
    void onNewConnection();
    void read(Device *device);
    void finish(Device *device);
    void makeRoom();

    FeedAccess m_access;
    Limits m_limits;
    QTcpServer *m_server; // a child
    QList<Device *> m_devices;
    std::array<qint64, NmeaSession::DropCount> m_droppedByGone{};
    qint64 m_unidentifiedClosed = 0;
    qint64 m_outsiders = 0;
    qint64 m_madeRoom = 0;
};

#endif // NMEALISTENER_H
