// Random edit sequences through the panel's own slots and property table, checked after
// every step against the panel's invariants and, after saves and reloads, against a
// reference server that applies each "Fix_routes" body as a real one would.
#include "support/FakeHost.h"
#include "support/PanelDriver.h"
#include "support/TreeBodies.h"

#include "panel/PanProperties.h"
#include "routecheck/ItemRoles.h"
#include "routecheck/Schedule.h"
#include "routecheck/ScheduleEditors.h"
#include "shell/OperativeCheck.h"

#include <TreeObjCheckable.h>

#include <QAction>
#include <QStandardItemModel>
#include <QTest>
#include <QTreeView>
#include <QUndoStack>

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <random>

using namespace TreeBodies;

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr int SequenceCount = 500;
#else
constexpr int SequenceCount = 3000;
#endif
constexpr int MaxSteps = 30;
constexpr quint32 FirstSeed = 1;

enum Row { Name, MsgIn, MsgOut, Schedule, TimeIn, InAhead, InBehind, TimeOut, OutAhead,
           OutBehind, Delay };

// What each check guards; a sequence ends at its first failed check.
enum class Check {
    SectionItems,
    ModeCells,
    MaxSectionId,
    PropertyTable,
    EditAfterTick,
    SaveBody,
    StaleDelete,
    DeleteOfRecreated,
    SectionOrder,
    ServerAfterSave,
    TreeAfterReload,
    UndoAll,
};

// The fixed rule nodes: id, name, parent (0 for top level), type bits.
struct NodeDef
{
    int id;
    const char *name;
    int parent;
    quint32 bits;
};
const NodeDef Nodes[] = {
    {1, "Region", 0, 3}, {2, "North", 1, 3}, {3, "Locked", 2, 1}, {4, "South", 1, 3},
    {5, "East", 0, 3},
};

struct SectionValues
{
    int id = 0;
    QString name;
    QList<int> graphObjectIds;
    int timeIn = -1;
    int timeOut = -1;
    bool msgIn = true;
    bool msgOut = true;
    QList<int> tolerances{0, 0, 0, 0};

    QString text() const
    {
        QStringList ids;
        for (int id : graphObjectIds)
            ids << QString::number(id);
        QStringList tol;
        for (int t : tolerances)
            tol << QString::number(t);
        return QStringLiteral("%1 '%2' [%3] %4/%5 %6%7 (%8)")
            .arg(id)
            .arg(name, ids.join(','))
            .arg(timeIn)
            .arg(timeOut)
            .arg(msgIn)
            .arg(msgOut)
            .arg(tol.join(','));
    }
};

struct RouteValues
{
    int id = 0;
    int checkOn = 0;
    int checkTimeType = 1;
    uint checkTime = 0;
    int fifthField = 0;
    QList<int> objects;
    QList<SectionValues> sections;

    QString text(bool sectionsById = false) const
    {
        QList<SectionValues> ordered = sections;
        if (sectionsById) {
            std::stable_sort(ordered.begin(), ordered.end(),
                             [](const SectionValues &a, const SectionValues &b) {
                                 return a.id < b.id;
                             });
        }
        QStringList objectIds;
        for (int id : objects)
            objectIds << QString::number(id);
        QStringList lines{QStringLiteral("route %1 on %2 type %3 time %4 fifth %5 objects [%6]")
                              .arg(id)
                              .arg(checkOn)
                              .arg(checkTimeType)
                              .arg(checkTime)
                              .arg(fifthField)
                              .arg(objectIds.join(','))};
        for (const SectionValues &s : ordered)
            lines << QStringLiteral("  section ") + s.text();
        return lines.join('\n');
    }
};

// Node id to the route the node carries.
using RouteTable = QMap<int, RouteValues>;

QString describe(const RouteTable &routes, bool sectionsById = false)
{
    QStringList lines;
    for (auto it = routes.cbegin(); it != routes.cend(); ++it)
        lines << QStringLiteral("node %1: ").arg(it.key()) + it.value().text(sectionsById);
    return lines.join('\n');
}

