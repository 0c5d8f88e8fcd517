// Editing route and section properties through the property table, with undo.
#include "support/FakeHost.h"
#include "support/PanelDriver.h"
#include "support/TreeBodies.h"

#include "panel/PanProperties.h"
#include "routecheck/ItemRoles.h"
#include "routecheck/Schedule.h"
#include "shell/OperativeCheck.h"

#include <QAction>
#include <QStandardItemModel>
#include <QTableView>
#include <QTest>
#include <QTreeView>
#include <QUndoStack>

using namespace TreeBodies;

namespace {

enum Row { Name, MsgIn, MsgOut, Schedule, TimeIn, InAhead, InBehind, TimeOut, OutAhead,
           OutBehind, Delay };

} // namespace

class tst_PropertyEditing : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void routeRows();
    void routeTimeTypeEdit_data();
    void routeTimeTypeEdit();
    void sectionRows();
    void messageSwitchUndoRedo();
    void twoEditsChain();
    void undoSecondEditKeepsRouteChanged();
    void scheduleOffAndOn();
    void unsetTimesSwitchedOn();
    void timeRecomputation_data();
    void timeRecomputation();
    void toleranceRowsSetOwnFieldOnly_data();
    void toleranceRowsSetOwnFieldOnly();
    void nameEditRenamesItem();
    void editFromColumnOneBelongsToRow();
    void rejectedEditPutsCellBack();
    void templateFollowsEditedSection();
    void saveAfterEditsAndAcknowledgement();

private:
    void show(const QList<int> &path);
    QStandardItem *cell(int row) const;
    QStandardItem *item(const QList<int> &path) const;
    void editText(int row, const QString &text);
    void toggle(int row);
    SectionRecord *shownSection() const;

    FakeHost *host = nullptr;
    OperativeCheck *plugin = nullptr;
};

void tst_PropertyEditing::init()
{
    host = new FakeHost;
    host->addTrackedObject(11, "Car 11");
    QStandardItem *group = host->addTrackedObject(0, "Group");
    group->setData(QVariant(), 33);
    host->addTrackedObject(12, "Car 12", group);
    host->addTrackedObject(11, "Car 11 again", group);
    plugin = new OperativeCheck;
    plugin->SetHost(host);

    QSharedPointer<RouteRecord> r = route(5, {TreeBodies::section(1, "Gate", {7}, 3600, 4200),
                                              TreeBodies::section(2, "Yard")});
    r->objects = {12, 11, 99};
    QByteArray command("Get_tree_rulecheck");
    QByteArray body = ruleTree({node(1, "Group", 2, {withRoute(node(5, "Beat", 3), r)})});
    plugin->OnServerReply(command, body);
}

void tst_PropertyEditing::cleanup()
{
    delete plugin;
    plugin = nullptr;
    delete host;
    host = nullptr;
}

QStandardItem *tst_PropertyEditing::item(const QList<int> &path) const
{
    return PanelDriver::itemAt(plugin->model, path);
}

// As the operator does: make the row current in the tree, which shows its properties.
void tst_PropertyEditing::show(const QList<int> &path)
{
    const QModelIndex index = item(path)->index();
    plugin->mainView->setCurrentIndex(index);
    plugin->onMainItemClicked(index);
}

QStandardItem *tst_PropertyEditing::cell(int row) const
{
    return plugin->panProperties->propertyModel->item(row, 1);
}

SectionRecord *tst_PropertyEditing::shownSection() const
{
    return itemSection(plugin->model->itemFromIndex(plugin->currentMainIndex));
}

// A click on the cell, then the delegate writing the edited text.
void tst_PropertyEditing::editText(int row, const QString &text)
{
    plugin->onPropertyItemClicked(cell(row)->index());
    cell(row)->setData(text, Qt::EditRole);
}

