#include "delegates/CmbBoxDelegateOnMapIcon.h"
#include "delegates/ColorDialogDelegate.h"
#include "graphobj/GraphObCircle.h"
#include "graphobj/GraphObIconText.h"
#include "graphobj/GraphObLine.h"
#include "graphobj/GraphObPolygone.h"
#include "graphobj/IconTable.h"

#include <MapQt.h>

#include <QPointer>
#include <QStandardItemModel>
#include <QTableView>
#include <QTranslator>
#include <QtTest>

#include <memory>

namespace {

GraphObData makeRecord(int type, const QVariantMap &properties = QVariantMap(),
                       const QList<QPoint> &points = QList<QPoint>{{0, 0}}, int id = 17,
                       const QString &name = QStringLiteral("obj"))
{
    GraphObData record;
    record.type = type;
    record.id = id;
    record.name = name;
    record.points = points;
    record.properties = properties;
    return record;
}

std::unique_ptr<GraphObject> create(const GraphObData &record)
{
    return std::unique_ptr<GraphObject>(CreateGraphObject(record));
}

// The kind's own fields by name, for the property tables.
QVariant field(const GraphObject *object, const QString &name)
{
    if (name == QLatin1String("name"))
        return object->name;
    if (auto *icon = qobject_cast<const GraphObIconText *>(object))
        return name == QLatin1String("iconIndex") ? QVariant(icon->iconIndex) : QVariant();
    if (auto *line = qobject_cast<const GraphObLine *>(object))
        return name == QLatin1String("width") ? QVariant(line->width) : QVariant(line->color);
    if (auto *polygon = qobject_cast<const GraphObPolygone *>(object))
        return name == QLatin1String("color") ? polygon->color : polygon->brushColor;
    if (auto *circle = qobject_cast<const GraphObCircle *>(object)) {
        if (name == QLatin1String("diameter"))
            return circle->diameter;
        return name == QLatin1String("color") ? circle->color : circle->brushColor;
    }
    return QVariant();
}

bool samePicture(const QPixmap &a, const QPixmap &b)
{
    return a.toImage() == b.toImage();
}

QPixmap picture(const char *path)
{
    return QPixmap(QString::fromLatin1(path));
}

// Answers a few texts in a recognisable way, so that the context each one is
// looked up in shows.
class MarkingTranslator : public QTranslator
{
public:
    bool isEmpty() const override { return false; }
    QString translate(const char *context, const char *source, const char *, int) const override
    {
        const QString key = QLatin1String(context) + QLatin1Char('/') + QLatin1String(source);
        static const QHash<QString, QString> texts{
            {QStringLiteral("GraphObject/[New %0 %1]"), QStringLiteral("<Neu %0 %1>")},
            {QStringLiteral("GraphObject/Line"), QStringLiteral("Linie")},
            {QStringLiteral("GraphObject/Width"), QStringLiteral("Breite")},
            {QStringLiteral("GraphObject/Param"), QStringLiteral("Feld")},
            {QStringLiteral("GraphObIconText/House"), QStringLiteral("Haus")},
        };
        return texts.value(key);
    }
};

} // namespace

class tst_GraphObject : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void typeNames();
    void create_data();
    void create();
    void constructorType_data();
    void constructorType();
    void naming_data();
    void naming();
    void fields_data();
    void fields();
    void iconTableRows();
    void iconObject_data();
    void iconObject();
    void fillProperties_data();
    void fillProperties();
    void setupPropertyView_data();
    void setupPropertyView();
    void sharedDelegates();
    void setProperty_data();
    void setProperty();
    void iconEdits();
    void circleDiameterEdit_data();
    void circleDiameterEdit();
    void fillTreeItem_data();
    void fillTreeItem();
    void translatedTexts();
    void ownership_data();
    void ownership();
};

void tst_GraphObject::initTestCase()
{
    Q_INIT_RESOURCE(operativecheck);
    GraphObject::InitTypeNames();
    InitIconTable();
}

void tst_GraphObject::typeNames()
{
    QCOMPARE(GraphObject::typeNames(),
             (QStringList{"Abstract", "IconText", "Line", "Polygone", "Circle", "Cone"}));
}

