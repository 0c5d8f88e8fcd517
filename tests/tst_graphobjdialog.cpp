// The layer tree dialog: the plug-in's store of graphic objects and the
// chooser of a section's objects.
#include "testsupport/FakeHost.h"
#include "testsupport/TreeBuilders.h"

#include "dialogs/DialogSelectGraphObj.h"
#include "graphobj/GraphObject.h"
#include "records/ItemRoles.h"
#include "shell/OperativeCheck.h"

#include <MapQt.h>

#include <QStandardItemModel>
#include <QTest>

#include <functional>
#include <memory>

using namespace TreeBodies;

namespace {

Node layer(qint32 id, const QString &name, quint32 bits, const QList<GraphObData> &objects,
           const QList<Node> &children = {})
{
    Node n = node(id, name, bits, children);
    n.objects = objects;
    return n;
}

GraphObData polygon(qint32 id, const QString &name, const QColor &brush = QColor(Qt::red))
{
    return object(id, 3, name, {{0, 0}, {1000, 0}, {1000, 1000}}, {{"Brush", brush}});
}

// Zones (Sub (Post 7), Gate 5, Yard 9), Roads (Lane 12): child layers come
// before a layer's own objects.
QByteArray baseTree()
{
    return layerTree(
        {layer(10, "Zones", 1, {polygon(5, "Gate"), object(9, 4, "Yard", {{500, 500}})},
               {layer(11, "Sub", 1, {object(7, 1, "Post", {{100, 100}})})}),
         layer(20, "Roads", 1, {object(12, 2, "Lane", {{0, 0}, {2000, 0}})})});
}

// The base tree's lines with a mark each: "+" ticked, "~" half ticked, " " neither.
QStringList baseItems(const QString &marks = "       ")
{
    const QStringList items{"Zones", " Sub", "  Post#7", " Gate#5", " Yard#9", "Roads", " Lane#12"};
    QStringList result;
    for (int i = 0; i < items.size(); ++i)
        result << items[i] + QString(marks[i]).trimmed();
    return result;
}

void walk(QStandardItem *parent, const std::function<void(QStandardItem *, int)> &visit,
          int depth = 0)
{
    for (int row = 0; row < parent->rowCount(); ++row) {
        visit(parent->child(row), depth);
        walk(parent->child(row), visit, depth + 1);
    }
}

QString label(const GraphObject *object)
{
    return QString("%1#%2").arg(object->name).arg(object->id);
}

// Pre-order, indented by depth: a layer by its name, an object by name#id, and its mark.
QStringList dump(QStandardItemModel *model)
{
    QStringList lines;
    walk(model->invisibleRootItem(), [&lines](QStandardItem *item, int depth) {
        const GraphObject *object = itemGraphObject(item);
        lines << QString(depth, ' ') + (object ? label(object) : item->text())
                     + QStringList{"", "~", "+"}.value(item->checkState());
    });
    return lines;
}

// "+Name" ticks, "-Name" unticks, "~Name" half-ticks, as the view writes it.
void applyTicks(QStandardItemModel *model, const QStringList &ticks)
{
    for (const QString &tick : ticks) {
        const Qt::CheckState state = tick[0] == '+' ? Qt::Checked
                                     : tick[0] == '~' ? Qt::PartiallyChecked : Qt::Unchecked;
        walk(model->invisibleRootItem(), [&](QStandardItem *item, int) {
            if (item->text() == tick.mid(1))
                model->setData(item->index(), state, Qt::CheckStateRole);
        });
    }
}

void load(DialogSelectGraphObj &dialog, const QByteArray &body)
{
    QDataStream in(body);
    in.setVersion(QDataStream::Qt_4_5);
    dialog.loadTree(in);
}

} // namespace

class tst_GraphObjDialog : public QObject
{
    Q_OBJECT

    std::unique_ptr<DialogSelectGraphObj> dialog;

private slots:
    void init() { dialog = std::make_unique<DialogSelectGraphObj>(); }
    void cleanup() { dialog.reset(); }

