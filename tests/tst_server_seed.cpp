#include "TrackedObjectStore.h"

#include "wire/LayerMessages.h"
#include "icons/MapIcons.h"
#include "wire/RouteMessages.h"
#include "records/RouteRecord.h"
#include "records/SectionRecord.h"

#include <QColor>
#include <QDataStream>
#include <QSharedPointer>
#include <QtTest>

#include "testsupport/ServerHarness.h"

#include <functional>
#include <memory>

namespace {

const QList<QByteArray> TreeCommands = {"Get_tree_rulecheck", "Get_tree_graphobj",
                                        "Get_tree_objects"};

// A node of any of the three trees as a client reads it.
struct Node
{
    qint32 id = 0;
    QString name;
    qint32 tag = 0;   // type bits, or kind in the unit tree
    quint32 mask = 0; // as the panel keeps it: own bits OR those of kept children
    QList<Node> children;
    QSharedPointer<RouteRecord> route;
    QList<GraphObData> objects;
};

enum class Payload { Route, Objects, None };

QList<Node> readTree(QDataStream &in, Payload payload)
{
    QList<Node> nodes;
    qint32 count = 0;
    in >> count;
    for (qint32 i = 0; i < count && in.status() == QDataStream::Ok; ++i) {
        Node node;
        in >> node.id >> node.name >> node.tag;
        node.children = readTree(in, payload);
        node.mask = quint32(node.tag);
        for (const Node &child : qAsConst(node.children))
            node.mask |= (child.mask & 1) ? child.mask : 0;
        bool hasRoute = false;
        if (payload == Payload::Route)
            in >> hasRoute;
        if (hasRoute)
            node.route.reset(RouteMessages::readRoute(in));
        qint32 objects = 0;
        if (payload == Payload::Objects)
            in >> objects;
        for (qint32 j = 0; j < objects && in.status() == QDataStream::Ok; ++j)
            node.objects << *std::unique_ptr<GraphObData>(ReadGraphObData(in));
        nodes << node;
    }
    return nodes;
}

void walk(const QList<Node> &nodes, const std::function<void(const Node &)> &visit)
{
    for (const Node &node : nodes) {
        visit(node);
        walk(node.children, visit);
    }
}

QByteArray fetch(ServerHarness &harness, const QByteArray &command)
{
    return harness.exchange(harness.connect(), command).second;
}

QString startSeeded(ServerHarness &harness)
{
    ServerOptions options;
    options.seed = QStringLiteral("demo");
    return harness.start(options);
}

enum ObjectType { IconText = 1, Line = 2, Polygone = 3, Circle = 4 };

} // namespace

class TestServerSeed : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void objectsAreDrawable_data();
    void objectsAreDrawable();
    void filterAndEditBits_data();
    void filterAndEditBits();
    void schedules();
    void routesReferToShownObjectsAndUnits();
    void reseed_data();
    void reseed();

private:
    ServerHarness m_demo;
    QList<Node> m_rules, m_layers, m_units;
    QHash<QString, Node> m_byName; // rule and layer nodes, and unit groups
};

void TestServerSeed::initTestCase()
{
    QCOMPARE(startSeeded(m_demo), QString());
    QList<QList<Node>> read;
    for (int i = 0; i < TreeCommands.size(); ++i) {
        const QByteArray body = fetch(m_demo, TreeCommands.at(i));
        QDataStream in(body);
        in.setVersion(QDataStream::Qt_4_5);
        read << readTree(in, Payload(i));
        QVERIFY2(in.status() == QDataStream::Ok && in.atEnd(), TreeCommands.at(i).constData());
    }
    m_rules = read.at(0);
    m_layers = read.at(1);
    m_units = read.at(2);
    for (const QList<Node> &tree : qAsConst(read))
        walk(tree, [this](const Node &node) { m_byName.insert(node.name, node); });
}

void TestServerSeed::objectsAreDrawable_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QStringList>("keys");
    QTest::addColumn<int>("leastPoints");

    QTest::newRow("icons") << int(IconText) << QStringList{"IconName", "Comment"} << 1;
    QTest::newRow("corridor lines") << int(Line) << QStringList{"Width", "Color"} << 2;
    QTest::newRow("yard polygons") << int(Polygone) << QStringList{"Color", "Brush"} << 3;
    QTest::newRow("circles") << int(Circle) << QStringList{"Diameter", "Color", "Brush"} << 1;
}

void TestServerSeed::objectsAreDrawable()
{
    QFETCH(int, type);
    QFETCH(QStringList, keys);
    QFETCH(int, leastPoints);

    int seen = 0;
    walk(m_layers, [&](const Node &node) {
        for (const GraphObData &object : node.objects) {
            if (object.type != type)
                continue;
            ++seen;
            const QVariantMap &p = object.properties;
            for (const QString &key : qAsConst(keys))
                QVERIFY2(p.contains(key), qPrintable(object.name + QLatin1String(": ") + key));
            QVERIFY(!object.name.isEmpty() && object.id > 0);
            QVERIFY2(object.points.size() >= leastPoints, qPrintable(object.name));
            for (const char *size : {"Width", "Diameter"})
                QVERIFY(!p.contains(size) || p.value(size).toInt() > 0);
            for (const char *colour : {"Color", "Brush"})
                QVERIFY(!p.contains(colour) || p.value(colour).value<QColor>().isValid());
            // An icon the plug-in has no picture for is not drawn at all.
            if (type == IconText)
                QVERIFY2(std::any_of(MapIcons::all().begin(), MapIcons::all().end(),
                                     [&p](const MapIcons::Icon &icon) {
                                         return p.value("IconName").toString()
                                             == QLatin1String(icon.name);
                                     }),
                         qPrintable(object.name));
            // A yard must not hide the map under it, nor be invisible.
            const int alpha = p.value("Brush").value<QColor>().alpha();
            QVERIFY(type != Polygone || (alpha > 0 && alpha < 255));
        }
    });
    QVERIFY(seen > 0);
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
    QCOMPARE(bool(m_byName.value(name).mask & 1), kept);
    QCOMPARE(bool(m_byName.value(name).mask & 2), editable);
}

