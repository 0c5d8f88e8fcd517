#ifndef DIALOGSELECTGRAPHOBJ_H
#define DIALOGSELECTGRAPHOBJ_H

#include "GraphObjectIndex.h"
#include "PickerDialog.h"

#include "panel/SupportTreeLayers.h"

#include <QList>

#include <memory>

class ItemChangeGate;
class QDataStream;
class QStandardItem;
class QTreeView;

// The server's layer tree with check boxes, to choose a section's graphic
// objects. Its model is also the plug-in's one store of graphic objects: every
// lookup by id goes through it.
class DialogSelectGraphObj : public PickerDialog, public SupportTreeLayers
{
    Q_OBJECT

public:
    DialogSelectGraphObj();
    ~DialogSelectGraphObj() override;

    // Rebuilds the tree from a layer-tree reply; earlier object pointers die here.
    void loadTree(QDataStream &in);
    // Ticks exactly the objects whose ids are listed and shows the dialog over window.
    void showForSection(const QList<int> &ids, QWidget *window = nullptr);
    // The ticked objects' ids, and their names each followed by one blank appended to names.
    void checkedGraphObjects(QList<int> &ids, QString &names) const;
    // Appends the objects whose ids are listed, in tree order (duplicates kept).
    void findGraphObjects(const QList<int> &ids, GraphObjectList &objects) const;

public slots:
    void itemChangedX(QStandardItem *item);

protected:
    void showEvent(QShowEvent *event) override;

private:
    void expandIfPending();

    template <typename Visit>
    void walk(Visit visit) const;

    QTreeView *treeView;
    // Ticks set from a section are no operator's: they do not run down.
    std::unique_ptr<ItemChangeGate> m_checkGate;
    std::unique_ptr<GraphObjectIndex> m_index;
    // A tree loaded while the dialog was hidden is opened when it shows.
    bool m_expandPending = false;
};

#endif // DIALOGSELECTGRAPHOBJ_H
