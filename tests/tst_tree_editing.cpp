// Rule nodes made and renamed from the panel: the requests, the tree after the
// server's answers, undo and redo, refusals, a save held for the ids. The
// chain against a real server is in tst_e2e_routecheck.
#include "testsupport/EditingPanel.h"
#include "testsupport/PanelText.h"

#include "wire/RequestFailure.h"
#include "wire/RouteMessages.h"

#include <QAction>
#include <QInputDialog>
#include <QLabel>
#include <QTableView>
#include <QtTest>

using namespace TreeBodies;

namespace {

enum Action { Group, Route, Rename };

// Big-endian, as the server reads them: an int32, then a QString as byte length and UTF-16.
QByteArray int32(quint32 n)
{
    QByteArray bytes;
    QDataStream(&bytes, QIODevice::WriteOnly) << n; // big-endian
    return bytes;
}
QString request(const char *command, qint32 id, const QString &text)
{
    QByteArray body = int32(quint32(id)) + int32(quint32(text.size() * 2));
    for (const QChar c : text)
        body += char(c.unicode() >> 8), body += char(c.unicode());
    return QString(command) + ' ' + body.toHex();
}

} // namespace

Q_DECLARE_METATYPE(Action)

class tst_TreeEditing : public QObject
{
    Q_OBJECT

    std::unique_ptr<EditingPanel> panel;
    OperativeCheck *plugin = nullptr;
    int seen = 0; // requests already read

    // The action with name typed into its dialog (null: cancelled); the dialog's text as shown.
    QString act(OperativeCheck *on, Action action, const QString &name)
    {
        QString shown = "no dialog";
        QTimer answer; // gone with the call when no dialog opens
        answer.setSingleShot(true);
        connect(&answer, &QTimer::timeout, on, [&] {
            auto *dialog = qobject_cast<QInputDialog *>(QApplication::activeModalWidget());
            if (!dialog || dialog->parentWidget() != on->mainView())
                return;
            shown = dialog->textValue();
            dialog->setTextValue(name);
            name.isNull() ? dialog->reject() : dialog->accept();
        });
        answer.start(0);
        const RouteEditActions &a = on->editActions();
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
        panel->reply("Get_tree_rulecheck",
                     ruleTree({node(1, "Depot", 3, nodes),
                               withRoute(node(40, "Archive", 1), route(40))}));
    }
    void cleanup() { panel.reset(); }

    void edits_data()
    {
        QTest::addColumn<Action>("action");
        QTest::addColumn<QList<int>>("current"); // empty: no row
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("dialog");     // its text as it opened
        QTest::addColumn<QString>("request");    // empty: none
        QTest::addColumn<QList<int>>("path");    // of the row made or renamed
        QTest::addColumn<QString>("after");      // the row once answered, id 77
        using P = QList<int>;
        QTest::newRow("group under a group")
            << Group << P{0, 0} << "North" << "" << request("Add_rule_node", 17, "North")
            << P{0, 0, 0} << "North #77 bits 3 box -";
        QTest::newRow("group under a group below a route: before its sections")
            << Group << P{0, 1, 0} << "Ш" << "" << request("Add_rule_node", 6, "Ш")
            << P{0, 1, 0, 0} << "Ш #77 bits 3 box -";
        QTest::newRow("route beside a route, last of the nodes, current")
            << Route << P{0, 1} << "Harbour" << "" << request("Add_rule_node", 1, "Harbour")
            << P{0, 3} << "Harbour #77 bits 3 box route -77/2 current";
        QTest::newRow("route beside a section")
            << Route << P{0, 1, 2} << "Quay" << "" << request("Add_rule_node", 1, "Quay")
            << P{0, 3} << "Quay #77 bits 3 box route -77/2 current";
        QTest::newRow("group at the top, no row current: shown and editable")
            << Group << P{} << "Night" << "" << request("Add_rule_node", 0, "Night") << P{2}
            << "Night #77 bits 3 box -";
        QTest::newRow("rename a route's node") << Rename << P{0, 1} << "Beat 2" << "Beat"
            << request("Rename_rule_node", 5, "Beat 2") << P{0, 1}
            << "Beat 2 #5 bits 3 box route 5/0 current";
        QTest::newRow("blank name") << Group << P{0, 0} << "  " << "" << "" << P{} << "";
        QTest::newRow("cancelled") << Route << P{0, 0} << QString() << "" << "" << P{} << "";
        QTest::newRow("same name") << Rename << P{0, 0} << "Spare" << "Spare" << "" << P{} << "";
        QTest::newRow("under a read-only group: off")
            << Group << P{0, 2} << "X" << "no dialog" << "" << P{} << "";
        QTest::newRow("beside a read-only route at the top: allowed")
            << Route << P{1} << "Y" << "" << request("Add_rule_node", 0, "Y") << P{2}
            << "Y #77 bits 3 box route -77/2 current";
        QTest::newRow("rename a section: off")
            << Rename << P{0, 1, 1} << "X" << "no dialog" << "" << P{} << "";
    }

