// Unsaved edits are never lost unasked: the panel's shortcuts act inside it only, "Save"
// follows the edits, each way out of them does what the operator answers, and the real host
// stays open until its save is answered.
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

const QList<QMessageBox::StandardButton> Answers{QMessageBox::Save, QMessageBox::Discard,
                                                 QMessageBox::Cancel};
const QString Trees = "Get_tree_rulecheck Get_tree_graphobj";

QByteArray tree() // Depot > Beat (route 5: Gate, Yard), Group
{
    const auto beat = route(5, {section(1, "Gate"), section(2, "Yard")});
    return ruleTree({node(1, "Depot", 3, {withRoute(node(5, "Beat", 3), beat), node(30, "G", 3)})});
}

} // namespace

class tst_UnsavedEdits : public QObject
{
    Q_OBJECT

    std::unique_ptr<EditingPanel> panel;
    OperativeCheck *plugin = nullptr;
    int answered = 0;

    // Answers what was sent since, as the server does: saves (or refuses them) and trees.
    void answerAll(bool refuse = false)
    {
        for (; answered < panel->host.requests.size(); ++answered) {
            const QByteArray command = panel->host.requests.at(answered).command;
            const RequestFailure failure{command, RequestFailure::ReadOnly, {}};
            if (command == "Fix_routes")
                panel->reply(refuse ? "Request_failed" : command, refuse ? failure.body() : "");
            else if (command == "Get_tree_rulecheck")
                panel->reply(command, tree());
        }
    }
    void editGate() { panel->click({0, 0, 0}), void(panel->edit(Name, "North gate")); }
    QString sent() const { return panel->host.commands().join(' '); }

private slots:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); } // windows close here
    void init()
    {
        panel = std::make_unique<EditingPanel>();
        plugin = panel->plugin.get();
        panel->reply("Get_tree_rulecheck", tree());
        answered = 0;
    }
    void cleanup() { panel.reset(); }

    void lossPaths_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("answer"); // Save, Discard, Cancel; in a notice its 1st, 2nd, close
        QTest::addColumn<QString>("asked"); // part of the question or notice; empty: none
        QTest::addColumn<QString>("sent");  // once the server answered all
        const QStringList paths{"close", "reload", "changed", "reconnect"};
        const QStringList asked{"before closing", "before reloading", "Another operator",
                                "The connection is back"};
        for (int p = 0; p < paths.size(); ++p) {
            const QString clean = p == 0 ? "" : Trees, saved = p % 3 ? "Fix_routes " + Trees
                                                                     : "Fix_routes";
            auto row = [&](const char *name, int answer, const QString &ask, const QString &sent) {
                QTest::addRow("%s, %s", qPrintable(paths[p]), name) << paths[p] << answer << ask
                                                                    << sent;
            };
            row("no edits", -1, "", clean);
            row("save", 0, asked[p], saved);
            row("discard", 1, asked[p], clean);
            row("cancel", 2, asked[p], "");
        }
    }

    void lossPaths()
    {
        QFETCH(QString, path);
        QFETCH(int, answer);
        QFETCH(QString, asked);
        QFETCH(QString, sent);
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
        else
            path == "changed" ? panel->reply("Rule_tree_changed", {})
                              : panel->host.notifier.connectToServer();
        PanelNotice *notice = plugin->notice();
        if (!boxed) {
            question = notice->text();
            QCOMPARE(this->sent(), answer < 0 ? sent : QString()); // the edits wait
            QList<QAbstractButton *> choices;
            for (QPushButton *button : notice->findChildren<QPushButton *>())
                choices << button;
            if (answer >= 0)
                (choices << notice->findChild<QToolButton *>("closeNotice")).at(answer)->click();
            QVERIFY(notice->text().isEmpty());
        }
        QVERIFY2(asked.isEmpty() ? question.isEmpty() : question.contains(asked),
                 qPrintable(question));
        answerAll();
        QCOMPARE(this->sent(), sent);
        QCOMPARE(plugin->hasUnsavedEdits(), answer == 2);
        QCOMPARE(plugin->panProperties()->saveAction()->isEnabled(), answer == 2);
        if (path == "close") { // the host closes on an accepted event only; Save closes later
            QCOMPARE(event.isAccepted(), answer < 0 || answer == 1);
            QCOMPARE(plugin->model()->rowCount(), event.isAccepted() ? 0 : 1);
        }
    }

    // Keys go to the focused widget of the panel's page, the row made current first; "Save"
    // follows the edits through undo, redo, a save answered or refused, and a reload.
    void shortcuts_data()
    {
        QTest::addColumn<QList<int>>("row");
        QTest::addColumn<QString>("keys"); // "edit", "editor" and "answer"/"refuse" between
        QTest::addColumn<QString>("outcome"); // sent | undo index | Beat's rows | deleted | Save
        auto row = [](const char *name, const QList<int> &path, const char *keys,
                      const char *outcome) { QTest::newRow(name) << path << keys << outcome; };
        row("Ctrl+S saves", {0, 0}, "edit, Ctrl+S", "Fix_routes|1|2||1");
        row("Ctrl+S saves: answered", {0, 0}, "edit, Ctrl+S, answer", "Fix_routes|0|2||0");
        row("Ctrl+S saves: refused", {0, 0}, "edit, Ctrl+S, refuse", "Fix_routes|1|2||1");
        row("Ctrl+Z undoes to clean", {0, 0}, "edit, Ctrl+Z", "|0|2||0");
        row("Ctrl+Shift+Z redoes", {0, 0}, "edit, Ctrl+Z, Ctrl+Shift+Z", "|1|2||1");
        row("F5 reloads", {0, 0}, "F5", "Get_tree_rulecheck Get_tree_graphobj|0|2||0");
        row("Delete: the section", {0, 0, 1}, "Del", "|1|1||1");
        row("Delete: the route, confirmed", {0, 0}, "Del", "|1|0|5|1");
        row("Delete: a group, nothing", {0, 1}, "Del", "|0|2||0");
        row("Delete in a cell editor: nothing", {0, 0}, "editor, Del", "|0|2||0");
    }

    void shortcuts()
    {
        QFETCH(QList<int>, row);
        QFETCH(QString, keys);
        QFETCH(QString, outcome);
        QTabWidget tabs; // the host's, holding the page it asks for
        tabs.addTab(new QWidget, "page");
        std::unique_ptr<QWidget> page(plugin->CreateWidget(nullptr, &tabs));
        page->show();
        QApplication::setActiveWindow(page.get());
        QVERIFY(QTest::qWaitForWindowActive(page.get()));
        PanelProbe::answerWhenAsked(plugin, QMessageBox::Yes);
        for (const QString &key : keys.split(", ")) {
            QTableView *table = plugin->panProperties()->propertyView();
            if (key == "edit" || key == "answer" || key == "refuse") {
                key == "edit" ? editGate() : answerAll(key == "refuse");
                continue;
            }
            panel->click(row);
            if (key == "editor")
                table->edit(table->model()->index(Name, 1));
            else if (!keys.startsWith("editor"))
                plugin->mainView()->setFocus();
            if (key != "editor")
                QTest::keySequence(QApplication::focusWidget(), QKeySequence(key));
        }
        QStringList deleted;
        for (int id : plugin->deletedRouteIds())
            deleted << QString::number(id);
        QCOMPARE(QStringList({sent(), QString::number(plugin->undoStack()->index()),
                              QString::number(panel->item({0, 0})->rowCount()), deleted.join(','),
                              QString::number(plugin->panProperties()->saveAction()->isEnabled())})
                     .join('|'), outcome);
    }

    // The real host closed with unsaved edits, by its Quit action or its close button: Save
    // sends them and closes once the server has them, Discard closes, Cancel stays. News that
    // the routes changed elsewhere reaches the panel through it.
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
        const auto count = [&server](const char *command) {
            return server.commands().count(command);
        };
        QTRY_COMPARE(count("Get_tree_graphobj"), 1);
        server.reply("Get_tree_rulecheck", tree());
        QTRY_COMPARE(host->model()->rowCount(), 1);
        if (answer == 0) { // once is enough: a fault here would wait out every row
            server.reply("Rule_tree_changed", {});
            QTRY_COMPARE(count("Get_tree_rulecheck"), 2);
        }

        host->setItemEditState(EditState::Changed, host->model()->item(0)->child(0));
        PanelProbe::answerWhenAsked(host, Answers[answer]);
        QAction *quit = nullptr;
        for (QAction *action : window.menuBar()->actions().first()->menu()->actions())
            quit = action->shortcut() == QKeySequence(QKeySequence::Quit) ? action : quit;
        QVERIFY(quit);
        quitAction ? quit->trigger() : void(window.close());
        QCOMPARE(window.isVisible(), answer != 1);
        QTRY_COMPARE(count("Fix_routes"), answer == 0 ? 1 : 0);
        server.reply("Fix_routes", {});
        QTRY_COMPARE(window.isVisible(), answer == 2);
        connection.stop();
        connection.forgetPlugin(host);
        delete host;
    }
};

QTEST_MAIN(tst_UnsavedEdits)
#include "tst_unsaved_edits.moc"
