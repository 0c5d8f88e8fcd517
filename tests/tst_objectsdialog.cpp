// The dialog that chooses a route's tracked objects, with the Lintel tree.
#include "support/FakeHost.h"

#include "dialogs/DialogListObjects.h"

#include <TreeObjCheckable.h>

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTest>
#include <QTreeView>

#include <algorithm>
#include <functional>
#include <memory>

namespace {

void walk(const QAbstractItemModel *model, const QModelIndex &parent,
          const std::function<void(const QModelIndex &, int)> &visit, int depth = 0)
{
    for (int row = 0; row < model->rowCount(parent); ++row) {
        const QModelIndex index = model->index(row, 0, parent);
        visit(index, depth);
        walk(model, index, visit, depth + 1);
    }
}

// Column A 1 (Car 11, Car 12 (Trailer 121)), Column B 2 (Car 21): groups that
// are tracked objects themselves; Depot (Car 31): a plain group without an id.
void fillColumns(FakeHost &host)
{
    QStandardItem *columnA = host.addTrackedObject(1, "Column A");
    host.addTrackedObject(11, "Car 11", columnA);
    QStandardItem *car12 = host.addTrackedObject(12, "Car 12", columnA);
    host.addTrackedObject(121, "Trailer 121", car12);
    QStandardItem *columnB = host.addTrackedObject(2, "Column B");
    host.addTrackedObject(21, "Car 21", columnB);
    auto *depot = new QStandardItem("Depot");
    host.objects.appendRow(depot);
    host.addTrackedObject(31, "Car 31", depot);
}

QList<int> sorted(QList<int> ids)
{
    std::sort(ids.begin(), ids.end());
    return ids;
}

} // namespace

class tst_ObjectsDialog : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void construction();
    void showForRoute_data();
    void showForRoute();
    void tickPropagation_data();
    void tickPropagation();
    void secondShowRefills_data();
    void secondShowRefills();
    void buttons_data();
    void buttons();

private:
    QAbstractItemModel *shownModel() const;
    // Pre-order: each shown object as "name:state", indented by depth.
    QStringList shown() const;
    QList<int> checkedIds() const;
    bool tick(const QString &tick);

    std::unique_ptr<FakeHost> host;
    std::unique_ptr<DialogListObjects> dialog;
};

void tst_ObjectsDialog::init()
{
    host = std::make_unique<FakeHost>();
    fillColumns(*host);
    dialog = std::make_unique<DialogListObjects>();
}

void tst_ObjectsDialog::cleanup()
{
    dialog.reset();
    host.reset();
}

QAbstractItemModel *tst_ObjectsDialog::shownModel() const
{
    auto *view = dialog->treeWidget->findChild<QTreeView *>();
    return view ? view->model() : nullptr;
}

QStringList tst_ObjectsDialog::shown() const
{
    QStringList lines;
    QAbstractItemModel *model = shownModel();
    if (!model)
        return {QStringLiteral("no view")};
    walk(model, QModelIndex(), [&lines](const QModelIndex &index, int depth) {
        lines << QString(depth, ' ')
                + QString("%1:%2").arg(index.data().toString())
                      .arg(index.data(Qt::CheckStateRole).toInt());
    });
    return lines;
}

QList<int> tst_ObjectsDialog::checkedIds() const
{
    QList<int> ids;
    dialog->treeWidget->getCheckedObjs(&ids, QModelIndex());
    return ids;
}

// "+Name" ticks, "-Name" unticks, as a click in the view writes it.
bool tst_ObjectsDialog::tick(const QString &tick)
{
    QAbstractItemModel *model = shownModel();
    if (!model)
        return false;
    const QModelIndexList hits = model->match(model->index(0, 0), Qt::DisplayRole, tick.mid(1),
                                              1, Qt::MatchExactly | Qt::MatchRecursive);
    if (hits.isEmpty())
        return false;
    return model->setData(hits.first(), tick.startsWith('+') ? Qt::Checked : Qt::Unchecked,
                          Qt::CheckStateRole);
}

