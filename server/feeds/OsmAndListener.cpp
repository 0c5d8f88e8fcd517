#include "OsmAndListener.h"

#include "ServerLog.h"
#include "feed/OsmAndRequest.h"

#include <QDateTime>
#include <QMutex>
#include <QMutexLocker>

#include <microhttpd.h>

#include <netinet/in.h>
#include <sys/socket.h>

#include <atomic>
#include <cstdarg>
#include <chrono>
#include <cstring>
#include <unordered_map>

namespace {

void logMhd(void *, const char *format, va_list arguments)
{
    if (lcDeviceHttp().isDebugEnabled())
        qCDebug(lcDeviceHttp).noquote() << QString::vasprintf(format, arguments).trimmed();
}

qint64 steadyMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// One request while it is read: made by the URI callback, which is the only
// place the query string comes undecoded.
struct Request
{
    QByteArray query;
    QByteArray body;
    bool started = false;  // the handler has seen the headers
    qint64 drained = 0;    // the body's bytes so far
    bool tooLarge = false; // the body passed the limit; the rest is read and dropped
};

// One connection: its socket and when it last began or finished a request.
struct Connection
{
    int fd = -1;
    qint64 activeMs = 0;
};

} // namespace

class OsmAndListener::Daemon
{
public:
    Daemon(OsmAndListener *owner, const FeedAccess &access, const Limits &limits)
        : m_owner(owner), m_access(access), m_limits(limits)
    {
    }
    ~Daemon() { stop(); }

    bool start(const QHostAddress &address, quint16 port, QString *error);
    void stop();
    quint16 port() const { return m_port; }
    bool isRunning() const { return m_mhd != nullptr; }

    QList<DeviceFix> take()
    {
        QMutexLocker lock(&m_queueLock);
        return std::exchange(m_queue, {});
    }
    Counts counts() const
    {
        Counts counts;
        counts.requests = m_requests;
        counts.badRequests = m_badRequests;
        counts.refused = m_refused;
        counts.queueFull = m_queueFull;
        counts.madeRoom = m_madeRoom;
        counts.outsiders = m_outsiders;
        return counts;
    }

private:
    // libmicrohttpd's callbacks, all on its one polling thread.
    static MHD_Result admit(void *cls, const sockaddr *address, socklen_t length);
    static void *requestBegun(void *cls, const char *uri, MHD_Connection *connection);
    static MHD_Result handle(void *cls, MHD_Connection *connection, const char *url,
                             const char *method, const char *version, const char *uploadData,
                             size_t *uploadSize, void **requestContext);
    static void requestDone(void *cls, MHD_Connection *connection, void **requestContext,
                            MHD_RequestTerminationCode why);
    static void connectionNotice(void *cls, MHD_Connection *connection, void **socketContext,
                                 MHD_ConnectionNotificationCode what);

    MHD_Result reply(MHD_Connection *connection, unsigned status, const QString &reason = {});
    MHD_Result refuse(MHD_Connection *connection, unsigned status);
    void touch(MHD_Connection *connection);
    void makeRoom(Connection *newcomer);
    void enqueue(const DeviceFix &fix);

    OsmAndListener *m_owner;
    const FeedAccess &m_access;
    const Limits &m_limits;
    MHD_Daemon *m_mhd = nullptr;
    quint16 m_port = 0;
    MHD_Response *m_empty = nullptr; // the 200 every good request gets, made once
    std::unordered_map<Connection *, std::unique_ptr<Connection>> m_connections;

    QMutex m_queueLock;
    QList<DeviceFix> m_queue;

    std::atomic<qint64> m_requests{0}, m_badRequests{0}, m_refused{0}, m_queueFull{0},
        m_madeRoom{0}, m_outsiders{0};
};

