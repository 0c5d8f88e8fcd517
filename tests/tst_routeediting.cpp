// Adding and deleting routes and sections and choosing their objects through the panel's
// own slots, with undo and redo, each case ending with what a save sends.
#include "testsupport/EditingPanel.h"

#include <QAction>
#include <QTest>

using namespace TreeBodies;

namespace {

const QList<int> SparePath{0, 0};  // node 17, no route
const QList<int> BeatPath{0, 1};   // node 5, route 5, child node 6 first
const QList<int> GatePath{0, 1, 1};
const QList<int> YardPath{0, 1, 2};
const QList<int> RoadPath{0, 1, 3};
const QList<int> LockedPath{0, 2}; // node 30, type mask without the editing bit

enum class Slot { Show, AddRoute, DelRoute, AddSect, DelSect, SelObjs, SelGObj, Edit, Tick, Undo,
                  Redo };

// One step on the row at path (ticked, for Tick), else on the row on show. For Edit, text
// goes into the table's row; for the dialogs, it lists the entries toggled.
struct Op
{
    Slot slot;
    QList<int> path = {};
    QString text = QStringLiteral("North gate");
    int row = Name;
};

} // namespace

Q_DECLARE_METATYPE(Op)

class tst_RouteEditing : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup() { panel.reset(); }
    void commands_data();
    void commands();
    void actionStates_data();
    void actionStates();

private:
    QStandardItem *item(const QList<int> &path) const { return panel->item(path); }
    void run(const Op &op);
    QString save();

    std::unique_ptr<EditingPanel> panel;
    OperativeCheck *plugin = nullptr;
};

void tst_RouteEditing::init()
{
    panel = std::make_unique<EditingPanel>();
    plugin = panel->plugin.get();
    QSharedPointer<RouteRecord> beat =
        route(5, {tuned(section(1, "Gate", {7}, 3600, 4200), true, false, {10, 20, 30, 40}),
                  section(2, "Yard", {8}), section(3, "Road")});
    beat->objects = {11};
    beat->checkTimeType = 2;
    panel->reply("Get_tree_rulecheck",
                 ruleTree({node(1, "Depot", 3, {node(17, "Spare", 3),
                                                withRoute(node(5, "Beat", 3, {node(6, "Sub", 3)}), beat),
                                                node(30, "Locked", 1)})}));
    panel->addCarsAndMarks();
}

void tst_RouteEditing::run(const Op &op)
{
    if (op.slot == Slot::Tick)
        return item(op.path)->setCheckState(Qt::Checked);
    if (!op.path.isEmpty())
        panel->click(op.path);
    const bool objects = op.slot == Slot::SelObjs;
    switch (op.slot) {
    case Slot::Show: case Slot::Tick: break;
    case Slot::AddRoute: plugin->onAddRouteClicked(); break;
    case Slot::DelRoute: plugin->onDelRouteClicked(); break;
    case Slot::AddSect: plugin->onAddSectClicked(); break;
    case Slot::DelSect: plugin->onDelSectClicked(); break;
    case Slot::Edit: QVERIFY(panel->edit(op.row, op.text)); break;
    case Slot::Undo: plugin->undoStack()->undo(); break;
    case Slot::Redo: plugin->undoStack()->redo(); break;
    case Slot::SelObjs:
    case Slot::SelGObj: {
        objects ? plugin->onSelObjsClicked() : plugin->onSelGObjClicked();
        QDialog &dialog = objects ? static_cast<QDialog &>(plugin->objectsDialog())
                                  : plugin->graphObjDialog();
        if (!dialog.isVisible()) // opens only for its own kind of row
            return objects ? plugin->onSelObjsAccepted() : plugin->onSelGObjAccepted();
        QStandardItemModel *list = objects ? panel->objectsList() : plugin->graphObjDialog().model();
        for (const QString &name : op.text.split(',')) {
            QStandardItem *entry = list->findItems(name, Qt::MatchRecursive).value(0);
            QVERIFY(entry);
            entry->setCheckState(entry->checkState() ? Qt::Unchecked : Qt::Checked);
        }
        dialog.accept();
    }
    }
}

