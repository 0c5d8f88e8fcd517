#ifndef E2ECLIENT_H
#define E2ECLIENT_H

// One operator's host in an end-to-end test: the host's link, units, window
// with its maps, and the plug-in's code linked in. Header-only: only the
// end-to-end tests link the host and the plug-in together.
#include <HostServices.h>
#include <HostWindow.h>
#include <ObjectsModel.h>
#include <ServerConnection.h>

#include "records/ItemRoles.h"
#include "shell/OperativeCheck.h"

#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTest>

#include <algorithm>
#include <functional>
#include <memory>

namespace E2e {

class Client
{
public:
    Client()
        : connection("OperCheck_Server1")
        , services(&connection, &objects)
        , window(std::make_unique<HostWindow>(&services, &connection, &objects))
        , plugin(new OperativeCheck)
    {
        window->installPlugins({{QStringLiteral("linked in"), plugin, plugin}});
    }

    ~Client()
    {
        // The plug-in goes before the maps it drew on, as in the host.
        connection.stop();
        connection.forgetPlugin(plugin);
        delete plugin;
        window.reset();
    }

    ServerConnection connection;
    ObjectsModel objects;
    HostServices services;
    std::unique_ptr<HostWindow> window;
    OperativeCheck *plugin;
};

// Runs action, then waits up to 10 s for a reply of command to reach the
// client's plug-in.
inline bool waitFor(Client &client, const QByteArray &command, const std::function<void()> &action)
{
    QSignalSpy delivered(&client.connection, &ServerConnection::replyDelivered);
    action();
    return QTest::qWaitFor([&]() {
        return std::any_of(delivered.cbegin(), delivered.cend(), [&](const QList<QVariant> &a) {
            return a.at(0).toByteArray() == command;
        });
    }, 10000);
}

// The main tree's item of a rule node, or null.
inline QStandardItem *nodeItem(Client &client, qint32 nodeId, QStandardItem *parent = nullptr)
{
    parent = parent ? parent : client.plugin->model()->invisibleRootItem();
    for (int row = 0; row < parent->rowCount(); ++row) {
        QStandardItem *item = parent->child(row);
        if (!itemSection(item) && item->data(ItemRole::NodeId).toInt() == nodeId)
            return item;
        if (QStandardItem *found = nodeItem(client, nodeId, item))
            return found;
    }
    return nullptr;
}

} // namespace E2e

#endif // E2ECLIENT_H
