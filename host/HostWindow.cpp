#include "HostWindow.h"

#include "CheckEventsModel.h"
#include "FailureText.h"
#include "HostServices.h"
#include "LinkBanner.h"
#include "MapBasePainter.h"
#include "MapCanvas.h"
#include "ObjectsModel.h"
#include "ServerConnection.h"
#include "UnitTracker.h"
#include "UnitsDock.h"
#include "wire/Commands.h"
#include "zones/DrawDock.h"
#include "zones/ZonesDesk.h"

#include <DemoDistrict.h>
#include <PluginInterface.h>

#include <QAction>
#include <QCloseEvent>
#include <QDockWidget>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenuBar>
#include <QMessageBox>
#include <QStatusBar>
#include <QSortFilterProxyModel>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

constexpr int CityMapId = 1;
constexpr int RegionMapId = 2;
constexpr double ZoomStep = 1.5;
// Room for a unit's name, device and report time; the rest scrolls into view.
constexpr int UnitsDockWidth = 440;
// Long enough to be read; the link state comes back after it.
constexpr int FailureShownMs = 30000;

} // namespace

QList<HostWindow::MapView> HostWindow::defaultViews()
{
    const QPointF centre = DemoDistrict::centre();
    return {{CityMapId, tr("City"), centre, 1700.0},
            {RegionMapId, tr("Region"), centre, 6000.0}};
}

HostWindow::HostWindow(HostServices *services, ServerConnection *connection,
                       ObjectsModel *objects, const QList<MapView> &views, QWidget *parent)
    : QMainWindow(parent)
    , m_services(services)
    , m_connection(connection)
    , m_views(views)
    , m_mapTabs(new QTabWidget)
    , m_pluginTabs(new QTabWidget)
    , m_linkLabel(new QLabel)
    , m_pointerLabel(new QLabel)
    , m_scaleLabel(new QLabel)
{
    setWindowTitle(tr("Northbrook Dispatch"));
    buildMaps(views);
    buildDocks(objects);
    buildMenus();

    statusBar()->addWidget(m_linkLabel, 1);
    statusBar()->addPermanentWidget(m_pointerLabel);
    statusBar()->addPermanentWidget(m_scaleLabel);
    connect(m_connection, &ServerConnection::stateChanged, this, &HostWindow::updateLinkState);
    connect(m_connection, &ServerConnection::disconnected, this, &HostWindow::updateLinkState);
    connect(m_connection, &ServerConnection::requestFailed, this,
            [this](const RequestFailure &failure) {
                showFailure(failure.command, FailureText::explained(failure));
            });
    connect(m_connection, &ServerConnection::requestUnanswered, this, &HostWindow::showFailure);
    updateLinkState();
    updateScaleText();
    resize(1400, 900);
}

HostWindow::~HostWindow() = default;

void HostWindow::buildMaps(const QList<MapView> &views)
{
    m_mapTabs->setDocumentMode(true);
    for (const MapView &view : views) {
        auto *canvas = new MapCanvas(view.id, tr("Map %1 · %2").arg(view.id).arg(view.title));
        canvas->setCenter(view.centre);
        canvas->setScale(view.scale);
        m_services->addMap(canvas);
        m_canvases.append(canvas);
        m_mapTabs->addTab(canvas, view.title);
        connect(canvas, &MapCanvas::viewChanged, this, &HostWindow::updateScaleText);
        connect(canvas, &MapCanvas::pointerMoved, this, [this](const QPointF &point) {
            m_pointerLabel->setText(MapBasePainter::latitudeText(point.y(), 1000)
                                    + QLatin1Char(' ')
                                    + MapBasePainter::longitudeText(point.x(), 1000));
        });
    }
    m_shownMap = currentMap();
    setCentralWidget(m_mapTabs);
    connect(m_mapTabs, &QTabWidget::currentChanged, this, &HostWindow::onMapTabChanged);
}