void tst_PropertyEditing::toggle(int row)
{
    plugin->onPropertyItemClicked(cell(row)->index());
    cell(row)->setCheckState(cell(row)->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
}

void tst_PropertyEditing::routeRows()
{
    show({0, 0});
    QStandardItemModel *properties = plugin->panProperties->propertyModel;
    QCOMPARE(properties->rowCount(), 2);
    QCOMPARE(properties->headerData(0, Qt::Horizontal).toString(), QString("Param"));
    QCOMPARE(properties->headerData(1, Qt::Horizontal).toString(), QString("Value"));
    QCOMPARE(properties->item(0, 0)->text(), QString("Check time type"));
    QCOMPARE(cell(0)->text(), QString("EveryDay"));
    QVERIFY(cell(0)->isEditable());
    QCOMPARE(properties->item(1, 0)->text(), QString("Objects"));
    // Each id once, named by the first item met depth first; unknown ids left out.
    QCOMPARE(cell(1)->text(), QString("Car 11, Car 12"));
    QVERIFY(!cell(1)->isEditable());
    QVERIFY(!properties->item(0, 0)->isEditable());
}

void tst_PropertyEditing::routeTimeTypeEdit_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("type");

    QTest::newRow("AtStart") << "AtStart" << 0;
    QTest::newRow("Monthly") << "Monthly" << 3;
    QTest::newRow("Plan Perehvat") << "Plan Perehvat" << 4;
    QTest::newRow("case differs") << "weekly" << 0;
    QTest::newRow("junk") << "Fortnightly" << 0;
}

void tst_PropertyEditing::routeTimeTypeEdit()
{
    QFETCH(QString, text);
    QFETCH(int, type);

    show({0, 0});
    editText(0, text);
    RouteRecord *record = itemRoute(item({0, 0}));
    QCOMPARE(record->checkTimeType, type);
    QCOMPARE(itemEditState(item({0, 0})), int(EditState::Changed));
    QCOMPARE(plugin->undoStack->count(), 1);
    QCOMPARE(plugin->undoStack->undoText(), QString("Change property"));
    plugin->undoStack->undo();
    QCOMPARE(record->checkTimeType, 1);
    QCOMPARE(itemEditState(item({0, 0})), int(EditState::Unchanged));
    QCOMPARE(cell(0)->text(), QString("EveryDay"));
}

void tst_PropertyEditing::sectionRows()
{
    show({0, 0, 0});
    QStandardItemModel *properties = plugin->panProperties->propertyModel;
    const QStringList labels{"Name", "Message on time in", "Message on time out",
                             "Check schedule on", "CheckTimeIn", "CheckTimeIn, ahead, sec",
                             "CheckTimeIn, behind, sec", "CheckTimeOut",
                             "CheckTimeOut, ahead, sec", "CheckTimeOut, behind, sec",
                             "Delay into"};
    QCOMPARE(properties->rowCount(), labels.size());
    for (int row = 0; row < labels.size(); ++row) {
        QCOMPARE(properties->item(row, 0)->text(), labels.at(row));
        QVERIFY(!properties->item(row, 0)->isEditable());
    }
    QCOMPARE(cell(Name)->text(), QString("Gate"));
    QVERIFY(cell(MsgIn)->isCheckable());
    QVERIFY(!cell(MsgIn)->isEditable());
    QCOMPARE(cell(MsgIn)->text(), QString());
    QCOMPARE(cell(Schedule)->checkState(), Qt::Checked);
    QCOMPARE(cell(TimeIn)->text(), QString("00 days 01:00:00"));
    QCOMPARE(cell(TimeOut)->text(), QString("00 days 01:10:00"));
    QCOMPARE(cell(Delay)->text(), QString("00 days 00:10:00"));
    QCOMPARE(cell(InAhead)->text(), QString("0"));
    QVERIFY(cell(TimeIn)->isEditable());
    QVERIFY(plugin->panProperties->propertyView->itemDelegateForRow(TimeIn));
    QCOMPARE(plugin->panProperties->propertyView->itemDelegateForRow(TimeIn),
             plugin->panProperties->propertyView->itemDelegateForRow(TimeOut));
    QVERIFY(!plugin->panProperties->propertyView->itemDelegateForRow(Delay));

    // Another item shows its own rows, without the old delegates.
    show({0, 0});
    QVERIFY(plugin->panProperties->propertyView->itemDelegateForRow(0));
    QVERIFY(!plugin->panProperties->propertyView->itemDelegateForRow(TimeIn));
}

