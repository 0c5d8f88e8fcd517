// Adding and deleting routes and sections and choosing their objects, through the
// panel's own slots, each case ending with the bytes a save sends.
#include "testsupport/EditingPanel.h"

#include <QAction>
#include <QTest>

using namespace TreeBodies;

namespace {

const QList<int> SparePath{0, 0};  // node 17, no route
const QList<int> BeatPath{0, 1};   // node 5, route 5
const QList<int> SubPath{0, 1, 0}; // child node 6 of node 5
const QList<int> GatePath{0, 1, 1};
const QList<int> YardPath{0, 1, 2};
const QList<int> RoadPath{0, 1, 3};
const QList<int> LockedPath{0, 2}; // node 30, type mask without the editing bit

enum class Slot { Show, AddRoute, DelRoute, AddSect, DelSect, SelObjs, SelGObj, Edit, Tick, Undo,
                  Redo, Reload };

// One step: path is clicked first (ticked, for Tick); an empty path edits the row on show.
struct Op
{
    Op(Slot slot = Slot::Show, const QList<int> &path = {}, int row = Name,
       const QString &text = QStringLiteral("North gate"))
        : slot(slot), path(path), row(row), text(text) {}
    Slot slot;
    QList<int> path;
    int row; // of the property table, for Edit
    QString text;
};

// The route of node 5 as the server holds it; each call builds it anew.
QSharedPointer<RouteRecord> beatRoute()
{
    QSharedPointer<RouteRecord> r =
        route(5, {tuned(section(1, "Gate", {7}, 3600, 4200), true, false, {10, 20, 30, 40}),
                  section(2, "Yard", {8}), section(3, "Road")});
    r->objects = {11};
    r->checkTimeType = 2;
    r->fifthField = 77;
    return r;
}

// Node 5's route, changed by edit, as an update save.
template <typename Edit>
QByteArray beatSaved(Edit edit)
{
    QSharedPointer<RouteRecord> r = beatRoute();
    edit(*r);
    return fixBody(0, r.data());
}

// Node 5's route with a new section appended.
QByteArray newSectionBody(int id)
{
    return beatSaved([id](RouteRecord &r) {
        r.sections.append(section(id, QStringLiteral("New section %1").arg(id)));
    });
}

QByteArray fixtureRuleTree()
{
    Node beat = withRoute(node(5, "Beat", 3, {node(6, "Sub", 3)}), beatRoute());
    return ruleTree({node(1, "Depot", 3, {node(17, "Spare", 3), beat, node(30, "Locked", 1)})});
}

} // namespace

Q_DECLARE_METATYPE(Op)

class tst_RouteEditing : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void commands_data();
    void commands();
    void addedRows();
    void objectChoice_data();
    void objectChoice();
    void mapFollowsGraphicObjectChange_data();
    void mapFollowsGraphicObjectChange();
    void actionStates_data();
    void actionStates();

private:
    QStandardItem *item(const QList<int> &path) const { return panel->item(path); }
    QStandardItem *cell(int row) const { return panel->cell(row); }
    void click(const QList<int> &path) { panel->click(path); }
    void edit(int row, const QString &text = QString()) { QVERIFY(panel->edit(row, text)); }
    void run(const Op &op);
    QStringList childTexts(const QList<int> &path) const;
    QString dump(const QStandardItem *parent) const;
    QList<QPoint> drawnOrigins() const;
    // Saves and checks the one request sent; an empty expected body means nothing is sent.
    void saveAndCompare(const QByteArray &expected);

    std::unique_ptr<EditingPanel> panel;
    OperativeCheck *plugin = nullptr;
    FakeHost *host = nullptr;
};

void tst_RouteEditing::init()
{
    panel = std::make_unique<EditingPanel>();
    plugin = panel->plugin.get();
    host = &panel->host;
    panel->reply("Get_tree_rulecheck", fixtureRuleTree());
    panel->addCarsAndMarks();
}

void tst_RouteEditing::cleanup()
{
    panel.reset();
}

