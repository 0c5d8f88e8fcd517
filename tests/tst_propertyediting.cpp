// Editing route and section properties through the property table, with undo.
#include "testsupport/EditingPanel.h"

#include "calendar/Duration.h"
#include "routecheck/ScheduleEditors.h"

#include <QAction>
#include <QTableView>
#include <QTest>

using namespace TreeBodies;

namespace {

const QList<int> RoutePath{0, 0};
const QList<int> GatePath{0, 0, 0}; // in 3600, out 4200, so a delay of 600
const QList<int> YardPath{0, 0, 1}; // times unset

QByteArray fixtureTree()
{
    QSharedPointer<RouteRecord> r = route(5, {section(1, "Gate", {7}, 3600, 4200),
                                              section(2, "Yard")});
    r->objects = {12, 11, 99};
    return ruleTree({node(1, "Group", 2, {withRoute(node(5, "Beat", 3), r)})});
}

// A panel that refuses every edit.
class RefusingPanel : public OperativeCheck
{
public:
    bool acceptPropertyChange(const QModelIndex &, const QModelIndex &, const QVariant &) override
    {
        return false;
    }
};

} // namespace

class tst_PropertyEditing : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup() { panel.reset(); }

    void edits_data();
    void edits();
    void editsWithoutClickChain();
    void editFromColumnOneBelongsToRow();
    void rejectedEditPutsCellBack();
    void saveAfterEditsAndAcknowledgement();

private:
    QStandardItem *item(const QList<int> &path) const { return panel->item(path); }
    QStandardItem *cell(int row) const { return panel->cell(row); }
    void show(const QList<int> &path) { panel->click(path); }
    void edit(int row, const QString &text = QString()) { QVERIFY(panel->edit(row, text)); }
    int routeState() const { return itemEditState(item(RoutePath)); }
    QString summary(const QList<int> &path) const;
    void verifyTable() const;

    std::unique_ptr<EditingPanel> panel;
    OperativeCheck *plugin = nullptr;
};

void tst_PropertyEditing::init()
{
    panel = std::make_unique<EditingPanel>();
    plugin = panel->plugin.get();
    panel->addCarsAndMarks();
    panel->host.addTrackedObject(11, "Car 11 again", panel->host.objects.item(1)); // in Group
    panel->reply("Get_tree_rulecheck", fixtureTree());
}

// The record of the row at path in one line: a section's name, times in/out, +delay,
// tolerances, message switches and schedule; a route's time type.
QString tst_PropertyEditing::summary(const QList<int> &path) const
{
    const SectionRecord *s = itemSection(item(path));
    if (!s)
        return QStringLiteral("type %1").arg(itemRoute(item(path))->checkTimeType);
    return QStringLiteral("%1 %2/%3 +%4 %5,%6,%7,%8 %9%10 %11")
        .arg(s->name).arg(s->checkTimeIn).arg(s->checkTimeOut).arg(s->delayInto)
        .arg(s->checkTimeInAhead).arg(s->checkTimeInBehind).arg(s->checkTimeOutAhead)
        .arg(s->checkTimeOutBehind).arg(s->messageOnTimeIn).arg(s->messageOnTimeOut)
        .arg(s->checkScheduleOn ? "on" : "off");
}

