// Rule nodes made and renamed from the panel: the requests, the tree after the
// server's answers, undo and redo, refusals, a save held for the ids. The
// chain against a real server is in tst_e2e_routecheck.
#include "testsupport/EditingPanel.h"
#include "testsupport/PanelProbe.h"
#include "testsupport/PanelText.h"

#include "wire/RequestFailure.h"
#include "wire/RouteMessages.h"

#include <QAction>
#include <QInputDialog>
#include <QLabel>
#include <QMenu>
#include <QTableView>
#include <QtTest>

using namespace TreeBodies;

namespace {

enum Action { Group, Route, Rename };

// The action on the row current (empty: none) with a name typed (null: cancelled); what its
// dialog showed first ("-": none opened); the id the request names (-1: none is sent);
// the row made or renamed, as the answer (id 77) leaves it.
struct Edit { Action action; QList<int> current; QString name, dialog; int id; QList<int> path;
              QString after; };

// Big-endian, as the server reads them: an int32, a QString as byte length and UTF-16.
QByteArray int32(quint32 n)
{
    QByteArray bytes;
    QDataStream(&bytes, QIODevice::WriteOnly) << n;
    return bytes;
}
QString request(Action action, qint32 id, const QString &text)
{
    QByteArray body = int32(quint32(id)) + int32(quint32(text.size() * 2));
    for (const QChar c : text)
        body += char(c.unicode() >> 8), body += char(c.unicode());
    return (action == Rename ? "Rename_rule_node " : "Add_rule_node ") + body.toHex();
}
QByteArray refusal(Action action)
{
    return RequestFailure{action == Rename ? "Rename_rule_node" : "Add_rule_node",
                          RequestFailure::Refused, "no"}.body();
}

} // namespace

Q_DECLARE_METATYPE(Action)
Q_DECLARE_METATYPE(Edit)

class tst_TreeEditing : public QObject
{
    Q_OBJECT

    std::unique_ptr<EditingPanel> panel;
    OperativeCheck *plugin = nullptr;
    int seen = 0; // requests already read

    QString act(Action action, const QString &name)
    {
        QString shown = "-";
        QTimer answer; // gone with the call when no dialog opens
        connect(&answer, &QTimer::timeout, plugin, [&] {
            auto *dialog = qobject_cast<QInputDialog *>(QApplication::activeModalWidget());
            if (!dialog || dialog->parentWidget() != plugin->mainView())
                return;
            shown = dialog->textValue();
            dialog->setTextValue(name);
            name.isNull() ? dialog->reject() : dialog->accept();
        });
        answer.start(0);
        const RouteEditActions &a = plugin->editActions();
        (action == Group ? a.newGroup() : action == Route ? a.newRoute() : a.renameNode())
            ->trigger();
        return shown;
    }
    // The requests sent since the last call, "command body-in-hex" each.
    QStringList sent()
    {
        QStringList texts;
        for (; seen < panel->host.requests.size(); ++seen)
            texts << panel->host.requests[seen].command + ' '
                    + panel->host.requests[seen].body.toHex();
        return texts;
    }
    QString rowText(const QList<int> &path)
    {
        const QStandardItem *row = panel->item(path);
        const RouteRecord *route = itemRoute(row);
        return !row ? "none" : QStringLiteral("%1 #%2 bits %3 %4 %5%6").arg(row->text())
            .arg(row->data(ItemRole::NodeId).toInt()).arg(row->data(ItemRole::TypeMask).toUInt())
            .arg(row->isCheckable() && !row->checkState() ? "box" : "-")
            .arg(route ? QStringLiteral("route %1/%2").arg(route->id).arg(itemEditState(row))
                       : "-")
            .arg(plugin->currentMainIndex() == row->index() ? " current" : "");
    }
    QString tree() const { return PanelText::tree(plugin->model(), ItemRole::NodeId); }

private slots:
    void init()
    {
        panel = std::make_unique<EditingPanel>();
        plugin = panel->plugin.get();
        seen = 0;
        const QList<Node> nodes{node(17, "Spare", 3),
                                withRoute(node(5, "Beat", 3, {node(6, "Sub", 3)}),
                                          route(5, {section(1, "Gate"), section(2, "Yard")})),
                                node(30, "Locked", 1)};
        const Node archive = withRoute(node(40, "Archive", 1), route(40));
        panel->reply("Get_tree_rulecheck", ruleTree({node(1, "Depot", 3, nodes), archive}));
    }
    void cleanup() { panel.reset(); }

