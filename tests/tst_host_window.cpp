// The host's window with recording plug-ins: the order of the interface calls,
// where each page lands, which page follows which map, closing.
#include "testsupport/HostTinyServer.h"

#include <HostServices.h>
#include <HostWindow.h>
#include <MapCanvas.h>
#include <ObjectsModel.h>
#include <ServerConnection.h>

#include <QCloseEvent>
#include <QtTest>

#include <memory>

class tst_HostWindow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void installOrder_data();
    void installOrder();
    void pagesAndMapsFollowEachOther();

private:
    // Installs plug-ins of these names; all but the pageless one make pages.
    void install(const QStringList &names, const QString &pageless = QString());

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

void tst_HostWindow::install(const QStringList &names, const QString &pageless)
{
    QList<PluginLoaderHost::Loaded> loaded;
    for (const QString &name : names) {
        made << new RecordingPlugin(name, name != pageless);
        loaded.append({name, made.last(), made.last()});
    }
    window->installPlugins(loaded);
    for (RecordingPlugin *plugin : qAsConst(made)) {
        QCOMPARE(plugin->host, services.get());
        QCOMPARE(plugin->calls.takeFirst(), QString("SetHost"));
    }
}

void tst_HostWindow::installOrder_data()
{
    QTest::addColumn<bool>("makesPages");
    QTest::addColumn<QString>("current"); // the page current at the first activation

    QTest::newRow("a plug-in with pages") << true << "Panel page 0";
    QTest::newRow("a plug-in without pages keeps the placeholders") << false << "";
}

// Each page replaces the placeholder at the key it was made for; the plug-ins
// draw on the map of the page they were given.
void tst_HostWindow::installOrder()
{
    QFETCH(bool, makesPages);
    QFETCH(QString, current);

    install({"Panel"}, makesPages ? "" : "Panel");
    RecordingPlugin *plugin = made.first();
    QCOMPARE(plugin->calls, QStringList({"CreateWidget key 0", "BindMap 1", "CreateWidget key 1",
                                         "BindMap 2", "OnTabActivated 1 on " + current}));
    QCOMPARE(plugin->tabs, window->pluginTabs());
    QCOMPARE(window->pluginTabs()->count(), 2);
    for (int key = 0; key < 2; ++key) {
        QWidget *page = window->pluginTabs()->widget(key);
        QVERIFY(page);
        QCOMPARE(window->pluginTabs()->tabText(key), QStringList({"City", "Region"})[key]);
        QCOMPARE(page == plugin->pages.value(key), makesPages);
        QCOMPARE(window->pluginPage(plugin, key + 1), page);
        QCOMPARE(services->GetLayers(key + 1), window->maps().at(key)->layers());
    }
    QCOMPARE(window->pluginPage(plugin, 9), nullptr);
}

void tst_HostWindow::pagesAndMapsFollowEachOther()
{
    install({"A", "B"});
    RecordingPlugin *a = made[0];
    RecordingPlugin *b = made[1];
    // Tabs: A City 0, A Region 1, B City 2, B Region 3; A was looked at last.
    QCOMPARE(window->pluginTabs()->count(), 4);
    QCOMPARE(window->pluginTabs()->tabText(2), QString("B · City"));
    QCOMPARE(b->calls.mid(0, 2), QStringList({"CreateWidget key 2", "BindMap 1"}));
    a->calls.clear();
    b->calls.clear();

    window->mapTabs()->setCurrentIndex(1);
    QCOMPARE(window->pluginTabs()->currentIndex(), 1);
    QCOMPARE(window->currentMap()->mapId(), 2);
    window->mapTabs()->setCurrentIndex(0);
    QCOMPARE(window->pluginTabs()->currentIndex(), 0);
    QCOMPARE(window->currentMap()->mapId(), 1);
    QCOMPARE(a->calls + b->calls,
             QStringList({"OnTabActivated 2 on A page 1", "OnTabActivated 1 on A page 0",
                          "OnTabActivated 2 on B page 1", "OnTabActivated 1 on B page 0"}));

    // Choosing a page shows its map.
    b->calls.clear();
    window->pluginTabs()->setCurrentIndex(3);
    QCOMPARE(window->mapTabs()->currentIndex(), 1);
    QCOMPARE(window->pluginTabs()->currentIndex(), 3);
    QCOMPARE(b->calls, QStringList({"OnTabActivated 2 on B page 1"}));

    // Closing reaches every plug-in.
    a->calls.clear();
    b->calls.clear();
    QCloseEvent event;
    QApplication::sendEvent(window.get(), &event);
    const QString closed = QStringLiteral("OnClose %1").arg(QEvent::Close);
    QCOMPARE(a->calls + b->calls, QStringList({closed, closed}));
    QVERIFY(event.isAccepted());
}

QTEST_MAIN(tst_HostWindow)
#include "tst_host_window.moc"
