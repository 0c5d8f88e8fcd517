#ifndef ROUTECOMMANDS_H
#define ROUTECOMMANDS_H

#include "panel/ViewerCommand.h"

#include <QList>

class RouteEditTarget;
class RouteRecord;
class SectionRecord;

// The route and section editing commands. Records are never shared between a
// command and the tree: a command keeps its own copy and hands the tree a copy
// of it, so each side frees exactly what it holds.

class AddRouteCommand : public ViewerCommand
{
public:
    explicit AddRouteCommand(RouteEditTarget &panel);
    void undo() override;
    void redo() override;

private:
    RouteEditTarget &panel;
};

class DeleteRouteCommand : public ViewerCommand
{
public:
    explicit DeleteRouteCommand(RouteEditTarget &panel);
    ~DeleteRouteCommand() override;
    void undo() override;
    void redo() override;

private:
    RouteEditTarget &panel;
    RouteRecord *remembered = nullptr; // owned; null until the first redo
};

class AddSectCommand : public ViewerCommand
{
public:
    explicit AddSectCommand(RouteEditTarget &panel);
    void undo() override;
    void redo() override;

private:
    RouteEditTarget &panel;
};

class DeleteSectCommand : public ViewerCommand
{
public:
    explicit DeleteSectCommand(RouteEditTarget &panel);
    ~DeleteSectCommand() override;
    void undo() override;
    void redo() override;

private:
    RouteEditTarget &panel;
    SectionRecord *remembered = nullptr; // owned; null when made on no section
    bool wasLast = true; // coming back last keeps the route's order
};

class ChangeListObjsCommand : public ViewerCommand
{
public:
    ChangeListObjsCommand(RouteEditTarget &panel, const QList<int> &objects);
    ~ChangeListObjsCommand() override;
    void undo() override;
    void redo() override;

private:
    RouteEditTarget &panel;
    QList<int> previous;
    QList<int> next;
};

class SelectGraphObjCommand : public ViewerCommand
{
public:
    SelectGraphObjCommand(RouteEditTarget &panel, const QList<int> &graphObjectIds);
    ~SelectGraphObjCommand() override;
    void undo() override;
    void redo() override;

private:
    void apply(const QList<int> &ids, bool remember);

    RouteEditTarget &panel;
    QList<int> previous;
    QList<int> next;
};

#endif // ROUTECOMMANDS_H