// Every section's times are either unset, paused or an ordered schedule, and
// the demo shows each kind the panel can display.
void TestServerSeed::schedules()
{
    QSet<QString> kinds;
    walk(m_rules, [&](const Node &node) {
        if (!node.route)
            return;
        if (node.route->checkOn == 1 && node.route->checkTime > 1600000000u)
            kinds << "checked";
        for (const SectionRecord *s : node.route->sections) {
            const bool off = s->checkTimeIn == -1 && s->checkTimeOut == -1;
            const bool paused = s->checkTimeIn < -1 && s->checkTimeOut < -1;
            const bool on = s->checkScheduleOn && s->checkTimeOut > s->checkTimeIn;
            QVERIFY2(off || paused || on, qPrintable(s->name));
            if (off)
                kinds << "off";
            if (paused)
                kinds << "paused";
            if (on && s->checkTimeInAhead > 0 && s->checkTimeOutBehind > 0)
                kinds << "tolerances";
            if (on && s->checkTimeOut % 86400 < s->checkTimeIn % 86400)
                kinds << "midnight";
            if (!s->messageOnTimeOut)
                kinds << "quiet";
        }
    });
    QCOMPARE(kinds, (QSet<QString>{"checked", "off", "paused", "tolerances", "midnight",
                                   "quiet"}));
}

void TestServerSeed::routesReferToShownObjectsAndUnits()
{
    QHash<int, int> shownTypes; // id -> type, objects of layers the panel keeps
    QSet<int> allIds;
    walk(m_layers, [&](const Node &node) {
        for (const GraphObData &object : node.objects) {
            QVERIFY2(!allIds.contains(object.id), "object ids are unique");
            allIds << object.id;
            if (node.mask & 1)
                shownTypes.insert(object.id, object.type);
        }
    });
    QSet<int> units;
    walk(m_units, [&units](const Node &node) {
        if (node.tag == int(TrackedObjectStore::Kind::Unit)) {
            QVERIFY2(node.children.isEmpty(), qPrintable(node.name));
            units << node.id;
        }
    });
    QSet<int> typesUsed;
    int routes = 0;
    walk(m_rules, [&](const Node &node) {
        if (!node.route)
            return;
        ++routes;
        QCOMPARE(node.route->id, node.id);
        QVERIFY2(!node.route->sections.isEmpty(), qPrintable(node.name));
        for (int id : qAsConst(node.route->objects))
            QVERIFY2(units.contains(id), qPrintable(node.name));
        if (!(node.mask & 1))
            return;
        QVERIFY2(!node.route->objects.isEmpty(), qPrintable(node.name));
        for (const SectionRecord *section : qAsConst(node.route->sections)) {
            QVERIFY2(!section->graphObjectIds.isEmpty(), qPrintable(section->name));
            for (int id : section->graphObjectIds) {
                QVERIFY2(shownTypes.contains(id), qPrintable(section->name));
                typesUsed << shownTypes.value(id);
            }
        }
    });
    QVERIFY(routes > 0);
    QCOMPARE(typesUsed, (QSet<int>{IconText, Line, Polygone, Circle}));
    // Groups nest: units sit two levels down as well as at the top.
    const Node cars = m_byName.value(QStringLiteral("Patrol cars"));
    QVERIFY(!cars.children.isEmpty() && !cars.children.first().children.isEmpty());
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

    QList<QByteArray> expected;
    for (const QByteArray &command : TreeCommands)
        expected << fetch(m_demo, command);
    ServerHarness fresh;
    ServerHarness &harness = file == "seeded" ? m_demo : fresh;
    if (file == "one unit") {
        QCOMPARE(harness.start(), QString());
        QVERIFY(TrackedObjectStore(harness.server->database())
                    .add(0, QStringLiteral("Lone car"), TrackedObjectStore::Kind::Unit, 0));
        QByteArray unit;
        QDataStream out(&unit, QIODevice::WriteOnly);
        out.setVersion(QDataStream::Qt_4_5);
        out << qint32(1) << qint32(1) << QStringLiteral("Lone car") << qint32(1) << qint32(0);
        expected = {QByteArray(4, 0), QByteArray(4, 0), unit};
    }
    if (file != "fresh")
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression("is not empty; the demo seed is not applied"));
    QCOMPARE(startSeeded(harness), QString());
    for (int i = 0; i < TreeCommands.size(); ++i)
        QCOMPARE(fetch(harness, TreeCommands.at(i)), expected.at(i));
}

QTEST_MAIN(TestServerSeed)
#include "tst_server_seed.moc"
