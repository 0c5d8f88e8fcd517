#include "SupportTreeLayers.h"
#include "wire/LayerMessages.h"

#include "graphobj/GraphObject.h"
#include "graphobj/GraphObjectFactory.h"
#include "wire/StreamRead.h"
#include "records/ItemRoles.h"
#include "shell/PluginLog.h"

#include <QDataStream>
#include <QSignalBlocker>
#include <QStandardItemModel>

namespace {

// Rows of a tree are clones of a prototype: setting each role and flag on
// every new item costs a search of its values per call.
std::unique_ptr<QStandardItem> rowPrototype(int editState)
{
    auto item = std::make_unique<QStandardItem>();
    if (editState >= 0)
        item->setData(editState, ItemRole::EditState);
    item->setData(qlonglong(0), ItemRole::GraphObject);
    item->setData(qlonglong(0), ItemRole::Route);
    item->setEditable(false);
    item->setCheckable(true);
    item->setCheckState(Qt::Unchecked);
    return item;
}

} // namespace

SupportTreeLayers::SupportTreeLayers(QStandardItemModel *model)
    : m_model(model ? model : new QStandardItemModel(0, 2))
    , m_nodePrototype(rowPrototype(-1))
    , m_objectPrototype(rowPrototype(0))
{
}

SupportTreeLayers::~SupportTreeLayers()
{
    releaseAllItems();
    delete m_model;
}

void SupportTreeLayers::releaseAllItems()
{
    // Every caller clears or deletes the model next, which views and tables
    // kept beside it hear of once; a change signal per item would have an
    // expanded view look each row up.
    const QSignalBlocker quiet(m_model);
    for (int row = 0; row < m_model->rowCount(); ++row)
        ReleaseItemData(m_model->item(row, 0));
}

void SupportTreeLayers::ReleaseItemData(QStandardItem *item)
{
    if (!item)
        return;
    if (GraphObject *object = itemGraphObject(item)) {
        delete object;
        item->setData(qlonglong(0), ItemRole::GraphObject);
    }
    for (int row = 0; row < item->rowCount(); ++row)
        ReleaseItemData(item->child(row));
}

void SupportTreeLayers::ReadItemPayload(QStandardItem *item, QDataStream &in)
{
    qint32 count = 0;
    in >> count;
    if (count <= 0)
        return;
    // The objects of a node carry its id and type bits: set once, cloned for each.
    const std::unique_ptr<QStandardItem> prototype(m_objectPrototype->clone());
    prototype->setData(item->data(ItemRole::NodeId), ItemRole::NodeId);
    prototype->setData(item->data(ItemRole::TypeMask), ItemRole::TypeMask);
    for (qint32 i = 0; i < count && StreamRead::canRead(in); ++i) {
        const QScopedPointer<GraphObData> record(ReadGraphObData(in));
        AddGraphObjectItem(*record, item, *prototype);
    }
}

void SupportTreeLayers::ItemChecked(QStandardItem *, bool)
{
}

qint64 SupportTreeLayers::ItemKey(QStandardItem *item)
{
    const GraphObject *object = itemGraphObject(item);
    return object ? object->id : 0;
}

QStandardItem *SupportTreeLayers::AddGraphObjectItem(const GraphObData &record,
                                                     QStandardItem *parent,
                                                     const QStandardItem &prototype)
{
    GraphObject *object = CreateGraphObject(record);
    if (!object)
        return nullptr;
    QStandardItem *item = prototype.clone();
    object->FillTreeItem(item);
    setItemRecord(item, ItemRole::GraphObject, object);
    parent->appendRow(item);
    ItemChecked(item, false);
    return item;
}

QStandardItem *SupportTreeLayers::newNodeItem(const QString &name, qint32 id, uint bits) const
{
    QStandardItem *item = m_nodePrototype->clone();
    item->setText(name);
    item->setData(int(id), ItemRole::NodeId);
    item->setData(bits, ItemRole::TypeMask);
    return item;
}

uint SupportTreeLayers::BuildTree(QDataStream &in)
{
    // Top rows are built under a root of their own, in no model: an item
    // built inside the model tells its views and tables of every role and row
    // set on it. Each is handed over as soon as it is whole, while its items
    // are still in the cache: moving a row visits every item below it.
    QStandardItem staging;
    staging.setColumnCount(m_model->columnCount());
    return readNodes(&staging, 0, in, Kept::MoveToModel);
}

uint SupportTreeLayers::readNodes(QStandardItem *container, int depth, QDataStream &in,
                                  Kept kept)
{
    // Each level of nesting costs the server 16 bytes and us a stack frame and
    // a view level: a tree deeper than any real rule tree is a corrupt body.
    if (depth >= MaxTreeDepth) {
        qCDebug(ocPlugin) << "tree body nested deeper than" << MaxTreeDepth
                          << "levels: the rest is dropped";
        in.setStatus(QDataStream::ReadCorruptData);
        return 0;
    }

    uint result = 0;
    qint32 count = 0;
    in >> count;
    // A node needs bytes; a count past the body's end reads nothing more.
    for (qint32 i = 0; i < count && StreamRead::canRead(in); ++i) {
        qint32 nodeId = 0;
        QString name;
        qint32 bits = 0;
        in >> nodeId >> name >> bits;

        QStandardItem *item = newNodeItem(name, nodeId, uint(bits));

        container->appendRow(item);
        const int row = item->row();

        const uint mask = uint(bits) | readNodes(item, depth + 1, in);
        ReadItemPayload(item, in);
        item->setData(mask, ItemRole::TypeMask);

        if ((mask & TypeFilter) != TypeFilter) {
            ReleaseItemData(item);
            container->removeRow(row);
            continue;
        }
        result |= mask;
        for (int column = 0; column < m_model->columnCount(); ++column) {
            if (QStandardItem *cell = container->child(row, column))
                cell->setEditable(false);
        }
        if (kept == Kept::MoveToModel)
            m_model->appendRow(container->takeRow(row));
    }
    return result;
}

void SupportTreeLayers::SaveChecked(QStandardItem *item)
{
    if (!item) {
        m_checkedKeys.clear();
        for (int row = 0; row < m_model->rowCount(); ++row)
            SaveChecked(m_model->item(row, 0));
        return;
    }
    if (item->isCheckable() && item->checkState() != Qt::Unchecked)
        m_checkedKeys.insert(ItemKey(item), true);
    for (int row = 0; row < item->rowCount(); ++row) {
        if (QStandardItem *child = item->child(row))
            SaveChecked(child);
    }
}

void SupportTreeLayers::RestoreChecked(bool forget, QStandardItem *item)
{
    if (!item) {
        if (m_checkedKeys.isEmpty())
            return;
        for (int row = 0; row < m_model->rowCount(); ++row)
            RestoreChecked(forget, m_model->item(row, 0));
        if (forget)
            m_checkedKeys.clear();
        return;
    }
    if (item->isCheckable())
        item->setCheckState(m_checkedKeys.contains(ItemKey(item)) ? Qt::Checked : Qt::Unchecked);
    for (int row = 0; row < item->rowCount(); ++row) {
        if (QStandardItem *child = item->child(row))
            RestoreChecked(forget, child);
    }
}
