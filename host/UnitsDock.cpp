#include "UnitsDock.h"

#include "ObjectsModel.h"
#include "ServerConnection.h"

#include "wire/Commands.h"
#include "wire/UnitMessages.h"

#include <PluginInterface.h>

#include <QHeaderView>
#include <QMenu>
#include <QMessageBox>
#include <QTimer>
#include <QTreeView>

#include <functional>

namespace {

bool isUnitEdit(const QByteArray &command)
{
    return command == Commands::AddUnitNode || command == Commands::RenameUnitNode
           || command == Commands::MoveUnitNode || command == Commands::DeleteUnitNode
           || command == Commands::SetUnitDevice || command == Commands::SetUnitKey;
}

// Calls visit on every first-column item under parent, depth first; a false
// return skips the item's children.
void walk(const QAbstractItemModel *model, const QModelIndex &parent,
          const std::function<bool(const QModelIndex &)> &visit)
{
    for (int row = 0; row < model->rowCount(parent); ++row) {
        const QModelIndex child = model->index(row, 0, parent);
        if (visit(child))
            walk(model, child, visit);
    }
}

bool isUnit(const QModelIndex &index)
{
    return index.data(ObjectsModel::KindRole).toInt() == int(ObjectsModel::Kind::Unit);
}

} // namespace

UnitsDock::UnitsDock(ServerConnection *connection, ObjectsModel *objects, QWidget *parent)
    : QDockWidget(tr("Units"), parent)
    , m_connection(connection)
    , m_objects(objects)
    , m_view(new QTreeView)
    , m_ages(new QTimer(this))
{
    setObjectName(QStringLiteral("unitsDock"));
    setFeatures(QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable);
    m_view->setModel(objects);
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_view->setUniformRowHeights(true);
    m_view->setContextMenuPolicy(Qt::CustomContextMenu);
    m_view->setToolTip(tr("Double-click a unit to centre the map on it; right-click for"
                          " more."));
    connect(m_view, &QAbstractItemView::activated, this, [this](const QModelIndex &index) {
        const Node node = nodeAt(index);
        if (node.unit)
            emit unitActivated(node.id);
    });
    // Every column as wide as it needs; a narrow dock scrolls sideways.
    QHeaderView *columns = m_view->header();
    columns->setSectionResizeMode(QHeaderView::ResizeToContents);
    const QString age = objects->headerData(ObjectsModel::AgeColumn, Qt::Horizontal).toString();
    columns->setMinimumSectionSize(fontMetrics().horizontalAdvance(age) + 16);
    connect(objects, &QAbstractItemModel::rowsInserted, m_view, &QTreeView::expandAll);
    m_view->expandAll();
    connect(m_view, &QWidget::customContextMenuRequested, this, &UnitsDock::showMenu);
    setWidget(m_view);

    m_ages->setInterval(AgeRefreshMs);
    connect(m_ages, &QTimer::timeout, objects, &ObjectsModel::refreshAges);
    m_ages->start();
    connect(connection, &ServerConnection::hostReply, this, &UnitsDock::onReply);
    connect(connection, &ServerConnection::requestFailed, this, &UnitsDock::onFailure);
    // A lost link takes its unanswered requests with it.
    connect(connection, &ServerConnection::disconnected, this, [this] {
        m_unanswered = 0;
        m_adding.clear();
    });
}

UnitsDock::Node UnitsDock::nodeAt(const QModelIndex &index) const
{
    const QModelIndex name = index.siblingAtColumn(ObjectsModel::NameColumn);
    Node node;
    if (!name.isValid())
        return node;
    node.id = name.data(ObjectsModel::NodeIdRole).toInt();
    node.unit = isUnit(name);
    node.name = name.data().toString();
    node.groupId = node.unit ? name.parent().data(ObjectsModel::NodeIdRole).toInt() : node.id;
    return node;
}

void UnitsDock::showMenu(const QPoint &pos)
{
    const Node node = nodeAt(m_view->indexAt(pos));
    QMenu menu(this);
    menu.addAction(tr("Add &group…"), this, [this, node] { addNode(node, false); });
    menu.addAction(tr("Add &unit…"), this, [this, node] { addNode(node, true); });
    menu.addSeparator();
    const QList<QAction *> onNode{
        menu.addAction(tr("&Rename…"), this, [this, node] { rename(node); }),
        menu.addAction(tr("&Move to group…"), this, [this, node] { moveNode(node); }),
        menu.addAction(tr("&Delete"), this, [this, node] { deleteNode(node); }),
    };
    for (QAction *action : onNode)
        action->setEnabled(node.id != 0);
    menu.addSeparator();
    menu.addAction(tr("Set &device…"), this, [this, node] { setDevice(node); })
        ->setEnabled(node.unit);
    for (QAction *action : menu.actions())
        action->setEnabled(action->isEnabled() && m_connection->isConnected());
    menu.exec(m_view->viewport()->mapToGlobal(pos));
}

UnitDialog::Groups UnitsDock::groups(qint32 except) const
{
    UnitDialog::Groups groups{{0, tr("(top level)")}};
    std::function<void(const QModelIndex &, const QString &)> add =
        [&](const QModelIndex &parent, const QString &path) {
            walk(m_objects, parent, [&](const QModelIndex &index) {
                const qint32 id = index.data(ObjectsModel::NodeIdRole).toInt();
                if (isUnit(index) || id == except)
                    return false;
                const QString name = path + index.data().toString();
                groups.append({id, name});
                add(index, name + QStringLiteral(" / "));
                return false;
            });
        };
    add(QModelIndex(), QString());
    return groups;
}