RouteTable initialServer()
{
    RouteValues north;
    north.id = 2;
    north.checkOn = 1;
    north.checkTimeType = 2;
    north.checkTime = 1000;
    north.fifthField = 77;
    north.objects = {11, 12};
    SectionValues a;
    a.id = 1;
    a.name = QStringLiteral("A");
    a.graphObjectIds = {7};
    a.timeIn = 3600;
    a.timeOut = 4200;
    a.msgOut = false;
    a.tolerances = {5, 6, 7, 8};
    SectionValues b;
    b.id = 2;
    b.name = QStringLiteral("B");
    north.sections = {a, b};

    RouteValues east;
    east.id = 5;
    SectionValues c;
    c.id = 4;
    c.name = QStringLiteral("C");
    c.graphObjectIds = {8};
    c.timeIn = 0;
    c.timeOut = 600;
    c.msgIn = false;
    c.tolerances = {1, 2, 3, 4};
    east.sections = {c};
    return {{2, north}, {5, east}};
}

QSharedPointer<RouteRecord> toRecord(const RouteValues &values)
{
    QSharedPointer<RouteRecord> route(new RouteRecord(values.id));
    route->checkOn = values.checkOn;
    route->checkTimeType = values.checkTimeType;
    route->checkTime = values.checkTime;
    route->fifthField = values.fifthField;
    route->objects = values.objects;
    for (const SectionValues &v : values.sections) {
        SectionRecord *s = section(v.id, v.name, v.graphObjectIds, v.timeIn, v.timeOut);
        s->messageOnTimeIn = v.msgIn;
        s->messageOnTimeOut = v.msgOut;
        s->checkTimeInAhead = v.tolerances.at(0);
        s->checkTimeInBehind = v.tolerances.at(1);
        s->checkTimeOutAhead = v.tolerances.at(2);
        s->checkTimeOutBehind = v.tolerances.at(3);
        route->sections.append(s);
    }
    route->recomputeMaxSectionId();
    return route;
}

RouteValues fromRecord(const RouteRecord &route)
{
    RouteValues values;
    values.id = route.id;
    values.checkOn = route.checkOn;
    values.checkTimeType = route.checkTimeType;
    values.checkTime = route.checkTime;
    values.fifthField = route.fifthField;
    values.objects = route.objects;
    for (const SectionRecord *s : route.sections) {
        SectionValues v;
        v.id = s->id;
        v.name = s->name;
        v.graphObjectIds = s->graphObjectIds;
        v.timeIn = s->checkTimeIn;
        v.timeOut = s->checkTimeOut;
        v.msgIn = s->messageOnTimeIn;
        v.msgOut = s->messageOnTimeOut;
        v.tolerances = {s->checkTimeInAhead, s->checkTimeInBehind, s->checkTimeOutAhead,
                        s->checkTimeOutBehind};
        values.sections.append(v);
    }
    return values;
}

QList<Node> treeUnder(int parent, const RouteTable &server)
{
    QList<Node> nodes;
    for (const NodeDef &def : Nodes) {
        if (def.parent != parent)
            continue;
        Node n = node(def.id, QString::fromLatin1(def.name), def.bits,
                      treeUnder(def.id, server));
        if (server.contains(def.id))
            n = withRoute(n, toRecord(server.value(def.id)));
        nodes.append(n);
    }
    return nodes;
}

// A "Fix_routes" body read the way a server reads it, independently of the panel's reader.
struct SaveBody
{
    QList<QPair<qint32, RouteValues>> entries;
    QSet<int> deleted;
    bool wellFormed = false;
};

SaveBody readSaveBody(const QByteArray &bytes)
{
    SaveBody body;
    QDataStream in(bytes);
    in.setVersion(QDataStream::Qt_4_5);
    for (int entry = 0; entry < 64; ++entry) {
        qint32 lead = 0;
        in >> lead;
        if (in.status() != QDataStream::Ok)
            return body;
        if (lead == -1) {
            in >> body.deleted;
            body.wellFormed = in.status() == QDataStream::Ok && in.atEnd();
            return body;
        }
        RouteValues route;
        qint32 id = 0, checkOn = 0, type = 0, fifth = 0, count = 0;
        quint32 time = 0;
        in >> id >> checkOn >> type >> time >> fifth >> route.objects >> count;
        route.id = id;
        route.checkOn = checkOn;
        route.checkTimeType = type;
        route.checkTime = time;
        route.fifthField = fifth;
        for (qint32 i = 0; i < count && in.status() == QDataStream::Ok && i < 1000; ++i) {
            SectionValues s;
            qint32 sectionId = 0, timeIn = 0, timeOut = 0, a = 0, b = 0, c = 0, d = 0;
            in >> sectionId >> s.name >> s.graphObjectIds >> timeIn >> timeOut >> s.msgIn
               >> s.msgOut >> a >> b >> c >> d;
            s.id = sectionId;
            s.timeIn = timeIn;
            s.timeOut = timeOut;
            s.tolerances = {a, b, c, d};
            route.sections.append(s);
        }
        body.entries.append({lead, route});
    }
    return body;
}

