#ifndef PANELDRIVER_H
#define PANELDRIVER_H

// Drives the plug-in the way the host does, for tests.
#include <PluginInterface.h>

#include <QByteArray>
#include <QList>
#include <QStandardItemModel>

namespace PanelDriver {

// The host hands replies over as non-const references.
inline void deliver(PluginInterface *plugin, const QByteArray &command, const QByteArray &body)
{
    QByteArray c = command;
    QByteArray b = body;
    plugin->OnServerReply(c, b);
}

// The item at a path of rows from the top; null when a row is missing.
inline QStandardItem *itemAt(const QStandardItemModel *model, const QList<int> &path)
{
    QStandardItem *current = model->invisibleRootItem();
    for (int row : path)
        current = current ? current->child(row) : nullptr;
    return current;
}

} // namespace PanelDriver

#endif // PANELDRIVER_H
