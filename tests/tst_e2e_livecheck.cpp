// Live checking end to end: a route shown in the panel and checked on the
// server, a feed pushing unit positions, and the host's map showing the
// section's shapes in the colour the server judged.
#include <MapCanvas.h>

#include <FrameClient.h>
#include <LayerStore.h>
#include "wire/LiveMessages.h"
#include <RouteCheckServer.h>
#include <RuleStore.h>
#include <TrackedObjectStore.h>

#include "records/GraphObData.h"
#include "wire/Commands.h"
#include "wire/RouteMessages.h"
#include "records/RouteRecord.h"
#include "records/SectionRecord.h"

#include <DemoDistrict.h>
#include <MapQt.h>

#include <QAction>
#include <QMenu>
#include <QTemporaryDir>
#include <QTreeView>
#include <QtTest>

#include "testsupport/E2eClient.h"

using E2e::Client;
using LiveMessages::CheckEvent;
using LiveMessages::PositionReport;

namespace {

const QByteArray SectionsState("Every_sections_state");
const QColor GateBrush(0, 0, 255, 80);

// A fix of the feed: seconds after the check-on time, metres east and north
// of the district's centre.
struct Fix
{
    int after;
    double east;
    double north;
};

} // namespace

Q_DECLARE_METATYPE(QList<Fix>)

class tst_E2eLiveCheck : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void pushedPositionsColourTheSection_data();
    void pushedPositionsColourTheSection();
    void laterClientGetsCurrentStates();
    void serverKeepsItsJudgement_data();
    void serverKeepsItsJudgement();

private:
    void seedDatabase();
    void showAndCheckRoute();
    // The brush of the gate's polygon as the plug-in drew it on the city map.
    QColor gateBrush() const;
    void push(const QList<Fix> &fixes, qint32 unit);
    // Switches checking of the route on or off from the feed's connection.
    void setCheckMode(int mode);

    std::unique_ptr<QTemporaryDir> m_folder;
    std::unique_ptr<RouteCheckServer> m_server;
    std::unique_ptr<Client> m_client;
    std::unique_ptr<FrameClient> m_feed;
    qint32 m_route = 0;
    qint32 m_car = 0;
    qint32 m_stranger = 0;
    qint64 m_checkTime = 0;
};

void tst_E2eLiveCheck::init()
{
    m_folder = std::make_unique<QTemporaryDir>();
    ServerOptions options;
    options.port = 0;
    options.databasePath = m_folder->filePath(QStringLiteral("live.sqlite"));
    m_server = std::make_unique<RouteCheckServer>(options);
    QString error;
    QVERIFY2(m_server->start(&error), qPrintable(error));
    seedDatabase();

    m_client = std::make_unique<Client>();
    QVERIFY(E2e::waitFor(*m_client, "Get_tree_graphobj", [this] {
        m_client->connection.connectTo(QStringLiteral("127.0.0.1"), m_server->serverPort());
    }));
    m_feed = std::make_unique<FrameClient>();
    QSignalSpy connected(m_feed.get(), &FrameClient::connected);
    m_feed->connectToServer(QHostAddress::LocalHost, m_server->serverPort());
    QVERIFY(connected.wait());
}

void tst_E2eLiveCheck::cleanup()
{
    m_feed.reset();
    m_client.reset();
    m_server.reset();
    m_folder.reset();
}