void tst_PropertyEditing::messageSwitchUndoRedo()
{
    show({0, 0, 1});
    shownSection()->messageOnTimeIn = false;
    show({0, 0, 0});
    show({0, 0, 1});
    QCOMPARE(cell(MsgIn)->checkState(), Qt::Unchecked);

    toggle(MsgIn);
    SectionRecord *yard = shownSection();
    QVERIFY(yard->messageOnTimeIn);
    QCOMPARE(plugin->undoStack->count(), 1);
    QCOMPARE(itemEditState(item({0, 0})), int(EditState::Changed));

    show({0, 0, 0});
    plugin->undoStack->undo();
    QVERIFY(!yard->messageOnTimeIn);
    // Undo brings the row back into view with its properties.
    QCOMPARE(plugin->currentMainIndex, item({0, 0, 1})->index());
    QCOMPARE(cell(MsgIn)->checkState(), Qt::Unchecked);
    QCOMPARE(itemEditState(item({0, 0})), int(EditState::Unchanged));

    plugin->undoStack->redo();
    QVERIFY(yard->messageOnTimeIn);
    QCOMPARE(cell(MsgIn)->checkState(), Qt::Checked);
    QCOMPARE(plugin->undoStack->count(), 1);
}

void tst_PropertyEditing::twoEditsChain()
{
    show({0, 0, 0});
    editText(Name, "Gate A");
    cell(Name)->setData("Gate B", Qt::EditRole); // no click in between
    QCOMPARE(plugin->undoStack->count(), 2);
    QCOMPARE(shownSection()->name, QString("Gate B"));
    plugin->undoStack->undo();
    QCOMPARE(shownSection()->name, QString("Gate A"));
    plugin->undoStack->undo();
    QCOMPARE(shownSection()->name, QString("Gate"));
    QCOMPARE(item({0, 0, 0})->text(), QString("Gate"));
}

void tst_PropertyEditing::undoSecondEditKeepsRouteChanged()
{
    show({0, 0, 0});
    editText(InAhead, "30");
    show({0, 0, 1});
    editText(Name, "Back yard");
    plugin->undoStack->undo();
    QCOMPARE(itemEditState(item({0, 0})), int(EditState::Changed));
    QCOMPARE(item({0, 0, 1})->text(), QString("Yard"));
    plugin->undoStack->undo();
    QCOMPARE(itemEditState(item({0, 0})), int(EditState::Unchanged));
}

void tst_PropertyEditing::scheduleOffAndOn()
{
    show({0, 0, 0});
    toggle(Schedule);
    SectionRecord *gate = shownSection();
    QVERIFY(!gate->checkScheduleOn);
    QCOMPARE(gate->checkTimeIn, -3600);
    QCOMPARE(gate->checkTimeOut, -4200);
    for (int row = TimeIn; row <= Delay; ++row) {
        QCOMPARE(cell(row)->text(), QString());
        QVERIFY(!cell(row)->isEditable());
    }
    toggle(Schedule);
    QVERIFY(gate->checkScheduleOn);
    QCOMPARE(cell(TimeIn)->text(), QString("00 days 01:00:00"));
    QCOMPARE(cell(TimeOut)->text(), QString("00 days 01:10:00"));
    QVERIFY(cell(TimeOut)->isEditable());
    QCOMPARE(plugin->undoStack->count(), 2);
}

void tst_PropertyEditing::unsetTimesSwitchedOn()
{
    show({0, 0, 1});
    toggle(Schedule);
    QVERIFY(shownSection()->checkScheduleOn);
    QCOMPARE(shownSection()->checkTimeIn, 1);
    QCOMPARE(shownSection()->checkTimeOut, 1);
    QCOMPARE(cell(TimeIn)->text(), QString("00 days 00:00:01"));
}

