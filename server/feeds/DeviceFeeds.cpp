#include "DeviceFeeds.h"

#include "LiveChecker.h"
#include "NmeaListener.h"
#include "OsmAndListener.h"
#include "RouteCheckServer.h"
#include "UnitStatusBook.h"

DeviceFeeds::DeviceFeeds(RouteCheckServer &server, QObject *parent)
    : QObject(parent), m_server(server)
{
}

DeviceFeeds::~DeviceFeeds()
{
    stop();
}

bool DeviceFeeds::start(QString *error)
{
    stop();
    const ServerOptions &options = m_server.options();
    m_access = FeedAccess();
    for (const QString &network : options.feedAllow)
        m_access.allow(network);
    m_intake = std::make_unique<FeedIntake>(*m_server.liveChecker(), *m_server.unitStatus());
    m_intake->reloadDevices(m_server.database());
    connect(&m_server, &RouteCheckServer::unitsChanged, this,
            [this] { m_intake->reloadDevices(m_server.database()); });
    if (options.osmand.on) {
        OsmAndListener::Limits limits;
        limits.maxConnections = options.maxDeviceConnections;
        m_osmand = std::make_unique<OsmAndListener>(m_access, limits);
        // Queued: the listener announces fixes from its HTTP thread.
        connect(m_osmand.get(), &OsmAndListener::fixesWaiting, this,
                &DeviceFeeds::takeHttpFixes, Qt::QueuedConnection);
        if (!m_osmand->listen(options.osmand.address, options.osmand.port, error)) {
            stop();
            return false;
        }
    }
    if (options.nmea.on) {
        NmeaListener::Limits limits;
        limits.identifyMs = options.deviceIdentifyMs;
        limits.maxConnections = options.maxDeviceConnections;
        m_nmea = std::make_unique<NmeaListener>(m_access, limits);
        connect(m_nmea.get(), &NmeaListener::fixesReceived, this,
                [this](const QList<DeviceFix> &fixes) {
                    if (m_server.liveChecker())
                        m_intake->take(fixes);
                });
        if (!m_nmea->listen(options.nmea.address, options.nmea.port, error)) {
            stop();
            return false;
        }
    }
    m_server.setStatsSource(this);
    return true;
}

void DeviceFeeds::stop()
{
    m_server.setStatsSource(nullptr);
    disconnect(&m_server, nullptr, this, nullptr);
    m_osmand.reset();
    m_nmea.reset();
    m_intake.reset();
}

quint16 DeviceFeeds::osmandPort() const
{
    return m_osmand ? m_osmand->port() : 0;
}

quint16 DeviceFeeds::nmeaPort() const
{
    return m_nmea ? m_nmea->port() : 0;
}

void DeviceFeeds::takeHttpFixes()
{
    if (m_osmand && m_intake && m_server.liveChecker())
        m_intake->take(m_osmand->takeFixes());
}

QList<LiveMessages::ServerStat> DeviceFeeds::stats() const
{
    QList<LiveMessages::ServerStat> stats;
    if (m_intake)
        stats = m_intake->stats();
    const OsmAndListener::Counts http = m_osmand ? m_osmand->counts() : OsmAndListener::Counts();
    stats << LiveMessages::ServerStat{QStringLiteral("http_requests"), http.requests}
          << LiveMessages::ServerStat{QStringLiteral("http_bad_requests"), http.badRequests}
          << LiveMessages::ServerStat{QStringLiteral("http_refused"), http.refused}
          << LiveMessages::ServerStat{QStringLiteral("http_queue_full"), http.queueFull}
          << LiveMessages::ServerStat{QStringLiteral("http_made_room"), http.madeRoom};
    const auto nmeaDropped = [this](NmeaSession::Drop why) {
        return m_nmea ? m_nmea->dropped(why) : 0;
    };
    stats << LiveMessages::ServerStat{QStringLiteral("nmea_connections"),
                                      m_nmea ? m_nmea->connectionCount() : 0}
          << LiveMessages::ServerStat{QStringLiteral("nmea_dropped_checksum"),
                                      nmeaDropped(NmeaSession::Drop::NoChecksum)
                                          + nmeaDropped(NmeaSession::Drop::BadChecksum)}
          << LiveMessages::ServerStat{QStringLiteral("nmea_dropped_void"),
                                      nmeaDropped(NmeaSession::Drop::Void)}
          << LiveMessages::ServerStat{QStringLiteral("nmea_dropped_date"),
                                      nmeaDropped(NmeaSession::Drop::BadDate)}
          << LiveMessages::ServerStat{QStringLiteral("nmea_dropped_malformed"),
                                      nmeaDropped(NmeaSession::Drop::Malformed)}
          << LiveMessages::ServerStat{QStringLiteral("nmea_dropped_unidentified"),
                                      nmeaDropped(NmeaSession::Drop::Unidentified)}
          << LiveMessages::ServerStat{QStringLiteral("nmea_closed_unidentified"),
                                      m_nmea ? m_nmea->unidentifiedClosed() : 0};
    const qint64 outsiders =
        http.outsiders + (m_nmea ? m_nmea->outsiders() : 0);
    stats << LiveMessages::ServerStat{QStringLiteral("device_outsiders"), outsiders};
    return stats;
}
