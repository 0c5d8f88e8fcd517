// The dialog that chooses a route's tracked objects, with the Lintel tree.
#include "testsupport/FakeHost.h"

#include "dialogs/DialogListObjects.h"

#include <TreeObjCheckable.h>

#include <QDialogButtonBox>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTest>
#include <QTreeView>

#include <algorithm>
#include <memory>

namespace {

// Column A 1 (Car 11, Car 12 (Trailer 121)), Column B 2 (Car 21): groups that
// are tracked objects themselves; Depot (Car 31): a plain group without an id.
void fillColumns(FakeHost &host)
{
    QStandardItem *columnA = host.addTrackedObject(1, "Column A");
    host.addTrackedObject(11, "Car 11", columnA);
    QStandardItem *car12 = host.addTrackedObject(12, "Car 12", columnA);
    host.addTrackedObject(121, "Trailer 121", car12);
    host.addTrackedObject(21, "Car 21", host.addTrackedObject(2, "Column B"));
    auto *depot = new QStandardItem("Depot");
    host.objects.appendRow(depot);
    host.addTrackedObject(31, "Car 31", depot);
}

QList<int> sorted(QList<int> ids)
{
    std::sort(ids.begin(), ids.end());
    return ids;
}

// Each shown object as "name:check state", its children in brackets.
QString shown(const QAbstractItemModel *model, const QModelIndex &parent = QModelIndex())
{
    QStringList rows;
    for (int row = 0; model && row < model->rowCount(parent); ++row) {
        const QModelIndex index = model->index(row, 0, parent);
        const QString children = shown(model, index);
        rows << QString("%1:%2").arg(index.data().toString())
                    .arg(index.data(Qt::CheckStateRole).toInt())
                + (children.isEmpty() ? QString() : "(" + children + ")");
    }
    return rows.join(' ');
}

} // namespace

class tst_ObjectsDialog : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        host = std::make_unique<FakeHost>();
        fillColumns(*host);
        dialog = std::make_unique<DialogListObjects>();
    }
    void cleanup() { dialog.reset(); host.reset(); }

    void showForRoute_data();
    void showForRoute();
    void tickPropagation_data();
    void tickPropagation();
    void secondShowRefills_data();
    void secondShowRefills();
    void buttons_data();
    void buttons();

private:
    QAbstractItemModel *shownModel() const
    {
        auto *view = dialog->treeWidget()->findChild<QTreeView *>();
        return view ? view->model() : nullptr;
    }
    QList<int> checkedIds() const
    {
        QList<int> ids;
        dialog->treeWidget()->getCheckedObjs(&ids, QModelIndex());
        return sorted(ids);
    }
    // "+Name" ticks, "-Name" unticks, as a click in the view writes it.
    bool tick(const QString &tick)
    {
        QAbstractItemModel *model = shownModel();
        const QModelIndexList hits =
            model ? model->match(model->index(0, 0), Qt::DisplayRole, tick.mid(1), 1,
                                 Qt::MatchExactly | Qt::MatchRecursive)
                  : QModelIndexList();
        return !hits.isEmpty()
            && model->setData(hits.first(), tick.startsWith('+') ? Qt::Checked : Qt::Unchecked,
                              Qt::CheckStateRole);
    }

    std::unique_ptr<FakeHost> host;
    std::unique_ptr<DialogListObjects> dialog;
};

// Exactly the listed objects start ticked; ids not in the model are ignored.
void tst_ObjectsDialog::showForRoute_data()
{
    QTest::addColumn<QList<int>>("objects");
    QTest::addColumn<QString>("tree");
    QTest::addColumn<QList<int>>("checked");

    QTest::newRow("nested and top level, groups left alone")
        << QList<int>{2, 121, 11}
        << "Column A:0(Car 11:2 Car 12:0(Trailer 121:2)) Column B:2(Car 21:0) Depot:0(Car 31:0)"
        << QList<int>{2, 11, 121};
    QTest::newRow("unknown ids ignored")
        << QList<int>{99, 21, -1}
        << "Column A:0(Car 11:0 Car 12:0(Trailer 121:0)) Column B:0(Car 21:2) Depot:0(Car 31:0)"
        << QList<int>{21};
    QTest::newRow("all listed: the plain group stays unticked")
        << QList<int>{1, 2, 11, 12, 21, 121, 31}
        << "Column A:2(Car 11:2 Car 12:2(Trailer 121:2)) Column B:2(Car 21:2) Depot:0(Car 31:2)"
        << QList<int>{1, 2, 11, 12, 21, 31, 121};
}

