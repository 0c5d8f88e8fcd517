// The demo seed: objects the plug-in can draw, routes that refer to what is
// shown, every kind of schedule, and a seed that only ever fills an empty file.
#include "testsupport/ServerHarness.h"

#include "LayerStore.h"
#include "RuleStore.h"
#include "TrackedObjectStore.h"

#include "icons/MapIcons.h"
#include "records/GraphObData.h"
#include "records/RouteRecord.h"
#include "records/SectionRecord.h"

#include <QColor>
#include <QSqlQuery>
#include <QtTest>

namespace {

enum ObjectType { IconText = 1, Line = 2, Polygone = 3, Circle = 4 };

// Type bits by id, as the panel keeps them: a node's own, with those of the
// children it keeps (bit 1). Children come after their parents in the demo.
QHash<int, quint32> masks(const Database &db, const char *table, QHash<QString, quint32> *byName)
{
    QSqlQuery query(db.connection());
    query.exec(QStringLiteral("SELECT id, parent_id, name, type_bits FROM %1 ORDER BY id DESC")
                   .arg(QLatin1String(table)));
    QHash<int, quint32> masks;
    while (query.next()) {
        const int id = query.value(0).toInt();
        masks[id] |= query.value(3).toUInt();
        masks[query.value(1).toInt()] |= (masks[id] & 1) ? masks[id] : 0;
        byName->insert(query.value(2).toString(), masks[id]);
    }
    return masks;
}

QList<QByteArray> trees(ServerHarness &harness)
{
    QList<QByteArray> bodies;
    for (const char *command : {"Get_tree_rulecheck", "Get_tree_graphobj", "Get_tree_objects"})
        bodies << harness.fetch(command);
    return bodies;
}

} // namespace

class TestServerSeed : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void objectsAreDrawable();
    void filterAndEditBits_data();
    void filterAndEditBits();
    void schedules();
    void routesReferToShownObjectsAndUnits();
    void reseed_data();
    void reseed();

private:
    ServerHarness m_demo;
    QHash<int, GraphObData> m_objects;
    std::vector<RuleStore::NamedRoute> m_routes;
    QHash<int, quint32> m_rules, m_layers; // masks by id
    QHash<QString, quint32> m_byName;      // rule nodes and layers
};

void TestServerSeed::initTestCase()
{
    QCOMPARE(m_demo.startSeeded(), QString());
    const Database &db = m_demo.server->database();
    bool objectsOk = false, routesOk = false;
    m_objects = LayerStore(db).objects(&objectsOk);
    m_routes = RuleStore(db).routes(&routesOk);
    QVERIFY(objectsOk && routesOk && !m_routes.empty());
    m_rules = masks(db, "rule_nodes", &m_byName);
    m_layers = masks(db, "graph_layers", &m_byName);
}

void TestServerSeed::objectsAreDrawable()
{
    const QHash<int, QStringList> keys{{IconText, {"IconName", "Comment"}},
                                       {Line, {"Width", "Color"}},
                                       {Polygone, {"Color", "Brush"}},
                                       {Circle, {"Diameter", "Color", "Brush"}}};
    const QHash<int, int> leastPoints{{IconText, 1}, {Line, 2}, {Polygone, 3}, {Circle, 1}};
    QSet<int> types;
    for (const GraphObData &object : qAsConst(m_objects)) {
        const QVariantMap &p = object.properties;
        types << object.type;
        QVERIFY2(!object.name.isEmpty() && object.points.size() >= leastPoints.value(object.type),
                 qPrintable(object.name));
        for (const QString &key : keys.value(object.type))
            QVERIFY2(p.contains(key), qPrintable(object.name + QLatin1String(": ") + key));
        for (const char *size : {"Width", "Diameter"})
            QVERIFY(!p.contains(size) || p.value(size).toInt() > 0);
        for (const char *colour : {"Color", "Brush"})
            QVERIFY(!p.contains(colour) || p.value(colour).value<QColor>().isValid());
        // An icon the plug-in has no picture for is not drawn at all.
        QVERIFY2(object.type != IconText
                     || std::any_of(MapIcons::all().begin(), MapIcons::all().end(),
                                    [&p](const MapIcons::Icon &icon) {
                                        return p.value("IconName").toString()
                                               == QLatin1String(icon.name);
                                    }),
                 qPrintable(object.name));
        // A yard must not hide the map under it, nor be invisible.
        const int alpha = p.value("Brush").value<QColor>().alpha();
        QVERIFY(object.type != Polygone || (alpha > 0 && alpha < 255));
    }
    QCOMPARE(types, (QSet<int>{IconText, Line, Polygone, Circle}));
}

void TestServerSeed::filterAndEditBits_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("kept");
    QTest::addColumn<bool>("editable");

    QTest::newRow("group shown only through its routes") << "Harbour precinct" << true << true;
    QTest::newRow("route in a read-only group") << "Night ring" << true << false;
    QTest::newRow("route filtered out though editable") << "Old river patrol" << false << true;
    QTest::newRow("layer shown") << "Checkpoints" << true << false;
    QTest::newRow("layer below a filtered one") << "Old markers" << false << false;
}

