// The panel's widgets, toolbars and placement, and the main tree's behaviour.
#include "support/FakeHost.h"
#include "support/PanelDriver.h"
#include "support/TreeBodies.h"

#include "panel/PanMain.h"
#include "panel/PanProperties.h"
#include "routecheck/ItemRoles.h"
#include "shell/OperativeCheck.h"

#include <QAction>
#include <QCheckBox>
#include <QHeaderView>
#include <QSplitter>
#include <QStandardItemModel>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QToolBar>
#include <QTreeView>
#include <QVBoxLayout>

using namespace TreeBodies;

class tst_Panel : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void widgetTree();
    void styleSheets();
    void toolbars_data();
    void toolbars();
    void initialEditingActions();
    void editorToggle();
    void placementInTabs();
    void tabWithoutWidget();
    void secondBindMapIgnored();
    void hostDeletesPageFirst();

    void checkRunsDownOnly();
    void sectionChangeJudgedByRoute();
    void selectAll();
    void expandCollapse();
    void expandCollapseEmptyTree();
    void clickEnablesPropertiesByMask_data();
    void clickEnablesPropertiesByMask();
    void clickOnShownRowKeepsValueBeforeEdit();
    void selectMainIndexRefills();
    void selectInvalidIndex();

private:
    void loadTree();
    QStandardItem *item(const QList<int> &path) const;
    static QImage image(const QIcon &icon);

    FakeHost *host = nullptr;
    OperativeCheck *plugin = nullptr;
};

void tst_Panel::init()
{
    host = new FakeHost;
    plugin = new OperativeCheck;
    plugin->SetHost(host);
}

void tst_Panel::cleanup()
{
    delete plugin;
    plugin = nullptr;
    delete host;
    host = nullptr;
}

void tst_Panel::loadTree()
{
    // Group(1) > [Route 2 (editable, two sections), Route 3 (read-only)], Plain 4
    const QList<Node> tree{
        node(1, "Group", 0,
             {withRoute(node(2, "Beat", 3), route(2, {section(1, "S1"), section(2, "S2")})),
              withRoute(node(3, "Locked", 1), route(3))}),
        node(4, "Plain", 1)};
    QByteArray command("Get_tree_rulecheck");
    QByteArray body = ruleTree(tree);
    plugin->OnServerReply(command, body);
}

QStandardItem *tst_Panel::item(const QList<int> &path) const
{
    return PanelDriver::itemAt(plugin->model, path);
}

QImage tst_Panel::image(const QIcon &icon)
{
    return icon.pixmap(32, 32).toImage().convertToFormat(QImage::Format_ARGB32);
}

void tst_Panel::widgetTree()
{
    QTabWidget tabs;
    tabs.addTab(new QWidget, "map");
    QWidget *page = plugin->CreateWidget(nullptr, &tabs);
    QVERIFY(page);
    QCOMPARE(page->layout(), plugin->panelLayout);
    QCOMPARE(plugin->panelLayout->count(), 2);
    QCOMPARE(plugin->panelLayout->itemAt(0)->widget(), plugin->panMain);
    auto *splitter = qobject_cast<QSplitter *>(plugin->panelLayout->itemAt(1)->widget());
    QVERIFY(splitter);
    QCOMPARE(splitter->orientation(), Qt::Vertical);
    QCOMPARE(splitter->count(), 2);
    QCOMPARE(splitter->widget(0), plugin->mainView);
    QCOMPARE(splitter->widget(1), plugin->panProperties);
    QCOMPARE(plugin->mainView->model(), plugin->model);
    QCOMPARE(plugin->panMain->selectAllBox->objectName(), QString("checkBox"));
    QCOMPARE(plugin->panMain->selectAllBox->checkState(), Qt::Unchecked);
    QCOMPARE(plugin->mainView->iconSize(), QSize(32, 32));
    QCOMPARE(plugin->mainView->selectionMode(), QAbstractItemView::SingleSelection);
    QCOMPARE(plugin->mainView->contextMenuPolicy(), Qt::CustomContextMenu);
    QCOMPARE(plugin->panProperties->propertyView->editTriggers(),
             QAbstractItemView::EditTriggers(QAbstractItemView::DoubleClicked));
    QVERIFY(plugin->panProperties->propertyView->verticalHeader()->isHidden());
    delete page;
}

