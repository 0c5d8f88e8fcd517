#include "RouteCommands.h"

#include "records/ItemRoles.h"
#include "records/RouteRecord.h"
#include "records/SectionRecord.h"

#include "shell/OperativeCheck.h"

#include <QObject>

AddRouteCommand::AddRouteCommand(OperativeCheck *panel)
    : ViewerCommand(panel, nullptr)
    , panel(panel)
{
}

void AddRouteCommand::redo()
{
    panel->addRoute(mainIndex, nullptr);
    lookUpItem();
    panel->setItemEditState(EditState::New, mainItem);
    setText(QObject::tr("Add Route"));
}

void AddRouteCommand::undo()
{
    panel->deleteRoute(mainIndex);
    lookUpItem();
    // The item has no route any more, so nothing is recorded as deleted.
    panel->setItemEditState(EditState::Deleted, mainItem);
}

DeleteRouteCommand::DeleteRouteCommand(OperativeCheck *panel)
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
        panel->setItemEditState(EditState::Deleted, mainItem);
        panel->deleteRoute(mainIndex);
    }
    setText(QObject::tr("Del Route"));
}

void DeleteRouteCommand::undo()
{
    lookUpItem();
    if (!remembered || !mainItem || itemRoute(mainItem))
        return;
    panel->addRoute(mainIndex, remembered->copy());
    lookUpItem();
    panel->setItemEditState(EditState::New, mainItem);
}

AddSectCommand::AddSectCommand(OperativeCheck *panel)
    : ViewerCommand(panel, nullptr)
    , panel(panel)
{
}

void AddSectCommand::redo()
{
    lookUpItem();
    panel->setItemEditState(EditState::Changed, mainItem);
    mainIndex = panel->addSect(mainIndex, nullptr);
    setText(QObject::tr("Add section"));
}

void AddSectCommand::undo()
{
    mainIndex = panel->deleteSect(mainIndex);
    lookUpItem();
    panel->setItemEditState(previousState, mainItem);
}

DeleteSectCommand::DeleteSectCommand(OperativeCheck *panel)
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
        mainIndex = panel->deleteSect(mainIndex);
        lookUpItem();
        panel->setItemEditState(EditState::Changed, mainItem);
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
    panel->setItemEditState(previousState, mainItem);
    mainIndex = panel->addSect(mainIndex, remembered->copy());
}

ChangeListObjsCommand::ChangeListObjsCommand(OperativeCheck *panel, const QList<int> &objects)
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
        panel->setItemEditState(EditState::Changed, mainItem);
        panel->selectMainIndex(mainIndex);
    }
    setText(QObject::tr("Select objects"));
}

void ChangeListObjsCommand::undo()
{
    lookUpItem();
    if (RouteRecord *route = itemRoute(mainItem)) {
        route->objects = previous;
        panel->setItemEditState(previousState, mainItem);
        panel->selectMainIndex(mainIndex);
    }
}

SelectGraphObjCommand::SelectGraphObjCommand(OperativeCheck *panel,
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
        panel->ItemChecked(mainItem, false);
    if (remember)
        previous = section->graphObjectIds;
    section->graphObjectIds = ids;
    panel->setItemEditState(remember ? EditState::Changed : previousState, mainItem);
    if (shown)
        panel->ItemChecked(mainItem, true);
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