// What a save sends, in short: +node for a new route, =id for a changed one, -id for a deleted.
QString tst_RouteEditing::save()
{
    const int before = panel->host.requests.size();
    plugin->onSaveClicked();
    if (panel->host.requests.size() == before)
        return QString();
    const SentRequest &sent = panel->host.requests.last();
    QDataStream in(sent.command == "Fix_routes" ? sent.body : QByteArray());
    in.setVersion(QDataStream::Qt_4_5);
    QStringList entries;
    qint32 lead = 0;
    for (in >> lead; lead != -1 && in.status() == QDataStream::Ok; in >> lead) {
        std::unique_ptr<RouteRecord> route(RouteMessages::readRoute(in));
        entries << (lead ? QStringLiteral("+%1").arg(lead) : QStringLiteral("=%1").arg(route->id));
    }
    QSet<int> deleted;
    in >> deleted;
    for (int id : deleted)
        entries << QStringLiteral("-%1").arg(id);
    return in.status() == QDataStream::Ok && in.atEnd() ? entries.join(' ') : "unreadable";
}

void tst_RouteEditing::commands_data()
{
    QTest::addColumn<QList<Op>>("ops");
    QTest::addColumn<QStringList>("children"); // of the first op's node
    QTest::addColumn<QList<int>>("current");
    QTest::addColumn<QString>("saved");
    QTest::addColumn<QString>("shown"); // the record on show; empty: not compared
    QTest::addColumn<int>("drawn");     // shapes on the map; -1: not compared

    auto row = [](const char *name, const QList<Op> &ops, const QStringList &children,
                  const QList<int> &current, const char *saved, const char *shown = "",
                  int drawn = -1) {
        QTest::newRow(name) << ops << children << current << QString(saved) << QString(shown)
                            << drawn;
    };
    using S = Slot;
    const QStringList beat{"Sub", "Gate", "Yard", "Road"};
    const QStringList beat4 = beat + QStringList{"New section 4"};
    const char *gate = "Gate [7] 3600/4200 +600 10,20,30,40 10 on";

    row("add route", {{S::AddRoute, SparePath}}, {}, SparePath, "+17", "type 1 [] state 2");
    row("add route, undo: nothing deleted", {{S::AddRoute, SparePath}, {S::Undo}}, {}, SparePath,
        "");
    row("delete route: child nodes stay", {{S::DelRoute, BeatPath}}, {"Sub"}, BeatPath, "-5");
    row("delete route, undo: saved whole, as new", {{S::DelRoute, BeatPath}, {S::Undo}}, beat,
        BeatPath, "+5", "type 2 [11] state 2");
    // The new route is stored under node 5's id, so 5 must not be deleted by the same save.
    row("delete and add again on one node", {{S::DelRoute, BeatPath}, {S::AddRoute, BeatPath}},
        {"Sub"}, BeatPath, "+5");
    row("add section", {{S::AddSect, BeatPath}}, beat4, {0, 1, 4}, "=5",
        "New section 4 [] -1/-1 +0 0,0,0,0 11 off");
    row("add section on a section: appended to its route", {{S::AddSect, YardPath}}, beat4,
        {0, 1, 4}, "=5");
    row("add section, undo", {{S::AddSect, BeatPath}, {S::Undo}}, beat, BeatPath, "",
        "type 2 [11] state 0");
    row("add section, undo, redo: the id is not reused",
        {{S::AddSect, BeatPath}, {S::Undo}, {S::Redo}}, beat + QStringList{"New section 5"},
        {0, 1, 4}, "=5");
    row("delete first section, undo: back last, and saved so",
        {{S::DelSect, GatePath}, {S::Undo}}, {"Sub", "Yard", "Road", "Gate"}, RoadPath, "=5",
        gate);
    row("restored section raises the next id",
        {{S::DelSect, RoadPath}, {S::DelRoute, BeatPath}, {S::Undo}, {S::Undo},
         {S::AddSect, BeatPath}}, beat4, {0, 1, 4}, "=5");
    // The table and toolbar act on the row on show; ticking another row must not redirect them.
    row("rename after ticking another row", {{S::Show, GatePath}, {S::Tick, SparePath}, {S::Edit}},
        {"Sub", "North gate", "Yard", "Road"}, SparePath, "=5");
    row("delete route after ticking another row",
        {{S::AddRoute, SparePath}, {S::Show, BeatPath}, {S::Tick, SparePath}, {S::DelRoute}},
        {}, BeatPath, "+17 -5");
    // A new section takes the settings last edited, times zero when scheduled.
    row("template: tolerance of a scheduled section",
        {{S::Edit, GatePath, "30", InAhead}, {S::AddSect, BeatPath}}, beat4, {0, 1, 4}, "=5",
        "New section 4 [] 0/0 +600 30,20,30,40 10 on");
    row("template: message switch of an unscheduled section",
        {{S::Edit, YardPath, {}, MsgIn}, {S::AddSect, BeatPath}}, beat4, {0, 1, 4}, "=5",
        "New section 4 [] -1/-1 +0 0,0,0,0 01 off");
    // The dialogs' choice is one step: undone, nothing is left to save.
    row("objects replaced", {{S::SelObjs, BeatPath, "Car 11,Car 12"}}, beat, BeatPath, "=5",
        "type 2 [12] state 3");
    row("objects replaced, undo", {{S::SelObjs, BeatPath, "Car 11,Car 12"}, {S::Undo}}, beat,
        BeatPath, "", "type 2 [11] state 0");
    row("graphic objects: their names become the section's", {{S::SelGObj, RoadPath, "Gate,Yard"}},
        {"Sub", "Gate", "Yard", "Gate Yard "}, RoadPath, "=5",
        "Gate Yard  [7,8] -1/-1 +0 0,0,0,0 11 off");
    row("graphic objects, undo: list and name back in one step",
        {{S::SelGObj, RoadPath, "Gate,Yard"}, {S::Undo}}, beat, RoadPath, "",
        "Road [] -1/-1 +0 0,0,0,0 11 off");
    row("graphic objects, none: name kept", {{S::SelGObj, GatePath, "Gate"}}, beat, GatePath,
        "=5", "Gate [] 3600/4200 +600 10,20,30,40 10 on");
    // A shown route is drawn again around the change, and around its undo.
    row("graphic objects of a shown route", {{S::Tick, BeatPath}, {S::SelGObj, GatePath, "Post"}},
        {"Sub", "Gate Post ", "Yard", "Road"}, GatePath, "=5", "", 3);
    row("graphic objects of a shown route, undo",
        {{S::Tick, BeatPath}, {S::SelGObj, GatePath, "Post"}, {S::Undo}}, beat, GatePath, "", gate,
        2);
    // Commands on rows they do not apply to change nothing, undone and redone.
    const QList<QPair<const char *, Op>> misplaced{
        {"delete route on a plain node", {S::DelRoute, SparePath}},
        {"delete route on a section", {S::DelRoute, GatePath}},
        {"delete section on a route", {S::DelSect, BeatPath}},
        {"add section beside every route", {S::AddSect, SparePath}},
        {"objects on a section", {S::SelObjs, GatePath}},
        {"objects on a plain node", {S::SelObjs, SparePath}},
        {"graphic objects on a route", {S::SelGObj, BeatPath}}};
    for (const auto &op : misplaced) {
        const bool spare = op.second.path == SparePath;
        // Adding a section beside every route leaves no row on show.
        row(op.first, {op.second, {S::Undo}, {S::Redo}}, spare ? QStringList() : beat,
            op.second.slot == S::AddSect ? QList<int>() : op.second.path, "",
            spare ? "" : op.second.path == GatePath ? gate : "type 2 [11] state 0");
    }
}

