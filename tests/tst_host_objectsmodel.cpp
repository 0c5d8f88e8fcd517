// The host's tracked units: the model built from a "Get_tree_objects" body, the
// records behind role 33, and what a damaged body leaves.
#include <ObjectsModel.h>

#include <QDataStream>
#include <QtTest>

namespace {

struct UnitNode
{
    qint32 id;
    QString name;
    qint32 kind; // 0 group, 1 unit
    QList<UnitNode> children;
};

UnitNode unit(qint32 id, const QString &name)
{
    return {id, name, 1, {}};
}

UnitNode group(qint32 id, const QString &name, const QList<UnitNode> &children)
{
    return {id, name, 0, children};
}

void write(QDataStream &out, const QList<UnitNode> &nodes)
{
    out << qint32(nodes.size());
    for (const UnitNode &node : nodes) {
        out << node.id << node.name << node.kind;
        write(out, node.children);
    }
}

QByteArray body(const QList<UnitNode> &nodes)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_4_5);
    write(out, nodes);
    return bytes;
}

// A chain of groups, depth levels deep, a unit at the bottom.
UnitNode chain(int depth)
{
    UnitNode node = unit(1, QStringLiteral("deepest"));
    for (int level = depth - 1; level > 0; --level)
        node = group(1000 + level, QStringLiteral("g"), {node});
    return node;
}

const TrackedObject *recordOf(const QStandardItem *item)
{
    return reinterpret_cast<const TrackedObject *>(
        item->data(ObjectsModel::RecordRole).toLongLong());
}

// "name" for a group, "name#id" for an item with a record, children in brackets.
QString dump(const QStandardItem *parent)
{
    QStringList parts;
    for (int row = 0; row < parent->rowCount(); ++row) {
        const QStandardItem *item = parent->child(row);
        QString part = item->text();
        if (const TrackedObject *record = recordOf(item)) {
            part += QLatin1Char('#') + QString::number(record->id);
            if (record->name != item->text())
                part += QStringLiteral("(record says ") + record->name + QLatin1Char(')');
        }
        if (item->rowCount() > 0)
            part += QLatin1Char('[') + dump(item) + QLatin1Char(']');
        parts << part;
    }
    return parts.join(QLatin1Char(','));
}

int depthOf(const QStandardItem *parent)
{
    int deepest = 0;
    for (int row = 0; row < parent->rowCount(); ++row)
        deepest = std::max(deepest, 1 + depthOf(parent->child(row)));
    return deepest;
}

} // namespace

class tst_HostObjectsModel : public QObject
{
    Q_OBJECT

private slots:
    void load_data();
    void load();
    void depthLimit_data();
    void depthLimit();
    void oneRecordPerUnit();
    void reloadKeepsRecordsOfRemainingUnits();
    void itemsAreReadOnly();
};

void tst_HostObjectsModel::load_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("complete");
    QTest::addColumn<QString>("tree");

    QTest::newRow("empty tree") << body({}) << true << "";
    QTest::newRow("empty body reads as nothing, cut short") << QByteArray() << false << "";
    QTest::newRow("units at the top") << body({unit(11, "Car 11"), unit(12, "Car 12")}) << true
                                      << "Car 11#11,Car 12#12";
    QTest::newRow("nested groups")
        << body({group(1, "Patrol", {group(2, "Shift A", {unit(11, "A-11"), unit(12, "A-12")}),
                                     unit(13, "Lone")}),
                 group(3, "Empty", {}), unit(14, "Top")})
        << true << "Patrol[Shift A[A-11#11,A-12#12],Lone#13],Empty,Top#14";
    QTest::newRow("a unit with units under it keeps its record")
        << body({{20, "Convoy lead", 1, {unit(21, "Convoy tail")}}}) << true
        << "Convoy lead#20[Convoy tail#21]";
    QTest::newRow("kind other than unit: no record")
        << body({{30, "Odd", 7, {}}, {31, "Negative", -1, {}}}) << true << "Odd,Negative";
    QTest::newRow("unicode names") << body({unit(40, QStringLiteral("Патруль 40"))}) << true
                                   << QStringLiteral("Патруль 40#40");

    QByteArray cutInName = body({unit(11, "Car 11"), unit(12, "Car twelve")});
    cutInName.chop(12);
    QTest::newRow("cut inside the second name: the first stays") << cutInName << false
                                                                 << "Car 11#11";

    QByteArray cutInChildren = body({group(1, "G", {unit(11, "A"), unit(12, "B")})});
    cutInChildren.chop(4);
    QTest::newRow("cut in a child's children count: both children stay, false")
        << cutInChildren << false << "G[A#11,B#12]";

    QByteArray hugeCount = body({unit(11, "Car 11")});
    hugeCount.replace(0, 4, QByteArray("\x3b\x9a\xca\x00", 4)); // a billion
    QTest::newRow("a count of a billion over one node: one node") << hugeCount << false
                                                                  << "Car 11#11";

    QTest::newRow("negative count: nothing") << QByteArray("\xff\xff\xff\xfe", 4) << false << "";
}

