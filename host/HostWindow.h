#ifndef HOSTWINDOW_H
#define HOSTWINDOW_H

#include "PluginLoaderHost.h"

#include <QList>
#include <QMainWindow>
#include <QPointF>
#include <QPointer>

class HostServices;
class MapCanvas;
class ObjectsModel;
class PluginInterface;
class QLabel;
class QListView;
class QMessageBox;
class QTabWidget;
class ServerConnection;
class UnitsDock;
class ZonesDesk;
struct RequestFailure;

// The dispatcher's window: map views in tabs in the middle, the tracked units
// on the left, the plug-ins' pages on the right, the check events under the
// maps, the link state below, and what the server could not carry out.
// Each plug-in gets one page per map view; the page follows the current map.
class HostWindow : public QMainWindow
{
    Q_OBJECT

public:
    struct MapView
    {
        int id;
        QString title;
        QPointF centre; // 1e-7 degree
        double scale;   // 4 x scale metres across
    };

    // City and Region, both over the demo district.
    static QList<MapView> defaultViews();

    // Everything handed in must outlive the window.
    HostWindow(HostServices *services, ServerConnection *connection, ObjectsModel *objects,
               const QList<MapView> &views = defaultViews(), QWidget *parent = nullptr);
    ~HostWindow() override;

    // Hands the host to each plug-in and gives it a page per map view. Call once.
    void installPlugins(const QList<PluginLoaderHost::Loaded> &plugins);

    QList<MapCanvas *> maps() const { return m_canvases; }
    MapCanvas *currentMap() const;
    QTabWidget *mapTabs() const { return m_mapTabs; }
    QTabWidget *pluginTabs() const { return m_pluginTabs; }
    QListView *eventsView() const { return m_eventsView; }
    UnitsDock *unitsDock() const { return m_unitsDock; }
    ZonesDesk *zones() const { return m_zones; }
    // The page a plug-in made for a map view, or null.
    QWidget *pluginPage(PluginInterface *plugin, int mapId) const;

    void showWholeDistrict();
    // Centres the shown map on the unit's last fix; the status bar says when
    // it has none yet.
    void showUnit(qint32 unitId);

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    struct Placement
    {
        PluginInterface *plugin;
        int mapId;
    };

    void buildMaps(const QList<MapView> &views);
    void buildDocks(ObjectsModel *objects);
    void buildEventsDock();
    // The drawing dock beside the units, and imports.
    void buildZones();
    void buildMenus();
    void onMapTabChanged(int index);
    void onPluginTabChanged(int index);
    int pluginTabIndex(PluginInterface *plugin, int mapId) const;
    void updateLinkState();
    // In the status bar and in a warning that leaves the window usable.
    void showFailure(const QByteArray &command, const QString &reason);
    void updateScaleText();

    HostServices *m_services;       // not owned
    ServerConnection *m_connection; // not owned
    QList<MapView> m_views;
    QList<MapCanvas *> m_canvases;
    QTabWidget *m_mapTabs;
    QTabWidget *m_pluginTabs;
    UnitsDock *m_unitsDock = nullptr;
    ZonesDesk *m_zones = nullptr;
    QListView *m_eventsView = nullptr;
    QLabel *m_linkLabel;
    QLabel *m_pointerLabel;
    QLabel *m_scaleLabel;
    QPointer<QMessageBox> m_failureBox; // one, showing the latest failure
    QList<PluginInterface *> m_plugins; // the caller's
    QList<Placement> m_placements; // one per plug-in tab, in tab order
    MapCanvas *m_shownMap = nullptr;
    bool m_syncingTabs = false;
    bool m_shownBefore = false;
};

#endif // HOSTWINDOW_H