void tst_RouteEditing::commands()
{
    QFETCH(QList<Op>, ops);
    QFETCH(QStringList, children);
    QFETCH(QList<int>, current);
    QFETCH(QString, saved);
    QFETCH(QString, shown);
    QFETCH(int, drawn);

    for (const Op &op : ops)
        run(op);
    QStandardItem *node = item(ops.first().path.mid(0, 2));
    QStringList texts;
    QList<SectionRecord *> sections;
    for (int row = 0; row < node->rowCount(); ++row) {
        texts << node->child(row)->text();
        if (SectionRecord *s = itemSection(node->child(row)))
            sections << s;
    }
    QCOMPARE(texts, children);
    QCOMPARE(plugin->mainView()->currentIndex(), item(current)->index());
    // Section rows are the route's sections in order; a check-mode cell marks a route.
    const RouteRecord *route = itemRoute(node);
    QCOMPARE(sections, route ? route->sections : QList<SectionRecord *>());
    QCOMPARE(node->parent()->child(node->row(), 1) != nullptr, route != nullptr);
    const QStandardItem *onShow = plugin->model()->itemFromIndex(plugin->currentMainIndex());
    if (!shown.isEmpty())
        QCOMPARE(summary(onShow), shown);
    // The table shows the row on show as it is now, and a new section's route is expanded.
    const QStringList table = panel->tableTexts();
    panel->click(QModelIndex());
    panel->click(plugin->model()->indexFromItem(onShow));
    QCOMPARE(panel->tableTexts(), table);
    QVERIFY(!onShow || plugin->panProperties()->isEnabled());
    if (ops.last().slot == Slot::AddSect)
        QVERIFY(plugin->mainView()->isExpanded(node->index()));
    if (drawn >= 0)
        QCOMPARE(panel->host.sectionList()->primitives.size(), drawn);
    QCOMPARE(save(), saved);
}

