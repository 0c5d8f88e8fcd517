// Random edit sequences through the panel's toolbar, property table and dialogs. The server's
// rule store applies every save; loading its tree back after a save, or after undoing every
// edit since, must give what the panel held.
#include "testsupport/EditingPanel.h"
#include "testsupport/PanelProbe.h"

#include "Database.h"
#include "RuleStore.h"

#include "calendar/Duration.h"
#include "routecheck/ScheduleEditors.h"

#include <QAction>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstring>
#include <random>

using namespace TreeBodies;

namespace {

constexpr quint32 SequenceCount = 500; // some 20 seconds in the sanitizer build

// The offscreen platform warns whenever a dialog is shown; nothing else is hidden.
QtMessageHandler previousHandler = nullptr;
void quietHandler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (!message.startsWith(QLatin1String("This plugin does not support ")))
        previousHandler(type, context, message);
}

// One random sequence over a fresh panel loaded from the store.
struct Sequence
{
    quint32 seed;
    RuleStore &store;
    std::mt19937 random{seed};
    EditingPanel panel{};
    OperativeCheck *plugin = panel.plugin.get();
    QStringList log{};

    int pick(int count) { return std::uniform_int_distribution<int>(0, count - 1)(random); }
    // A random row of the kinds named (r route, s section, p plain node), clicked.
    QStandardItem *clickSome(const char *kinds)
    {
        QList<QStandardItem *> found;
        for (QStandardItem *item :
             plugin->model()->findItems(QString(), Qt::MatchContains | Qt::MatchRecursive)) {
            if (strchr(kinds, itemSection(item) ? 's' : itemRoute(item) ? 'r' : 'p'))
                found << item;
        }
        QStandardItem *item = found.isEmpty() ? nullptr : found.at(pick(found.size()));
        if (item)
            panel.click(item->index());
        return item;
    }
    // Each route's saved form by its node; sections by id where undo may have moved them.
    QString routes(bool sectionsById) const
    {
        QMap<int, QByteArray> saved;
        for (const QStandardItem *item :
             plugin->model()->findItems(QString(), Qt::MatchContains | Qt::MatchRecursive)) {
            if (itemSection(item) || !itemRoute(item))
                continue;
            RouteRecord r(*itemRoute(item));
            if (sectionsById) {
                std::stable_sort(r.sections.begin(), r.sections.end(),
                                 [](auto a, auto b) { return a->id < b->id; });
            }
            QDataStream out(&saved[item->data(ItemRole::NodeId).toInt()], QIODevice::WriteOnly);
            RouteMessages::writeRoute(out, r);
        }
        QString text;
        for (auto it = saved.cbegin(); it != saved.cend(); ++it)
            text += QStringLiteral("\n%1: %2").arg(it.key()).arg(QString(it->toHex()));
        return text;
    }
    // Loads the store's tree; with compare, an error unless it gives back what the panel held.
    QString reload(bool compare = false, bool sectionsById = false)
    {
        bool ok = false;
        const QString held = compare ? routes(sectionsById) : QString();
        panel.reply("Get_tree_rulecheck", store.treeBody(&ok));
        if (!ok)
            return QStringLiteral("no tree from the store");
        if (!compare || routes(sectionsById) == held)
            return QString();
        return QStringLiteral("the panel held%1\nthe store gave back%2")
            .arg(held, routes(sectionsById));
    }
    // Presses "Save"; the store applies what is sent, and the panel gets its acknowledgement.
    QString save()
    {
        const int before = panel.host.requests.size();
        if (plugin->panProperties()->saveAction()->isEnabled())
            plugin->panProperties()->saveAction()->trigger();
        log << QStringLiteral("save (%1 sent)").arg(panel.host.requests.size() - before);
        if (panel.host.requests.size() == before)
            return QString();
        const SentRequest &sent = panel.host.requests.last();
        StoreError error;
        if (panel.host.requests.size() > before + 1 || sent.command != "Fix_routes"
            || !store.applyFixRoutes(sent.body, nullptr, &error))
            return "the store refuses " + sent.command + ' ' + error.reason + ' '
                   + sent.body.toHex();
        panel.reply("Fix_routes", QByteArray());
        return QString();
    }
    QString step();
};