    void edits_data()
    {
        QTest::addColumn<Edit>("e");
        const QString group = " #77 bits 3 box -", route = " #77 bits 3 box route -77/2 current";
        const auto row = [](const char *name, const Edit &edit) { QTest::newRow(name) << edit; };
        row("group under a group", {Group, {0, 0}, "North", "", 17, {0, 0, 0}, "North" + group});
        row("group under a group below a route: before its sections",
            {Group, {0, 1, 0}, "Ш", "", 6, {0, 1, 0, 0}, "Ш" + group});
        row("route beside a route, last of the nodes, current",
            {Route, {0, 1}, "Harbour", "", 1, {0, 3}, "Harbour" + route});
        row("route beside a section", {Route, {0, 1, 2}, "Quay", "", 1, {0, 3}, "Quay" + route});
        row("group at the top, no row current", {Group, {}, "Night", "", 0, {2}, "Night" + group});
        row("beside a read-only route at the top", {Route, {1}, "Y", "", 0, {2}, "Y" + route});
        row("rename a route's node, the dialog showing its name", {Rename, {0, 1}, "Beat 2",
            "Beat", 5, {0, 1}, "Beat 2 #5 bits 3 box route 5/0 current"});
        row("blank name", {Group, {0, 0}, "  ", "", -1, {}, ""});
        row("cancelled", {Route, {0, 0}, QString(), "", -1, {}, ""});
        row("same name", {Rename, {0, 0}, "Spare", "Spare", -1, {}, ""});
        row("under a read-only group: off", {Group, {0, 2}, "X", "-", -1, {}, ""});
        row("rename a section: off", {Rename, {0, 1, 1}, "X", "-", -1, {}, ""});
    }

    // Each request as laid out on the wire; the row as the answer leaves it;
    // undo deletes or renames back, redo asks again; one step each.
    void edits()
    {
        QFETCH(Edit, e);
        panel->click(e.current);
        const QString before = tree();
        QCOMPARE(act(e.action, e.name), e.dialog);
        const QString asked = e.id < 0 ? QString() : request(e.action, e.id, e.name);
        QCOMPARE(sent(), asked.isEmpty() ? QStringList() : QStringList(asked));
        QCOMPARE(plugin->undoStack()->count(), int(e.id >= 0));
        if (e.id < 0) {
            QCOMPARE(tree(), before);
            return;
        }
        const bool add = e.action != Rename;
        QVERIFY(rowText(e.path).startsWith(e.name + (add ? " #0 " : " #5 "))); // before answers
        panel->reply(asked.section(' ', 0, 0).toLatin1(),
                     add ? int32(77) : QByteArray::fromHex(asked.section(' ', 1).toLatin1()));
        QCOMPARE(rowText(e.path), e.after);

        plugin->undoStack()->undo();
        QCOMPARE(tree(), before);
        QCOMPARE(sent(), QStringList(add ? "Delete_rule_node 0000004d"
                                         : request(Rename, 5, "Beat")));
        plugin->undoStack()->redo();
        QCOMPARE(sent(), QStringList(asked));
        if (add)
            panel->reply("Add_rule_node", int32(78));
        QCOMPARE(rowText(e.path), QString(e.after).replace("77", "78"));
        QCOMPARE(plugin->undoStack()->count(), 1);
    }

    // A refusal in the reply's place: an add's row and step go, a rename's old name is
    // back. An add undone before its answer is deleted once its id comes.
    void answers_data()
    {
        QTest::addColumn<Action>("action");
        QTest::addColumn<bool>("undoneFirst");
        QTest::addColumn<bool>("refused");
        QTest::addColumn<QString>("then"); // sent after the answer
        QTest::newRow("group refused") << Group << false << true << "";
        QTest::newRow("route refused: its route goes too") << Route << false << true << "";
        QTest::newRow("rename refused") << Rename << false << true << "";
        QTest::newRow("route undone, refused: nothing to delete") << Route << true << true << "";
        QTest::newRow("group undone, answered: deleted")
            << Group << true << false << "Delete_rule_node 0000004d";
    }