void HostWindow::buildDocks(ObjectsModel *objects)
{
    m_unitsDock = new UnitsDock(m_connection, objects, this);
    addDockWidget(Qt::LeftDockWidgetArea, m_unitsDock);
    connect(m_unitsDock, &UnitsDock::unitActivated, this, &HostWindow::showUnit);

    m_pluginTabs->setDocumentMode(true);
    auto *panel = new QDockWidget(tr("Route check"), this);
    panel->setObjectName(QStringLiteral("pluginDock"));
    panel->setFeatures(QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable);
    auto *pages = new QWidget;
    auto *pagesLayout = new QVBoxLayout(pages);
    pagesLayout->setContentsMargins(0, 0, 0, 0);
    pagesLayout->setSpacing(0);
    pagesLayout->addWidget(new LinkBanner(m_connection));
    pagesLayout->addWidget(m_pluginTabs);
    panel->setWidget(pages);
    addDockWidget(Qt::RightDockWidgetArea, panel);
    resizeDocks({m_unitsDock, panel}, {UnitsDockWidth, 500}, Qt::Horizontal);
    connect(m_pluginTabs, &QTabWidget::currentChanged, this, &HostWindow::onPluginTabChanged);
    buildEventsDock();
    buildZones();
}

void HostWindow::buildZones()
{
    m_zones = new ZonesDesk(m_connection, this);
    addDockWidget(Qt::LeftDockWidgetArea, m_zones->dock());
    tabifyDockWidget(m_unitsDock, m_zones->dock());
    m_unitsDock->raise();
    m_zones->setCanvas(currentMap());
    connect(m_zones, &ZonesDesk::message, this,
            [this](const QString &text) { statusBar()->showMessage(text, FailureShownMs); });
    // What this host stored, its plug-ins must draw; what others stored, the desk reads.
    connect(m_zones, &ZonesDesk::layersChanged, this,
            [this] { m_connection->tellPlugins(Commands::LayerTreeChanged); });
    connect(m_zones, &ZonesDesk::rulesChanged, this,
            [this] { m_connection->tellPlugins(Commands::RuleTreeChanged); });
    connect(m_connection, &ServerConnection::hostNews, this, [this](const QByteArray &command) {
        if (command == Commands::LayerTreeChanged)
            m_zones->layersChangedElsewhere();
    });
}

void HostWindow::buildEventsDock()
{
    // Rows are one text each: route, section and unit names all match.
    auto *filtered = new QSortFilterProxyModel(this);
    filtered->setSourceModel(m_services->checkEvents());
    filtered->setFilterCaseSensitivity(Qt::CaseInsensitive);
    auto *filter = new QLineEdit;
    filter->setObjectName(QStringLiteral("eventsFilter"));
    filter->setPlaceholderText(tr("Filter by route, section or unit"));
    connect(filter, &QLineEdit::textChanged, filtered,
            &QSortFilterProxyModel::setFilterFixedString);
    m_eventsView = new QListView;
    m_eventsView->setModel(filtered);
    m_eventsView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_eventsView->setUniformItemSizes(true);
    m_eventsView->setAlternatingRowColors(true);
    auto *box = new QWidget;
    auto *layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(filter);
    layout->addWidget(m_eventsView);
    auto *events = new QDockWidget(tr("Check events"), this);
    events->setObjectName(QStringLiteral("eventsDock"));
    events->setFeatures(QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable);
    events->setWidget(box);
    // Under the maps only: the side panels keep their full height.
    setCorner(Qt::BottomLeftCorner, Qt::LeftDockWidgetArea);
    setCorner(Qt::BottomRightCorner, Qt::RightDockWidgetArea);
    addDockWidget(Qt::BottomDockWidgetArea, events);
    resizeDocks({events}, {130}, Qt::Vertical);
}

void HostWindow::buildMenus()
{
    QMenu *file = menuBar()->addMenu(tr("&File"));
    file->addAction(m_zones->importAction());
    file->addAction(m_zones->exportAction());
    file->addSeparator();
    QAction *quit = file->addAction(tr("&Quit"), this, &QWidget::close);
    quit->setShortcut(QKeySequence::Quit);

    QMenu *view = menuBar()->addMenu(tr("&View"));
    QAction *home = view->addAction(tr("&Whole district"), this, &HostWindow::showWholeDistrict);
    home->setShortcut(Qt::CTRL | Qt::Key_0);
    QAction *zoomIn = view->addAction(tr("Zoom &in"), this, [this]() {
        if (MapCanvas *canvas = currentMap())
            canvas->setScale(canvas->projection().scale() / ZoomStep);
    });
    zoomIn->setShortcut(QKeySequence::ZoomIn);
    QAction *zoomOut = view->addAction(tr("Zoom &out"), this, [this]() {
        if (MapCanvas *canvas = currentMap())
            canvas->setScale(canvas->projection().scale() * ZoomStep);
    });
    zoomOut->setShortcut(QKeySequence::ZoomOut);
    view->addSeparator();
    view->addAction(m_unitsDock->toggleViewAction());
    view->addAction(m_zones->dock()->toggleViewAction());
}