// The gate: a triangle south of the centre with a blue brush, entered in the
// window [60 - 30, 60 + 60] and left in [180 - 30, 180 + 60] after check-on.
void tst_E2eLiveCheck::seedDatabase()
{
    TrackedObjectStore units(m_server->database());
    m_car = units.add(0, QStringLiteral("Car 11"), TrackedObjectStore::Kind::Unit, 0);
    m_stranger = units.add(0, QStringLiteral("Car 12"), TrackedObjectStore::Kind::Unit, 1);

    LayerStore layers(m_server->database());
    const qint32 layer = layers.addLayer(0, QStringLiteral("Marks"), 1, 0);
    GraphObData gate;
    gate.type = 3;
    gate.name = QStringLiteral("Gate");
    gate.points = {DemoDistrict::offset(-100, -100), DemoDistrict::offset(100, -100),
                   DemoDistrict::offset(0, 100)};
    gate.properties = {{QStringLiteral("Color"), QColor(Qt::blue)},
                       {QStringLiteral("Brush"), GateBrush}};
    const qint32 gateId = layers.addObject(layer, gate, 0);

    RuleStore rules(m_server->database());
    m_route = rules.addNode(0, QStringLiteral("Beat"), 3, 0);
    RouteRecord route(m_route);
    route.checkTimeType = 0; // from the moment checking is switched on
    route.objects = {m_car};
    auto *section = new SectionRecord;
    section->id = 1;
    section->name = QStringLiteral("Gate");
    section->graphObjectIds = {gateId};
    section->checkTimeIn = 60;
    section->checkTimeOut = 180;
    section->checkTimeInAhead = section->checkTimeOutAhead = 30;
    section->checkTimeInBehind = section->checkTimeOutBehind = 60;
    route.sections = {section};
    QVERIFY(rules.storeRoute(route));
}

void tst_E2eLiveCheck::showAndCheckRoute()
{
    OperativeCheck *plugin = m_client->plugin;
    QStandardItem *beat = E2e::nodeItem(*m_client, m_route);
    QVERIFY(beat);
    beat->setCheckState(Qt::Checked);
    QCOMPARE(gateBrush(), GateBrush);

    plugin->mainView()->setCurrentIndex(beat->index());
    plugin->onMainItemClicked(beat->index());
    QAction *checkOn = nullptr;
    for (QAction *action : plugin->contextMenu()->actions()) {
        if (!action->isSeparator() && action->data().isValid() && action->data().toInt() == 1)
            checkOn = action;
    }
    QVERIFY(checkOn);
    QVERIFY(E2e::waitFor(*m_client, "Set_check_mode", [checkOn] { checkOn->trigger(); }));
    const RouteRecord *route = itemRoute(E2e::nodeItem(*m_client, m_route));
    QVERIFY(route);
    QCOMPARE(route->checkOn, 1);
    m_checkTime = route->checkTime;
}

QColor tst_E2eLiveCheck::gateBrush() const
{
    MapCanvas *city = m_client->window->maps().at(0);
    const QList<MapQt::LayerGroup *> *groups = city->layers()->value(99);
    if (!groups || groups->size() < 2 || groups->at(1)->lists.isEmpty())
        return QColor();
    for (const MapQt::MapPrimitive *primitive : groups->at(1)->lists.first()->primitives) {
        if (dynamic_cast<const MapQt::MapPolygon *>(primitive) && primitive->brush)
            return primitive->brush->color();
    }
    return QColor();
}

void tst_E2eLiveCheck::push(const QList<Fix> &fixes, qint32 unit)
{
    QList<PositionReport> reports;
    for (const Fix &fix : fixes) {
        PositionReport report;
        report.unitId = unit;
        report.time = quint32(m_checkTime + fix.after);
        report.position = DemoDistrict::offset(fix.east, fix.north);
        reports.append(report);
    }
    m_feed->send(Commands::PushPositions, LiveMessages::positionsBody(reports));
}

