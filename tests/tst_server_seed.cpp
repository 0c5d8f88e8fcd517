#include "FrameClient.h"
#include "RouteCheckServer.h"
#include "TrackedObjectStore.h"

#include "graphobj/GraphObData.h"
#include "routecheck/RouteMessages.h"
#include "routecheck/RouteRecord.h"
#include "routecheck/SectionRecord.h"

#include <QColor>
#include <QDataStream>
#include <QSharedPointer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>
#include <memory>

namespace {

constexpr int Timeout = 5000;

// A node of any of the three trees as a client reads it.
struct Node
{
    qint32 id = 0;
    QString name;
    qint32 tag = 0;  // type bits, or kind in the object tree
    quint32 mask = 0; // the panel's mask: own bits OR those of kept children
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
        if (payload == Payload::Route) {
            bool hasRoute = false;
            in >> hasRoute;
            if (hasRoute)
                node.route.reset(RouteMessages::readRoute(in));
        } else if (payload == Payload::Objects) {
            qint32 objects = 0;
            in >> objects;
            for (qint32 j = 0; j < objects && in.status() == QDataStream::Ok; ++j)
                node.objects << *std::unique_ptr<GraphObData>(ReadGraphObData(in));
        }
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

const Node *find(const QList<Node> &nodes, const QString &name)
{
    const Node *found = nullptr;
    walk(nodes, [&](const Node &node) {
        if (!found && node.name == name)
            found = &node;
    });
    return found;
}

const QStringList iconNames = {
    "Event", "HotSituation", "Hijacking", "Kill", "PostMOB", "PostDPS", "PostPPS", "PostOMON",
    "Center", "House", "SubUnit", "PoliceStation", "ScreetCamera", "Pharmacy", "Hospital", "TK"};

enum ObjectType { IconText = 1, Line = 2, Polygone = 3, Circle = 4 };

} // namespace

class TestServerSeed : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void counts_data();
    void counts();
    void objectProperties_data();
    void objectProperties();
    void filterAndEditBits_data();
    void filterAndEditBits();
    void schedules_data();
    void schedules();
    void sectionsReferToShownObjects();
    void routeUnitsAreUnits();
    void nestedUnitGroups();
    void seedTwiceChangesNothing();
    void seedSkipsNonEmptyDatabase();
    void seedIsTheSameEveryTime();

private:
    std::unique_ptr<RouteCheckServer> start(const QString &file, bool seed);
    QByteArray fetch(RouteCheckServer *server, const QByteArray &command);

    QTemporaryDir m_dir;
    std::unique_ptr<RouteCheckServer> m_server;
    QList<Node> m_rules;
    QList<Node> m_layers;
    QList<Node> m_units;
};

std::unique_ptr<RouteCheckServer> TestServerSeed::start(const QString &file, bool seed)
{
    ServerOptions options;
    options.port = 0;
    options.databasePath = m_dir.filePath(file);
    options.seed = seed ? QStringLiteral("demo") : QString();
    auto server = std::make_unique<RouteCheckServer>(options);
    QString error;
    if (!server->start(&error))
        qWarning() << error;
    return server;
}

QByteArray TestServerSeed::fetch(RouteCheckServer *server, const QByteArray &command)
{
    FrameClient client;
    QSignalSpy spy(&client, &FrameClient::replyReceived);
    client.connectToServer(QHostAddress(QHostAddress::LocalHost), server->serverPort());
    client.send(command);
    if (!QTest::qWaitFor([&spy] { return !spy.isEmpty(); }, Timeout))
        return {};
    return spy.first().at(1).toByteArray();
}

void TestServerSeed::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_server = start(QStringLiteral("demo.sqlite"), true);
    QVERIFY(m_server->isListening());
    const QList<QPair<QByteArray, Payload>> trees = {{"Get_tree_rulecheck", Payload::Route},
                                                     {"Get_tree_graphobj", Payload::Objects},
                                                     {"Get_tree_objects", Payload::None}};
    QList<QList<Node>> read;
    for (const auto &tree : trees) {
        const QByteArray body = fetch(m_server.get(), tree.first);
        QDataStream in(body);
        in.setVersion(QDataStream::Qt_4_5);
        read << readTree(in, tree.second);
        QVERIFY2(in.status() == QDataStream::Ok && in.atEnd(), tree.first.constData());
    }
    m_rules = read.at(0);
    m_layers = read.at(1);
    m_units = read.at(2);
}

