#ifndef PANELPROBE_H
#define PANELPROBE_H

#include "records/ItemRoles.h"

#include <QAbstractItemModel>
#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <QTreeView>

// Finds the panel's parts from outside, through its widgets and the item
// roles, as a host or a tool sees them.
namespace PanelProbe {

// The first row at or below parent whose item carries the route of node id.
inline QModelIndex findRoute(const QAbstractItemModel *model, int nodeId,
                             const QModelIndex &parent = QModelIndex())
{
    for (int row = 0; model && row < model->rowCount(parent); ++row) {
        const QModelIndex index = model->index(row, 0, parent);
        if (index.data(ItemRole::NodeId).toInt() == nodeId
            && index.data(ItemRole::Route).toLongLong() != 0)
            return index;
        const QModelIndex found = findRoute(model, nodeId, index);
        if (found.isValid())
            return found;
    }
    return {};
}

// The rule tree on the panel's page: the view whose model holds route nodeId;
// null when none does.
inline QTreeView *ruleView(const QWidget *page, int nodeId)
{
    for (QTreeView *view : page ? page->findChildren<QTreeView *>() : QList<QTreeView *>()) {
        if (findRoute(view->model(), nodeId).isValid())
            return view;
    }
    return nullptr;
}

// Ticks the route's box as an operator would; false when no view shows it.
inline bool tickRoute(const QWidget *page, int nodeId)
{
    QTreeView *view = ruleView(page, nodeId);
    return view && view->model()->setData(findRoute(view->model(), nodeId), Qt::Checked,
                                          Qt::CheckStateRole);
}

// Presses button on the next message box shown, Cancel when its text lacks naming.
inline void answerMessageBox(QMessageBox::StandardButton button, const QString &naming = {})
{
    QTimer::singleShot(0, [=] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget()))
            box->button(box->text().contains(naming) ? button : QMessageBox::Cancel)->click();
    });
}

// Presses button on the first message box shown from now on, however deep in other loops (a
// menu's, a close's); its text goes to *text. The watch ends with context.
inline void answerWhenAsked(QObject *context, QMessageBox::StandardButton button,
                            QString *text = nullptr)
{
    auto *watch = new QTimer(context);
    QObject::connect(watch, &QTimer::timeout, [watch, button, text] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            watch->stop(), watch->deleteLater();
            if (text)
                *text = box->text();
            box->button(button)->click();
        }
    });
    watch->start(5);
}

} // namespace PanelProbe

#endif // PANELPROBE_H
