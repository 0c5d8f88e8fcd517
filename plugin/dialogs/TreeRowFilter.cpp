#include "TreeRowFilter.h"

#include <QTreeView>

namespace {

// Whether a row under parent stays; shown counts the rows that do.
bool filterRows(QTreeView *view, const QModelIndex &parent, const QString &text, bool matchAbove,
                int &shown)
{
    const QAbstractItemModel *model = view->model();
    bool anyKept = false;
    for (int row = 0; row < model->rowCount(parent); ++row) {
        const QModelIndex index = model->index(row, 0, parent);
        const bool match =
            matchAbove || index.data().toString().contains(text, Qt::CaseInsensitive);
        const bool keep = filterRows(view, index, text, match, shown) || match;
        // Only changes: every hidden row is a persistent index of the view's.
        if (view->isRowHidden(row, parent) == keep)
            view->setRowHidden(row, parent, !keep);
        if (keep) {
            ++shown;
            anyKept = true;
        }
    }
    return anyKept;
}

} // namespace

namespace TreeRowFilter {

int apply(QTreeView *view, const QString &text)
{
    int shown = 0;
    if (view && view->model())
        filterRows(view, view->rootIndex(), text.trimmed(), false, shown);
    return shown;
}

} // namespace TreeRowFilter
