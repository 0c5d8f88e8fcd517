// The host's window with recording plug-ins: the order of the interface calls,
// where each page lands, which page follows which map, closing.
#include <HostServices.h>
#include <HostWindow.h>
#include <MapCanvas.h>
#include <ObjectsModel.h>
#include <ServerConnection.h>

#include <PluginInterface.h>

#include <QCloseEvent>
#include <QTabWidget>
#include <QtTest>

#include <memory>

class RecordingPlugin : public QObject, public PluginInterface
{
    Q_OBJECT
    Q_INTERFACES(PluginInterface)

public:
    RecordingPlugin(const QString &name, bool makesPages)
        : name(name)
        , makesPages(makesPages)
    {
    }

    QString GetPluginName() override { return name; }
    QString GetName() override { return name; }

    void SetHost(PluginHost *given) override
    {
        host = given;
        calls << QStringLiteral("SetHost");
    }

    QWidget *CreateWidget(QWidget *, QTabWidget *given) override
    {
        tabs = given;
        const int key = tabs->count() - 1;
        // What stands at the key is the host's placeholder, not a page of ours.
        QWidget *standing = key >= 0 ? tabs->widget(key) : nullptr;
        const bool placeholder = standing && !pages.values().contains(standing);
        calls << QStringLiteral("CreateWidget key %1%2").arg(key).arg(placeholder ? "" : " taken");
        if (!makesPages)
            return nullptr;
        auto *page = new QWidget;
        page->setObjectName(QStringLiteral("%1 page %2").arg(name).arg(pages.size()));
        pages.insert(key, page);
        return page;
    }

    void BindMap(int, int mapId) override { calls << QStringLiteral("BindMap %1").arg(mapId); }

    void OnTabActivated(int mapId) override
    {
        const QWidget *current = tabs ? tabs->currentWidget() : nullptr;
        calls << QStringLiteral("OnTabActivated %1 on %2")
                     .arg(mapId)
                     .arg(current ? current->objectName() : QStringLiteral("-"));
    }

    void OnClose(QEvent *event) override
    {
        calls << QStringLiteral("OnClose %1").arg(event ? int(event->type()) : 0);
    }

    QString name;
    bool makesPages;
    PluginHost *host = nullptr;
    QTabWidget *tabs = nullptr;
    QMap<int, QWidget *> pages;
    QStringList calls;
};

class tst_HostWindow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void installOrder_data();
    void installOrder();
    void pagesFollowTheMap_data();
    void pagesFollowTheMap();
    void choosingAPageShowsItsMap();
    void leavingAMapDropsItsShapes();
    void closeReachesEveryPlugin();
    void hostServicesReachPlugins();

private:
    void install(const QList<RecordingPlugin *> &plugins);

    std::unique_ptr<ServerConnection> connection;
    std::unique_ptr<ObjectsModel> objects;
    std::unique_ptr<HostServices> services;
    std::unique_ptr<HostWindow> window;
    QList<RecordingPlugin *> made;
};

void tst_HostWindow::init()
{
    connection = std::make_unique<ServerConnection>("OperCheck_Server1");
    objects = std::make_unique<ObjectsModel>();
    services = std::make_unique<HostServices>(connection.get(), objects.get());
    window = std::make_unique<HostWindow>(services.get(), connection.get(), objects.get());
}

void tst_HostWindow::cleanup()
{
    // Plug-ins go before the window, as in the host.
    qDeleteAll(made);
    made.clear();
    window.reset();
    services.reset();
    objects.reset();
    connection.reset();
}

void tst_HostWindow::install(const QList<RecordingPlugin *> &plugins)
{
    QList<PluginLoaderHost::Loaded> loaded;
    for (RecordingPlugin *plugin : plugins) {
        made << plugin;
        loaded.append({plugin->name, plugin, plugin});
    }
    window->installPlugins(loaded);
}

void tst_HostWindow::installOrder_data()
{
    QTest::addColumn<bool>("makesPages");
    QTest::addColumn<QStringList>("calls");
    QTest::addColumn<QStringList>("tabTexts");

    QTest::newRow("a plug-in with pages")
        << true
        << QStringList{"SetHost", "CreateWidget key 0", "BindMap 1", "CreateWidget key 1",
                       "BindMap 2", "OnTabActivated 1 on Panel page 0"}
        << QStringList{"City", "Region"};
    QTest::newRow("a plug-in without pages keeps the placeholders")
        << false
        << QStringList{"SetHost", "CreateWidget key 0", "BindMap 1", "CreateWidget key 1",
                       "BindMap 2", "OnTabActivated 1 on "}
        << QStringList{"City", "Region"};
}

void tst_HostWindow::installOrder()
{
    QFETCH(bool, makesPages);
    QFETCH(QStringList, calls);
    QFETCH(QStringList, tabTexts);

    auto *plugin = new RecordingPlugin(QStringLiteral("Panel"), makesPages);
    install({plugin});

    QCOMPARE(plugin->calls, calls);
    QCOMPARE(plugin->tabs, window->pluginTabs());
    QCOMPARE(window->pluginTabs()->count(), 2);
    for (int i = 0; i < tabTexts.size(); ++i)
        QCOMPARE(window->pluginTabs()->tabText(i), tabTexts[i]);
    // Each page replaced the placeholder at the key it was made for.
    for (int key = 0; key < 2; ++key) {
        QWidget *page = window->pluginTabs()->widget(key);
        QVERIFY(page);
        QCOMPARE(page == plugin->pages.value(key), makesPages);
        QCOMPARE(window->pluginPage(plugin, key + 1), page);
    }
    QCOMPARE(window->pluginPage(plugin, 9), nullptr);
}

