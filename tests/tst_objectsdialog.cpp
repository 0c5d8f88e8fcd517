// The dialog that chooses a route's tracked objects.
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

QList<int> sorted(QList<int> ids)
{
    std::sort(ids.begin(), ids.end());
    return ids;
}

// Each shown object as "name:check state", its children in brackets.
QString shown(const QAbstractItemModel *model, const QModelIndex &parent = QModelIndex())
{
    QStringList rows;
    for (int row = 0; row < model->rowCount(parent); ++row) {
        const QModelIndex index = model->index(row, 0, parent);
        const QString children = shown(model, index);
        rows << QString("%1:%2").arg(index.data().toString()).arg(index.data(Qt::CheckStateRole).toInt())
                    + (children.isEmpty() ? QString() : "(" + children + ")");
    }
    return rows.join(' ');
}

} // namespace

class tst_ObjectsDialog : public QObject
{
    Q_OBJECT

    std::unique_ptr<FakeHost> host;
    std::unique_ptr<DialogListObjects> dialog;

    QAbstractItemModel *model() const
    {
        return dialog->treeWidget()->findChild<QTreeView *>()->model();
    }
    // "+Name" ticks, "-Name" unticks, as a click in the view writes it.
    void tick(const QString &tick)
    {
        const QModelIndexList hits = model()->match(model()->index(0, 0), Qt::DisplayRole,
                                                    tick.mid(1), 1, Qt::MatchExactly | Qt::MatchRecursive);
        QVERIFY2(!hits.isEmpty(), qPrintable(tick));
        model()->setData(hits.first(), tick[0] == '+' ? Qt::Checked : Qt::Unchecked,
                         Qt::CheckStateRole);
    }
    // What the dialog gives, appended to what the caller's list holds.
    QList<int> checked() const
    {
        QList<int> ids{-7};
        dialog->treeWidget()->getCheckedObjs(&ids, QModelIndex());
        return sorted(ids);
    }

private slots:
    // Column A 1 (Car 11, Car 12 (Trailer 121)), Column B 2 (Car 21): groups
    // that are tracked objects themselves; Depot (Car 31): a plain group.
    void init()
    {
        host = std::make_unique<FakeHost>();
        QStandardItem *columnA = host->addTrackedObject(1, "Column A");
        host->addTrackedObject(11, "Car 11", columnA);
        host->addTrackedObject(121, "Trailer 121", host->addTrackedObject(12, "Car 12", columnA));
        host->addTrackedObject(21, "Car 21", host->addTrackedObject(2, "Column B"));
        auto *depot = new QStandardItem("Depot");
        host->objects.appendRow(depot);
        host->addTrackedObject(31, "Car 31", depot);
        dialog = std::make_unique<DialogListObjects>();
    }
    void cleanup() { dialog.reset(); host.reset(); }

    void ticks_data()
    {
        QTest::addColumn<QList<int>>("objects"); // the route's
        QTest::addColumn<QStringList>("ticks");
        QTest::addColumn<QString>("tree"); // empty: not checked
        QTest::addColumn<QList<int>>("checked");

        QTest::newRow("listed ones ticked, nested and top level")
            << QList<int>{2, 121, 11} << QStringList()
            << "Column A:0(Car 11:2 Car 12:0(Trailer 121:2)) Column B:2(Car 21:0) Depot:0(Car 31:0)"
            << QList<int>{2, 11, 121};
        QTest::newRow("unknown ids ignored") << QList<int>{99, 21, -1} << QStringList() << ""
                                             << QList<int>{21};
        QTest::newRow("all listed: the plain group stays unticked")
            << QList<int>{1, 2, 11, 12, 21, 121, 31} << QStringList()
            << "Column A:2(Car 11:2 Car 12:2(Trailer 121:2)) Column B:2(Car 21:2) Depot:0(Car 31:2)"
            << QList<int>{1, 2, 11, 12, 21, 31, 121};
        QTest::newRow("a ticked group ticks all below") << QList<int>() << QStringList{"+Column A"}
            << "" << QList<int>{1, 11, 12, 121};
        QTest::newRow("a ticked plain group ticks its objects") << QList<int>() << QStringList{"+Depot"}
            << "" << QList<int>{31};
        QTest::newRow("an unticked child leaves the group")
            << QList<int>() << QStringList{"+Column A", "-Car 12"} << "" << QList<int>{1, 11};
        QTest::newRow("an unticked group unticks all below, not others")
            << QList<int>{11, 21} << QStringList{"+Column A", "-Column A"} << "" << QList<int>{21};
    }

    // The route's list and the host's model are only read.
    void ticks()
    {
        QFETCH(QList<int>, objects);
        QFETCH(QStringList, ticks);
        QFETCH(QString, tree);
        QFETCH(QList<int>, checked);
        QList<int> routeObjects = objects;
        dialog->showForRoute(&host->objects, &routeObjects);
        QVERIFY(dialog->isVisible());
        for (const QString &name : qAsConst(ticks))
            tick(name);
        if (!tree.isEmpty())
            QCOMPARE(shown(model()), tree);
        QCOMPARE(this->checked(), sorted(QList<int>{-7} + checked));
        QCOMPARE(routeObjects, objects);
        QVERIFY(!host->objects.item(0)->isCheckable());
    }

    void secondShow_data()
    {
        QTest::addColumn<bool>("otherModel");
        QTest::addColumn<QList<int>>("objects");
        QTest::addColumn<QString>("tree");

        QTest::newRow("same model, other route") << false << QList<int>{21}
            << "Column A:0(Car 11:0 Car 12:0(Trailer 121:0)) Column B:0(Car 21:2) Depot:0(Car 31:0)";
        QTest::newRow("new model from the host") << true << QList<int>{12, 31}
                                                 << "Patrol:0(Car 31:2) Car 12:2";
    }

    // Open for one route with the operator's tick, the dialog is asked for
    // another: it shows that one afresh, from a copy the host may drop.
    void secondShow()
    {
        QFETCH(bool, otherModel);
        QFETCH(QList<int>, objects);
        QFETCH(QString, tree);
        QList<int> first{11, 121};
        dialog->showForRoute(&host->objects, &first);
        tick("+Column B");
        auto other = std::make_unique<FakeHost>();
        other->addTrackedObject(31, "Car 31", other->addTrackedObject(30, "Patrol"));
        other->addTrackedObject(12, "Car 12");
        dialog->showForRoute(otherModel ? &other->objects : &host->objects, &objects);
        other.reset();
        QVERIFY(dialog->isVisible());
        QCOMPARE(shown(model()), tree);
    }

    void buttons_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<int>("result");

        QTest::newRow("Ok accepts") << int(QDialogButtonBox::Ok) << int(QDialog::Accepted);
        QTest::newRow("Cancel rejects") << int(QDialogButtonBox::Cancel) << int(QDialog::Rejected);
    }

    // What the operator ticked is still there to be read after the close.
    void buttons()
    {
        QFETCH(int, button);
        QFETCH(int, result);
        QList<int> objects{11};
        dialog->showForRoute(&host->objects, &objects);
        tick("+Car 21");
        auto *box = dialog->findChild<QDialogButtonBox *>();
        QTest::mouseClick(box->button(QDialogButtonBox::StandardButton(button)), Qt::LeftButton);
        QCOMPARE(dialog->result(), result);
        QVERIFY(!dialog->isVisible());
        QCOMPARE(checked(), QList<int>({-7, 11, 21}));
    }
};

QTEST_MAIN(tst_ObjectsDialog)
#include "tst_objectsdialog.moc"