void tst_RouteEditing::actionStates_data()
{
    QTest::addColumn<QList<QList<int>>>("clicks"); // an empty path clicks beside the rows
    // One digit per action: add route, del route, add section, del section, objects, graphic;
    // visible, then enabled, then the panel (the type mask's editing bit; no item has none).
    QTest::addColumn<QString>("states");

    QTest::newRow("no item, after loading") << QList<QList<int>>() << "110000 100000 1";
    QTest::newRow("route") << QList<QList<int>>{BeatPath} << "011010 011111 1";
    QTest::newRow("section") << QList<QList<int>>{GatePath} << "001101 011111 1";
    QTest::newRow("plain node after a route: selection actions keep their visibility")
        << QList<QList<int>>{BeatPath, SparePath} << "110010 100000 1";
    QTest::newRow("no item after a section") << QList<QList<int>>{GatePath, {}} << "110001 100000 0";
    QTest::newRow("node without the editing bit") << QList<QList<int>>{LockedPath}
                                                  << "110000 100000 0";
}

void tst_RouteEditing::actionStates()
{
    QFETCH(QList<QList<int>>, clicks);
    QFETCH(QString, states);

    for (const QList<int> &path : clicks)
        panel->click(path);
    QString visible, enabled;
    const RouteEditActions &actions = plugin->editActions();
    for (QAction *action : {actions.addRoute(), actions.deleteRoute(), actions.addSection(),
                            actions.deleteSection(), actions.selectObjects(),
                            actions.selectGraphObjects()}) {
        visible += action->isVisible() ? '1' : '0';
        // Qt reports a hidden action as disabled; shown again, it has the state it was given.
        action->setVisible(true);
        enabled += action->isEnabled() ? '1' : '0';
    }
    QCOMPARE(visible + ' ' + enabled + ' ' + (plugin->panProperties()->isEnabled() ? '1' : '0'),
             states);
}

QTEST_MAIN(tst_RouteEditing)
#include "tst_routeediting.moc"
