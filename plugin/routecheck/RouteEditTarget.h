#ifndef ROUTEEDITTARGET_H
#define ROUTEEDITTARGET_H

#include "panel/EditTarget.h"

class RouteRecord;
class SectionRecord;

// What the route and section commands need of the panel beyond a property
// edit: the tree operations behind them, and drawing a shown route again.
// Records handed in are taken over; each operation ends by making its
// result row current and returns it.
class RouteEditTarget : public EditTarget
{
public:
    // A new route (null: a fresh one with the node's id negated) on the node at row.
    virtual QModelIndex addRoute(const QModelIndex &row, RouteRecord *route) = 0;
    virtual QModelIndex deleteRoute(const QModelIndex &row) = 0;
    // A section at the end of the route at row (or of a section's route); null
    // makes a fresh one. Returns the section's row, invalid when there is no route.
    virtual QModelIndex addSection(const QModelIndex &row, SectionRecord *section) = 0;
    // Returns the route's row, or an invalid index (and nothing changes) when
    // row is no section.
    virtual QModelIndex deleteSection(const QModelIndex &row) = 0;
    // Draws (true) or erases the route of item, a route or section row.
    virtual void showRoute(QStandardItem *item, bool shown) = 0;
};

#endif // ROUTEEDITTARGET_H