void tst_E2eLiveCheck::pushedPositionsColourTheSection_data()
{
    QTest::addColumn<QList<Fix>>("fixes");
    QTest::addColumn<QColor>("brush");
    QTest::addColumn<QList<int>>("deviations"); // of the events recorded, newest first

    const QColor green(0, 192, 31, 127);
    const QColor red(192, 0, 31, 127);
    // Outside is 400 m north of the gate; a fix at the centre is well inside.
    QTest::newRow("in and out on time")
        << QList<Fix>{{20, 0, 400}, {65, 0, 0}, {75, 0, 0}, {170, 0, 400}, {180, 0, 400}}
        << green << QList<int>{0, 0};
    QTest::newRow("entered late")
        << QList<Fix>{{100, 0, 400}, {130, 0, 0}, {140, 0, 0}} << red << QList<int>{10};
    QTest::newRow("entered early")
        << QList<Fix>{{5, 0, 400}, {10, 0, 0}, {20, 0, 0}} << red << QList<int>{-20};
    QTest::newRow("left late") << QList<Fix>{{50, 0, 400}, {60, 0, 0}, {70, 0, 0},
                                             {250, 0, 400}, {260, 0, 400}}
                               << red << QList<int>{10, 0};
    // One stray fix inside, a few metres over the border, confirms nothing.
    QTest::newRow("one stray fix across the border")
        << QList<Fix>{{50, 0, 400}, {60, 0, 98}, {70, 0, 400}} << GateBrush << QList<int>{};
    QTest::newRow("inside, not yet left")
        << QList<Fix>{{50, 0, 400}, {60, 0, 0}, {70, 0, 0}} << GateBrush << QList<int>{0};
}

void tst_E2eLiveCheck::pushedPositionsColourTheSection()
{
    QFETCH(QList<Fix>, fixes);
    QFETCH(QColor, brush);
    QFETCH(QList<int>, deviations);

    showAndCheckRoute();
    QSignalSpy events(m_feed.get(), &FrameClient::newsReceived);
    // A unit of no checked route changes nothing.
    push({{60, 0, 0}, {70, 0, 0}}, m_stranger);
    if (brush != GateBrush) {
        QVERIFY(E2e::waitFor(*m_client, SectionsState, [&] { push(fixes, m_car); }));
    } else {
        push(fixes, m_car);
        QTRY_VERIFY(std::any_of(events.cbegin(), events.cend(), [](const QList<QVariant> &a) {
            return a.at(0).toByteArray() == Commands::UnitPositions
                   && a.at(1).toByteArray().size() > 4 + 2 * 16;
        }));
    }
    QCOMPARE(gateBrush(), brush);

    // The events of the sections' message switches, as the host lists them.
    QSignalSpy replies(m_feed.get(), &FrameClient::replyReceived);
    m_feed->send(Commands::GetCheckEvents, LiveMessages::eventsRequestBody(10));
    QVERIFY(replies.wait());
    const QList<CheckEvent> recorded =
        LiveMessages::readEvents(replies.last().at(1).toByteArray()).value_or(QList<CheckEvent>());
    QList<int> seen;
    for (const CheckEvent &event : qAsConst(recorded)) {
        QCOMPARE(event.unitName, QStringLiteral("Car 11"));
        QCOMPARE(event.routeName, QStringLiteral("Beat"));
        QCOMPARE(event.sectionName, QStringLiteral("Gate"));
        seen.append(event.deviation);
    }
    QCOMPARE(seen, deviations);
}

void tst_E2eLiveCheck::laterClientGetsCurrentStates()
{
    showAndCheckRoute();
    QVERIFY(E2e::waitFor(*m_client, SectionsState, [this] {
        push({{100, 0, 400}, {130, 0, 0}, {140, 0, 0}}, m_car);
    }));

    // A second operator shows the route: it is red at once, without a push.
    Client later;
    QVERIFY(E2e::waitFor(later, SectionsState, [&] {
        later.connection.connectTo(QStringLiteral("127.0.0.1"), m_server->serverPort());
    }));
    QTRY_VERIFY(E2e::nodeItem(later, m_route));
    QStandardItem *beat = E2e::nodeItem(later, m_route);
    const RouteRecord *route = itemRoute(beat);
    QVERIFY(route && !route->sections.isEmpty());
    QTRY_COMPARE(route->sections.first()->state, 1);
}

void tst_E2eLiveCheck::setCheckMode(int mode)
{
    QSignalSpy replies(m_feed.get(), &FrameClient::replyReceived);
    m_feed->send("Set_check_mode", RouteMessages::checkModeRequest(mode, {m_route}));
    QVERIFY(replies.wait());
    QDataStream in(replies.last().at(1).toByteArray());
    in.setVersion(QDataStream::Qt_4_5);
    qint32 time = 0;
    in >> time;
    if (mode == 1)
        m_checkTime = time;
}