    void answers()
    {
        QFETCH(Action, action);
        QFETCH(bool, undoneFirst);
        QFETCH(bool, refused);
        QFETCH(QString, then);
        panel->click({0, 1});
        const QString before = tree();
        act(action, "Ferry");
        if (undoneFirst)
            plugin->undoStack()->undo();
        QCOMPARE(sent().size(), 1);
        panel->reply(refused ? "Request_failed" : "Add_rule_node",
                     refused ? refusal(action) : int32(77));
        QCOMPARE(tree(), before);
        QCOMPARE(plugin->currentMainIndex(), panel->item({0, 1})->index());
        QCOMPARE(sent(), then.isEmpty() ? QStringList() : QStringList(then));
        QCOMPARE(plugin->undoStack()->count(), action == Rename || undoneFirst ? 1 : 0);
    }

    // A save waits while an add waits for its id; later adds go out with the ids
    // they name, once known; a refused add is left out of the save. Checking
    // switched meanwhile follows the save it asked for.
    void heldSave_data()
    {
        QTest::addColumn<bool>("answered");
        QTest::newRow("answered") << true;
        QTest::newRow("refused") << false;
    }

    void heldSave()
    {
        QFETCH(bool, answered);
        panel->click({0, 0});
        plugin->onAddRouteClicked();
        panel->click(QModelIndex());
        act(Group, "G");
        panel->click({2});
        act(Route, "R");
        panel->click({0, 0});
        PanelProbe::answerWhenAsked(plugin, QMessageBox::Save);
        for (QAction *action : plugin->contextMenu()->actions()) {
            if (action->text() == "Set check on")
                action->trigger();
        }
        QCOMPARE(sent(), QStringList(request(Group, 0, "G")));
        panel->reply("Add_rule_node", int32(77));
        QCOMPARE(sent(), QStringList(request(Route, 77, "R")));
        panel->reply(answered ? "Add_rule_node" : "Request_failed",
                     answered ? int32(78) : refusal(Route));
        const QStringList saved = sent();
        QCOMPARE(saved.size(), 2);
        QCOMPARE(saved[1].section(' ', 0, 0), QString("Set_check_mode"));
        QDataStream in(QByteArray::fromHex(saved[0].section(' ', 1).toLatin1()));
        in.setVersion(QDataStream::Qt_4_5);
        QList<int> leads; // the nodes of the new routes
        qint32 lead = 0;
        for (in >> lead; lead != -1 && in.status() == QDataStream::Ok; in >> lead)
            leads << lead, std::unique_ptr<RouteRecord>(RouteMessages::readRoute(in));
        QCOMPARE(saved[0].section(' ', 0, 0), QString("Fix_routes"));
        QCOMPARE(leads, answered ? QList<int>({17, 78}) : QList<int>({17}));
    }

    // A row its bits keep from editing says so; the property panel explains instead of a table.
    void readOnly()
    {
        const QModelIndex locked = panel->item({0, 2})->index();
        const QString note = "Read-only: set by the server's administrators";
        QCOMPARE(locked.data(Qt::ToolTipRole).toString(), note);
        QCOMPARE(panel->item({1})->index().data(Qt::ToolTipRole).toString(), note);
        QCOMPARE(panel->item({0, 1})->index().data(Qt::ToolTipRole), QVariant());
        PanProperties *properties = plugin->panProperties();
        for (const QModelIndex &row : {locked, panel->item({0, 0})->index()}) {
            panel->click(row);
            const bool off = row == locked;
            QCOMPARE(properties->lockedNotice()->isHidden(), !off);
            QCOMPARE(properties->propertyView()->isHidden(), off);
            QCOMPARE(plugin->editActions().renameNode()->isEnabled(), !off);
        }
        QVERIFY(properties->lockedNotice()->text().contains("read-only"));
    }
};

QTEST_MAIN(tst_TreeEditing)
#include "tst_tree_editing.moc"
