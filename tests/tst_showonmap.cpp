// The main tree's context menu, "Show on map" and moving the map to a route or section.
#include "support/FakeHost.h"
#include "support/PanelDriver.h"
#include "support/TreeBodies.h"

#include "panel/BindToMapModel.h"
#include "panel/PanProperties.h"
#include "routecheck/ItemRoles.h"
#include "shell/OperativeCheck.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QStandardItemModel>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <QUndoStack>

#include <memory>

using namespace TreeBodies;

namespace {

constexpr int MapId = 1;

const QList<int> AreaPath{0};
const QList<int> SpanPath{0, 0};     // route 5: West (object 7) and East (object 8)
const QList<int> WestPath{0, 0, 0};
const QList<int> EastPath{0, 0, 1};
const QList<int> PointPath{0, 1};    // route 6: Post (icon 9)
const QList<int> PostPath{0, 1, 0};
const QList<int> BarePath{0, 2};     // route 10: no objects, and ids that match nothing
const QList<int> GhostPath{0, 2, 1};
const QList<int> GroupPath{0, 3};    // no routes below
const QList<int> TwinPath{1};        // route 40: shares object 7 with route 5
const QList<int> TwinSectionPath{1, 0};

QByteArray int32(qint32 value)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out << value;
    return bytes;
}

QByteArray intList(const QList<int> &values)
{
    QByteArray bytes = int32(values.size());
    for (int value : values)
        bytes += int32(value);
    return bytes;
}

QByteArray routeBytes(const RouteRecord &route)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_4_5);
    RouteMessages::writeRoute(out, route);
    return bytes;
}

QSharedPointer<RouteRecord> spanRoute()
{
    return route(5, {section(1, "West", {7}), section(2, "East", {8})});
}

// One map call as text: "scale N", "center X,Y" or "refresh".
QString describe(const MapCall &call)
{
    switch (call.kind) {
    case MapCall::Scale:
        return QStringLiteral("scale %1").arg(call.a);
    case MapCall::Center:
        return QStringLiteral("center %1,%2").arg(call.a).arg(call.b);
    case MapCall::Refresh:
        break;
    }
    return QStringLiteral("refresh");
}

// What a right click showed; entries "--" are separators.
struct MenuSeen
{
    bool opened = false;
    bool wasActivePopup = false;
    QStringList entries;
    bool showTicked = false;
    bool showCheckable = false;
    QList<QVariant> data;
};

} // namespace

class tst_ShowOnMap : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void contextMenu_data();
    void contextMenu();
    void doubleClick_data();
    void doubleClick();
    void showOnMapEntry_data();
    void showOnMapEntry();
    void checkModeEntries_data();
    void checkModeEntries();
    void sharedObjectStaysOnShownRoute_data();
    void sharedObjectStaysOnShownRoute();

private:
    void reply(const QByteArray &command, const QByteArray &body);
    QStandardItem *item(const QList<int> &path) const;
    void click(const QList<int> &path);
    // Right-clicks the selected row; picks the entry with text pick, or closes the menu.
    MenuSeen rightClick(const QList<int> &path, const QString &pick);
    QStringList mapCallTexts() const;
    QList<QList<int>> checkedRows() const;

    std::unique_ptr<FakeHost> host;
    std::unique_ptr<OperativeCheck> plugin;
};

void tst_ShowOnMap::init()
{
    host = std::make_unique<FakeHost>();
    plugin = std::make_unique<OperativeCheck>();
    plugin->SetHost(host.get());
    plugin->BindMap(0, MapId);

    const Node span = withRoute(node(5, "Span", 3), spanRoute());
    const Node point = withRoute(node(6, "Point", 3), route(6, {section(1, "Post", {9})}));
    const Node bare = withRoute(node(10, "Bare", 3),
                                route(10, {section(1, "Nothing"), section(2, "Ghost", {99})}));
    const Node group = node(20, "Group", 3, {node(21, "Leaf", 3)});
    const Node twin = withRoute(node(40, "Twin", 3), route(40, {section(1, "Shared", {7})}));
    reply("Get_tree_rulecheck", ruleTree({node(1, "Area", 3, {span, point, bare, group}), twin}));

    Node marks = node(100, "Marks", 1);
    marks.objects = {object(7, 3, "West", {{100, 50}, {180, 51}, {140, 50}}),
                     object(8, 3, "East", {{220, 50}, {300, 50}, {260, 51}}),
                     object(9, 1, "Post", {{1000, 2000}})};
    reply("Get_tree_graphobj", layerTree({marks}));
    host->mapCalls.clear();
}

