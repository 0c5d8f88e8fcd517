// The panel's widgets and placement in the host's tabs, and the main tree's behaviour.
#include "testsupport/FakeHost.h"
#include "testsupport/PanelDriver.h"
#include "testsupport/TreeBuilders.h"

#include "panel/PanMain.h"
#include "panel/PanProperties.h"
#include "records/ItemRoles.h"
#include "shell/OperativeCheck.h"

#include <QAction>
#include <QCheckBox>
#include <QSplitter>
#include <QStandardItemModel>
#include <QTabWidget>
#include <QTest>
#include <QTreeView>
#include <QVBoxLayout>

#include <memory>

using namespace TreeBodies;

class tst_Panel : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        host = std::make_unique<FakeHost>();
        plugin = std::make_unique<OperativeCheck>();
        plugin->SetHost(host.get());
    }
    void cleanup() { plugin.reset(); host.reset(); }

    void widgetsAndEditorToggle();
    void placementInTabs();
    void hostDeletesPageFirst();

    void checkRunsDownOnly();
    void sectionChangeJudgedByRoute();
    void expandCollapse();
    void clickEnablesPropertiesByMask_data();
    void clickEnablesPropertiesByMask();
    void clickAndSelect();

private:
    // Group(1) > [Route 2 (editable, two sections), Route 3 (read-only)], Plain 4
    void loadTree()
    {
        PanelDriver::deliver(
            plugin.get(), "Get_tree_rulecheck",
            ruleTree({node(1, "Group", 0,
                           {withRoute(node(2, "Beat", 3),
                                      route(2, {section(1, "S1"), section(2, "S2")})),
                            withRoute(node(3, "Locked", 1), route(3))}),
                      node(4, "Plain", 1)}));
    }
    QStandardItem *item(const QList<int> &path) const
    {
        return PanelDriver::itemAt(plugin->model(), path);
    }
    // A page for the map tab the host has just added.
    QWidget *addPage(QTabWidget &tabs, const QString &name)
    {
        tabs.addTab(new QWidget, name);
        QWidget *page = plugin->CreateWidget(nullptr, &tabs);
        tabs.removeTab(tabs.count() - 1);
        tabs.addTab(page, name);
        return page;
    }
    static QImage image(const QIcon &icon)
    {
        return icon.pixmap(32, 32).toImage().convertToFormat(QImage::Format_ARGB32);
    }

    std::unique_ptr<FakeHost> host;
    std::unique_ptr<OperativeCheck> plugin;
};

void tst_Panel::widgetsAndEditorToggle()
{
    QTabWidget tabs;
    QWidget *page = addPage(tabs, "map");
    QCOMPARE(page->layout(), plugin->panelLayout());
    QCOMPARE(plugin->panelLayout()->itemAt(0)->widget(), plugin->panMain());
    auto *splitter = qobject_cast<QSplitter *>(plugin->panelLayout()->itemAt(1)->widget());
    QVERIFY(splitter);
    QCOMPARE(splitter->widget(0), plugin->mainView());
    QCOMPARE(splitter->widget(1), plugin->panProperties());

    tabs.show();
    QVERIFY(plugin->panMain()->editorAction()->isChecked());
    QVERIFY(plugin->panProperties()->isVisible());
    plugin->panMain()->editorAction()->trigger();
    QVERIFY(!plugin->panMain()->editorAction()->isChecked());
    QVERIFY(!plugin->panProperties()->isVisible());
    QVERIFY(plugin->mainView()->isVisible());
    plugin->panMain()->editorAction()->trigger();
    QVERIFY(plugin->panProperties()->isVisible());
}

