// Checking routes on the map, live section states and the check-mode switch.
#include "testsupport/MapScene.h"
#include "testsupport/PanelText.h"

#include <ctime>

using namespace TreeBodies;

namespace {

using States = QList<RouteMessages::SectionState>;

// The shapes of the map scene as drawn; the brushes are tinted by hand with the bitwise rules
// (red: r|192 g&31 b&31 a|127, green: r&31 g|192 b&31 a|127).
QString shape(const char *brush)
{
    return QString("polygon 4 pen 0,0,255,255/3 brush %1").arg(brush);
}
const QString Gate = shape("10,200,30,100"), GateRed = shape("202,8,30,127"),
              GateGreen = shape("10,200,30,127");
const QString Yard = shape("255,255,255,255"), YardRed = shape("255,31,31,255"),
              YardGreen = shape("31,255,31,255");
const QString Dock = shape("32,63,160,128"), DockGreen = shape("0,255,0,255");
const QString Post = "car Post", Field = shape("255,255,0,255");
const QStringList OwnColours{Gate, Yard, Dock, Post};

// Route 10 on node Group holds 20, which holds 30; routes 40 and 50 (with a
// section) sit below a node without a route.
QByteArray nestedRoutes(int checkOn = 0, int timeType = 1, uint checkTime = 0)
{
    QSharedPointer<RouteRecord> outer = route(10);
    outer->checkOn = checkOn;
    outer->checkTimeType = timeType;
    outer->checkTime = checkTime;
    return ruleTree(
        {withRoute(node(1, "Group", 1,
                        {withRoute(node(2, "Child", 1,
                                        {withRoute(node(3, "Grandchild", 1), route(30))}),
                                   route(20))}),
                   outer),
         node(4, "Folder", 1, {withRoute(node(5, "Inner", 1), route(40)),
                               withRoute(node(6, "Inner 2", 1), route(50, {section(1, "S")}))})});
}

} // namespace

Q_DECLARE_METATYPE(States)

class tst_CheckMode : public QObject
{
    Q_OBJECT

private slots:
    // Times are shown in local time: Berlin is UTC+1, +2 in summer.
    void initTestCase() { qputenv("TZ", "Europe/Berlin"); tzset(); }
    void init() { start(true); }
    void cleanup() { panel.reset(); }

    void sectionStates_data();
    void sectionStates();
    void lateMapAndUnticking();
    void checkModeReply_data();
    void checkModeReply();
    void setCheckMode_data();
    void setCheckMode();

private:
    void start(bool bindMap)
    {
        panel = std::make_unique<EditingPanel>(bindMap);
        plugin = panel->plugin.get();
        host = &panel->host;
    }
    QStandardItem *item(const QList<int> &path) const { return panel->item(path); }
    QStringList drawn() const { return PanelText::primitives(host->sectionList()); }
    // The column-1 texts of routes 10, 20, 30, 40 and 50.
    QStringList modeTexts() const
    {
        QStringList result;
        for (const QList<int> &path : QList<QList<int>>{{0}, {0, 0}, {0, 0, 0}, {1, 0}, {1, 1}})
            result << item(path)->index().siblingAtColumn(1).data().toString();
        return result;
    }
    // The section states of route 1, then of route 2.
    QList<int> states() const
    {
        QList<int> result;
        for (int row : {0, 1}) {
            for (const SectionRecord *section : itemRoute(item({row}))->sections)
                result << section->state;
        }
        return result;
    }

    std::unique_ptr<EditingPanel> panel;
    OperativeCheck *plugin = nullptr;
    FakeHost *host = nullptr;
};

// One states reply while route 1 has the given tick. Shown, a redrawn section's
// shapes leave their place and go to the end of the list; not fully ticked, the
// states are kept and drawn once it is.
void tst_CheckMode::sectionStates_data()
{
    QTest::addColumn<int>("tick");
    QTest::addColumn<qint32>("routeId");
    QTest::addColumn<States>("reported");
    QTest::addColumn<QList<int>>("states");
    QTest::addColumn<QStringList>("drawn");

    const int on = Qt::Checked, off = Qt::Unchecked;
    QTest::newRow("unticked: kept by section, not reply order")
        << off << 1 << States{{3, 2}, {1, 1}} << QList<int>{1, 0, 2, 0}
        << QStringList{GateRed, Yard, DockGreen, Post};
    QTest::newRow("partially ticked: kept")
        << int(Qt::PartiallyChecked) << 1 << States{{1, 2}, {2, 1}} << QList<int>{2, 1, 0, 0}
        << QStringList{GateGreen, YardRed, Dock, Post};
    QTest::newRow("unticked, states 3, -1 and max: own colours")
        << off << 1 << States{{1, 3}, {2, -1}, {3, 0x7fffffff}}
        << QList<int>{3, -1, 0x7fffffff, 0} << OwnColours;
    QTest::newRow("shown: in reply order, unknown sections skipped")
        << on << 1 << States{{99, 1}, {3, 2}, {1, 1}, {4, 1}} << QList<int>{1, 0, 2, 0}
        << QStringList{Yard, DockGreen, Post, GateRed};
    QTest::newRow("shown: route not in tree skipped")
        << on << 77 << States{{1, 1}, {2, 2}} << QList<int>{0, 0, 0, 0} << OwnColours;
    QTest::newRow("shown: other route stored, not drawn")
        << on << 2 << States{{1, 1}} << QList<int>{0, 0, 0, 1} << OwnColours;
}