bool OsmAndListener::Daemon::start(const QHostAddress &address, quint16 port, QString *error)
{
    sockaddr_storage bind{};
    unsigned flags = MHD_USE_INTERNAL_POLLING_THREAD | MHD_USE_EPOLL | MHD_USE_ERROR_LOG;
    if (address.protocol() == QAbstractSocket::IPv6Protocol) {
        auto *v6 = reinterpret_cast<sockaddr_in6 *>(&bind);
        v6->sin6_family = AF_INET6;
        v6->sin6_port = htons(port);
        const Q_IPV6ADDR bytes = address.toIPv6Address();
        std::memcpy(&v6->sin6_addr, bytes.c, sizeof bytes.c);
        flags |= MHD_USE_IPv6;
    } else {
        auto *v4 = reinterpret_cast<sockaddr_in *>(&bind);
        v4->sin_family = AF_INET;
        v4->sin_port = htons(port);
        v4->sin_addr.s_addr = htonl(address.toIPv4Address());
    }
    m_empty = MHD_create_response_from_buffer(0, nullptr, MHD_RESPMEM_PERSISTENT);
    // The pool holds a request's head and MHD's buffers; heads over
    // maxHeaderBytes that fit are refused by handle(), larger ones by MHD.
    const size_t pool = size_t(2 * m_limits.maxHeaderBytes + 16 * 1024);
    m_mhd = MHD_start_daemon(
        flags, port, &Daemon::admit, this, &Daemon::handle, this, MHD_OPTION_SOCK_ADDR, &bind,
        MHD_OPTION_CONNECTION_MEMORY_LIMIT, pool,
        // Newcomers past maxConnections are let in so that one idle connection
        // can make room for each.
        MHD_OPTION_CONNECTION_LIMIT, unsigned(m_limits.maxConnections + 64),
        MHD_OPTION_CONNECTION_TIMEOUT, unsigned(m_limits.idleSeconds),
        MHD_OPTION_URI_LOG_CALLBACK, &Daemon::requestBegun, this,
        MHD_OPTION_NOTIFY_COMPLETED, &Daemon::requestDone, this,
        MHD_OPTION_NOTIFY_CONNECTION, &Daemon::connectionNotice, this,
        MHD_OPTION_EXTERNAL_LOGGER, &logMhd, nullptr, MHD_OPTION_END);
    if (!m_mhd) {
        MHD_destroy_response(std::exchange(m_empty, nullptr));
        *error = QStringLiteral("cannot listen for OsmAnd devices on %1 port %2")
                     .arg(address.toString())
                     .arg(port);
        return false;
    }
    m_port = port;
    if (const MHD_DaemonInfo *info = MHD_get_daemon_info(m_mhd, MHD_DAEMON_INFO_LISTEN_FD)) {
        sockaddr_storage bound{};
        socklen_t length = sizeof bound;
        if (getsockname(info->listen_fd, reinterpret_cast<sockaddr *>(&bound), &length) == 0) {
            m_port = bound.ss_family == AF_INET6
                         ? ntohs(reinterpret_cast<sockaddr_in6 *>(&bound)->sin6_port)
                         : ntohs(reinterpret_cast<sockaddr_in *>(&bound)->sin_port);
        }
    }
    return true;
}

void OsmAndListener::Daemon::stop()
{
    if (m_mhd)
        MHD_stop_daemon(std::exchange(m_mhd, nullptr)); // joins the polling thread
    if (m_empty)
        MHD_destroy_response(std::exchange(m_empty, nullptr));
    m_connections.clear();
}

MHD_Result OsmAndListener::Daemon::admit(void *cls, const sockaddr *address, socklen_t)
{
    auto *self = static_cast<Daemon *>(cls);
    if (self->m_access.admits(QHostAddress(address)))
        return MHD_YES;
    ++self->m_outsiders;
    return MHD_NO;
}

void *OsmAndListener::Daemon::requestBegun(void *, const char *uri, MHD_Connection *)
{
    auto *request = new Request;
    if (const char *mark = std::strchr(uri, '?'))
        request->query = QByteArray(mark + 1);
    return request;
}

