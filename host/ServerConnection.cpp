#include "ServerConnection.h"
#include "HostLog.h"
#include "wire/Commands.h"

#include "wire/Frame.h"
#include "wire/LiveMessages.h"
#include <PluginInterface.h>

#include <QDataStream>
#include <QSet>
#include <QTcpSocket>

#include <algorithm>

namespace {

constexpr int AnswerWatchMs = 1000;

} // namespace

ServerConnection::ServerConnection(const QByteArray &serverName, QObject *parent)
    : QObject(parent)
    , m_serverName(serverName)
    , m_socket(new QTcpSocket(this))
{
    m_retryTimer.setSingleShot(true);
    connect(&m_retryTimer, &QTimer::timeout, this, &ServerConnection::startConnecting);
    m_clock.start();
    m_answerWatch.setInterval(AnswerWatchMs);
    connect(&m_answerWatch, &QTimer::timeout, this, &ServerConnection::watchAnswers);
    connect(m_socket, &QTcpSocket::connected, this, &ServerConnection::onConnected);
    connect(m_socket, &QTcpSocket::readyRead, this, &ServerConnection::onReadyRead);
    connect(m_socket, &QTcpSocket::disconnected, this,
            [this]() { onLost(QStringLiteral("the server closed the connection")); });
    connect(m_socket, &QTcpSocket::errorOccurred, this,
            [this](QAbstractSocket::SocketError) { onLost(m_socket->errorString()); });
}

ServerConnection::~ServerConnection()
{
    // No signal of the socket's teardown may reach plug-ins or restart anything.
    m_socket->disconnect(this);
    m_plugins.clear();
    m_waiting.clear();
}

QString ServerConnection::endpoint() const
{
    const QString host = m_host.contains(QLatin1Char(':'))
        ? QLatin1Char('[') + m_host + QLatin1Char(']') : m_host;
    return host + QLatin1Char(':') + QString::number(m_port);
}

int ServerConnection::currentWaitMs() const
{
    return m_retryTimer.isActive() ? m_retryTimer.interval() : 0;
}

int ServerConnection::msUntilRetry() const
{
    return m_retryTimer.isActive() ? qMax(0, m_retryTimer.remainingTime()) : 0;
}

int ServerConnection::nextRetryMs(int currentMs)
{
    if (currentMs >= LastRetryMs / 2)
        return LastRetryMs;
    return std::max(int(FirstRetryMs), currentMs * 2);
}

bool ServerConnection::isUnaskedCommand(const QByteArray &command)
{
    return command == Commands::SectionsState || command == Commands::SetCheckMode
           || command == Commands::LayerTreeChanged || command == Commands::RuleTreeChanged;
}

bool ServerConnection::isHostNews(const QByteArray &command)
{
    return command == Commands::UnitPositions || command == Commands::CheckEvents
           || command == Commands::UnitTreeChanged;
}

void ServerConnection::connectTo(const QString &host, quint16 port, const QByteArray &token)
{
    stop();
    m_host = host;
    m_port = port;
    m_token = token;
    m_retryMs = FirstRetryMs;
    startConnecting();
}

void ServerConnection::stop()
{
    m_retryTimer.stop();
    m_host.clear();
    // Idle first: the abort's own signals are no loss to recover from.
    setState(State::Idle);
    m_socket->abort();
    m_buffer.clear();
    m_inbox.clear();
    m_waiting.clear();
}

void ServerConnection::setPlugins(const QList<PluginInterface *> &plugins)
{
    m_plugins = plugins;
}

void ServerConnection::forgetPlugin(PluginInterface *plugin)
{
    m_plugins.removeAll(plugin);
    for (QQueue<Waiter> &queue : m_waiting) {
        // Keep the place in the queue so that later replies still pair with their senders.
        for (Waiter &waiter : queue) {
            if (waiter.plugin == plugin)
                waiter.plugin = nullptr;
        }
    }
}

void ServerConnection::startConnecting()
{
    if (m_host.isEmpty())
        return;
    m_socket->abort();
    setState(State::Connecting);
    m_socket->connectToHost(m_host, m_port);
}

