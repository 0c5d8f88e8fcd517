// Adding and deleting routes and sections and choosing their objects through the panel's own
// slots, with undo and redo, each case ending with what a save sends.
#include "testsupport/EditingPanel.h"
#include "testsupport/PanelProbe.h"

#include <QAction>
#include <QTest>

using namespace TreeBodies;

namespace {

const QList<int> SparePath{0, 0}; // node 17, no route
const QList<int> BeatPath{0, 1};  // node 5, route 5, child node 6 first
const QList<int> GatePath{0, 1, 1};
const QList<int> YardPath{0, 1, 2};
const QList<int> RoadPath{0, 1, 3};

enum class Slot { Show, AddRoute, DelRoute, AddSect, DelSect, SelObjs, SelGObj, Edit, Tick, Undo,
                  Redo };

// One step on the row at path (ticked, for Tick), else on the row on show. For Edit, text goes
// into the table's row; for the dialogs, it names the entries toggled.
struct Op
{
    Slot slot;
    QList<int> path = {};
    QString text = QStringLiteral("North gate");
    int row = Name;
};

// The steps; then the children of the first step's node, the row current, what a save sends,
// the record on show (empty: not compared), the shapes on the map (-1: not compared).
struct Case { QList<Op> ops; QStringList children; QList<int> current; QString saved, shown;
              int drawn; };

} // namespace

Q_DECLARE_METATYPE(Op)
Q_DECLARE_METATYPE(Case)

class tst_RouteEditing : public QObject
{
    Q_OBJECT

    std::unique_ptr<EditingPanel> panel;
    OperativeCheck *plugin = nullptr;

    QStandardItem *item(const QList<int> &path) const { return panel->item(path); }

    void run(const Op &op)
    {
        if (op.slot == Slot::Tick)
            return item(op.path)->setCheckState(Qt::Checked);
        if (!op.path.isEmpty())
            panel->click(op.path);
        const bool objects = op.slot == Slot::SelObjs;
        switch (op.slot) {
        case Slot::Show: case Slot::Tick: break;
        case Slot::AddRoute: plugin->onAddRouteClicked(); break;
        case Slot::DelRoute: // asks first, naming the route; a "Cancel" step says no
            PanelProbe::answerMessageBox(op.text == "Cancel" ? QMessageBox::Cancel
                                         : QMessageBox::Yes, '"' + item(op.path)->text() + '"');
            plugin->onDelRouteClicked();
            break;
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
            QStandardItemModel *list =
                objects ? panel->objectsList() : plugin->graphObjDialog().model();
            for (const QString &name : op.text.split(',')) {
                QStandardItem *entry = list->findItems(name, Qt::MatchRecursive).value(0);
                QVERIFY(entry);
                entry->setCheckState(entry->checkState() ? Qt::Unchecked : Qt::Checked);
            }
            dialog.accept();
        }
        }
    }

    // What a save sends, in short: +node for a new route, =id for a changed one, -id deleted.
    QString save()
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
            entries << (lead ? QStringLiteral("+%1").arg(lead)
                             : QStringLiteral("=%1").arg(route->id));
        }
        QSet<int> deleted;
        in >> deleted;
        for (int id : deleted)
            entries << QStringLiteral("-%1").arg(id);
        return in.status() == QDataStream::Ok && in.atEnd() ? entries.join(' ') : "unreadable";
    }

