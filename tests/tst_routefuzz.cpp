// Random edit sequences through the panel's own slots and property table, checked after
// every step against the panel's invariants and, after saves and reloads, against a
// reference server that applies each "Fix_routes" body as a real one would.
#include "testsupport/EditingPanel.h"

#include "calendar/Duration.h"
#include "routecheck/ScheduleEditors.h"

#include <QAction>
#include <QDebug>
#include <QTest>

#include <algorithm>
#include <cstring>
#include <optional>
#include <random>

using namespace TreeBodies;

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr int SequenceCount = 300;
#else
constexpr int SequenceCount = 1500;
#endif
constexpr int MaxSteps = 30;

// The reference server's routes, by the id of the node carrying each.
using RouteTable = QMap<int, QSharedPointer<RouteRecord>>;

RouteTable initialServer()
{
    QSharedPointer<RouteRecord> north =
        route(2, {tuned(section(1, "A", {7}, 3600, 4200), true, false, {5, 6, 7, 8}),
                  section(2, "B")});
    north->checkOn = 1;
    north->checkTimeType = 2;
    north->checkTime = 1000;
    north->fifthField = 77;
    north->objects = {11, 12};
    return {{2, north},
            {5, route(5, {tuned(section(4, "C", {8}, 0, 600), false, true, {1, 2, 3, 4})})}};
}

// The rule tree as the server sends it: nodes 1 to 5, node 3 without the editing bit.
QByteArray ruleTreeOf(const RouteTable &server)
{
    auto n = [&server](int id, const char *name, quint32 bits, QList<Node> children = {}) {
        return withRoute(node(id, name, bits, children), server.value(id));
    };
    return ruleTree({n(1, "Region", 3, {n(2, "North", 3, {n(3, "Locked", 1)}), n(4, "South", 3)}),
                     n(5, "East", 3)});
}

// Every saved field of the routes; sections by id on request.
template <typename Map>
QString describe(const Map &routes, bool sectionsById = false)
{
    QString text;
    {
        QDebug out(&text);
        for (auto it = routes.cbegin(); it != routes.cend(); ++it) {
            const RouteRecord &r = *it.value();
            out << "\nnode" << it.key() << "route" << r.id << r.checkOn << r.checkTimeType
                << r.checkTime << r.fifthField << r.objects;
            QList<const SectionRecord *> sections(r.sections.cbegin(), r.sections.cend());
            if (sectionsById) {
                std::stable_sort(sections.begin(), sections.end(),
                                 [](auto a, auto b) { return a->id < b->id; });
            }
            for (const SectionRecord *s : sections) {
                out << "\n  section" << s->id << s->name << s->graphObjectIds << s->checkTimeIn
                    << s->checkTimeOut << s->messageOnTimeIn << s->messageOnTimeOut
                    << s->checkTimeInAhead << s->checkTimeInBehind << s->checkTimeOutAhead
                    << s->checkTimeOutBehind;
            }
        }
    }
    return text;
}

// A failed check, and how the sequence got there.
struct Violation
{
    QString check;
    QString report;
};

// One random sequence over a fresh panel and server.
class Sequence
{
public:
    explicit Sequence(quint32 seed)
        : seed(seed), random(seed)
    {
        panel.reply("Get_tree_rulecheck", ruleTreeOf(server));
        panel.addCarsAndMarks();
    }

    std::optional<Violation> run()
    {
        for (stepNumber = 1; stepNumber <= steps; ++stepNumber) {
            std::optional<Violation> violation = step(pickOp());
            if (violation || (violation = checkInvariants()))
                return violation;
        }
        return std::nullopt;
    }

private:
    enum class Op {
        AddRoute, DelRoute, AddSect, DelSect, EditName, ToggleSchedule, EditTime,
        EditTolerance, ToggleMessage, EditTimeType, EditShown, SelectObjects, SelectGraphObjects,
        ToggleCheck, Undo, Redo, UndoAll, Reload, Save
    };