void tst_Panel::styleSheets()
{
    QCOMPARE(plugin->panMain->toolBar->styleSheet(),
             QString(" QToolBar {  background-color: qlineargradient(spread:reflect, "
                     "x1:0.995494, y1:1, x2:1, y2:0.159, stop:0 rgba(61, 61, 61, 255), "
                     "stop:1 rgba(225, 225, 225, 255)); } "));
    QCOMPARE(plugin->panProperties->toolBar->styleSheet(), plugin->panMain->toolBar->styleSheet());
    QCOMPARE(plugin->panProperties->propertyView->styleSheet(),
             QString(" QTableView { background-color: rgb(215, 215, 215); }"));
    QCOMPARE(plugin->mainView->styleSheet(),
             QString("QTreeView { background-color: rgb(215, 215, 215); } "
                     "QTreeView::item:selected{background-color: rgb(163, 186, 234);} "
                     "QTreeView::branch:closed:has-children:has-siblings , "
                     "QTreeView::branch:has-children:!has-siblings:closed { image: "
                     "url(:/Pic/resources/branch-closed.png);  }  "
                     "QTreeView::branch:open:has-children:has-siblings , "
                     "QTreeView::branch:open:has-children:!has-siblings { image: "
                     "url(:/Pic/resources/branch-open.png); }"));
}

void tst_Panel::toolbars_data()
{
    QTest::addColumn<bool>("mainBar");
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("icon");

    QTest::newRow("editor") << true << 1 << "Editor panel On/Off"
                            << ":/icon/resource/redactor_on.png";
    QTest::newRow("get") << true << 2 << "Get" << ":/icon/resource/reload.png";
    QTest::newRow("expand") << true << 3 << "Expand/Collapse" << ":/Pic/resources/branch-closed.png";
    QTest::newRow("save") << false << 0 << "Save" << ":/icon/resource/save.png";
    QTest::newRow("undo") << false << 2 << "Undo" << ":/icon/resource/undo.png";
    QTest::newRow("redo") << false << 3 << "Redo" << ":/icon/resource/redo.png";
    QTest::newRow("add route") << false << 5 << "Add route" << ":/icon/resource/add.png";
    QTest::newRow("add section") << false << 6 << "Add section" << ":/icon/resource/add.png";
    QTest::newRow("del route") << false << 7 << "Del route" << ":/icon/resource/delete.png";
    QTest::newRow("del section") << false << 8 << "Del section" << ":/icon/resource/delete.png";
    QTest::newRow("objects") << false << 9 << "Select objects" << ":/icon/resource/vybor.png";
    QTest::newRow("graphic objects") << false << 10 << "Select graphic objects"
                                     << ":/icon/resource/vybor.png";
}

void tst_Panel::toolbars()
{
    QFETCH(bool, mainBar);
    QFETCH(int, position);
    QFETCH(QString, text);
    QFETCH(QString, icon);

    const QList<QAction *> actions = (mainBar ? static_cast<TypicalPanel *>(plugin->panMain)
                                              : plugin->panProperties)->toolBar->actions();
    QVERIFY(position < actions.size());
    QAction *action = actions.at(position);
    QCOMPARE(action->text(), text);
    if (text != "Undo" && text != "Redo")
        QCOMPARE(action->toolTip(), text);
    QCOMPARE(image(action->icon()), QImage(icon).convertToFormat(QImage::Format_ARGB32));
    if (!mainBar) {
        QVERIFY(actions.at(1)->isSeparator());
        QVERIFY(actions.at(4)->isSeparator());
    }
}

void tst_Panel::initialEditingActions()
{
    QVERIFY(plugin->addRouteAction->isEnabled());
    QVERIFY(plugin->addRouteAction->isVisible());
    QVERIFY(!plugin->delRouteAction->isEnabled());
    QVERIFY(plugin->delRouteAction->isVisible());
    for (QAction *action : {plugin->addSectAction, plugin->delSectAction, plugin->selObjsAction,
                            plugin->selGObjAction}) {
        QVERIFY2(!action->isEnabled(), qPrintable(action->text()));
        QVERIFY2(!action->isVisible(), qPrintable(action->text()));
    }
    QVERIFY(plugin->panMain->editorAction->isChecked());
}

void tst_Panel::editorToggle()
{
    QTabWidget tabs;
    tabs.addTab(new QWidget, "map");
    QWidget *page = plugin->CreateWidget(nullptr, &tabs);
    page->show();
    QVERIFY(plugin->panProperties->isVisible());
    plugin->panMain->editorAction->trigger();
    QVERIFY(!plugin->panMain->editorAction->isChecked());
    QVERIFY(!plugin->panProperties->isVisible());
    QVERIFY(plugin->mainView->isVisible());
    plugin->panMain->editorAction->trigger();
    QVERIFY(plugin->panProperties->isVisible());
    delete page;
}