void tst_CheckMode::sectionStates()
{
    QFETCH(int, tick);
    QFETCH(qint32, routeId);
    QFETCH(States, reported);
    QFETCH(QList<int>, states);
    QFETCH(QStringList, drawn);

    MapScene::load(*panel);
    item({0})->setCheckState(Qt::CheckState(tick));
    host->mapCalls.clear();

    panel->reply("Every_sections_state", RouteMessages::sectionsStateBody(routeId, reported));

    QCOMPARE(this->states(), states);
    QCOMPARE(PanelText::mapCalls(host->mapCalls), QStringList{"refresh"});
    QVERIFY(host->requests.isEmpty());
    if (tick != Qt::Checked) {
        QCOMPARE(this->drawn(), QStringList());
        item({0})->setCheckState(Qt::Checked);
    }
    QCOMPARE(this->drawn(), drawn);
}

// Before the map is bound nothing is drawn and the states are kept; once it is,
// route 1 comes with its states and goes alone, route 2 staying shown.
void tst_CheckMode::lateMapAndUnticking()
{
    start(false);
    MapScene::load(*panel);
    item({0})->setCheckState(Qt::Checked);
    panel->reply("Every_sections_state", RouteMessages::sectionsStateBody(1, {{1, 1}, {2, 2}}));
    item({1})->setCheckState(Qt::Checked);
    QCOMPARE(states(), QList<int>({1, 2, 0, 0}));
    QCOMPARE(host->sectionList(), nullptr);
    QVERIFY(host->mapCalls.isEmpty());

    plugin->BindMap(0, 1);
    item({1})->setCheckState(Qt::Unchecked);
    item({1})->setCheckState(Qt::Checked);
    item({0})->setCheckState(Qt::Unchecked);
    item({0})->setCheckState(Qt::Checked);
    QCOMPARE(drawn(), QStringList({Field, GateRed, YardGreen, Dock, Post}));
    host->mapCalls.clear();
    item({0})->setCheckState(Qt::Unchecked);
    QCOMPARE(drawn(), QStringList{Field});
    QCOMPARE(PanelText::mapCalls(host->mapCalls), QStringList{"refresh"});
}

// The nested routes start off but for route 10, loaded with the given mode.
// Of a route and a route inside it both named, only the outer one is switched.
void tst_CheckMode::checkModeReply_data()
{
    QTest::addColumn<QList<uint>>("loaded"); // route 10's check on, time type and time
    QTest::addColumn<uint>("replyTime");
    QTest::addColumn<QList<int>>("replyIds");
    QTest::addColumn<QStringList>("texts"); // of routes 10, 20, 30, 40, 50
    QTest::addColumn<QList<uint>>("after"); // route 10's check on and time

    const QString off = "Check off", on = "Check on 04:40:00 14.07.17";
    QTest::newRow("type 4 has its own text; group and child named: only the group")
        << QList<uint>{1, 4, 1400000000} << 1500000000u << QList<int>{10, 20, 40}
        << QStringList{"Plan Perehvat 04:40:00 14.07.17", off, off, on, off}
        << QList<uint>{1, 1500000000};
    QTest::newRow("time 0 switches off, time kept")
        << QList<uint>{1, 4, 1400000000} << 0u << QList<int>{10, 50}
        << QStringList{off, off, off, off, off} << QList<uint>{0, 1400000000};
    QTest::newRow("time past 2^31 is unsigned")
        << QList<uint>{0, 1, 0} << 3000000000u << QList<int>{10}
        << QStringList{"Check on 06:20:00 24.01.65", off, off, off, off}
        << QList<uint>{1, 3000000000u};
    QTest::newRow("unnamed route keeps its loaded mode; 2 counts as on")
        << QList<uint>{2, 4, 0} << 1700000000u << QList<int>{50}
        << QStringList{"Plan Perehvat 01:00:00 01.01.70", off, off, off,
                       "Check on 23:13:20 14.11.23"}
        << QList<uint>{2, 0};
    QTest::newRow("node ids and others are no route ids")
        << QList<uint>{0, 1, 5} << 1500000000u << QList<int>{1, 2, 3, 4, 5, 6, 99, -1}
        << QStringList{off, off, off, off, off} << QList<uint>{0, 5};
}

