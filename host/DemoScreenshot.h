#ifndef DEMOSCREENSHOT_H
#define DEMOSCREENSHOT_H

#include "PluginLoaderHost.h"

#include <QByteArray>
#include <QObject>
#include <QSet>
#include <QString>
#include <QTimer>

class HostWindow;
class QModelIndex;
class QTreeView;
class ServerConnection;

// Headless run: waits for the plug-ins' two trees, shows the first route that
// has shapes on the map through the plug-in's own slots, then writes a PNG of
// the window. finished(0) after writing, finished(1) with a message on stderr
// when the trees do not come in time or the file cannot be written.
class DemoScreenshot : public QObject
{
    Q_OBJECT

public:
    static constexpr int TimeoutMs = 20000;
    // Lets the map and the panel settle after the route is shown.
    static constexpr int SettleMs = 400;

    DemoScreenshot(HostWindow *window, ServerConnection *connection,
                   const QList<PluginLoaderHost::Loaded> &plugins, const QString &path,
                   QObject *parent = nullptr);

    void start();

signals:
    void finished(int exitCode);

private:
    void onReplyDelivered(const QByteArray &command);
    void showRoute();
    // True when a route with shapes is shown.
    bool tryRoutes(QObject *instance, QTreeView *view, const QModelIndex &parent);
    void capture();
    void fail(const QString &message);

    HostWindow *m_window;                      // not owned
    ServerConnection *m_connection;            // not owned
    QList<PluginLoaderHost::Loaded> m_plugins; // instances not owned
    QString m_path;
    QSet<QByteArray> m_trees;
    QTimer m_timeout;
    bool m_showing = false;
    bool m_done = false;
};

#endif // DEMOSCREENSHOT_H