void tst_GraphObject::create_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QByteArray>("className");

    QTest::newRow("0 Abstract: none") << 0 << QByteArray();
    QTest::newRow("1 icon") << 1 << QByteArray("GraphObIconText");
    QTest::newRow("2 line") << 2 << QByteArray("GraphObLine");
    QTest::newRow("3 polygon") << 3 << QByteArray("GraphObPolygone");
    QTest::newRow("4 circle") << 4 << QByteArray("GraphObCircle");
    QTest::newRow("5 Cone: none") << 5 << QByteArray();
    QTest::newRow("-1: none") << -1 << QByteArray();
    QTest::newRow("6: none") << 6 << QByteArray();
}

void tst_GraphObject::create()
{
    QFETCH(int, type);
    QFETCH(QByteArray, className);
    const auto object = ::create(makeRecord(type));
    QCOMPARE(object != nullptr, !className.isEmpty());
    if (object) {
        QCOMPARE(QByteArray(object->metaObject()->className()), className);
        QCOMPARE(object->type, type);
        QVERIFY(!object->parent());
    }
}

void tst_GraphObject::constructorType_data()
{
    QTest::addColumn<int>("recordType");
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("type");

    QTest::newRow("icon sets 1") << 0 << 1 << 1;
    QTest::newRow("line sets 2") << 9 << 2 << 2;
    QTest::newRow("polygon sets 3") << 4 << 3 << 3;
    QTest::newRow("circle keeps the record's code") << 7 << 4 << 7;
    QTest::newRow("circle keeps 4") << 4 << 4 << 4;
}

void tst_GraphObject::constructorType()
{
    QFETCH(int, recordType);
    QFETCH(int, kind);
    QFETCH(int, type);
    const GraphObData record = makeRecord(recordType);
    std::unique_ptr<GraphObject> object;
    switch (kind) {
    case 1:
        object.reset(new GraphObIconText(record));
        break;
    case 2:
        object.reset(new GraphObLine(record));
        break;
    case 3:
        object.reset(new GraphObPolygone(record));
        break;
    default:
        object.reset(new GraphObCircle(record));
        break;
    }
    QCOMPARE(object->type, type);
}

void tst_GraphObject::naming_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("recordName");
    QTest::addColumn<QString>("name");

    QTest::newRow("line 17 unnamed") << 2 << 17 << QString() << "[New Line 17]";
    QTest::newRow("icon unnamed") << 1 << 3 << QString() << "[New IconText 3]";
    QTest::newRow("polygon unnamed") << 3 << 0 << QString() << "[New Polygone 0]";
    QTest::newRow("circle negative id") << 4 << -4 << QString() << "[New Circle -4]";
    QTest::newRow("empty, not null") << 2 << 5 << QString("") << "[New Line 5]";
    QTest::newRow("named keeps its name") << 2 << 17 << "Bridge" << "Bridge";
    QTest::newRow("a space is a name") << 3 << 1 << " " << " ";
}

void tst_GraphObject::naming()
{
    QFETCH(int, type);
    QFETCH(int, id);
    QFETCH(QString, recordName);
    QFETCH(QString, name);
    QCOMPARE(::create(makeRecord(type, QVariantMap(), {}, id, recordName))->name, name);
}

