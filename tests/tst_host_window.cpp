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

namespace {

// The host's parts and its plug-ins, which go before the window, as in the host.
struct Host
{
    ~Host() { qDeleteAll(made); }

    // Installs plug-ins of these names; all but the pageless one make pages.
    void install(const QStringList &names, const QString &pageless = QString())
    {
        QList<PluginLoaderHost::Loaded> loaded;
        for (const QString &name : names) {
            made << new RecordingPlugin(name, name != pageless);
            loaded.append({name, made.last(), made.last()});
        }
        window.installPlugins(loaded);
        for (RecordingPlugin *plugin : qAsConst(made)) {
            QCOMPARE(plugin->host, &services);
            QCOMPARE(plugin->calls.takeFirst(), QString("SetHost"));
        }
    }
    // The calls made since the last look, of every plug-in.
    QStringList calls()
    {
        QStringList all;
        for (RecordingPlugin *plugin : qAsConst(made))
            all += plugin->calls, plugin->calls.clear();
        return all;
    }

    ServerConnection connection{"OperCheck_Server1"};
    ObjectsModel objects;
    HostServices services{&connection, &objects};
    HostWindow window{&services, &connection, &objects};
    QList<RecordingPlugin *> made;
};

} // namespace

class tst_HostWindow : public QObject
{
    Q_OBJECT

private slots:
    void installOrder_data();
    void installOrder();
    void pagesAndMapsFollowEachOther();
};

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

    Host host;
    host.install({"Panel"}, makesPages ? "" : "Panel");
    RecordingPlugin *plugin = host.made.first();
    QTabWidget *tabs = host.window.pluginTabs();
    QCOMPARE(host.calls(), QStringList({"CreateWidget key 0", "BindMap 1", "CreateWidget key 1",
                                        "BindMap 2", "OnTabActivated 1 on " + current}));
    QCOMPARE(plugin->tabs, tabs);
    QCOMPARE(tabs->count(), 2);
    for (int key = 0; key < 2; ++key) {
        QWidget *page = tabs->widget(key);
        QVERIFY(page);
        QCOMPARE(tabs->tabText(key), QStringList({"City", "Region"})[key]);
        QCOMPARE(page == plugin->pages.value(key), makesPages);
        QCOMPARE(host.window.pluginPage(plugin, key + 1), page);
        QCOMPARE(host.services.GetLayers(key + 1), host.window.maps().at(key)->layers());
    }
    QCOMPARE(host.window.pluginPage(plugin, 9), nullptr);
}

void tst_HostWindow::pagesAndMapsFollowEachOther()
{
    Host host;
    host.install({"A", "B"});
    QTabWidget *tabs = host.window.pluginTabs();
    // Tabs: A City 0, A Region 1, B City 2, B Region 3; A was looked at last.
    QCOMPARE(tabs->count(), 4);
    QCOMPARE(tabs->tabText(2), QString("B · City"));
    QCOMPARE(host.made[1]->calls.mid(0, 2), QStringList({"CreateWidget key 2", "BindMap 1"}));
    host.calls();

    host.window.mapTabs()->setCurrentIndex(1);
    QCOMPARE(tabs->currentIndex(), 1);
    QCOMPARE(host.window.currentMap()->mapId(), 2);
    host.window.mapTabs()->setCurrentIndex(0);
    QCOMPARE(tabs->currentIndex(), 0);
    QCOMPARE(host.window.currentMap()->mapId(), 1);
    QCOMPARE(host.calls(),
             QStringList({"OnTabActivated 2 on A page 1", "OnTabActivated 1 on A page 0",
                          "OnTabActivated 2 on B page 1", "OnTabActivated 1 on B page 0"}));

    // Choosing a page shows its map.
    tabs->setCurrentIndex(3);
    QCOMPARE(host.window.mapTabs()->currentIndex(), 1);
    QCOMPARE(tabs->currentIndex(), 3);
    QCOMPARE(host.made[1]->calls, QStringList({"OnTabActivated 2 on B page 1"}));
    host.calls();

    // Closing reaches every plug-in.
    QCloseEvent event;
    QApplication::sendEvent(&host.window, &event);
    const QString closed = QStringLiteral("OnClose %1").arg(QEvent::Close);
    QCOMPARE(host.calls(), QStringList({closed, closed}));
    QVERIFY(event.isAccepted());
}

QTEST_MAIN(tst_HostWindow)
#include "tst_host_window.moc"
