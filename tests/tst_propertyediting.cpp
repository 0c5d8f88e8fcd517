// Editing route and section properties through the property table, with undo.
#include "testsupport/EditingPanel.h"

#include "calendar/Duration.h"
#include "routecheck/ScheduleEditors.h"

#include <QLineEdit>
#include <QTableView>
#include <QTest>

using namespace TreeBodies;

namespace {

const QList<int> RoutePath{0, 0};
const QList<int> GatePath{0, 0, 0}; // in 3600, out 4200, so a delay of 600
const QList<int> YardPath{0, 0, 1}; // times unset

} // namespace

using Edits = QList<QPair<int, QString>>; // table row and text; a null text toggles
Q_DECLARE_METATYPE(Edits)

class tst_PropertyEditing : public QObject
{
    Q_OBJECT

    std::unique_ptr<EditingPanel> panel;

    QStandardItem *item(const QList<int> &path) const { return panel->item(path); }
    int routeState() const { return itemEditState(item(RoutePath)); }

    // The route row is shown from its check-mode cell: edits still belong to the row.
    void show(const QList<int> &path)
    {
        panel->click(path == RoutePath ? item(path)->parent()->child(0, 1)->index()
                                       : item(path)->index());
    }

    // The table against the record of the row on show; times have a masked editor of their
    // own, shared by the delay, the time type a list.
    void verifyTable() const
    {
        const QStandardItem *shown =
            panel->plugin->model()->itemFromIndex(panel->plugin->currentMainIndex());
        const QTableView *view = panel->plugin->panProperties()->propertyView();
        const QStringList texts = panel->tableTexts();
        const SectionRecord *s = itemSection(shown);
        if (!s) {
            // Each id once, named by the first item met depth first; unknown ids left out.
            const int type = itemRoute(shown)->checkTimeType;
            QCOMPARE(texts, QStringList({ScheduleEditors::instance().timeTypes.value(type),
                                         "Car 11, Car 12"}));
            QVERIFY(panel->cell(0)->isEditable() && !panel->cell(1)->isEditable());
            QVERIFY(view->itemDelegateForRow(0) && !view->itemDelegateForRow(TimeIn));
            return;
        }
        const bool on = s->checkScheduleOn;
        auto time = [on](int seconds) { return on ? durationText(seconds) : QString(); };
        auto number = [on](int value) { return on ? QString::number(value) : QString(); };
        QCOMPARE(texts, QStringList({s->name, QString::number(s->messageOnTimeIn),
                                     QString::number(s->messageOnTimeOut), QString::number(on),
                                     time(s->checkTimeIn), number(s->checkTimeInAhead),
                                     number(s->checkTimeInBehind), time(s->checkTimeOut),
                                     number(s->checkTimeOutAhead), number(s->checkTimeOutBehind),
                                     time(s->delayInto)}));
        QCOMPARE(shown->text(), s->name);
        for (int row = TimeIn; row <= Delay; ++row)
            QCOMPARE(panel->cell(row)->isEditable(), on);
        QVERIFY(view->itemDelegateForRow(TimeIn));
        for (int row : {TimeOut, Delay})
            QCOMPARE(view->itemDelegateForRow(row), view->itemDelegateForRow(TimeIn));
    }

private slots:
    void init()
    {
        panel = std::make_unique<EditingPanel>();
        panel->addCarsAndMarks();
        panel->host.addTrackedObject(11, "Car 11 again", panel->host.objects.item(1)); // in Group
        QSharedPointer<RouteRecord> r =
            route(5, {section(1, "Gate", {7}, 3600, 4200), section(2, "Yard")});
        r->objects = {12, 11, 99};
        panel->reply("Get_tree_rulecheck",
                     ruleTree({node(1, "Group", 2, {withRoute(node(5, "Beat", 3), r)})}));
    }
    void cleanup() { panel.reset(); }

