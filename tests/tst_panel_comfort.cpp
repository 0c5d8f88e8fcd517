// Pickers and the property table, read in Russian, texts made before the catalogue too.
#include "testsupport/EditingPanel.h"

#include <QSplitter>
#include <QtTest>
#include <QtWidgets>

using namespace TreeBodies;
const QList<int> RoutePath{0, 0}, GatePath{0, 0, 0};

class tst_PanelComfort : public QObject
{
    Q_OBJECT
    QTemporaryDir settingsFolder;
    QTranslator catalogue;
    std::unique_ptr<EditingPanel> panel;

private slots:
    void initTestCase()
    {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsFolder.path());
        QVERIFY(catalogue.load(OC_PLUGIN_QM) && QCoreApplication::installTranslator(&catalogue));
    }
    void init()
    {
        panel.reset(); // the old panel leaves its settings before the next reads them
        panel = std::make_unique<EditingPanel>();
        panel->addCarsAndMarks();
        panel->host.addTrackedObject(14, "Car 14 of the harbour patrol, second shift, bridge");
        Node marks = node(100, "Marks", 1);
        marks.objects = {object(7, 3, "Gate", {{1, 5}, {2, 5}, {1, 6}}),
                         object(9, 1, "Post", {{1, 5}}), object(4, 2, "", {{1, 5}, {2, 5}})};
        panel->reply("Get_tree_graphobj", layerTree({marks}));
        QSharedPointer<RouteRecord> r = route(5, {section(1, "Gate", {9}, 3600, 4200)});
        std::tie(r->objects, r->checkTimeType) = std::make_pair(QList<int>{11}, 4);
        panel->reply("Get_tree_rulecheck",
                     ruleTree({node(1, "Group", 2, {withRoute(node(5, "Beat", 3), r)})}));
    }
    void cleanup() { panel.reset(), QSettings().clear(); }

    void pickers_data()
    {
        QTest::addColumn<bool>("units");
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<QString>("tick");        // a shown row, or none
        QTest::addColumn<QList<int>>("accepted"); // ticked hidden rows too
        QTest::newRow("units: a car keeps its group")
            << true << "car 12" << QStringList{"Group", "Car 12"} << "Car 12" << QList<int>{11, 12};
        QTest::newRow("units: a group shows its cars")
            << true << "GROUP" << QStringList{"Group", "Car 12", "Car 13"} << "" << QList<int>{11};
        QTest::newRow("layers: case aside")
            << false << "gATE" << QStringList{"Marks", "Gate"} << "Gate" << QList<int>{7, 9};
        QTest::newRow("layers: a type name, translated when the object was named")
            << false << "линия" << QStringList{"Marks", "[Новый объект: Линия 4]"} << ""
            << QList<int>{9};
        QTest::newRow("layers: no match") << false << "zzz" << QStringList{} << "" << QList<int>{9};
    }
    // Over the panel's window, sized to the names, filtered; then where it was left, in this
    // run and the next. A window that goes first leaves the dialog to its owner.
    void pickers()
    {
        QFETCH(bool, units);
        QFETCH(QString, filter);
        QFETCH(QString, tick);
        panel->click(units ? RoutePath : GatePath);
        units ? panel->plugin->onSelObjsClicked() : panel->plugin->onSelGObjClicked();
        PickerDialog &dialog = units ? static_cast<PickerDialog &>(panel->plugin->objectsDialog())
                                     : panel->plugin->graphObjDialog();
        QVERIFY(dialog.parentWidget() == panel->plugin->mainView()->window() && dialog.isModal());
        QCOMPARE(dialog.filterEdit()->placeholderText(), QString("Фильтр по имени"));
        auto *view = dialog.findChild<QTreeView *>();
        QVERIFY(static_cast<QAbstractItemView *>(view)->sizeHintForColumn(0)
                <= view->viewport()->width());
        dialog.filterEdit()->setText(filter);
        QStringList shown; // a hidden row, or one under it, has no place in the view
        for (const QModelIndex &row : view->model()->match(view->model()->index(0, 0),
                 Qt::DisplayRole, "*", -1, Qt::MatchWildcard | Qt::MatchRecursive)) {
            if (view->visualRect(row).isValid())
                shown << row.data().toString();
            if (row.data() == tick)
                view->model()->setData(row, Qt::Checked, Qt::CheckStateRole);
        }
        QTEST(shown, "shown");
        dialog.setGeometry(40, 50, 333, 222);
        dialog.accept();
        const QStandardItem *row = panel->item(units ? RoutePath : GatePath);
        QTEST(units ? itemRoute(row)->objects : itemSection(row)->graphObjectIds, "accepted");
        units ? panel->plugin->onSelObjsClicked() : panel->plugin->onSelGObjClicked();
        auto *gone = new QWidget;
        std::unique_ptr<PickerDialog> nextRun(units ? static_cast<PickerDialog *>(
            new DialogListObjects) : new DialogSelectGraphObj);
        nextRun->showOver(gone);
        delete gone;
        QCOMPARE(dialog.geometry(), QRect(40, 50, 333, 222));
        QCOMPARE(nextRun->geometry(), dialog.geometry());
        QVERIFY(!nextRun->parentWidget());
    }

    void labelColumn_data()
    {
        QTest::addColumn<int>("dragged"); // by the operator; 0, never
        QTest::newRow("fitted to the labels") << 0;
        QTest::newRow("dragged by the operator") << 150;
    }
    // The width holds from row to row and into the next run; every label reads whole in its
    // tooltip, and the time type says what it counts from.
    void labelColumn()
    {
        QFETCH(int, dragged);
        QTableView *view = panel->plugin->panProperties()->propertyView();
        QStandardItemModel *table = panel->plugin->panProperties()->propertyModel();
        panel->click(GatePath);
        auto *splitter = qobject_cast<QSplitter *>(view->parentWidget()->parentWidget());
        QVERIFY(splitter);
        if (dragged) {
            view->horizontalHeader()->resizeSection(0, dragged);
            splitter->setSizes({dragged, 3 * dragged});
        }
        const QByteArray split = splitter->saveState();
        const int width = view->columnWidth(0);
        const int label = view->fontMetrics().horizontalAdvance(table->item(InBehind)->text());
        QVERIFY(width == dragged || width > label);
        for (int row = 0; row < table->rowCount(); ++row)
            QCOMPARE(table->item(row)->toolTip(), table->item(row)->text());
        panel->click(RoutePath);
        QCOMPARE(view->columnWidth(0), width);
        QVERIFY(panel->cell(0)->toolTip().startsWith("План «Перехват»: время участков"));
        init();
        panel->click(GatePath);
        view = panel->plugin->panProperties()->propertyView();
        QCOMPARE(view->columnWidth(0), width);
        // The line between the tree and the table stays where it was moved to.
        if (dragged)
            QCOMPARE(qobject_cast<QSplitter *>(view->parentWidget()->parentWidget())->saveState(),
                     split);
    }
};

QTEST_MAIN(tst_PanelComfort)
#include "tst_panel_comfort.moc"
