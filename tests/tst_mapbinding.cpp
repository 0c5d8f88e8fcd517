#include "panel/BindToMapModel.h"
#include "shell/OperativeCheck.h"

#include "testsupport/FakeHost.h"

#include <MapQt.h>

#include <QtMath>
#include <QtTest>

#include <cmath>
#include <memory>

namespace {

constexpr int MapId = 7;
constexpr int LayerId = 99;

// Great-circle distance by the haversine form, from 1e-7 degree (x longitude, y latitude).
double haversineMetres(int x1, int y1, int x2, int y2)
{
    const double unit = M_PI / 180.0 / 1e7;
    const double h = std::pow(std::sin((double(y2) - y1) * unit / 2), 2)
        + std::cos(y1 * unit) * std::cos(y2 * unit)
            * std::pow(std::sin((double(x2) - x1) * unit / 2), 2);
    return 2 * 6378140.0 * std::asin(std::min(1.0, std::sqrt(h)));
}

} // namespace

class tst_MapBinding : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        host = std::make_unique<FakeHost>();
        plugin = std::make_unique<OperativeCheck>();
    }
    // The layer table is the host's: the plug-in goes first.
    void cleanup() { plugin.reset(); host.reset(); }

    void bindLayer_data();
    void bindLayer();
    void noMap_data();
    void noMap();
    void treesRequested_data();
    void treesRequested();
    void scaleForRect_data();
    void scaleForRect();
    void coincidentCorners_data();
    void coincidentCorners();

private:
    std::unique_ptr<FakeHost> host;
    std::unique_ptr<OperativeCheck> plugin;
};

// Layer 99 is made with two groups of one empty visible list when the map has
// none, else taken as it is; sections go to the second group's first list. Only
// the first binding counts.
void tst_MapBinding::bindLayer_data()
{
    QTest::addColumn<QList<int>>("listsPerGroup"); // empty: no layer 99 yet
    QTest::addColumn<bool>("hasSectionList");

    QTest::newRow("no layer yet: made") << QList<int>{} << true;
    QTest::newRow("two groups of one list") << QList<int>{1, 1} << true;
    QTest::newRow("three groups: the second holds sections") << QList<int>{1, 3, 1} << true;
    QTest::newRow("second group without lists") << QList<int>{1, 0} << false;
    QTest::newRow("one group only") << QList<int>{1} << false;
}

void tst_MapBinding::bindLayer()
{
    QFETCH(QList<int>, listsPerGroup);
    QFETCH(bool, hasSectionList);

    MapQt::LayerTable *table = host->GetLayers(MapId);
    auto *otherGroups = new QList<MapQt::LayerGroup *>;
    table->insert(5, otherGroups);
    QList<MapQt::PrimitiveList *> lists;
    if (!listsPerGroup.isEmpty()) {
        auto *groups = new QList<MapQt::LayerGroup *>;
        for (int count : qAsConst(listsPerGroup)) {
            groups->append(new MapQt::LayerGroup{3, 4, {}});
            for (int i = 0; i < count; ++i)
                groups->last()->lists.append(new MapQt::PrimitiveList{{}, false, true});
            lists += groups->last()->lists;
        }
        table->insert(LayerId, groups);
    }
    QList<MapQt::LayerGroup *> *before = table->value(LayerId, nullptr);

    plugin->SetHost(host.get());
    plugin->BindMap(0, MapId);
    plugin->BindMap(0, MapId + 1);
    plugin->BindMap(1, MapId);

    QCOMPARE(table->keys(), (QList<int>{5, LayerId}));
    QCOMPARE(table->value(5), otherGroups);
    QList<MapQt::LayerGroup *> *groups = table->value(LayerId);
    QList<MapQt::PrimitiveList *> after;
    for (const MapQt::LayerGroup *group : qAsConst(*groups))
        after += group->lists;
    if (before) {
        QCOMPARE(groups, before);
        QCOMPARE(after, lists);
        for (const MapQt::PrimitiveList *list : qAsConst(lists))
            QVERIFY(!list->visible && list->editable);
    } else {
        QCOMPARE(groups->size(), 2);
        QCOMPARE(groups->at(1)->lists.size(), 1);
        QCOMPARE(after.size(), 2);
        QVERIFY(after.at(0) != after.at(1));
        for (const MapQt::PrimitiveList *list : qAsConst(after))
            QVERIFY(list->visible && !list->editable && list->primitives.isEmpty());
    }
    QCOMPARE(plugin->sectionList(), hasSectionList ? groups->at(1)->lists.first() : nullptr);
    QVERIFY(!host->sectionList(MapId + 1));
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

    // The panel still works without a map: a route tree reply is taken in.
    QByteArray command("Get_tree_rulecheck");
    QByteArray body = QByteArray::fromHex("00000001 00000005 00000000 00000001 00000000 00");
    plugin->OnServerReply(command, body);
    QCOMPARE(plugin->model()->rowCount(), 1);
    QVERIFY(!plugin->sectionList());
    QVERIFY(!host->sectionList(MapId));
    QVERIFY(host->mapCalls.isEmpty());
}