void HostWindow::installPlugins(const QList<PluginLoaderHost::Loaded> &plugins)
{
    for (const PluginLoaderHost::Loaded &loaded : plugins) {
        PluginInterface *plugin = loaded.plugin;
        m_plugins.append(plugin);
        plugin->SetHost(m_services);
        for (const MapView &view : qAsConst(m_views)) {
            // With one plug-in the map's name tells its pages apart.
            const QString title = plugins.size() == 1
                ? view.title : plugin->GetName() + QStringLiteral(" · ") + view.title;
            auto *placeholder = new QWidget;
            const QSignalBlocker blocker(m_pluginTabs);
            // The plug-in takes the tab count minus one as the index of its page.
            m_pluginTabs->addTab(placeholder, title);
            QWidget *page = plugin->CreateWidget(nullptr, m_pluginTabs);
            const int index = m_pluginTabs->count() - 1;
            if (page) {
                m_pluginTabs->removeTab(index);
                delete placeholder;
                m_pluginTabs->insertTab(index, page, plugin->GetIcon(), title);
            }
            m_pluginTabs->setTabToolTip(index, plugin->GetName() + QLatin1Char(' ')
                                                   + plugin->GetVersion());
            m_placements.append({plugin, view.id});
            plugin->BindMap(0, view.id);
        }
    }
    m_connection->setPlugins(m_plugins);
    onMapTabChanged(m_mapTabs->currentIndex());
}

MapCanvas *HostWindow::currentMap() const
{
    return qobject_cast<MapCanvas *>(m_mapTabs->currentWidget());
}

QWidget *HostWindow::pluginPage(PluginInterface *plugin, int mapId) const
{
    const int index = pluginTabIndex(plugin, mapId);
    return index < 0 ? nullptr : m_pluginTabs->widget(index);
}

int HostWindow::pluginTabIndex(PluginInterface *plugin, int mapId) const
{
    for (int i = 0; i < m_placements.size(); ++i) {
        if (m_placements[i].plugin == plugin && m_placements[i].mapId == mapId)
            return i;
    }
    return -1;
}

void HostWindow::onMapTabChanged(int index)
{
    auto *canvas = qobject_cast<MapCanvas *>(m_mapTabs->widget(index));
    if (!canvas)
        return;
    // A plug-in serves one map at a time and may free the shapes it left on the
    // other one; that map must not keep pointers to them.
    if (m_shownMap && m_shownMap != canvas)
        m_shownMap->dropPrimitives();
    m_shownMap = canvas;
    m_zones->setCanvas(canvas);

    const int shown = m_pluginTabs->currentIndex();
    PluginInterface *looked = shown >= 0 && shown < m_placements.size()
        ? m_placements[shown].plugin : nullptr;
    m_syncingTabs = true;
    // Each plug-in finds its page for the map as the current tab.
    for (PluginInterface *plugin : qAsConst(m_plugins)) {
        const int tab = pluginTabIndex(plugin, canvas->mapId());
        if (tab < 0)
            continue;
        m_pluginTabs->setCurrentIndex(tab);
        plugin->OnTabActivated(canvas->mapId());
    }
    const int keep = pluginTabIndex(looked ? looked : m_plugins.value(0), canvas->mapId());
    if (keep >= 0)
        m_pluginTabs->setCurrentIndex(keep);
    m_syncingTabs = false;
    updateScaleText();
}

