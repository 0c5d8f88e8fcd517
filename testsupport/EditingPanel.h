#ifndef EDITINGPANEL_H
#define EDITINGPANEL_H

// The route-check panel on a fake host, driven as the operator does, for the editing tests.
#include "testsupport/FakeHost.h"
#include "testsupport/PanelDriver.h"
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

// Rows of a section's property table.
enum SectionRow { Name, MsgIn, MsgOut, Schedule, TimeIn, InAhead, InBehind, TimeOut, OutAhead,
                  OutBehind, Delay };

struct EditingPanel
{
    FakeHost host; // outlives the panel: its layer table holds the panel's lists
    std::unique_ptr<OperativeCheck> plugin{new OperativeCheck};

    EditingPanel()
    {
        plugin->SetHost(&host);
        plugin->BindMap(0, 1);
    }

    // Tracked cars 11, 12 and 13, the last two in a group, and layer Marks with
    // polygons Gate (7) and Yard (8) and icon Post (9).
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
        PanelDriver::deliver(plugin.get(), command, body);
    }

    QStandardItem *item(const QList<int> &path) const
    {
        return PanelDriver::itemAt(plugin->model(), path);
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

    QStandardItem *cell(int row) const
    {
        return plugin->panProperties()->propertyModel()->item(row, 1);
    }

    // Edits a property cell as the delegate does; a null text toggles its check box.
    // False when the operator could not: no such cell, or it or the panel is locked.
    bool edit(int row, const QString &text = QString())
    {
        QStandardItem *value = cell(row);
        if (!value || !plugin->panProperties()->isEnabled()
            || !(text.isNull() ? value->isCheckable() : value->isEditable()))
            return false;
        plugin->onPropertyItemClicked(value->index());
        if (text.isNull())
            value->setCheckState(value->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
        else
            value->setData(text, Qt::EditRole);
        return true;
    }

    // The list of the object-choice dialog, once shown.
    QStandardItemModel *objectsList() const
    {
        auto *view = plugin->objectsDialog().treeWidget()->findChild<QTreeView *>();
        return view ? qobject_cast<QStandardItemModel *>(view->model()) : nullptr;
    }
};

// A "Fix_routes" body: one entry (none when route is null), then the deleted route ids.
inline QByteArray fixBody(qint32 lead, const RouteRecord *route, const QSet<int> &deleted = {})
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_4_5);
    if (route)
        RouteMessages::writeSaveEntry(out, lead, *route);
    RouteMessages::writeSaveEnd(out, deleted);
    return bytes;
}

// Sets a section's message switches and its four tolerances.
inline SectionRecord *tuned(SectionRecord *s, bool msgIn, bool msgOut, const QList<int> &tolerances)
{
    s->messageOnTimeIn = msgIn;
    s->messageOnTimeOut = msgOut;
    s->checkTimeInAhead = tolerances[0];
    s->checkTimeInBehind = tolerances[1];
    s->checkTimeOutAhead = tolerances[2];
    s->checkTimeOutBehind = tolerances[3];
    return s;
}

#endif // EDITINGPANEL_H