void TestServerSeed::cleanupTestCase()
{
    m_server.reset();
}

void TestServerSeed::counts_data()
{
    QTest::addColumn<QString>("what");
    QTest::addColumn<int>("least");
    QTest::addColumn<int>("most");

    QTest::newRow("route groups") << "route groups" << 3 << 5;
    QTest::newRow("routes") << "routes" << 6 << 10;
    QTest::newRow("fewest sections of a route") << "fewest sections" << 3 << 6;
    QTest::newRow("most sections of a route") << "most sections" << 3 << 6;
    QTest::newRow("tracked units") << "units" << 8 << 12;
    QTest::newRow("unit groups") << "unit groups" << 3 << 8;
    QTest::newRow("icons") << "type 1" << 4 << 30;
    QTest::newRow("corridor lines") << "type 2" << 4 << 60;
    QTest::newRow("polygons") << "type 3" << 2 << 20;
    QTest::newRow("circles") << "type 4" << 4 << 60;
}

void TestServerSeed::counts()
{
    QFETCH(QString, what);
    QFETCH(int, least);
    QFETCH(int, most);

    QMap<QString, int> measured;
    measured[QStringLiteral("fewest sections")] = INT_MAX;
    for (const Node &top : qAsConst(m_rules)) {
        if (!top.route && !top.children.isEmpty())
            ++measured[QStringLiteral("route groups")];
    }
    walk(m_rules, [&measured](const Node &node) {
        if (!node.route)
            return;
        ++measured[QStringLiteral("routes")];
        const int sections = node.route->sections.size();
        measured[QStringLiteral("fewest sections")] =
            qMin(measured[QStringLiteral("fewest sections")], sections);
        measured[QStringLiteral("most sections")] =
            qMax(measured[QStringLiteral("most sections")], sections);
    });
    walk(m_units, [&measured](const Node &node) {
        ++measured[node.tag == 1 ? QStringLiteral("units") : QStringLiteral("unit groups")];
    });
    walk(m_layers, [&measured](const Node &node) {
        for (const GraphObData &object : node.objects)
            ++measured[QStringLiteral("type %1").arg(object.type)];
    });
    QVERIFY2(measured.value(what) >= least && measured.value(what) <= most,
             qPrintable(QStringLiteral("%1: %2").arg(what).arg(measured.value(what))));
}

void TestServerSeed::objectProperties_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QStringList>("keys");

    QTest::newRow("icons") << int(IconText) << QStringList{"IconName", "Comment"};
    QTest::newRow("corridor lines") << int(Line) << QStringList{"Width", "Color"};
    QTest::newRow("yard polygons") << int(Polygone) << QStringList{"Color", "Brush"};
    QTest::newRow("checkpoint circles") << int(Circle)
                                        << QStringList{"Diameter", "Color", "Brush"};
}

void TestServerSeed::objectProperties()
{
    QFETCH(int, type);
    QFETCH(QStringList, keys);

    int seen = 0;
    walk(m_layers, [&](const Node &node) {
        for (const GraphObData &object : node.objects) {
            if (object.type != type)
                continue;
            ++seen;
            const QVariantMap &p = object.properties;
            for (const QString &key : qAsConst(keys))
                QVERIFY2(p.contains(key), qPrintable(object.name + QLatin1String(": ") + key));
            QVERIFY(!object.name.isEmpty());
            QVERIFY(!object.points.isEmpty());
            QVERIFY(object.id > 0);
            switch (type) {
            case IconText:
                QVERIFY2(iconNames.contains(p.value("IconName").toString()),
                         qPrintable(object.name));
                QVERIFY(!p.value("Comment").toString().isEmpty());
                break;
            case Line:
                QVERIFY(p.value("Width").toInt() >= 30 && p.value("Width").toInt() <= 80);
                QVERIFY(object.points.size() >= 2);
                break;
            case Polygone:
                QVERIFY(object.points.size() >= 3);
                QVERIFY(p.value("Brush").value<QColor>().alpha() < 255);
                QVERIFY(p.value("Brush").value<QColor>().alpha() > 0);
                break;
            case Circle:
                QVERIFY(p.value("Diameter").toInt() > 0);
                QVERIFY(p.value("Color").value<QColor>().isValid());
                break;
            }
        }
    });
    QVERIFY(seen > 0);
}