// The panel sits on the first page; a tab's activation moves it to that tab's
// page and binds that map, a tab without a page of ours changes nothing.
void tst_Panel::placementInTabs()
{
    QTabWidget tabs;
    QWidget *first = addPage(tabs, "City");
    QWidget *second = addPage(tabs, "Region");
    tabs.addTab(new QWidget, "Other plug-in");
    QVERIFY(first != second);
    QCOMPARE(plugin->hostWidget(), first);
    QCOMPARE(second->layout(), nullptr);

    tabs.setCurrentIndex(1);
    plugin->OnTabActivated(5);
    QCOMPARE(plugin->hostWidget(), second);
    QCOMPARE(second->layout(), plugin->panelLayout());
    QCOMPARE(first->layout(), nullptr);
    QVERIFY(second->isAncestorOf(plugin->mainView()));
    QVERIFY(host->sectionList(5));

    tabs.setCurrentIndex(2);
    plugin->OnTabActivated(8);
    QCOMPARE(plugin->hostWidget(), second);
    QCOMPARE(host->sectionList(8), nullptr);

    tabs.setCurrentIndex(0);
    plugin->OnTabActivated(6);
    QVERIFY(first->isAncestorOf(plugin->mainView()));
    QVERIFY(host->sectionList(6));
}

// The host may delete its page, and the panel's widgets in it, before the plug-in.
void tst_Panel::hostDeletesPageFirst()
{
    auto *tabs = new QTabWidget;
    addPage(*tabs, "City");
    delete tabs;

    QVERIFY(plugin->tabWidgets().isEmpty());
    QVERIFY(!plugin->hostWidget());
    loadTree();
    plugin->onMainItemClicked(item({0, 0})->index());
    QCOMPARE(plugin->panProperties()->propertyModel()->rowCount(), 2);

    QTabWidget again;
    QWidget *page = addPage(again, "City");
    QVERIFY(page->isAncestorOf(plugin->mainView()));
    plugin->OnTabActivated(2);
    QVERIFY(host->sectionList(2));
}

// A tick runs down to the children, never up; "select all" ticks the top rows.
void tst_Panel::checkRunsDownOnly()
{
    loadTree();
    plugin->panMain()->selectAllBox()->setChecked(true);
    QCOMPARE(item({0, 1})->checkState(), Qt::Checked);
    QCOMPARE(item({1})->checkState(), Qt::Checked);
    plugin->panMain()->selectAllBox()->setChecked(false);
    QCOMPARE(item({0, 0})->checkState(), Qt::Unchecked);
    QCOMPARE(item({1})->checkState(), Qt::Unchecked);

    item({0})->setCheckState(Qt::Checked);
    QCOMPARE(item({0, 0})->checkState(), Qt::Checked);
    QCOMPARE(item({0, 1})->checkState(), Qt::Checked);
    QCOMPARE(item({1})->checkState(), Qt::Unchecked);
    QVERIFY(!item({0, 0, 0})->isCheckable());

    item({0, 1})->setCheckState(Qt::Unchecked);
    QCOMPARE(item({0})->checkState(), Qt::Checked);
    QCOMPARE(item({0, 0})->checkState(), Qt::Checked);
    QCOMPARE(plugin->mainView()->currentIndex(), item({0, 1})->index());
}

void tst_Panel::sectionChangeJudgedByRoute()
{
    loadTree();
    plugin->BindMap(0, 1);
    item({0, 0})->setCheckState(Qt::Checked);
    const int refreshes = host->refreshCount();
    // A change on a section item redraws its route by the route's own tick.
    item({0, 0, 1})->setText("renamed");
    QCOMPARE(host->refreshCount(), refreshes + 1);
    // A column-1 change is no check change.
    item({0})->child(0, 1)->setText("Check on 00:00:00 01.01.70");
    QCOMPARE(host->refreshCount(), refreshes + 1);
}