void ServerConnection::onConnected()
{
    m_buffer.clear();
    m_inbox.clear();
    m_waiting.clear();
    m_socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    // The server takes nothing else before the token.
    if (!m_token.isEmpty()) {
        QByteArray body;
        QDataStream out(&body, QIODevice::WriteOnly);
        out.setVersion(QDataStream::Qt_4_5);
        out << m_token;
        write(Commands::AuthToken, body);
    }
    setState(State::Connected);
    emit connected();
    // The host may have been stopped or lost the link in a handler of connected().
    if (m_state == State::Connected)
        m_notifier.announce(m_serverName);
}

void ServerConnection::onLost(const QString &reason)
{
    // disconnected and errorOccurred both report one loss: the first one counts.
    if (m_state == State::Waiting || m_state == State::Idle)
        return;
    const bool wasConnected = m_state == State::Connected;
    reportWaiting(tr("the connection was lost before the server answered"), -1);
    m_buffer.clear();
    m_inbox.clear();
    m_waiting.clear();
    setState(State::Waiting);
    m_retryTimer.start(m_retryMs);
    m_retryMs = nextRetryMs(m_retryMs);
    if (wasConnected)
        emit disconnected(reason);
}

void ServerConnection::SendToServer(const QByteArray &server, const QByteArray &command,
                                    const QByteArray &body, PluginInterface *sender)
{
    if (server != m_serverName)
        return;
    if (!isConnected()) {
        if (isChange(command))
            emit requestUnanswered(command, tr("the server is not connected"));
        return;
    }
    m_waiting[command].enqueue(Waiter{sender, sender == nullptr, m_clock.elapsed(), false});
    if (isChange(command) && !m_answerWatch.isActive())
        m_answerWatch.start();
    write(command, body);
}

bool ServerConnection::isChange(const QByteArray &command)
{
    static const QSet<QByteArray> changes{
        Commands::FixRoutes,      Commands::SetCheckMode,   Commands::AddUnitNode,
        Commands::RenameUnitNode, Commands::MoveUnitNode,   Commands::DeleteUnitNode,
        Commands::SetUnitDevice,  Commands::SetUnitKey,     Commands::AddRuleNode,
        Commands::RenameRuleNode, Commands::MoveRuleNode,   Commands::DeleteRuleNode,
        Commands::AddGraphLayer,  Commands::RenameGraphLayer, Commands::DeleteGraphLayer,
        Commands::AddGraphObject, Commands::ChangeGraphObject, Commands::DeleteGraphObject};
    return changes.contains(command);
}

void ServerConnection::watchAnswers()
{
    reportWaiting(tr("the server did not answer within %1 s").arg(m_answerDeadlineMs / 1000.0),
                  m_answerDeadlineMs);
}

void ServerConnection::reportWaiting(const QString &reason, qint64 olderThanMs)
{
    bool waiting = false;
    QList<QByteArray> overdue;
    for (auto queue = m_waiting.begin(); queue != m_waiting.end(); ++queue) {
        if (!isChange(queue.key()))
            continue;
        for (Waiter &waiter : *queue) {
            if (waiter.reported)
                continue;
            if (m_clock.elapsed() - waiter.sentMs > olderThanMs) {
                waiter.reported = true;
                overdue << queue.key();
            } else {
                waiting = true;
            }
        }
    }
    if (!waiting)
        m_answerWatch.stop();
    for (const QByteArray &command : qAsConst(overdue))
        emit requestUnanswered(command, reason);
}

void ServerConnection::sendHostRequest(const QByteArray &command, const QByteArray &body)
{
    SendToServer(m_serverName, command, body, nullptr);
}

void ServerConnection::write(const QByteArray &command, const QByteArray &body)
{
    m_socket->write(Frame::encode(Frame::Request{m_serverName, command, body}));
}

void ServerConnection::onReadyRead()
{
    // The delivery under way takes these bytes when its handler returns.
    if (m_delivering)
        return;
    m_delivering = true;
    // The socket does not signal again for bytes that came while a handler
    // spun an event loop, so look for them after each round.
    while (m_socket->bytesAvailable() > 0 && takeFrames()) {
        while (!m_inbox.isEmpty()) {
            if (const auto reply = Frame::decodeReply(m_inbox.dequeue()))
                deliver(reply->command, reply->body);
            else
                qCWarning(lcHost, "server %s sent a frame that is not a reply; skipped",
                          qPrintable(endpoint()));
        }
    }
    m_delivering = false;
}

