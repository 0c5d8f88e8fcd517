#include "panel/BindToMapModel.h"
#include "shell/OperativeCheck.h"

#include "support/FakeHost.h"

#include <MapQt.h>

#include <QtMath>
#include <QtTest>

#include <cmath>
#include <memory>

namespace {

constexpr int MapId = 7;
constexpr int LayerId = 99;
constexpr double EarthRadius = 6378140.0;

// Great-circle distance by the haversine form, from 1e-7 degree (x longitude, y latitude).
double haversineMetres(int x1, int y1, int x2, int y2)
{
    const double unit = M_PI / 180.0 / 1e7;
    const double lat1 = y1 * unit;
    const double lat2 = y2 * unit;
    const double dLat = (double(y2) - y1) * unit;
    const double dLon = (double(x2) - x1) * unit;
    const double h = std::pow(std::sin(dLat / 2), 2)
        + std::cos(lat1) * std::cos(lat2) * std::pow(std::sin(dLon / 2), 2);
    return 2 * EarthRadius * std::asin(std::min(1.0, std::sqrt(h)));
}

// The lists of layer 99 in a table, group by group.
QList<QList<MapQt::PrimitiveList *>> layerLists(MapQt::LayerTable *table)
{
    QList<QList<MapQt::PrimitiveList *>> result;
    if (QList<MapQt::LayerGroup *> *groups = table->value(LayerId, nullptr)) {
        for (const MapQt::LayerGroup *group : qAsConst(*groups))
            result.append(group->lists);
    }
    return result;
}

} // namespace

class tst_MapBinding : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void bindMakesLayer();
    void bindTakesExistingLayer_data();
    void bindTakesExistingLayer();
    void secondBindIgnored();
    void noMap_data();
    void noMap();
    void connectRequestsTrees();
    void nothingSentBeforeHost_data();
    void nothingSentBeforeHost();
    void scaleForRect_data();
    void scaleForRect();
    void coincidentCorners_data();
    void coincidentCorners();

private:
    std::unique_ptr<FakeHost> host;
    std::unique_ptr<OperativeCheck> plugin;
};

void tst_MapBinding::init()
{
    host = std::make_unique<FakeHost>();
    plugin = std::make_unique<OperativeCheck>();
}

void tst_MapBinding::cleanup()
{
    // The layer table is the host's: the plug-in goes first.
    plugin.reset();
    host.reset();
}

void tst_MapBinding::bindMakesLayer()
{
    MapQt::LayerTable *table = host->GetLayers(MapId);
    auto *otherGroups = new QList<MapQt::LayerGroup *>;
    table->insert(5, otherGroups);

    plugin->SetHost(host.get());
    plugin->BindMap(0, MapId);

    QCOMPARE(table->keys(), (QList<int>{5, LayerId}));
    QCOMPARE(table->value(5), otherGroups);
    QList<MapQt::LayerGroup *> *groups = table->value(LayerId);
    QVERIFY(groups);
    QCOMPARE(groups->size(), 2);
    for (const MapQt::LayerGroup *group : qAsConst(*groups)) {
        QCOMPARE(group->id, 0);
        QCOMPARE(group->flags, 0);
        QCOMPARE(group->lists.size(), 1);
        QVERIFY(group->lists.first());
        QCOMPARE(group->lists.first()->visible, true);
        QCOMPARE(group->lists.first()->editable, false);
        QVERIFY(group->lists.first()->primitives.isEmpty());
    }
    QVERIFY(groups->at(0)->lists.first() != groups->at(1)->lists.first());
    QCOMPARE(plugin->sectionList(), groups->at(1)->lists.first());
    QCOMPARE(host->sectionList(MapId), plugin->sectionList());
}

void tst_MapBinding::bindTakesExistingLayer_data()
{
    QTest::addColumn<QList<int>>("listsPerGroup");
    QTest::addColumn<bool>("hasSectionList"); // the first list of the second group

    QTest::newRow("two groups of one list") << QList<int>{1, 1} << true;
    QTest::newRow("two groups of two lists: first taken") << QList<int>{2, 2} << true;
    QTest::newRow("three groups: the second holds sections") << QList<int>{1, 3, 1} << true;
    QTest::newRow("second group without lists") << QList<int>{1, 0} << false;
    QTest::newRow("one group only") << QList<int>{1} << false;
    QTest::newRow("no groups") << QList<int>{} << false;
}

