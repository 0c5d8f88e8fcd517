#ifndef DEMOSCREENSHOT_H
#define DEMOSCREENSHOT_H

#include "PluginLoaderHost.h"

#include <QByteArray>
#include <QObject>
#include <QSet>
#include <QString>
#include <QTimer>

class HostWindow;
class QAbstractItemModel;
class QModelIndex;
class QTreeView;
class ServerConnection;

// Headless run: waits for the plug-ins' two trees, shows a route on the map
// through the plug-in's own slots, then writes a PNG of the window.
// finished(0) after writing, finished(1) with a message on stderr when the
// trees do not come in time or the file cannot be written.
//
// The route shown is the demo's LiveRoute when the tree has it, else the first
// route with shapes. With a live wait, the route is also switched to checking
// and the picture is taken that much later, once the server's units have
// driven part of it.
class DemoScreenshot : public QObject
{
    Q_OBJECT

public:
    static constexpr int TimeoutMs = 20000;
    // Lets the map and the panel settle after the route is shown.
    static constexpr int SettleMs = 400;
    static constexpr char LiveRoute[] = "Riverside patrol";

    DemoScreenshot(HostWindow *window, ServerConnection *connection,
                   const QList<PluginLoaderHost::Loaded> &plugins, const QString &path,
                   QObject *parent = nullptr);

    // Milliseconds between switching the route to checking and the picture; 0: no checking.
    void setLiveWait(int ms) { m_liveWaitMs = ms; }
    void start();

signals:
    void finished(int exitCode);

private:
    void onReplyDelivered(const QByteArray &command);
    void showRoute();
    // True when a route with shapes is shown.
    bool tryRoutes(QObject *instance, QTreeView *view, const QModelIndex &parent);
    // The index of the live route under parent, or an invalid one.
    QModelIndex findLiveRoute(const QAbstractItemModel *model, const QModelIndex &parent) const;
    void show(QObject *instance, QTreeView *view, const QModelIndex &index);
    void checkOn(int routeId);
    void capture();
    void fail(const QString &message);

    HostWindow *m_window;                      // not owned
    ServerConnection *m_connection;            // not owned
    QList<PluginLoaderHost::Loaded> m_plugins; // instances not owned
    QString m_path;
    QSet<QByteArray> m_trees;
    QTimer m_timeout;
    int m_liveWaitMs = 0;
    bool m_showing = false;
    bool m_done = false;
};

#endif // DEMOSCREENSHOT_H
