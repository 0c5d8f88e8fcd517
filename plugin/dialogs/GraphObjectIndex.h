#ifndef GRAPHOBJECTINDEX_H
#define GRAPHOBJECTINDEX_H

#include <QHash>
#include <QList>
#include <QVarLengthArray>
#include <QVector>

#include <memory>

class GraphObject;
class ModelChangeWatch;
class QStandardItem;
class QStandardItemModel;

// The objects a section names: a few, found on every drawing of it.
using GraphObjectList = QVarLengthArray<GraphObject *, 8>;

// Graphic object id -> the objects carrying it in a layer tree, in tree
// order, duplicates kept. Built by one walk when first asked and dropped on
// any change of the tree's rows or objects, so a lookup per section costs
// what the section names, not the size of the tree.
class GraphObjectIndex
{
public:
    // model must outlive the index.
    explicit GraphObjectIndex(const QStandardItemModel *model);
    ~GraphObjectIndex();

    // Appends the objects whose ids are listed, in tree order.
    void find(const QList<int> &ids, GraphObjectList &objects) const;

private:
    struct Entry
    {
        int order; // position in the depth-first walk
        GraphObject *object;
    };

    void build() const;
    void visit(const QStandardItem *item, int &order) const;

    const QStandardItemModel *m_model;
    mutable QHash<int, QVector<Entry>> m_byId;
    mutable bool m_built = false;
    std::unique_ptr<ModelChangeWatch> m_watch;
};

#endif // GRAPHOBJECTINDEX_H