void OsmAndListener::Daemon::requestDone(void *cls, MHD_Connection *connection,
                                         void **requestContext, MHD_RequestTerminationCode)
{
    delete static_cast<Request *>(*requestContext);
    *requestContext = nullptr;
    static_cast<Daemon *>(cls)->touch(connection);
}

void OsmAndListener::Daemon::connectionNotice(void *cls, MHD_Connection *connection,
                                              void **socketContext,
                                              MHD_ConnectionNotificationCode what)
{
    auto *self = static_cast<Daemon *>(cls);
    if (what == MHD_CONNECTION_NOTIFY_CLOSED) {
        self->m_connections.erase(static_cast<Connection *>(*socketContext));
        return;
    }
    auto entry = std::make_unique<Connection>();
    if (const MHD_ConnectionInfo *info =
            MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CONNECTION_FD))
        entry->fd = info->connect_fd;
    entry->activeMs = steadyMs();
    *socketContext = entry.get();
    Connection *newcomer = entry.get();
    self->m_connections.emplace(newcomer, std::move(entry));
    if (int(self->m_connections.size()) > self->m_limits.maxConnections)
        self->makeRoom(newcomer);
}

void OsmAndListener::Daemon::makeRoom(Connection *newcomer)
{
    Connection *idlest = nullptr;
    for (const auto &each : m_connections) {
        Connection *candidate = each.second.get();
        if (candidate != newcomer && (!idlest || candidate->activeMs < idlest->activeMs))
            idlest = candidate;
    }
    if (!idlest || idlest->fd < 0)
        return;
    // MHD sees the end of the stream on its next poll and closes the
    // connection itself; the descriptor stays its own until then.
    ::shutdown(idlest->fd, SHUT_RDWR);
    idlest->fd = -1;
    idlest->activeMs = steadyMs();
    ++m_madeRoom;
}

void OsmAndListener::Daemon::touch(MHD_Connection *connection)
{
    const MHD_ConnectionInfo *info =
        MHD_get_connection_info(connection, MHD_CONNECTION_INFO_SOCKET_CONTEXT);
    if (info && info->socket_context)
        static_cast<Connection *>(info->socket_context)->activeMs = steadyMs();
}

MHD_Result OsmAndListener::Daemon::handle(void *cls, MHD_Connection *connection, const char *,
                                          const char *method, const char *,
                                          const char *uploadData, size_t *uploadSize,
                                          void **requestContext)
{
    auto *self = static_cast<Daemon *>(cls);
    auto *request = static_cast<Request *>(*requestContext);
    if (!request->started) {
        request->started = true;
        ++self->m_requests;
        self->touch(connection);
        const MHD_ConnectionInfo *head =
            MHD_get_connection_info(connection, MHD_CONNECTION_INFO_REQUEST_HEADER_SIZE);
        if (head && head->header_size > size_t(self->m_limits.maxHeaderBytes))
            return self->refuse(connection, MHD_HTTP_REQUEST_HEADER_FIELDS_TOO_LARGE);
        const bool get = std::strcmp(method, MHD_HTTP_METHOD_GET) == 0;
        if (!get && std::strcmp(method, MHD_HTTP_METHOD_POST) != 0)
            return self->refuse(connection, MHD_HTTP_METHOD_NOT_ALLOWED);
        const char *length =
            MHD_lookup_connection_value(connection, MHD_HEADER_KIND, "Content-Length");
        if (length && QByteArray(length).toLongLong() > self->m_limits.maxDrainBytes)
            return self->refuse(connection, MHD_HTTP_CONTENT_TOO_LARGE);
        return MHD_YES;
    }
    if (*uploadSize > 0) {
        // What passes the limit is read and dropped, up to the drain limit.
        request->drained += qint64(*uploadSize);
        if (request->drained > self->m_limits.maxDrainBytes) {
            ++self->m_refused;
            return MHD_NO;
        }
        if (request->drained <= self->m_limits.maxBodyBytes)
            request->body.append(uploadData, int(*uploadSize));
        else
            request->tooLarge = true;
        *uploadSize = 0;
        return MHD_YES;
    }
    if (request->tooLarge)
        return self->refuse(connection, MHD_HTTP_CONTENT_TOO_LARGE);

    const bool get = std::strcmp(method, MHD_HTTP_METHOD_GET) == 0;
    const char *type = MHD_lookup_connection_value(connection, MHD_HEADER_KIND,
                                                   MHD_HTTP_HEADER_CONTENT_TYPE);
    const OsmAndRequest::Result read = OsmAndRequest::read(
        get ? OsmAndRequest::Method::Get : OsmAndRequest::Method::Post, request->query,
        QByteArray(type ? type : ""), request->body, QDateTime::currentMSecsSinceEpoch());
    if (!read.fix) {
        ++self->m_badRequests;
        return self->reply(connection, MHD_HTTP_BAD_REQUEST, read.error);
    }
    self->enqueue(*read.fix);
    return self->reply(connection, MHD_HTTP_OK);
}