    // Each request as laid out on the wire; the row as the answer leaves it;
    // undo deletes or renames back, redo asks again; one step each.
    void edits()
    {
        QFETCH(Action, action);
        QFETCH(QList<int>, current);
        QFETCH(QString, name);
        QFETCH(QString, dialog);
        QFETCH(QString, request);
        QFETCH(QList<int>, path);
        QFETCH(QString, after);

        panel->click(current);
        const QString before = tree();
        QCOMPARE(act(plugin, action, name), dialog);
        QCOMPARE(sent(), request.isEmpty() ? QStringList() : QStringList(request));
        QCOMPARE(plugin->undoStack()->count(), int(!request.isEmpty()));
        if (request.isEmpty()) {
            QCOMPARE(tree(), before);
            return;
        }
        const bool add = action != Rename;
        QVERIFY(rowText(path).startsWith(name + (add ? " #0 " : " #5 "))); // before any answer
        panel->reply(request.section(' ', 0, 0).toLatin1(),
                     add ? int32(77) : QByteArray::fromHex(request.section(' ', 1).toLatin1()));
        QCOMPARE(rowText(path), after);

        plugin->undoStack()->undo();
        QCOMPARE(tree(), before);
        QCOMPARE(sent(), QStringList(add ? QString("Delete_rule_node 0000004d")
                                         : ::request("Rename_rule_node", 5, "Beat")));
        plugin->undoStack()->redo();
        QCOMPARE(sent(), QStringList(request));
        if (add)
            panel->reply("Add_rule_node", int32(78));
        QCOMPARE(rowText(path), QString(after).replace("77", "78"));
        QCOMPARE(plugin->undoStack()->count(), 1);
    }

    // A refusal in the reply's place: the add's row and step go, a rename's old name is back.
    void refused_data()
    {
        QTest::addColumn<Action>("action");
        QTest::addColumn<bool>("undoneFirst"); // before the answer
        QTest::newRow("group") << Group << false;
        QTest::newRow("route: its route goes too") << Route << false;
        QTest::newRow("rename") << Rename << false;
        QTest::newRow("route undone first: nothing to delete") << Route << true;
    }

    void refused()
    {
        QFETCH(Action, action);
        QFETCH(bool, undoneFirst);
        panel->click({0, 1});
        const QString before = tree();
        act(plugin, action, "Ferry");
        if (undoneFirst)
            plugin->undoStack()->undo();
        const QByteArray command = action == Rename ? "Rename_rule_node" : "Add_rule_node";
        panel->reply("Request_failed", RequestFailure{command, RequestFailure::Refused, "no"}.body());
        QCOMPARE(tree(), before);
        QCOMPARE(plugin->currentMainIndex(), panel->item({0, 1})->index());
        QCOMPARE(sent().size(), 1);
        QCOMPARE(plugin->undoStack()->count(), action == Rename ? 1 : int(undoneFirst));
    }

    // A save waits while an add waits for its id; later adds go out with the ids
    // they name, once known; a refused add is left out of the save.
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
        act(plugin, Group, "G");
        panel->click({2});
        act(plugin, Route, "R");
        plugin->onSaveClicked();
        QCOMPARE(sent(), QStringList(request("Add_rule_node", 0, "G")));
        panel->reply("Add_rule_node", int32(77));
        QCOMPARE(sent(), QStringList(request("Add_rule_node", 77, "R")));
        if (answered)
            panel->reply("Add_rule_node", int32(78));
        else
            panel->reply("Request_failed",
                         RequestFailure{"Add_rule_node", RequestFailure::Refused, "no"}.body());
        const QStringList saved = sent();
        QCOMPARE(saved.size(), 1);
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