void tst_PropertyEditing::timeRecomputation_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("timeIn");
    QTest::addColumn<int>("timeOut");
    QTest::addColumn<int>("delay");

    // Starting from in 3600, out 4200, delay 600.
    QTest::newRow("time in keeps delay") << int(TimeIn) << "00 days 02:00:00" << 7200 << 7800 << 600;
    QTest::newRow("time out after in") << int(TimeOut) << "00 days 01:30:00" << 3600 << 5400 << 1800;
    QTest::newRow("time out before in") << int(TimeOut) << "00 days 00:30:00" << 3600 << 1800 << 0;
    QTest::newRow("delay moves out") << int(Delay) << "00 days 00:05:00" << 3600 << 3900 << 300;
    QTest::newRow("bad time in") << int(TimeIn) << "00 days 25:00:00" << -2 << 598 << 600;
    QTest::newRow("free delay text") << int(Delay) << "1:00:00" << 3600 << 7200 << 3600;
}

void tst_PropertyEditing::timeRecomputation()
{
    QFETCH(int, row);
    QFETCH(QString, text);
    QFETCH(int, timeIn);
    QFETCH(int, timeOut);
    QFETCH(int, delay);

    show({0, 0, 0});
    editText(row, text);
    QCOMPARE(shownSection()->checkTimeIn, timeIn);
    QCOMPARE(shownSection()->checkTimeOut, timeOut);
    QCOMPARE(shownSection()->delayInto, delay);
    QCOMPARE(cell(TimeIn)->text(), durationText(timeIn));
    QCOMPARE(cell(TimeOut)->text(), durationText(timeOut));
    QCOMPARE(cell(Delay)->text(), durationText(delay));

    plugin->undoStack->undo();
    QCOMPARE(shownSection()->checkTimeIn, 3600);
    QCOMPARE(shownSection()->checkTimeOut, row == TimeIn ? 3600 + 600 : 4200);
}

void tst_PropertyEditing::toleranceRowsSetOwnFieldOnly_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QList<int>>("tolerances");

    QTest::newRow("in ahead") << int(InAhead) << "30" << QList<int>{30, 0, 0, 0};
    QTest::newRow("in behind") << int(InBehind) << "45" << QList<int>{0, 45, 0, 0};
    QTest::newRow("out ahead") << int(OutAhead) << "60" << QList<int>{0, 0, 60, 0};
    QTest::newRow("out behind") << int(OutBehind) << "90" << QList<int>{0, 0, 0, 90};
    QTest::newRow("minus sign") << int(InAhead) << "-5" << QList<int>{0, 0, 0, 0};
    QTest::newRow("not a number") << int(OutBehind) << "soon" << QList<int>{0, 0, 0, 0};
    QTest::newRow("past int range") << int(InBehind) << "4294967295" << QList<int>{0, 0, 0, 0};
}

void tst_PropertyEditing::toleranceRowsSetOwnFieldOnly()
{
    QFETCH(int, row);
    QFETCH(QString, text);
    QFETCH(QList<int>, tolerances);

    show({0, 0, 0});
    editText(row, text);
    const SectionRecord *gate = shownSection();
    QCOMPARE((QList<int>{gate->checkTimeInAhead, gate->checkTimeInBehind, gate->checkTimeOutAhead,
                         gate->checkTimeOutBehind}),
             tolerances);
    QCOMPARE(cell(row)->text(), QString::number(tolerances.at(row == InAhead ? 0
                                                              : row == InBehind ? 1
                                                              : row == OutAhead ? 2 : 3)));
}

void tst_PropertyEditing::nameEditRenamesItem()
{
    show({0, 0, 0});
    editText(Name, "North gate");
    QCOMPARE(item({0, 0, 0})->text(), QString("North gate"));
    plugin->undoStack->undo();
    QCOMPARE(item({0, 0, 0})->text(), QString("Gate"));
    plugin->undoStack->redo();
    QCOMPARE(item({0, 0, 0})->text(), QString("North gate"));
}