struct Violation
{
    Check check;
    quint32 seed = 0;
    int step = 0;
    QString detail;
    QStringList log;
};

// One random sequence over a fresh panel and server.
class Sequence
{
public:
    explicit Sequence(quint32 seed);
    std::optional<Violation> run();

private:
    enum class Op {
        AddRoute, DelRoute, AddSect, DelSect, EditName, ToggleSchedule, EditTime,
        EditTolerance, ToggleMessage, EditTimeType, SelectObjects, SelectGraphObjects,
        ToggleCheck, EditShown, Undo, Redo, UndoAll, Reload, Save
    };

    void reply(const QByteArray &command, const QByteArray &body);
    int pick(int count);
    Op pickOp();
    QList<QStandardItem *> items() const;
    QStandardItem *pickItem(bool routes, bool sections, bool plain);
    QString label(const QStandardItem *item) const;
    void click(QStandardItem *item);
    bool usable(const QAction *action) const;
    QStandardItem *cell(int row) const;
    bool editText(int row, const QString &text);
    bool toggle(int row);
    RouteTable treeRoutes() const;

    std::optional<Violation> step(Op op);
    std::optional<Violation> checkInvariants();
    std::optional<Violation> save();
    std::optional<Violation> fail(Check check, const QString &detail);

    quint32 seed;
    std::mt19937 random;
    FakeHost host; // outlives the panel: its layer table holds the panel's lists
    std::unique_ptr<OperativeCheck> plugin;
    RouteTable server;
    QSet<int> lastDeleted;
    QStringList log;
    int stepNumber = 0;
};

Sequence::Sequence(quint32 seed)
    : seed(seed)
    , random(seed)
    , plugin(std::make_unique<OperativeCheck>())
    , server(initialServer())
{
    host.addTrackedObject(11, "Car 11");
    QStandardItem *group = host.addTrackedObject(0, "Group");
    group->setData(QVariant(), ItemRole::NodeId);
    host.addTrackedObject(12, "Car 12", group);
    host.addTrackedObject(13, "Car 13", group);
    plugin->SetHost(&host);
    plugin->BindMap(0, 1);
    reply("Get_tree_rulecheck", ruleTree(treeUnder(0, server)));
    Node marks = node(100, "Marks", 1);
    marks.objects = {object(7, 3, "Gate", {{100, 50}, {200, 50}, {150, 51}}),
                     object(8, 3, "Yard", {{300, 60}, {400, 60}, {350, 61}}),
                     object(9, 1, "Post", {{500, 70}})};
    reply("Get_tree_graphobj", layerTree({marks}));
}

void Sequence::reply(const QByteArray &command, const QByteArray &body)
{
    PanelDriver::deliver(plugin.get(), command, body);
}

int Sequence::pick(int count)
{
    return std::uniform_int_distribution<int>(0, count - 1)(random);
}

Sequence::Op Sequence::pickOp()
{
    static const QList<QPair<Op, int>> weights{
        {Op::AddRoute, 3},      {Op::DelRoute, 2},       {Op::AddSect, 4},
        {Op::DelSect, 3},       {Op::EditName, 2},       {Op::ToggleSchedule, 2},
        {Op::EditTime, 2},      {Op::EditTolerance, 2},  {Op::ToggleMessage, 1},
        {Op::EditTimeType, 1},  {Op::SelectObjects, 1},  {Op::SelectGraphObjects, 1},
        {Op::ToggleCheck, 1},   {Op::EditShown, 1},      {Op::Undo, 5},
        {Op::Redo, 3},          {Op::UndoAll, 1},        {Op::Reload, 1},
        {Op::Save, 3}};
    int total = 0;
    for (const auto &weight : weights)
        total += weight.second;
    int roll = pick(total);
    for (const auto &weight : weights) {
        if (roll < weight.second)
            return weight.first;
        roll -= weight.second;
    }
    return Op::Undo;
}