void tst_HostWindow::pagesFollowTheMap_data()
{
    QTest::addColumn<int>("mapIndex");
    QTest::addColumn<QStringList>("firstCalls");
    QTest::addColumn<QStringList>("secondCalls");
    QTest::addColumn<int>("currentPage");

    // Tabs: A City 0, A Region 1, B City 2, B Region 3; A was looked at last.
    QTest::newRow("to the region") << 1 << QStringList{"OnTabActivated 2 on A page 1"}
                                   << QStringList{"OnTabActivated 2 on B page 1"} << 1;
    QTest::newRow("to the region and back")
        << 0 << QStringList{"OnTabActivated 2 on A page 1", "OnTabActivated 1 on A page 0"}
        << QStringList{"OnTabActivated 2 on B page 1", "OnTabActivated 1 on B page 0"} << 0;
}

void tst_HostWindow::pagesFollowTheMap()
{
    QFETCH(int, mapIndex);
    QFETCH(QStringList, firstCalls);
    QFETCH(QStringList, secondCalls);
    QFETCH(int, currentPage);

    auto *a = new RecordingPlugin(QStringLiteral("A"), true);
    auto *b = new RecordingPlugin(QStringLiteral("B"), true);
    install({a, b});
    QCOMPARE(window->pluginTabs()->count(), 4);
    QCOMPARE(window->pluginTabs()->tabText(2), QString("B · City"));
    QCOMPARE(b->calls.mid(1, 2), QStringList({"CreateWidget key 2", "BindMap 1"}));
    a->calls.clear();
    b->calls.clear();

    window->mapTabs()->setCurrentIndex(1);
    if (mapIndex == 0)
        window->mapTabs()->setCurrentIndex(0);

    QCOMPARE(a->calls, firstCalls);
    QCOMPARE(b->calls, secondCalls);
    QCOMPARE(window->pluginTabs()->currentIndex(), currentPage);
    QCOMPARE(window->currentMap()->mapId(), mapIndex + 1);
}

void tst_HostWindow::choosingAPageShowsItsMap()
{
    auto *plugin = new RecordingPlugin(QStringLiteral("Panel"), true);
    install({plugin});
    plugin->calls.clear();

    window->pluginTabs()->setCurrentIndex(1);
    QCOMPARE(window->mapTabs()->currentIndex(), 1);
    QCOMPARE(plugin->calls, QStringList({"OnTabActivated 2 on Panel page 1"}));
    QCOMPARE(window->pluginTabs()->currentIndex(), 1);

    window->pluginTabs()->setCurrentIndex(0);
    QCOMPARE(window->mapTabs()->currentIndex(), 0);
    QCOMPARE(plugin->calls.last(), QString("OnTabActivated 1 on Panel page 0"));
}

void tst_HostWindow::leavingAMapDropsItsShapes()
{
    auto *plugin = new RecordingPlugin(QStringLiteral("Panel"), true);
    install({plugin});
    MapCanvas *city = window->maps().at(0);
    MapCanvas *region = window->maps().at(1);
    auto *cityList = new MapQt::PrimitiveList{{}, true, false};
    auto *regionList = new MapQt::PrimitiveList{{}, true, false};
    using Groups = QList<MapQt::LayerGroup *>;
    city->layers()->insert(99, new Groups{new MapQt::LayerGroup{0, 0, {cityList}}});
    region->layers()->insert(99, new Groups{new MapQt::LayerGroup{0, 0, {regionList}}});
    MapQt::MapCar shape;
    cityList->primitives << &shape;
    regionList->primitives << &shape;

    window->mapTabs()->setCurrentIndex(1);
    QVERIFY(cityList->primitives.isEmpty());
    QCOMPARE(regionList->primitives.size(), 1);
    QCOMPARE(city->layers()->size(), 1);

    window->mapTabs()->setCurrentIndex(0);
    QVERIFY(regionList->primitives.isEmpty());
}

void tst_HostWindow::closeReachesEveryPlugin()
{
    auto *a = new RecordingPlugin(QStringLiteral("A"), true);
    auto *b = new RecordingPlugin(QStringLiteral("B"), false);
    install({a, b});
    a->calls.clear();
    b->calls.clear();

    QCloseEvent event;
    QApplication::sendEvent(window.get(), &event);
    const QString closed = QStringLiteral("OnClose %1").arg(int(QEvent::Close));
    QCOMPARE(a->calls, QStringList{closed});
    QCOMPARE(b->calls, QStringList{closed});
    QVERIFY(event.isAccepted());
}

void tst_HostWindow::hostServicesReachPlugins()
{
    auto *plugin = new RecordingPlugin(QStringLiteral("Panel"), true);
    install({plugin});
    QCOMPARE(plugin->host, services.get());
    MapModel *model = plugin->host->GetMapModel();
    QVERIFY(model);
    QCOMPARE(model->GetLayers(1), window->maps().at(0)->layers());
    QCOMPARE(model->GetLayers(2), window->maps().at(1)->layers());
    QCOMPARE(plugin->host->GetObjectsModel(), objects.get());
    QCOMPARE(plugin->host->GetServerLink(), static_cast<ServerLink *>(connection.get()));
    QObject *notifier = plugin->host->GetServerNotifier();
    QVERIFY(notifier);
    QVERIFY(notifier->metaObject()->indexOfSignal("OnConnectToServerSignal(QByteArray&)") >= 0);
}

QTEST_MAIN(tst_HostWindow)
#include "tst_host_window.moc"