void tst_PropertyEditing::editFromColumnOneBelongsToRow()
{
    QStandardItem *routeItem = item({0, 0});
    const QModelIndex column1 = routeItem->parent()->child(routeItem->row(), 1)->index();
    plugin->mainView->setCurrentIndex(column1);
    plugin->onMainItemClicked(column1);
    QCOMPARE(plugin->panProperties->propertyModel->rowCount(), 2);
    editText(0, "Weekly");
    QCOMPARE(itemRoute(routeItem)->checkTimeType, 2);
    QCOMPARE(itemEditState(routeItem), int(EditState::Changed));
    plugin->undoStack->undo();
    QCOMPARE(itemRoute(routeItem)->checkTimeType, 1);
}

// A panel that refuses every edit puts the cell back.
class RefusingPanel : public OperativeCheck
{
public:
    bool acceptPropertyChange(const QModelIndex &, const QModelIndex &, const QVariant &) override
    {
        return false;
    }
};

void tst_PropertyEditing::rejectedEditPutsCellBack()
{
    RefusingPanel panel;
    QByteArray command("Get_tree_rulecheck");
    QByteArray body = ruleTree({withRoute(node(5, "Beat", 3), route(5, {TreeBodies::section(1, "Gate")}))});
    panel.OnServerReply(command, body);
    QStandardItem *sectionItem = panel.model->item(0)->child(0);
    panel.mainView->setCurrentIndex(sectionItem->index());
    panel.onMainItemClicked(sectionItem->index());
    QStandardItemModel *properties = panel.panProperties->propertyModel;

    panel.onPropertyItemClicked(properties->index(Name, 1));
    properties->item(Name, 1)->setText("Elsewhere");
    QCOMPARE(properties->item(Name, 1)->text(), QString("Gate"));
    properties->item(MsgIn, 1)->setCheckState(Qt::Unchecked);
    QCOMPARE(properties->item(MsgIn, 1)->checkState(), Qt::Checked);
    QCOMPARE(panel.undoStack->count(), 0);
    QCOMPARE(itemSection(sectionItem)->name, QString("Gate"));
}

void tst_PropertyEditing::templateFollowsEditedSection()
{
    show({0, 0, 0});
    editText(OutBehind, "120");
    toggle(MsgOut);
    const SectionRecord &tmpl = plugin->sectionTemplate;
    QVERIFY(tmpl.checkScheduleOn);
    QCOMPARE(tmpl.checkTimeIn, 0);
    QCOMPARE(tmpl.checkTimeOut, 0);
    QCOMPARE(tmpl.delayInto, 600);
    QCOMPARE(tmpl.checkTimeOutBehind, 120);
    QVERIFY(!tmpl.messageOnTimeOut);
    QCOMPARE(tmpl.name, QString());
    QVERIFY(tmpl.graphObjectIds.isEmpty());
}

void tst_PropertyEditing::saveAfterEditsAndAcknowledgement()
{
    show({0, 0, 0});
    editText(Name, "North gate");
    QVERIFY(plugin->panProperties->saveAction->isEnabled());
    plugin->panProperties->saveAction->trigger();
    QCOMPARE(host->requests.size(), 1);

    RouteRecord expected(5);
    expected.objects = {12, 11, 99};
    SectionRecord *gate = TreeBodies::section(1, "North gate", {7}, 3600, 4200);
    SectionRecord *yard = TreeBodies::section(2, "Yard");
    expected.sections = {gate, yard};
    QByteArray body;
    QDataStream out(&body, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_4_5);
    RouteMessages::writeSaveEntry(out, 0, expected);
    RouteMessages::writeSaveEnd(out, {});
    QCOMPARE(host->requests.first().body.toHex(), body.toHex());

    QByteArray command("Fix_routes");
    QByteArray empty;
    plugin->OnServerReply(command, empty);
    QVERIFY(!plugin->undoStack->canUndo());
    QVERIFY(!plugin->undoStack->canRedo());
    QCOMPARE(itemEditState(item({0, 0})), int(EditState::Unchanged));
    plugin->onSaveClicked();
    QCOMPARE(host->requests.size(), 1);
}

QTEST_MAIN(tst_PropertyEditing)
#include "tst_propertyediting.moc"