QList<QStandardItem *> Sequence::items() const
{
    QList<QStandardItem *> all;
    std::function<void(QStandardItem *)> visit = [&](QStandardItem *parent) {
        for (int row = 0; row < parent->rowCount(); ++row) {
            if (QStandardItem *child = parent->child(row)) {
                all.append(child);
                visit(child);
            }
        }
    };
    visit(plugin->model->invisibleRootItem());
    return all;
}

QStandardItem *Sequence::pickItem(bool routes, bool sections, bool plain)
{
    QList<QStandardItem *> candidates;
    for (QStandardItem *item : items()) {
        const bool isSection = itemSection(item);
        const bool isRoute = !isSection && itemRoute(item);
        if ((isSection && sections) || (isRoute && routes) || (!isSection && !isRoute && plain))
            candidates.append(item);
    }
    return candidates.isEmpty() ? nullptr : candidates.at(pick(candidates.size()));
}

QString Sequence::label(const QStandardItem *item) const
{
    if (!item)
        return QStringLiteral("nothing");
    QString text = QStringLiteral("'%1'").arg(item->text());
    if (item->parent() && itemSection(item))
        text += QStringLiteral(" of '%1'").arg(item->parent()->text());
    return text;
}

void Sequence::click(QStandardItem *item)
{
    const QModelIndex index = item->index();
    plugin->mainView->setCurrentIndex(index);
    plugin->onMainItemClicked(index);
}

// As the operator sees it: a toolbar button that is shown, enabled, on an enabled panel.
bool Sequence::usable(const QAction *action) const
{
    return action->isVisible() && action->isEnabled() && plugin->panProperties->isEnabled();
}

QStandardItem *Sequence::cell(int row) const
{
    return plugin->panProperties->propertyModel->item(row, 1);
}

bool Sequence::editText(int row, const QString &text)
{
    QStandardItem *value = cell(row);
    if (!value || !value->isEditable() || !plugin->panProperties->isEnabled())
        return false;
    plugin->onPropertyItemClicked(value->index());
    value->setData(text, Qt::EditRole);
    return true;
}