void TestServerSeed::filterAndEditBits_data()
{
    QTest::addColumn<bool>("ruleTree");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("kept");
    QTest::addColumn<bool>("editable");

    QTest::newRow("group shown and editable") << true << "Central precinct" << true << true;
    QTest::newRow("group shown only through its routes") << true << "Harbour precinct" << true
                                                         << true;
    QTest::newRow("read-only group") << true << "Night patrols" << true << false;
    QTest::newRow("route in the read-only group") << true << "Night ring" << true << false;
    QTest::newRow("editable route") << true << "Riverside patrol" << true << true;
    QTest::newRow("group filtered out") << true << "Archive" << false << false;
    QTest::newRow("route filtered out though editable") << true << "Old river patrol" << false
                                                        << true;
    QTest::newRow("layer shown") << false << "Checkpoints" << true << false;
    QTest::newRow("layer filtered out") << false << "Survey 2019 (archived)" << false << false;
    QTest::newRow("layer below a filtered one") << false << "Old markers" << false << false;
}

void TestServerSeed::filterAndEditBits()
{
    QFETCH(bool, ruleTree);
    QFETCH(QString, name);
    QFETCH(bool, kept);
    QFETCH(bool, editable);

    const Node *node = find(ruleTree ? m_rules : m_layers, name);
    QVERIFY2(node, qPrintable(name));
    QCOMPARE(bool(node->mask & 1), kept);
    QCOMPARE(bool(node->mask & 2), editable);
}

void TestServerSeed::schedules_data()
{
    QTest::addColumn<QString>("kind");

    QTest::newRow("schedule off, both times -1") << "off";
    QTest::newRow("schedule on with tolerances") << "on";
    QTest::newRow("switched off, times kept negated") << "paused";
    QTest::newRow("crossing midnight") << "midnight";
    QTest::newRow("message on time out off") << "quiet";
    QTest::newRow("route checked on") << "checked";
    QTest::newRow("route checked off") << "unchecked";
}

void TestServerSeed::schedules()
{
    QFETCH(QString, kind);

    int matches = 0;
    walk(m_rules, [&](const Node &node) {
        if (!node.route)
            return;
        const RouteRecord &route = *node.route;
        if (kind == "checked" && route.checkOn == 1 && route.checkTime > 1600000000u)
            ++matches;
        if (kind == "unchecked" && route.checkOn == 0)
            ++matches;
        for (const SectionRecord *s : route.sections) {
            const bool off = s->checkTimeIn == -1 && s->checkTimeOut == -1;
            const bool on = s->checkScheduleOn && s->checkTimeOut > s->checkTimeIn
                            && s->checkTimeInAhead > 0 && s->checkTimeOutBehind > 0;
            matches += (kind == "off" && off) || (kind == "on" && on)
                       || (kind == "paused" && s->checkTimeIn < -1 && s->checkTimeOut < -1)
                       || (kind == "midnight" && on
                           && s->checkTimeOut % 86400 < s->checkTimeIn % 86400)
                       || (kind == "quiet" && !s->messageOnTimeOut);
        }
    });
    QVERIFY(matches > 0);
}