// Both trees are asked for on each connection and on "Get", once there is a host.
void tst_MapBinding::treesRequested_data()
{
    QTest::addColumn<bool>("viaNotifier");

    QTest::newRow("connection signal") << true;
    QTest::newRow("reload button") << false;
}

void tst_MapBinding::treesRequested()
{
    QFETCH(bool, viaNotifier);
    const auto ask = [&] {
        if (viaNotifier)
            host->notifier.connectToServer();
        else
            plugin->onGetClicked();
    };
    const QList<QByteArray> commands{"Get_tree_rulecheck", "Get_tree_graphobj"};

    ask();
    QVERIFY(host->requests.isEmpty());

    plugin->SetHost(host.get());
    ask();
    ask();
    QCOMPARE(host->commands(), commands + commands);
    for (const SentRequest &request : qAsConst(host->requests)) {
        QCOMPARE(request.server, QByteArray("OperCheck_Server1"));
        QVERIFY(request.body.isEmpty());
        QCOMPARE(request.sender, static_cast<PluginInterface *>(plugin.get()));
    }
}

// The scale is a quarter of the corners' great-circle distance in metres.
void tst_MapBinding::scaleForRect_data()
{
    QTest::addColumn<QLine>("corners"); // x longitude, y latitude
    QTest::addColumn<int>("roughScale"); // worked by hand, good to half a percent

    QTest::newRow("one degree of latitude") << QLine(0, 0, 0, 10000000) << 27830;
    QTest::newRow("one degree of longitude at 60N")
        << QLine(0, 600000000, 10000000, 600000000) << 13915;
    QTest::newRow("corners swapped, southern hemisphere")
        << QLine(-583000000, -346000000, -585000000, -345000000) << 5363;
    QTest::newRow("across the date line")
        << QLine(1795000000, 100000000, -1795000000, 100000000) << 27407;
    QTest::newRow("antipodes on the equator") << QLine(0, 0, 1800000000, 0) << 5009379;
    QTest::newRow("two hundred metres") << QLine(0, 0, 0, 17967) << 50;
}

void tst_MapBinding::scaleForRect()
{
    QFETCH(QLine, corners);
    QFETCH(int, roughScale);

    const int x1 = corners.x1(), y1 = corners.y1(), x2 = corners.x2(), y2 = corners.y2();
    const double metres = haversineMetres(x1, y1, x2, y2);
    // Two forms of the same sphere agree to far below a metre.
    const double distance = BindToMapModel::distanceMetres(x1, y1, x2, y2);
    QVERIFY2(std::abs(distance - metres) < 0.01,
             qPrintable(QString("%1 != %2").arg(distance, 0, 'f', 4).arg(metres, 0, 'f', 4)));
    const int scale = BindToMapModel::scaleForRect(x1, y1, x2, y2);
    QVERIFY2(qAbs(scale - int(0.25 * metres)) <= 1, qPrintable(QString::number(scale)));
    QVERIFY(qAbs(scale - roughScale) <= roughScale / 200);
}

// Corners less than four metres apart give scale 1, never a NaN.
void tst_MapBinding::coincidentCorners_data()
{
    QTest::addColumn<QLine>("corners");

    QTest::newRow("same point at 55.75N") << QLine(376000000, 557500000, 376000000, 557500000);
    // A latitude where sin²a + cos²a rounds above 1: acos must not see it.
    const double unit = M_PI / 180.0 / 1e7;
    bool found = false;
    for (int y = 1000; y < 900000000 && !found; y += 9999991) {
        const double a = (900000000.0 - y) * unit;
        found = std::sin(a) * std::sin(a) + std::cos(a) * std::cos(a) > 1.0;
        if (found)
            QTest::addRow("same point where c rounds above 1 (y %d)", y) << QLine(0, y, 0, y);
    }
    QVERIFY(found);
    QTest::newRow("just under four metres") << QLine(0, 0, 0, 350);
    QTest::newRow("a metre east at 60N") << QLine(0, 600000000, 180, 600000000);
}

void tst_MapBinding::coincidentCorners()
{
    QFETCH(QLine, corners);

    const double metres =
        BindToMapModel::distanceMetres(corners.x1(), corners.y1(), corners.x2(), corners.y2());
    QVERIFY(!std::isnan(metres));
    QVERIFY(metres >= 0.0 && metres < 4.0);
    QCOMPARE(BindToMapModel::scaleForRect(corners.x1(), corners.y1(), corners.x2(), corners.y2()),
             1);
}

QTEST_MAIN(tst_MapBinding)
#include "tst_mapbinding.moc"
