#include "FeedSender.h"

#include <QDateTime>
#include <QNetworkReply>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace {

constexpr int MaxBackoffSeconds = 30;
// A server that took the request and never answers counts as unreachable.
constexpr int ReplyTimeoutMs = 30000;

} // namespace

FeedSender::FeedSender(const QList<TrackPoint> &points, const Settings &settings,
                       QObject *parent)
    : QObject(parent), m_points(points), m_settings(settings), m_out(stdout), m_err(stderr)
{
}

void FeedSender::start()
{
    startPass();
}

void FeedSender::stop()
{
    if (m_done)
        return;
    finish("stopped");
    if (m_reply)
        m_reply->abort();
}

void FeedSender::startPass()
{
    if (m_done)
        return;
    ++m_passes;
    m_pass = FeedPlan::plan(m_points, m_settings.speed, QDateTime::currentMSecsSinceEpoch());
    m_next = 0;
    m_passClock.start();
    sendWhenDue();
}

void FeedSender::sendWhenDue()
{
    qint64 dueMs = 0;
    void (FeedSender::*then)() = &FeedSender::send;
    if (m_next < m_pass.size()) {
        dueMs = m_pass.at(m_next).dueMs;
    } else if (m_settings.loop) {
        // The next pass follows the last point as a point without a time would.
        dueMs = m_pass.constLast().dueMs + std::llround(1000.0 / m_settings.speed);
        then = &FeedSender::startPass;
    } else {
        finish("done");
        return;
    }
    // A timer holds an int of milliseconds: a gap of weeks is waited in steps.
    const qint64 waitMs = std::max<qint64>(0, dueMs - m_passClock.elapsed());
    const int stepMs = std::numeric_limits<int>::max();
    QTimer::singleShot(int(std::min<qint64>(waitMs, stepMs)), this,
                       waitMs > stepMs ? &FeedSender::sendWhenDue : then);
}

void FeedSender::send()
{
    if (m_done)
        return;
    QNetworkRequest request(FeedPlan::url(m_settings.url, m_pass.at(m_next), m_settings.deviceId,
                                          m_settings.key));
    request.setHeader(QNetworkRequest::UserAgentHeader, QStringLiteral("opercheck-feed"));
    request.setTransferTimeout(ReplyTimeoutMs);
    m_reply = m_network.get(request);
    connect(m_reply, &QNetworkReply::finished, this, &FeedSender::replied);
}

void FeedSender::replied()
{
    QNetworkReply *reply = std::exchange(m_reply, nullptr);
    reply->deleteLater();
    if (m_done)
        return;
    const FeedFix &fix = m_pass.at(m_next);
    const QString which = QStringLiteral("%1/%2 %3 %4,%5")
                              .arg(m_next + 1)
                              .arg(m_pass.size())
                              .arg(QDateTime::fromSecsSinceEpoch(fix.timestamp, Qt::UTC)
                                       .toString(Qt::ISODate))
                              .arg(fix.point.latitude, 0, 'f', 5)
                              .arg(fix.point.longitude, 0, 'f', 5);
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status == 0 || status >= 500) {
        m_err << "opercheck-feed: " << which << ": "
              << (status == 0 ? reply->errorString() : QStringLiteral("HTTP %1").arg(status))
              << "; again in " << m_backoffSeconds << " s\n";
        m_err.flush();
        ++m_retried;
        QTimer::singleShot(m_backoffSeconds * 1000, this, &FeedSender::send);
        m_backoffSeconds = std::min(m_backoffSeconds * 2, MaxBackoffSeconds);
        return;
    }
    m_backoffSeconds = 1;
    if (status / 100 == 2) {
        ++m_sent;
        m_out << "sent " << which << '\n';
    } else {
        ++m_refused;
        const QString reason = QString::fromUtf8(reply->readLine()).trimmed();
        m_out << "refused " << which << ": HTTP " << status
              << (reason.isEmpty() ? QString() : QStringLiteral(" ") + reason) << '\n';
    }
    m_out.flush();
    ++m_next;
    sendWhenDue();
}

void FeedSender::finish(const char *how)
{
    m_done = true;
    m_out << how << ": " << m_sent << " sent, " << m_refused << " refused, " << m_retried
          << " retried";
    if (m_settings.loop)
        m_out << ", in pass " << m_passes;
    m_out << '\n';
    m_out.flush();
    emit finished();
}
