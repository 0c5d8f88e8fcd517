#ifndef EDITINGPANEL_H
#define EDITINGPANEL_H

// The route-check panel on a fake host, driven as the operator does, for the editing tests.
#include "testsupport/FakeHost.h"
#include "testsupport/TreeBuilders.h"

#include "panel/PanProperties.h"
#include "records/ItemRoles.h"
#include "routecheck/RouteEditActions.h"
#include "shell/OperativeCheck.h"

#include <TreeObjCheckable.h>

#include <QStandardItemModel>
#include <QTreeView>
#include <QUndoStack>

#include <memory>
#include <tuple>

// Rows of a section's property table.
enum SectionRow { Name, MsgIn, MsgOut, Schedule, TimeIn, InAhead, InBehind, TimeOut, OutAhead,
                  OutBehind, Delay };

struct EditingPanel
{
    FakeHost host; // outlives the panel: its layer table holds the panel's lists
    std::unique_ptr<OperativeCheck> plugin;

    EditingPanel() : plugin(new OperativeCheck)
    {
        plugin->SetHost(&host);
        plugin->BindMap(0, 1);
    }

    // Tracked cars 11, 12 and 13, the last two in a group, and layer Marks with polygons
    // Gate (7) and Yard (8) and icon Post (9).
    void addCarsAndMarks()
    {
        host.addTrackedObject(11, "Car 11");
        QStandardItem *group = host.addTrackedObject(0, "Group");
        group->setData(QVariant(), ItemRole::NodeId);
        host.addTrackedObject(12, "Car 12", group);
        host.addTrackedObject(13, "Car 13", group);
        TreeBodies::Node marks = TreeBodies::node(100, "Marks", 1);
        marks.objects = {TreeBodies::object(7, 3, "Gate", {{100, 50}, {200, 50}, {150, 51}}),
                         TreeBodies::object(8, 3, "Yard", {{300, 60}, {400, 60}, {350, 61}}),
                         TreeBodies::object(9, 1, "Post", {{500, 70}})};
        reply("Get_tree_graphobj", TreeBodies::layerTree({marks}));
        host.mapCalls.clear();
    }

    void reply(const QByteArray &command, const QByteArray &body)
    {
        deliver(plugin.get(), command, body);
    }
    // The item at a path of rows from the top; null when a row is missing.
    QStandardItem *item(const QList<int> &path) const
    {
        QStandardItem *current = plugin->model()->invisibleRootItem();
        for (int row : path)
            current = current ? current->child(row) : nullptr;
        return current;
    }
    QStandardItem *cell(int row) const
    {
        return plugin->panProperties()->propertyModel()->item(row, 1);
    }

    // As a click on the row does; an invalid index clicks beside every row.
    void click(const QModelIndex &index)
    {
        plugin->mainView()->setCurrentIndex(index);
        plugin->onMainItemClicked(index);
    }
    void click(const QList<int> &path)
    {
        click(path.isEmpty() ? QModelIndex() : item(path)->index());
    }

    // Edits a property cell as the delegate does, after a click on it unless told not to; a
    // null text toggles its check box. False when the operator could not: no such cell, or it
    // or the panel is locked.
    bool edit(int row, const QString &text = QString(), bool clickFirst = true)
    {
        QStandardItem *value = cell(row);
        if (!value || !plugin->panProperties()->isEnabled()
            || !(text.isNull() ? value->isCheckable() : value->isEditable()))
            return false;
        if (clickFirst)
            plugin->onPropertyItemClicked(value->index());
        if (text.isNull())
            value->setCheckState(value->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
        else
            value->setData(text, Qt::EditRole);
        return true;
    }

    // The property table's values; a check box reads 0 or 1.
    QStringList tableTexts() const
    {
        QStringList texts;
        for (int row = 0; cell(row); ++row)
            texts << (cell(row)->isCheckable() ? QString::number(cell(row)->checkState() / 2)
                                               : cell(row)->text());
        return texts;
    }

    // The list of the object-choice dialog, once shown.
    QStandardItemModel *objectsList() const
    {
        auto *view = plugin->objectsDialog().treeWidget()->findChild<QTreeView *>();
        return qobject_cast<QStandardItemModel *>(view->model());
    }
};

// The record of a row in one line. A section: name, graphic objects, times in/out, +delay,
// tolerances, message switches, schedule; a route: time type, tracked objects, edit state.
inline QString summary(const QStandardItem *item)
{
    auto ids = [](const QList<int> &list) {
        QStringList texts;
        for (int id : list)
            texts << QString::number(id);
        return texts.join(',');
    };
    if (const SectionRecord *s = itemSection(item)) {
        return QStringLiteral("%1 [%2] %3/%4 +%5 %6,%7,%8,%9 %10%11 %12")
            .arg(s->name, ids(s->graphObjectIds)).arg(s->checkTimeIn).arg(s->checkTimeOut)
            .arg(s->delayInto).arg(s->checkTimeInAhead).arg(s->checkTimeInBehind)
            .arg(s->checkTimeOutAhead).arg(s->checkTimeOutBehind).arg(s->messageOnTimeIn)
            .arg(s->messageOnTimeOut).arg(s->checkScheduleOn ? "on" : "off");
    }
    const RouteRecord *r = itemRoute(item);
    return r ? QStringLiteral("type %1 [%2] state %3").arg(r->checkTimeType).arg(ids(r->objects))
                   .arg(itemEditState(item))
             : QString();
}

// Sets a section's message switches and its tolerances: in ahead, in behind, out ahead, out behind.
inline SectionRecord *tuned(SectionRecord *s, bool msgIn, bool msgOut, const QList<int> &t)
{
    std::tie(s->messageOnTimeIn, s->messageOnTimeOut) = std::make_pair(msgIn, msgOut);
    std::tie(s->checkTimeInAhead, s->checkTimeInBehind, s->checkTimeOutAhead,
             s->checkTimeOutBehind) = std::make_tuple(t[0], t[1], t[2], t[3]);
    return s;
}

#endif // EDITINGPANEL_H
