#include "RouteCommands.h"

#include "RouteEditTarget.h"

#include "records/ItemRoles.h"
#include "records/RouteRecord.h"
#include "records/SectionRecord.h"

#include <QObject>

AddRouteCommand::AddRouteCommand(RouteEditTarget &panel)
    : ViewerCommand(panel, nullptr)
    , panel(panel)
{
}

void AddRouteCommand::redo()
{
    panel.addRoute(mainIndex, nullptr);
    lookUpItem();
    panel.setEditState(EditState::New, mainItem);
    setText(QObject::tr("Add Route"));
}

void AddRouteCommand::undo()
{
    panel.deleteRoute(mainIndex);
    lookUpItem();
    // The item has no route any more, so nothing is recorded as deleted.
    panel.setEditState(EditState::Deleted, mainItem);
}

DeleteRouteCommand::DeleteRouteCommand(RouteEditTarget &panel)
    : ViewerCommand(panel, nullptr)
    , panel(panel)
{
}

DeleteRouteCommand::~DeleteRouteCommand()
{
    delete remembered;
}

void DeleteRouteCommand::redo()
{
    lookUpItem();
    if (const RouteRecord *route = itemRoute(mainItem)) {
        delete remembered;
        remembered = route->copy();
        panel.setEditState(EditState::Deleted, mainItem);
        panel.deleteRoute(mainIndex);
    }
    setText(QObject::tr("Del Route"));
}

void DeleteRouteCommand::undo()
{
    lookUpItem();
    if (!remembered || !mainItem || itemRoute(mainItem))
        return;
    panel.addRoute(mainIndex, remembered->copy());
    lookUpItem();
    panel.setEditState(EditState::New, mainItem);
}

AddSectCommand::AddSectCommand(RouteEditTarget &panel)
    : ViewerCommand(panel, nullptr)
    , panel(panel)
{
}

void AddSectCommand::redo()
{
    lookUpItem();
    panel.setEditState(EditState::Changed, mainItem);
    mainIndex = panel.addSection(mainIndex, nullptr);
    setText(QObject::tr("Add section"));
}

void AddSectCommand::undo()
{
    mainIndex = panel.deleteSection(mainIndex);
    lookUpItem();
    panel.setEditState(previousState, mainItem);
}

DeleteSectCommand::DeleteSectCommand(RouteEditTarget &panel)
    : ViewerCommand(panel, nullptr)
    , panel(panel)
{
    if (const SectionRecord *section = itemSection(mainItem))
        remembered = section->copy();
}

DeleteSectCommand::~DeleteSectCommand()
{
    delete remembered;
}

void DeleteSectCommand::redo()
{
    lookUpItem();
    if (remembered && itemSection(mainItem)) {
        QStandardItem *routeItem = mainItem->parent();
        const RouteRecord *route = itemRoute(routeItem);
        wasLast = route && !route->sections.isEmpty()
            && route->sections.last() == itemSection(mainItem);
        mainIndex = panel.deleteSection(mainIndex);
        lookUpItem();
        panel.setEditState(EditState::Changed, mainItem);
    }
    setText(QObject::tr("Del section"));
}

void DeleteSectCommand::undo()
{
    lookUpItem();
    if (!remembered || !mainItem || itemSection(mainItem))
        return;
    // Back last: if it was not last, the route's order changed and must be saved.
    if (!wasLast) {
        if (RouteRecord *route = itemRoute(mainItem))
            route->sectionsReordered = true;
    }
    panel.setEditState(previousState, mainItem);
    mainIndex = panel.addSection(mainIndex, remembered->copy());
}

ChangeListObjsCommand::ChangeListObjsCommand(RouteEditTarget &panel, const QList<int> &objects)
    : ViewerCommand(panel, nullptr)
    , panel(panel)
    , next(objects)
{
}

ChangeListObjsCommand::~ChangeListObjsCommand() = default;

void ChangeListObjsCommand::redo()
{
    lookUpItem();
    if (RouteRecord *route = itemRoute(mainItem)) {
        previous = route->objects;
        route->objects = next;
        panel.setEditState(EditState::Changed, mainItem);
        panel.selectRow(mainIndex);
    }
    setText(QObject::tr("Select objects"));
}

void ChangeListObjsCommand::undo()
{
    lookUpItem();
    if (RouteRecord *route = itemRoute(mainItem)) {
        route->objects = previous;
        panel.setEditState(previousState, mainItem);
        panel.selectRow(mainIndex);
    }
}

SelectGraphObjCommand::SelectGraphObjCommand(RouteEditTarget &panel,
                                             const QList<int> &graphObjectIds)
    : ViewerCommand(panel, nullptr)
    , panel(panel)
    , next(graphObjectIds)
{
}

SelectGraphObjCommand::~SelectGraphObjCommand() = default;

// A shown route is erased and drawn again around the change, so the map follows it.
void SelectGraphObjCommand::apply(const QList<int> &ids, bool remember)
{
    lookUpItem();
    SectionRecord *section = itemSection(mainItem);
    if (!section)
        return;
    QStandardItem *routeItem = mainItem->parent();
    const bool shown = routeItem && routeItem->checkState() == Qt::Checked;
    if (shown)
        panel.showRoute(mainItem, false);
    if (remember)
        previous = section->graphObjectIds;
    section->graphObjectIds = ids;
    panel.setEditState(remember ? EditState::Changed : previousState, mainItem);
    if (shown)
        panel.showRoute(mainItem, true);
}

void SelectGraphObjCommand::redo()
{
    apply(next, true);
    setText(QObject::tr("Select graph objects"));
}

void SelectGraphObjCommand::undo()
{
    apply(previous, false);
}