    int pick(int count) { return std::uniform_int_distribution<int>(0, count - 1)(random); }
    Op pickOp()
    {
        // Weights in the order of Op.
        static std::discrete_distribution<int> ops{3, 2, 4, 3, 2, 2, 2, 2, 1, 1,
                                                   1, 1, 1, 1, 5, 3, 1, 1, 3};
        return Op(ops(random));
    }
    // Every row of the tree, depth first.
    QList<QStandardItem *> items() const
    {
        return plugin->model()->findItems(QStringLiteral("*"),
                                        Qt::MatchWildcard | Qt::MatchRecursive);
    }
    // A random row of the kinds named: r route, s section, p plain node.
    QStandardItem *pickItem(const char *kinds)
    {
        QList<QStandardItem *> candidates;
        for (QStandardItem *item : items()) {
            if (strchr(kinds, itemSection(item) ? 's' : itemRoute(item) ? 'r' : 'p'))
                candidates << item;
        }
        return candidates.isEmpty() ? nullptr : candidates.at(pick(candidates.size()));
    }
    QString label(const QStandardItem *item) const
    {
        return QStringLiteral("'%1'%2").arg(item->text(), itemSection(item)
            ? QStringLiteral(" of '%1'").arg(item->parent()->text()) : QString());
    }
    // As the operator sees it: a toolbar button that is shown, enabled, on an enabled panel.
    bool usable(const QAction *action) const
    {
        return action->isVisible() && action->isEnabled() && plugin->panProperties()->isEnabled();
    }

    std::optional<Violation> step(Op op);
    std::optional<Violation> checkInvariants();
    std::optional<Violation> save();
    std::optional<Violation> compareWithServer(const QString &check, bool sectionsById);
    std::optional<Violation> fail(const QString &check, const QString &detail) const
    {
        return Violation{check, QStringLiteral("seed %1, step %2: %3\nsteps:\n  %4")
                                    .arg(seed).arg(stepNumber)
                                    .arg(detail, log.join(QStringLiteral("\n  ")))};
    }

    quint32 seed;
    std::mt19937 random;
    EditingPanel panel;
    OperativeCheck *plugin = panel.plugin.get();
    RouteTable server = initialServer();
    const int steps = 1 + pick(MaxSteps);
    QStringList log;
    int stepNumber = 0;
};