void tst_GraphObject::fields_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QVariantMap>("properties");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QVariant>("value");

    const QColor cyan(Qt::cyan);
    QTest::newRow("line width default 50") << 2 << QVariantMap() << "width" << QVariant(50);
    QTest::newRow("line colour default cyan") << 2 << QVariantMap() << "color" << QVariant(cyan);
    QTest::newRow("line width given") << 2 << QVariantMap{{"Width", 120}} << "width"
                                      << QVariant(120);
    QTest::newRow("line width as digits") << 2 << QVariantMap{{"Width", "75"}} << "width"
                                          << QVariant(75);
    QTest::newRow("line width not a number is 0") << 2 << QVariantMap{{"Width", "wide"}}
                                                  << "width" << QVariant(0);
    QTest::newRow("colour as a colour name text") << 2 << QVariantMap{{"Color", "red"}}
                                                  << "color" << QVariant(QColor(Qt::red));
    QTest::newRow("colour as #rrggbb text") << 3 << QVariantMap{{"Color", "#ff8000"}} << "color"
                                            << QVariant(QColor(255, 128, 0));
    QTest::newRow("colour that does not convert is invalid")
        << 2 << QVariantMap{{"Color", "no colour"}} << "color" << QVariant(QColor());
    QTest::newRow("polygon brush default cyan") << 3 << QVariantMap() << "brush"
                                                << QVariant(cyan);
    QTest::newRow("polygon brush keeps alpha") << 3 << QVariantMap{{"Brush", QColor(1, 2, 3, 4)}}
                                               << "brush" << QVariant(QColor(1, 2, 3, 4));
    QTest::newRow("circle diameter default 50") << 4 << QVariantMap() << "diameter"
                                                << QVariant(50);
    QTest::newRow("circle diameter given") << 4 << QVariantMap{{"Diameter", 300}} << "diameter"
                                           << QVariant(300);
    QTest::newRow("circle colour given") << 4 << QVariantMap{{"Color", QColor(Qt::blue)}}
                                         << "color" << QVariant(QColor(Qt::blue));
    QTest::newRow("circle brush default cyan") << 4 << QVariantMap{{"Color", QColor(Qt::blue)}}
                                               << "brush" << QVariant(cyan);
}

void tst_GraphObject::fields()
{
    QFETCH(int, type);
    QFETCH(QVariantMap, properties);
    QFETCH(QString, field);
    QFETCH(QVariant, value);
    const auto object = ::create(makeRecord(type, properties));
    QCOMPARE(::field(object.get(), field), value);
    QCOMPARE(object->properties, properties); // reading never writes
}

void tst_GraphObject::iconTableRows()
{
    const QMap<QString, QPixmap> &table = iconTable();
    QCOMPARE(table.keys(),
             (QStringList{"Center", "Event", "Hijacking", "Hospital", "HotSituation", "House",
                          "Kill", "Pharmacy", "PoliceStation", "PostDPS", "PostMOB", "PostOMON",
                          "PostPPS", "ScreetCamera", "SubUnit", "TK"}));
    const QList<QPair<const char *, const char *>> rows{
        {"Event", ":/icon/resource/Events.png"},
        {"HotSituation", ":/icon/resource/Hot Situation.png"},
        {"Hijacking", ":/icon/resource/Hijacking.png"},
        {"Kill", ":/icon/resource/Kill.png"},
        {"PostMOB", ":/icon/resource/Post-MOB.png"},
        {"PostDPS", ":/icon/resource/Post-DPS.png"},
        {"PostPPS", ":/icon/resource/Post-PPS.png"},
        {"PostOMON", ":/icon/resource/Post-OMON.png"},
        {"Center", ":/icon/resource/Centr.png"},
        {"House", ":/icon/resource/House.png"},
        {"SubUnit", ":/icon/resource/Sub-unit.png"},
        {"PoliceStation", ":/icon/resource/Glass.png"},
        {"ScreetCamera", ":/icon/resource/street-video.png"},
        {"Pharmacy", ":/icon/resource/pharmacy.png"},
        {"Hospital", ":/icon/resource/hospital.png"},
        {"TK", ":/icon/resource/tk.png"}};
    for (const auto &row : rows) {
        const QPixmap expected = picture(row.second);
        QVERIFY2(!expected.isNull(), row.second);
        QVERIFY2(samePicture(table.value(QLatin1String(row.first)), expected), row.first);
    }
    // Filling again neither adds rows nor makes a second delegate.
    CmbBoxDelegateOnMapIcon *delegate = iconDelegate();
    QVERIFY(delegate);
    InitIconTable();
    QCOMPARE(iconTable().size(), 16);
    QCOMPARE(iconDelegate(), delegate);
}

void tst_GraphObject::iconObject_data()
{
    QTest::addColumn<QVariantMap>("properties");
    QTest::addColumn<int>("iconIndex");
    QTest::addColumn<QString>("cellText");
    QTest::addColumn<QString>("path");

    QTest::newRow("House") << QVariantMap{{"IconName", "House"}} << 5 << "House"
                           << ":/icon/resource/House.png";
    QTest::newRow("first in key order") << QVariantMap{{"IconName", "Center"}} << 0 << "Center"
                                        << ":/icon/resource/Centr.png";
    QTest::newRow("last in key order") << QVariantMap{{"IconName", "TK"}} << 15 << "TK"
                                       << ":/icon/resource/tk.png";
    QTest::newRow("name not in the table") << QVariantMap{{"IconName", "Castle"}} << -1
                                           << QString() << QString();
    QTest::newRow("case differs") << QVariantMap{{"IconName", "house"}} << -1 << QString()
                                  << QString();
    QTest::newRow("no icon name") << QVariantMap() << -1 << QString() << QString();
}