// The table on show against the record of the row on show; check boxes read 0 or 1.
// Times have a masked editor of their own, the time type a list; the delay is typed freely.
void tst_PropertyEditing::verifyTable() const
{
    const QStandardItem *shown = plugin->model()->itemFromIndex(plugin->currentMainIndex());
    const QTableView *view = plugin->panProperties()->propertyView();
    QStringList texts;
    for (int row = 0; row < plugin->panProperties()->propertyModel()->rowCount(); ++row) {
        texts << (cell(row)->isCheckable() ? QString::number(cell(row)->checkState() == Qt::Checked)
                                           : cell(row)->text());
    }
    const SectionRecord *s = itemSection(shown);
    if (!s) {
        const int type = itemRoute(shown)->checkTimeType;
        // Each id once, named by the first item met depth first; unknown ids left out.
        QCOMPARE(texts, QStringList({ScheduleEditors::instance().timeTypes.value(type),
                                     "Car 11, Car 12"}));
        QVERIFY(cell(0)->isEditable());
        QVERIFY(!cell(1)->isEditable());
        QVERIFY(view->itemDelegateForRow(0));
        QVERIFY(!view->itemDelegateForRow(TimeIn));
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
        QCOMPARE(cell(row)->isEditable(), on);
    QVERIFY(view->itemDelegateForRow(TimeIn));
    QCOMPARE(view->itemDelegateForRow(TimeIn), view->itemDelegateForRow(TimeOut));
    QVERIFY(!view->itemDelegateForRow(Delay));
}

void tst_PropertyEditing::edits_data()
{
    QTest::addColumn<QList<int>>("path");
    QTest::addColumn<int>("row");
    QTest::addColumn<QStringList>("texts"); // one edit each; a null text toggles
    QTest::addColumn<QString>("edited");

    auto row = [](const char *name, const QList<int> &path, int row, const QStringList &texts,
                  const char *edited) {
        QTest::newRow(name) << path << row << texts << QString(edited);
    };
    const QStringList toggle{QString()};
    // Gate starts as "Gate 3600/4200 +600 0,0,0,0 11 on", Yard as "Yard -1/-1 +0 0,0,0,0 11 off".
    row("time in keeps delay", GatePath, TimeIn, {"00 days 02:00:00"},
        "Gate 7200/7800 +600 0,0,0,0 11 on");
    row("time out after in", GatePath, TimeOut, {"00 days 01:30:00"},
        "Gate 3600/5400 +1800 0,0,0,0 11 on");
    row("time out before in", GatePath, TimeOut, {"00 days 00:30:00"},
        "Gate 3600/1800 +0 0,0,0,0 11 on");
    row("delay moves out", GatePath, Delay, {"00 days 00:05:00"},
        "Gate 3600/3900 +300 0,0,0,0 11 on");
    row("bad time in", GatePath, TimeIn, {"00 days 25:00:00"}, "Gate -2/598 +600 0,0,0,0 11 on");
    row("in ahead", GatePath, InAhead, {"30"}, "Gate 3600/4200 +600 30,0,0,0 11 on");
    row("in behind", GatePath, InBehind, {"45"}, "Gate 3600/4200 +600 0,45,0,0 11 on");
    row("out ahead", GatePath, OutAhead, {"60"}, "Gate 3600/4200 +600 0,0,60,0 11 on");
    row("out behind", GatePath, OutBehind, {"90"}, "Gate 3600/4200 +600 0,0,0,90 11 on");
    row("tolerance: minus sign", GatePath, InAhead, {"-5"}, "Gate 3600/4200 +600 0,0,0,0 11 on");
    row("tolerance: past int range", GatePath, InBehind, {"4294967295"},
        "Gate 3600/4200 +600 0,0,0,0 11 on");
    row("schedule off: times kept negated, rows blank", GatePath, Schedule, toggle,
        "Gate -3600/-4200 +600 0,0,0,0 11 off");
    row("schedule off and on again", GatePath, Schedule, toggle + toggle,
        "Gate 3600/4200 +600 0,0,0,0 11 on");
    row("unset times switched on: a second each", YardPath, Schedule, toggle,
        "Yard 1/1 +0 0,0,0,0 11 on");
    row("message switch", YardPath, MsgIn, toggle, "Yard -1/-1 +0 0,0,0,0 01 off");
    row("name, twice", GatePath, Name, {"North gate", "Gate 2"},
        "Gate 2 3600/4200 +600 0,0,0,0 11 on");
    row("time type", RoutePath, 0, {"Monthly"}, "type 3");
    row("time type: last of the list", RoutePath, 0, {"Plan Perehvat"}, "type 4");
}

// Each edit is a step; undone from elsewhere, the row comes back into view as it was.
void tst_PropertyEditing::edits()
{
    QFETCH(QList<int>, path);
    QFETCH(int, row);
    QFETCH(QStringList, texts);
    QFETCH(QString, edited);

    show(path);
    verifyTable();
    const QString before = summary(path);
    for (const QString &text : texts)
        edit(row, text);
    QCOMPARE(summary(path), edited);
    verifyTable();
    QCOMPARE(plugin->undoStack()->count(), texts.size());
    QCOMPARE(routeState(), int(EditState::Changed));

    show(path == GatePath ? YardPath : GatePath);
    plugin->undoStack()->undo();
    // The route stays to be saved while any of its edits is left.
    QCOMPARE(routeState(), int(texts.size() > 1 ? EditState::Changed : EditState::Unchanged));
    while (plugin->undoStack()->canUndo())
        plugin->undoStack()->undo();
    QCOMPARE(plugin->currentMainIndex(), QPersistentModelIndex(item(path)->index()));
    QCOMPARE(summary(path), before);
    verifyTable();
    QCOMPARE(routeState(), int(EditState::Unchanged));
    while (plugin->undoStack()->canRedo())
        plugin->undoStack()->redo();
    QCOMPARE(summary(path), edited);
    verifyTable();
}

// Two edits without a click between are two steps.
void tst_PropertyEditing::editsWithoutClickChain()
{
    show(GatePath);
    edit(Name, "Gate A");
    cell(Name)->setData("Gate B", Qt::EditRole);
    QCOMPARE(plugin->undoStack()->count(), 2);
    plugin->undoStack()->undo();
    QCOMPARE(item(GatePath)->text(), QString("Gate A"));
    plugin->undoStack()->undo();
    QCOMPARE(item(GatePath)->text(), QString("Gate"));
}

void tst_PropertyEditing::editFromColumnOneBelongsToRow()
{
    QStandardItem *routeItem = item(RoutePath);
    panel->click(routeItem->parent()->child(routeItem->row(), 1)->index());
    QCOMPARE(plugin->panProperties()->propertyModel()->rowCount(), 2);
    edit(0, "weekly"); // off the list: case matters, so the first type
    QCOMPARE(itemRoute(routeItem)->checkTimeType, 0);
    QCOMPARE(routeState(), int(EditState::Changed));
    plugin->undoStack()->undo();
    QCOMPARE(itemRoute(routeItem)->checkTimeType, 1);
}

void tst_PropertyEditing::rejectedEditPutsCellBack()
{
    RefusingPanel refusing;
    PanelDriver::deliver(&refusing, "Get_tree_rulecheck", fixtureTree());
    QStandardItem *gate = PanelDriver::itemAt(refusing.model(), GatePath);
    refusing.onMainItemClicked(gate->index());
    QStandardItemModel *properties = refusing.panProperties()->propertyModel();
    refusing.onPropertyItemClicked(properties->index(Name, 1));
    properties->item(Name, 1)->setText("Elsewhere");
    properties->item(MsgIn, 1)->setCheckState(Qt::Unchecked);
    QCOMPARE(properties->item(Name, 1)->text(), QString("Gate"));
    QCOMPARE(properties->item(MsgIn, 1)->checkState(), Qt::Checked);
    QCOMPARE(refusing.undoStack()->count(), 0);
    QCOMPARE(itemSection(gate)->name, QString("Gate"));
}

// The server's acknowledgement ends the edit: nothing to undo, nothing more to send.
void tst_PropertyEditing::saveAfterEditsAndAcknowledgement()
{
    show(GatePath);
    edit(Name, "North gate");
    QVERIFY(plugin->panProperties()->saveAction()->isEnabled());
    plugin->panProperties()->saveAction()->trigger();
    QCOMPARE(panel->host.commands(), QList<QByteArray>{"Fix_routes"});

    panel->reply("Fix_routes", QByteArray());
    QVERIFY(!plugin->undoStack()->canUndo());
    QVERIFY(!plugin->undoStack()->canRedo());
    QCOMPARE(routeState(), int(EditState::Unchanged));
    plugin->onSaveClicked();
    QCOMPARE(panel->host.requests.size(), 1);
}

QTEST_MAIN(tst_PropertyEditing)
#include "tst_propertyediting.moc"