void TestServerSeed::sectionsReferToShownObjects()
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
    QSet<int> typesUsed;
    walk(m_rules, [&](const Node &node) {
        if (!node.route || !(node.mask & 1))
            return;
        QCOMPARE(node.route->id, node.id);
        for (const SectionRecord *section : qAsConst(node.route->sections)) {
            QVERIFY(!section->graphObjectIds.isEmpty());
            for (int id : section->graphObjectIds) {
                QVERIFY2(shownTypes.contains(id), qPrintable(section->name));
                typesUsed << shownTypes.value(id);
            }
        }
    });
    QCOMPARE(typesUsed, (QSet<int>{IconText, Line, Polygone, Circle}));
}

void TestServerSeed::routeUnitsAreUnits()
{
    QSet<int> units;
    walk(m_units, [&units](const Node &node) {
        if (node.tag == int(TrackedObjectStore::Kind::Unit))
            units << node.id;
    });
    int tracked = 0;
    walk(m_rules, [&](const Node &node) {
        if (!node.route)
            return;
        for (int id : qAsConst(node.route->objects)) {
            QVERIFY(units.contains(id));
            ++tracked;
        }
    });
    QVERIFY(tracked >= 6);
}

void TestServerSeed::nestedUnitGroups()
{
    const Node *cars = find(m_units, QStringLiteral("Patrol cars"));
    QVERIFY(cars);
    QCOMPARE(cars->tag, 0);
    QStringList shifts;
    for (const Node &shift : cars->children) {
        QCOMPARE(shift.tag, 0);
        QVERIFY(!shift.children.isEmpty());
        for (const Node &unit : shift.children) {
            QCOMPARE(unit.tag, 1);
            QVERIFY(unit.children.isEmpty());
        }
        shifts << shift.name;
    }
    QCOMPARE(shifts, (QStringList{"Shift A", "Shift B"}));
    QVERIFY(find(m_units, QStringLiteral("Convoys")));
}

void TestServerSeed::seedTwiceChangesNothing()
{
    const QByteArray rules = fetch(m_server.get(), "Get_tree_rulecheck");
    const QByteArray layers = fetch(m_server.get(), "Get_tree_graphobj");
    QTest::ignoreMessage(QtWarningMsg,
                         QRegularExpression("is not empty; the demo seed is not applied"));
    std::unique_ptr<RouteCheckServer> again = start(QStringLiteral("demo.sqlite"), true);
    QVERIFY(again->isListening());
    QCOMPARE(fetch(again.get(), "Get_tree_rulecheck"), rules);
    QCOMPARE(fetch(again.get(), "Get_tree_graphobj"), layers);
}

void TestServerSeed::seedSkipsNonEmptyDatabase()
{
    {
        std::unique_ptr<RouteCheckServer> plain = start(QStringLiteral("one-unit.sqlite"), false);
        QVERIFY(plain->isListening());
        TrackedObjectStore units(plain->database());
        QVERIFY(units.add(0, QStringLiteral("Lone car"), TrackedObjectStore::Kind::Unit, 0));
    }
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("is not empty"));
    std::unique_ptr<RouteCheckServer> seeded = start(QStringLiteral("one-unit.sqlite"), true);
    QVERIFY(seeded->isListening());
    QCOMPARE(fetch(seeded.get(), "Get_tree_rulecheck").toHex(), QByteArray("00000000"));
    QCOMPARE(fetch(seeded.get(), "Get_tree_graphobj").toHex(), QByteArray("00000000"));
    QByteArray unit;
    QDataStream out(&unit, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_4_5);
    out << qint32(1) << qint32(1) << QStringLiteral("Lone car") << qint32(1) << qint32(0);
    QCOMPARE(fetch(seeded.get(), "Get_tree_objects"), unit);
}

void TestServerSeed::seedIsTheSameEveryTime()
{
    std::unique_ptr<RouteCheckServer> other = start(QStringLiteral("other.sqlite"), true);
    QVERIFY(other->isListening());
    for (const char *command : {"Get_tree_rulecheck", "Get_tree_graphobj", "Get_tree_objects"})
        QCOMPARE(fetch(other.get(), command), fetch(m_server.get(), command));
}

QTEST_GUILESS_MAIN(TestServerSeed)
#include "tst_server_seed.moc"