std::optional<Violation> Sequence::step(Op op)
{
    // The type editor offers a fixed list: no other text can be chosen.
    const QStringList &typeTexts = ScheduleEditors::instance().timeTypes;
    QUndoStack *undo = plugin->undoStack();
    switch (op) {
    case Op::AddRoute:
    case Op::DelRoute:
    case Op::AddSect:
    case Op::DelSect: {
        const char *kinds[] = {"p", "r", "rs", "s"}; // the rows each may act on
        const RouteEditActions &actions = plugin->editActions();
        QAction *action = QList<QAction *>{actions.addRoute(), actions.deleteRoute(),
                                           actions.addSection(), actions.deleteSection()}
                              .at(int(op));
        if (QStandardItem *target = pickItem(kinds[int(op)])) {
            panel.click(target->index());
            if (usable(action)) {
                log << action->text() + QStringLiteral(" on ") + label(target);
                action->trigger();
            }
        }
        return std::nullopt;
    }
    case Op::EditName:
    case Op::ToggleSchedule:
    case Op::EditTime:
    case Op::EditTolerance:
    case Op::ToggleMessage: {
        QStandardItem *target = pickItem("s");
        if (!target)
            return std::nullopt;
        panel.click(target->index());
        QString text; // null: a toggle
        int row = Name;
        if (op == Op::EditName) {
            text = pick(8) == 0 ? QStringLiteral("") : QStringLiteral("S%1").arg(pick(100));
        } else if (op == Op::EditTime) {
            // Only "Delay into" is typed without an input mask.
            row = QList<int>{TimeIn, TimeOut, Delay}.at(pick(3));
            text = row == Delay && pick(4) == 0 ? QStringLiteral("90")
                                                : durationText(pick(48) * 1800);
        } else if (op == Op::EditTolerance) {
            row = QList<int>{InAhead, InBehind, OutAhead, OutBehind}.at(pick(4));
            text = pick(6) == 0 ? QStringLiteral("-5") : QString::number(pick(600));
        } else {
            row = op == Op::ToggleSchedule ? int(Schedule) : pick(2) ? int(MsgIn) : int(MsgOut);
        }
        if (panel.edit(row, text)) {
            log << QStringLiteral("row %1 of %2 := %3")
                       .arg(row)
                       .arg(label(target), text.isNull() ? QStringLiteral("toggled") : text);
        }
        return std::nullopt;
    }
    case Op::EditTimeType:
    case Op::EditShown: {
        // EditShown edits the table on show, with no click on the tree first.
        QStandardItem *target = op == Op::EditShown
            ? plugin->model()->itemFromIndex(plugin->currentMainIndex())
            : pickItem("r");
        if (!target || !(itemSection(target) || itemRoute(target)))
            return std::nullopt;
        if (op == Op::EditTimeType)
            panel.click(target->index());
        const QString text = itemSection(target) ? QStringLiteral("T%1").arg(pick(100))
                                                 : typeTexts.at(pick(typeTexts.size()));
        if (panel.edit(0, text))
            log << QStringLiteral("row 0 of %1 := %2").arg(label(target), text);
        return std::nullopt;
    }
    case Op::SelectObjects:
    case Op::SelectGraphObjects: {
        const bool objects = op == Op::SelectObjects;
        QStandardItem *target = pickItem(objects ? "r" : "s");
        if (!target)
            return std::nullopt;
        panel.click(target->index());
        QAction *choose = objects ? plugin->editActions().selectObjects()
                                  : plugin->editActions().selectGraphObjects();
        if (!usable(choose))
            return std::nullopt;
        choose->trigger();
        QStandardItemModel *list = objects ? panel.objectsList() : plugin->graphObjDialog().model();
        QStringList ticked;
        for (const QString &name : objects ? QStringList{"Car 11", "Group", "Car 12", "Car 13"}
                                           : QStringList{"Gate", "Yard", "Post"}) {
            QStandardItem *entry =
                list->findItems(name, Qt::MatchExactly | Qt::MatchRecursive).value(0);
            if (entry && pick(3) == 0) {
                entry->setCheckState(entry->checkState() == Qt::Checked ? Qt::Unchecked
                                                                         : Qt::Checked);
                ticked << name;
            }
        }
        log << QStringLiteral("objects of %1, toggled [%2]").arg(label(target), ticked.join(','));
        objects ? plugin->objectsDialog().accept() : plugin->graphObjDialog().accept();
        return std::nullopt;
    }
    case Op::ToggleCheck: {
        QStandardItem *target = pickItem("rp");
        if (!target)
            return std::nullopt;
        const bool on = target->checkState() != Qt::Checked;
        log << QStringLiteral("check box of %1 := %2").arg(label(target)).arg(on);
        target->setCheckState(on ? Qt::Checked : Qt::Unchecked);
        return std::nullopt;
    }
    case Op::Undo:
    case Op::Redo:
        if (op == Op::Undo ? undo->canUndo() : undo->canRedo()) {
            log << (op == Op::Undo ? "undo " + undo->undoText() : "redo " + undo->redoText());
            op == Op::Undo ? undo->undo() : undo->redo();
        }
        return std::nullopt;
    case Op::UndoAll:
        log << QStringLiteral("undo all (%1 steps)").arg(undo->index());
        while (undo->canUndo())
            undo->undo();
        // A section brought back by undo comes back last, so order is not compared here.
        return compareWithServer("undoing everything restores the last saved tree", true);
    case Op::Reload:
        log << QStringLiteral("reload");
        panel.reply("Get_tree_rulecheck", ruleTreeOf(server));
        return compareWithServer("tree matches the server after a reload", false);
    case Op::Save:
        return save();
    }
    return std::nullopt;
}