void tst_MapBinding::bindTakesExistingLayer()
{
    QFETCH(QList<int>, listsPerGroup);
    QFETCH(bool, hasSectionList);

    MapQt::LayerTable *table = host->GetLayers(MapId);
    auto *groups = new QList<MapQt::LayerGroup *>;
    for (int lists : qAsConst(listsPerGroup)) {
        auto *group = new MapQt::LayerGroup{3, 4, {}};
        for (int i = 0; i < lists; ++i)
            group->lists.append(new MapQt::PrimitiveList{{}, false, true});
        groups->append(group);
    }
    table->insert(LayerId, groups);
    const QList<QList<MapQt::PrimitiveList *>> before = layerLists(table);

    plugin->SetHost(host.get());
    plugin->BindMap(0, MapId);

    QCOMPARE(table->size(), 1);
    QCOMPARE(table->value(LayerId), groups);
    QCOMPARE(layerLists(table), before);
    MapQt::PrimitiveList *expected = hasSectionList ? groups->at(1)->lists.first() : nullptr;
    QCOMPARE(plugin->sectionList(), expected);
    // The lists keep the map's flags.
    for (const QList<MapQt::PrimitiveList *> &lists : before) {
        for (const MapQt::PrimitiveList *list : lists) {
            QCOMPARE(list->visible, false);
            QCOMPARE(list->editable, true);
        }
    }
}

void tst_MapBinding::secondBindIgnored()
{
    plugin->SetHost(host.get());
    plugin->BindMap(0, MapId);
    MapQt::PrimitiveList *first = plugin->sectionList();
    QVERIFY(first);

    plugin->BindMap(0, MapId + 1);
    plugin->BindMap(1, MapId);

    QCOMPARE(plugin->sectionList(), first);
    QVERIFY(!host->sectionList(MapId + 1));
    QCOMPARE(host->GetLayers(MapId)->size(), 1);
    QCOMPARE(host->GetLayers(MapId)->value(LayerId)->size(), 2);
    QVERIFY(host->mapCalls.isEmpty());
}

void tst_MapBinding::noMap_data()
{
    QTest::addColumn<bool>("hostSet");

    QTest::newRow("host without a map model") << true;
    QTest::newRow("no host at all") << false;
}

void tst_MapBinding::noMap()
{
    QFETCH(bool, hostSet);

    host = std::make_unique<FakeHost>(false);
    if (hostSet)
        plugin->SetHost(host.get());
    plugin->BindMap(0, MapId);

    QVERIFY(!plugin->sectionList());
    QVERIFY(!host->sectionList(MapId));
    QVERIFY(host->mapCalls.isEmpty());

    // The panel still works without a map: a route tree reply is taken in.
    QByteArray command("Get_tree_rulecheck");
    QByteArray body = QByteArray::fromHex("00000001 00000005 00000000 00000001 00000000 00");
    plugin->OnServerReply(command, body);
    QCOMPARE(plugin->model->rowCount(), 1);
    QVERIFY(!plugin->sectionList());
    QVERIFY(host->mapCalls.isEmpty());
}

void tst_MapBinding::connectRequestsTrees()
{
    plugin->SetHost(host.get());
    QVERIFY(host->requests.isEmpty());

    host->notifier.connectToServer();

    QCOMPARE(host->requests.size(), 2);
    const QList<QByteArray> commands{"Get_tree_rulecheck", "Get_tree_graphobj"};
    for (int i = 0; i < 2; ++i) {
        const SentRequest &request = host->requests.at(i);
        QCOMPARE(request.command, commands.at(i));
        QCOMPARE(request.server, QByteArray("OperCheck_Server1"));
        QVERIFY(request.body.isEmpty());
        QCOMPARE(request.sender, static_cast<PluginInterface *>(plugin.get()));
    }

    host->notifier.connectToServer();
    QCOMPARE(host->commands(), commands + commands);
}

void tst_MapBinding::nothingSentBeforeHost_data()
{
    QTest::addColumn<bool>("viaNotifier");

    QTest::newRow("connection signal") << true;
    QTest::newRow("reload button") << false;
}

void tst_MapBinding::nothingSentBeforeHost()
{
    QFETCH(bool, viaNotifier);

    if (viaNotifier)
        host->notifier.connectToServer();
    else
        plugin->onGetClicked();
    QVERIFY(host->requests.isEmpty());

    // A host set afterwards gets requests from then on.
    plugin->SetHost(host.get());
    plugin->onGetClicked();
    QCOMPARE(host->commands(),
             (QList<QByteArray>{"Get_tree_rulecheck", "Get_tree_graphobj"}));
}

