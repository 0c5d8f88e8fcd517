// Unsaved edits are never lost unasked: "Save" follows them, the panel's shortcuts act only
// inside it, every way out of them (close, reload, another operator's change, a reconnect)
// does what the operator answers, and the real host stays open until its save is answered.
#include "testsupport/EditingPanel.h"
#include "testsupport/HostTinyServer.h"
#include "testsupport/PanelProbe.h"

#include "panel/PanelNotice.h"
#include "wire/RequestFailure.h"

#include <HostServices.h>
#include <HostWindow.h>
#include <ObjectsModel.h>
#include <ServerConnection.h>

#include <QCloseEvent>
#include <QMenuBar>
#include <QPushButton>
#include <QTableView>
#include <QToolButton>
#include <QtTest>

using namespace TreeBodies;

namespace {

// Depot > Beat (route 5: Gate, Yard), Group.
QByteArray tree()
{
    const Node beat =
        withRoute(node(5, "Beat", 3), route(5, {section(1, "Gate"), section(2, "Yard")}));
    return ruleTree({node(1, "Depot", 3, {beat, node(30, "Group", 3)})});
}

const QList<QMessageBox::StandardButton> Answers{QMessageBox::Save, QMessageBox::Discard,
                                                 QMessageBox::Cancel};

} // namespace

class tst_UnsavedEdits : public QObject
{
    Q_OBJECT

    std::unique_ptr<EditingPanel> panel;
    OperativeCheck *plugin = nullptr;
    int answered = 0;