void tst_ObjectsDialog::construction()
{
    QCOMPARE(dialog->windowTitle(), QString("List objects"));
    QCOMPARE(dialog->objectName(), QString("DialogListObjects"));
    QCOMPARE(dialog->parentWidget(), nullptr);
    QVERIFY(!dialog->isModal());
    QVERIFY(!dialog->isVisible());

    auto *buttons = dialog->findChild<QDialogButtonBox *>();
    QVERIFY(buttons);
    QCOMPARE(buttons->standardButtons(), QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    QCOMPARE(buttons->orientation(), Qt::Horizontal);

    QVERIFY(dialog->treeWidget);
    QCOMPARE(dialog->treeWidget->parentWidget(), dialog.get());
    auto *grid = qobject_cast<QGridLayout *>(dialog->layout());
    QVERIFY(grid);
    QCOMPARE(grid->itemAtPosition(0, 0)->widget(), dialog->treeWidget);
    QCOMPARE(grid->itemAtPosition(1, 0)->widget(), buttons);
    QVERIFY(checkedIds().isEmpty());
}

void tst_ObjectsDialog::showForRoute_data()
{
    QTest::addColumn<QList<int>>("objects");
    QTest::addColumn<QStringList>("tree");

    QTest::newRow("empty list: all unchecked")
        << QList<int>()
        << QStringList{"Column A:0", " Car 11:0", " Car 12:0", "  Trailer 121:0", "Column B:0",
                       " Car 21:0", "Depot:0", " Car 31:0"};
    QTest::newRow("top level object")
        << QList<int>{2}
        << QStringList{"Column A:0", " Car 11:0", " Car 12:0", "  Trailer 121:0", "Column B:2",
                       " Car 21:0", "Depot:0", " Car 31:0"};
    QTest::newRow("nested objects, group left alone")
        << QList<int>{121, 11}
        << QStringList{"Column A:0", " Car 11:2", " Car 12:0", "  Trailer 121:2", "Column B:0",
                       " Car 21:0", "Depot:0", " Car 31:0"};
    QTest::newRow("unknown ids ignored")
        << QList<int>{99, 21, -1}
        << QStringList{"Column A:0", " Car 11:0", " Car 12:0", "  Trailer 121:0", "Column B:0",
                       " Car 21:2", "Depot:0", " Car 31:0"};
    QTest::newRow("all listed")
        << QList<int>{1, 2, 11, 12, 21, 121, 31}
        << QStringList{"Column A:2", " Car 11:2", " Car 12:2", "  Trailer 121:2", "Column B:2",
                       " Car 21:2", "Depot:0", " Car 31:2"};
}

void tst_ObjectsDialog::showForRoute()
{
    QFETCH(QList<int>, objects);
    QFETCH(QStringList, tree);

    QList<int> routeObjects = objects;
    dialog->showForRoute(&host->objects, &routeObjects);

    QVERIFY(dialog->isVisible());
    QCOMPARE(shown(), tree);
    QList<int> known;
    for (int id : objects) {
        if (QList<int>{1, 2, 11, 12, 21, 121, 31}.contains(id))
            known << id;
    }
    QCOMPARE(sorted(checkedIds()), sorted(known));
    // The route's list and the host's model are only read.
    QCOMPARE(routeObjects, objects);
    QVERIFY(!host->objects.item(0)->isCheckable());
}

void tst_ObjectsDialog::tickPropagation_data()
{
    QTest::addColumn<QList<int>>("objects");
    QTest::addColumn<QStringList>("ticks");
    QTest::addColumn<QList<int>>("checked");

    QTest::newRow("ticking a group ticks its children")
        << QList<int>() << QStringList{"+Column A"} << QList<int>{1, 11, 12, 121};
    QTest::newRow("ticking a group without id ticks its objects")
        << QList<int>() << QStringList{"+Depot"} << QList<int>{31};
    QTest::newRow("ticking a middle object ticks below it")
        << QList<int>() << QStringList{"+Car 12"} << QList<int>{12, 121};
    QTest::newRow("unticking a child leaves the group")
        << QList<int>() << QStringList{"+Column A", "-Car 12"} << QList<int>{1, 11};
    QTest::newRow("unticking a group unticks the listed children")
        << QList<int>{11, 21} << QStringList{"+Column A", "-Column A"} << QList<int>{21};
    QTest::newRow("ticking a leaf adds it")
        << QList<int>{11} << QStringList{"+Car 21"} << QList<int>{11, 21};
}

void tst_ObjectsDialog::tickPropagation()
{
    QFETCH(QList<int>, objects);
    QFETCH(QStringList, ticks);
    QFETCH(QList<int>, checked);

    dialog->showForRoute(&host->objects, &objects);
    for (const QString &name : qAsConst(ticks))
        QVERIFY2(tick(name), qPrintable(name));

    QCOMPARE(sorted(checkedIds()), checked);

    // Appends to what the list already holds.
    QList<int> ids{-7};
    dialog->treeWidget->getCheckedObjs(&ids, QModelIndex());
    QCOMPARE(sorted(ids), sorted(QList<int>{-7} + checked));
}

// The dialog is open for one route when another route asks for it.
void tst_ObjectsDialog::secondShowRefills_data()
{
    QTest::addColumn<bool>("otherModel");
    QTest::addColumn<QList<int>>("objects");
    QTest::addColumn<QStringList>("tree");

    QTest::newRow("same model, other route")
        << false << QList<int>{21}
        << QStringList{"Column A:0", " Car 11:0", " Car 12:0", "  Trailer 121:0", "Column B:0",
                       " Car 21:2", "Depot:0", " Car 31:0"};
    QTest::newRow("new model from the host")
        << true << QList<int>{12, 31}
        << QStringList{"Patrol:0", " Car 31:2", "Car 12:2"};
    QTest::newRow("same model, empty route")
        << false << QList<int>()
        << QStringList{"Column A:0", " Car 11:0", " Car 12:0", "  Trailer 121:0", "Column B:0",
                       " Car 21:0", "Depot:0", " Car 31:0"};
}

void tst_ObjectsDialog::secondShowRefills()
{
    QFETCH(bool, otherModel);
    QFETCH(QList<int>, objects);
    QFETCH(QStringList, tree);

    QList<int> first{11, 121};
    dialog->showForRoute(&host->objects, &first);
    QVERIFY(tick("+Column B"));
    QVERIFY(dialog->isVisible());

    auto other = std::make_unique<FakeHost>();
    QStandardItem *patrol = other->addTrackedObject(30, "Patrol");
    other->addTrackedObject(31, "Car 31", patrol);
    other->addTrackedObject(12, "Car 12");
    QList<int> second = objects;
    dialog->showForRoute(otherModel ? &other->objects : &host->objects, &second);
    // The widget keeps its own copy: the host may drop its model.
    other.reset();

    QVERIFY(dialog->isVisible());
    QCOMPARE(shown(), tree);
    QCOMPARE(sorted(checkedIds()), sorted(objects));
}

void tst_ObjectsDialog::buttons_data()
{
    QTest::addColumn<int>("button");
    QTest::addColumn<int>("accepted");
    QTest::addColumn<int>("rejected");
    QTest::addColumn<int>("result");

    QTest::newRow("Ok accepts") << int(QDialogButtonBox::Ok) << 1 << 0 << int(QDialog::Accepted);
    QTest::newRow("Cancel rejects") << int(QDialogButtonBox::Cancel) << 0 << 1
                                    << int(QDialog::Rejected);
}

void tst_ObjectsDialog::buttons()
{
    QFETCH(int, button);
    QFETCH(int, accepted);
    QFETCH(int, rejected);
    QFETCH(int, result);

    QList<int> objects{11};
    dialog->showForRoute(&host->objects, &objects);
    QVERIFY(tick("+Car 21"));
    QSignalSpy acceptedSpy(dialog.get(), SIGNAL(accepted()));
    QSignalSpy rejectedSpy(dialog.get(), SIGNAL(rejected()));
    auto *box = dialog->findChild<QDialogButtonBox *>();
    QVERIFY(box);
    QPushButton *push = box->button(QDialogButtonBox::StandardButton(button));
    QVERIFY(push);

    QTest::mouseClick(push, Qt::LeftButton);

    QCOMPARE(acceptedSpy.count(), accepted);
    QCOMPARE(rejectedSpy.count(), rejected);
    QCOMPARE(dialog->result(), result);
    QVERIFY(!dialog->isVisible());
    // What the operator ticked is still there to be read after the close.
    QCOMPARE(sorted(checkedIds()), QList<int>({11, 21}));
}

QTEST_MAIN(tst_ObjectsDialog)
#include "tst_objectsdialog.moc"
