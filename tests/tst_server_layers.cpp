// Graphic layers and objects edited over the wire: each edit's reply or
// refusal, the rows it leaves, the other clients told, the tree's size limit.
#include "testsupport/ServerHarness.h"
#include "testsupport/TreeBuilders.h"

#include "LayerStore.h"
#include "RuleStore.h"
#include "StoreLimits.h"

#include "records/RecordKinds.h"
#include "wire/LayerMessages.h"
#include "wire/RequestFailure.h"
#include "wire/UnitMessages.h"

#include <QSqlQuery>
#include <QtTest>

namespace {

using LayerMessages::NewObject;
constexpr qint32 Top = 1, Sub = 2, Locked = 3, Used = 10, Spare = 11, Ring = 12;
constexpr int RouteNode = 1;
constexpr qint32 Polygon = qint32(GraphKind::Polygon), Icon = qint32(GraphKind::IconText),
                 Circle = qint32(GraphKind::Circle), Line = qint32(GraphKind::Line);

const QList<QPoint> Square{{100, 100}, {200, 100}, {200, 200}, {100, 200}};

GraphObData shape(qint32 id, qint32 type, const QString &name, const QList<QPoint> &points,
                  const QVariantMap &properties = {})
{
    return GraphObData{id, type, name, points, properties};
}

QString rows(const Database &db)
{
    bool ok = false;
    const QHash<qint32, GraphObData> objects = LayerStore(db).objects(&ok);
    QStringList text;
    QSqlQuery query(db.connection());
    query.exec("SELECT id, COALESCE(parent_id, 0), sort_order, type_bits, name"
               " FROM graph_layers ORDER BY id");
    while (query.next()) {
        text << QStringLiteral("%1,%2,%3,%4,%5").arg(query.value(0).toInt())
                    .arg(query.value(1).toInt()).arg(query.value(2).toInt())
                    .arg(query.value(3).toInt()).arg(query.value(4).toString());
    }
    text << "|";
    query.exec("SELECT id, layer_id, sort_order, type, name FROM graph_objects ORDER BY id");
    while (query.next()) {
        const GraphObData record = objects.value(query.value(0).toInt());
        text << QStringLiteral("%1,%2,%3,%4,%5,%6p").arg(query.value(0).toInt())
                    .arg(query.value(1).toInt()).arg(query.value(2).toInt())
                    .arg(query.value(3).toInt()).arg(query.value(4).toString())
                    .arg(record.points.size());
    }
    return ok ? text.join(' ') : QStringLiteral("unreadable");
}

} // namespace

class TestServerLayers : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup() { h.reset(); }
    void layerCommands_data();
    void layerCommands();
    void treeLimit();

private:
    std::unique_ptr<ServerHarness> h;
};

// Two editable layers (one under the other), a read-only one; a polygon a
// route uses, a spare icon, a circle in the read-only layer.
void TestServerLayers::init()
{
    h = std::make_unique<ServerHarness>();
    QCOMPARE(h->start(), QString());
    const Database &db = h->server->database();
    LayerStore layers(db);
    constexpr quint32 Editable = NodeBits::Shown | NodeBits::Editable;
    QCOMPARE(layers.addLayer(0, "Top", Editable, 0) + layers.addLayer(Top, "Sub", Editable, 0)
                 + layers.addLayer(0, "Locked", NodeBits::Shown, 1),
             Top + Sub + Locked);
    QCOMPARE(layers.addObject(Sub, shape(Used, Polygon, "Yard", Square), 0), Used);
    QCOMPARE(layers.addObject(Sub, shape(Spare, Icon, "Post", {{5, 5}}), 1), Spare);
    QCOMPARE(layers.addObject(Locked, shape(Ring, Circle, "Gate", {{7, 7}}, {{"Diameter", 50}}),
                              0),
             Ring);
    RuleStore rules(db);
    QCOMPARE(rules.addNode(0, "Route A", 3, 0), RouteNode);
    QVERIFY(rules.storeRoute(*TreeBodies::route(
        RouteNode, {TreeBodies::section(1, "s", {Used}, 0, 600)})));
}