void tst_RouteEditing::run(const Op &op)
{
    if (op.slot == Slot::Tick) {
        item(op.path)->setCheckState(Qt::Checked);
        return;
    }
    if (!op.path.isEmpty())
        click(op.path);
    switch (op.slot) {
    case Slot::Show: case Slot::Tick: break;
    case Slot::AddRoute: plugin->onAddRouteClicked(); break;
    case Slot::DelRoute: plugin->onDelRouteClicked(); break;
    case Slot::AddSect: plugin->onAddSectClicked(); break;
    case Slot::DelSect: plugin->onDelSectClicked(); break;
    case Slot::SelObjs:
        plugin->onSelObjsClicked();
        plugin->onSelObjsAccepted();
        break;
    case Slot::SelGObj:
        plugin->onSelGObjClicked();
        plugin->onSelGObjAccepted();
        break;
    case Slot::Edit: edit(op.row, op.text); break;
    case Slot::Undo: plugin->undoStack()->undo(); break;
    case Slot::Redo: plugin->undoStack()->redo(); break;
    case Slot::Reload: panel->reply("Get_tree_rulecheck", fixtureRuleTree()); break;
    }
}

QStringList tst_RouteEditing::childTexts(const QList<int> &path) const
{
    QStringList texts;
    const QStandardItem *parent = item(path);
    for (int row = 0; parent && row < parent->rowCount(); ++row)
        texts << parent->child(row)->text();
    return texts;
}

// Texts, check-mode cells and saved form of every route below parent.
QString tst_RouteEditing::dump(const QStandardItem *parent) const
{
    QString text;
    for (int row = 0; row < parent->rowCount(); ++row) {
        const QStandardItem *mode = parent->child(row, 1);
        text += QStringLiteral("(%1 %2 ").arg(parent->child(row)->text(),
                                              mode ? mode->text() : QStringLiteral("-"));
        if (const RouteRecord *route = itemRoute(parent->child(row)))
            text += fixBody(0, route).toHex();
        text += dump(parent->child(row)) + QLatin1Char(')');
    }
    return text;
}

// Where each primitive on the section layer starts: first vertex, or an icon's place.
QList<QPoint> tst_RouteEditing::drawnOrigins() const
{
    QList<QPoint> origins;
    for (const MapQt::MapPrimitive *primitive : host->sectionList()->primitives) {
        const auto *trace = dynamic_cast<const MapQt::MapTrace *>(primitive);
        origins << (trace && trace->count > 0 ? QPoint(trace->points[0].x, trace->points[0].y)
                                              : QPoint(primitive->x, primitive->y));
    }
    return origins;
}

void tst_RouteEditing::saveAndCompare(const QByteArray &expected)
{
    const int before = host->requests.size();
    plugin->onSaveClicked();
    QCOMPARE(host->requests.size(), before + (expected.isEmpty() ? 0 : 1));
    if (expected.isEmpty())
        return;
    QCOMPARE(host->requests.last().server, QByteArray("OperCheck_Server1"));
    QCOMPARE(host->requests.last().command, QByteArray("Fix_routes"));
    QCOMPARE(host->requests.last().body.toHex(), expected.toHex());
}