void UnitsDock::addNode(const Node &at, bool unit)
{
    UnitDialog::Fields fields = UnitDialog::Name | UnitDialog::Group;
    if (unit)
        fields |= UnitDialog::Device | UnitDialog::Key;
    UnitDialog dialog(unit ? tr("Add unit") : tr("Add group"), fields, this);
    dialog.setGroups(groups(), at.groupId);
    if (dialog.exec() != QDialog::Accepted)
        return;
    using UnitMessages::NewNode;
    const NewNode node{dialog.groupId(), dialog.name(), unit ? NewNode::Unit : NewNode::Group};
    m_adding.enqueue({dialog.deviceId(), dialog.key()});
    send(Commands::AddUnitNode, UnitMessages::newNodeBody(node));
}

void UnitsDock::rename(const Node &node)
{
    UnitDialog dialog(tr("Rename %1").arg(node.name), UnitDialog::Name, this);
    dialog.setName(node.name);
    if (dialog.exec() == QDialog::Accepted)
        send(Commands::RenameUnitNode, UnitMessages::idTextBody({node.id, dialog.name()}));
}

void UnitsDock::moveNode(const Node &node)
{
    UnitDialog dialog(tr("Move %1").arg(node.name), UnitDialog::Group, this);
    const QModelIndex index = m_objects->match(m_objects->index(0, 0), ObjectsModel::NodeIdRole,
                                               node.id, 1, Qt::MatchExactly | Qt::MatchRecursive)
                                  .value(0);
    dialog.setGroups(groups(node.id), index.parent().data(ObjectsModel::NodeIdRole).toInt());
    if (dialog.exec() == QDialog::Accepted)
        send(Commands::MoveUnitNode, UnitMessages::nodeMoveBody({node.id, dialog.groupId(), -1}));
}

void UnitsDock::deleteNode(const Node &node)
{
    QString question = tr("Delete the unit “%1”?").arg(node.name);
    if (!node.unit) {
        const QModelIndex group = m_objects->match(m_objects->index(0, 0),
                                                   ObjectsModel::NodeIdRole, node.id, 1,
                                                   Qt::MatchExactly | Qt::MatchRecursive)
                                      .value(0);
        int groups = 0;
        int units = 0;
        walk(m_objects, group, [&](const QModelIndex &index) {
            ++(isUnit(index) ? units : groups);
            return true;
        });
        question = tr("Delete the group “%1” with everything in it: %2 groups and %3 units?")
                       .arg(node.name)
                       .arg(groups)
                       .arg(units);
    }
    QMessageBox box(QMessageBox::Question, tr("Delete"), question,
                    QMessageBox::Yes | QMessageBox::No, this);
    box.setDefaultButton(QMessageBox::No);
    if (box.exec() == QMessageBox::Yes)
        send(Commands::DeleteUnitNode, UnitMessages::idBody(node.id));
}

void UnitsDock::setDevice(const Node &node)
{
    UnitDialog dialog(tr("Device of %1").arg(node.name), UnitDialog::Device | UnitDialog::Key,
                      this);
    const UnitMessages::UnitInfo *info = m_objects->unitInfo(node.id);
    const QString current = info ? info->deviceId : QString();
    dialog.setDeviceId(current);
    dialog.setHasKey(info && info->hasKey);
    if (dialog.exec() != QDialog::Accepted)
        return;
    if (dialog.deviceId() != current)
        send(Commands::SetUnitDevice, UnitMessages::idTextBody({node.id, dialog.deviceId()}));
    if (!dialog.key().isEmpty() || dialog.removesKey())
        send(Commands::SetUnitKey, UnitMessages::idTextBody({node.id, dialog.key()}));
}

void UnitsDock::send(const QByteArray &command, const QByteArray &body)
{
    // Without a link the request would be dropped, and no answer would come.
    if (!m_connection->isConnected())
        return;
    ++m_unanswered;
    m_connection->sendHostRequest(command, body);
}

void UnitsDock::onReply(const QByteArray &command, const QByteArray &body)
{
    if (!isUnitEdit(command))
        return;
    if (command == Commands::AddUnitNode && !m_adding.isEmpty()) {
        const Device device = m_adding.dequeue();
        const std::optional<qint32> id = UnitMessages::readId(body);
        if (id && !device.id.isEmpty())
            send(Commands::SetUnitDevice, UnitMessages::idTextBody({*id, device.id}));
        if (id && !device.key.isEmpty())
            send(Commands::SetUnitKey, UnitMessages::idTextBody({*id, device.key}));
    }
    changeAnswered();
}

void UnitsDock::onFailure(const RequestFailure &failure, PluginInterface *plugin)
{
    // The window shows the failure; the units are read again all the same.
    if (plugin || !isUnitEdit(failure.command))
        return;
    if (failure.command == Commands::AddUnitNode && !m_adding.isEmpty())
        m_adding.dequeue();
    changeAnswered();
}

void UnitsDock::changeAnswered()
{
    if (m_unanswered > 0 && --m_unanswered == 0)
        m_connection->sendHostRequest(Commands::GetObjectTree);
}