void TestServerLayers::layerCommands_data()
{
    using namespace UnitMessages;
    using namespace LayerMessages;
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QByteArray>("reply"); // the reply's body, or the failure's code
    QTest::addColumn<QString>("stored");   // layers | objects after it
    const QString layers = "1,0,0,3,Top 2,1,0,3,Sub 3,0,1,1,Locked |";
    const QString objects = " 10,2,0,3,Yard,4p 11,2,1,1,Post,1p 12,3,0,4,Gate,1p";
    const QString kept = layers + objects;
    const auto row = [](const char *name, const char *command, const QByteArray &body,
                        const QByteArray &reply, const QString &stored) {
        QTest::newRow(name) << QByteArray(command) << body << reply << stored;
    };
    const auto code = [](int code) { return QByteArray::number(code); };
    const auto layer = [&](const QString &added) {
        return QString(layers).replace(" |", " " + added + " |") + objects;
    };
    row("add a top layer", "Add_graph_layer", idTextBody({0, "Drawn"}), idBody(4),
        layer("4,0,2,3,Drawn"));
    row("add with the parent's bits", "Add_graph_layer", idTextBody({Top, "Zones"}), idBody(4),
        layer("4,1,1,3,Zones"));
    row("add under a read-only layer", "Add_graph_layer", idTextBody({Locked, "X"}), code(6),
        kept);
    row("add under no layer", "Add_graph_layer", idTextBody({9, "X"}), code(6), kept);
    row("add a blank name", "Add_graph_layer", idTextBody({0, " "}), code(6), kept);
    row("rename a layer", "Rename_graph_layer", idTextBody({Sub, "Yards"}),
        idTextBody({Sub, "Yards"}), QString(kept).replace("Sub", "Yards"));
    row("rename a read-only layer", "Rename_graph_layer", idTextBody({Locked, "X"}), code(6),
        kept);
    row("delete a layer whose object a route uses", "Delete_graph_layer", idBody(Top), code(6),
        kept);
    row("delete a read-only layer", "Delete_graph_layer", idBody(Locked), code(6), kept);
    row("delete, cut short", "Delete_graph_layer", idBody(Top).chopped(1), code(5), kept);

    const QByteArray zone = newObjectBody({Sub, shape(0, Polygon, "Zone", Square)});
    const QString added = kept + " 13,2,2,3,Zone,4p";
    row("add a polygon", "Add_graph_object", zone, idBody(13), added);
    row("add, the record's id ignored", "Add_graph_object",
        newObjectBody({Sub, shape(77, Polygon, "Zone", Square)}), idBody(13), added);
    row("add a line", "Add_graph_object",
        newObjectBody({Top, shape(0, Line, "Lane", {{1, 1}, {2, 2}}, {{"Width", 30}})}),
        idBody(13), kept + " 13,1,0,2,Lane,2p");
    row("add a polygon of two points", "Add_graph_object",
        newObjectBody({Sub, shape(0, Polygon, "Z", Square.mid(2))}), code(6), kept);
    row("add 100,001 points", "Add_graph_object",
        newObjectBody({Sub, shape(0, Line, "Z", QVector<QPoint>(100001, {1, 1}).toList())}),
        code(4), kept);
    row("add a name of 257 characters", "Add_graph_object",
        newObjectBody({Sub, shape(0, Icon, QString(257, 'n'), {{1, 1}})}), code(4), kept);
    row("add a point off Earth", "Add_graph_object",
        newObjectBody({Sub, shape(0, Icon, "Z", {{0, 900000001}})}), code(6), kept);
    row("add a circle without a diameter", "Add_graph_object",
        newObjectBody({Sub, shape(0, Circle, "Z", {{1, 1}})}), code(6), kept);
    row("add a shape of no drawable type", "Add_graph_object",
        newObjectBody({Sub, shape(0, 5, "Z", {{1, 1}})}), code(6), kept);
    row("add to a read-only layer", "Add_graph_object",
        newObjectBody({Locked, shape(0, Icon, "Z", {{1, 1}})}), code(6), kept);
    row("add, cut short", "Add_graph_object", zone.chopped(1), code(5), kept);
    row("add, bytes left over", "Add_graph_object", zone + '!', code(5), kept);

    const QByteArray moved = recordBody(shape(Used, Polygon, "Yard 2", Square.mid(1)));
    row("change a shape in use", "Change_graph_object", moved, moved,
        QString(kept).replace("Yard,4p", "Yard 2,3p"));
    row("change into an icon", "Change_graph_object",
        recordBody(shape(Spare, Icon, "Post", {{9, 9}})),
        recordBody(shape(Spare, Icon, "Post", {{9, 9}})), kept);
    row("change no object", "Change_graph_object",
        recordBody(shape(99, Icon, "Post", {{9, 9}})), code(6), kept);
    row("change in a read-only layer", "Change_graph_object",
        recordBody(shape(Ring, Circle, "Gate", {{8, 8}}, {{"Diameter", 60}})), code(6), kept);
    row("change to nothing", "Change_graph_object", recordBody(shape(Spare, Icon, "Post", {})),
        code(6), kept);
    row("delete a spare object", "Delete_graph_object", idBody(Spare), idBody(Spare),
        QString(kept).replace(" 11,2,1,1,Post,1p", ""));
    row("delete an object a route uses", "Delete_graph_object", idBody(Used), code(6), kept);
    row("delete no object", "Delete_graph_object", idBody(99), code(6), kept);
    row("read-only server", "Add_graph_object", zone, code(1), kept);
}