    void edits_data()
    {
        QTest::addColumn<QList<int>>("path");
        QTest::addColumn<Edits>("edits"); // the cell is clicked before the first only
        QTest::addColumn<QString>("edited");

        auto row = [](const char *name, const QList<int> &path, const Edits &edits,
                      const char *edited) {
            QTest::newRow(name) << path << edits << QString(edited);
        };
        // Gate starts as "Gate [7] 3600/4200 +600 0,0,0,0 11 on", Yard as
        // "Yard [] -1/-1 +0 0,0,0,0 11 off".
        row("time in keeps delay", GatePath, {{TimeIn, "00 days 02:00:00"}},
            "Gate [7] 7200/7800 +600 0,0,0,0 11 on");
        row("time out before in", GatePath, {{TimeOut, "00 days 00:30:00"}},
            "Gate [7] 3600/1800 +0 0,0,0,0 11 on");
        row("delay moves out", GatePath, {{Delay, "00 days 00:05:00"}},
            "Gate [7] 3600/3900 +300 0,0,0,0 11 on");
        row("tolerances, each its own", GatePath,
            {{InAhead, "30"}, {InBehind, "45"}, {OutAhead, "60"}, {OutBehind, "90"}},
            "Gate [7] 3600/4200 +600 30,45,60,90 11 on");
        row("schedule off: times kept negated, rows blank", GatePath, {{Schedule, {}}},
            "Gate [7] -3600/-4200 +600 0,0,0,0 11 off");
        row("unset times switched on: a second each", YardPath, {{Schedule, {}}},
            "Yard [] 1/1 +0 0,0,0,0 11 on");
        row("time type, twice", RoutePath, {{0, "Monthly"}, {0, "Plan Perehvat"}},
            "type 4 [12,11,99] state 3");
    }

    // Each edit is a step; undone from elsewhere, the row comes back into view as it was.
    void edits()
    {
        QFETCH(QList<int>, path);
        QFETCH(Edits, edits);
        QFETCH(QString, edited);

        show(path);
        verifyTable();
        QStringList steps{summary(item(path))};
        for (const auto &edit : edits) {
            QVERIFY(panel->edit(edit.first, edit.second, steps.size() == 1));
            steps << summary(item(path));
            if (path != RoutePath) // a route's type cell keeps the text typed until shown again
                verifyTable();
        }
        QCOMPARE(steps.last(), edited);
        QCOMPARE(routeState(), int(EditState::Changed));

        show(path == GatePath ? YardPath : GatePath);
        for (int step = edits.size() - 1; step >= 0; --step) {
            panel->plugin->undoStack()->undo();
            QCOMPARE(summary(item(path)), steps.at(step));
            // The route stays to be saved while any of its edits is left.
            QCOMPARE(routeState(), int(step ? EditState::Changed : EditState::Unchanged));
        }
        QVERIFY(!panel->plugin->undoStack()->canUndo());
        QCOMPARE(panel->plugin->currentMainIndex(), QPersistentModelIndex(item(path)->index()));
        verifyTable();
        while (panel->plugin->undoStack()->canRedo())
            panel->plugin->undoStack()->redo();
        QCOMPARE(summary(item(path)), edited);
        verifyTable();
    }

    // A typed time that does not read as one is refused: typed into the editor, which
    // shows why and stays open on Return, or put into the cell; the record stays.
    void badTimes_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("text");
        QTest::newRow("hours and minutes out of range") << int(TimeIn) << "00 days 25:99:00";
        QTest::newRow("letters") << int(TimeOut) << "abc";
        QTest::newRow("delay, digits alone") << int(Delay) << "30";
    }

    void badTimes()
    {
        QFETCH(int, row);
        QFETCH(QString, text);
        show(GatePath);
        const QString before = summary(item(GatePath)), shown = panel->cell(row)->text();
        const QModelIndex cell = panel->cell(row)->index();
        QTableView *view = panel->plugin->panProperties()->propertyView();
        view->edit(cell);
        auto *editor = qobject_cast<QLineEdit *>(view->indexWidget(cell));
        editor->setText(text);
        QTest::keyClick(editor, Qt::Key_Return);
        QVERIFY(view->indexWidget(cell) == editor && editor->styleSheet().contains("red"));
        QVERIFY(!editor->toolTip().isEmpty() && panel->edit(row, text));
        QCOMPARE(panel->cell(row)->text(), shown);
        QCOMPARE(summary(item(GatePath)), before);
    }
};

QTEST_MAIN(tst_PropertyEditing)
#include "tst_propertyediting.moc"
