// The Units dock driven as an operator would, against a real server over the
// demo: a right click, the context menu, the dialog typed into; then the rows
// the server stored and what the dock shows once it read the units again.
#include "testsupport/ServerHarness.h"

#include "wire/Commands.h"
#include "wire/UnitMessages.h"

#include <HostServices.h>
#include <ObjectsModel.h>
#include <ServerConnection.h>
#include <UnitsDock.h>

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMessageBox>
#include <QSqlQuery>
#include <QTreeView>
#include <QtTest>

#include <functional>

class tst_HostUnits : public QObject
{
    Q_OBJECT

private slots:
    void edits_data();
    void edits();

private:
    // Acts on the first popup or modal widget of type W to come up.
    template <typename W>
    void whenShown(const std::function<void(W *)> &act)
    {
        auto *poll = new QTimer(this);
        connect(poll, &QTimer::timeout, this, [poll, act] {
            QWidget *up = QApplication::activePopupWidget();
            if (auto *shown = qobject_cast<W *>(up ? up : QApplication::activeModalWidget())) {
                poll->deleteLater();
                poll->stop();
                act(shown);
            }
        });
        poll->start(10);
    }
};

void tst_HostUnits::edits_data()
{
    QTest::addColumn<QString>("node"); // right-clicked; empty: below the tree
    QTest::addColumn<QString>("action");
    QTest::addColumn<QStringList>("typed"); // field=text, or "yes" to a question
    QTest::addColumn<bool>("refused");      // by the dialog, which stays open
    QTest::addColumn<QString>("looked");    // the node looked up afterwards
    QTest::addColumn<QString>("stored");    // its group, kind, device | node count
    QTest::addColumn<QString>("shown");     // its device in the dock

    const auto row = [](const char *name, const char *node, const char *action,
                        const QStringList &typed, const char *looked, const char *stored,
                        const char *shown, bool refused = false) {
        QTest::newRow(name) << node << action << typed << refused << looked << stored << shown;
    };
    row("add a group at the top", "", "Add group…", {"name=Vans"}, "Vans", "-,0,-|16", "");
    row("add a unit with its device", "Shift A", "Add unit…",
        {"name= Car A-15 ", "deviceId=car-15"}, "Car A-15", "Shift A,1,car-15|16", "car-15");
    row("rename", "Car A-11", "Rename…", {"name=Car A-10"}, "Car A-10", "Shift A,1,demo-1|15",
        "demo-1");
    row("move", "Moto M-5", "Move to group…", {"group=Convoys"}, "Moto M-5",
        "Convoys,1,demo-9|15", "demo-9");
    row("set a device", "Car B-21", "Set device…", {"deviceId=356938035643809"}, "Car B-21",
        "Shift B,1,356938035643809|15", "356938035643809");
    row("a device id not of ASCII", "Car B-21", "Set device…", {"deviceId=café"}, "Car B-21",
        "Shift B,1,demo-4|15", "demo-4", true);
    row("delete a group", "Shift B", "Delete", {"yes"}, "Car B-21", "|11", "gone");
    row("another client's edit", "Moto M-6", "Set_unit_device", {"deviceId=m-6"}, "Moto M-6",
        "Motorcycle unit,1,m-6|15", "m-6");
}

void tst_HostUnits::edits()
{
    QFETCH(QString, node);
    QFETCH(QString, action);
    QFETCH(QStringList, typed);
    QFETCH(bool, refused);
    QFETCH(QString, looked);
    QFETCH(QString, stored);
    QFETCH(QString, shown);

    ServerHarness h;
    QCOMPARE(h.start({}, QStringLiteral("demo")), QString());
    ServerConnection link(Commands::ServerName);
    ObjectsModel objects;
    HostServices services(&link, &objects);
    QMainWindow window;
    auto *dock = new UnitsDock(&link, &objects);
    window.addDockWidget(Qt::LeftDockWidgetArea, dock);
    window.resize(640, 600);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    link.connectTo(QStringLiteral("127.0.0.1"), h.server->serverPort());
    const auto find = [&objects](const QString &name) {
        return objects.match(objects.index(0, 0), Qt::DisplayRole, name, 1,
                             Qt::MatchExactly | Qt::MatchRecursive).value(0);
    };
    const auto device = [&](const QString &name) {
        const QModelIndex found = find(name);
        return found.isValid() ? found.siblingAtColumn(ObjectsModel::DeviceColumn).data()
                                     .toString() : QStringLiteral("gone");
    };
    QTRY_COMPARE(device("Moto M-6"), QString("demo-10"));

    QString problem;
    if (action == "Set_unit_device") { // another client's edit, told by the server
        const int id = find(node).data(ObjectsModel::NodeIdRole).toInt();
        const QString text = typed.value(0).section('=', 1);
        QCOMPARE(h.exchange(h.connect(), action.toLatin1(),
                            UnitMessages::idTextBody({id, text})).first,
                 action.toLatin1());
    } else {
        whenShown<QMenu>([action](QMenu *menu) {
            for (QAction *each : menu->actions()) {
                if (each->text().remove('&') == action)
                    QTest::mouseClick(menu, Qt::LeftButton, {},
                                      menu->actionGeometry(each).center());
            }
        });
        whenShown<QDialog>([typed, &problem](QDialog *dialog) {
            for (const QString &entry : typed) {
                if (auto *box = qobject_cast<QMessageBox *>(dialog)) {
                    QTest::mouseClick(box->button(QMessageBox::Yes), Qt::LeftButton);
                    return;
                }
                QWidget *field = dialog->findChild<QWidget *>(entry.section('=', 0, 0));
                if (qobject_cast<QLineEdit *>(field)) {
                    QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
                    QTest::keyClick(field, Qt::Key_Backspace);
                }
                // keyClicks takes ASCII only.
                for (const QChar c : entry.section('=', 1))
                    QTest::sendKeyEvent(QTest::Click, field, Qt::Key_unknown, c, {});
            }
            QTest::keyClick(dialog, Qt::Key_Return);
            problem = dialog->findChild<QLabel *>("problem")->text();
            if (dialog->isVisible())
                QTest::keyClick(dialog, Qt::Key_Escape);
        });
        QTreeView *view = dock->view();
        const QPoint at = node.isEmpty() ? QPoint(10, view->viewport()->height() - 5)
                                         : view->visualRect(find(node)).center();
        QTest::mouseClick(window.windowHandle(), Qt::RightButton, {},
                          view->viewport()->mapTo(&window, at));
    }

    QCOMPARE(!problem.isEmpty(), refused);
    const auto describe = [&h, &looked] {
        QSqlQuery query(h.server->database().connection());
        query.prepare("SELECT COALESCE((SELECT COALESCE(p.name, '-') || ',' || t.kind || ','"
                      " || COALESCE(t.device_id, '-') FROM tracked_objects t LEFT JOIN"
                      " tracked_objects p ON p.id = t.parent_id WHERE t.name = ?), '')"
                      " || '|' || (SELECT COUNT(*) FROM tracked_objects)");
        query.addBindValue(looked);
        return query.exec() && query.next() ? query.value(0).toString() : QString();
    };
    QTRY_COMPARE(describe(), stored);
    // Stored, so the dock reads the units again at once. Not QTRY: a dock that
    // never does would fail each row only after three times the wait.
    if (!QTest::qWaitFor([&] { return device(looked) == shown; }, 4000))
        QCOMPARE(device(looked), shown);
}

QTEST_MAIN(tst_HostUnits)
#include "tst_host_units.moc"