// The sender gets the reply or the refusal; every other client hears of a
// stored change; a refused change stores nothing.
void TestServerLayers::layerCommands()
{
    QFETCH(QByteArray, command);
    QFETCH(QByteArray, body);
    QFETCH(QByteArray, reply);
    QFETCH(QString, stored);

    if (QByteArray(QTest::currentDataTag()).startsWith("read-only")) {
        ServerOptions options;
        options.readOnly = true;
        QCOMPARE(h->start(options), QString());
    }
    FrameClient *sender = h->connect();
    FrameClient *other = h->connect();
    QSignalSpy heard(other, &FrameClient::replyReceived);
    const bool fails = reply.size() == 1;
    if (fails)
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(command + " failed"));

    const ServerHarness::Reply answer = h->exchange(sender, command, body);
    const auto failure = RequestFailure::read(answer.second);
    QCOMPARE(fails ? QByteArray::number(failure ? failure->code : 0) : answer.second, reply);
    QVERIFY(h->answers(other));
    QCOMPARE(heard.first().at(0).toByteArray(),
             fails ? "Get_tree_objects" : "Layer_tree_changed");
    QCOMPARE(rows(h->server->database()), stored);
    if (QByteArray(QTest::currentDataTag()).contains("a route uses"))
        QVERIFY2(failure->reason.contains("1 \"Route A\""), qPrintable(failure->reason));
}

// Each edit moves the kept size of the layer tree: filled to its reply's
// limit, the tree takes an object that just fits, then nothing more until a
// deletion makes room. An overgrown tree would leave no client able to read it.
void TestServerLayers::treeLimit()
{
    const qint64 start = h->fetch("Get_tree_graphobj").size();
    const qint64 icon = LayerMessages::recordBody(shape(0, Icon, "", {{1, 1}})).size();
    const qint64 free = StoreLimits::MaxTreeBytes - start;
    // A filler line with a long name, stored beside the wire, leaves room
    // for one icon named "n".
    QVERIFY(LayerStore(h->server->database())
                .addObject(Top, shape(0, Line, QString(int(free - icon - 38) / 2, 'x'),
                                      {{1, 1}, {2, 2}}),
                           9) > 0);
    const qint64 gap = StoreLimits::MaxTreeBytes - h->fetch("Get_tree_graphobj").size();
    QVERIFY2(gap >= icon + 2 && gap < icon + 4, qPrintable(QString::number(gap)));

    using namespace UnitMessages;
    using LayerMessages::newObjectBody;
    const QByteArray one = newObjectBody({Top, shape(0, Icon, "n", {{1, 1}})});
    const QList<ServerHarness::Reply> steps{
        {"Add_graph_object", one},
        {"Add_graph_object", one},
        {"Rename_graph_layer", idTextBody({Top, "Top!"})},
        {"Delete_graph_object", idBody(Spare)},
        {"Rename_graph_layer", idTextBody({Top, "Top!"})}};
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Add_graph_object failed.*32 MiB"));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Rename_graph_layer failed.*32 MiB"));
    FrameClient *client = h->connect();
    QCOMPARE(h->outcomes(client, steps), QStringLiteral("ok 4 4 ok ok"));
}

QTEST_GUILESS_MAIN(TestServerLayers)
#include "tst_server_layers.moc"