void TestServerSeed::filterAndEditBits()
{
    QFETCH(QString, name);
    QFETCH(bool, kept);
    QFETCH(bool, editable);

    QVERIFY2(m_byName.contains(name), qPrintable(name));
    QCOMPARE(bool(m_byName.value(name) & 1), kept);
    QCOMPARE(bool(m_byName.value(name) & 2), editable);
}

// Every section's times are either unset, paused or an ordered schedule, and
// the demo shows each kind the panel can display.
void TestServerSeed::schedules()
{
    QSet<QString> kinds;
    for (const RuleStore::NamedRoute &named : m_routes) {
        if (named.route->checkOn == 1 && named.route->checkTime > 1600000000u)
            kinds << "checked";
        for (const SectionRecord *s : qAsConst(named.route->sections)) {
            const bool off = s->checkTimeIn == -1 && s->checkTimeOut == -1;
            const bool paused = s->checkTimeIn < -1 && s->checkTimeOut < -1;
            const bool on = s->checkScheduleOn && s->checkTimeOut > s->checkTimeIn;
            QVERIFY2(off || paused || on, qPrintable(s->name));
            kinds << (off ? "off" : paused ? "paused" : "on");
            if (on && s->checkTimeInAhead > 0 && s->checkTimeOutBehind > 0)
                kinds << "tolerances";
            if (on && s->checkTimeOut % 86400 < s->checkTimeIn % 86400)
                kinds << "midnight";
            if (!s->messageOnTimeOut)
                kinds << "quiet";
        }
    }
    QCOMPARE(kinds, (QSet<QString>{"checked", "off", "paused", "on", "tolerances", "midnight",
                                   "quiet"}));
}

void TestServerSeed::routesReferToShownObjectsAndUnits()
{
    QSqlQuery query(m_demo.server->database().connection());
    QVERIFY(query.exec("SELECT id, layer_id FROM graph_objects"));
    QHash<int, int> shownTypes; // objects of layers the panel keeps
    while (query.next()) {
        if (m_layers.value(query.value(1).toInt()) & 1)
            shownTypes.insert(query.value(0).toInt(), m_objects.value(query.value(0).toInt()).type);
    }
    bool ok = false;
    const QHash<qint32, QString> units = TrackedObjectStore(m_demo.server->database()).unitNames(&ok);
    QVERIFY(ok && !units.isEmpty());
    QSet<int> typesUsed;
    for (const RuleStore::NamedRoute &named : m_routes) {
        QVERIFY2(!named.route->sections.isEmpty(), qPrintable(named.name));
        for (int id : qAsConst(named.route->objects))
            QVERIFY2(units.contains(id), qPrintable(named.name));
        if (!(m_rules.value(named.route->id) & 1))
            continue;
        QVERIFY2(!named.route->objects.isEmpty(), qPrintable(named.name));
        for (const SectionRecord *section : qAsConst(named.route->sections)) {
            QVERIFY2(!section->graphObjectIds.isEmpty(), qPrintable(section->name));
            for (int id : section->graphObjectIds) {
                QVERIFY2(shownTypes.contains(id), qPrintable(section->name));
                typesUsed << shownTypes.value(id);
            }
        }
    }
    QCOMPARE(typesUsed, (QSet<int>{IconText, Line, Polygone, Circle}));
    // Groups nest: some units sit two levels down.
    QVERIFY(query.exec("SELECT COUNT(*) FROM tracked_objects u JOIN tracked_objects g"
                       " ON u.parent_id = g.id WHERE u.kind = 1 AND g.parent_id IS NOT NULL")
            && query.next() && query.value(0).toInt() > 0);
}

void TestServerSeed::reseed_data()
{
    QTest::addColumn<QString>("file");

    QTest::newRow("seeded file opened with the seed again") << "seeded";
    QTest::newRow("a fresh file gets the same demo") << "fresh";
    QTest::newRow("a file holding one unit is left alone") << "one unit";
}

void TestServerSeed::reseed()
{
    QFETCH(QString, file);

    QList<QByteArray> expected = trees(m_demo);
    ServerHarness fresh;
    ServerHarness &harness = file == "seeded" ? m_demo : fresh;
    if (file == "one unit") {
        QCOMPARE(harness.start(), QString());
        QVERIFY(TrackedObjectStore(harness.server->database())
                    .add(0, QStringLiteral("Lone car"), TrackedObjectStore::Kind::Unit, 0));
        expected = trees(harness);
    }
    if (file != "fresh")
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression("is not empty; the demo seed is not applied"));
    QCOMPARE(harness.startSeeded(), QString());
    QCOMPARE(trees(harness), expected);
}

QTEST_MAIN(TestServerSeed)
#include "tst_server_seed.moc"