void tst_RouteEditing::commands_data()
{
    QTest::addColumn<QList<Op>>("ops");
    QTest::addColumn<QStringList>("children"); // of the first op's node
    QTest::addColumn<QList<int>>("current");   // empty: not compared
    QTest::addColumn<QByteArray>("body");      // empty: nothing saved, the tree as loaded

    auto row = [](const char *name, const QList<Op> &ops, const QStringList &children,
                  const QList<int> &current, const QByteArray &body) {
        QTest::newRow(name) << ops << children << current << body;
    };
    using S = Slot;
    const QStringList beat{"Sub", "Gate", "Yard", "Road"};
    const QStringList beat4 = beat + QStringList{"New section 4"};
    const RouteRecord route17(17), route5(5);
    const QByteArray gateLast = beatSaved([](RouteRecord &r) { r.sections.move(0, 2); });

    row("add route", {{S::AddRoute, SparePath}}, {}, SparePath, fixBody(17, &route17));
    row("add route, undo", {{S::AddRoute, SparePath}, {S::Undo}}, {}, SparePath, {});
    row("delete route", {{S::DelRoute, BeatPath}}, {"Sub"}, BeatPath, fixBody(0, nullptr, {5}));
    row("delete route, undo: saved whole, as new", {{S::DelRoute, BeatPath}, {S::Undo}}, beat,
        BeatPath, fixBody(5, beatRoute().data()));
    row("delete route, undo, redo", {{S::DelRoute, BeatPath}, {S::Undo}, {S::Redo}}, {"Sub"},
        BeatPath, fixBody(0, nullptr, {5}));
    // The new route is stored under node 5's id, so 5 must not be deleted by the same save.
    row("delete and add again on one node", {{S::DelRoute, BeatPath}, {S::AddRoute, BeatPath}},
        {"Sub"}, BeatPath, fixBody(5, &route5));
    row("delete route, reload: the delete forgotten", {{S::DelRoute, BeatPath}, {S::Reload}},
        beat, {}, {});
    row("add section", {{S::AddSect, BeatPath}}, beat4, {0, 1, 4}, newSectionBody(4));
    row("add section on a section: appended to its route", {{S::AddSect, YardPath}}, beat4,
        {0, 1, 4}, newSectionBody(4));
    row("add section, undo", {{S::AddSect, BeatPath}, {S::Undo}}, beat, BeatPath, {});
    row("add section, undo, redo: the id is not reused",
        {{S::AddSect, BeatPath}, {S::Undo}, {S::Redo}}, beat + QStringList{"New section 5"},
        {0, 1, 4}, newSectionBody(5));
    row("add section, delete route, undo both",
        {{S::AddSect, BeatPath}, {S::DelRoute, BeatPath}, {S::Undo}, {S::Undo}}, beat, {}, {});
    row("delete first section", {{S::DelSect, GatePath}}, {"Sub", "Yard", "Road"}, BeatPath,
        beatSaved([](RouteRecord &r) { delete r.sections.takeFirst(); }));
    row("delete first section, undo: back last, and saved so",
        {{S::DelSect, GatePath}, {S::Undo}}, {"Sub", "Yard", "Road", "Gate"}, RoadPath, gateLast);
    // A section brought back keeps the route's next id above its own.
    row("restored section raises the next id",
        {{S::DelSect, RoadPath}, {S::DelRoute, BeatPath}, {S::Undo}, {S::Undo},
         {S::AddSect, BeatPath}}, beat4, {0, 1, 4}, newSectionBody(4));
    row("rename of a restored section undone",
        {{S::Edit, GatePath}, {S::DelSect}, {S::Undo}, {S::Undo}},
        {"Sub", "Yard", "Road", "Gate"}, {}, gateLast);
    // The table and toolbar show one row; ticking another row's box must not redirect them.
    row("rename after ticking another row", {{S::Show, GatePath}, {S::Tick, SparePath}, {S::Edit}},
        {"Sub", "North gate", "Yard", "Road"}, {},
        beatSaved([](RouteRecord &r) { r.sections.first()->name = "North gate"; }));
    row("delete route after ticking another row",
        {{S::AddRoute, SparePath}, {S::Show, BeatPath}, {S::Tick, SparePath}, {S::DelRoute}},
        {}, BeatPath, fixBody(17, &route17, {5}));

    // A new section takes the settings last edited, times zero when scheduled.
    row("template: tolerance of a scheduled section",
        {{S::Edit, GatePath, InAhead, "30"}, {S::AddSect, BeatPath}}, beat4, {0, 1, 4},
        beatSaved([](RouteRecord &r) {
            r.sections[0]->checkTimeInAhead = 30;
            r.sections << tuned(section(4, "New section 4", {}, 0, 0), true, false,
                                {30, 20, 30, 40});
        }));
    row("template: message switch of an unscheduled section",
        {{S::Edit, YardPath, MsgIn, QString()}, {S::AddSect, BeatPath}}, beat4, {0, 1, 4},
        beatSaved([](RouteRecord &r) {
            r.sections[1]->messageOnTimeIn = false;
            r.sections << tuned(section(4, "New section 4"), false, true, {0, 0, 0, 0});
        }));
    row("template: schedule switched on",
        {{S::Edit, YardPath, Schedule, QString()}, {S::AddSect, BeatPath}}, beat4, {0, 1, 4},
        beatSaved([](RouteRecord &r) {
            r.sections[1]->checkTimeIn = r.sections[1]->checkTimeOut = 1;
            r.sections << section(4, "New section 4", {}, 0, 0);
        }));

    // Commands on rows they do not apply to change nothing, undone and redone.
    const QList<QPair<const char *, Op>> misplaced{
        {"delete route on a plain node", {S::DelRoute, SparePath}},
        {"delete route on a section", {S::DelRoute, GatePath}},
        {"delete section on a route", {S::DelSect, BeatPath}},
        {"delete section on a child node", {S::DelSect, SubPath}},
        {"add section beside every route", {S::AddSect, SparePath}},
        {"objects on a section", {S::SelObjs, GatePath}},
        {"objects on a plain node", {S::SelObjs, SparePath}},
        {"graphic objects on a route", {S::SelGObj, BeatPath}},
        {"graphic objects on a child node", {S::SelGObj, SubPath}}};
    for (const auto &op : misplaced) {
        row(op.first, {op.second, {S::Undo}, {S::Redo}},
            op.second.path.mid(0, 2) == SparePath ? QStringList() : beat, {}, {});
    }
}