void tst_HostObjectsModel::load()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, complete);
    QFETCH(QString, tree);

    ObjectsModel model;
    QCOMPARE(model.load(bytes), complete);
    QCOMPARE(dump(model.invisibleRootItem()), tree);
    QCOMPARE(model.columnCount(), 2);
}

void tst_HostObjectsModel::depthLimit_data()
{
    QTest::addColumn<int>("depth");
    QTest::addColumn<bool>("complete");
    QTest::addColumn<int>("levels");

    QTest::newRow("one level") << 1 << true << 1;
    QTest::newRow("at the limit") << ObjectsModel::MaxDepth << true << ObjectsModel::MaxDepth;
    QTest::newRow("one past the limit: cut there")
        << ObjectsModel::MaxDepth + 1 << false << ObjectsModel::MaxDepth;
    QTest::newRow("far past the limit") << ObjectsModel::MaxDepth * 4 << false
                                        << ObjectsModel::MaxDepth;
}

void tst_HostObjectsModel::depthLimit()
{
    QFETCH(int, depth);
    QFETCH(bool, complete);
    QFETCH(int, levels);

    ObjectsModel model;
    QCOMPARE(model.load(body({chain(depth)})), complete);
    QCOMPARE(depthOf(model.invisibleRootItem()), levels);
}

void tst_HostObjectsModel::oneRecordPerUnit()
{
    // A unit may sit in two groups: both items point at the one record.
    ObjectsModel model;
    QVERIFY(model.load(body({group(1, "Day", {unit(11, "Car 11")}),
                             group(2, "Night", {unit(11, "Car 11")})})));
    const TrackedObject *day = recordOf(model.item(0)->child(0));
    const TrackedObject *night = recordOf(model.item(1)->child(0));
    QVERIFY(day);
    QCOMPARE(day, night);
    QCOMPARE(model.record(11), day);
    QCOMPARE(model.unitCount(), 1);
    QCOMPARE(model.record(1), nullptr);
}

void tst_HostObjectsModel::reloadKeepsRecordsOfRemainingUnits()
{
    ObjectsModel model;
    QVERIFY(model.load(body({unit(11, "Car 11"), unit(12, "Car 12")})));
    const TrackedObject *kept = model.record(11);
    QVERIFY(kept);
    QVERIFY(model.record(12));
    QSignalSpy reset(&model, &QAbstractItemModel::rowsRemoved);

    QVERIFY(model.load(body({group(5, "Moved", {unit(11, "Car 11 renamed")}), unit(13, "New")})));
    QVERIFY(reset.count() >= 1);
    QCOMPARE(model.record(11), kept);
    QCOMPARE(kept->name, QString("Car 11 renamed"));
    QCOMPARE(recordOf(model.item(0)->child(0)), kept);
    QCOMPARE(model.record(12), nullptr);
    QVERIFY(model.record(13));
    QCOMPARE(model.unitCount(), 2);
    QCOMPARE(dump(model.invisibleRootItem()), QString("Moved[Car 11 renamed#11],New#13"));

    QVERIFY(model.load(body({})));
    QCOMPARE(model.rowCount(), 0);
    QCOMPARE(model.unitCount(), 0);
}

void tst_HostObjectsModel::itemsAreReadOnly()
{
    ObjectsModel model;
    QVERIFY(model.load(body({group(1, "G", {unit(11, "A")})})));
    QVERIFY(!(model.flags(model.index(0, 0)) & Qt::ItemIsEditable));
    const QModelIndex child = model.index(0, 0, model.index(0, 0));
    QVERIFY(!(model.flags(child) & Qt::ItemIsEditable));
    QCOMPARE(child.data().toString(), QString("A"));
}

QTEST_MAIN(tst_HostObjectsModel)
#include "tst_host_objectsmodel.moc"