private slots:
    void init()
    {
        panel = std::make_unique<EditingPanel>();
        plugin = panel->plugin.get();
        QSharedPointer<RouteRecord> beat =
            route(5, {tuned(section(1, "Gate", {7}, 3600, 4200), true, false, {10, 20, 30, 40}),
                      section(2, "Yard", {8}), section(3, "Road")});
        beat->objects = {11};
        beat->checkTimeType = 2;
        const QList<Node> nodes{node(17, "Spare", 3),
                                withRoute(node(5, "Beat", 3, {node(6, "Sub", 3)}), beat),
                                node(30, "Locked", 1)};
        panel->reply("Get_tree_rulecheck", ruleTree({node(1, "Depot", 3, nodes)}));
        panel->addCarsAndMarks();
    }

    void cleanup() { panel.reset(); }

    void commands_data()
    {
        QTest::addColumn<Case>("c");
        auto row = [](const char *name, const QList<Op> &ops, const QStringList &children,
                      const QList<int> &current, const char *saved, const char *shown = "",
                      int drawn = -1) {
            QTest::newRow(name) << Case{ops, children, current, saved, shown, drawn};
        };
        using S = Slot;
        const QStringList beat{"Sub", "Gate", "Yard", "Road"};
        const QStringList beat4 = beat + QStringList{"New section 4"};
        const char *gate = "Gate [7] 3600/4200 +600 10,20,30,40 10 on";
        const char *untouched = "type 2 [11] state 0";
        row("add route", {{S::AddRoute, SparePath}}, {}, SparePath, "+17", "type 1 [] state 2");
        row("add route, undo: nothing deleted", {{S::AddRoute, SparePath}, {S::Undo}}, {},
            SparePath, "");
        row("delete route: child nodes stay", {{S::DelRoute, BeatPath}}, {"Sub"}, BeatPath, "-5");
        row("delete route, cancelled: kept", {{S::DelRoute, BeatPath, "Cancel"}}, beat, BeatPath,
            "", untouched);
        row("delete route, undo: saved whole, as new", {{S::DelRoute, BeatPath}, {S::Undo}}, beat,
            BeatPath, "+5", "type 2 [11] state 2");
        row("add section on a section: appended to its route", {{S::AddSect, YardPath}}, beat4,
            {0, 1, 4}, "=5");
        row("add section, undo, redo: the id is not reused",
            {{S::AddSect, BeatPath}, {S::Undo}, {S::Redo}}, beat + QStringList{"New section 5"},
            {0, 1, 4}, "=5");
        row("delete first section, undo: back last, and saved so",
            {{S::DelSect, GatePath}, {S::Undo}}, {"Sub", "Yard", "Road", "Gate"}, RoadPath, "=5",
            gate);
        // The table and toolbar act on the row on show, not on a row whose box was ticked.
        row("rename after ticking another row",
            {{S::Show, GatePath}, {S::Tick, SparePath}, {S::Edit}},
            {"Sub", "North gate", "Yard", "Road"}, GatePath, "=5");
        // A new section takes the settings last edited, times zero when scheduled.
        row("template from the last edit", {{S::Edit, GatePath, "30", InAhead}, {S::AddSect}},
            beat4, {0, 1, 4}, "=5", "New section 4 [] 0/0 +600 30,20,30,40 10 on");
        // A choice in a dialog is one step: undone, nothing is left to save.
        row("objects replaced, undo", {{S::SelObjs, BeatPath, "Car 11,Car 12"}, {S::Undo}}, beat,
            BeatPath, "", untouched);
        // A shown route is drawn again around the change, and around its undo.
        row("graphic objects: their names become the section's",
            {{S::Tick, BeatPath}, {S::SelGObj, GatePath, "Post"}},
            {"Sub", "Gate Post ", "Yard", "Road"}, GatePath, "=5",
            "Gate Post  [7,9] 3600/4200 +600 10,20,30,40 10 on", 3);
        row("graphic objects, undo: list and name back in one step",
            {{S::Tick, BeatPath}, {S::SelGObj, GatePath, "Post"}, {S::Undo}}, beat, GatePath, "",
            gate, 2);
    }

    void commands()
    {
        QFETCH(Case, c);
        for (const Op &op : c.ops)
            run(op);
        QStandardItem *node = item(c.ops.first().path.mid(0, 2));
        QStringList texts;
        QList<SectionRecord *> sections;
        for (int row = 0; row < node->rowCount(); ++row) {
            texts << node->child(row)->text();
            if (SectionRecord *s = itemSection(node->child(row))) {
                sections << s;
                QCOMPARE(node->child(row)->data(ItemRole::NodeId), node->data(ItemRole::NodeId));
            }
        }
        QCOMPARE(texts, c.children);
        QCOMPARE(plugin->mainView()->currentIndex(), item(c.current)->index());
        // Section rows are the route's sections in order; a check-mode cell marks a route.
        const RouteRecord *route = itemRoute(node);
        QCOMPARE(sections, route ? route->sections : QList<SectionRecord *>());
        QCOMPARE(node->parent()->child(node->row(), 1) != nullptr, route != nullptr);
        const QStandardItem *onShow = plugin->model()->itemFromIndex(plugin->currentMainIndex());
        if (!c.shown.isEmpty())
            QCOMPARE(summary(onShow), c.shown);
        // The table shows the row on show as it is now, editable; a new section's route is open.
        const QStringList table = panel->tableTexts();
        panel->click(QModelIndex());
        panel->click(plugin->model()->indexFromItem(onShow));
        QCOMPARE(panel->tableTexts(), table);
        QVERIFY(!onShow || plugin->panProperties()->isEnabled());
        if (c.ops.last().slot == Slot::AddSect)
            QVERIFY(plugin->mainView()->isExpanded(node->index()));
        if (c.drawn >= 0)
            QCOMPARE(panel->host.sectionList()->primitives.size(), c.drawn);
        QCOMPARE(save(), c.saved);
    }

    void actionStates_data()
    {
        QTest::addColumn<QList<Op>>("ops"); // run before the states are read
        // Per action (add route, del route, add section, del section, objects, graphic), shown,
        // then enabled; then the panel, enabled by the editing bit of the row's type mask.
        QTest::addColumn<QString>("states");
        QTest::newRow("no item, after loading") << QList<Op>() << "110100 100000 1";
        QTest::newRow("route") << QList<Op>{{Slot::Show, BeatPath}} << "011110 011011 1";
        QTest::newRow("section") << QList<Op>{{Slot::Show, GatePath}} << "011101 001111 1";
        QTest::newRow("plain node after a route: selection actions keep their visibility")
            << QList<Op>{{Slot::Show, BeatPath}, {Slot::Show, SparePath}} << "110110 100000 1";
        QTest::newRow("node without the editing bit") << QList<Op>{{Slot::Show, {0, 2}}}
                                                      << "110100 100000 0";
        QTest::newRow("section deleted: its route on show")
            << QList<Op>{{Slot::DelSect, GatePath}} << "011110 011011 1";
        QTest::newRow("route deleted: its node on show")
            << QList<Op>{{Slot::DelRoute, BeatPath}} << "110110 100000 1";
    }

    void actionStates()
    {
        QFETCH(QList<Op>, ops);
        QFETCH(QString, states);

        for (const Op &op : ops)
            run(op);
        QString shown, enabled;
        const RouteEditActions &actions = plugin->editActions();
        for (QAction *action : {actions.addRoute(), actions.deleteRoute(), actions.addSection(),
                                actions.deleteSection(), actions.selectObjects(),
                                actions.selectGraphObjects()}) {
            shown += action->isVisible() ? '1' : '0';
            // Qt reports a hidden action as disabled; shown again, it has the state it was given.
            action->setVisible(true);
            enabled += action->isEnabled() ? '1' : '0';
        }
        QCOMPARE(shown + ' ' + enabled + ' ' + (plugin->panProperties()->isEnabled() ? '1' : '0'),
                 states);
    }
};

QTEST_MAIN(tst_RouteEditing)
#include "tst_routeediting.moc"