void tst_RouteEditing::commands()
{
    QFETCH(QList<Op>, ops);
    QFETCH(QStringList, children);
    QFETCH(QList<int>, current);
    QFETCH(QByteArray, body);

    const QString before = dump(plugin->model()->invisibleRootItem());
    for (const Op &op : ops)
        run(op);

    // A dialog opens only for its own kind of row.
    QVERIFY(!plugin->objectsDialog().isVisible());
    QVERIFY(!plugin->graphObjDialog().isVisible());
    const QList<int> nodePath = ops.first().path.mid(0, 2);
    QCOMPARE(childTexts(nodePath), children);
    if (!current.isEmpty())
        QCOMPARE(plugin->mainView()->currentIndex(), item(current)->index());
    // Section rows are the route's sections in order; a check-mode cell marks a route.
    QStandardItem *nodeItem = item(nodePath);
    const RouteRecord *route = itemRoute(nodeItem);
    QList<SectionRecord *> shown;
    for (int row = 0; row < nodeItem->rowCount(); ++row) {
        if (SectionRecord *s = itemSection(nodeItem->child(row)))
            shown << s;
    }
    QCOMPARE(shown, route ? route->sections : QList<SectionRecord *>());
    QCOMPARE(nodeItem->parent()->child(nodeItem->row(), 1) != nullptr, route != nullptr);
    if (body.isEmpty())
        QCOMPARE(dump(plugin->model()->invisibleRootItem()), before);
    saveAndCompare(body);
}

// What an added route and section look like, and the route's id once saved.
void tst_RouteEditing::addedRows()
{
    click(SparePath);
    plugin->onAddRouteClicked();
    QStandardItem *spare = item(SparePath);
    QCOMPARE(itemRoute(spare)->id, -17); // not on the server yet
    QCOMPARE(itemEditState(spare), int(EditState::New));
    QCOMPARE(spare->parent()->child(spare->row(), 1)->text(), QString("Check off"));
    QCOMPARE(plugin->panProperties()->propertyModel()->rowCount(), 2);

    plugin->onAddSectClicked();
    QStandardItem *added = spare->child(0);
    QCOMPARE(itemSection(added)->id, 1);
    QVERIFY(!added->isCheckable());
    QVERIFY(!added->isEditable());
    QCOMPARE(added->data(ItemRole::NodeId).toInt(), 17);
    QVERIFY(plugin->mainView()->isExpanded(spare->index()));
    QCOMPARE(plugin->currentMainIndex(), QPersistentModelIndex(added->index()));
    QCOMPARE(cell(Name)->text(), QString("New section 1"));

    plugin->onSaveClicked();
    QCOMPARE(itemRoute(spare)->id, 17);
}

