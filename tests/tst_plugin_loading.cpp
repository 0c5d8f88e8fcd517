// The built module, loaded and driven only through what a host sees of it.
#include "testsupport/FakeHost.h"
#include "testsupport/PanelText.h"
#include "testsupport/TreeBuilders.h"

#include <PluginInterface.h>
#include <PluginVerification.h>

#include <QJsonObject>
#include <QLibrary>
#include <QPluginLoader>
#include <QPointer>
#include <QProcess>
#include <QTabWidget>
#include <QTreeView>
#include <QtTest>

#include <memory>

class tst_PluginLoading : public QObject
{
    Q_OBJECT

private slots:
    void init();
    // As in the host: the plug-in goes before the map it drew on; the library stays.
    void cleanup()
    {
        delete object.data();
        host.reset();
    }

    void oneInstanceAtATime();
    void exportTable();
    void placementInTabs();

private:
    // A page for the tab the host has just added.
    QWidget *addPage(QTabWidget &tabs, const QString &name)
    {
        tabs.addTab(new QWidget, name);
        QWidget *page = plugin->CreateWidget(nullptr, &tabs);
        tabs.removeTab(tabs.count() - 1);
        tabs.addTab(page, name);
        return page;
    }

    const QString path = QCoreApplication::applicationDirPath() + "/plugins/libOperativeCheck.so";
    QPluginLoader loader{path};
    QLibrary library{path};
    QObject *(*instance)() = nullptr;
    QPointer<QObject> object;
    PluginInterface *plugin = nullptr;
    std::unique_ptr<FakeHost> host;
};

void tst_PluginLoading::init()
{
    QVERIFY2(loader.load(), qPrintable(loader.errorString()));
    QVERIFY2(library.load(), qPrintable(library.errorString()));
    instance = reinterpret_cast<QObject *(*)()>(library.resolve("qt_plugin_instance"));
    QVERIFY(instance);
    object = instance();
    plugin = qobject_cast<PluginInterface *>(object);
    QVERIFY(plugin);
}

void tst_PluginLoading::oneInstanceAtATime()
{
    QVERIFY(QMetaObject::invokeMethod(object, "onGetClicked")); // no host yet: nothing to send
    QCOMPARE(instance(), object);
    QCOMPARE(loader.instance(), object);
    QVERIFY(!object->parent());
    QCOMPARE(plugin->GetPluginName(), QStringLiteral("OperativeCheckPlugin"));
    QCOMPARE(plugin->GetName(), QStringLiteral("OperativeCheck"));
    QCOMPARE(loader.metaData().value("IID").toString(), QLatin1String(PluginInterface_iid));
    // The host finds the parts of the one object by name, each at its own address.
    QCOMPARE(object->qt_metacast("PluginInterface"), static_cast<void *>(plugin));
    void *binding = object->qt_metacast("BindToMapModel");
    QVERIFY(binding && binding != object && binding != object->qt_metacast("SupportTreeLayers"));
    QVERIFY(!object->qt_metacast("com.orvind.Halvo5.PluginInterface/2.0"));
    // The text the host's loader checks before it asks for the instance.
    auto query = reinterpret_cast<const char *(*)()>(
        library.resolve("qt_plugin_query_verification_data"));
    QVERIFY(query);
    QCOMPARE(QByteArray(query()), QByteArray(OC_PLUGIN_VERIFICATION_DATA));

    // Its page shows the tree's headers in the catalogue's language.
    QPointer<QWidget> page(plugin->CreateWidget(nullptr, nullptr));
    const QAbstractItemModel *model = page->findChild<QTreeView *>()->model();
    QCOMPARE(model->headerData(0, Qt::Horizontal).toString(), QString("Графические слои/правила"));
    QCOMPARE(model->headerData(1, Qt::Horizontal).toString(), QString("Режим контроля"));

    // Once the host deleted it (before its page), a fresh object, not a dangling one.
    object->setObjectName("deleted by the host");
    delete object.data();
    QVERIFY(page);
    delete page.data();
    object = instance();
    QVERIFY(object && object->objectName().isEmpty());
    QCOMPARE(loader.instance(), object);
}

// As the dynamic linker sees the module: defined symbols with a size, global
// (T, D, B, R) or weak (W, V).
void tst_PluginLoading::exportTable()
{
    QProcess nm;
    nm.start("nm", {"--dynamic", "--defined-only", "--format=posix", path});
    QVERIFY(nm.waitForFinished() && nm.exitCode() == 0);
    QSet<QByteArray> exported;
    QByteArray weak;
    for (const QByteArray &line : nm.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> fields = line.split(' '); // name type value size
        if (fields.value(3).isEmpty()) // the linker's own marks
            continue;
        if (fields[1] == "W" || fields[1] == "V")
            weak += fields[0] + ' ';
        else
            exported << fields[0];
    }
    QCOMPARE(exported, (QSet<QByteArray>{"qt_plugin_instance", "qt_plugin_query_metadata",
                                         "qt_plugin_query_verification_data"}));
    // Weak copies of other libraries' inline code are fine; the plug-in's own are not.
    for (const char *own : {"OperativeCheck", "OperativeBase", "RouteRecord", "GraphOb"})
        QVERIFY2(!weak.contains(own), own);
}

// The panel sits on the first page; a tab's activation moves it to that tab's
// page and binds that map, a tab without a page of ours changes nothing. The
// host may delete the page that holds the panel before the plug-in.
void tst_PluginLoading::placementInTabs()
{
    host = std::make_unique<FakeHost>();
    plugin->SetHost(host.get());
    auto *tabs = new QTabWidget;
    QWidget *first = addPage(*tabs, "City");
    QWidget *second = addPage(*tabs, "Region");
    tabs->addTab(new QWidget, "Other plug-in");
    QVERIFY(first->findChild<QTreeView *>() && !second->findChild<QTreeView *>());
    tabs->setCurrentIndex(1);
    plugin->OnTabActivated(5);
    QVERIFY(second->findChild<QTreeView *>() && !first->findChild<QTreeView *>());
    QVERIFY(host->sectionList(5));
    tabs->setCurrentIndex(2);
    plugin->OnTabActivated(8);
    QVERIFY(second->findChild<QTreeView *>() && !host->sectionList(8));
    delete tabs;

    // The panel lives on: a tree reply is taken in and shown on the next page.
    deliver(plugin, "Get_tree_rulecheck",
                         TreeBodies::ruleTree({TreeBodies::node(1, "Plain", 1)}));
    QTabWidget again;
    const QTreeView *view = addPage(again, "City")->findChild<QTreeView *>();
    QCOMPARE(view ? view->model()->index(0, 0).data().toString() : QString(), QString("Plain"));
    QCOMPARE(PanelText::mapCalls(host->mapCalls), QStringList({"refresh", "on map 5"}));
    plugin->OnTabActivated(2);
    QVERIFY(host->sectionList(2));
}

QTEST_MAIN(tst_PluginLoading)
#include "tst_plugin_loading.moc"