// By weight: a toolbar button on a row of its kind, as far as the operator can press it; an
// edit of a route or section; a tick that shows or hides a route; undo, redo, undo
// everything, reload, save.
QString Sequence::step()
{
    static std::discrete_distribution<int> ops{3, 2, 4, 3, 1, 1, 10, 1, 5, 3, 1, 1, 3};
    const int op = ops(random);
    const RouteEditActions &actions = plugin->editActions();
    QUndoStack *undo = plugin->undoStack();
    if (op < 6) {
        QStandardItem *target = clickSome(QList<const char *>{"p", "r", "rs", "s", "r", "s"}[op]);
        QAction *action = QList<QAction *>{actions.addRoute(), actions.deleteRoute(),
                                           actions.addSection(), actions.deleteSection(),
                                           actions.selectObjects(),
                                           actions.selectGraphObjects()}[op];
        if (!target || !action->isVisible() || !action->isEnabled()
            || !plugin->panProperties()->isEnabled())
            return QString();
        log << action->text() + " on " + target->text();
        PanelProbe::answerMessageBox(QMessageBox::Yes); // should the action ask
        action->trigger();
        if (op < 4)
            return QString();
        QStandardItemModel *list = op == 4 ? panel.objectsList() : plugin->graphObjDialog().model();
        for (const char *name : {"Car 11", "Group", "Car 12", "Car 13", "Gate", "Yard", "Post"}) {
            QStandardItem *entry = list->findItems(name, Qt::MatchRecursive).value(0);
            if (entry && !pick(3)) {
                log << QStringLiteral("  toggled ") + name;
                entry->setCheckState(entry->checkState() ? Qt::Unchecked : Qt::Checked);
            }
        }
        op == 4 ? plugin->objectsDialog().accept() : plugin->graphObjDialog().accept();
    } else if (op == 6) {
        QStandardItem *target = clickSome("rs");
        const int row = target && itemSection(target) ? pick(Delay + 1) : 0;
        const QStringList &types = ScheduleEditors::instance().timeTypes;
        QString text; // null toggles a check box
        if (target && !itemSection(target))
            text = types.at(pick(types.size()));
        else if (row == Name)
            text = pick(8) ? QStringLiteral("S%1").arg(pick(100)) : QStringLiteral("");
        else if (row == Delay && !pick(4)) // only "Delay into" is typed without a mask
            text = QStringLiteral("90");
        else if (row == TimeIn || row == TimeOut || row == Delay)
            text = durationText(pick(48) * 1800);
        else if (row > Schedule)
            text = pick(6) ? QString::number(pick(600)) : QStringLiteral("-5");
        if (target && panel.edit(row, text))
            log << QStringLiteral("row %1 of %2 := %3").arg(row).arg(target->text(), text);
    } else if (op == 7) {
        if (QStandardItem *target = clickSome("rp")) {
            log << "tick " + target->text();
            target->setCheckState(target->checkState() ? Qt::Unchecked : Qt::Checked);
        }
    } else if (op == 8 || op == 9) {
        if (op == 8 ? undo->canUndo() : undo->canRedo()) {
            log << (op == 8 ? "undo " + undo->undoText() : "redo " + undo->redoText());
            op == 8 ? undo->undo() : undo->redo();
        }
    } else if (op == 10) {
        log << "undo all, reload";
        while (undo->canUndo())
            undo->undo();
        return reload(true, true);
    } else if (op == 11) {
        log << "reload";
        return reload();
    } else {
        return save();
    }
    return QString();
}

} // namespace

class tst_RouteFuzz : public QObject
{
    Q_OBJECT

private slots:
    void randomSequences();
};

void tst_RouteFuzz::randomSequences()
{
    QTemporaryDir dir;
    Database db;
    QString error;
    QVERIFY2(db.open(dir.filePath("rules.sqlite"), &error), qPrintable(error));
    QVERIFY(db.exec("PRAGMA synchronous = OFF")); // a scratch file: no need to wait for the disk
    RuleStore store(db);
    // Nodes 1 to 5 as the store numbers them; node 3 without the editing bit.
    QCOMPARE(store.addNode(0, "Region", 3, 0), 1);
    QCOMPARE(store.addNode(1, "North", 3, 0), 2);
    QCOMPARE(store.addNode(2, "Locked", 1, 0), 3);
    QCOMPARE(store.addNode(1, "South", 3, 1), 4);
    QCOMPARE(store.addNode(0, "East", 3, 1), 5);
    QSharedPointer<RouteRecord> north =
        route(2, {tuned(section(1, "A", {7}, 3600, 4200), true, false, {5, 6, 7, 8}),
                  section(2, "B")});
    north->objects = {11, 12};
    QSharedPointer<RouteRecord> east =
        route(5, {tuned(section(4, "C", {8}, 0, 600), false, true, {1, 2, 3, 4})});

    previousHandler = qInstallMessageHandler(quietHandler);
    for (quint32 seed = 1; seed <= SequenceCount; ++seed) {
        QVERIFY(db.exec("DELETE FROM routes") && store.storeRoute(*north)
                && store.storeRoute(*east));
        Sequence sequence{seed, store};
        QString failure = sequence.reload();
        sequence.panel.addCarsAndMarks();
        for (int steps = 1 + sequence.pick(30); steps > 0 && failure.isEmpty(); --steps)
            failure = sequence.step();
        if (failure.isEmpty() && (failure = sequence.save()).isEmpty())
            failure = sequence.reload(true);
        const QString report = QStringLiteral("seed %1: %2\nsteps:\n  %3")
                                   .arg(seed).arg(failure, sequence.log.join("\n  "));
        QVERIFY2(failure.isEmpty(), qPrintable(report));
    }
}

QTEST_MAIN(tst_RouteFuzz)
#include "tst_routefuzz.moc"
