#include "DialogSelectGraphObj.h"

#include "graphobj/GraphObject.h"
#include "panel/ItemChangeGate.h"
#include "records/ItemRoles.h"

#include <QCoreApplication>
#include <QHeaderView>
#include <QStandardItemModel>
#include <QTreeView>

namespace {

template <typename Visit>
void walkItem(QStandardItem *item, Visit &visit)
{
    visit(item);
    for (int row = 0; row < item->rowCount(); ++row) {
        if (QStandardItem *child = item->child(row))
            walkItem(child, visit);
    }
}

} // namespace

DialogSelectGraphObj::DialogSelectGraphObj()
    : PickerDialog(QStringLiteral("DialogSelectGraphObj"),
                   QCoreApplication::translate("DialogSelectGraphObj", "List graphic objects"))
{
    treeView = new QTreeView(this);
    treeView->setModel(model());
    treeView->header()->hide();
    treeView->setAutoExpandDelay(1);
    setTree(treeView, treeView);
    m_checkGate = std::make_unique<ItemChangeGate>([this] {
        return connect(model(), &QStandardItemModel::itemChanged, this,
                       &DialogSelectGraphObj::itemChangedX);
    });
    m_checkGate->open();
    m_index = std::make_unique<GraphObjectIndex>(model());
}

DialogSelectGraphObj::~DialogSelectGraphObj()
{
    m_checkGate->cut();
    releaseAllItems();
}

template <typename Visit>
void DialogSelectGraphObj::walk(Visit visit) const
{
    for (int row = 0; row < model()->rowCount(); ++row) {
        if (QStandardItem *item = model()->item(row, 0))
            walkItem(item, visit);
    }
}

void DialogSelectGraphObj::loadTree(QDataStream &in)
{
    releaseAllItems();
    model()->clear();
    BuildTree(in);
    // Opening every layer of a large tree costs a layout of every row: it
    // waits until the operator sees the tree.
    m_expandPending = true;
    if (isVisible()) {
        expandIfPending();
        refilter();
    }
}

void DialogSelectGraphObj::showEvent(QShowEvent *event)
{
    expandIfPending();
    QDialog::showEvent(event);
}

void DialogSelectGraphObj::expandIfPending()
{
    if (!m_expandPending)
        return;
    m_expandPending = false;
    treeView->expandAll();
}

void DialogSelectGraphObj::showForSection(const QList<int> &ids, QWidget *window)
{
    {
        const ItemChangeGate::Muted muted(*m_checkGate);
        walk([&ids](QStandardItem *item) {
            const GraphObject *object = itemGraphObject(item);
            item->setCheckState(object && ids.contains(object->id) ? Qt::Checked
                                                                   : Qt::Unchecked);
        });
    }

    // Open before it is measured, so that every name counts in its width.
    expandIfPending();
    showOver(window);
}

void DialogSelectGraphObj::checkedGraphObjects(QList<int> &ids, QString &names) const
{
    ids.clear();
    walk([&ids, &names](QStandardItem *item) {
        const GraphObject *object = itemGraphObject(item);
        if (object && item->checkState() == Qt::Checked) {
            ids.append(object->id);
            names += object->name + QLatin1Char(' ');
        }
    });
}

void DialogSelectGraphObj::findGraphObjects(const QList<int> &ids,
                                            GraphObjectList &objects) const
{
    m_index->find(ids, objects);
}

void DialogSelectGraphObj::itemChangedX(QStandardItem *item)
{
    if (!item)
        return;
    const Qt::CheckState state = item->checkState();
    for (int row = 0; row < item->rowCount(); ++row) {
        if (QStandardItem *child = item->child(row))
            child->setCheckState(state);
    }
}