void tst_Panel::placementInTabs()
{
    QTabWidget tabs;
    tabs.addTab(new QWidget, "City");
    QWidget *first = plugin->CreateWidget(nullptr, &tabs);
    tabs.removeTab(0);
    tabs.addTab(first, "City");
    tabs.addTab(new QWidget, "Region");
    QWidget *second = plugin->CreateWidget(nullptr, &tabs);
    tabs.removeTab(1);
    tabs.addTab(second, "Region");

    QVERIFY(first != second);
    QCOMPARE(plugin->hostWidget.data(), first);
    QCOMPARE(plugin->tabWidgets.value(0), first);
    QCOMPARE(plugin->tabWidgets.value(1), second);
    QCOMPARE(second->layout(), nullptr);

    tabs.setCurrentIndex(1);
    plugin->OnTabActivated(5);
    QCOMPARE(plugin->hostWidget.data(), second);
    QCOMPARE(second->layout(), plugin->panelLayout);
    QCOMPARE(first->layout(), nullptr);
    QCOMPARE(plugin->mainView->window(), tabs.window());
    QVERIFY(second->isAncestorOf(plugin->mainView));
    QVERIFY(host->sectionList(5));

    tabs.setCurrentIndex(0);
    plugin->OnTabActivated(6);
    QVERIFY(first->isAncestorOf(plugin->mainView));
    QVERIFY(host->sectionList(6));
}

void tst_Panel::tabWithoutWidget()
{
    QTabWidget tabs;
    tabs.addTab(new QWidget, "City");
    QWidget *first = plugin->CreateWidget(nullptr, &tabs);
    tabs.addTab(new QWidget, "Other plug-in");
    tabs.setCurrentIndex(1);
    plugin->OnTabActivated(8);
    QCOMPARE(plugin->hostWidget.data(), first);
    QCOMPARE(host->sectionList(8), nullptr);
    delete first;
}

void tst_Panel::secondBindMapIgnored()
{
    plugin->BindMap(0, 3);
    plugin->BindMap(0, 4);
    QCOMPARE(plugin->mapKey, 3);
    QVERIFY(host->sectionList(3));
    QCOMPARE(host->sectionList(4), nullptr);
}

void tst_Panel::hostDeletesPageFirst()
{
    auto *tabs = new QTabWidget;
    tabs->addTab(new QWidget, "City");
    QWidget *page = plugin->CreateWidget(nullptr, tabs);
    tabs->removeTab(0);
    tabs->addTab(page, "City");
    delete tabs;

    QVERIFY(plugin->tabWidgets.isEmpty());
    QVERIFY(!plugin->hostWidget);
    loadTree();
    plugin->onMainItemClicked(item({0, 0})->index());
    QCOMPARE(plugin->panProperties->propertyModel->rowCount(), 2);

    QTabWidget again;
    again.addTab(new QWidget, "City");
    QWidget *second = plugin->CreateWidget(nullptr, &again);
    QVERIFY(second->isAncestorOf(plugin->mainView));
    again.setCurrentIndex(0);
    plugin->OnTabActivated(2);
    QVERIFY(host->sectionList(2));
    delete second;
}

