#ifndef SUPPORTTREELAYERS_H
#define SUPPORTTREELAYERS_H

#include <QHash>
#include <QtGlobal>

#include <memory>

class GraphObData;
class QDataStream;
class QStandardItem;
class QStandardItemModel;
class QString;

// Builds item trees from the server's tree bodies and keeps check marks across
// a reload. Subclasses say what a node's payload is and what a check means.
class SupportTreeLayers
{
public:
    // Takes model (null: a plain two-column one).
    explicit SupportTreeLayers(QStandardItemModel *model = nullptr);
    virtual ~SupportTreeLayers();

    virtual void ReleaseItemData(QStandardItem *item);
    virtual void ReadItemPayload(QStandardItem *item, QDataStream &in);
    virtual void ItemChecked(QStandardItem *item, bool checked);
    virtual qint64 ItemKey(QStandardItem *item);

    // Makes the graphic object of record and its item, a clone of prototype
    // (which carries the node's id and type bits), under the node item parent;
    // null when the record's type has no class.
    QStandardItem *AddGraphObjectItem(const GraphObData &record, QStandardItem *parent,
                                      const QStandardItem &prototype);

    // A node row as the server's trees give them: checkable, unchecked, no payload.
    QStandardItem *newNodeItem(const QString &name, qint32 id, uint bits) const;

    static constexpr int MaxTreeDepth = 64;

    // Reads one tree and appends its kept nodes as the model's top rows; the
    // type bits of all of them together.
    uint BuildTree(QDataStream &in);

    void SaveChecked(QStandardItem *item = nullptr);
    void RestoreChecked(bool forget, QStandardItem *item = nullptr);

    // The tree's model, owned.
    QStandardItemModel *model() const { return m_model; }
    // Keys of the items that were checked when SaveChecked last ran.
    const QHash<qint64, bool> &checkedKeys() const { return m_checkedKeys; }

protected:
    // Releases the records of every item; the destructors of subclasses call it
    // while their own overrides are still in place.
    void releaseAllItems();

private:
    enum class Kept { Stay, MoveToModel };
    // Reads the nodes of one level, depth levels below the top, under
    // container; a kept node's row stays there or moves on to the model.
    uint readNodes(QStandardItem *container, int depth, QDataStream &in,
                   Kept kept = Kept::Stay);

    // A node's subtree must carry these type bits to stay in the tree.
    static constexpr uint TypeFilter = 1;

    QStandardItemModel *m_model;
    std::unique_ptr<QStandardItem> m_nodePrototype;
    std::unique_ptr<QStandardItem> m_objectPrototype;
    QHash<qint64, bool> m_checkedKeys;

    Q_DISABLE_COPY(SupportTreeLayers)
};

#endif // SUPPORTTREELAYERS_H
