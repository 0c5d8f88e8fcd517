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

UnitNode unit(qint32 id, const QString &name) { return {id, name, 1, {}}; }
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

const TrackedObject *recordOf(const QStandardItem *item)
{
    return reinterpret_cast<const TrackedObject *>(
        item->data(ObjectsModel::RecordRole).toLongLong());
}

// "name" for a group, "name#id" for an item with a record, children in brackets;
// an editable item is marked, as the host's tree is read-only.
QString dump(const QStandardItem *parent)
{
    QStringList parts;
    for (int row = 0; row < parent->rowCount(); ++row) {
        const QStandardItem *item = parent->child(row);
        QString part = item->text() + (item->isEditable() ? QStringLiteral("(editable)") : "");
        if (const TrackedObject *record = recordOf(item))
            part += QLatin1Char('#') + QString::number(record->id);
        if (item->rowCount() > 0)
            part += QLatin1Char('[') + dump(item) + QLatin1Char(']');
        parts << part;
    }
    return parts.join(QLatin1Char(','));
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
    void recordsKeptWhileTheUnitStays();
};

void tst_HostObjectsModel::load_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("complete");
    QTest::addColumn<QString>("tree");

    QTest::newRow("empty tree") << body({}) << true << "";
    QTest::newRow("empty body reads as nothing, cut short") << QByteArray() << false << "";
    QTest::newRow("nested groups")
        << body({group(1, "Patrol", {group(2, "Shift A", {unit(11, "A-11"), unit(12, "A-12")}),
                                     unit(13, "Lone")}),
                 group(3, "Empty", {}), unit(14, "Top")})
        << true << "Patrol[Shift A[A-11#11,A-12#12],Lone#13],Empty,Top#14";
    QTest::newRow("a unit with units under it keeps its record")
        << body({{20, "Convoy lead", 1, {unit(21, "Convoy tail")}}}) << true
        << "Convoy lead#20[Convoy tail#21]";
    QTest::newRow("kind other than unit: no record")
        << body({{30, "Odd", 7, {}}}) << true << "Odd";

    QTest::newRow("cut inside the second name: the first stays")
        << body({unit(11, "Car 11"), unit(12, "Car twelve")}).chopped(12) << false << "Car 11#11";
    QTest::newRow("cut in a child's children count: both children stay, false")
        << body({group(1, "G", {unit(11, "A"), unit(12, "B")})}).chopped(4) << false
        << "G[A#11,B#12]";
    QTest::newRow("a count of a billion over one node: one node") // trusted a node at a time
        << body({unit(11, "Car 11")}).replace(0, 4, QByteArray("\x3b\x9a\xca\x00", 4)) << false
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

    QTest::newRow("at the limit") << ObjectsModel::MaxDepth << true;
    QTest::newRow("one past the limit: cut there") << ObjectsModel::MaxDepth + 1 << false;
}

void tst_HostObjectsModel::depthLimit()
{
    QFETCH(int, depth);
    QFETCH(bool, complete);

    // A chain of groups, depth levels deep, a unit at the bottom.
    UnitNode node = unit(1, QStringLiteral("deepest"));
    for (int level = depth - 1; level > 0; --level)
        node = group(1000 + level, QStringLiteral("g"), {node});
    ObjectsModel model;
    QCOMPARE(model.load(body({node})), complete);
    QCOMPARE(dump(model.invisibleRootItem()).count('[') + 1, int(ObjectsModel::MaxDepth));
}

void tst_HostObjectsModel::recordsKeptWhileTheUnitStays()
{
    // A unit may sit in two groups: both items point at the one record.
    ObjectsModel model;
    QVERIFY(model.load(body({group(1, "Day", {unit(11, "Car 11")}),
                             group(2, "Night", {unit(11, "Car 11")}), unit(12, "Car 12")})));
    const TrackedObject *kept = model.record(11);
    QVERIFY(kept && model.record(12));
    QCOMPARE(recordOf(model.item(0)->child(0)), kept);
    QCOMPARE(recordOf(model.item(1)->child(0)), kept);
    QCOMPARE(model.record(1), nullptr);
    QCOMPARE(model.unitCount(), 2);

    QVERIFY(model.load(body({group(5, "Moved", {unit(11, "Car 11 renamed")}), unit(13, "New")})));
    QCOMPARE(model.record(11), kept);
    QCOMPARE(kept->name, QString("Car 11 renamed"));
    QCOMPARE(recordOf(model.item(0)->child(0)), kept);
    QCOMPARE(model.record(12), nullptr);
    QCOMPARE(model.unitCount(), 2);
    QCOMPARE(dump(model.invisibleRootItem()), QString("Moved[Car 11 renamed#11],New#13"));

    QVERIFY(model.load(body({})));
    QCOMPARE(model.rowCount(), 0);
    QCOMPARE(model.unitCount(), 0);
}

QTEST_MAIN(tst_HostObjectsModel)
#include "tst_host_objectsmodel.moc"