namespace {
enum Then { Nothing, SaveAnotherRoute, PushAgain, CheckOffAndOn };
}

// What the server judged must outlast saves of other routes and repeated
// fixes; a fix from the future is not taken. A fresh client reads the result.
void tst_E2eLiveCheck::serverKeepsItsJudgement_data()
{
    QTest::addColumn<QList<Fix>>("fixes");
    QTest::addColumn<int>("then");
    QTest::addColumn<int>("state");
    QTest::addColumn<int>("events");

    const QList<Fix> onTime{{20, 0, 400}, {65, 0, 0}, {75, 0, 0}, {170, 0, 400}, {180, 0, 400}};
    QTest::newRow("on time") << onTime << int(Nothing) << 2 << 2;
    QTest::newRow("another route saved") << onTime << int(SaveAnotherRoute) << 2 << 2;
    QTest::newRow("the same fixes again") << onTime << int(PushAgain) << 2 << 2;
    QTest::newRow("a fix from the future") << QList<Fix>{{1000, 0, 400}} << int(Nothing) << 0 << 0;
    // The early entry is older than the new check time: it no longer counts.
    QTest::newRow("checked anew after an early entry")
        << QList<Fix>{{0, 0, 0}, {1, 0, 0}} << int(CheckOffAndOn) << 0 << 1;
}

void tst_E2eLiveCheck::serverKeepsItsJudgement()
{
    QFETCH(QList<Fix>, fixes);
    QFETCH(int, then);
    QFETCH(int, state);
    QFETCH(int, events);

    setCheckMode(1);
    push(fixes, m_car);
    switch (then) {
    case SaveAnotherRoute: {
        RuleStore rules(m_server->database());
        const qint32 node = rules.addNode(0, QStringLiteral("Spare"), 3, 1);
        QByteArray body;
        QDataStream out(&body, QIODevice::WriteOnly);
        out.setVersion(QDataStream::Qt_4_5);
        RouteMessages::writeSaveEntry(out, node, RouteRecord(node));
        RouteMessages::writeSaveEnd(out, {});
        QSignalSpy saved(m_feed.get(), &FrameClient::replyReceived);
        m_feed->send("Fix_routes", body);
        QVERIFY(saved.wait());
        QCOMPARE(saved.last().at(0).toByteArray(), QByteArray("Fix_routes"));
        break;
    }
    case PushAgain:
        push(fixes, m_car);
        break;
    case CheckOffAndOn:
        QTest::qWait(2100); // a check time later than the fixes
        setCheckMode(0);
        setCheckMode(1);
        break;
    default:
        break;
    }
    // Requests of one connection are answered in order: once this reply is
    // in, every push before it has been taken.
    QSignalSpy synced(m_feed.get(), &FrameClient::replyReceived);
    m_feed->send(Commands::GetCheckEvents, LiveMessages::eventsRequestBody(1));
    QVERIFY(synced.wait());

    FrameClient observer;
    QSignalSpy states(&observer, &FrameClient::newsReceived);
    QSignalSpy replies(&observer, &FrameClient::replyReceived);
    observer.connectToServer(QHostAddress::LocalHost, m_server->serverPort());
    QTRY_VERIFY(!states.isEmpty());
    QDataStream in(states.first().at(1).toByteArray());
    in.setVersion(QDataStream::Qt_4_5);
    qint32 route = 0, section = 0, judged = -1;
    in >> route >> section >> judged;
    QCOMPARE(route, m_route);
    QCOMPARE(section, 1);
    QCOMPARE(judged, state);

    observer.send(Commands::GetCheckEvents, LiveMessages::eventsRequestBody(10));
    QTRY_VERIFY(!replies.isEmpty());
    const QList<CheckEvent> recorded =
        LiveMessages::readEvents(replies.last().at(1).toByteArray()).value_or(QList<CheckEvent>());
    QCOMPARE(recorded.size(), events);
}

QTEST_MAIN(tst_E2eLiveCheck)
#include "tst_e2e_livecheck.moc"