// The button expands all when no top row is open, else collapses all; its icon
// tells which it did.
void tst_Panel::expandCollapse()
{
    const QImage open = image(QIcon(":/Pic/resources/branch-open.png"));
    const QImage closed = image(QIcon(":/Pic/resources/branch-closed.png"));
    plugin->onCollapseClicked();
    QCOMPARE(image(plugin->panMain()->expandAction()->icon()), open);

    loadTree();
    QVERIFY(!plugin->mainView()->isExpanded(item({0})->index()));
    QCOMPARE(image(plugin->panMain()->expandAction()->icon()), closed);
    plugin->panMain()->expandAction()->trigger();
    QVERIFY(plugin->mainView()->isExpanded(item({0})->index()));
    QVERIFY(plugin->mainView()->isExpanded(item({0, 0})->index()));
    QCOMPARE(image(plugin->panMain()->expandAction()->icon()), open);

    plugin->mainView()->setCurrentIndex(item({0, 0})->index());
    plugin->panMain()->expandAction()->trigger();
    QVERIFY(!plugin->mainView()->isExpanded(item({0})->index()));
    QVERIFY(!plugin->mainView()->currentIndex().isValid());
    QCOMPARE(image(plugin->panMain()->expandAction()->icon()), closed);

    // Only top-level rows decide.
    plugin->mainView()->expand(item({0, 0})->index());
    plugin->panMain()->expandAction()->trigger();
    QVERIFY(plugin->mainView()->isExpanded(item({0})->index()));
}

void tst_Panel::clickEnablesPropertiesByMask_data()
{
    QTest::addColumn<QList<int>>("path");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<int>("rows");

    QTest::newRow("route with bit 2") << QList<int>{0, 0} << true << 2;
    QTest::newRow("section of it") << QList<int>{0, 0, 0} << true << 11;
    QTest::newRow("route without bit 2") << QList<int>{0, 1} << false << 2;
    QTest::newRow("group, mask 3 from its children") << QList<int>{0} << true << 0;
}

void tst_Panel::clickEnablesPropertiesByMask()
{
    QFETCH(QList<int>, path);
    QFETCH(bool, enabled);
    QFETCH(int, rows);

    loadTree();
    plugin->onMainItemClicked(item(path)->index());
    QCOMPARE(plugin->panProperties()->isEnabled(), enabled);
    QCOMPARE(plugin->panProperties()->propertyModel()->rowCount(), rows);
    QCOMPARE(plugin->currentMainIndex(), item(path)->index());
}

// A click on the row already shown (in any column) keeps the value held for an
// edit; a click elsewhere drops it. Selecting the shown row again fills the
// properties afresh; an invalid index clears the selection, not the properties.
void tst_Panel::clickAndSelect()
{
    loadTree();
    QStandardItem *routeItem = item({0, 0});
    plugin->onMainItemClicked(routeItem->index());
    plugin->onPropertyItemClicked(plugin->panProperties()->propertyModel()->index(0, 1));
    plugin->onMainItemClicked(routeItem->index().siblingAtColumn(1));
    QCOMPARE(plugin->valueBeforeEdit(), QVariant(QString("EveryDay")));

    QStandardItem *sectionItem = item({0, 0, 1});
    plugin->onMainItemClicked(sectionItem->index());
    QVERIFY(!plugin->valueBeforeEdit().isValid());
    {
        const QSignalBlocker quiet(plugin->panProperties()->propertyModel());
        plugin->panProperties()->propertyModel()->item(0, 1)->setText("scribble");
    }
    plugin->selectMainIndex(sectionItem->index());
    QCOMPARE(plugin->panProperties()->propertyModel()->item(0, 1)->text(), QString("S2"));
    QCOMPARE(plugin->mainView()->currentIndex(), sectionItem->index());

    plugin->selectMainIndex(QModelIndex());
    QVERIFY(!plugin->mainView()->currentIndex().isValid());
    QVERIFY(!plugin->currentMainIndex().isValid());
    QCOMPARE(plugin->panProperties()->propertyModel()->rowCount(), 11);
}

QTEST_MAIN(tst_Panel)
#include "tst_panel.moc"
