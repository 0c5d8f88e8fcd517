// The built module, loaded and driven only through what a host sees of it.
#include "testsupport/FakeHost.h"
#include "testsupport/ModuleSymbols.h"
#include "testsupport/PanelDriver.h"
#include "testsupport/PanelText.h"
#include "testsupport/TreeBuilders.h"

#include <PluginInterface.h>
#include <PluginVerification.h>

#include <QJsonObject>
#include <QLibrary>
#include <QPluginLoader>
#include <QPointer>
#include <QTabWidget>
#include <QTreeView>
#include <QtTest>

#include <memory>

class tst_PluginLoading : public QObject
{
    Q_OBJECT

private slots:
    void init();
    // The host deletes the plug-in object, then the map it drew on; the library
    // stays loaded, as in the host, for its translator and resources.
    void cleanup()
    {
        delete object.data();
        host.reset();
    }

    void oneInstanceAtATime();
    void metacast_data();
    void metacast();
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
    QCOMPARE(instance(), object);
    QCOMPARE(loader.instance(), object);
    QVERIFY(!object->parent());
    QCOMPARE(plugin->GetPluginName(), QStringLiteral("OperativeCheckPlugin"));
    QCOMPARE(plugin->GetName(), QStringLiteral("OperativeCheck"));
    QCOMPARE(loader.metaData().value("IID").toString(), QLatin1String(PluginInterface_iid));
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

void tst_PluginLoading::metacast_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QByteArray>("part"); // whose address: "object", "interface", "other", ""

    QTest::newRow("own class") << QByteArray("OperativeCheck") << QByteArray("object");
    QTest::newRow("panel base") << QByteArray("OperativeBase") << QByteArray("object");
    QTest::newRow("interface id") << QByteArray(PluginInterface_iid) << QByteArray("interface");
    QTest::newRow("interface class") << QByteArray("PluginInterface") << QByteArray("interface");
    QTest::newRow("map binding part") << QByteArray("BindToMapModel") << QByteArray("other");
    QTest::newRow("interface id of another version")
        << QByteArray("com.orvind.Halvo5.PluginInterface/2.0") << QByteArray();
    QTest::newRow("null name") << QByteArray() << QByteArray();
}

void tst_PluginLoading::metacast()
{
    QFETCH(QByteArray, name);
    QFETCH(QByteArray, part);

    void *cast = object->qt_metacast(name.isNull() ? nullptr : name.constData());
    if (part == "object")
        QCOMPARE(cast, static_cast<void *>(object));
    else if (part == "interface")
        QCOMPARE(cast, static_cast<void *>(plugin));
    else if (part.isEmpty())
        QVERIFY(!cast);
    else // distinct parts of one object never share an address
        QVERIFY(cast && cast != object && cast != plugin
                && cast != object->qt_metacast("SupportTreeLayers"));
}

void tst_PluginLoading::exportTable()
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray image = file.readAll();
    QVERIFY(image.startsWith(ELFMAG));
    if (image.at(EI_CLASS) != ELFCLASS64)
        QSKIP("the export table is read for 64-bit modules only");

    const QSet<QByteArray> expected{"qt_plugin_instance", "qt_plugin_query_metadata",
                                    "qt_plugin_query_verification_data"};
    const QSet<QByteArray> exported = ModuleSymbols::exported(image, STB_GLOBAL);
    QVERIFY2(exported == expected, (exported - expected).values().join(' ').constData());
    // Weak copies of other libraries' inline code are fine; the plug-in's own are not.
    for (const QByteArray &name : ModuleSymbols::exported(image, STB_WEAK)) {
        for (const char *own : {"OperativeCheck", "OperativeBase", "BindToMapModel",
                                "SupportTreeLayers", "RouteRecord", "SectionRecord",
                                "RouteMessages", "GraphOb", "PluginLibrary", "StreamRead"})
            QVERIFY2(!name.contains(own), name.constData());
    }
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
    PanelDriver::deliver(plugin, "Get_tree_rulecheck",
                         TreeBodies::ruleTree({TreeBodies::node(1, "Plain", 1)}));
    QTabWidget again;
    QTreeView *view = addPage(again, "City")->findChild<QTreeView *>();
    QVERIFY(view);
    QCOMPARE(view->model()->index(0, 0).data().toString(), QString("Plain"));
    QCOMPARE(PanelText::mapCalls(host->mapCalls), QStringList({"refresh", "on map 5"}));
    plugin->OnTabActivated(2);
    QVERIFY(host->sectionList(2));
}

QTEST_MAIN(tst_PluginLoading)
#include "tst_plugin_loading.moc"
