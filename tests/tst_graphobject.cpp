#include "delegates/CmbBoxDelegateOnMapIcon.h"
#include "delegates/ColorDialogDelegate.h"
#include "graphobj/GraphObCircle.h"
#include "graphobj/GraphObIconText.h"
#include "graphobj/GraphObLine.h"
#include "graphobj/GraphObPolygone.h"
#include "graphobj/GraphObjectFactory.h"
#include "graphobj/IconTable.h"

#include <MapQt.h>

#include <QPointer>
#include <QStandardItemModel>
#include <QTableView>
#include <QTranslator>
#include <QtTest>

#include <memory>

namespace {

GraphObData record(int type, const QVariantMap &properties = {},
                   const QList<QPoint> &points = {{0, 0}}, int id = 17, const QString &name = "obj")
{
    return GraphObData{id, type, name, points, properties};
}

std::unique_ptr<GraphObject> create(int type, const QVariantMap &properties = {},
                                    const QList<QPoint> &points = {{0, 0}})
{
    return std::unique_ptr<GraphObject>(CreateGraphObject(record(type, properties, points)));
}

// The kind's class itself, whatever type code the record holds.
GraphObject *construct(int kind, const GraphObData &data, QObject *parent = nullptr)
{
    switch (kind) {
    case 1:
        return new GraphObIconText(data, parent);
    case 2:
        return new GraphObLine(data, parent);
    case 3:
        return new GraphObPolygone(data, parent);
    default:
        return new GraphObCircle(data, parent);
    }
}

// The value column of a property table.
QVariantList values(const QStandardItemModel &model)
{
    QVariantList result;
    for (int row = 0; row < model.rowCount(); ++row)
        result << model.index(row, 1).data(Qt::EditRole);
    return result;
}

bool samePicture(const QPixmap &a, const QString &path)
{
    return a.toImage() == QPixmap(path).toImage();
}

// Answers a few texts in a way that shows the context each is looked up in.
class MarkingTranslator : public QTranslator
{
public:
    bool isEmpty() const override { return false; }
    QString translate(const char *context, const char *source, const char *, int) const override
    {
        static const QHash<QString, QString> texts{
            {"GraphObject/[New %0 %1]", "<Neu %0 %1>"}, {"GraphObject/Line", "Linie"},
            {"GraphObject/Width", "Breite"},           {"GraphObject/Param", "Feld"},
            {"GraphObIconText/House", "Haus"}};
        return texts.value(QString("%1/%2").arg(context, source));
    }
};

} // namespace

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

    void create_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QByteArray>("className"); // empty: no object

        QTest::newRow("0 Abstract: none") << 0 << QByteArray();
        QTest::newRow("1 icon") << 1 << QByteArray("GraphObIconText");
        QTest::newRow("2 line") << 2 << QByteArray("GraphObLine");
        QTest::newRow("3 polygon") << 3 << QByteArray("GraphObPolygone");
        QTest::newRow("4 circle") << 4 << QByteArray("GraphObCircle");
        QTest::newRow("5 Cone: none") << 5 << QByteArray();
    }

    void create()
    {
        QFETCH(int, type);
        QFETCH(QByteArray, className);
        const auto object = ::create(type);
        QCOMPARE(object ? QByteArray(object->metaObject()->className()) : QByteArray(), className);
    }

    // The type code is set before an unnamed object gets its name from it.
    void typeAndName_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("recordType");
        QTest::addColumn<int>("id");
        QTest::addColumn<QString>("recordName");
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("name");

        QTest::newRow("icon sets 1") << 1 << 0 << 3 << QString() << 1 << "[New IconText 3]";
        QTest::newRow("line sets 2") << 2 << 9 << 17 << QString() << 2 << "[New Line 17]";
        QTest::newRow("polygon sets 3, empty is unnamed")
            << 3 << 4 << 0 << QString("") << 3 << "[New Polygone 0]";
        QTest::newRow("circle keeps the record's code") << 4 << 7 << 1 << "Bridge" << 7 << "Bridge";
        QTest::newRow("circle, negative id") << 4 << 4 << -4 << QString() << 4 << "[New Circle -4]";
        QTest::newRow("a space is a name") << 2 << 2 << 1 << " " << 2 << " ";
    }

    void typeAndName()
    {
        QFETCH(int, kind);
        QFETCH(int, recordType);
        QFETCH(int, id);
        QFETCH(QString, recordName);
        QFETCH(int, type);
        QFETCH(QString, name);
        const std::unique_ptr<GraphObject> object(
            construct(kind, record(recordType, {}, {}, id, recordName)));
        QCOMPARE(object->type, type);
        QCOMPARE(object->name, name);
    }

    // Filling again neither adds rows nor makes a second delegate.
    void iconTableRefill()
    {
        CmbBoxDelegateOnMapIcon *delegate = iconDelegate();
        const int size = iconTable().size();
        InitIconTable();
        QVERIFY(delegate);
        QCOMPARE(iconDelegate(), delegate);
        QCOMPARE(iconTable().size(), size);
    }

    void fillProperties_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QVariantMap>("properties");
        QTest::addColumn<QVariantList>("values");

        const QColor cyan(Qt::cyan);
        QTest::newRow("icon") << 1 << QVariantMap{{"IconName", "Kill"}, {"Comment", "note"}}
                              << QVariantList{"obj", "Kill", "note"};
        QTest::newRow("icon, name not in the table (case differs)")
            << 1 << QVariantMap{{"IconName", "kill"}} << QVariantList{"obj", QVariant(), ""};
        QTest::newRow("line defaults") << 2 << QVariantMap() << QVariantList{"obj", "50", cyan, ""};
        QTest::newRow("line from texts")
            << 2 << QVariantMap{{"Width", "75"}, {"Color", "red"}, {"Comment", "note"}}
            << QVariantList{"obj", "75", QColor(Qt::red), "note"};
        QTest::newRow("line from texts that do not convert")
            << 2 << QVariantMap{{"Width", "wide"}, {"Color", "no colour"}}
            << QVariantList{"obj", "0", QColor(), ""};
        QTest::newRow("polygon defaults") << 3 << QVariantMap()
                                          << QVariantList{"obj", cyan, cyan, ""};
        QTest::newRow("polygon given, brush keeps alpha")
            << 3 << QVariantMap{{"Color", "#ff8000"}, {"Brush", QColor(1, 2, 3, 4)}}
            << QVariantList{"obj", QColor(255, 128, 0), QColor(1, 2, 3, 4), ""};
        QTest::newRow("circle defaults") << 4 << QVariantMap()
                                         << QVariantList{"obj", "50", cyan, cyan, ""};
        QTest::newRow("circle given")
            << 4 << QVariantMap{{"Diameter", 80}, {"Color", "blue"}, {"Brush", QColor(Qt::red)}}
            << QVariantList{"obj", "80", QColor(Qt::blue), QColor(Qt::red), ""};
    }

    void fillProperties()
    {
        QFETCH(int, type);
        QFETCH(QVariantMap, properties);
        QFETCH(QVariantList, values);
        static const QHash<int, QStringList> labels{
            {1, {"Name", "Icon", "Comment"}}, {2, {"Name", "Width", "Color", "Comment"}},
            {3, {"Name", "Color", "Brush", "Comment"}},
            {4, {"Name", "Diameter, m", "Color", "Brush", "Comment"}}};
        const auto object = ::create(type, properties);
        QCOMPARE(object->properties, properties); // reading never writes
        QStandardItemModel model(7, 3); // leftovers of a previous table
        QStandardItemModel scratch;
        QTableView view;
        QTableView other;
        view.setModel(&model);
        other.setModel(&scratch);
        object->SetupPropertyView(&view);
        ::create(type)->SetupPropertyView(&other);
        QCOMPARE(model.columnCount(), 2);
        QCOMPARE(model.headerData(0, Qt::Horizontal).toString(), QStringLiteral("Param"));
        QCOMPARE(model.headerData(1, Qt::Horizontal).toString(), QStringLiteral("Value"));
        QCOMPARE(::values(model), values);
        for (int row = 0; row < model.rowCount(); ++row) {
            QCOMPARE(model.index(row, 0).data().toString(), labels[type].value(row));
            QVERIFY(!(model.index(row, 0).flags() & Qt::ItemIsEditable));
            QVERIFY(model.index(row, 1).flags() & Qt::ItemIsEditable);
            // Colour rows show a swatch and edit in a colour dialog, the icon row in a list.
            const bool colour = values[row].userType() == QMetaType::QColor;
            if (colour)
                QCOMPARE(model.index(row, 1).data(Qt::DecorationRole), values[row]);
            QAbstractItemDelegate *delegate = view.itemDelegateForRow(row);
            QCOMPARE(QString(delegate ? delegate->metaObject()->className() : ""),
                     colour ? "ColorDialogDelegate"
                            : type == 1 && row == 1 ? "CmbBoxDelegateOnMapIcon" : "");
            // Each kind's editors are shared by all its tables; colour and brush differ.
            QCOMPARE(other.itemDelegateForRow(row), delegate);
            QVERIFY(!delegate || delegate != view.itemDelegateForRow(row - 1));
        }
        QCOMPARE(model.rowCount(), labels[type].size());
        if (type == 1)
            QCOMPARE(view.itemDelegateForRow(1), iconDelegate());
        // The layer tree shows the name; an icon shows its picture there, in its
        // table and on the map.
        QStandardItem item(QStringLiteral("old"));
        object->FillTreeItem(&item);
        QCOMPARE(item.text(), QStringLiteral("obj"));
        QCOMPARE(item.icon().isNull(), type != 1 || values[1].isNull());
        if (auto *icon = qobject_cast<GraphObIconText *>(object.get())) {
            const QImage picture = iconTable().value(values[1].toString()).toImage();
            QCOMPARE(picture.isNull(), values[1].isNull());
            QCOMPARE(icon->primitiveCar()->pixmap.toImage(), picture);
            QCOMPARE(qvariant_cast<QPixmap>(model.index(1, 1).data(Qt::DecorationRole)).toImage(),
                     picture);
            QCOMPARE(item.icon().pixmap(picture.size()).toImage(), picture);
        }
    }

    void setProperty_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("row");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QVariant>("shown"); // in that row of the table filled afresh
        QTest::addColumn<QString>("key");    // empty: nothing stored

        const QVariant red = QColor(Qt::red);
        const QVariant alpha = QColor(1, 2, 3, 4);
        QTest::newRow("icon name") << 1 << 0 << QVariant("Gate") << QVariant("Gate") << QString();
        QTest::newRow("icon picture") << 1 << 1 << QVariant("House") << QVariant("House")
                                      << "IconName";
        QTest::newRow("icon comment") << 1 << 2 << QVariant("c") << QVariant("c") << "Comment";
        QTest::newRow("line name") << 2 << 0 << QVariant("Road") << QVariant("Road") << QString();
        QTest::newRow("line width not a number") << 2 << 1 << QVariant("far") << QVariant("0")
                                                 << "Width";
        QTest::newRow("line colour as text") << 2 << 2 << QVariant("red") << red << "Color";
        QTest::newRow("line comment") << 2 << 3 << QVariant("c") << QVariant("c") << "Comment";
        QTest::newRow("line row 4 ignored") << 2 << 4 << QVariant("9") << QVariant() << QString();
        QTest::newRow("polygon colour") << 3 << 1 << red << red << "Color";
        QTest::newRow("polygon brush") << 3 << 2 << alpha << alpha << "Brush";
        QTest::newRow("polygon comment") << 3 << 3 << QVariant("c") << QVariant("c") << "Comment";
        QTest::newRow("circle diameter") << 4 << 1 << QVariant(120) << QVariant("120")
                                         << "Diameter";
        QTest::newRow("circle colour") << 4 << 2 << red << red << "Color";
        QTest::newRow("circle brush") << 4 << 3 << red << red << "Brush";
        QTest::newRow("circle comment") << 4 << 4 << QVariant("c") << QVariant("c") << "Comment";
        QTest::newRow("circle invalid index ignored") << 4 << -1 << QVariant(7) << QVariant()
                                                      << QString();
    }

    // An edit changes its own row's field and stored value, nothing else.
    void setProperty()
    {
        QFETCH(int, type);
        QFETCH(int, row);
        QFETCH(QVariant, value);
        QFETCH(QVariant, shown);
        QFETCH(QString, key);
        const QVariantMap before{{"Other", 1}};
        const auto object = ::create(type, before);
        QStandardItemModel model;
        QStandardItemModel rows(6, 2); // an index past the kind's rows is still valid
        object->FillProperties(&model);
        QVariantList expected = values(model);
        object->SetProperty(row < 0 ? QModelIndex() : rows.index(row, 1), value);
        object->FillProperties(&model);
        if (row >= 0 && row < expected.size())
            expected[row] = shown;
        QCOMPARE(values(model), expected);
        QVariantMap stored = before;
        if (!key.isEmpty())
            stored.insert(key, value);
        QCOMPARE(object->properties, stored);
    }

    void iconEdits()
    {
        const auto object = ::create(1, {}, {{1, 2}, {3, 4}});
        auto *icon = qobject_cast<GraphObIconText *>(object.get());
        const MapQt::MapCar *car = icon->primitiveCar();
        QVERIFY(!car->visible); // two vertices: no single place to stand
        QStandardItemModel model(3, 2);
        icon->SetProperty(model.index(0, 1), QStringLiteral("Gate 4"));
        QCOMPARE(car->text, QStringLiteral("Gate 4"));
        QVERIFY(car->visible);
        icon->SetProperty(model.index(1, 1), QStringLiteral("Hospital"));
        QVERIFY(samePicture(car->pixmap, ":/icon/resource/hospital.png"));
        // An unknown picture name is stored as a null text and shows nothing.
        icon->SetProperty(model.index(1, 1), QStringLiteral("Castle"));
        QVERIFY(car->pixmap.isNull());
        QCOMPARE(icon->iconIndex, -1);
        QCOMPARE(icon->properties.value("IconName"), QVariant(QString()));
        QVERIFY(icon->properties.value("IconName").toString().isNull());
        QVERIFY(!iconTable().contains("Castle"));
    }

    // A new diameter redraws the outline round the first vertex, if there is one.
    void circleDiameterEdit()
    {
        QStandardItemModel model(5, 2);
        const auto placed = ::create(4, {}, {{100, 0}});
        placed->SetProperty(model.index(1, 1), 120);
        const MapQt::MapTrace *outline =
            qobject_cast<GraphObCircle *>(placed.get())->primitiveOutlineTrace();
        QCOMPARE(outline->count, 17);
        QCOMPARE(QPoint(outline->points[0].x, outline->points[4].y), QPoint(5489, 5389));
        const auto unplaced = ::create(4, {}, {});
        unplaced->SetProperty(model.index(1, 1), 120);
        QCOMPARE(qobject_cast<GraphObCircle *>(unplaced.get())->primitiveOutlineTrace()->count, 0);
    }

    void translatedTexts()
    {
        MarkingTranslator translator;
        QCoreApplication::installTranslator(&translator);
        GraphObject::InitTypeNames();
        InitIconTable();
        const std::unique_ptr<GraphObject> line(CreateGraphObject(record(2, {}, {}, 17, "")));
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
        QVERIFY(!iconTable().contains(QStringLiteral("Haus"))); // refilled, not added to
    }

    void ownership_data()
    {
        QTest::addColumn<int>("kind");
        for (int kind = 1; kind <= 4; ++kind)
            QTest::newRow(qPrintable(GraphObject::typeNames().value(kind))) << kind;
    }

    // Deleted with its parent, an object leaves the caller's lists as they are;
    // the sanitizer build checks that every primitive, pen and array goes once.
    void ownership()
    {
        QFETCH(int, kind);
        auto *parent = new QObject;
        QPointer<GraphObject> object =
            construct(kind, record(kind, {}, {{0, 0}, {900, 0}, {0, 900}}), parent);
        QList<MapQt::MapPrimitive *> edit;
        QList<MapQt::MapPrimitive *> layer;
        object->AttachEditPrimitives(&edit);
        object->DrawOnLayer(&layer, 2);
        object->DrawOnLayer(&layer, 1);
        object->PreviewMove(0, 0, QPoint(5, 5));
        object->InsertPoint(1, QPoint(7, 7));
        const int editCount = edit.size();
        delete parent;
        QVERIFY(object.isNull());
        QCOMPARE(edit.size(), editCount);
        QCOMPARE(layer.size(), 1);
    }
};

QTEST_MAIN(tst_GraphObject)
#include "tst_graphobject.moc"