void HostWindow::onPluginTabChanged(int index)
{
    if (m_syncingTabs || index < 0 || index >= m_placements.size())
        return;
    for (int i = 0; i < m_canvases.size(); ++i) {
        if (m_canvases[i]->mapId() == m_placements[index].mapId) {
            const QSignalBlocker blocker(m_pluginTabs);
            m_mapTabs->setCurrentWidget(m_canvases[i]);
            break;
        }
    }
    // Back on the page the operator chose, when a map switch moved it.
    if (m_pluginTabs->currentIndex() != index) {
        const QSignalBlocker blocker(m_pluginTabs);
        m_pluginTabs->setCurrentIndex(index);
    }
}

void HostWindow::showUnit(qint32 unitId)
{
    MapCanvas *canvas = currentMap();
    const UnitTracker *tracker = m_services->unitTracker();
    if (!canvas)
        return;
    if (!tracker->contains(unitId)) {
        statusBar()->showMessage(tr("This unit has not reported a position yet."), 5000);
        return;
    }
    canvas->setCenter(tracker->unit(unitId).position);
}

void HostWindow::showWholeDistrict()
{
    MapCanvas *canvas = currentMap();
    if (!canvas)
        return;
    for (const MapView &view : qAsConst(m_views)) {
        if (view.id == canvas->mapId()) {
            canvas->setCenter(view.centre);
            canvas->setScale(view.scale);
        }
    }
}

void HostWindow::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    // The units come first beside the drawing desk; a dock's tab is only
    // raised once the window lays its docks out.
    if (!m_shownBefore)
        m_unitsDock->raise();
    m_shownBefore = true;
}

void HostWindow::closeEvent(QCloseEvent *event)
{
    // A plug-in that keeps the window (unsaved edits, a save on its way) has the last word.
    for (PluginInterface *plugin : qAsConst(m_plugins)) {
        plugin->OnClose(event);
        if (!event->isAccepted())
            return;
    }
    QMainWindow::closeEvent(event);
}

void HostWindow::updateLinkState()
{
    // A change of the link matters more than an earlier failure.
    statusBar()->clearMessage();
    const QString endpoint = m_connection->endpoint();
    switch (m_connection->state()) {
    case ServerConnection::State::Idle:
        m_linkLabel->setText(tr("Not connected"));
        break;
    case ServerConnection::State::Connecting:
        m_linkLabel->setText(tr("Connecting to %1…").arg(endpoint));
        break;
    case ServerConnection::State::Connected:
        m_linkLabel->setText(tr("Connected to %1 (%2)")
                                 .arg(QString::fromLatin1(m_connection->serverName()), endpoint));
        break;
    case ServerConnection::State::Waiting:
        m_linkLabel->setText(tr("Server %1 unreachable; retrying").arg(endpoint));
        break;
    }
}

void HostWindow::updateScaleText()
{
    if (MapCanvas *canvas = currentMap())
        m_scaleLabel->setText(tr("Scale %1 · %2 across")
                                  .arg(qRound(canvas->projection().scale()))
                                  .arg(MapBasePainter::distanceText(
                                      4 * canvas->projection().scale())));
}

void HostWindow::showFailure(const QByteArray &command, const QString &reason)
{
    QString text;
    if (command == Commands::FixRoutes)
        text = tr("The routes were not saved: %1").arg(reason);
    else if (command == Commands::SetCheckMode)
        text = tr("Checking was not switched: %1").arg(reason);
    else
        text = tr("The server could not carry out %1: %2")
                   .arg(QString::fromLatin1(command), reason);
    statusBar()->showMessage(text, FailureShownMs);
    if (!m_failureBox) {
        m_failureBox = new QMessageBox(QMessageBox::Warning, tr("Server request failed"),
                                       QString(), QMessageBox::Ok, this);
        m_failureBox->setWindowModality(Qt::NonModal);
    }
    // A failure while the warning is up joins it: a save and the switch after it may both fail.
    const bool adding = m_failureBox->isVisible();
    m_failureBox->setText(adding ? m_failureBox->text() + QLatin1Char('\n') + text : text);
    if (command == Commands::FixRoutes)
        m_failureBox->setInformativeText(tr("The edits stay in the panel; save them again later."));
    else if (!adding)
        m_failureBox->setInformativeText(QString());
    m_failureBox->show();
}
