#include "DemoScreenshot.h"
#include "HostLog.h"
#include "records/ItemRoles.h"
#include "wire/Commands.h"

#include "HostWindow.h"
#include "MapCanvas.h"
#include "PrimitivePainter.h"
#include "ServerConnection.h"

#include "wire/RouteMessages.h"

#include <PluginInterface.h>

#include <QFileInfo>
#include <QMetaObject>
#include <QTextStream>
#include <QTreeView>

DemoScreenshot::DemoScreenshot(HostWindow *window, ServerConnection *connection,
                               const QList<PluginLoaderHost::Loaded> &plugins,
                               const QString &path, QObject *parent)
    : QObject(parent)
    , m_window(window)
    , m_connection(connection)
    , m_plugins(plugins)
    , m_path(path)
{
    m_timeout.setSingleShot(true);
    connect(&m_timeout, &QTimer::timeout, this, [this]() {
        fail(QStringLiteral("the route trees did not load within %1 s").arg(TimeoutMs / 1000));
    });
    connect(m_connection, &ServerConnection::connected, this, [this]() { m_trees.clear(); });
    connect(m_connection, &ServerConnection::replyDelivered, this,
            &DemoScreenshot::onReplyDelivered);
}

void DemoScreenshot::start()
{
    m_timeout.start(TimeoutMs);
}

void DemoScreenshot::onReplyDelivered(const QByteArray &command)
{
    if (command != Commands::GetRuleTree && command != Commands::GetLayerTree)
        return;
    m_trees.insert(command);
    if (m_trees.size() == 2 && !m_showing) {
        m_showing = true;
        m_timeout.stop();
        // After the plug-in has returned from the reply.
        QTimer::singleShot(0, this, &DemoScreenshot::showRoute);
    }
}

void DemoScreenshot::showRoute()
{
    MapCanvas *canvas = m_window->currentMap();
    bool shown = false;
    int wait = SettleMs;
    for (const PluginLoaderHost::Loaded &loaded : qAsConst(m_plugins)) {
        QWidget *page = canvas ? m_window->pluginPage(loaded.plugin, canvas->mapId()) : nullptr;
        auto *view = page ? page->findChild<QTreeView *>() : nullptr;
        if (!view || !view->model())
            continue;
        const QModelIndex live = findLiveRoute(view->model(), QModelIndex());
        if (live.isValid()) {
            show(loaded.instance, view, live);
            if (m_liveWaitMs > 0) {
                checkOn(live.data(ItemRole::NodeId).toInt());
                wait = m_liveWaitMs;
            }
            shown = true;
            break;
        }
        if (tryRoutes(loaded.instance, view, QModelIndex())) {
            shown = true;
            break;
        }
    }
    if (!shown)
        qCWarning(lcHost, "no route with shapes to show; the map shows none");
    // The timeout is for loading; the live wait may be longer.
    QTimer::singleShot(wait, this, &DemoScreenshot::capture);
}

QModelIndex DemoScreenshot::findLiveRoute(const QAbstractItemModel *model,
                                          const QModelIndex &parent) const
{
    for (int row = 0; row < model->rowCount(parent); ++row) {
        const QModelIndex index = model->index(row, 0, parent);
        if (index.data(ItemRole::Route).toLongLong() != 0
            && index.data().toString() == QLatin1String(LiveRoute))
            return index;
        const QModelIndex below = findLiveRoute(model, index);
        if (below.isValid())
            return below;
    }
    return QModelIndex();
}

void DemoScreenshot::show(QObject *instance, QTreeView *view, const QModelIndex &index)
{
    view->setCurrentIndex(index);
    QMetaObject::invokeMethod(instance, "onMainItemClicked", Qt::DirectConnection,
                              Q_ARG(QModelIndex, index));
    // As a double click does: the map moves to the route and shows it.
    QMetaObject::invokeMethod(instance, "onMainItemDblClicked", Qt::DirectConnection,
                              Q_ARG(QModelIndex, index));
    view->expand(index);
    view->scrollTo(index, QAbstractItemView::PositionAtCenter);
}

// As a second operator would: the reply reaches every panel.
void DemoScreenshot::checkOn(int routeId)
{
    m_connection->sendHostRequest(Commands::SetCheckMode,
                                  RouteMessages::checkModeRequest(1, {routeId}));
}

bool DemoScreenshot::tryRoutes(QObject *instance, QTreeView *view, const QModelIndex &parent)
{
    QAbstractItemModel *model = view->model();
    MapCanvas *canvas = m_window->currentMap();
    for (int row = 0; row < model->rowCount(parent); ++row) {
        const QModelIndex index = model->index(row, 0, parent);
        if (index.data(ItemRole::Route).toLongLong() != 0) {
            show(instance, view, index);
            if (PrimitivePainter::visibleCount(*canvas->layers()) > 0)
                return true;
            view->collapse(index);
            model->setData(index, Qt::Unchecked, Qt::CheckStateRole);
        }
        if (tryRoutes(instance, view, index))
            return true;
    }
    return false;
}

void DemoScreenshot::capture()
{
    if (m_done)
        return;
    const QString path = QFileInfo(m_path).absoluteFilePath();
    if (!m_window->grab().save(path, "PNG")) {
        fail(QStringLiteral("cannot write %1").arg(path));
        return;
    }
    m_done = true;
    m_timeout.stop();
    QTextStream(stdout) << path << '\n';
    emit finished(0);
}

void DemoScreenshot::fail(const QString &message)
{
    if (m_done)
        return;
    m_done = true;
    m_timeout.stop();
    qCWarning(lcHost).noquote() << message;
    emit finished(1);
}