void tst_ShowOnMap::cleanup()
{
    // The layer table is the host's: the plug-in goes first.
    plugin.reset();
    host.reset();
}

void tst_ShowOnMap::reply(const QByteArray &command, const QByteArray &body)
{
    PanelDriver::deliver(plugin.get(), command, body);
}

QStandardItem *tst_ShowOnMap::item(const QList<int> &path) const
{
    return PanelDriver::itemAt(plugin->model, path);
}

void tst_ShowOnMap::click(const QList<int> &path)
{
    const QModelIndex index = item(path)->index();
    plugin->mainView->setCurrentIndex(index);
    plugin->onMainItemClicked(index);
}

MenuSeen tst_ShowOnMap::rightClick(const QList<int> &path, const QString &pick)
{
    // Making a row current selects it, as the press of a right click does.
    plugin->mainView->setCurrentIndex(item(path)->index());
    MenuSeen seen;
    QMenu *menu = &plugin->contextMenu;
    // The menu runs its own loop; it is read and closed from inside that loop.
    const QMetaObject::Connection opened = connect(menu, &QMenu::aboutToShow, this, [&] {
        QTimer::singleShot(0, this, [&] {
            seen.opened = true;
            QWidget *popup = QApplication::activePopupWidget();
            seen.wasActivePopup = popup == menu;
            for (const QAction *action : menu->actions()) {
                seen.entries << (action->isSeparator() ? QStringLiteral("--") : action->text());
                seen.data << action->data();
            }
            seen.showTicked = plugin->showOnMapAction->isChecked();
            seen.showCheckable = plugin->showOnMapAction->isCheckable();
            QAction *chosen = nullptr;
            for (QAction *action : menu->actions()) {
                if (!pick.isEmpty() && action->text() == pick)
                    chosen = action;
            }
            if (chosen) {
                menu->setActiveAction(chosen);
                QTest::keyClick(menu, Qt::Key_Return);
            } else {
                (popup ? popup : menu)->hide();
            }
        });
    });
    plugin->onContextMenuRequested(QPoint(4, 4));
    disconnect(opened);
    return seen;
}

QStringList tst_ShowOnMap::mapCallTexts() const
{
    QStringList texts;
    for (const MapCall &call : host->mapCalls) {
        if (call.mapId != MapId)
            texts << QStringLiteral("map %1").arg(call.mapId);
        texts << describe(call);
    }
    return texts;
}

QList<QList<int>> tst_ShowOnMap::checkedRows() const
{
    QList<QList<int>> checked;
    for (const QList<int> &path : {SpanPath, PointPath, BarePath, GroupPath, TwinPath}) {
        if (item(path)->checkState() == Qt::Checked)
            checked << path;
    }
    return checked;
}

void tst_ShowOnMap::contextMenu_data()
{
    QTest::addColumn<QList<int>>("path");
    QTest::addColumn<bool>("shown");
    QTest::addColumn<bool>("opened");

    QTest::newRow("section: no menu") << WestPath << false << false;
    QTest::newRow("section of a shown route: no menu") << WestPath << true << false;
    QTest::newRow("route not shown") << SpanPath << false << true;
    QTest::newRow("shown route: ticked") << SpanPath << true << true;
    QTest::newRow("node without routes") << GroupPath << false << true;
}

void tst_ShowOnMap::contextMenu()
{
    QFETCH(QList<int>, path);
    QFETCH(bool, shown);
    QFETCH(bool, opened);

    if (shown)
        item(SpanPath)->setCheckState(Qt::Checked);
    const Qt::CheckState before = item(path)->checkState();
    host->mapCalls.clear();

    const MenuSeen seen = rightClick(path, QString());
    QCOMPARE(seen.opened, opened);
    if (opened) {
        QVERIFY(seen.wasActivePopup);
        QCOMPARE(seen.entries,
                 QStringList({"Show on map", "--", "Set check off", "Set check on"}));
        QVERIFY(seen.showCheckable);
        QCOMPARE(seen.showTicked, before == Qt::Checked);
        QCOMPARE(seen.data.at(2), QVariant(0));
        QCOMPARE(seen.data.at(3), QVariant(1));
    }
    QVERIFY(!QApplication::activePopupWidget());
    // Closing the menu changes nothing.
    QCOMPARE(item(path)->checkState(), before);
    QVERIFY(host->mapCalls.isEmpty());
    QVERIFY(host->requests.isEmpty());
}

