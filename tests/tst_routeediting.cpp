// Adding and deleting routes and sections and choosing their objects, through the
// panel's own slots, each case ending with the bytes a save sends.
#include "support/FakeHost.h"
#include "support/PanelDriver.h"
#include "support/TreeBodies.h"

#include "panel/PanProperties.h"
#include "routecheck/ItemRoles.h"
#include "shell/OperativeCheck.h"

#include <TreeObjCheckable.h>

#include <QAction>
#include <QStandardItemModel>
#include <QTest>
#include <QTreeView>
#include <QUndoStack>

#include <memory>

using namespace TreeBodies;

namespace {

enum Row { Name, MsgIn, MsgOut, Schedule, TimeIn, InAhead, InBehind, TimeOut, OutAhead,
           OutBehind, Delay };

// Paths of the fixture tree, as rows from the top.
const QList<int> SparePath{0, 0};  // node 17, no route
const QList<int> BeatPath{0, 1};   // node 5, route 5
const QList<int> SubPath{0, 1, 0}; // child node 6 of node 5
const QList<int> GatePath{0, 1, 1};
const QList<int> YardPath{0, 1, 2};
const QList<int> RoadPath{0, 1, 3};
const QList<int> LockedPath{0, 2}; // node 30, type mask without the editing bit

enum class Slot { AddRoute, DelRoute, AddSect, DelSect, SelObjs, SelGObj };

// What is done to the row on show after another row's check box was ticked.
enum class AfterTick { Rename, DeleteRoute };

// The section values that travel to the server.
struct Fields
{
    int timeIn = -1;
    int timeOut = -1;
    bool msgIn = true;
    bool msgOut = true;
    QList<int> tolerances{0, 0, 0, 0};
};

QByteArray int32(qint32 value)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out << value;
    return bytes;
}

// A set of at most one id: the bytes do not depend on the set's iteration order.
QByteArray idSet(const QList<int> &ids)
{
    Q_ASSERT(ids.size() <= 1);
    QByteArray bytes = int32(ids.size());
    for (int id : ids)
        bytes += int32(id);
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

SectionRecord *withFields(SectionRecord *section, const Fields &fields)
{
    section->checkTimeIn = fields.timeIn;
    section->checkTimeOut = fields.timeOut;
    section->messageOnTimeIn = fields.msgIn;
    section->messageOnTimeOut = fields.msgOut;
    section->checkTimeInAhead = fields.tolerances.value(0);
    section->checkTimeInBehind = fields.tolerances.value(1);
    section->checkTimeOutAhead = fields.tolerances.value(2);
    section->checkTimeOutBehind = fields.tolerances.value(3);
    section->deriveSchedule();
    return section;
}

// The route of node 5 as the server holds it; each call builds it anew.
QSharedPointer<RouteRecord> beatRoute()
{
    Fields gate;
    gate.timeIn = 3600;
    gate.timeOut = 4200;
    gate.msgOut = false;
    gate.tolerances = {10, 20, 30, 40};
    QSharedPointer<RouteRecord> r = route(5, {withFields(section(1, "Gate", {7}), gate),
                                              section(2, "Yard", {8}), section(3, "Road")});
    r->objects = {11};
    r->checkTimeType = 2;
    r->fifthField = 77;
    return r;
}

// Everything a save carries of a section, in one line, so that a difference shows.
QString describe(const SectionRecord &s)
{
    QStringList ids;
    for (int id : s.graphObjectIds)
        ids << QString::number(id);
    return QStringLiteral("%1|%2|[%3]|%4|%5|%6|%7|%8,%9,%10,%11")
        .arg(s.id)
        .arg(s.name, ids.join(','))
        .arg(s.checkTimeIn)
        .arg(s.checkTimeOut)
        .arg(s.messageOnTimeIn)
        .arg(s.messageOnTimeOut)
        .arg(s.checkTimeInAhead)
        .arg(s.checkTimeInBehind)
        .arg(s.checkTimeOutAhead)
        .arg(s.checkTimeOutBehind);
}

QStringList describe(const RouteRecord &route)
{
    QStringList lines;
    for (const SectionRecord *s : route.sections)
        lines << describe(*s);
    return lines;
}

GraphObData polygon(qint32 id, const QString &name, const QList<QPoint> &points)
{
    return object(id, 3, name, points);
}

QByteArray fixtureRuleTree()
{
    Node beat = withRoute(node(5, "Beat", 3, {node(6, "Sub", 3)}), beatRoute());
    return ruleTree({node(1, "Depot", 3, {node(17, "Spare", 3), beat, node(30, "Locked", 1)})});
}

} // namespace

Q_DECLARE_METATYPE(Slot)
Q_DECLARE_METATYPE(Fields)
Q_DECLARE_METATYPE(AfterTick)

class tst_RouteEditing : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void addRoute();
    void deleteRoute_data();
    void deleteRoute();
    void addSection_data();
    void addSection();
    void deleteFirstSection_data();
    void deleteFirstSection();
    void newSectionTakesTemplate_data();
    void newSectionTakesTemplate();
    void graphicObjectChoice_data();
    void graphicObjectChoice();
    void mapFollowsGraphicObjectChange_data();
    void mapFollowsGraphicObjectChange();
    void objectListChoice_data();
    void objectListChoice();
    void dialogsOpenOnlyForTheirRecord_data();
    void dialogsOpenOnlyForTheirRecord();
    void dialogAcceptanceReachesSlots();
    void actionStates_data();
    void actionStates();
    void undoTexts_data();
    void undoTexts();
    void commandsOnWrongRowsChangeNothing_data();
    void commandsOnWrongRowsChangeNothing();
    void undoAddSectionAfterRouteRestored();
    void undoPropertyEditOfRestoredSection();
    void restoredSectionRaisesMaxSectionId();
    void reloadForgetsPendingDeletes();
    void routeDeletedAndAddedOnOneNode();
    void commandsAfterTickingAnotherRow_data();
    void commandsAfterTickingAnotherRow();