bool ServerConnection::takeFrames()
{
    m_buffer += m_socket->readAll();
    QByteArray payload;
    for (;;) {
        switch (Frame::Splitter::take(m_buffer, &payload)) {
        case Frame::Splitter::NeedMore:
            return true;
        case Frame::Splitter::Complete:
            // A server that answers has taken us: the next loss starts with a short wait.
            // One that drops every connection at once keeps backing off.
            m_retryMs = FirstRetryMs;
            m_inbox.enqueue(payload);
            break;
        case Frame::Splitter::TooLarge:
            qCWarning(lcHost, "server %s announced a frame over the size limit; reconnecting",
                      qPrintable(endpoint()));
            m_socket->abort();
            return false;
        }
    }
}

void ServerConnection::deliver(const QByteArray &command, const QByteArray &body)
{
    if (command == Commands::RequestFailed) {
        takeFailure(body);
        return;
    }
    // The layers are the host's drawing desk's and the plug-ins' alike.
    if (command == Commands::LayerTreeChanged)
        emit hostNews(command, body);
    // Nobody asks for news, so it must not take the place of a waiting asker.
    if (isHostNews(command)) {
        emit hostNews(command, body);
        emit replyDelivered(command);
        return;
    }
    Waiter waiter;
    auto found = m_waiting.find(command);
    const bool asked = found != m_waiting.end() && !found->isEmpty();
    if (asked)
        waiter = found->dequeue();

    if (isUnaskedCommand(command)) {
        // Every plug-in shows the same routes: each one takes the news.
        const QList<PluginInterface *> receivers = m_plugins;
        for (PluginInterface *plugin : receivers) {
            if (m_plugins.contains(plugin))
                handOver(plugin, command, body);
        }
    } else if (!asked) {
        if (command != Commands::AuthToken)
            qCWarning(lcHost, "reply %s from %s that nobody asked for; dropped",
                      command.constData(), qPrintable(endpoint()));
        return;
    } else if (waiter.host) {
        emit hostReply(command, body);
    } else if (waiter.plugin) {
        handOver(waiter.plugin, command, body);
    }
    emit replyDelivered(command);
}

void ServerConnection::takeFailure(const QByteArray &body)
{
    const std::optional<RequestFailure> failure = RequestFailure::read(body);
    if (!failure) {
        qCWarning(lcHost, "a request failure from %s that does not read; dropped",
                  qPrintable(endpoint()));
        return;
    }
    const QByteArray &command = failure->command;
    auto found = m_waiting.find(command);
    if (found == m_waiting.end() || found->isEmpty()) {
        qCWarning(lcHost, "failure of %s from %s that nobody asked for; dropped",
                  command.constData(), qPrintable(endpoint()));
        return;
    }
    // The failure stands in for the reply: the replies after it pair as they would.
    const Waiter waiter = found->dequeue();
    qCWarning(lcHost, "server %s could not carry out %s (%s): %s", qPrintable(endpoint()),
              command.constData(), qPrintable(RequestFailure::codeName(failure->code)),
              qPrintable(failure->reason));
    emit requestFailed(*failure, waiter.plugin);
    // The asker hears of it in the reply's place, so that it can put its own rows right.
    if (waiter.plugin)
        handOver(waiter.plugin, Commands::RequestFailed, body);
}

void ServerConnection::tellPlugins(const QByteArray &command)
{
    const QList<PluginInterface *> receivers = m_plugins;
    for (PluginInterface *plugin : receivers) {
        if (m_plugins.contains(plugin))
            handOver(plugin, command, QByteArray());
    }
}

void ServerConnection::handOver(PluginInterface *plugin, const QByteArray &command,
                                const QByteArray &body)
{
    // The interface takes references it may change.
    QByteArray c = command;
    QByteArray b = body;
    plugin->OnServerReply(c, b);
}

void ServerConnection::setState(State state)
{
    if (m_state == state)
        return;
    m_state = state;
    emit stateChanged(state);
}
