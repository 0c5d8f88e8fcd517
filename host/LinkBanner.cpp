#include "LinkBanner.h"

#include "ServerConnection.h"

#include <QTimer>

namespace {

constexpr int TickMs = 250;

} // namespace

LinkBanner::LinkBanner(ServerConnection *connection, QWidget *parent)
    : QLabel(parent), m_connection(connection), m_tick(new QTimer(this))
{
    setObjectName(QStringLiteral("linkBanner"));
    setWordWrap(true);
    setMargin(8);
    setStyleSheet(QStringLiteral("background: #fff4ce; color: #5c3c00;"
                                 " border-bottom: 1px solid #e0c060;"));
    m_tick->setInterval(TickMs);
    connect(m_tick, &QTimer::timeout, this, &LinkBanner::update);
    connect(connection, &ServerConnection::stateChanged, this, &LinkBanner::update);
    connect(connection, &ServerConnection::disconnected, this, [this](const QString &reason) {
        m_reason = reason;
        update();
    });
    update();
}

void LinkBanner::update()
{
    const ServerConnection::State state = m_connection->state();
    const bool unreachable = state == ServerConnection::State::Waiting
                             || (state == ServerConnection::State::Connecting
                                 && !m_reason.isEmpty());
    setVisible(unreachable);
    if (!unreachable) {
        m_tick->stop();
        if (state == ServerConnection::State::Connected)
            m_reason.clear();
        return;
    }
    if (!m_tick->isActive())
        m_tick->start();
    const QString why = m_reason.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(m_reason);
    const int seconds = (m_connection->msUntilRetry() + 999) / 1000;
    setText(state == ServerConnection::State::Waiting
                ? tr("The server %1 cannot be reached%2. Trying again in %3 s; the routes"
                     " show once it answers.")
                      .arg(m_connection->endpoint(), why)
                      .arg(seconds)
                : tr("The server %1 cannot be reached%2. Trying again now…")
                      .arg(m_connection->endpoint(), why));
}