    void loadTree_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QStringList>("items");

        QTest::newRow("layers and objects") << baseTree() << baseItems();
        QTest::newRow("types 0 and 5 make no item, the stream stays aligned")
            << layerTree({layer(10, "Zones", 1, {object(1, 0, "Abstract", {{1, 1}}),
                                                 object(2, 5, "Cone", {{1, 1}}), polygon(5, "Gate")}),
                          layer(20, "Next", 1, {object(7, 1, "Post", {{1, 1}})})})
            << QStringList{"Zones", " Gate#5", "Next", " Post#7"};
        QTest::newRow("layer without bit 0 dropped")
            << layerTree({layer(10, "Hidden", 2, {polygon(5, "Gate")}),
                          layer(20, "Kept", 3, {polygon(9, "Yard")})})
            << QStringList{"Kept", " Yard#9"};
        QTest::newRow("child with bit 0 keeps its parent")
            << layerTree({layer(10, "Parent", 2, {polygon(5, "Gate")},
                                {layer(11, "Child", 1, {polygon(9, "Yard")})})})
            << QStringList{"Parent", " Child", "  Yard#9", " Gate#5"};
    }

    // Each tree replaces the one before, ticks included; every item is a
    // check box, an object's carries its layer's node id.
    void loadTree()
    {
        QFETCH(QByteArray, body);
        QFETCH(QStringList, items);
        load(*dialog, baseTree());
        dialog->showForSection({5, 12});
        load(*dialog, body);
        QCOMPARE(dump(dialog->model()), items);
        walk(dialog->model()->invisibleRootItem(), [](QStandardItem *item, int) {
            QVERIFY(item->isCheckable() && !item->isEditable());
            if (itemGraphObject(item))
                QCOMPARE(item->data(ItemRole::NodeId), item->parent()->data(ItemRole::NodeId));
        });
    }

    void showForSection_data()
    {
        QTest::addColumn<QList<int>>("ids");
        QTest::addColumn<QString>("marks");

        QTest::newRow("ids 9 and 5") << QList<int>{9, 5} << "   ++  ";
        QTest::newRow("object in a sub layer, unknown id ignored") << QList<int>{7, 42} << "  +    ";
        QTest::newRow("layer node ids are no object ids") << QList<int>{10, 11, 20} << "       ";
    }

    // Exactly the listed objects end up ticked, also when shown again while
    // open; these marks do not run down, the operator's later ones do.
    void showForSection()
    {
        QFETCH(QList<int>, ids);
        QFETCH(QString, marks);
        load(*dialog, baseTree());
        for (const char *before : {"+Zones", "+Roads"}) {
            applyTicks(dialog->model(), {QString(before)});
            dialog->showForSection(ids);
            QCOMPARE(dump(dialog->model()), baseItems(marks));
            QVERIFY(dialog->isVisible());
        }
        applyTicks(dialog->model(), {"+Sub"});
        QCOMPARE(dump(dialog->model()).at(2), QString("  Post#7+"));
    }

    void ticks_data()
    {
        QTest::addColumn<QStringList>("ticks");
        QTest::addColumn<QString>("marks");
        QTest::addColumn<QList<int>>("ids");

        QTest::newRow("a ticked layer ticks all below, gives its objects, not itself")
            << QStringList{"+Zones"} << "+++++  " << QList<int>{7, 5, 9};
        QTest::newRow("unticking one leaves the layer ticked")
            << QStringList{"+Zones", "-Gate"} << "+++ +  " << QList<int>{7, 9};
        QTest::newRow("every object ticked leaves the layer unticked")
            << QStringList{"+Post", "+Gate", "+Yard"} << "  +++  " << QList<int>{7, 5, 9};
        QTest::newRow("a half tick runs down, half ticked left out")
            << QStringList{"+Lane", "~Zones"} << "~~~~~ +" << QList<int>{12};
        QTest::newRow("tree order, not tick order")
            << QStringList{"+Lane", "+Yard", "+Gate"} << "   ++ +" << QList<int>{5, 9, 12};
    }

    // A mark runs down, never up; the fully ticked objects are the section's:
    // ids replaced, names appended.
    void ticks()
    {
        QFETCH(QStringList, ticks);
        QFETCH(QString, marks);
        QFETCH(QList<int>, ids);
        load(*dialog, baseTree());
        applyTicks(dialog->model(), ticks);
        QCOMPARE(dump(dialog->model()), baseItems(marks));
        QList<int> gotIds{77, 5};
        QString names("Old ");
        dialog->checkedGraphObjects(gotIds, names);
        QCOMPARE(gotIds, ids);
        const QHash<int, QString> name{{5, "Gate"}, {7, "Post"}, {9, "Yard"}, {12, "Lane"}};
        QString expected("Old ");
        for (int id : qAsConst(ids))
            expected += name[id] + ' ';
        QCOMPARE(names, expected);
    }

    void findGraphObjects_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QList<int>>("ids"); // looked up after 12
        QTest::addColumn<QStringList>("found");

        QTest::newRow("tree order, not id order")
            << baseTree() << QList<int>{9, 5, 7} << QStringList{"Lane#12", "Post#7", "Gate#5", "Yard#9"};
        QTest::newRow("same id in two layers: both")
            << layerTree({layer(10, "Zones", 1, {polygon(5, "Gate")}),
                          layer(20, "Roads", 1, {polygon(5, "Gate again"), polygon(12, "Lane")})})
            << QList<int>{5} << QStringList{"Lane#12", "Gate#5", "Gate again#5"};
        QTest::newRow("id listed twice: each object once")
            << baseTree() << QList<int>{5, 5} << QStringList{"Lane#12", "Gate#5"};
    }

    // Found objects are appended.
    void findGraphObjects()
    {
        QFETCH(QByteArray, body);
        QFETCH(QList<int>, ids);
        QFETCH(QStringList, found);
        load(*dialog, body);
        QList<GraphObject *> objects;
        dialog->findGraphObjects({12}, objects);
        dialog->findGraphObjects(ids, objects);
        QStringList labels;
        for (const GraphObject *object : qAsConst(objects))
            labels << label(object);
        QCOMPARE(labels, found);
    }

    // A shown route is drawn from the store; a new layer tree must leave
    // nothing of the old objects in the host's list.
    void reloadWhileRouteShown()
    {
        FakeHost host;
        OperativeCheck plugin;
        plugin.SetHost(&host);
        plugin.BindMap(0, 1);
        auto brushes = [&host]() {
            QStringList result;
            for (const MapQt::MapPrimitive *p : host.sectionList()->primitives)
                result << p->brush->color().name(QColor::HexArgb);
            return result;
        };
        auto reply = [&plugin](QByteArray command, QByteArray body) {
            plugin.OnServerReply(command, body);
        };
        reply("Get_tree_rulecheck",
              ruleTree({withRoute(node(1, "Beat", 1), route(1, {section(1, "North", {5, 9})}))}));
        reply("Get_tree_graphobj", layerTree({layer(10, "Zones", 1,
              {polygon(5, "Gate", QColor(10, 200, 30, 100)), polygon(9, "Yard", Qt::black)})}));
        plugin.model()->item(0, 0)->setCheckState(Qt::Checked);
        QCOMPARE(brushes(), QStringList({"#640ac81e", "#ff000000"}));
        reply("Get_tree_graphobj",
              layerTree({layer(10, "Zones", 1, {polygon(5, "Gate", Qt::white)})}));
        QCOMPARE(brushes(), QStringList({"#ffffffff"}));
        plugin.model()->item(0, 0)->setCheckState(Qt::Unchecked);
        QCOMPARE(brushes(), QStringList());
    }
};

QTEST_MAIN(tst_GraphObjDialog)
#include "tst_graphobjdialog.moc"