// Applies the body a save sends as the server does: a new route under its node's id
// (lead), a changed one (lead 0) over the route with its id, then the deletes.
std::optional<Violation> Sequence::save()
{
    const int before = panel.host.requests.size();
    plugin->onSaveClicked();
    const int sent = panel.host.requests.size() - before;
    log << QStringLiteral("save (%1 request)").arg(sent);
    const QString check = QStringLiteral("save bodies are well formed");
    if (sent > 1)
        return fail(check, QStringLiteral("%1 requests for one save").arg(sent));
    if (sent == 1) {
        const SentRequest &request = panel.host.requests.last();
        if (request.command != "Fix_routes")
            return fail(check, QStringLiteral("command ") + request.command);
        QDataStream in(request.body);
        in.setVersion(QDataStream::Qt_4_5);
        qint32 lead = 0;
        for (in >> lead; lead != -1 && in.status() == QDataStream::Ok; in >> lead) {
            QSharedPointer<RouteRecord> route(RouteMessages::readRoute(in));
            int nodeId = 0;
            if (lead >= 1 && lead <= 5 && route->id == lead)
                nodeId = lead;
            for (auto it = server.cbegin(); lead == 0 && it != server.cend(); ++it) {
                if (it.value()->id == route->id)
                    nodeId = it.key();
            }
            if (!nodeId)
                return fail(check, QStringLiteral("route %1 under lead %2")
                                       .arg(route->id).arg(lead));
            server.insert(nodeId, route);
        }
        QSet<int> deleted;
        in >> deleted;
        if (in.status() != QDataStream::Ok || !in.atEnd())
            return fail(check, QStringLiteral("unreadable body ") + request.body.toHex());
        for (auto it = server.begin(); it != server.end();)
            it = deleted.contains(it.value()->id) ? server.erase(it) : std::next(it);
        panel.reply("Fix_routes", QByteArray());
    }
    return compareWithServer("server matches the tree after a save", false);
}

std::optional<Violation> Sequence::compareWithServer(const QString &check, bool sectionsById)
{
    QMap<int, const RouteRecord *> tree;
    for (const QStandardItem *item : items()) {
        if (const RouteRecord *route = itemSection(item) ? nullptr : itemRoute(item))
            tree.insert(item->data(ItemRole::NodeId).toInt(), route);
    }
    const QString shown = describe(tree, sectionsById);
    const QString saved = describe(server, sectionsById);
    if (shown == saved)
        return std::nullopt;
    return fail(check, QStringLiteral("tree:\n%1\nserver:\n%2").arg(shown, saved));
}