void tst_ShowOnMap::doubleClick_data()
{
    QTest::addColumn<QList<int>>("path");
    QTest::addColumn<int>("column");
    QTest::addColumn<bool>("shownBefore");
    QTest::addColumn<QStringList>("calls");
    QTest::addColumn<QList<QList<int>>>("checked");
    QTest::addColumn<int>("primitives");

    const QString spanScale = QStringLiteral("scale %1")
                                  .arg(BindToMapModel::scaleForRect(100, 50, 300, 51));
    QTest::newRow("route over two sections")
        << SpanPath << 0 << false << QStringList{spanScale, "center 200,50", "refresh"}
        << QList<QList<int>>{SpanPath} << 2;
    QTest::newRow("already shown route: moved, not drawn again")
        << SpanPath << 0 << true << QStringList{spanScale, "center 200,50"}
        << QList<QList<int>>{SpanPath} << 2;
    QTest::newRow("section of one polygon")
        << EastPath << 0 << false
        << QStringList{QStringLiteral("scale %1").arg(BindToMapModel::scaleForRect(220, 50, 300,
                                                                                   51)),
                       "center 260,50", "refresh"}
        << QList<QList<int>>{SpanPath} << 2;
    QTest::newRow("section of one icon: centre only")
        << PostPath << 0 << false << QStringList{"center 1000,2000", "refresh"}
        << QList<QList<int>>{PointPath} << 1;
    QTest::newRow("route without objects: map kept, route shown")
        << BarePath << 0 << false << QStringList{"refresh"} << QList<QList<int>>{BarePath} << 0;
    QTest::newRow("section whose ids match nothing")
        << GhostPath << 0 << false << QStringList{"refresh"} << QList<QList<int>>{BarePath} << 0;
    QTest::newRow("column 1 of a route: nothing")
        << SpanPath << 1 << false << QStringList() << QList<QList<int>>() << 0;
    QTest::newRow("node without routes: checked, map kept")
        << GroupPath << 0 << false << QStringList() << QList<QList<int>>{GroupPath} << 0;
}

void tst_ShowOnMap::doubleClick()
{
    QFETCH(QList<int>, path);
    QFETCH(int, column);
    QFETCH(bool, shownBefore);
    QFETCH(QStringList, calls);
    QFETCH(QList<QList<int>>, checked);
    QFETCH(int, primitives);

    if (shownBefore)
        item(SpanPath)->setCheckState(Qt::Checked);
    host->mapCalls.clear();

    const QStandardItem *target = item(path);
    const QModelIndex index = target->index().sibling(target->row(), column);
    QVERIFY(index.isValid());
    plugin->onMainItemDblClicked(index);

    QCOMPARE(mapCallTexts(), calls);
    QCOMPARE(checkedRows(), checked);
    QCOMPARE(host->sectionList()->primitives.size(), primitives);
    if (path == GroupPath)
        QCOMPARE(item({0, 3, 0})->checkState(), Qt::Checked);
}

void tst_ShowOnMap::showOnMapEntry_data()
{
    QTest::addColumn<QList<int>>("path");
    QTest::addColumn<bool>("shownBefore");
    QTest::addColumn<QStringList>("calls");
    QTest::addColumn<bool>("shownAfter");
    QTest::addColumn<int>("primitives");

    const QString spanScale = QStringLiteral("scale %1")
                                  .arg(BindToMapModel::scaleForRect(100, 50, 300, 51));
    QTest::newRow("ticked on a route: as a double click")
        << SpanPath << false << QStringList{spanScale, "center 200,50", "refresh"} << true << 2;
    QTest::newRow("unticked on a shown route: erased")
        << SpanPath << true << QStringList{"refresh"} << false << 0;
    QTest::newRow("ticked on a route of one icon")
        << PointPath << false << QStringList{"center 1000,2000", "refresh"} << true << 1;
    QTest::newRow("ticked on a route without objects")
        << BarePath << false << QStringList{"refresh"} << true << 0;
}