void tst_ObjectsDialog::showForRoute()
{
    QFETCH(QList<int>, objects);
    QFETCH(QString, tree);
    QFETCH(QList<int>, checked);

    QList<int> routeObjects = objects;
    dialog->showForRoute(&host->objects, &routeObjects);

    QVERIFY(dialog->isVisible());
    QCOMPARE(shown(shownModel()), tree);
    QCOMPARE(checkedIds(), checked);
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
    QTest::newRow("unticking a group unticks the listed children, not others")
        << QList<int>{11, 21} << QStringList{"+Column A", "-Column A"} << QList<int>{21};
}

void tst_ObjectsDialog::tickPropagation()
{
    QFETCH(QList<int>, objects);
    QFETCH(QStringList, ticks);
    QFETCH(QList<int>, checked);

    dialog->showForRoute(&host->objects, &objects);
    for (const QString &name : qAsConst(ticks))
        QVERIFY2(tick(name), qPrintable(name));

    QCOMPARE(checkedIds(), checked);
    // Appends to what the list already holds.
    QList<int> ids{-7};
    dialog->treeWidget()->getCheckedObjs(&ids, QModelIndex());
    QCOMPARE(sorted(ids), sorted(QList<int>{-7} + checked));
}

// The dialog is open for one route, with a tick of the operator's, when
// another route asks for it.
void tst_ObjectsDialog::secondShowRefills_data()
{
    QTest::addColumn<bool>("otherModel");
    QTest::addColumn<QList<int>>("objects");
    QTest::addColumn<QString>("tree");

    QTest::newRow("same model, other route")
        << false << QList<int>{21}
        << "Column A:0(Car 11:0 Car 12:0(Trailer 121:0)) Column B:0(Car 21:2) Depot:0(Car 31:0)";
    QTest::newRow("new model from the host")
        << true << QList<int>{12, 31} << "Patrol:0(Car 31:2) Car 12:2";
}

void tst_ObjectsDialog::secondShowRefills()
{
    QFETCH(bool, otherModel);
    QFETCH(QList<int>, objects);
    QFETCH(QString, tree);

    QList<int> first{11, 121};
    dialog->showForRoute(&host->objects, &first);
    QVERIFY(tick("+Column B"));

    auto other = std::make_unique<FakeHost>();
    other->addTrackedObject(31, "Car 31", other->addTrackedObject(30, "Patrol"));
    other->addTrackedObject(12, "Car 12");
    QList<int> second = objects;
    dialog->showForRoute(otherModel ? &other->objects : &host->objects, &second);
    // The widget keeps its own copy: the host may drop its model.
    other.reset();

    QVERIFY(dialog->isVisible());
    QCOMPARE(shown(shownModel()), tree);
    QCOMPARE(checkedIds(), sorted(objects));
}

void tst_ObjectsDialog::buttons_data()
{
    QTest::addColumn<int>("button");
    QTest::addColumn<int>("result");

    QTest::newRow("Ok accepts") << int(QDialogButtonBox::Ok) << int(QDialog::Accepted);
    QTest::newRow("Cancel rejects") << int(QDialogButtonBox::Cancel) << int(QDialog::Rejected);
}

void tst_ObjectsDialog::buttons()
{
    QFETCH(int, button);
    QFETCH(int, result);

    QList<int> objects{11};
    dialog->showForRoute(&host->objects, &objects);
    QVERIFY(tick("+Car 21"));
    auto *box = dialog->findChild<QDialogButtonBox *>();
    QVERIFY(box && box->button(QDialogButtonBox::StandardButton(button)));

    QTest::mouseClick(box->button(QDialogButtonBox::StandardButton(button)), Qt::LeftButton);

    QCOMPARE(dialog->result(), result);
    QVERIFY(!dialog->isVisible());
    // What the operator ticked is still there to be read after the close.
    QCOMPARE(checkedIds(), QList<int>({11, 21}));
}

QTEST_MAIN(tst_ObjectsDialog)
#include "tst_objectsdialog.moc"