void tst_RouteEditing::objectChoice_data()
{
    QTest::addColumn<QList<int>>("path");
    QTest::addColumn<QStringList>("before"); // ticked when the dialog opens
    QTest::addColumn<QStringList>("ticks");  // a leading minus unticks
    QTest::addColumn<int>("row");            // of the property table showing the choice
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QByteArray>("body");

    auto objects = [](QList<int> ids) {
        return beatSaved([ids](RouteRecord &r) { r.objects = ids; });
    };
    auto graphic = [](int index, QList<int> ids, QString name) {
        return beatSaved([=](RouteRecord &r) {
            r.sections.at(index)->graphObjectIds = ids;
            r.sections.at(index)->name = name;
        });
    };
    QTest::newRow("objects: list replaced") << BeatPath << QStringList{"Car 11"}
        << QStringList{"-Car 11", "Car 12", "Car 13"} << 1 << "Car 12, Car 13" << objects({12, 13});
    QTest::newRow("objects: a ticked group ticks its objects") << BeatPath << QStringList{"Car 11"}
        << QStringList{"Group"} << 1 << "Car 11, Car 12, Car 13" << objects({11, 12, 13});
    QTest::newRow("objects: nothing ticked") << BeatPath << QStringList{"Car 11"}
        << QStringList{"-Car 11"} << 1 << "" << objects({});
    QTest::newRow("graphic: two ticked, section renamed") << RoadPath << QStringList()
        << QStringList{"Gate", "Yard"} << int(Name) << "Gate Yard "
        << graphic(2, {7, 8}, "Gate Yard ");
    QTest::newRow("graphic: tree order, not tick order") << RoadPath << QStringList()
        << QStringList{"Post", "Gate"} << int(Name) << "Gate Post "
        << graphic(2, {7, 9}, "Gate Post ");
    QTest::newRow("graphic: a ticked layer ticks its objects") << RoadPath << QStringList()
        << QStringList{"Marks"} << int(Name) << "Gate Yard Post "
        << graphic(2, {7, 8, 9}, "Gate Yard Post ");
    QTest::newRow("graphic: nothing ticked, name kept") << GatePath << QStringList{"Gate"}
        << QStringList{"-Gate"} << int(Name) << "Gate" << graphic(0, {}, "Gate");
}

// Through the dialogs' own Ok, then undone (nothing to save) and redone.
void tst_RouteEditing::objectChoice()
{
    QFETCH(QList<int>, path);
    QFETCH(QStringList, before);
    QFETCH(QStringList, ticks);
    QFETCH(int, row);
    QFETCH(QString, shown);
    QFETCH(QByteArray, body);

    const bool objects = path == BeatPath;
    click(path);
    const QString shownBefore = cell(row)->text();
    QDialog *dialog = objects ? static_cast<QDialog *>(&plugin->objectsDialog())
                              : static_cast<QDialog *>(&plugin->graphObjDialog());
    objects ? plugin->onSelObjsClicked() : plugin->onSelGObjClicked();
    QVERIFY(dialog->isVisible());
    const QStandardItemModel *list =
        objects ? panel->objectsList() : plugin->graphObjDialog().model();
    auto find = [list](const QString &text) {
        return list->findItems(text, Qt::MatchExactly | Qt::MatchRecursive).value(0);
    };
    QStringList ticked;
    for (const char *name : {"Car 11", "Car 12", "Car 13", "Gate", "Yard", "Post"}) {
        if (find(name) && find(name)->checkState() == Qt::Checked)
            ticked << name;
    }
    QCOMPARE(ticked, before);
    for (const QString &tick : ticks) {
        const bool off = tick.startsWith('-');
        find(off ? tick.mid(1) : tick)->setCheckState(off ? Qt::Unchecked : Qt::Checked);
    }

    dialog->accept();
    QVERIFY(!dialog->isVisible());
    QCOMPARE(plugin->undoStack()->count(), 1);
    QCOMPARE(cell(row)->text(), shown);
    if (!objects)
        QCOMPARE(item(path)->text(), shown);
    plugin->undoStack()->undo();
    QCOMPARE(cell(row)->text(), shownBefore);
    saveAndCompare(QByteArray());
    plugin->undoStack()->redo();
    saveAndCompare(body);
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
    plugin->graphObjDialog().model()->findItems("Gate", Qt::MatchExactly | Qt::MatchRecursive)
        .first()->setCheckState(Qt::Unchecked);
    plugin->graphObjDialog().model()->findItems("Post", Qt::MatchExactly | Qt::MatchRecursive)
        .first()->setCheckState(Qt::Checked);
    plugin->onSelGObjAccepted();
    QCOMPARE(drawnOrigins(), after);
    QCOMPARE(host->refreshCount() > 0, shown);
    QCOMPARE(host->mapCalls.size(), host->refreshCount());
    if (shown)
        QCOMPARE(host->mapCalls.last().mapId, 1);

    host->mapCalls.clear();
    plugin->undoStack()->undo();
    QCOMPARE(drawnOrigins(), before);
    QCOMPARE(host->refreshCount() > 0, shown);
    plugin->undoStack()->redo();
    QCOMPARE(drawnOrigins(), after);
}

