#ifndef HOSTADAPTER_H
#define HOSTADAPTER_H

#include <functional>

class BindToMapModel;
class HostPages;
class PluginHost;
class PluginInterface;
class QByteArray;
class QDataStream;
class QObject;
class QStandardItemModel;
class QString;
class QTabWidget;
class QWidget;

// Carries out what the host asks of the plug-in through its interface: keeps
// the host object, makes the panel's pages, binds the panel to the host's
// maps, opens the server's replies and sends requests to the route-check
// server. Before the host is handed over nothing is sent.
class HostAdapter
{
public:
    // panel receives the host's connection signal; sender is the same object
    // as the host sees it, named in every request.
    HostAdapter(QObject *panel, PluginInterface *sender, BindToMapModel &binding,
                HostPages &pages);

    PluginHost *host() const { return m_host; }
    // The host's tracked objects; null without a host.
    QStandardItemModel *objectsModel() const;

    QWidget *createWidget(QTabWidget *tabs);
    // Keeps host and has its connection signal ask the panel for the trees.
    void setHost(PluginHost *host);
    // Binds the first map the host names; later calls do nothing.
    void bindMap(int mapId);
    // Moves the panel to the current tab's page and binds mapId, when that
    // tab has a page of ours; leaving runs just before the binding changes.
    // Whether the panel moved.
    bool tabActivated(int mapId, const std::function<void()> &leaving);
    // Hands handle the reply's command (its bytes up to the first zero, as
    // UTF-8) and a reader over its body.
    static void readReply(const QByteArray &command, const QByteArray &body,
                          const std::function<void(const QString &, QDataStream &)> &handle);
    // The one way out to the server.
    void send(const QByteArray &command, const QByteArray &body) const;

private:
    QObject *m_panel;
    PluginInterface *m_sender;
    BindToMapModel &m_binding;
    HostPages &m_pages;
    PluginHost *m_host = nullptr; // the host's
    int m_mapKey = -1;            // the map BindMap bound; -1 before
};

#endif // HOSTADAPTER_H
