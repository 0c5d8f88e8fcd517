#ifndef TREEROWFILTER_H
#define TREEROWFILTER_H

class QString;
class QTreeView;

// Hides the rows of a tree view whose names do not hold a text, case aside.
// A row above a match stays, so the match is seen where it sits, and the rows
// below a match stay, so a group's name shows the group. Only the view
// changes: ticks on hidden rows are kept and still count.
namespace TreeRowFilter {

// Returns how many rows are left shown.
int apply(QTreeView *view, const QString &text);

} // namespace TreeRowFilter

#endif // TREEROWFILTER_H