void tst_GraphObject::iconObject()
{
    QFETCH(QVariantMap, properties);
    QFETCH(int, iconIndex);
    QFETCH(QString, cellText);
    QFETCH(QString, path);
    const auto object = ::create(makeRecord(1, properties));
    auto *icon = qobject_cast<GraphObIconText *>(object.get());
    QCOMPARE(icon->iconIndex, iconIndex);
    QStandardItemModel model;
    icon->FillProperties(&model);
    const QModelIndex cell = model.index(1, 1);
    QCOMPARE(model.index(1, 0).data().toString(), QStringLiteral("Icon"));
    QCOMPARE(cell.data().toString(), cellText);
    const QPixmap cellPicture = qvariant_cast<QPixmap>(cell.data(Qt::DecorationRole));
    QCOMPARE(cellPicture.isNull(), path.isEmpty());
    QCOMPARE(icon->primitiveCar()->pixmap.isNull(), path.isEmpty());
    if (!path.isEmpty()) {
        QVERIFY(samePicture(cellPicture, QPixmap(path)));
        QVERIFY(samePicture(icon->primitiveCar()->pixmap, QPixmap(path)));
    }
    QCOMPARE(iconTable().size(), 16);
}

void tst_GraphObject::fillProperties_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QStringList>("labels");
    QTest::addColumn<QStringList>("values");
    QTest::addColumn<QList<int>>("colourRows");

    QTest::newRow("icon") << 1 << QStringList{"Name", "Icon", "Comment"}
                          << QStringList{"obj", "Kill", "note"} << QList<int>();
    QTest::newRow("line") << 2 << QStringList{"Name", "Width", "Color", "Comment"}
                          << QStringList{"obj", "30", "#010203", "note"} << QList<int>{2};
    QTest::newRow("polygon") << 3 << QStringList{"Name", "Color", "Brush", "Comment"}
                             << QStringList{"obj", "#010203", "#0a0b0c", "note"}
                             << QList<int>{1, 2};
    QTest::newRow("circle") << 4 << QStringList{"Name", "Diameter, m", "Color", "Brush", "Comment"}
                            << QStringList{"obj", "80", "#010203", "#0a0b0c", "note"}
                            << QList<int>{2, 3};
}

void tst_GraphObject::fillProperties()
{
    QFETCH(int, type);
    QFETCH(QStringList, labels);
    QFETCH(QStringList, values);
    QFETCH(QList<int>, colourRows);
    const QVariantMap properties{{"Comment", "note"}, {"IconName", "Kill"}, {"Width", 30},
                                 {"Diameter", 80},    {"Color", "#010203"}, {"Brush", "#0a0b0c"}};
    const auto object = ::create(makeRecord(type, properties));
    QStandardItemModel model(7, 3); // leftovers of a previous table
    object->FillProperties(&model);
    QCOMPARE(model.columnCount(), 2);
    QCOMPARE(model.rowCount(), labels.size());
    QCOMPARE(model.headerData(0, Qt::Horizontal).toString(), QStringLiteral("Param"));
    QCOMPARE(model.headerData(1, Qt::Horizontal).toString(), QStringLiteral("Value"));
    for (int row = 0; row < labels.size(); ++row) {
        const QModelIndex label = model.index(row, 0);
        const QModelIndex value = model.index(row, 1);
        QCOMPARE(label.data().toString(), labels[row]);
        QVERIFY(!(label.flags() & Qt::ItemIsEditable));
        QVERIFY(value.flags() & Qt::ItemIsEditable);
        if (colourRows.contains(row)) {
            const QColor colour = qvariant_cast<QColor>(value.data(Qt::EditRole));
            QCOMPARE(colour.name(), values[row]);
            QCOMPARE(qvariant_cast<QColor>(value.data(Qt::DecorationRole)), colour);
        } else {
            QCOMPARE(value.data(Qt::EditRole).toString(), values[row]);
        }
    }
}