private:
    void reply(const QByteArray &command, const QByteArray &body);
    QStandardItem *item(const QList<int> &path) const;
    QModelIndex indexOf(const QList<int> &path) const;
    void click(const QList<int> &path);
    void run(Slot slot);
    QStandardItem *cell(int row) const;
    void editText(int row, const QString &text);
    void toggle(int row);
    QStringList childTexts(const QList<int> &path) const;
    QString treeDump(QStandardItem *parent = nullptr) const;
    QStandardItem *graphObjItem(const QString &name) const;
    QStandardItemModel *objectsDialogModel() const;
    QList<QPoint> drawnOrigins() const;
    // Saves and checks the one request sent; an empty expected body means nothing is sent.
    void saveAndCompare(const QByteArray &expected);

    std::unique_ptr<FakeHost> host;
    std::unique_ptr<OperativeCheck> plugin;
};

void tst_RouteEditing::init()
{
    host = std::make_unique<FakeHost>();
    host->addTrackedObject(11, "Car 11");
    QStandardItem *group = host->addTrackedObject(0, "Group");
    group->setData(QVariant(), ItemRole::NodeId);
    host->addTrackedObject(12, "Car 12", group);
    host->addTrackedObject(13, "Car 13", group);

    plugin = std::make_unique<OperativeCheck>();
    plugin->SetHost(host.get());
    plugin->BindMap(0, 1);

    reply("Get_tree_rulecheck", fixtureRuleTree());

    Node marks = node(100, "Marks", 1);
    marks.objects = {polygon(7, "Gate", {{100, 50}, {200, 50}, {150, 51}}),
                     polygon(8, "Yard", {{300, 60}, {400, 60}, {350, 61}}),
                     object(9, 1, "Post", {{500, 70}})};
    reply("Get_tree_graphobj", layerTree({marks}));
    host->mapCalls.clear();
}

void tst_RouteEditing::cleanup()
{
    // The layer table is the host's: the plug-in goes first.
    plugin.reset();
    host.reset();
}

void tst_RouteEditing::reply(const QByteArray &command, const QByteArray &body)
{
    PanelDriver::deliver(plugin.get(), command, body);
}

QStandardItem *tst_RouteEditing::item(const QList<int> &path) const
{
    return PanelDriver::itemAt(plugin->model, path);
}

QModelIndex tst_RouteEditing::indexOf(const QList<int> &path) const
{
    QStandardItem *found = path.isEmpty() ? nullptr : item(path);
    return found ? found->index() : QModelIndex();
}

// As a click on the row does; an empty path clicks beside every row.
void tst_RouteEditing::click(const QList<int> &path)
{
    const QModelIndex index = indexOf(path);
    plugin->mainView->setCurrentIndex(index);
    plugin->onMainItemClicked(index);
}

void tst_RouteEditing::run(Slot slot)
{
    switch (slot) {
    case Slot::AddRoute:
        plugin->onAddRouteClicked();
        break;
    case Slot::DelRoute:
        plugin->onDelRouteClicked();
        break;
    case Slot::AddSect:
        plugin->onAddSectClicked();
        break;
    case Slot::DelSect:
        plugin->onDelSectClicked();
        break;
    case Slot::SelObjs:
        plugin->onSelObjsClicked();
        plugin->onSelObjsAccepted();
        break;
    case Slot::SelGObj:
        plugin->onSelGObjClicked();
        plugin->onSelGObjAccepted();
        break;
    }
}

QStandardItem *tst_RouteEditing::cell(int row) const
{
    return plugin->panProperties->propertyModel->item(row, 1);
}

void tst_RouteEditing::editText(int row, const QString &text)
{
    plugin->onPropertyItemClicked(cell(row)->index());
    cell(row)->setData(text, Qt::EditRole);
}