void tst_ShowOnMap::showOnMapEntry()
{
    QFETCH(QList<int>, path);
    QFETCH(bool, shownBefore);
    QFETCH(QStringList, calls);
    QFETCH(bool, shownAfter);
    QFETCH(int, primitives);

    if (shownBefore)
        item(path)->setCheckState(Qt::Checked);
    QCOMPARE(host->sectionList()->primitives.isEmpty(), !shownBefore);
    host->mapCalls.clear();

    const MenuSeen seen = rightClick(path, QStringLiteral("Show on map"));
    QVERIFY(seen.opened);
    QCOMPARE(seen.showTicked, shownBefore);
    QCOMPARE(plugin->showOnMapAction->isChecked(), shownAfter);
    QCOMPARE(item(path)->checkState(), shownAfter ? Qt::Checked : Qt::Unchecked);
    QCOMPARE(mapCallTexts(), calls);
    QCOMPARE(host->sectionList()->primitives.size(), primitives);
    QVERIFY(host->requests.isEmpty());
}

void tst_ShowOnMap::checkModeEntries_data()
{
    QTest::addColumn<QList<int>>("path");
    QTest::addColumn<QString>("entry");
    QTest::addColumn<bool>("pendingEdit");
    QTest::addColumn<QByteArray>("body");

    QTest::newRow("check on, node without routes") << GroupPath << "Set check on" << false
                                                   << QByteArray(int32(1) + intList({}));
    QTest::newRow("check on after a pending edit: saved first")
        << GroupPath << "Set check on" << true << QByteArray(int32(1) + intList({}));
    QTest::newRow("check off on a route") << PointPath << "Set check off" << false
                                          << QByteArray(int32(0) + intList({6}));
    QTest::newRow("check on below a node: depth first")
        << AreaPath << "Set check on" << false << QByteArray(int32(1) + intList({5, 6, 10}));
}

void tst_ShowOnMap::checkModeEntries()
{
    QFETCH(QList<int>, path);
    QFETCH(QString, entry);
    QFETCH(bool, pendingEdit);
    QFETCH(QByteArray, body);

    QSharedPointer<RouteRecord> saved = spanRoute();
    if (pendingEdit) {
        click(WestPath);
        QStandardItem *name = plugin->panProperties->propertyModel->item(0, 1);
        plugin->onPropertyItemClicked(name->index());
        name->setData(QStringLiteral("West gate"), Qt::EditRole);
        saved->sections.first()->name = QStringLiteral("West gate");
    }

    const MenuSeen seen = rightClick(path, entry);
    QVERIFY(seen.opened);

    QList<QByteArray> commands{"Set_check_mode"};
    if (pendingEdit)
        commands.prepend("Fix_routes");
    QCOMPARE(host->commands(), commands);
    if (pendingEdit) {
        QCOMPARE(host->requests.first().body.toHex(),
                 (int32(0) + routeBytes(*saved) + int32(-1) + intList({})).toHex());
    }
    QCOMPARE(host->requests.last().server, QByteArray("OperCheck_Server1"));
    QCOMPARE(host->requests.last().body.toHex(), body.toHex());
    // Nothing changes before the server answers.
    QCOMPARE(item(SpanPath)->parent()->child(0, 1)->text(), QString("Check off"));
    QCOMPARE(itemRoute(item(PointPath))->checkOn, 0);
}

// Object 7 marks sections of two routes; only route 5 is shown.
void tst_ShowOnMap::sharedObjectStaysOnShownRoute_data()
{
    QTest::addColumn<bool>("rename");

    QTest::newRow("hidden route's section renamed") << true;
    QTest::newRow("hidden route's section given other objects") << false;
}

void tst_ShowOnMap::sharedObjectStaysOnShownRoute()
{
    QFETCH(bool, rename);

    item(SpanPath)->setCheckState(Qt::Checked);
    QCOMPARE(host->sectionList()->primitives.size(), 2);

    click(TwinSectionPath);
    if (rename) {
        QStandardItem *name = plugin->panProperties->propertyModel->item(0, 1);
        plugin->onPropertyItemClicked(name->index());
        name->setData(QStringLiteral("Shared gate"), Qt::EditRole);
        QCOMPARE(item(TwinSectionPath)->text(), QString("Shared gate"));
    } else {
        plugin->onSelGObjClicked();
        plugin->graphObjDialog.model->findItems("Post", Qt::MatchExactly | Qt::MatchRecursive)
            .first()
            ->setCheckState(Qt::Checked);
        plugin->onSelGObjAccepted();
        QCOMPARE(itemSection(item(TwinSectionPath))->graphObjectIds, QList<int>({7, 9}));
    }
    QCOMPARE(item(TwinPath)->checkState(), Qt::Unchecked);
    QCOMPARE(host->sectionList()->primitives.size(), 2);
}

QTEST_MAIN(tst_ShowOnMap)
#include "tst_showonmap.moc"
