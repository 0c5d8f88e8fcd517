// The graphic objects: what they put in the host's primitive lists, how they
// find a hit vertex, their extent and their property table.
#include "delegates/CmbBoxDelegateOnMapIcon.h"
#include "graphobj/GraphObCircle.h"
#include "graphobj/GraphObIconText.h"
#include "graphobj/GraphObLine.h"
#include "graphobj/GraphObPolygone.h"
#include "graphobj/GraphObjectFactory.h"
#include "graphobj/IconTable.h"

#include <MapQt.h>

#include <QStandardItemModel>
#include <QTableView>
#include <QTranslator>
#include <QtTest>

#include <limits>
#include <memory>

namespace {

using Points = QList<QPoint>;
using Primitives = QList<MapQt::MapPrimitive *>;

constexpr int Big = std::numeric_limits<int>::max();
constexpr int Small = std::numeric_limits<int>::min();
const Points Three{{0, 0}, {10, 0}, {20, 0}};

std::unique_ptr<GraphObject> make(int type, const Points &points = {{0, 0}},
                                  const QVariantMap &properties = {})
{
    return std::unique_ptr<GraphObject>(CreateGraphObject({17, type, "obj", points, properties}));
}

// A primitive as the host draws it: a trace's points (a 17-point circle by
// every fourth), pen and brush; a car's caption, place and picture.
QString describe(const MapQt::MapPrimitive *p)
{
    if (p->kind == 5) {
        const auto *car = static_cast<const MapQt::MapCar *>(p);
        return QString("car %1 at %2,%3").arg(car->text).arg(car->x).arg(car->y)
               + (car->visible ? "" : " hidden") + (car->pixmap.isNull() ? "" : " pictured");
    }
    const auto *trace = static_cast<const MapQt::MapTrace *>(p);
    QString text = p->kind == 2 ? "polygon" : "trace";
    for (int i = 0; i < trace->count; i += trace->count == 17 ? 4 : 1)
        text += QString(" %1,%2").arg(trace->points[i].x).arg(trace->points[i].y);
    if (p->pen)
        text += QString(" pen %1/%2").arg(p->pen->color().name(QColor::HexArgb)).arg(p->pen->width());
    if (p->brush)
        text += " brush " + p->brush->color().name(QColor::HexArgb);
    return text;
}

QStringList describe(const Primitives &list)
{
    QStringList result;
    for (const MapQt::MapPrimitive *p : list)
        result << describe(p);
    return result;
}

QVariantList values(const QStandardItemModel &model)
{
    QVariantList result;
    for (int row = 0; row < model.rowCount(); ++row)
        result << model.index(row, 1).data(Qt::EditRole);
    return result;
}

MapHit hit(int key, int position, QPoint a, QPoint b = QPoint())
{
    return MapHit{{0, key, 0, position, a.x(), a.y(), b.x(), b.y()}};
}

// Answers a few texts so that the context each is looked up in shows.
class MarkingTranslator : public QTranslator
{
public:
    bool isEmpty() const override { return false; }
    QString translate(const char *context, const char *source, const char *, int) const override
    {
        static const QHash<QString, QString> texts{
            {"GraphObject/[New %0 %1]", "<Neu %0 %1>"}, {"GraphObject/Line", "Linie"},
            {"GraphObject/Width", "Breite"}, {"GraphObIconText/House", "Haus"}};
        return texts.value(QString("%1/%2").arg(context, source));
    }
};

const QString Red = "#ffff0000", Blue = "#ff0000ff", Green = "#ff00ff00", Cyan = "#ff00ffff";
QString pen(const QString &colour) { return " pen " + colour + "/3"; }

} // namespace

Q_DECLARE_METATYPE(QList<MapHit>)