bool Sequence::toggle(int row)
{
    QStandardItem *value = cell(row);
    if (!value || !value->isCheckable() || !plugin->panProperties->isEnabled())
        return false;
    plugin->onPropertyItemClicked(value->index());
    value->setCheckState(value->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
    return true;
}

RouteTable Sequence::treeRoutes() const
{
    RouteTable routes;
    for (const QStandardItem *item : items()) {
        if (const RouteRecord *route = itemSection(item) ? nullptr : itemRoute(item))
            routes.insert(item->data(ItemRole::NodeId).toInt(), fromRecord(*route));
    }
    return routes;
}

std::optional<Violation> Sequence::fail(Check check, const QString &detail)
{
    Violation violation;
    violation.check = check;
    violation.seed = seed;
    violation.step = stepNumber;
    violation.detail = detail;
    violation.log = log;
    return violation;
}

std::optional<Violation> Sequence::run()
{
    const int steps = 1 + pick(MaxSteps);
    for (stepNumber = 1; stepNumber <= steps; ++stepNumber) {
        if (std::optional<Violation> violation = step(pickOp()))
            return violation;
        if (std::optional<Violation> violation = checkInvariants())
            return violation;
    }
    return std::nullopt;
}

std::optional<Violation> Sequence::step(Op op)
{
    // The type editor is a fixed list: no other text can be chosen.
    static const QStringList typeTexts{"AtStart", "EveryDay", "Weekly", "Monthly",
                                       "Plan Perehvat"};
    QUndoStack *undo = plugin->undoStack;
    switch (op) {
    case Op::AddRoute:
    case Op::DelRoute:
    case Op::AddSect:
    case Op::DelSect: {
        QStandardItem *target = op == Op::AddRoute ? pickItem(false, false, true)
                              : op == Op::DelRoute ? pickItem(true, false, false)
                              : op == Op::AddSect  ? pickItem(true, true, false)
                                                   : pickItem(false, true, false);
        if (!target)
            return std::nullopt;
        click(target);
        const QAction *action = op == Op::AddRoute ? plugin->addRouteAction
                              : op == Op::DelRoute ? plugin->delRouteAction
                              : op == Op::AddSect  ? plugin->addSectAction
                                                   : plugin->delSectAction;
        if (!usable(action))
            return std::nullopt;
        log << action->text() + QStringLiteral(" on ") + label(target);
        if (op == Op::AddRoute)
            plugin->onAddRouteClicked();
        else if (op == Op::DelRoute)
            plugin->onDelRouteClicked();
        else if (op == Op::AddSect)
            plugin->onAddSectClicked();
        else
            plugin->onDelSectClicked();
        return std::nullopt;
    }
    case Op::EditName:
    case Op::ToggleSchedule:
    case Op::EditTime:
    case Op::EditTolerance:
    case Op::ToggleMessage: {
        QStandardItem *target = pickItem(false, true, false);
        if (!target)
            return std::nullopt;
        click(target);
        QString text;
        int row = Name;
        if (op == Op::EditName) {
            // An empty name too; a null text would mean a toggle below.
            text = pick(8) == 0 ? QStringLiteral("") : QStringLiteral("S%1").arg(pick(100));
        } else if (op == Op::EditTime) {
            // Only "Delay into" is typed without an input mask.
            static const int timeRows[] = {TimeIn, TimeOut, Delay};
            row = timeRows[pick(3)];
            text = row == Delay && pick(4) == 0 ? QStringLiteral("90")
                                                : durationText(pick(48) * 1800);
        } else if (op == Op::EditTolerance) {
            static const int toleranceRows[] = {InAhead, InBehind, OutAhead, OutBehind};
            row = toleranceRows[pick(4)];
            text = pick(6) == 0 ? QStringLiteral("-5") : QString::number(pick(600));
        } else {
            row = op == Op::ToggleSchedule ? int(Schedule) : pick(2) ? int(MsgIn) : int(MsgOut);
        }
        const bool done = text.isNull() ? toggle(row) : editText(row, text);
        if (done) {
            log << QStringLiteral("row %1 of %2 := %3")
                       .arg(row)
                       .arg(label(target), text.isNull() ? QStringLiteral("toggled") : text);
        }
        return std::nullopt;
    }
    case Op::EditTimeType: {
        QStandardItem *target = pickItem(true, false, false);
        if (!target)
            return std::nullopt;
        click(target);
        const QString text = typeTexts.at(pick(typeTexts.size()));
        if (editText(0, text))
            log << QStringLiteral("time type of %1 := %2").arg(label(target), text);
        return std::nullopt;
    }
    case Op::SelectObjects: {
        QStandardItem *target = pickItem(true, false, false);
        if (!target)
            return std::nullopt;
        click(target);
        if (!usable(plugin->selObjsAction))
            return std::nullopt;
        plugin->onSelObjsClicked();
        auto *view = plugin->objectsDialog.treeWidget->findChild<QTreeView *>();
        auto *list = view ? qobject_cast<QStandardItemModel *>(view->model()) : nullptr;
        if (!list)
            return fail(Check::SectionItems, QStringLiteral("no object list to tick"));
        QStringList ticked;
        for (const QString &name : {QStringLiteral("Car 11"), QStringLiteral("Group"),
                                    QStringLiteral("Car 12"), QStringLiteral("Car 13")}) {
            if (pick(3) != 0)
                continue;
            QStandardItem *entry =
                list->findItems(name, Qt::MatchExactly | Qt::MatchRecursive).value(0);
            if (!entry)
                continue;
            entry->setCheckState(entry->checkState() == Qt::Checked ? Qt::Unchecked
                                                                     : Qt::Checked);
            ticked << name;
        }
        log << QStringLiteral("objects of %1, toggled [%2]").arg(label(target),
                                                                 ticked.join(','));
        plugin->onSelObjsAccepted();
        return std::nullopt;
    }
    case Op::SelectGraphObjects: {
        QStandardItem *target = pickItem(false, true, false);
        if (!target)
            return std::nullopt;
        click(target);
        if (!usable(plugin->selGObjAction))
            return std::nullopt;
        plugin->onSelGObjClicked();
        QStringList ticked;
        for (const QString &name : {QStringLiteral("Gate"), QStringLiteral("Yard"),
                                    QStringLiteral("Post")}) {
            if (pick(2) != 0)
                continue;
            QStandardItem *entry = plugin->graphObjDialog.model
                                       ->findItems(name, Qt::MatchExactly | Qt::MatchRecursive)
                                       .value(0);
            if (!entry)
                continue;
            entry->setCheckState(entry->checkState() == Qt::Checked ? Qt::Unchecked
                                                                     : Qt::Checked);
            ticked << name;
        }
        log << QStringLiteral("graphic objects of %1, toggled [%2]")
                   .arg(label(target), ticked.join(','));
        plugin->onSelGObjAccepted();
        return std::nullopt;
    }
    case Op::ToggleCheck: {
        QStandardItem *target = pickItem(true, false, true);
        if (!target)
            return std::nullopt;
        const bool on = target->checkState() != Qt::Checked;
        log << QStringLiteral("check box of %1 := %2").arg(label(target)).arg(on);
        target->setCheckState(on ? Qt::Checked : Qt::Unchecked);
        return std::nullopt;
    }
    case Op::EditShown: {
        // An edit of the table on show, with no click on the tree first.
        const QStandardItem *shown = plugin->model->itemFromIndex(plugin->currentMainIndex);
        if (!shown || !(itemSection(shown) || itemRoute(shown)))
            return std::nullopt;
        const QString text = itemSection(shown) ? QStringLiteral("T%1").arg(pick(100))
                                                : typeTexts.at(pick(typeTexts.size()));
        if (editText(0, text))
            log << QStringLiteral("row 0 of the table on show (%1) := %2").arg(label(shown), text);
        return std::nullopt;
    }
    case Op::Undo:
        if (undo->canUndo()) {
            log << QStringLiteral("undo ") + undo->undoText();
            undo->undo();
        }
        return std::nullopt;
    case Op::Redo:
        if (undo->canRedo()) {
            log << QStringLiteral("redo ") + undo->redoText();
            undo->redo();
        }
        return std::nullopt;
    case Op::UndoAll: {
        log << QStringLiteral("undo all (%1 steps)").arg(undo->index());
        while (undo->canUndo())
            undo->undo();
        const RouteTable shown = treeRoutes();
        // A section brought back by undo comes back last, so order is not compared here.
        if (describe(shown, true) != describe(server, true)) {
            return fail(Check::UndoAll, QStringLiteral("tree:\n%1\nlast saved:\n%2")
                                            .arg(describe(shown, true), describe(server, true)));
        }
        return std::nullopt;
    }
    case Op::Reload: {
        log << QStringLiteral("reload");
        reply("Get_tree_rulecheck", ruleTree(treeUnder(0, server)));
        const RouteTable shown = treeRoutes();
        if (describe(shown) != describe(server)) {
            return fail(Check::TreeAfterReload, QStringLiteral("tree:\n%1\nserver:\n%2")
                                                    .arg(describe(shown), describe(server)));
        }
        return std::nullopt;
    }
    case Op::Save:
        return save();
    }
    return std::nullopt;
}

std::optional<Violation> Sequence::save()
{
    QSet<int> newRouteNodes;
    for (const QStandardItem *item : items()) {
        const RouteRecord *route = itemSection(item) ? nullptr : itemRoute(item);
        if (route && (route->id < 0 || itemEditState(item) == EditState::New))
            newRouteNodes.insert(item->data(ItemRole::NodeId).toInt());
    }
    const int before = host.requests.size();
    plugin->onSaveClicked();
    const int sent = host.requests.size() - before;
    log << QStringLiteral("save (%1 request)").arg(sent);
    if (sent > 1)
        return fail(Check::SaveBody, QStringLiteral("%1 requests for one save").arg(sent));
    if (sent == 1) {
        const SentRequest &request = host.requests.last();
        if (request.command != "Fix_routes")
            return fail(Check::SaveBody, QStringLiteral("command ") + request.command);
        const SaveBody body = readSaveBody(request.body);
        if (!body.wellFormed)
            return fail(Check::SaveBody, QStringLiteral("unreadable body ") + request.body.toHex());
        for (const auto &entry : body.entries) {
            const qint32 lead = entry.first;
            const RouteValues &route = entry.second;
            if (lead > 0) {
                const bool isNode = std::any_of(std::begin(Nodes), std::end(Nodes),
                                                [lead](const NodeDef &n) { return n.id == lead; });
                if (!isNode || route.id != lead) {
                    return fail(Check::SaveBody, QStringLiteral("new route %1 under lead %2")
                                                     .arg(route.id)
                                                     .arg(lead));
                }
                server.insert(lead, route);
            } else if (lead == 0) {
                int nodeId = 0;
                for (auto it = server.cbegin(); it != server.cend() && !nodeId; ++it) {
                    if (it.value().id == route.id)
                        nodeId = it.key();
                }
                if (!nodeId) {
                    return fail(Check::SaveBody,
                                QStringLiteral("update of route %1, unknown to the server")
                                    .arg(route.id));
                }
                server.insert(nodeId, route);
            } else {
                return fail(Check::SaveBody, QStringLiteral("lead %1").arg(lead));
            }
        }
        for (auto it = server.begin(); it != server.end();) {
            if (body.deleted.contains(it.value().id))
                it = server.erase(it);
            else
                ++it;
        }
        lastDeleted = body.deleted;
        reply("Fix_routes", QByteArray());
    }

    const RouteTable shown = treeRoutes();
    if (describe(shown) == describe(server))
        return std::nullopt;
    const QString detail =
        QStringLiteral("tree:\n%1\nserver:\n%2").arg(describe(shown), describe(server));
    for (auto it = shown.cbegin(); it != shown.cend(); ++it) {
        if (!server.contains(it.key()) && lastDeleted.contains(it.value().id)) {
            return fail(newRouteNodes.contains(it.key()) ? Check::DeleteOfRecreated
                                                         : Check::StaleDelete,
                        detail);
        }
    }
    if (describe(shown, true) == describe(server, true))
        return fail(Check::SectionOrder, detail);
    return fail(Check::ServerAfterSave, detail);
}

std::optional<Violation> Sequence::checkInvariants()
{
    const QModelIndex viewCurrent = plugin->mainView->currentIndex();
    // The view's current row may move without its properties being shown (a check-box tick).
    const Check tableCheck = viewCurrent.sibling(viewCurrent.row(), 0) == plugin->currentMainIndex
        ? Check::PropertyTable
        : Check::EditAfterTick;
    for (const QStandardItem *item : items()) {
        const QStandardItem *container = item->parent() ? item->parent()
                                                        : plugin->model->invisibleRootItem();
        const QStandardItem *modeCell = container->child(item->row(), 1);
        const SectionRecord *ownSection = itemSection(item);
        if (ownSection) {
            if (!itemRoute(item->parent()) || itemRoute(item) || item->isCheckable() || modeCell)
                return fail(Check::SectionItems, label(item) + QStringLiteral(" misplaced"));
            continue;
        }
        const RouteRecord *route = itemRoute(item);
        if (!route) {
            if (modeCell)
                return fail(Check::ModeCells, label(item) + QStringLiteral(" has a mode cell"));
            continue;
        }
        // Its text follows the server's replies only, so an edited type may leave it stale.
        if (!modeCell)
            return fail(Check::ModeCells, label(item) + QStringLiteral(" lacks its mode cell"));

        QList<const SectionRecord *> shownSections;
        bool sectionSeen = false;
        for (int row = 0; row < item->rowCount(); ++row) {
            const QStandardItem *child = item->child(row);
            if (const SectionRecord *s = itemSection(child)) {
                if (child->text() != s->name) {
                    return fail(Check::SectionItems,
                                QStringLiteral("item '%1' shows section '%2'")
                                    .arg(child->text(), s->name));
                }
                shownSections.append(s);
                sectionSeen = true;
            } else if (sectionSeen) {
                return fail(Check::SectionItems, QStringLiteral("child node after a section"));
            }
        }
        QList<const SectionRecord *> listed;
        for (const SectionRecord *s : route->sections)
            listed.append(s);
        if (shownSections != listed) {
            return fail(Check::SectionItems, QStringLiteral("%1: %2 section items, %3 in the list")
                                                 .arg(label(item))
                                                 .arg(shownSections.size())
                                                 .arg(listed.size()));
        }
        QSet<int> ids;
        for (const SectionRecord *s : route->sections) {
            if (s->id > route->maxSectionId || ids.contains(s->id)) {
                return fail(Check::MaxSectionId, QStringLiteral("%1: section id %2, max %3")
                                                     .arg(label(item))
                                                     .arg(s->id)
                                                     .arg(route->maxSectionId));
            }
            ids.insert(s->id);
        }
    }

    const QStandardItem *shown = plugin->model->itemFromIndex(plugin->currentMainIndex);
    if (!shown)
        return std::nullopt;
    const QStandardItemModel *table = plugin->panProperties->propertyModel;
    auto checked = [this](int row) { return cell(row)->checkState() == Qt::Checked; };
    if (const SectionRecord *s = itemSection(shown)) {
        if (table->rowCount() != 11 || cell(Name)->text() != s->name
            || checked(MsgIn) != s->messageOnTimeIn || checked(MsgOut) != s->messageOnTimeOut
            || checked(Schedule) != s->checkScheduleOn) {
            return fail(tableCheck,
                        QStringLiteral("section '%1' (in %2, out %3) shown as '%4' %5%6%7")
                            .arg(s->name)
                            .arg(s->messageOnTimeIn)
                            .arg(s->messageOnTimeOut)
                            .arg(table->rowCount() ? cell(Name)->text() : QString())
                            .arg(table->rowCount() > 3 && checked(MsgIn))
                            .arg(table->rowCount() > 3 && checked(MsgOut))
                            .arg(table->rowCount() > 3 && checked(Schedule)));
        }
    } else if (const RouteRecord *route = itemRoute(shown)) {
        const QString type = ScheduleEditors::instance().timeTypes.value(route->checkTimeType);
        if (table->rowCount() != 2 || cell(0)->text() != type) {
            return fail(tableCheck, QStringLiteral("route type '%1' shown as '%2'")
                                                  .arg(type, table->rowCount() ? cell(0)->text()
                                                                               : QString()));
        }
    } else if (table->rowCount() != 0) {
        return fail(tableCheck, QStringLiteral("a plain node shows properties"));
    }
    return std::nullopt;
}

struct FuzzResult
{
    QMap<Check, int> counts;
    QMap<Check, Violation> first;
};

// The offscreen platform warns whenever a dialog is shown or raised; nothing else is hidden.
QtMessageHandler previousHandler = nullptr;
void quietHandler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (message == QLatin1String("This plugin does not support propagateSizeHints()")
        || message == QLatin1String("This plugin does not support raise()")) {
        return;
    }
    previousHandler(type, context, message);
}

} // namespace

