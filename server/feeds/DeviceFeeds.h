#ifndef DEVICEFEEDS_H
#define DEVICEFEEDS_H

#include "FeedAccess.h"
#include "FeedIntake.h"
#include "StatsSource.h"

#include <QObject>

#include <memory>

class NmeaListener;
class OsmAndListener;
class RouteCheckServer;

// The device listeners a server's options ask for, and where their fixes go:
// into the server's checking as its own pushed reports do. Lives beside a
// started server, on its thread.
class DeviceFeeds : public QObject, public StatsSource
{
    Q_OBJECT

public:
    // The server outlives the feeds and is started before start().
    explicit DeviceFeeds(RouteCheckServer &server, QObject *parent = nullptr);
    ~DeviceFeeds() override;

    bool start(QString *error);
    void stop();

    // 0 when that listener is off.
    quint16 osmandPort() const;
    quint16 nmeaPort() const;

    QList<LiveMessages::ServerStat> stats() const override;

private:
    void takeHttpFixes();

    RouteCheckServer &m_server;
    FeedAccess m_access;
    std::unique_ptr<FeedIntake> m_intake;
    std::unique_ptr<OsmAndListener> m_osmand;
    std::unique_ptr<NmeaListener> m_nmea;
};

#endif // DEVICEFEEDS_H