void tst_GraphObject::setupPropertyView_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QStringList>("delegates");

    const QString color = QStringLiteral("ColorDialogDelegate");
    QTest::newRow("icon") << 1 << QStringList{"", "CmbBoxDelegateOnMapIcon", ""};
    QTest::newRow("line") << 2 << QStringList{"", "", color, ""};
    QTest::newRow("polygon") << 3 << QStringList{"", color, color, ""};
    QTest::newRow("circle") << 4 << QStringList{"", "", color, color, ""};
}

void tst_GraphObject::setupPropertyView()
{
    QFETCH(int, type);
    QFETCH(QStringList, delegates);
    const auto object = ::create(makeRecord(type));
    QStandardItemModel model;
    QTableView view;
    view.setModel(&model);
    object->SetupPropertyView(&view);
    QCOMPARE(model.rowCount(), delegates.size());
    for (int row = 0; row < delegates.size(); ++row) {
        QAbstractItemDelegate *delegate = view.itemDelegateForRow(row);
        QCOMPARE(QString::fromLatin1(delegate ? delegate->metaObject()->className() : ""),
                 delegates[row]);
    }
    if (type == 1)
        QCOMPARE(view.itemDelegateForRow(1), iconDelegate());
}

void tst_GraphObject::sharedDelegates()
{
    // row of the colour editor and of the brush editor per kind
    auto delegatesOf = [](int type, int colourRow, int brushRow) {
        const auto object = ::create(makeRecord(type));
        QStandardItemModel model;
        QTableView view;
        view.setModel(&model);
        object->SetupPropertyView(&view);
        return qMakePair(view.itemDelegateForRow(colourRow),
                         brushRow < 0 ? nullptr : view.itemDelegateForRow(brushRow));
    };
    const auto line1 = delegatesOf(2, 2, -1);
    const auto line2 = delegatesOf(2, 2, -1);
    const auto polygon1 = delegatesOf(3, 1, 2);
    const auto polygon2 = delegatesOf(3, 1, 2);
    const auto circle1 = delegatesOf(4, 2, 3);
    const auto circle2 = delegatesOf(4, 2, 3);
    QVERIFY(line1.first);
    QCOMPARE(line2.first, line1.first);
    QCOMPARE(polygon2, polygon1);
    QCOMPARE(circle2, circle1);
    const QSet<QAbstractItemDelegate *> distinct{line1.first, polygon1.first, polygon1.second,
                                                 circle1.first, circle1.second};
    QCOMPARE(distinct.size(), 5);
}

void tst_GraphObject::setProperty_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("row");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QVariant>("fieldValue");
    QTest::addColumn<QString>("key"); // empty: nothing stored

    const QVariant red = QColor(Qt::red);
    const QString none;
    QTest::newRow("icon name") << 1 << 0 << QVariant("Gate") << "name" << QVariant("Gate")
                               << none;
    QTest::newRow("icon picture") << 1 << 1 << QVariant("House") << "iconIndex" << QVariant(5)
                                  << "IconName";
    QTest::newRow("icon comment") << 1 << 2 << QVariant("c") << "name" << QVariant("obj")
                                  << "Comment";
    QTest::newRow("icon row 3 ignored") << 1 << 3 << QVariant("x") << "iconIndex" << QVariant(-1)
                                        << none;
    QTest::newRow("line name") << 2 << 0 << QVariant("Road") << "name" << QVariant("Road")
                               << none;
    QTest::newRow("line width") << 2 << 1 << QVariant("120") << "width" << QVariant(120)
                                << "Width";
    QTest::newRow("line width not a number") << 2 << 1 << QVariant("far") << "width"
                                              << QVariant(0) << "Width";
    QTest::newRow("line colour") << 2 << 2 << red << "color" << red << "Color";
    QTest::newRow("line colour as text") << 2 << 2 << QVariant("blue") << "color"
                                         << QVariant(QColor(Qt::blue)) << "Color";
    QTest::newRow("line comment") << 2 << 3 << QVariant("c") << "width" << QVariant(50)
                                  << "Comment";
    QTest::newRow("line row 4 ignored") << 2 << 4 << QVariant("9") << "width" << QVariant(50)
                                        << none;
    QTest::newRow("polygon colour") << 3 << 1 << red << "color" << red << "Color";
    QTest::newRow("polygon brush") << 3 << 2 << QVariant(QColor(1, 2, 3, 4)) << "brush"
                                   << QVariant(QColor(1, 2, 3, 4)) << "Brush";
    QTest::newRow("polygon comment") << 3 << 3 << QVariant("c") << "color"
                                     << QVariant(QColor(Qt::cyan)) << "Comment";
    QTest::newRow("polygon row 4 ignored") << 3 << 4 << red << "color"
                                           << QVariant(QColor(Qt::cyan)) << none;
    QTest::newRow("circle diameter") << 4 << 1 << QVariant(120) << "diameter" << QVariant(120)
                                     << "Diameter";
    QTest::newRow("circle colour") << 4 << 2 << red << "color" << red << "Color";
    QTest::newRow("circle brush") << 4 << 3 << red << "brush" << red << "Brush";
    QTest::newRow("circle comment") << 4 << 4 << QVariant("c") << "diameter" << QVariant(50)
                                    << "Comment";
    QTest::newRow("circle row 5 ignored") << 4 << 5 << QVariant(7) << "diameter" << QVariant(50)
                                          << none;
    QTest::newRow("circle invalid index ignored") << 4 << -1 << QVariant(7) << "diameter"
                                                  << QVariant(50) << none;
}