void tst_Panel::checkRunsDownOnly()
{
    loadTree();
    item({0})->setCheckState(Qt::Checked);
    QCOMPARE(item({0, 0})->checkState(), Qt::Checked);
    QCOMPARE(item({0, 1})->checkState(), Qt::Checked);
    QCOMPARE(item({1})->checkState(), Qt::Unchecked);
    // Sections are not checkable and keep no state.
    QVERIFY(!item({0, 0, 0})->isCheckable());

    item({0, 1})->setCheckState(Qt::Unchecked);
    QCOMPARE(item({0})->checkState(), Qt::Checked);
    QCOMPARE(item({0, 0})->checkState(), Qt::Checked);
    QCOMPARE(plugin->mainView->currentIndex(), item({0, 1})->index());
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

void tst_Panel::selectAll()
{
    loadTree();
    plugin->panMain->selectAllBox->setChecked(true);
    QCOMPARE(item({0})->checkState(), Qt::Checked);
    QCOMPARE(item({0, 1})->checkState(), Qt::Checked);
    QCOMPARE(item({1})->checkState(), Qt::Checked);
    plugin->panMain->selectAllBox->setChecked(false);
    QCOMPARE(item({0, 0})->checkState(), Qt::Unchecked);
    QCOMPARE(item({1})->checkState(), Qt::Unchecked);
}

void tst_Panel::expandCollapse()
{
    loadTree();
    const QImage open = QImage(":/Pic/resources/branch-open.png").convertToFormat(QImage::Format_ARGB32);
    const QImage closed = QImage(":/Pic/resources/branch-closed.png").convertToFormat(QImage::Format_ARGB32);
    // A load leaves the tree collapsed with the closed icon.
    QVERIFY(!plugin->mainView->isExpanded(item({0})->index()));
    QCOMPARE(image(plugin->panMain->expandAction->icon()), closed);

    plugin->panMain->expandAction->trigger();
    QVERIFY(plugin->mainView->isExpanded(item({0})->index()));
    QVERIFY(plugin->mainView->isExpanded(item({0, 0})->index()));
    QCOMPARE(image(plugin->panMain->expandAction->icon()), open);

    plugin->mainView->setCurrentIndex(item({0, 0})->index());
    plugin->panMain->expandAction->trigger();
    QVERIFY(!plugin->mainView->isExpanded(item({0})->index()));
    QVERIFY(!plugin->mainView->currentIndex().isValid());
    QCOMPARE(image(plugin->panMain->expandAction->icon()), closed);

    // Only top-level rows decide.
    plugin->mainView->expand(item({0, 0})->index());
    plugin->panMain->expandAction->trigger();
    QVERIFY(plugin->mainView->isExpanded(item({0})->index()));
}

void tst_Panel::expandCollapseEmptyTree()
{
    const QImage open = QImage(":/Pic/resources/branch-open.png").convertToFormat(QImage::Format_ARGB32);
    plugin->onCollapseClicked();
    QCOMPARE(image(plugin->panMain->expandAction->icon()), open);
    plugin->onCollapseClicked();
    QCOMPARE(image(plugin->panMain->expandAction->icon()), open);
}

void tst_Panel::clickEnablesPropertiesByMask_data()
{
    QTest::addColumn<QList<int>>("path");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<int>("rows");

    QTest::newRow("route with bit 2") << QList<int>{0, 0} << true << 2;
    QTest::newRow("section of it") << QList<int>{0, 0, 0} << true << 11;
    QTest::newRow("route without bit 2") << QList<int>{0, 1} << false << 2;
    QTest::newRow("group, mask 3") << QList<int>{0} << true << 0;
    QTest::newRow("plain node") << QList<int>{1} << false << 0;
}

void tst_Panel::clickEnablesPropertiesByMask()
{
    QFETCH(QList<int>, path);
    QFETCH(bool, enabled);
    QFETCH(int, rows);

    loadTree();
    plugin->onMainItemClicked(item(path)->index());
    QCOMPARE(plugin->panProperties->isEnabled(), enabled);
    QCOMPARE(plugin->panProperties->propertyModel->rowCount(), rows);
    QCOMPARE(plugin->currentMainIndex, item(path)->index());
}

void tst_Panel::clickOnShownRowKeepsValueBeforeEdit()
{
    loadTree();
    QStandardItem *routeItem = item({0, 0});
    plugin->onMainItemClicked(routeItem->index());
    plugin->valueBeforeEdit = QString("Weekly");
    const QModelIndex column1 = routeItem->parent()->child(routeItem->row(), 1)->index();
    plugin->onMainItemClicked(column1);
    QCOMPARE(plugin->valueBeforeEdit, QVariant(QString("Weekly")));
    plugin->onMainItemClicked(item({0, 1})->index());
    QVERIFY(!plugin->valueBeforeEdit.isValid());
}

void tst_Panel::selectMainIndexRefills()
{
    loadTree();
    QStandardItem *sectionItem = item({0, 0, 1});
    plugin->onMainItemClicked(sectionItem->index());
    {
        // A stray change of the cell that is no edit.
        const QSignalBlocker quiet(plugin->panProperties->propertyModel);
        plugin->panProperties->propertyModel->item(0, 1)->setText("scribble");
    }
    plugin->selectMainIndex(sectionItem->index());
    QCOMPARE(plugin->panProperties->propertyModel->item(0, 1)->text(), QString("S2"));
    QCOMPARE(plugin->mainView->currentIndex(), sectionItem->index());
}

void tst_Panel::selectInvalidIndex()
{
    loadTree();
    plugin->onMainItemClicked(item({0, 0})->index());
    plugin->selectMainIndex(QModelIndex());
    QVERIFY(!plugin->mainView->currentIndex().isValid());
    QVERIFY(!plugin->currentMainIndex.isValid());
    QCOMPARE(plugin->panProperties->propertyModel->rowCount(), 2);
}

QTEST_MAIN(tst_Panel)
#include "tst_panel.moc"