void tst_MapBinding::scaleForRect_data()
{
    QTest::addColumn<int>("x1");
    QTest::addColumn<int>("y1");
    QTest::addColumn<int>("x2");
    QTest::addColumn<int>("y2");
    QTest::addColumn<int>("roughScale"); // worked by hand, good to half a percent

    QTest::newRow("one degree of latitude") << 0 << 0 << 0 << 10000000 << 27830;
    QTest::newRow("one degree of longitude at the equator") << 0 << 0 << 10000000 << 0 << 27830;
    QTest::newRow("one degree of longitude at 60N")
        << 0 << 600000000 << 10000000 << 600000000 << 13915;
    QTest::newRow("city block diagonal") << 376000000 << 557500000 << 376100000 << 557560000
                                         << 229;
    QTest::newRow("corners swapped") << 376100000 << 557560000 << 376000000 << 557500000 << 229;
    QTest::newRow("southern hemisphere")
        << -585000000 << -345000000 << -583000000 << -346000000 << 5363;
    QTest::newRow("across the date line")
        << 1795000000 << 100000000 << -1795000000 << 100000000 << 27407;
    QTest::newRow("pole to equator") << 0 << 900000000 << 0 << 0 << 2504690;
    QTest::newRow("antipodes on the equator") << 0 << 0 << 1800000000 << 0 << 5009379;
    QTest::newRow("two hundred metres") << 0 << 0 << 0 << 17967 << 50;
}

void tst_MapBinding::scaleForRect()
{
    QFETCH(int, x1);
    QFETCH(int, y1);
    QFETCH(int, x2);
    QFETCH(int, y2);
    QFETCH(int, roughScale);

    const double metres = haversineMetres(x1, y1, x2, y2);
    QVERIFY(metres > 8.0);
    // Two forms of the same sphere agree to far below a metre.
    QVERIFY2(std::abs(BindToMapModel::distanceMetres(x1, y1, x2, y2) - metres) < 0.01,
             qPrintable(QString::number(BindToMapModel::distanceMetres(x1, y1, x2, y2), 'f', 4)
                        + QLatin1String(" != ") + QString::number(metres, 'f', 4)));
    const int expected = int(0.25 * metres);
    const int scale = BindToMapModel::scaleForRect(x1, y1, x2, y2);
    QVERIFY2(qAbs(scale - expected) <= 1, qPrintable(QString::number(scale)));
    QVERIFY(qAbs(scale - roughScale) <= roughScale / 200);
}

void tst_MapBinding::coincidentCorners_data()
{
    QTest::addColumn<int>("x1");
    QTest::addColumn<int>("y1");
    QTest::addColumn<int>("x2");
    QTest::addColumn<int>("y2");

    // sin²a + cos²a rounds above 1 for some of these: acos must not see it.
    QTest::newRow("same point at 55.75N") << 376000000 << 557500000 << 376000000 << 557500000;
    QTest::newRow("same point at 1N") << 0 << 10000000 << 0 << 10000000;
    QTest::newRow("same point at 33.3S") << 1512000000 << -333000000 << 1512000000 << -333000000;
    QTest::newRow("same point at 45N") << 123 << 450000000 << 123 << 450000000;
    QTest::newRow("same point at 12.345N") << 5 << 123450000 << 5 << 123450000;
    // A latitude where that rounding happens for sure.
    const double unit = M_PI / 180.0 / 1e7;
    bool found = false;
    for (int y = 1000; y < 900000000 && !found; y += 9999991) {
        const double a = (900000000.0 - y) * unit;
        found = std::sin(a) * std::sin(a) + std::cos(a) * std::cos(a) > 1.0;
        if (found)
            QTest::addRow("same point where c rounds above 1 (y %d)", y) << 0 << y << 0 << y;
    }
    QVERIFY(found);
    QTest::newRow("ten units apart") << 0 << 0 << 0 << 10;
    QTest::newRow("just under four metres") << 0 << 0 << 0 << 350;
    QTest::newRow("a metre east at 60N") << 0 << 600000000 << 180 << 600000000;
}

void tst_MapBinding::coincidentCorners()
{
    QFETCH(int, x1);
    QFETCH(int, y1);
    QFETCH(int, x2);
    QFETCH(int, y2);

    const double metres = BindToMapModel::distanceMetres(x1, y1, x2, y2);
    QVERIFY(!std::isnan(metres));
    QVERIFY(metres >= 0.0);
    QVERIFY(metres < 4.0);
    QCOMPARE(BindToMapModel::scaleForRect(x1, y1, x2, y2), 1);
}

QTEST_MAIN(tst_MapBinding)
#include "tst_mapbinding.moc"