void tst_GraphObject::setProperty()
{
    QFETCH(int, type);
    QFETCH(int, row);
    QFETCH(QVariant, value);
    QFETCH(QString, field);
    QFETCH(QVariant, fieldValue);
    QFETCH(QString, key);
    const QVariantMap before{{"Other", 1}};
    const auto object = ::create(makeRecord(type, before));
    QStandardItemModel model(6, 2);
    const QModelIndex index = row < 0 ? QModelIndex() : model.index(row, 1);
    object->SetProperty(index, value);
    QCOMPARE(::field(object.get(), field), fieldValue);
    QVariantMap expected = before;
    if (!key.isEmpty())
        expected.insert(key, value);
    QCOMPARE(object->properties, expected);
    if (row != 0)
        QCOMPARE(object->name, QStringLiteral("obj"));
}

void tst_GraphObject::iconEdits()
{
    const auto object = ::create(makeRecord(1, QVariantMap(), {{1, 2}, {3, 4}}));
    auto *icon = qobject_cast<GraphObIconText *>(object.get());
    const MapQt::MapCar *car = icon->primitiveCar();
    QVERIFY(!car->visible); // two vertices: no single place to stand
    QStandardItemModel model(3, 2);

    icon->SetProperty(model.index(0, 1), QStringLiteral("Gate 4"));
    QCOMPARE(car->text, QStringLiteral("Gate 4"));
    QVERIFY(car->visible);

    icon->SetProperty(model.index(1, 1), QStringLiteral("Hospital"));
    QVERIFY(samePicture(car->pixmap, picture(":/icon/resource/hospital.png")));
    QCOMPARE(icon->properties.value("IconName"), QVariant("Hospital"));

    icon->SetProperty(model.index(1, 1), QStringLiteral("Castle"));
    QVERIFY(car->pixmap.isNull());
    QCOMPARE(icon->iconIndex, -1);
    QVERIFY(icon->properties.contains("IconName"));
    QVERIFY(icon->properties.value("IconName").toString().isNull());
    QVERIFY(!iconTable().contains("Castle"));
}

void tst_GraphObject::circleDiameterEdit_data()
{
    QTest::addColumn<QList<QPoint>>("points");
    QTest::addColumn<int>("outlineCount");
    QTest::addColumn<int>("eastX");

    QTest::newRow("with a point: radius 60 m") << QList<QPoint>{{0, 0}} << 17 << 5389;
    QTest::newRow("shifted point") << QList<QPoint>{{100, 0}} << 17 << 5489;
    QTest::newRow("no point: nothing rebuilt") << QList<QPoint>() << 0 << 0;
}

