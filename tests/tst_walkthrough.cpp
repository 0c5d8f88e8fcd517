// The host as an operator meets it, the built plug-in and the demo in its own
// server, driven by clicks and keys: a group and a named route with three
// sections, each given a shape and times, saved; the host started again on the
// same database shows them all. With OC_WALKTHROUGH_DIR set, each step leaves
// a picture of the window there. Then zones: a layer made, a polygon and a
// corridor drawn with the mouse and saved, a GIS file imported; after a
// restart they are in the picker and on the map.
#include <HostApplication.h>
#include <HostOptions.h>
#include <HostWindow.h>
#include <MapCanvas.h>
#include <zones/DrawDock.h>
#include <zones/ImportJob.h>
#include <zones/ZonesDesk.h>

#include "records/ItemRoles.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QSpinBox>
#include <QInputDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QToolBar>
#include <QTreeView>
#include <QtTest>

namespace {

const QStringList Shapes{"Market square", "Freight yard", "Central square"};
const QStringList TimesIn{"00 days 08:00:00", "00 days 08:30:00", "00 days 09:00:00"};
enum TableRow { NameRow = 0, ScheduleRow = 3, TimeInRow = 4 };

} // namespace

class tst_Walkthrough : public QObject
{
    Q_OBJECT

    QTemporaryDir folder;
    std::unique_ptr<HostApplication> host;
    int step = 0;

    void start()
    {
        HostOptions options;
        options.databasePath = folder.filePath("demo.sqlite");
        options.language = "en";
        options.simulate = false;
        host = std::make_unique<HostApplication>(options);
        QString error;
        QVERIFY2(host->start(QCoreApplication::applicationDirPath() + "/plugins", &error),
                 qPrintable(error));
        host->window()->resize(1600, 1000);
        host->window()->show();
        QTRY_VERIFY_WITH_TIMEOUT(rules() && find("Central precinct").isValid(), 20000);
    }
    QTreeView *rules() const
    {
        for (QTreeView *view : host->window()->findChildren<QTreeView *>()) {
            if (view->model()->headerData(0, Qt::Horizontal) == "Graphic layers/rules")
                return view;
        }
        return nullptr;
    }
    QTableView *table() const { return host->window()->findChild<QTableView *>(); }
    QModelIndex find(const QString &text, const QAbstractItemModel *model = nullptr) const
    {
        model = model ? model : rules()->model();
        return model->match(model->index(0, 0), Qt::DisplayRole, text, 1,
                            Qt::MatchExactly | Qt::MatchRecursive).value(0);
    }
    void shoot(const QString &what, QWidget *widget = nullptr)
    {
        const QString dir = qEnvironmentVariable("OC_WALKTHROUGH_DIR");
        const QString name = QStringLiteral("%1-%2.png").arg(++step, 2, 10, QChar('0')).arg(what);
        if (!dir.isEmpty())
            QVERIFY((widget ? widget : host->window())->grab().save(QDir(dir).filePath(name)));
    }
    void click(QAbstractItemView *view, const QModelIndex &index, bool twice = false)
    {
        view->scrollTo(index);
        const QPoint at = view->visualRect(index).center();
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
        if (twice)
            QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, at);
    }
    // A toolbar button by its text: clicked where it shows, else triggered from the overflow.
    void press(const QString &text)
    {
        for (QToolBar *bar : host->window()->findChildren<QToolBar *>()) {
            for (QAction *action : bar->actions()) {
                if (action->text() != text)
                    continue;
                QWidget *button = bar->widgetForAction(action);
                QVERIFY(action->isEnabled());
                return button && button->isVisible() ? QTest::mouseClick(button, Qt::LeftButton)
                                                     : action->trigger();
            }
        }
        QFAIL(qPrintable("no button " + text));
    }
    // Presses text, whose dialog asks a name, and types it.
    void pressNaming(const QString &text, const QString &name)
    {
        QTimer::singleShot(0, [name] {
            auto *dialog = qobject_cast<QInputDialog *>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            QTest::keyClicks(dialog->findChild<QLineEdit *>(), name);
            QTest::keyClick(dialog->findChild<QLineEdit *>(), Qt::Key_Return);
        });
        press(text);
    }
    // Types into the value cell of a table row, as into its editor.
    void type(int row, const QString &text)
    {
        click(table(), table()->model()->index(row, 1), true);
        QLineEdit *editor = nullptr;
        QTRY_VERIFY((editor = table()->viewport()->findChild<QLineEdit *>()));
        // The field's mask places the digits; its words and colons are not typed.
        QTest::keyClick(editor, Qt::Key_Home);
        QTest::keyClicks(editor, QString(text).remove(QRegularExpression("\\D")));
        const QPointer<QLineEdit> open = editor;
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_VERIFY(!open); // the value is in once its editor is gone
    }
    // A polygon or corridor through the pixels, the last one double-clicked.
    void draw(const char *tool, const QString &name, const QList<QPoint> &pixels)
    {
        DrawDock *dock = host->window()->zones()->dock();
        QLineEdit *field = dock->findChild<QLineEdit *>("drawName");
        field->clear();
        QTest::keyClicks(field, name);
        press(dock->action(tool)->text());
        MapCanvas *canvas = host->window()->currentMap();
        for (const QPoint &at : pixels)
            QTest::mouseClick(canvas, Qt::LeftButton, {}, at);
        QTest::mouseDClick(canvas, Qt::LeftButton, {}, pixels.last());
        shoot(QStringLiteral("drawing-%1").arg(tool));
        press(dock->action("save")->text());
        QTRY_VERIFY(!dock->tool()->isActive());
    }
    QDialog *picker() const
    {
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            if (widget->inherits("DialogSelectGraphObj") && widget->isVisible())
                return qobject_cast<QDialog *>(widget);
        }
        return nullptr;
    }

