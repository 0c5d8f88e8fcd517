#ifndef MAINROWREF_H
#define MAINROWREF_H

#include <QList>
#include <QModelIndex>

class QStandardItemModel;

// A command's row in the main tree, held so that it survives rows being taken
// out and put back: the path of node rows from the top, and for a section row
// the section's id under its node. Undo brings sections and routes back as new
// items (a section at the end of its route), so they are found by id, never by
// a stale index. Node rows are never moved outside a reload, which clears the
// commands first.
class MainRowRef
{
public:
    MainRowRef() = default;
    // The column-0 row of index; an invalid index refers to no row.
    MainRowRef(const QModelIndex &index);

    // The row's column-0 index now, or an invalid index when it is gone.
    QModelIndex index() const;
    operator QModelIndex() const { return index(); }

private:
    const QStandardItemModel *model = nullptr;
    QList<int> nodeRows;
    int sectionId = 0;
    bool section = false;
};

#endif // MAINROWREF_H
