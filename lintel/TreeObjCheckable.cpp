#include "TreeObjCheckable.h"

#include <QHeaderView>
#include <QStandardItemModel>
#include <QTreeView>
#include <QVBoxLayout>

namespace {

// Role 33 of the host's items points at a record whose first member is the int32 id.
bool objectId(const QStandardItem *item, int *id)
{
    const qlonglong address = item->data(TreeObjCheckable::IdRole).toLongLong();
    if (address == 0)
        return false;
    *id = *reinterpret_cast<const qint32 *>(address);
    return true;
}

} // namespace

TreeObjCheckable::TreeObjCheckable(QWidget *parent)
    : QWidget(parent)
    , m_model(new QStandardItemModel(this))
    , m_view(new QTreeView(this))
{
    m_view->setModel(m_model);
    m_view->header()->hide();
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);
    connect(m_model, &QStandardItemModel::itemChanged, this, &TreeObjCheckable::onItemChanged);
}

TreeObjCheckable::~TreeObjCheckable() = default;

void TreeObjCheckable::setModelAndCheckedO(QStandardItemModel *model, QList<int> *checked)
{
    const QSignalBlocker blocker(m_model);
    m_model->clear();
    if (model) {
        const QList<int> ids = checked ? *checked : QList<int>();
        copyChildren(model->invisibleRootItem(), m_model->invisibleRootItem(), ids);
    }
    m_view->reset();
    m_view->expandAll();
}

void TreeObjCheckable::copyChildren(const QStandardItem *from, QStandardItem *to,
                                    const QList<int> &checked)
{
    for (int row = 0; row < from->rowCount(); ++row) {
        const QStandardItem *source = from->child(row);
        if (!source)
            continue;
        auto *copy = new QStandardItem(source->icon(), source->text());
        copy->setEditable(false);
        copy->setCheckable(true);
        int id = 0;
        if (objectId(source, &id)) {
            copy->setData(id, IdRole);
            copy->setCheckState(checked.contains(id) ? Qt::Checked : Qt::Unchecked);
        } else {
            copy->setCheckState(Qt::Unchecked);
        }
        to->appendRow(copy);
        copyChildren(source, copy, checked);
    }
}

void TreeObjCheckable::getCheckedObjs(QList<int> *ids, const QModelIndex &parent)
{
    if (!ids)
        return;
    const QStandardItem *root = parent.isValid() ? m_model->itemFromIndex(parent)
                                                 : m_model->invisibleRootItem();
    if (root)
        collectChecked(root, ids);
}

void TreeObjCheckable::collectChecked(const QStandardItem *item, QList<int> *ids) const
{
    for (int row = 0; row < item->rowCount(); ++row) {
        const QStandardItem *child = item->child(row);
        if (!child)
            continue;
        const QVariant id = child->data(IdRole);
        if (id.isValid() && child->checkState() == Qt::Checked)
            ids->append(id.toInt());
        collectChecked(child, ids);
    }
}

// A group's tick runs down to everything below it.
void TreeObjCheckable::onItemChanged(QStandardItem *item)
{
    const Qt::CheckState state = item->checkState();
    for (int row = 0; row < item->rowCount(); ++row) {
        QStandardItem *child = item->child(row);
        if (child && child->isCheckable() && child->checkState() != state)
            child->setCheckState(state);
    }
}