    // Answers what was sent since, as the server does: saves, and trees asked for again.
    void answerAll(bool saveFails = false)
    {
        for (; answered < panel->host.requests.size(); ++answered) {
            const QByteArray command = panel->host.requests.at(answered).command;
            if (command == "Fix_routes" && saveFails)
                panel->reply("Request_failed", RequestFailure{command, RequestFailure::ReadOnly, "read-only"}.body());
            else if (command == "Fix_routes")
                panel->reply(command, {});
            else if (command == "Get_tree_rulecheck")
                panel->reply(command, tree());
        }
    }
    void editGate()
    {
        panel->click({0, 0, 0});
        QVERIFY(panel->edit(Name, "North gate"));
    }
    QString sent() const { return panel->host.commands().join(' '); }

private slots:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }
    void init()
    {
        panel = std::make_unique<EditingPanel>();
        plugin = panel->plugin.get();
        panel->reply("Get_tree_rulecheck", tree());
        answered = 0;
    }
    void cleanup() { panel.reset(); }

    void saveFollowsEdits_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("enabled"); // after each step
        QTest::newRow("edit, undo to clean, redo") << QStringList{"edit", "undo", "redo"} << "101";
        QTest::newRow("saved: answered") << QStringList{"edit", "save", "answer"} << "110";
        QTest::newRow("saved: refused") << QStringList{"edit", "save", "fail"} << "111";
        QTest::newRow("section deleted, undone") << QStringList{"delete", "undo"} << "10";
        QTest::newRow("reloaded") << QStringList{"edit", "reload"} << "10";
    }

    void saveFollowsEdits()
    {
        QFETCH(QStringList, steps);
        QFETCH(QString, enabled);
        QAction *save = plugin->panProperties()->saveAction();
        QVERIFY(!save->isEnabled() && !plugin->hasUnsavedEdits());
        QString seen;
        for (const QString &step : steps) {
            if (step == "edit")
                editGate();
            else if (step == "delete")
                panel->click({0, 0, 1}), plugin->onDelSectClicked();
            else if (step == "undo" || step == "redo")
                step == "undo" ? plugin->undoStack()->undo() : plugin->undoStack()->redo();
            else if (step == "save")
                plugin->onSaveClicked();
            else if (step == "reload")
                panel->reply("Get_tree_rulecheck", tree());
            else
                answerAll(step == "fail");
            QCOMPARE(save->isEnabled(), plugin->hasUnsavedEdits());
            seen += save->isEnabled() ? '1' : '0';
        }
        QCOMPARE(seen, enabled);
    }

    void lossPaths_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("answer"); // Save, Discard, Cancel; for a notice its 1st, 2nd, close
        QTest::addColumn<QString>("asked"); // part of the question or notice; empty: none
        QTest::addColumn<QString>("sent");  // once the server answered all
        QTest::addColumn<bool>("kept");     // the edits after
        const QString trees = "Get_tree_rulecheck Get_tree_graphobj";
        const QStringList paths{"close", "reload", "changed", "reconnect"};
        const QStringList asked{"before closing", "before reloading", "Another operator",
                                "The connection is back"};
        for (int p = 0; p < paths.size(); ++p) {
            const QString clean = paths[p] == "close" ? "" : trees;
            const QString saved = p == 0 || p == 3 ? "Fix_routes" : "Fix_routes " + trees;
            const QString name = paths[p] + ", ";
            QTest::newRow(qPrintable(name + "no edits")) << paths[p] << -1 << "" << clean << false;
            QTest::newRow(qPrintable(name + "save")) << paths[p] << 0 << asked[p] << saved << false;
            QTest::newRow(qPrintable(name + "discard")) << paths[p] << 1 << asked[p] << clean
                                                        << false;
            QTest::newRow(qPrintable(name + "cancel")) << paths[p] << 2 << asked[p] << "" << true;
        }
    }

    void lossPaths()
    {
        QFETCH(QString, path);
        QFETCH(int, answer);
        QFETCH(QString, asked);
        QFETCH(QString, sent);
        QFETCH(bool, kept);
        if (answer >= 0)
            editGate();
        QString question;
        const bool boxed = path == "close" || path == "reload";
        if (boxed && answer >= 0)
            PanelProbe::answerWhenAsked(plugin, Answers[answer], &question);
        QCloseEvent event;
        if (path == "close")
            plugin->OnClose(&event);
        else if (path == "reload")
            plugin->onGetClicked();
        else if (path == "changed")
            panel->reply("Rule_tree_changed", {});
        else
            panel->host.notifier.connectToServer();
        PanelNotice *notice = plugin->notice();
        if (!boxed) {
            question = notice->text();
            QCOMPARE(this->sent(), answer < 0 ? sent : QString()); // the edits wait
            QList<QAbstractButton *> choices;
            for (QPushButton *button : notice->findChildren<QPushButton *>())
                choices << button;
            choices << notice->findChild<QToolButton *>("closeNotice");
            if (answer >= 0)
                choices.at(answer)->click();
            QVERIFY(notice->text().isEmpty());
        }
        QVERIFY2(asked.isEmpty() ? question.isEmpty() : question.contains(asked),
                 qPrintable(question));
        answerAll();
        QCOMPARE(this->sent(), sent);
        QCOMPARE(plugin->hasUnsavedEdits(), kept);
        if (path == "close") { // the host closes only on an accepted event; Save closes later
            QCOMPARE(event.isAccepted(), answer < 0 || answer == 1);
            QCOMPARE(plugin->model()->rowCount(), event.isAccepted() ? 0 : 1);
        }
    }
    void shortcuts_data()
    {
        QTest::addColumn<QList<int>>("row"); // made current, the focus in the tree
        QTest::addColumn<bool>("edited");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("outcome"); // requests | undo index | Beat's rows | deleted
        QTest::newRow("Ctrl+S saves") << QList<int>{0, 0} << true << "Ctrl+S" << "Fix_routes|1|2|";
        QTest::newRow("Ctrl+Z undoes") << QList<int>{0, 0} << true << "Ctrl+Z" << "|0|2|";
        QTest::newRow("Ctrl+Shift+Z redoes") << QList<int>{0, 0} << true << "Ctrl+Z, Ctrl+Shift+Z"
                                             << "|1|2|";
        QTest::newRow("F5 reloads") << QList<int>{0, 0} << false << "F5"
                                    << "Get_tree_rulecheck Get_tree_graphobj|0|2|";
        QTest::newRow("Delete: the section") << QList<int>{0, 0, 1} << false << "Del" << "|1|1|";
        QTest::newRow("Delete: the route, confirmed") << QList<int>{0, 0} << false << "Del"
                                                      << "|1|0|5";
        QTest::newRow("Delete: a group, nothing") << QList<int>{0, 1} << false << "Del" << "|0|2|";
        QTest::newRow("Delete in a cell editor: nothing") << QList<int>{0, 0, 1} << false
                                                          << "editor, Del" << "|0|2|";
    }

    void shortcuts()
    {
        QFETCH(QList<int>, row);
        QFETCH(bool, edited);
        QFETCH(QString, keys);
        QFETCH(QString, outcome);
        QTabWidget tabs; // the host's, holding the page it asks for
        tabs.addTab(new QWidget, "page");
        std::unique_ptr<QWidget> page(plugin->CreateWidget(nullptr, &tabs));
        page->show();
        QApplication::setActiveWindow(page.get());
        QVERIFY(QTest::qWaitForWindowActive(page.get()));
        if (edited)
            editGate();
        panel->click(row);
        plugin->mainView()->setFocus();
        PanelProbe::answerWhenAsked(plugin, QMessageBox::Yes);
        for (const QString &key : keys.split(", ")) {
            QTableView *table = plugin->panProperties()->propertyView();
            if (key == "editor")
                table->edit(table->model()->index(Name, 1));
            else
                QTest::keySequence(QApplication::focusWidget(), QKeySequence(key));
        }
        QStringList deleted;
        for (int id : plugin->deletedRouteIds())
            deleted << QString::number(id);
        QCOMPARE(QStringList({sent(), QString::number(plugin->undoStack()->index()),
                              QString::number(panel->item({0, 0})->rowCount()), deleted.join(',')})
                     .join('|'), outcome);
        page.reset(); // the panel goes back to the plug-in
    }

    // Closing the real host with unsaved edits, by its Quit action or its close button:
    // Save sends them and closes once the server has them, Discard closes, Cancel stays.
    // The server's news that the routes changed elsewhere reaches the panel through it.
    void hostQuit_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("quitAction");
        QTest::newRow("Quit action, save") << 0 << true;
        QTest::newRow("close button, discard") << 1 << false;
        QTest::newRow("close button, cancel") << 2 << false;
    }

    void hostQuit()
    {
        QFETCH(int, answer);
        QFETCH(bool, quitAction);
        TinyServer server;
        QVERIFY(server.server.listen(QHostAddress::LocalHost));
        ServerConnection connection{"OperCheck_Server1"};
        ObjectsModel objects;
        HostServices services{&connection, &objects};
        HostWindow window{&services, &connection, &objects};
        auto *host = new OperativeCheck;
        window.installPlugins({{"linked in", host, host}});
        window.show();
        connection.connectTo("127.0.0.1", server.server.serverPort());
        const QList<QByteArray> trees{"Get_tree_rulecheck", "Get_tree_graphobj"};
        const auto panelSent = [&server, &trees] { // the host asks for its own trees too
            QList<QByteArray> sent = server.commands();
            sent.erase(std::remove_if(sent.begin(), sent.end(), [&](const QByteArray &c) {
                return !trees.contains(c) && c != "Fix_routes";
            }), sent.end());
            return sent;
        };
        QTRY_COMPARE(panelSent(), trees);
        server.reply("Get_tree_rulecheck", tree());
        server.reply("Get_tree_graphobj", layerTree({}));
        QTRY_COMPARE(host->model()->rowCount(), 1);
        server.reply("Rule_tree_changed", {});
        QTRY_COMPARE(panelSent(), trees + trees);

        host->setItemEditState(EditState::Changed, host->model()->item(0)->child(0));
        PanelProbe::answerWhenAsked(host, Answers[answer]);
        QAction *quit = window.menuBar()->actions().first()->menu()->actions().first();
        QCOMPARE(quit->shortcut(), QKeySequence(QKeySequence::Quit));
        quitAction ? quit->trigger() : void(window.close());
        QCOMPARE(window.isVisible(), answer != 1);
        if (answer == 0) {
            QTRY_COMPARE(panelSent(), trees + trees + QList<QByteArray>{"Fix_routes"});
            server.reply("Fix_routes", {});
            QTRY_VERIFY(!window.isVisible());
        }
        QCOMPARE(panelSent().size(), answer == 0 ? 5 : 4);
        connection.stop();
        connection.forgetPlugin(host);
        delete host;
    }
};

QTEST_MAIN(tst_UnsavedEdits)
#include "tst_unsaved_edits.moc"