class tst_GraphObject : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        Q_INIT_RESOURCE(operativecheck);
        GraphObject::InitTypeNames();
        InitIconTable();
    }

    // The factory makes the drawable kinds; the class fixes the type code
    // before an unnamed object is named after it, except the circle's.
    void create_data()
    {
        QTest::addColumn<int>("kind"); // 0: through the factory, else that class
        QTest::addColumn<int>("recordType");
        QTest::addColumn<QString>("recordName");
        QTest::addColumn<QString>("name"); // empty: no object
        QTest::addColumn<int>("type");

        QTest::newRow("0 Abstract: none") << 0 << 0 << "" << "" << 0;
        QTest::newRow("5 Cone: none") << 0 << 5 << "" << "" << 0;
        QTest::newRow("1 icon") << 0 << 1 << "" << "[New IconText 17]" << 1;
        QTest::newRow("2 line") << 0 << 2 << "" << "[New Line 17]" << 2;
        QTest::newRow("3 polygon, a space is a name") << 0 << 3 << " " << " " << 3;
        QTest::newRow("4 circle") << 0 << 4 << "" << "[New Circle 17]" << 4;
        QTest::newRow("icon class sets 1") << 1 << 0 << "" << "[New IconText 17]" << 1;
        QTest::newRow("line class sets 2") << 2 << 9 << "" << "[New Line 17]" << 2;
        QTest::newRow("polygon class sets 3") << 3 << 4 << "" << "[New Polygone 17]" << 3;
        QTest::newRow("circle class keeps the code") << 4 << 7 << "Bridge" << "Bridge" << 7;
    }

    void create()
    {
        QFETCH(int, kind);
        QFETCH(int, recordType);
        QFETCH(QString, recordName);
        QFETCH(QString, name);
        QFETCH(int, type);
        const GraphObData record{17, recordType, recordName, {{0, 0}}, {}};
        GraphObject *made = kind == 0 ? CreateGraphObject(record)
                            : kind == 1 ? static_cast<GraphObject *>(new GraphObIconText(record))
                            : kind == 2 ? static_cast<GraphObject *>(new GraphObLine(record))
                            : kind == 3 ? static_cast<GraphObject *>(new GraphObPolygone(record))
                                        : new GraphObCircle(record);
        const std::unique_ptr<GraphObject> object(made);
        QCOMPARE(object ? object->name : QString(), name);
        QCOMPARE(object ? object->type : 0, type);
    }

    void propertyTable_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QVariantMap>("properties");
        QTest::addColumn<QStringList>("labels");
        QTest::addColumn<QVariantList>("values");

        const QColor cyan(Qt::cyan);
        const QStringList icon{"Name", "Icon", "Comment"};
        QTest::newRow("icon") << 1 << QVariantMap{{"IconName", "Kill"}, {"Comment", "note"}}
                              << icon << QVariantList{"obj", "Kill", "note"};
        QTest::newRow("icon, name not in the table (case differs)")
            << 1 << QVariantMap{{"IconName", "kill"}} << icon << QVariantList{"obj", {}, ""};
        QTest::newRow("line defaults") << 2 << QVariantMap() << QStringList{"Name", "Width", "Color",
                                                                            "Comment"}
                                       << QVariantList{"obj", "50", cyan, ""};
        QTest::newRow("line from texts that do not convert")
            << 2 << QVariantMap{{"Width", "wide"}, {"Color", "no colour"}}
            << QStringList{"Name", "Width", "Color", "Comment"} << QVariantList{"obj", "0", QColor(), ""};
        QTest::newRow("polygon, colour from text, brush keeps alpha")
            << 3 << QVariantMap{{"Color", "#ff8000"}, {"Brush", QColor(1, 2, 3, 4)}}
            << QStringList{"Name", "Color", "Brush", "Comment"}
            << QVariantList{"obj", QColor(255, 128, 0), QColor(1, 2, 3, 4), ""};
        QTest::newRow("circle") << 4 << QVariantMap{{"Diameter", 80}, {"Brush", QColor(Qt::red)}}
                                << QStringList{"Name", "Diameter, m", "Color", "Brush", "Comment"}
                                << QVariantList{"obj", "80", cyan, QColor(Qt::red), ""};
    }

    // Rows as the kind's schema lists them: fixed labels, editable values,
    // colours with a swatch and their own editor, the icon with the table's list.
    void propertyTable()
    {
        QFETCH(int, type);
        QFETCH(QVariantMap, properties);
        QFETCH(QStringList, labels);
        QFETCH(QVariantList, values);
        const auto object = make(type, {{0, 0}}, properties);
        QStandardItemModel model(7, 3); // leftovers of a previous table
        QStandardItemModel otherModel;
        QTableView view, other;
        view.setModel(&model);
        other.setModel(&otherModel);
        object->SetupPropertyView(&view);
        make(type)->SetupPropertyView(&other);
        QCOMPARE(object->properties, properties); // reading never writes
        QCOMPARE(model.headerData(0, Qt::Horizontal).toString() + "|"
                     + model.headerData(1, Qt::Horizontal).toString(), QString("Param|Value"));
        QCOMPARE(::values(model), values);
        QCOMPARE(model.columnCount(), 2);
        for (int row = 0; row < model.rowCount(); ++row) {
            QCOMPARE(model.index(row, 0).data().toString(), labels.value(row));
            QVERIFY(!(model.index(row, 0).flags() & Qt::ItemIsEditable));
            QVERIFY(model.index(row, 1).flags() & Qt::ItemIsEditable);
            const bool colour = values[row].userType() == QMetaType::QColor;
            if (colour)
                QCOMPARE(model.index(row, 1).data(Qt::DecorationRole), values[row]);
            QAbstractItemDelegate *delegate = view.itemDelegateForRow(row);
            QCOMPARE(QString(delegate ? delegate->metaObject()->className() : ""),
                     colour ? "ColorDialogDelegate" : labels[row] == "Icon" ? "CmbBoxDelegateOnMapIcon" : "");
            // Shared by the kind's tables; an outline colour and a fill differ.
            QCOMPARE(other.itemDelegateForRow(row), delegate);
            QVERIFY(!delegate || delegate != view.itemDelegateForRow(row - 1));
        }
        QCOMPARE(model.rowCount(), labels.size());
        // The layer tree shows the name; an icon shows its picture there, in
        // its table and on the map.
        QStandardItem item("old");
        object->FillTreeItem(&item);
        QCOMPARE(item.text(), QString("obj"));
        QCOMPARE(item.icon().isNull(), type != 1 || values[1].isNull());
        if (auto *icon = qobject_cast<GraphObIconText *>(object.get())) {
            const QImage picture = iconTable().value(values[1].toString()).toImage();
            QCOMPARE(icon->primitiveCar()->pixmap.toImage(), picture);
            QCOMPARE(qvariant_cast<QPixmap>(model.index(1, 1).data(Qt::DecorationRole)).toImage(),
                     picture);
            QCOMPARE(item.icon().pixmap(picture.size()).toImage(), picture);
        }
    }

    void propertyEdit_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("row");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QVariant>("shown");  // in that row of the table filled afresh
        QTest::addColumn<QString>("key");     // empty: nothing stored
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<QString>("drawn");   // on the layer afterwards

        const QVariant red = QColor(Qt::red);
        const QVariant alpha = QColor(1, 2, 3, 4);
        const QString corridor = "trace 0,-2246 1000,-2246 1000,2246 0,2246 0,-2246";
        QTest::newRow("icon name: the caption") << 1 << 0 << QVariant("Gate") << QVariant("Gate")
            << "" << QVariant() << "car Gate at 0,0";
        QTest::newRow("icon picture") << 1 << 1 << QVariant("Hospital") << QVariant("Hospital")
            << "IconName" << QVariant("Hospital") << "car obj at 0,0 pictured";
        QTest::newRow("icon picture not in the table: a null text, no picture") << 1 << 1
            << QVariant("Castle") << QVariant() << "IconName" << QVariant(QString()) << "car obj at 0,0";
        QTest::newRow("comment") << 1 << 2 << QVariant("c") << QVariant("c") << "Comment"
            << QVariant("c") << "car obj at 0,0";
        QTest::newRow("line width") << 2 << 1 << QVariant("40") << QVariant("40") << "Width"
            << QVariant("40") << "trace 0,-1797 1000,-1797 1000,1797 0,1797 0,-1797" + pen(Cyan);
        QTest::newRow("line colour as text") << 2 << 2 << QVariant("red") << red << "Color"
            << QVariant("red") << corridor + pen(Red);
        QTest::newRow("line row past its table ignored") << 2 << 4 << QVariant("9") << QVariant()
            << "" << QVariant() << corridor + pen(Cyan);
        QTest::newRow("polygon brush keeps alpha") << 3 << 2 << alpha << alpha << "Brush" << alpha
            << "polygon 0,0 0,0" + pen(Cyan) + " brush #04010203";
        QTest::newRow("circle diameter") << 4 << 1 << QVariant(120) << QVariant("120") << "Diameter"
            << QVariant(120)
            << "polygon 5389,0 0,5389 -5389,0 0,-5389 5389,0" + pen(Cyan) + " brush " + Cyan;
        QTest::newRow("circle brush") << 4 << 3 << red << red << "Brush" << red
            << "polygon 2245,0 0,2245 -2245,0 0,-2245 2245,0" + pen(Cyan) + " brush " + Red;
        QTest::newRow("invalid index ignored") << 4 << -1 << QVariant(7) << QVariant() << ""
            << QVariant() << "polygon 2245,0 0,2245 -2245,0 0,-2245 2245,0" + pen(Cyan) + " brush " + Cyan;
    }

    // An edit changes its own row, its stored value and what is drawn from it.
    void propertyEdit()
    {
        QFETCH(int, type);
        QFETCH(int, row);
        QFETCH(QVariant, value);
        QFETCH(QVariant, shown);
        QFETCH(QString, key);
        QFETCH(QVariant, stored);
        QFETCH(QString, drawn);
        const auto object = make(type, type == 2 ? Points{{0, 0}, {1000, 0}} : Points{{0, 0}},
                                 {{"Other", 1}});
        Primitives edit, layer;
        object->AttachEditPrimitives(&edit);
        QStandardItemModel model;
        QStandardItemModel rows(6, 2); // an index past the kind's rows is still valid
        object->FillProperties(&model);
        QVariantList expected = values(model);
        object->SetProperty(row < 0 ? QModelIndex() : rows.index(row, 1), value);
        object->FillProperties(&model);
        if (row >= 0 && row < expected.size())
            expected[row] = shown;
        QCOMPARE(values(model), expected);
        QVariantMap properties{{"Other", 1}};
        if (!key.isEmpty())
            properties.insert(key, stored);
        QCOMPARE(object->properties, properties);
        QCOMPARE(object->properties.value(key).toString().isNull(), stored.toString().isNull());
        object->DrawOnLayer(&layer, 1);
        QCOMPARE(describe(layer.last()), drawn);
        // The circle's editing outline follows its diameter.
        if (type == 4)
            QCOMPARE(describe(edit.first()).section(" pen", 0, 0),
                     describe(layer.last()).section(" pen", 0, 0).replace("polygon", "trace"));
    }

    void drawOnLayer_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<Points>("vertices"); // none: made without properties
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("drawn");

        const Points tri{{0, 0}, {1000, 0}, {1000, 1000}};
        const QString ring = "polygon 0,0 1000,0 1000,1000 0,0";
        QTest::newRow("polygon, own colours") << 3 << tri << 1 << ring + pen("#ff010203") + " brush #640ac81e";
        QTest::newRow("polygon, red tint") << 3 << tri << 2 << ring + pen("#ff010203") + " brush #7fca081e";
        // Diameter 51 is radius 25 m; at 60 degrees a metre east is twice the units.
        QTest::newRow("circle, green tint round the first vertex")
            << 4 << Points{{0, 600000000}, {9, 9}} << 3
            << "polygon 4491,600000000 0,600002245 -4491,600000000 0,599997754 4491,600000000"
                   + pen("#ff010203") + " brush #7f0ac81e";
        QTest::newRow("line: corridor of its width") << 2 << Points{{0, 0}, {1000, 0}} << 3
            << "trace 0,-898 1000,-898 1000,898 0,898 0,-898" + pen("#ff010203");
        QTest::newRow("polygon without vertex: as made") << 3 << Points() << 1
            << "polygon" + pen(Cyan) + " brush " + Cyan;
        QTest::newRow("icon") << 1 << Points{{5, 6}} << 2 << "car obj at 5,6";
    }

    // Drawn twice into a list the caller shares: one copy, after the others;
    // mode 0 takes it out again.
    void drawOnLayer()
    {
        QFETCH(int, type);
        QFETCH(Points, vertices);
        QFETCH(int, mode);
        QFETCH(QString, drawn);
        const QVariantMap properties{{"Color", QColor(1, 2, 3)}, {"Width", 20}, {"Diameter", 51},
                                     {"Brush", QColor(10, 200, 30, 100)}};
        const auto object = make(type, vertices, vertices.isEmpty() ? QVariantMap() : properties);
        MapQt::MapTrace other;
        Primitives list{&other};
        object->DrawOnLayer(&list, 1);
        object->DrawOnLayer(&list, mode);
        QCOMPARE(list.size(), 2);
        QCOMPARE(describe(list.last()), drawn);
        object->DrawOnLayer(&list, 0);
        object->DrawOnLayer(&list, 0);
        QCOMPARE(list, Primitives{&other});
    }

    void editPrimitives_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<Points>("vertices");
        QTest::addColumn<QString>("edits"); // "remove i", "insert i x,y", "move i j x,y", "preview i j x,y"
        QTest::addColumn<QStringList>("primitives");

        const QString marks = "trace 0,0 10,0 20,0 0,0" + pen(Red);
        QTest::newRow("line: preview, line, vertex marks ending at (0,0)") << 2 << Three << ""
            << QStringList{"trace" + pen(Green), "trace 0,0 10,0 20,0" + pen(Blue), marks};
        QTest::newRow("polygon: closed") << 3 << Three << "" << QStringList{"trace" + pen(Green),
               "trace 0,0 10,0 20,0 0,0" + pen(Blue), "trace 0,0 10,0 20,0 0,0 0,0" + pen(Red)};
        QTest::newRow("polygon without vertex: nothing") << 3 << Points() << "" << QStringList{
               "trace" + pen(Green), "trace" + pen(Blue), "trace" + pen(Red)};
        QTest::newRow("icon of three vertices: no single place") << 1 << Three << ""
            << QStringList{"car obj at 0,0 hidden", marks};
        QTest::newRow("circle: outline round the first vertex") << 4 << Points{{1000, 0}} << ""
            << QStringList{"trace 3245,0 1000,2245 -1245,0 1000,-2245 3245,0" + pen(Blue),
                           "trace 1000,0 0,0" + pen(Red)};
        QTest::newRow("line preview: no vertex before the first") << 2 << Three << "preview 0 1 1,1"
            << QStringList{"trace 1,1 11,1 20,0" + pen(Green), "trace 0,0 10,0 20,0" + pen(Blue), marks};
        QTest::newRow("polygon preview wraps") << 3 << Three << "preview 2 0 1,1" << QStringList{
               "trace 10,0 21,1 1,1 10,0" + pen(Green), "trace 0,0 10,0 20,0 0,0" + pen(Blue),
               "trace 0,0 10,0 20,0 0,0 0,0" + pen(Red)};
        QTest::newRow("line preview of an insertion") << 2 << Three << "preview 1 -1 7,7"
            << QStringList{"trace 10,0 7,7 20,0" + pen(Green), "trace 0,0 10,0 20,0" + pen(Blue), marks};
        QTest::newRow("line: a removal rebuilds and ends the preview") << 2 << Three
            << "preview 0 1 1,1;remove 1" << QStringList{"trace" + pen(Green),
               "trace 0,0 20,0" + pen(Blue), "trace 0,0 20,0 0,0" + pen(Red)};
        QTest::newRow("line: a run does not wrap") << 2 << Three << "move 2 0 1,2"
            << QStringList{"trace" + pen(Green), "trace 0,0 10,0 20,0" + pen(Blue), marks};
        QTest::newRow("polygon: a run wraps, an insertion at the end") << 3 << Three
            << "move 2 0 1,2;insert 3 5,5" << QStringList{"trace" + pen(Green),
               "trace 1,2 10,0 21,2 5,5 1,2" + pen(Blue), "trace 1,2 10,0 21,2 5,5 1,2 0,0" + pen(Red)};
        QTest::newRow("icon: an insertion moves it") << 1 << Points{{0, 0}} << "insert 2 5,5"
            << QStringList{"car obj at 5,5", "trace 5,5 0,0" + pen(Red)};
        QTest::newRow("circle: a move redraws the outline") << 4 << Points{{0, 0}} << "move 0 0 1000,0"
            << QStringList{"trace 3245,0 1000,2245 -1245,0 1000,-2245 3245,0" + pen(Blue),
                           "trace 1000,0 0,0" + pen(Red)};
    }

    // The kind's editing primitives go into the caller's list, are rebuilt
    // after every edit and stay there when the object is deleted.
    void editPrimitives()
    {
        QFETCH(int, type);
        QFETCH(Points, vertices);
        QFETCH(QString, edits);
        QFETCH(QStringList, primitives);
        auto object = make(type, vertices);
        MapQt::MapTrace stale;
        Primitives list{&stale};
        object->AttachEditPrimitives(&list);
        QCOMPARE(object->editList(), &list);
        for (const QString &edit : edits.split(';', Qt::SkipEmptyParts)) {
            const QStringList a = edit.split(QRegularExpression("[ ,]"));
            const QPoint p(a.value(a.size() - 2).toInt(), a.last().toInt());
            if (a[0] == "remove")
                object->RemovePoint(a[1].toInt());
            else if (a[0] == "insert")
                object->InsertPoint(a[1].toInt(), p);
            else if (a[0] == "move")
                object->MovePoints(a[1].toInt(), a[2].toInt(), p);
            else
                object->PreviewMove(a[1].toInt(), a[2].toInt(), p);
        }
        QCOMPARE(describe(list), primitives);
        QCOMPARE(list.last(), object->primitiveVertexTrace());
        object.reset();
        QCOMPARE(list.size(), primitives.size());
    }

    // A new preview array only when the shown count is too small, so that a
    // replaced one never keeps the old address.
    void previewArray()
    {
        const auto object = make(2, Three + Points{{30, 0}, {40, 0}});
        const MapQt::MapTrace *trace =
            qobject_cast<GraphObLineBase *>(object.get())->primitivePreviewTrace();
        object->PreviewMove(1, -1, QPoint(1, 1)); // needs 3
        const MapQt::MapPoint *first = trace->points;
        object->PreviewMove(2, -1, QPoint(1, 1)); // needs 3, has 3: kept
        QCOMPARE(trace->points, first);
        object->PreviewMove(0, 2, QPoint(1, 1)); // needs 5: replaced, shows 4
        QVERIFY(trace->points != first);
        QCOMPARE(trace->count, 4);
    }

    void findHitPoints_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<bool>("attached");
        QTest::addColumn<QList<MapHit>>("hits"); // key 5
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("second");

        // Positions: line kinds preview 0, line 1, marks 2; icon car or circle outline 0, marks 1.
        const Points f{{0, 0}, {1000, 0}, {2000, 500}, {3000, 0}, {4000, 1000}};
        QTest::newRow("never attached") << 2 << false << QList<MapHit>{hit(5, 2, f[3])} << -1 << -1;
        QTest::newRow("vertex") << 2 << true << QList<MapHit>{hit(5, 2, f[3])} << 3 << 3;
        QTest::newRow("other key") << 2 << true << QList<MapHit>{hit(6, 2, f[3])} << -1 << -1;
        QTest::newRow("a later record matches")
            << 3 << true << QList<MapHit>{hit(5, 2, {1, 1}), hit(5, 2, f[4])} << 4 << 4;
        QTest::newRow("polygon closing segment") << 3 << true << QList<MapHit>{hit(5, 1, f[4], f[0])}
                                                 << 4 << 0;
        QTest::newRow("a vertex wins over an earlier segment")
            << 2 << true << QList<MapHit>{hit(5, 1, f[1], f[2]), hit(5, 2, f[0])} << 0 << 0;
        QTest::newRow("segment end that is no vertex")
            << 2 << true << QList<MapHit>{hit(5, 1, f[1], {3, 3})} << -1 << -1;
        QTest::newRow("icon vertex") << 1 << true << QList<MapHit>{hit(5, 1, f[0])} << 0 << 0;
        QTest::newRow("circle vertex") << 4 << true << QList<MapHit>{hit(5, 1, f[0])} << 0 << 0;
        QTest::newRow("icon has no segments") << 1 << true << QList<MapHit>{hit(5, 0, f[0], f[0])}
                                              << -1 << -1;
    }

    void findHitPoints()
    {
        QFETCH(int, type);
        QFETCH(bool, attached);
        QFETCH(QList<MapHit>, hits);
        QFETCH(int, first);
        QFETCH(int, second);
        const Points five{{0, 0}, {1000, 0}, {2000, 500}, {3000, 0}, {4000, 1000}};
        const auto object = make(type, type == 2 || type == 3 ? five : five.mid(0, 1));
        Primitives list;
        if (attached)
            object->AttachEditPrimitives(&list);
        int a = 99, b = 99;
        QCOMPARE(object->FindHitPoints(hits, a, b, 5), first >= 0);
        QCOMPARE(qMakePair(a, b), qMakePair(first, second));
    }

    void extendBounds_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<Points>("vertices");
        QTest::addColumn<int>("size"); // width or diameter
        QTest::addColumn<QList<int>>("bounds"); // minX, minY, maxX, maxY; from an empty start

        QTest::newRow("icon: first vertex only") << 1 << Points{{5, 6}, {100, 100}} << 0
                                                 << QList<int>{5, 6, 5, 6};
        QTest::newRow("polygon: every vertex") << 3 << Points{{5, 6}, {-7, 60}, {30, -1}} << 0
                                               << QList<int>{-7, -1, 30, 60};
        QTest::newRow("line: its corridor") << 2 << Points{{0, 0}, {1000, 0}} << 50
                                            << QList<int>{0, -2246, 1000, 2246};
        QTest::newRow("circle at 60 degrees is wider") << 4 << Points{{0, 600000000}} << 50
            << QList<int>{-4491, 599997754, 4491, 600002245};
        QTest::newRow("huge circle at the pole: kept in range") << 4 << Points{{Big, 900000000}}
            << Big << QList<int>{Small, Small, Big, Big};
        QTest::newRow("circle without vertex: unchanged") << 4 << Points() << 50
                                                          << QList<int>{Big, Big, Small, Small};
    }

    void extendBounds()
    {
        QFETCH(int, type);
        QFETCH(Points, vertices);
        QFETCH(int, size);
        QFETCH(QList<int>, bounds);
        QList<int> got{Big, Big, Small, Small};
        make(type, vertices, {{"Width", size}, {"Diameter", size}})
            ->ExtendBounds(got[0], got[1], got[2], got[3]);
        QCOMPARE(got, bounds);
    }

    // Names, labels and icon names are looked up in their own contexts.
    void translatedTexts()
    {
        MarkingTranslator translator;
        QCoreApplication::installTranslator(&translator);
        GraphObject::InitTypeNames();
        InitIconTable();
        const std::unique_ptr<GraphObject> line(CreateGraphObject({17, 2, "", {}, {}}));
        QStandardItemModel model;
        line->FillProperties(&model);
        const bool houseTranslated = iconTable().contains("Haus");
        QCoreApplication::removeTranslator(&translator);
        GraphObject::InitTypeNames();
        InitIconTable();
        QCOMPARE(line->name, QString("<Neu Linie 17>"));
        QCOMPARE(model.index(1, 0).data().toString(), QString("Breite"));
        QVERIFY(houseTranslated);
        QVERIFY(!iconTable().contains("Haus")); // refilled, not added to
    }
};

QTEST_MAIN(tst_GraphObject)
#include "tst_graphobject.moc"