void tst_RouteEditing::toggle(int row)
{
    plugin->onPropertyItemClicked(cell(row)->index());
    cell(row)->setCheckState(cell(row)->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
}

QStringList tst_RouteEditing::childTexts(const QList<int> &path) const
{
    QStringList texts;
    const QStandardItem *parent = item(path);
    for (int row = 0; parent && row < parent->rowCount(); ++row)
        texts << parent->child(row)->text();
    return texts;
}

// Texts, check-mode cells, records and edit states of the whole tree.
QString tst_RouteEditing::treeDump(QStandardItem *parent) const
{
    if (!parent)
        parent = plugin->model->invisibleRootItem();
    QString dump;
    for (int row = 0; row < parent->rowCount(); ++row) {
        const QStandardItem *child = parent->child(row);
        const QStandardItem *mode = parent->child(row, 1);
        dump += QStringLiteral("(%1 state %2 mode '%3'").arg(child->text())
                    .arg(itemEditState(child))
                    .arg(mode ? mode->text() : QStringLiteral("-"));
        if (const RouteRecord *route = itemRoute(child)) {
            QStringList objects;
            for (int id : route->objects)
                objects << QString::number(id);
            dump += QStringLiteral(" route %1 type %2 objects [%3] sections {%4}")
                        .arg(route->id)
                        .arg(route->checkTimeType)
                        .arg(objects.join(','), describe(*route).join(';'));
        }
        if (const SectionRecord *section = itemSection(child))
            dump += QStringLiteral(" section ") + describe(*section);
        dump += treeDump(parent->child(row)) + QLatin1Char(')');
    }
    return dump;
}

QStandardItem *tst_RouteEditing::graphObjItem(const QString &name) const
{
    const QList<QStandardItem *> found = plugin->graphObjDialog.model->findItems(
        name, Qt::MatchExactly | Qt::MatchRecursive);
    return found.size() == 1 ? found.first() : nullptr;
}

QStandardItemModel *tst_RouteEditing::objectsDialogModel() const
{
    auto *view = plugin->objectsDialog.treeWidget->findChild<QTreeView *>();
    return view ? qobject_cast<QStandardItemModel *>(view->model()) : nullptr;
}

// Where each primitive on the section layer starts: first vertex, or an icon's place.
QList<QPoint> tst_RouteEditing::drawnOrigins() const
{
    QList<QPoint> origins;
    const MapQt::PrimitiveList *list = host->sectionList();
    if (!list)
        return origins;
    for (const MapQt::MapPrimitive *primitive : list->primitives) {
        const auto *trace = dynamic_cast<const MapQt::MapTrace *>(primitive);
        if (trace && trace->count > 0)
            origins << QPoint(trace->points[0].x, trace->points[0].y);
        else
            origins << QPoint(primitive->x, primitive->y);
    }
    return origins;
}

void tst_RouteEditing::saveAndCompare(const QByteArray &expected)
{
    const int before = host->requests.size();
    plugin->onSaveClicked();
    if (expected.isEmpty()) {
        QCOMPARE(host->requests.size(), before);
        return;
    }
    QCOMPARE(host->requests.size(), before + 1);
    const SentRequest &request = host->requests.last();
    QCOMPARE(request.server, QByteArray("OperCheck_Server1"));
    QCOMPARE(request.command, QByteArray("Fix_routes"));
    QCOMPARE(request.body.toHex(), expected.toHex());
}

void tst_RouteEditing::addRoute()
{
    click(SparePath);
    plugin->onAddRouteClicked();

    QStandardItem *spare = item(SparePath);
    const RouteRecord *added = itemRoute(spare);
    QVERIFY(added);
    QCOMPARE(added->id, -17);
    QVERIFY(added->sections.isEmpty());
    QCOMPARE(added->maxSectionId, 0);
    QCOMPARE(itemEditState(spare), int(EditState::New));
    QVERIFY(spare->parent()->child(spare->row(), 1));
    QCOMPARE(spare->parent()->child(spare->row(), 1)->text(), QString("Check off"));
    QCOMPARE(plugin->mainView->currentIndex(), spare->index());
    QCOMPARE(plugin->panProperties->propertyModel->rowCount(), 2);
    QCOMPARE(plugin->undoStack->count(), 1);
    QCOMPARE(plugin->undoStack->undoText(), QString("Add Route"));

    plugin->undoStack->undo();
    QCOMPARE(itemRoute(spare), nullptr);
    QCOMPARE(spare->rowCount(), 0);
    QCOMPARE(spare->parent()->child(spare->row(), 1), nullptr);
    QVERIFY(plugin->deletedRouteIds.isEmpty());
    saveAndCompare(QByteArray());

    plugin->undoStack->redo();
    added = itemRoute(spare);
    QVERIFY(added);
    QCOMPARE(added->id, -17);
    QVERIFY(added->sections.isEmpty());
    QCOMPARE(itemEditState(spare), int(EditState::New));
    QVERIFY(plugin->deletedRouteIds.isEmpty());

    RouteRecord expected(17);
    saveAndCompare(int32(17) + routeBytes(expected) + int32(-1) + idSet({}));
    QCOMPARE(added->id, 17);
}

void tst_RouteEditing::deleteRoute_data()
{
    QTest::addColumn<int>("undos");
    QTest::addColumn<int>("redos");
    QTest::addColumn<bool>("restored");

    QTest::newRow("delete") << 0 << 0 << false;
    QTest::newRow("delete, undo") << 1 << 0 << true;
    QTest::newRow("delete, undo, redo") << 1 << 1 << false;
}

void tst_RouteEditing::deleteRoute()
{
    QFETCH(int, undos);
    QFETCH(int, redos);
    QFETCH(bool, restored);

    click(BeatPath);
    plugin->onDelRouteClicked();
    QCOMPARE(plugin->undoStack->undoText(), QString("Del Route"));
    for (int i = 0; i < undos; ++i)
        plugin->undoStack->undo();
    for (int i = 0; i < redos; ++i)
        plugin->undoStack->redo();

    QStandardItem *beat = item(BeatPath);
    QCOMPARE(plugin->mainView->currentIndex(), beat->index());
    // The child node stays in every case, with its own data.
    QCOMPARE(item(SubPath)->text(), QString("Sub"));
    QCOMPARE(item(SubPath)->data(ItemRole::NodeId).toInt(), 6);
    QSharedPointer<RouteRecord> expected = beatRoute();
    if (restored) {
        const RouteRecord *route = itemRoute(beat);
        QVERIFY(route);
        QCOMPARE(route->id, 5);
        QCOMPARE(route->objects, expected->objects);
        QCOMPARE(describe(*route), describe(*expected));
        QCOMPARE(childTexts(BeatPath), QStringList({"Sub", "Gate", "Yard", "Road"}));
        for (int row = 1; row < 4; ++row)
            QCOMPARE(itemSection(beat->child(row)), route->sections.at(row - 1));
        QCOMPARE(beat->parent()->child(beat->row(), 1)->text(), QString("Check off"));
        QCOMPARE(itemEditState(beat), int(EditState::New));
        QVERIFY(plugin->deletedRouteIds.isEmpty());
        saveAndCompare(int32(5) + routeBytes(*expected) + int32(-1) + idSet({}));
    } else {
        QCOMPARE(itemRoute(beat), nullptr);
        QCOMPARE(childTexts(BeatPath), QStringList({"Sub"}));
        QCOMPARE(beat->parent()->child(beat->row(), 1), nullptr);
        QCOMPARE(plugin->deletedRouteIds, QSet<int>({5}));
        saveAndCompare(int32(-1) + idSet({5}));
    }
}

void tst_RouteEditing::addSection_data()
{
    QTest::addColumn<QList<int>>("path");
    QTest::addColumn<bool>("undoRedo");
    QTest::addColumn<int>("id");

    QTest::newRow("route current") << BeatPath << false << 4;
    QTest::newRow("section current: appends to its route") << YardPath << false << 4;
    QTest::newRow("undo then redo takes the next id") << BeatPath << true << 5;
}

void tst_RouteEditing::addSection()
{
    QFETCH(QList<int>, path);
    QFETCH(bool, undoRedo);
    QFETCH(int, id);

    click(path);
    QStandardItem *beat = item(BeatPath);
    RouteRecord *route = itemRoute(beat);
    QCOMPARE(route->maxSectionId, 3);
    plugin->onAddSectClicked();
    QCOMPARE(plugin->undoStack->undoText(), QString("Add section"));

    if (undoRedo) {
        plugin->undoStack->undo();
        QCOMPARE(route->sections.size(), 3);
        QCOMPARE(childTexts(BeatPath), QStringList({"Sub", "Gate", "Yard", "Road"}));
        QCOMPARE(itemEditState(beat), int(EditState::Unchanged));
        QCOMPARE(plugin->mainView->currentIndex(), beat->index());
        QCOMPARE(route->maxSectionId, 4); // ids are not reused while the route lives
        saveAndCompare(QByteArray());
        plugin->undoStack->redo();
    }

    const QString name = QStringLiteral("New section %1").arg(id);
    QCOMPARE(route->sections.size(), 4);
    const SectionRecord *added = route->sections.last();
    QCOMPARE(added->id, id);
    QCOMPARE(added->name, name);
    QCOMPARE(route->maxSectionId, id);
    QCOMPARE(childTexts(BeatPath), QStringList({"Sub", "Gate", "Yard", "Road", name}));
    QStandardItem *addedItem = beat->child(4);
    QCOMPARE(itemSection(addedItem), added);
    QVERIFY(!addedItem->isCheckable());
    QVERIFY(!addedItem->isEditable());
    QCOMPARE(addedItem->data(ItemRole::NodeId).toInt(), 5);
    QVERIFY(plugin->mainView->isExpanded(beat->index()));
    QCOMPARE(plugin->mainView->currentIndex(), addedItem->index());
    QCOMPARE(plugin->currentMainIndex, QModelIndex(addedItem->index()));
    QCOMPARE(cell(Name)->text(), name);
    QCOMPARE(itemEditState(beat), int(EditState::Changed));

    QSharedPointer<RouteRecord> expected = beatRoute();
    expected->sections.append(section(id, name));
    saveAndCompare(int32(0) + routeBytes(*expected) + int32(-1) + idSet({}));
}

void tst_RouteEditing::deleteFirstSection_data()
{
    QTest::addColumn<bool>("undo");
    QTest::addColumn<bool>("editAfter");

    QTest::newRow("delete") << false << false;
    QTest::newRow("delete, undo: back last, and saved so") << true << false;
    QTest::newRow("delete, undo, edit: the new order is saved") << true << true;
}

void tst_RouteEditing::deleteFirstSection()
{
    QFETCH(bool, undo);
    QFETCH(bool, editAfter);

    click(GatePath);
    QStandardItem *beat = item(BeatPath);
    RouteRecord *route = itemRoute(beat);
    plugin->onDelSectClicked();
    QCOMPARE(plugin->undoStack->undoText(), QString("Del section"));
    QCOMPARE(childTexts(BeatPath), QStringList({"Sub", "Yard", "Road"}));
    QCOMPARE(route->sections.size(), 2);
    QCOMPARE(itemEditState(beat), int(EditState::Changed));
    QCOMPARE(plugin->mainView->currentIndex(), beat->index());

    QSharedPointer<RouteRecord> expected = beatRoute();
    if (!undo) {
        delete expected->sections.takeFirst();
        saveAndCompare(int32(0) + routeBytes(*expected) + int32(-1) + idSet({}));
        return;
    }

    plugin->undoStack->undo();
    expected->sections.move(0, 2);
    QCOMPARE(describe(*route), describe(*expected));
    QCOMPARE(childTexts(BeatPath), QStringList({"Sub", "Yard", "Road", "Gate"}));
    QCOMPARE(itemSection(beat->child(3)), route->sections.last());
    QCOMPARE(route->maxSectionId, 3);
    QCOMPARE(plugin->mainView->currentIndex(), beat->child(3)->index());
    if (!editAfter) {
        const QByteArray newOrder = int32(0) + routeBytes(*expected) + int32(-1) + idSet({});
        plugin->onSaveClicked();
        QCOMPARE(host->requests.value(0).body.toHex(), newOrder.toHex());
        return;
    }
    click({0, 1, 1});
    editText(Name, "Yard 2");
    expected->sections.first()->name = QStringLiteral("Yard 2");
    saveAndCompare(int32(0) + routeBytes(*expected) + int32(-1) + idSet({}));
}

void tst_RouteEditing::newSectionTakesTemplate_data()
{
    QTest::addColumn<QList<int>>("editPath");
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("text"); // empty: the row is a check box, toggled
    QTest::addColumn<Fields>("edited");
    QTest::addColumn<Fields>("added");

    Fields gate;
    gate.timeIn = 3600;
    gate.timeOut = 4200;
    gate.msgOut = false;
    gate.tolerances = {10, 20, 30, 40};

    QTest::newRow("untouched template") << QList<int>() << -1 << QString() << Fields() << Fields();

    Fields gateEdited = gate;
    gateEdited.tolerances[0] = 30;
    Fields fromGate = gateEdited;
    fromGate.timeIn = fromGate.timeOut = 0;
    QTest::newRow("tolerance of a scheduled section")
        << GatePath << int(InAhead) << "30" << gateEdited << fromGate;

    Fields yardEdited;
    yardEdited.msgIn = false;
    QTest::newRow("message switch of an unscheduled section")
        << YardPath << int(MsgIn) << QString() << yardEdited << yardEdited;

    Fields yardScheduled;
    yardScheduled.timeIn = yardScheduled.timeOut = 1;
    Fields fromYard;
    fromYard.timeIn = fromYard.timeOut = 0;
    QTest::newRow("schedule switched on")
        << YardPath << int(Schedule) << QString() << yardScheduled << fromYard;
}

void tst_RouteEditing::newSectionTakesTemplate()
{
    QFETCH(QList<int>, editPath);
    QFETCH(int, row);
    QFETCH(QString, text);
    QFETCH(Fields, edited);
    QFETCH(Fields, added);

    QSharedPointer<RouteRecord> expected = beatRoute();
    if (!editPath.isEmpty()) {
        click(editPath);
        if (text.isEmpty())
            toggle(row);
        else
            editText(row, text);
        withFields(expected->sections.at(editPath.last() - 1), edited);
    }

    click(BeatPath);
    plugin->onAddSectClicked();
    const SectionRecord *section = itemRoute(item(BeatPath))->sections.last();
    expected->sections.append(withFields(TreeBodies::section(4, "New section 4"), added));
    QCOMPARE(describe(*section), describe(*expected->sections.last()));
    QCOMPARE(section->checkScheduleOn, added.timeIn >= 0);
    QCOMPARE(section->delayInto, plugin->sectionTemplate.delayInto);
    saveAndCompare(int32(0) + routeBytes(*expected) + int32(-1) + idSet({}));
}

void tst_RouteEditing::graphicObjectChoice_data()
{
    QTest::addColumn<QList<int>>("path");
    QTest::addColumn<QStringList>("ticks");
    QTest::addColumn<QList<int>>("ids");
    QTest::addColumn<QString>("name");

    QTest::newRow("two ticked: renamed") << RoadPath << QStringList{"Gate", "Yard"}
                                         << QList<int>{7, 8} << "Gate Yard ";
    QTest::newRow("tree order, not tick order") << RoadPath << QStringList{"Post", "Gate"}
                                                << QList<int>{7, 9} << "Gate Post ";
    QTest::newRow("a ticked layer ticks its objects") << RoadPath << QStringList{"Marks"}
                                                      << QList<int>{7, 8, 9} << "Gate Yard Post ";
    QTest::newRow("nothing ticked: name kept, list emptied")
        << GatePath << QStringList{"-Gate"} << QList<int>() << "Gate";
}

void tst_RouteEditing::graphicObjectChoice()
{
    QFETCH(QList<int>, path);
    QFETCH(QStringList, ticks);
    QFETCH(QList<int>, ids);
    QFETCH(QString, name);

    click(path);
    QStandardItem *sectionItem = item(path);
    SectionRecord *section = itemSection(sectionItem);
    const QList<int> oldIds = section->graphObjectIds;
    const QString oldName = section->name;

    plugin->onSelGObjClicked();
    QVERIFY(plugin->graphObjDialog.isVisible());
    const QList<QPair<QString, int>> objects{{"Gate", 7}, {"Yard", 8}, {"Post", 9}};
    for (const auto &object : objects) {
        QCOMPARE(graphObjItem(object.first)->checkState(),
                 oldIds.contains(object.second) ? Qt::Checked : Qt::Unchecked);
    }
    // A leading minus unticks.
    for (const QString &tick : ticks) {
        const bool off = tick.startsWith('-');
        graphObjItem(off ? tick.mid(1) : tick)->setCheckState(off ? Qt::Unchecked : Qt::Checked);
    }

    const int count = plugin->undoStack->count();
    plugin->onSelGObjAccepted();
    QCOMPARE(plugin->undoStack->count(), count + 1);
    QCOMPARE(plugin->undoStack->undoText(), QString("Select graph objects"));
    QCOMPARE(section->graphObjectIds, ids);
    QCOMPARE(section->name, name);
    QCOMPARE(sectionItem->text(), name);
    QCOMPARE(cell(Name)->text(), name);
    QCOMPARE(itemEditState(item(BeatPath)), int(EditState::Changed));

    plugin->undoStack->undo();
    QCOMPARE(section->graphObjectIds, oldIds);
    QCOMPARE(section->name, oldName);
    QCOMPARE(sectionItem->text(), oldName);
    QCOMPARE(itemEditState(item(BeatPath)), int(EditState::Unchanged));
    QCOMPARE(plugin->undoStack->index(), count);
    saveAndCompare(QByteArray());

    plugin->undoStack->redo();
    QCOMPARE(section->graphObjectIds, ids);
    QCOMPARE(sectionItem->text(), name);

    QSharedPointer<RouteRecord> expected = beatRoute();
    expected->sections.at(path.last() - 1)->graphObjectIds = ids;
    expected->sections.at(path.last() - 1)->name = name;
    saveAndCompare(int32(0) + routeBytes(*expected) + int32(-1) + idSet({}));
}

void tst_RouteEditing::mapFollowsGraphicObjectChange_data()
{
    QTest::addColumn<bool>("shown");
    QTest::addColumn<QList<QPoint>>("before");
    QTest::addColumn<QList<QPoint>>("after");

    QTest::newRow("shown route") << true << QList<QPoint>{{100, 50}, {300, 60}}
                                 << QList<QPoint>{{500, 70}, {300, 60}};
    QTest::newRow("route not shown") << false << QList<QPoint>() << QList<QPoint>();
}

void tst_RouteEditing::mapFollowsGraphicObjectChange()
{
    QFETCH(bool, shown);
    QFETCH(QList<QPoint>, before);
    QFETCH(QList<QPoint>, after);

    if (shown)
        item(BeatPath)->setCheckState(Qt::Checked);
    click(GatePath);
    QCOMPARE(drawnOrigins(), before);
    host->mapCalls.clear();

    plugin->onSelGObjClicked();
    graphObjItem("Gate")->setCheckState(Qt::Unchecked);
    graphObjItem("Post")->setCheckState(Qt::Checked);
    plugin->onSelGObjAccepted();
    QCOMPARE(drawnOrigins(), after);
    if (shown) {
        QVERIFY(host->refreshCount() > 0);
        QCOMPARE(host->mapCalls.last().kind, MapCall::Refresh);
        QCOMPARE(host->mapCalls.last().mapId, 1);
    } else {
        QCOMPARE(host->mapCalls.size(), host->refreshCount());
    }

    host->mapCalls.clear();
    plugin->undoStack->undo();
    QCOMPARE(drawnOrigins(), before);
    if (shown)
        QVERIFY(host->refreshCount() > 0);
    plugin->undoStack->redo();
    QCOMPARE(drawnOrigins(), after);

    QSharedPointer<RouteRecord> expected = beatRoute();
    expected->sections.first()->graphObjectIds = {9};
    expected->sections.first()->name = QStringLiteral("Post ");
    saveAndCompare(int32(0) + routeBytes(*expected) + int32(-1) + idSet({}));
}

void tst_RouteEditing::objectListChoice_data()
{
    QTest::addColumn<QStringList>("ticks"); // a leading minus unticks
    QTest::addColumn<QList<int>>("objects");
    QTest::addColumn<QString>("shown");

    QTest::newRow("replace the list") << QStringList{"-Car 11", "Car 12", "Car 13"}
                                      << QList<int>{12, 13} << "Car 12, Car 13";
    QTest::newRow("accepted unchanged") << QStringList() << QList<int>{11} << "Car 11";
    QTest::newRow("a ticked group ticks its objects") << QStringList{"Group"}
                                                      << QList<int>{11, 12, 13}
                                                      << "Car 11, Car 12, Car 13";
    QTest::newRow("nothing ticked") << QStringList{"-Car 11"} << QList<int>() << QString();
}

void tst_RouteEditing::objectListChoice()
{
    QFETCH(QStringList, ticks);
    QFETCH(QList<int>, objects);
    QFETCH(QString, shown);

    click(BeatPath);
    RouteRecord *route = itemRoute(item(BeatPath));
    plugin->onSelObjsClicked();
    QVERIFY(plugin->objectsDialog.isVisible());
    QStandardItemModel *list = objectsDialogModel();
    QVERIFY(list);
    auto find = [list](const QString &text) {
        const QList<QStandardItem *> found =
            list->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
        return found.size() == 1 ? found.first() : nullptr;
    };
    QCOMPARE(find("Car 11")->checkState(), Qt::Checked);
    QCOMPARE(find("Car 12")->checkState(), Qt::Unchecked);
    QCOMPARE(find("Car 13")->checkState(), Qt::Unchecked);
    for (const QString &tick : ticks) {
        const bool off = tick.startsWith('-');
        find(off ? tick.mid(1) : tick)->setCheckState(off ? Qt::Unchecked : Qt::Checked);
    }

    plugin->onSelObjsAccepted();
    QCOMPARE(plugin->undoStack->count(), 1);
    QCOMPARE(plugin->undoStack->undoText(), QString("Select objects"));
    QCOMPARE(route->objects, objects);
    QCOMPARE(itemEditState(item(BeatPath)), int(EditState::Changed));
    QCOMPARE(cell(1)->text(), shown);

    plugin->undoStack->undo();
    QCOMPARE(route->objects, QList<int>{11});
    QCOMPARE(itemEditState(item(BeatPath)), int(EditState::Unchanged));
    QCOMPARE(cell(1)->text(), QString("Car 11"));
    saveAndCompare(QByteArray());

    plugin->undoStack->redo();
    QCOMPARE(route->objects, objects);
    QSharedPointer<RouteRecord> expected = beatRoute();
    expected->objects = objects;
    saveAndCompare(int32(0) + routeBytes(*expected) + int32(-1) + idSet({}));
}

void tst_RouteEditing::dialogsOpenOnlyForTheirRecord_data()
{
    QTest::addColumn<QList<int>>("path");
    QTest::addColumn<bool>("objectsDialog");
    QTest::addColumn<bool>("objectsOpen");

    QTest::newRow("objects: route") << BeatPath << true << true;
    QTest::newRow("objects: section") << GatePath << true << false;
    QTest::newRow("objects: plain node") << SparePath << true << false;
    QTest::newRow("graphic objects: section") << GatePath << false << true;
    QTest::newRow("graphic objects: route") << BeatPath << false << false;
    QTest::newRow("graphic objects: child node of a route") << SubPath << false << false;
}

void tst_RouteEditing::dialogsOpenOnlyForTheirRecord()
{
    QFETCH(QList<int>, path);
    QFETCH(bool, objectsDialog);
    QFETCH(bool, objectsOpen);

    click(path);
    if (objectsDialog)
        plugin->onSelObjsClicked();
    else
        plugin->onSelGObjClicked();
    QCOMPARE(plugin->objectsDialog.isVisible(), objectsDialog && objectsOpen);
    QCOMPARE(plugin->graphObjDialog.isVisible(), !objectsDialog && objectsOpen);
    QCOMPARE(plugin->undoStack->count(), 0);
    saveAndCompare(QByteArray());
}

// The dialogs' own Ok reaches the panel.
void tst_RouteEditing::dialogAcceptanceReachesSlots()
{
    click(BeatPath);
    plugin->onSelObjsClicked();
    plugin->objectsDialog.accept();
    QVERIFY(!plugin->objectsDialog.isVisible());
    QCOMPARE(plugin->undoStack->count(), 1);
    QCOMPARE(plugin->undoStack->undoText(), QString("Select objects"));

    click(RoadPath);
    plugin->onSelGObjClicked();
    graphObjItem("Yard")->setCheckState(Qt::Checked);
    plugin->graphObjDialog.accept();
    QVERIFY(!plugin->graphObjDialog.isVisible());
    QCOMPARE(plugin->undoStack->count(), 2);
    QCOMPARE(plugin->undoStack->undoText(), QString("Select graph objects"));
    QCOMPARE(item(RoadPath)->text(), QString("Yard "));

    QSharedPointer<RouteRecord> expected = beatRoute();
    expected->sections.last()->graphObjectIds = {8};
    expected->sections.last()->name = QStringLiteral("Yard ");
    saveAndCompare(int32(0) + routeBytes(*expected) + int32(-1) + idSet({}));
}

void tst_RouteEditing::actionStates_data()
{
    QTest::addColumn<QList<QList<int>>>("clicks"); // an empty path clicks beside the rows
    // Add route, Del route, Add section, Del section, Select objects, Select graphic objects.
    QTest::addColumn<QList<bool>>("enabled");
    QTest::addColumn<QList<bool>>("visible");
    QTest::addColumn<bool>("panelEnabled"); // the type mask's editing bit; no item has none

    const QList<bool> other{true, false, false, false, false, false};
    const QList<bool> editing{false, true, true, true, true, true};
    QTest::newRow("no item, after loading") << QList<QList<int>>() << other
                                            << QList<bool>{true, true, false, false, false, false}
                                            << true;
    QTest::newRow("plain node") << QList<QList<int>>{SparePath} << other
                                << QList<bool>{true, true, false, false, false, false} << true;
    QTest::newRow("route") << QList<QList<int>>{BeatPath} << editing
                           << QList<bool>{false, true, true, false, true, false} << true;
    QTest::newRow("section") << QList<QList<int>>{GatePath} << editing
                             << QList<bool>{false, false, true, true, false, true} << true;
    QTest::newRow("child node of a route") << QList<QList<int>>{SubPath} << other
                                           << QList<bool>{true, true, false, false, false, false}
                                           << true;
    QTest::newRow("plain node after a route: selection actions keep their visibility")
        << QList<QList<int>>{BeatPath, SparePath} << other
        << QList<bool>{true, true, false, false, true, false} << true;
    QTest::newRow("no item after a section")
        << QList<QList<int>>{GatePath, {}} << other
        << QList<bool>{true, true, false, false, false, true} << false;
    QTest::newRow("node without the editing bit") << QList<QList<int>>{LockedPath} << other
                                                  << QList<bool>{true, true, false, false, false,
                                                                 false}
                                                  << false;
}

void tst_RouteEditing::actionStates()
{
    QFETCH(QList<QList<int>>, clicks);
    QFETCH(QList<bool>, enabled);
    QFETCH(QList<bool>, visible);
    QFETCH(bool, panelEnabled);

    for (const QList<int> &path : clicks)
        click(path);
    const QList<QAction *> actions{plugin->addRouteAction, plugin->delRouteAction,
                                   plugin->addSectAction,  plugin->delSectAction,
                                   plugin->selObjsAction,  plugin->selGObjAction};
    QList<bool> isVisible;
    QList<bool> reportsEnabled;
    for (const QAction *action : actions) {
        isVisible << action->isVisible();
        reportsEnabled << action->isEnabled();
    }
    QCOMPARE(isVisible, visible);
    // Qt reports a hidden action as disabled; shown again, it has the state it was given.
    QList<bool> givenEnabled;
    for (int i = 0; i < actions.size(); ++i) {
        QCOMPARE(reportsEnabled.at(i), enabled.at(i) && visible.at(i));
        actions.at(i)->setVisible(true);
        givenEnabled << actions.at(i)->isEnabled();
    }
    QCOMPARE(givenEnabled, enabled);
    QCOMPARE(plugin->panProperties->isEnabled(), panelEnabled);
    QCOMPARE(plugin->addRouteAction->text(), QString("Add route"));
    QCOMPARE(plugin->selGObjAction->toolTip(), QString("Select graphic objects"));
}

void tst_RouteEditing::undoTexts_data()
{
    QTest::addColumn<QList<int>>("path");
    QTest::addColumn<Slot>("slot");
    QTest::addColumn<QString>("text");

    QTest::newRow("add route") << SparePath << Slot::AddRoute << "Add Route";
    QTest::newRow("delete route") << BeatPath << Slot::DelRoute << "Del Route";
    QTest::newRow("add section") << BeatPath << Slot::AddSect << "Add section";
    QTest::newRow("delete section") << GatePath << Slot::DelSect << "Del section";
    QTest::newRow("select objects") << BeatPath << Slot::SelObjs << "Select objects";
    QTest::newRow("select graphic objects") << GatePath << Slot::SelGObj
                                            << "Select graph objects";
}

void tst_RouteEditing::undoTexts()
{
    QFETCH(QList<int>, path);
    QFETCH(Slot, slot);
    QFETCH(QString, text);

    click(path);
    run(slot);
    QCOMPARE(plugin->undoStack->count(), 1);
    QCOMPARE(plugin->undoStack->undoText(), text);
    plugin->undoStack->undo();
    QCOMPARE(plugin->undoStack->redoText(), text);
    plugin->undoStack->redo();
    QCOMPARE(plugin->undoStack->undoText(), text);
}

void tst_RouteEditing::commandsOnWrongRowsChangeNothing_data()
{
    QTest::addColumn<QList<int>>("path");
    QTest::addColumn<Slot>("slot");

    QTest::newRow("delete route on a plain node") << SparePath << Slot::DelRoute;
    QTest::newRow("delete route on a section") << GatePath << Slot::DelRoute;
    QTest::newRow("delete section on a route") << BeatPath << Slot::DelSect;
    QTest::newRow("delete section on a child node") << SubPath << Slot::DelSect;
    QTest::newRow("add section beside every route") << SparePath << Slot::AddSect;
    QTest::newRow("objects accepted on a section") << GatePath << Slot::SelObjs;
    QTest::newRow("graphic objects accepted on a route") << BeatPath << Slot::SelGObj;
}

void tst_RouteEditing::commandsOnWrongRowsChangeNothing()
{
    QFETCH(QList<int>, path);
    QFETCH(Slot, slot);

    const QString before = treeDump();
    click(path);
    run(slot);
    plugin->undoStack->undo();
    plugin->undoStack->redo();
    QCOMPARE(treeDump(), before);
    QVERIFY(plugin->deletedRouteIds.isEmpty());
    saveAndCompare(QByteArray());
}

// Undoing "Add section" after its route was deleted and brought back removes the section.
void tst_RouteEditing::undoAddSectionAfterRouteRestored()
{
    const QString before = treeDump();
    click(BeatPath);
    plugin->onAddSectClicked();
    click(BeatPath);
    plugin->onDelRouteClicked();
    plugin->undoStack->undo();
    QCOMPARE(childTexts(BeatPath), QStringList({"Sub", "Gate", "Yard", "Road", "New section 4"}));
    plugin->undoStack->undo();
    QVERIFY(!plugin->undoStack->canUndo());

    QCOMPARE(childTexts(BeatPath), QStringList({"Sub", "Gate", "Yard", "Road"}));
    QCOMPARE(treeDump(), before);
    plugin->onSaveClicked();
    QCOMPARE(host->requests.size(), 0);
}

// A section brought back by undo keeps the route's next id above its own.
void tst_RouteEditing::restoredSectionRaisesMaxSectionId()
{
    click(RoadPath);
    plugin->onDelSectClicked();
    click(BeatPath);
    plugin->onDelRouteClicked();
    plugin->undoStack->undo();
    QCOMPARE(itemRoute(item(BeatPath))->maxSectionId, 2);
    plugin->undoStack->undo();
    RouteRecord *route = itemRoute(item(BeatPath));
    QCOMPARE(childTexts(BeatPath), QStringList({"Sub", "Gate", "Yard", "Road"}));
    QCOMPARE(route->sections.last()->id, 3);
    QVERIFY(route->maxSectionId >= 3);

    click(BeatPath);
    plugin->onAddSectClicked();
    QCOMPARE(route->sections.last()->id, 4);

    QSharedPointer<RouteRecord> expected = beatRoute();
    expected->sections.append(section(4, "New section 4"));
    plugin->onSaveClicked();
    QCOMPARE(host->requests.size(), 1);
    QCOMPARE(host->requests.last().body.toHex(),
             (int32(0) + routeBytes(*expected) + int32(-1) + idSet({})).toHex());
}

// Undoing a rename after its section was deleted and brought back renames it back.
void tst_RouteEditing::undoPropertyEditOfRestoredSection()
{
    click(GatePath);
    editText(Name, "North gate");
    plugin->onDelSectClicked();
    plugin->undoStack->undo();
    QCOMPARE(childTexts(BeatPath), QStringList({"Sub", "Yard", "Road", "North gate"}));
    plugin->undoStack->undo();
    QVERIFY(!plugin->undoStack->canUndo());

    const SectionRecord *gate = itemRoute(item(BeatPath))->sections.last();
    QCOMPARE(gate->name, QString("Gate"));
    QCOMPARE(item({0, 1, 3})->text(), QString("Gate"));
    // Gate came back last, so the route's new order is still to be saved.
    QCOMPARE(itemEditState(item(BeatPath)), int(EditState::Changed));
}

// A reload throws pending edits away, deletes included.
void tst_RouteEditing::reloadForgetsPendingDeletes()
{
    click(BeatPath);
    plugin->onDelRouteClicked();
    QCOMPARE(plugin->deletedRouteIds, QSet<int>({5}));
    reply("Get_tree_rulecheck", fixtureRuleTree());
    QVERIFY(itemRoute(item(BeatPath)));
    QVERIFY(!plugin->undoStack->canUndo());

    QVERIFY(plugin->deletedRouteIds.isEmpty());
    plugin->onSaveClicked();
    QCOMPARE(host->requests.size(), 0);
}

// Deleting a route and adding a new one on the same node replaces it on the server.
void tst_RouteEditing::routeDeletedAndAddedOnOneNode()
{
    click(BeatPath);
    plugin->onDelRouteClicked();
    QVERIFY(plugin->addRouteAction->isEnabled());
    plugin->onAddRouteClicked();
    QCOMPARE(itemRoute(item(BeatPath))->id, -5);
    QCOMPARE(childTexts(BeatPath), QStringList({"Sub"}));

    plugin->onSaveClicked();
    QCOMPARE(host->requests.size(), 1);
    RouteRecord expected(5);
    // The new route is stored under node 5's id, so 5 must not be deleted by the same save.
    QCOMPARE(host->requests.last().body.toHex(),
             (int32(5) + routeBytes(expected) + int32(-1) + idSet({})).toHex());
}

void tst_RouteEditing::commandsAfterTickingAnotherRow_data()
{
    QTest::addColumn<AfterTick>("action");

    QTest::newRow("rename in the table on show") << AfterTick::Rename;
    QTest::newRow("delete the route on show") << AfterTick::DeleteRoute;
}

// The table and the toolbar show one row; ticking another row's box must not redirect them.
void tst_RouteEditing::commandsAfterTickingAnotherRow()
{
    QFETCH(AfterTick, action);

    QStandardItem *spare = item(SparePath);
    if (action == AfterTick::Rename) {
        click(GatePath);
        spare->setCheckState(Qt::Checked);
        editText(Name, "Gate 2");
        QCOMPARE(cell(Name)->text(), QString("Gate 2"));
        QCOMPARE(itemSection(item(GatePath))->name, QString("Gate 2"));
        QSharedPointer<RouteRecord> expected = beatRoute();
        expected->sections.first()->name = QStringLiteral("Gate 2");
        plugin->onSaveClicked();
        QCOMPARE(host->requests.value(0).body.toHex(),
                 (int32(0) + routeBytes(*expected) + int32(-1) + idSet({})).toHex());
        return;
    }

    click(SparePath);
    plugin->onAddRouteClicked();
    click(BeatPath);
    spare->setCheckState(Qt::Checked);
    QVERIFY(plugin->delRouteAction->isEnabled());
    plugin->onDelRouteClicked();
    QCOMPARE(itemRoute(item(BeatPath)), nullptr);
    QVERIFY(itemRoute(spare));
    RouteRecord expected(17);
    plugin->onSaveClicked();
    QCOMPARE(host->requests.value(0).body.toHex(),
             (int32(17) + routeBytes(expected) + int32(-1) + idSet({5})).toHex());
}

QTEST_MAIN(tst_RouteEditing)
#include "tst_routeediting.moc"