void tst_RouteEditing::actionStates_data()
{
    QTest::addColumn<QList<QList<int>>>("clicks"); // an empty path clicks beside the rows
    // One digit per action: add route, del route, add section, del section, objects, graphic.
    QTest::addColumn<QString>("enabled");
    QTest::addColumn<QString>("visible");
    QTest::addColumn<bool>("panelEnabled"); // the type mask's editing bit; no item has none

    QTest::newRow("no item, after loading") << QList<QList<int>>() << "100000" << "110000" << true;
    QTest::newRow("plain node") << QList<QList<int>>{SparePath} << "100000" << "110000" << true;
    QTest::newRow("route") << QList<QList<int>>{BeatPath} << "011111" << "011010" << true;
    QTest::newRow("section") << QList<QList<int>>{GatePath} << "011111" << "001101" << true;
    QTest::newRow("child node of a route") << QList<QList<int>>{SubPath} << "100000" << "110000"
                                           << true;
    QTest::newRow("plain node after a route: selection actions keep their visibility")
        << QList<QList<int>>{BeatPath, SparePath} << "100000" << "110010" << true;
    QTest::newRow("no item after a section")
        << QList<QList<int>>{GatePath, {}} << "100000" << "110001" << false;
    QTest::newRow("node without the editing bit") << QList<QList<int>>{LockedPath} << "100000"
                                                  << "110000" << false;
}

void tst_RouteEditing::actionStates()
{
    QFETCH(QList<QList<int>>, clicks);
    QFETCH(QString, enabled);
    QFETCH(QString, visible);
    QFETCH(bool, panelEnabled);

    for (const QList<int> &path : clicks)
        click(path);
    QString isVisible, reported, given;
    const RouteEditActions &actions = plugin->editActions();
    for (QAction *action : {actions.addRoute(), actions.deleteRoute(), actions.addSection(),
                            actions.deleteSection(), actions.selectObjects(),
                            actions.selectGraphObjects()}) {
        isVisible += action->isVisible() ? '1' : '0';
        reported += action->isEnabled() ? '1' : '0';
        // Qt reports a hidden action as disabled; shown again, it has the state it was given.
        action->setVisible(true);
        given += action->isEnabled() ? '1' : '0';
    }
    QCOMPARE(isVisible, visible);
    QCOMPARE(given, enabled);
    for (int i = 0; i < reported.size(); ++i)
        QCOMPARE(reported.at(i) == '1', enabled.at(i) == '1' && visible.at(i) == '1');
    QCOMPARE(plugin->panProperties()->isEnabled(), panelEnabled);
}

QTEST_MAIN(tst_RouteEditing)
#include "tst_routeediting.moc"