void OsmAndListener::Daemon::enqueue(const DeviceFix &fix)
{
    bool first = false;
    {
        QMutexLocker lock(&m_queueLock);
        if (m_queue.size() >= m_limits.maxQueuedFixes) {
            ++m_queueFull;
            return;
        }
        first = m_queue.isEmpty();
        m_queue.append(fix);
    }
    if (first)
        emit m_owner->fixesWaiting();
}

MHD_Result OsmAndListener::Daemon::refuse(MHD_Connection *connection, unsigned status)
{
    ++m_refused;
    return reply(connection, status);
}

MHD_Result OsmAndListener::Daemon::reply(MHD_Connection *connection, unsigned status,
                                         const QString &reason)
{
    if (status == MHD_HTTP_OK)
        return MHD_queue_response(connection, status, m_empty);
    QByteArray text = reason.toUtf8();
    if (text.isEmpty())
        text = MHD_get_reason_phrase_for(status);
    text.append('\n');
    MHD_Response *response =
        MHD_create_response_from_buffer(size_t(text.size()), text.data(), MHD_RESPMEM_MUST_COPY);
    MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE, "text/plain; charset=utf-8");
    if (status == MHD_HTTP_METHOD_NOT_ALLOWED)
        MHD_add_response_header(response, MHD_HTTP_HEADER_ALLOW, "GET, POST");
    const MHD_Result queued = MHD_queue_response(connection, status, response);
    MHD_destroy_response(response);
    return queued;
}

OsmAndListener::OsmAndListener(const FeedAccess &access, const Limits &limits, QObject *parent)
    : QObject(parent), m_access(access), m_limits(limits)
{
}

OsmAndListener::~OsmAndListener()
{
    close();
}

bool OsmAndListener::listen(const QHostAddress &address, quint16 port, QString *error)
{
    close();
    auto daemon = std::make_unique<Daemon>(this, m_access, m_limits);
    if (!daemon->start(address, port, error))
        return false;
    m_daemon = std::move(daemon);
    qCInfo(lcServer).noquote() << "OsmAnd devices: listening on" << address.toString()
                               << "port" << m_daemon->port();
    return true;
}

void OsmAndListener::close()
{
    m_daemon.reset();
}

bool OsmAndListener::isListening() const
{
    return m_daemon && m_daemon->isRunning();
}

quint16 OsmAndListener::port() const
{
    return m_daemon ? m_daemon->port() : 0;
}

QList<DeviceFix> OsmAndListener::takeFixes()
{
    return m_daemon ? m_daemon->take() : QList<DeviceFix>();
}

OsmAndListener::Counts OsmAndListener::counts() const
{
    return m_daemon ? m_daemon->counts() : Counts();
}
