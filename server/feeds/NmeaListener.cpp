#include "NmeaListener.h"

#include "ServerLog.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

struct NmeaListener::Device
{
    QTcpSocket *socket = nullptr; // a child of the listener
    QTimer *identify = nullptr;   // a child of the socket
    NmeaSession session;
    QElapsedTimer quiet; // since the last bytes
};

NmeaListener::NmeaListener(const FeedAccess &access, const Limits &limits, QObject *parent)
    : QObject(parent), m_access(access), m_limits(limits), m_server(new QTcpServer(this))
{
    connect(m_server, &QTcpServer::newConnection, this, &NmeaListener::onNewConnection);
}

NmeaListener::~NmeaListener()
{
    close();
}

bool NmeaListener::listen(const QHostAddress &address, quint16 port, QString *error)
{
    close();
    if (!m_server->listen(address, port)) {
        *error = QStringLiteral("cannot listen for NMEA devices on %1 port %2: %3")
                     .arg(address.toString())
                     .arg(port)
                     .arg(m_server->errorString());
        return false;
    }
    qCInfo(lcServer).noquote() << "NMEA devices: listening on" << address.toString() << "port"
                               << m_server->serverPort();
    return true;
}

void NmeaListener::close()
{
    m_server->close();
    const QList<Device *> devices = m_devices;
    for (Device *device : devices)
        finish(device);
}

quint16 NmeaListener::port() const
{
    return m_server->serverPort();
}

qint64 NmeaListener::dropped(NmeaSession::Drop why) const
{
    qint64 total = m_droppedByGone[size_t(why)];
    for (const Device *device : m_devices)
        total += device->session.dropped(why);
    return total;
}

void NmeaListener::onNewConnection()
{
    while (QTcpSocket *socket = m_server->nextPendingConnection()) {
        if (!m_access.admits(socket->peerAddress())) {
            ++m_outsiders;
            socket->abort();
            socket->deleteLater();
            continue;
        }
        if (m_devices.size() >= m_limits.maxConnections)
            makeRoom();
        auto *device = new Device;
        device->socket = socket;
        device->quiet.start();
        device->identify = new QTimer(socket);
        device->identify->setSingleShot(true);
        connect(device->identify, &QTimer::timeout, this, [this, device] {
            if (device->session.deviceId().isEmpty()) {
                ++m_unidentifiedClosed;
                finish(device);
            }
        });
        device->identify->start(m_limits.identifyMs);
        m_devices.append(device);
        connect(socket, &QTcpSocket::readyRead, this, [this, device] { read(device); });
        connect(socket, &QTcpSocket::disconnected, this, [this, device] { finish(device); });
        if (socket->bytesAvailable() > 0)
            read(device);
    }
}

void NmeaListener::read(Device *device)
{
    device->quiet.restart();
    const QList<DeviceFix> fixes = device->session.feed(device->socket->readAll());
    if (!fixes.isEmpty())
        emit fixesReceived(fixes);
}

void NmeaListener::finish(Device *device)
{
    if (!m_devices.removeOne(device))
        return;
    for (int why = 0; why < NmeaSession::DropCount; ++why)
        m_droppedByGone[size_t(why)] += device->session.dropped(NmeaSession::Drop(why));
    QTcpSocket *socket = device->socket;
    socket->disconnect(this);
    socket->abort();
    socket->deleteLater();
    delete device;
}

void NmeaListener::makeRoom()
{
    Device *quietest = nullptr;
    for (Device *device : qAsConst(m_devices)) {
        if (!quietest || device->quiet.elapsed() > quietest->quiet.elapsed())
            quietest = device;
    }
    if (!quietest)
        return;
    ++m_madeRoom;
    finish(quietest);
}