private slots:
    void routeMadeByHand()
    {
        QVERIFY(folder.isValid());
        start();
        shoot("loaded");
        click(rules(), find("Central precinct"));
        pressNaming("New group…", "Night shift");
        QTRY_VERIFY(find("Night shift").data(ItemRole::NodeId).toInt() > 0);
        shoot("group");
        click(rules(), find("Night shift"));
        pressNaming("New route…", "Harbour loop");
        QTRY_VERIFY(find("Harbour loop").data(ItemRole::NodeId).toInt() > 0);
        for (int i = 0; i < Shapes.size(); ++i)
            press("Add section");
        shoot("sections");
        for (int i = 0; i < Shapes.size(); ++i) {
            click(rules(), find("Harbour loop").model()->index(i, 0, find("Harbour loop")));
            press("Select graphic objects");
            QTRY_VERIFY(picker());
            auto *shapes = picker()->findChild<QTreeView *>();
            click(shapes, find(Shapes[i], shapes->model()));
            QTest::keyClick(shapes, Qt::Key_Space);
            shoot("picker", picker());
            QTest::mouseClick(picker()->findChild<QDialogButtonBox *>()->button(
                                  QDialogButtonBox::Ok), Qt::LeftButton);
            click(table(), table()->model()->index(ScheduleRow, 1));
            QTest::keyClick(table(), Qt::Key_Space);
            type(TimeInRow, TimesIn[i]);
            shoot("times");
        }
        QAction *save = nullptr;
        for (QAction *action : host->window()->findChildren<QAction *>())
            save = action->text() == "Save" ? action : save;
        press("Save");
        QTRY_VERIFY(!save->isEnabled()); // until the next edit: the server has it all
        shoot("saved");

        host.reset();
        start();
        const QModelIndex route = find("Harbour loop");
        QVERIFY(route.isValid() && route.parent() == find("Night shift"));
        QCOMPARE(route.parent().parent(), find("Central precinct"));
        rules()->expand(route);
        for (int i = 0; i < Shapes.size(); ++i) {
            click(rules(), route.model()->index(i, 0, route));
            QCOMPARE(table()->model()->index(NameRow, 1).data().toString().trimmed(), Shapes[i]);
            QCOMPARE(table()->model()->index(TimeInRow, 1).data().toString(), TimesIn[i]);
        }
        shoot("restarted");
    }

    void zonesDrawnByHand()
    {
        step = 20;
        start();
        DrawDock *dock = host->window()->zones()->dock();
        dock->raise();
        QTRY_VERIFY(!dock->catalog().layers().isEmpty());
        QTimer::singleShot(0, [] {
            auto *dialog = qobject_cast<QInputDialog *>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            QTest::keyClicks(dialog->findChild<QLineEdit *>(), "Drawn zones");
            QTest::keyClick(dialog->findChild<QLineEdit *>(), Qt::Key_Return);
        });
        press(dock->action("newLayer")->text());
        QTRY_COMPARE(dock->findChild<QComboBox *>("drawLayer")->currentText(),
                     QString("Drawn zones"));
        draw("drawPolygon", "Quay yard", {{300, 300}, {420, 300}, {420, 380}});
        dock->findChild<QSpinBox *>("drawWidth")->setValue(40);
        draw("drawCorridor", "Dock lane", {{250, 450}, {400, 470}, {520, 440}});

        // A GIS file into the same layer, asked in the import dialog.
        QFile file(folder.filePath("posts.geojson"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("{\"type\": \"FeatureCollection\", \"features\": [{\"type\": \"Feature\","
                   " \"properties\": {\"name\": \"Harbour post\"}, \"geometry\":"
                   " {\"type\": \"Point\", \"coordinates\": [37.43, 55.69]}}]}");
        file.close();
        // The dialog comes once the layers are read again.
        auto *poll = new QTimer(this);
        connect(poll, &QTimer::timeout, this, [this, poll] {
            auto *dialog = QApplication::activeModalWidget();
            if (!dialog || dialog->objectName() != "importDialog")
                return;
            poll->deleteLater();
            poll->stop();
            auto *into = dialog->findChild<QComboBox *>("importLayer");
            into->setCurrentIndex(into->findText("Drawn zones"));
            shoot("import", dialog);
            QTest::mouseClick(dialog->findChild<QDialogButtonBox *>()->button(
                                  QDialogButtonBox::Ok), Qt::LeftButton);
        });
        poll->start(20);
        host->window()->zones()->importFile(file.fileName());
        QTRY_VERIFY(!host->window()->zones()->importJob()->isRunning());
        QTRY_COMPARE(dock->catalog().objects().size(), 3);
        shoot("zones");

        host.reset();
        start();
        // In the picker of a section, under the new layer.
        const QModelIndex route = find("Station Road day patrol");
        rules()->expand(route);
        click(rules(), route.model()->index(0, 0, route));
        press("Select graphic objects");
        QTRY_VERIFY(picker());
        auto *shapes = picker()->findChild<QTreeView *>();
        const QModelIndex layer = find("Drawn zones", shapes->model());
        QVERIFY(layer.isValid());
        QStringList names;
        for (int row = 0; row < shapes->model()->rowCount(layer); ++row)
            names << shapes->model()->index(row, 0, layer).data().toString();
        QCOMPARE(names, QStringList({"Quay yard", "Dock lane", "Harbour post"}));
        picker()->reject();
        // On the map: a click inside the yard picks it for editing.
        dock = host->window()->zones()->dock();
        dock->raise();
        QTRY_COMPARE(dock->catalog().objects().size(), 3);
        QTest::mouseClick(host->window()->currentMap(), Qt::LeftButton, {}, QPoint(400, 320));
        QCOMPARE(dock->tool()->draft().record().name, QString("Quay yard"));
        QCOMPARE(dock->tool()->draft().record().points.size(), 3);
    }
};

QTEST_MAIN(tst_Walkthrough)
#include "tst_walkthrough.moc"