void tst_GraphObject::circleDiameterEdit()
{
    QFETCH(QList<QPoint>, points);
    QFETCH(int, outlineCount);
    QFETCH(int, eastX);
    const auto object = ::create(makeRecord(4, QVariantMap(), points));
    auto *circle = qobject_cast<GraphObCircle *>(object.get());
    QStandardItemModel model(5, 2);
    circle->SetProperty(model.index(1, 1), 120);
    QCOMPARE(circle->properties.value("Diameter"), QVariant(120));
    const MapQt::MapTrace *outline = circle->primitiveOutlineTrace();
    QCOMPARE(outline->count, outlineCount);
    if (outlineCount) {
        QCOMPARE(outline->points[0].x, eastX);
        QCOMPARE(outline->points[4].y, 5389);
    }
}

void tst_GraphObject::fillTreeItem_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<bool>("hasIcon");

    QTest::newRow("icon shows its picture") << 1 << true;
    QTest::newRow("line: text only") << 2 << false;
    QTest::newRow("polygon: text only") << 3 << false;
    QTest::newRow("circle: text only") << 4 << false;
}

void tst_GraphObject::fillTreeItem()
{
    QFETCH(int, type);
    QFETCH(bool, hasIcon);
    const auto object = ::create(makeRecord(type, QVariantMap{{"IconName", "House"}}));
    object->FillTreeItem(nullptr);
    QStandardItem item(QStringLiteral("old"));
    object->FillTreeItem(&item);
    QCOMPARE(item.text(), QStringLiteral("obj"));
    QCOMPARE(!item.icon().isNull(), hasIcon);
    if (hasIcon) {
        const QPixmap house = picture(":/icon/resource/House.png");
        QVERIFY(samePicture(item.icon().pixmap(house.size()), house));
    }
}

void tst_GraphObject::translatedTexts()
{
    MarkingTranslator translator;
    QCoreApplication::installTranslator(&translator);
    GraphObject::InitTypeNames();
    InitIconTable();

    const auto line = ::create(makeRecord(2, QVariantMap(), {}, 17, QString()));
    QStandardItemModel model;
    line->FillProperties(&model);
    const bool houseTranslated = iconTable().contains(QStringLiteral("Haus"));

    QCoreApplication::removeTranslator(&translator);
    GraphObject::InitTypeNames();
    InitIconTable();

    QCOMPARE(line->name, QStringLiteral("<Neu Linie 17>"));
    QCOMPARE(model.headerData(0, Qt::Horizontal).toString(), QStringLiteral("Feld"));
    QCOMPARE(model.index(1, 0).data().toString(), QStringLiteral("Breite"));
    QVERIFY(houseTranslated);
    QVERIFY(iconTable().contains(QStringLiteral("House")));
}

void tst_GraphObject::ownership_data()
{
    QTest::addColumn<int>("type");
    QTest::newRow("icon") << 1;
    QTest::newRow("line") << 2;
    QTest::newRow("polygon") << 3;
    QTest::newRow("circle") << 4;
}

void tst_GraphObject::ownership()
{
    QFETCH(int, type);
    // Drawn and attached, then deleted through the base with its parent: the
    // lists are the caller's and keep their entries; the sanitizer build
    // checks that every primitive, pen, brush and array goes exactly once.
    auto *parent = new QObject;
    QPointer<GraphObject> object;
    switch (type) {
    case 1:
        object = new GraphObIconText(makeRecord(type), parent);
        break;
    case 2:
        object = new GraphObLine(makeRecord(type, {}, {{0, 0}, {900, 0}}), parent);
        break;
    case 3:
        object = new GraphObPolygone(makeRecord(type, {}, {{0, 0}, {900, 0}, {0, 900}}), parent);
        break;
    default:
        object = new GraphObCircle(makeRecord(type), parent);
        break;
    }
    QList<MapQt::MapPrimitive *> edit;
    QList<MapQt::MapPrimitive *> layer;
    object->AttachEditPrimitives(&edit);
    object->DrawOnLayer(&layer, 2);
    object->DrawOnLayer(&layer, 1);
    object->PreviewMove(0, 0, QPoint(5, 5));
    object->InsertPoint(1, QPoint(7, 7));
    QCOMPARE(object->parent(), parent);
    const int editCount = edit.size();
    delete parent;
    QVERIFY(object.isNull());
    QCOMPARE(edit.size(), editCount);
    QCOMPARE(layer.size(), 1);
}

QTEST_MAIN(tst_GraphObject)
#include "tst_graphobject.moc"
