#ifndef EDITLEDGER_H
#define EDITLEDGER_H

#include <QSet>

class ItemChangeGate;
class QAction;
class QByteArray;
class QDataStream;
class QStandardItem;
class QStandardItemModel;

// What the operator changed since the last save, and the "Fix_routes" body
// that saves it: new and changed routes by the edit states of their tree items
// (data role 38), deleted routes by id. "Save" is enabled while a route is
// marked new or changed or one is deleted; the server's acknowledgement clears
// them all.
class EditLedger
{
public:
    EditLedger(QStandardItemModel *tree, ItemChangeGate &treeGate, QAction *saveAction);

    const QSet<int> &deletedRouteIds() const { return m_deletedRouteIds; }
    // Whether a save would send anything.
    bool hasEdits() const;
    // Enables "Save" exactly when there is something to save.
    void refreshSaveAction();

    // Marks the route of item (a section item's route for a section item). A
    // route whose sections were put back out of order stays to be saved,
    // whatever state undo hands back.
    void setItemEditState(int state, QStandardItem *item);
    // A deletion, or a route item without one, only records the id; any other
    // state is stored on the item and takes the id off the deleted ones.
    void markRouteEditState(int state, int routeId, QStandardItem *routeItem);

    // The body saving every new and changed route and every deletion, or an
    // empty array when there is nothing to save. New routes, and routes never
    // saved, take their node's id.
    QByteArray saveBody();
    // The server has everything: no deletions, no marks, nothing to save.
    void saved();
    // The tree the deletions were made in is being discarded.
    void forgetDeletions() { m_deletedRouteIds.clear(); }

private:
    bool writeItem(QStandardItem *item, QDataStream &out);
    static bool hasMarkedRoute(const QStandardItem *item);
    void clearEditStates(QStandardItem *item);

    QStandardItemModel *m_tree;
    ItemChangeGate &m_treeGate;
    QAction *m_saveAction;
    QSet<int> m_deletedRouteIds;
};

#endif // EDITLEDGER_H
