#include "HostAdapter.h"

#include "BindToMapModel.h"
#include "HostPages.h"

#include "shell/PluginLog.h"
#include "wire/Commands.h"

#include <PluginHost.h>

#include <QDataStream>

HostAdapter::HostAdapter(QObject *panel, PluginInterface *sender, BindToMapModel &binding,
                         HostPages &pages)
    : m_panel(panel)
    , m_sender(sender)
    , m_binding(binding)
    , m_pages(pages)
{
}

QStandardItemModel *HostAdapter::objectsModel() const
{
    return m_host ? m_host->GetObjectsModel() : nullptr;
}

QWidget *HostAdapter::createWidget(QTabWidget *tabs)
{
    return m_pages.makePage(tabs);
}

void HostAdapter::setHost(PluginHost *host)
{
    m_host = host;
    QObject *notifier = host ? host->GetServerNotifier() : nullptr;
    if (notifier) {
        // The host knows this connection by its signature: it stays a string one.
        QObject::connect(notifier, SIGNAL(OnConnectToServerSignal(QByteArray &)), m_panel,
                         SLOT(ConnectToServer(QByteArray &)));
    }
}

void HostAdapter::bindMap(int mapId)
{
    if (m_mapKey != -1)
        return;
    m_mapKey = mapId;
    m_binding.bindToMap(m_host, mapId);
}

bool HostAdapter::tabActivated(int mapId, const std::function<void()> &leaving)
{
    if (!m_pages.followCurrentTab())
        return false;
    leaving();
    m_binding.bindToMap(m_host, mapId);
    return true;
}

void HostAdapter::readReply(const QByteArray &command, const QByteArray &body,
                            const std::function<void(const QString &, QDataStream &)> &handle)
{
    QDataStream in(body);
    in.setVersion(QDataStream::Qt_4_5);
    const int end = command.indexOf('\0');
    handle(QString::fromUtf8(end < 0 ? command : command.left(end)), in);
}

void HostAdapter::send(const QByteArray &command, const QByteArray &body) const
{
    const QByteArray server(Commands::ServerName);
    ServerLink *link = m_host ? m_host->GetServerLink() : nullptr;
    if (!link) {
        qCDebug(ocPlugin) << "no server link yet:" << command << "not sent";
        return;
    }
    link->SendToServer(server, command, body, m_sender);
}