void tst_CheckMode::checkModeReply()
{
    QFETCH(QList<uint>, loaded);
    QFETCH(uint, replyTime);
    QFETCH(QList<int>, replyIds);
    QFETCH(QStringList, texts);
    QFETCH(QList<uint>, after);

    panel->reply("Get_tree_rulecheck", nestedRoutes(int(loaded[0]), int(loaded[1]), loaded[2]));
    // "Save" starts enabled; an acknowledged save turns it off.
    panel->reply("Fix_routes", QByteArray());
    QByteArray body;
    QDataStream out(&body, QIODevice::WriteOnly);
    out << replyTime << replyIds;

    panel->reply("Set_check_mode", body);

    QCOMPARE(modeTexts(), texts);
    QCOMPARE(item({1})->index().siblingAtColumn(1).data(), QVariant());
    const RouteRecord *record = itemRoute(item({0}));
    QCOMPARE((QList<uint>{uint(record->checkOn), record->checkTime}), after);
    QCOMPARE(uint(record->checkTimeType), loaded[1]);
    QCOMPARE(itemRoute(item({1, 1}))->checkOn, int(texts.last() != "Check off"));
    // A reply is no edit of the operator's.
    QVERIFY(!plugin->panProperties()->saveAction()->isEnabled());
    QCOMPARE(plugin->undoStack()->count(), 0);
    QVERIFY(host->requests.isEmpty());
}

// The request names the routes at and below the selected row, each before its
// children, after any pending edits; nothing changes before the server answers.
void tst_CheckMode::setCheckMode_data()
{
    QTest::addColumn<QString>("action"); // empty: the slot called without an action
    QTest::addColumn<QList<int>>("path"); // empty: nothing selected
    QTest::addColumn<bool>("pendingEdit");
    QTest::addColumn<QList<QByteArray>>("commands");
    QTest::addColumn<QByteArray>("body");

    const QList<QByteArray> mode{"Set_check_mode"};
    QTest::newRow("on: group, depth first") << "Set check on" << QList<int>{0} << false << mode
                                            << RouteMessages::checkModeRequest(1, {10, 20, 30});
    QTest::newRow("off: node without route, edits saved first")
        << "Set check off" << QList<int>{1} << true << QList<QByteArray>{"Fix_routes"} + mode
        << RouteMessages::checkModeRequest(0, {40, 50});
    QTest::newRow("on: section row sends empty list") << "Set check on" << QList<int>{1, 1, 0}
                                                      << false << mode
                                                      << RouteMessages::checkModeRequest(1, {});
    QTest::newRow("nothing selected, pending edit not saved")
        << "Set check on" << QList<int>() << true << QList<QByteArray>() << QByteArray();
    QTest::newRow("called without an action")
        << QString() << QList<int>{0} << false << QList<QByteArray>() << QByteArray();
}

void tst_CheckMode::setCheckMode()
{
    QFETCH(QString, action);
    QFETCH(QList<int>, path);
    QFETCH(bool, pendingEdit);
    QFETCH(QList<QByteArray>, commands);
    QFETCH(QByteArray, body);

    panel->reply("Get_tree_rulecheck", nestedRoutes());
    if (pendingEdit)
        plugin->setItemEditState(EditState::Changed, item({0, 0}));
    plugin->mainView()->selectionModel()->clearSelection();
    if (!path.isEmpty())
        plugin->mainView()->selectionModel()->select(
            item(path)->index(), QItemSelectionModel::Select | QItemSelectionModel::Rows);

    if (action.isEmpty())
        plugin->onSetCheckMode();
    for (QAction *entry : plugin->contextMenu()->actions()) {
        if (!action.isEmpty() && entry->text() == action)
            entry->trigger();
    }

    QCOMPARE(host->commands(), commands);
    QCOMPARE(host->requests.isEmpty() ? QByteArray() : host->requests.last().body.toHex(),
             body.toHex());
    for (const SentRequest &request : qAsConst(host->requests))
        QVERIFY(request.server == "OperCheck_Server1" && request.sender == plugin);
    QCOMPARE(modeTexts().filter("Check off").size(), 5);
    QCOMPARE(plugin->undoStack()->count(), 0);
}

QTEST_MAIN(tst_CheckMode)
#include "tst_checkmode.moc"