std::optional<Violation> Sequence::checkInvariants()
{
    const QString sectionItems = QStringLiteral("section items match their route's list");
    for (const QStandardItem *item : items()) {
        const QStandardItem *container = item->parent() ? item->parent()
                                                        : plugin->model()->invisibleRootItem();
        const bool modeCell = container->child(item->row(), 1);
        if (itemSection(item)) {
            if (!itemRoute(item->parent()) || itemRoute(item) || item->isCheckable() || modeCell)
                return fail(sectionItems, label(item) + QStringLiteral(" misplaced"));
            continue;
        }
        // The cell's text follows the server's replies only, so an edited type may leave it stale.
        const RouteRecord *route = itemRoute(item);
        if (modeCell != bool(route))
            return fail(QStringLiteral("check-mode cells on route rows only"), label(item));
        if (!route)
            continue;
        QList<SectionRecord *> shown;
        for (int row = 0; row < item->rowCount(); ++row) {
            SectionRecord *s = itemSection(item->child(row));
            if (s && item->child(row)->text() != s->name)
                return fail(sectionItems, label(item->child(row)) + " shows " + s->name);
            if (s)
                shown << s;
            else if (!shown.isEmpty())
                return fail(sectionItems, QStringLiteral("child node after a section"));
        }
        if (shown != route->sections)
            return fail(sectionItems, label(item) + QStringLiteral(" lists other sections"));
        QSet<int> ids;
        for (const SectionRecord *s : route->sections) {
            if (s->id > route->maxSectionId || ids.contains(s->id)) {
                return fail(QStringLiteral("section ids unique and within maxSectionId"),
                            QStringLiteral("%1: id %2, max %3")
                                .arg(label(item)).arg(s->id).arg(route->maxSectionId));
            }
            ids.insert(s->id);
        }
    }

    const QStandardItem *shown = plugin->model()->itemFromIndex(plugin->currentMainIndex());
    if (!shown)
        return std::nullopt;
    const QStandardItemModel *table = plugin->panProperties()->propertyModel();
    auto checked = [this](int row) { return panel.cell(row)->checkState() == Qt::Checked; };
    QString seen = QString::number(table->rowCount());
    if (table->rowCount() == 11) {
        seen += QStringLiteral(" '%1' %2%3%4").arg(panel.cell(Name)->text()).arg(checked(MsgIn))
                    .arg(checked(MsgOut)).arg(checked(Schedule));
    } else if (table->rowCount() == 2) {
        seen += QStringLiteral(" ") + panel.cell(0)->text();
    }
    QString expected = QStringLiteral("0");
    if (const SectionRecord *s = itemSection(shown)) {
        expected = QStringLiteral("11 '%1' %2%3%4").arg(s->name).arg(s->messageOnTimeIn)
                       .arg(s->messageOnTimeOut).arg(s->checkScheduleOn);
    } else if (const RouteRecord *route = itemRoute(shown)) {
        expected = QStringLiteral("2 ")
            + ScheduleEditors::instance().timeTypes.value(route->checkTimeType);
    }
    if (seen == expected)
        return std::nullopt;
    // The view's current row may move without its properties being shown (a check-box tick).
    const QModelIndex viewCurrent = plugin->mainView()->currentIndex();
    return fail(viewCurrent.sibling(viewCurrent.row(), 0) == plugin->currentMainIndex()
                    ? QStringLiteral("property table shows the current row")
                    : QStringLiteral("an edit of the table on show changes the row on show"),
                QStringLiteral("%1 shown as %2, record %3").arg(label(shown), seen, expected));
}

// The offscreen platform warns whenever a dialog is shown or raised; nothing else is hidden.
QtMessageHandler previousHandler = nullptr;
void quietHandler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (!message.startsWith(QLatin1String("This plugin does not support ")))
        previousHandler(type, context, message);
}

} // namespace

class tst_RouteFuzz : public QObject
{
    Q_OBJECT

private slots:
    void randomSequences();
};

// Every check failed by some sequence is reported, with its first failing sequence's steps.
void tst_RouteFuzz::randomSequences()
{
    previousHandler = qInstallMessageHandler(quietHandler);
    QMap<QString, int> counts;
    QMap<QString, QString> first;
    for (quint32 seed = 1; seed <= SequenceCount; ++seed) {
        if (std::optional<Violation> violation = Sequence(seed).run()) {
            counts[violation->check] += 1;
            if (!first.contains(violation->check))
                first.insert(violation->check, violation->report);
        }
    }
    qInstallMessageHandler(previousHandler);
    QStringList report;
    for (auto it = first.cbegin(); it != first.cend(); ++it) {
        report << QStringLiteral("%1: %2 of %3 sequences; first: %4")
                      .arg(it.key()).arg(counts.value(it.key())).arg(SequenceCount).arg(*it);
    }
    QVERIFY2(report.isEmpty(), qPrintable(report.join('\n')));
}

QTEST_MAIN(tst_RouteFuzz)
#include "tst_routefuzz.moc"