Q_DECLARE_METATYPE(Check)

class tst_RouteFuzz : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void randomSequences_data();
    void randomSequences();

private:
    const FuzzResult &result();

    std::optional<FuzzResult> fuzz;
};

void tst_RouteFuzz::initTestCase()
{
    previousHandler = qInstallMessageHandler(quietHandler);
}

// Every sequence is run once, for the first row that asks; each row judges one check.
const FuzzResult &tst_RouteFuzz::result()
{
    if (!fuzz) {
        FuzzResult run;
        for (quint32 seed = FirstSeed; seed < FirstSeed + SequenceCount; ++seed) {
            Sequence sequence(seed);
            if (std::optional<Violation> violation = sequence.run()) {
                run.counts[violation->check] += 1;
                if (!run.first.contains(violation->check))
                    run.first.insert(violation->check, *violation);
            }
        }
        fuzz = run;
    }
    return *fuzz;
}

void tst_RouteFuzz::randomSequences_data()
{
    QTest::addColumn<Check>("check");

    QTest::newRow("section items match their route's list") << Check::SectionItems;
    QTest::newRow("check-mode cells on route rows only") << Check::ModeCells;
    QTest::newRow("maxSectionId covers every section id, ids unique")
        << Check::MaxSectionId;
    QTest::newRow("property table shows the current row") << Check::PropertyTable;
    QTest::newRow("an edit of the table on show changes the row on show")
        << Check::EditAfterTick;
    QTest::newRow("save bodies are well formed") << Check::SaveBody;
    QTest::newRow("a reload forgets the deletes it discards")
        << Check::StaleDelete;
    QTest::newRow("a save never deletes a route it creates")
        << Check::DeleteOfRecreated;
    QTest::newRow("server keeps the section order the tree shows")
        << Check::SectionOrder;
    QTest::newRow("server matches the tree after a save") << Check::ServerAfterSave;
    QTest::newRow("tree matches the server after a reload") << Check::TreeAfterReload;
    QTest::newRow("undoing everything restores the last saved tree")
        << Check::UndoAll;
}

void tst_RouteFuzz::randomSequences()
{
    QFETCH(Check, check);

    const FuzzResult &run = result();
    const int count = run.counts.value(check);
    QString report;
    if (count > 0) {
        const Violation &v = run.first.value(check);
        report = QStringLiteral("%1 of %2 sequences; first: seed %3, step %4: %5\nsteps:\n  %6")
                     .arg(count)
                     .arg(SequenceCount)
                     .arg(v.seed)
                     .arg(v.step)
                     .arg(v.detail, v.log.join(QStringLiteral("\n  ")));
    }
    if (!report.isEmpty())
        qInfo("%s", qPrintable(report));
    QVERIFY2(count == 0, qPrintable(report));
}

QTEST_MAIN(tst_RouteFuzz)
#include "tst_routefuzz.moc"
