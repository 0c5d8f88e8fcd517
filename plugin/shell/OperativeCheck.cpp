#include "OperativeCheck.h"

#include "PluginLog.h"

#include "panel/ItemChangeGate.h"
#include "panel/PanProperties.h"
#include "panel/RuleTreeModel.h"
#include "records/ItemRoles.h"
#include "records/RouteRecord.h"
#include "records/SectionRecord.h"
#include "routecheck/NodeCommands.h"
#include "routecheck/NodeRequests.h"
#include "routecheck/RouteCommands.h"
#include "routecheck/RouteEditActions.h"
#include "routecheck/RouteEditTarget.h"
#include "routecheck/RouteMap.h"
#include "routecheck/RouteMenu.h"
#include "routecheck/RouteProperties.h"
#include "routecheck/RouteTree.h"
#include "routecheck/ScheduleEditors.h"
#include "wire/Commands.h"
#include "wire/RequestFailure.h"
#include "wire/RouteMessages.h"

#include <TreeObjCheckable.h>

#include <QAction>
#include <QDataStream>
#include <QEvent>
#include <QInputDialog>
#include <QMenu>
#include <QMessageBox>
#include <QStandardItemModel>
#include <QTreeView>
#include <QUndoStack>

// The panel as the undo commands see it. Each tree operation ends by making
// its result row current, so that the table shows what was just done.
class OperativeCheck::CommandPort final : public NodeEditTarget
{
public:
    explicit CommandPort(OperativeCheck &panel)
        : m_panel(panel)
    {
    }

    QStandardItemModel *treeModel() const override { return m_panel.model(); }
    QModelIndex currentRow() const override { return m_panel.currentMainIndex(); }
    void selectRow(const QModelIndex &row) override { m_panel.selectMainIndex(row); }
    void setEditState(int state, QStandardItem *item) override
    {
        m_panel.setItemEditState(state, item);
    }
    void applyProperty(const QModelIndex &row, const QModelIndex &property,
                       const QVariant &value) override
    {
        m_panel.m_properties->apply(m_panel.itemAt(row), property, value);
    }
    QVariant rowSnapshot(const QModelIndex &row) const override
    {
        return RouteProperties::snapshot(m_panel.itemAt(row));
    }
    void restoreRowSnapshot(const QModelIndex &row, const QVariant &snapshot) override
    {
        m_panel.m_properties->restore(m_panel.itemAt(row), snapshot);
    }

    QModelIndex addRoute(const QModelIndex &row, RouteRecord *route) override
    {
        m_panel.m_tree->addRoute(row, route);
        m_panel.selectMainIndex(row);
        return row;
    }
    QModelIndex deleteRoute(const QModelIndex &row) override
    {
        m_panel.m_tree->deleteRoute(row);
        m_panel.selectMainIndex(row);
        return row;
    }
    QModelIndex addSection(const QModelIndex &row, SectionRecord *section) override
    {
        const QModelIndex added = m_panel.m_tree->addSection(row, section);
        if (added.isValid())
            m_panel.mainView()->expand(added.parent());
        m_panel.selectMainIndex(added);
        return added;
    }
    QModelIndex deleteSection(const QModelIndex &row) override
    {
        if (!itemSection(m_panel.itemAt(row)))
            return QModelIndex();
        const QModelIndex routeRow = m_panel.m_tree->deleteSection(row);
        m_panel.selectMainIndex(routeRow);
        return routeRow;
    }
    void showRoute(QStandardItem *item, bool shown) override { m_panel.ItemChecked(item, shown); }

    QStandardItem *newNodeItem(const QString &name, qint32 id, uint bits) const override
    {
        return m_panel.newNodeItem(name, id, bits);
    }
    void setRowData(QStandardItem *item, int role, const QVariant &value) override
    {
        const ItemChangeGate::Muted muted(m_panel.treeGate());
        item->setData(value, role);
    }
    void expandRow(const QModelIndex &row) override { m_panel.mainView()->expand(row); }
    NodeRequests &nodeRequests() override { return *m_panel.m_nodeRequests; }
    void dropStep(QUndoCommand *command) override
    {
        QUndoStack *stack = m_panel.undoStack();
        for (int i = 0; i < stack->count(); ++i) {
            if (stack->command(i) != command)
                continue;
            // Later steps go back first; this one is undone, then deleted unredone.
            if (stack->index() > i)
                stack->setIndex(i);
            command->setObsolete(true);
            stack->redo();
            return;
        }
    }

private:
    OperativeCheck &m_panel;
};

OperativeCheck::OperativeCheck()
{
    m_map = std::make_unique<RouteMap>(*this, m_graphObjDialog);
    m_tree = std::make_unique<RouteTree>(model(), treeGate(), *m_map);
    m_properties = std::make_unique<RouteProperties>(*panProperties(), propertyGate(), *m_tree);
    m_port = std::make_unique<CommandPort>(*this);
    m_nodeRequests = std::make_unique<NodeRequests>(
        [this](const QByteArray &command, const QByteArray &body) { sendRequest(command, body); });
    m_nodeRequests->setIdle([this] { releaseHeldSave(); });

    m_menu = std::make_unique<RouteMenu>(this);
    connect(m_menu->showOnMap(), &QAction::triggered, this, &OperativeCheck::onShowOnMap);
    connect(m_menu->checkOff(), &QAction::triggered, this, &OperativeCheck::onSetCheckMode);
    connect(m_menu->checkOn(), &QAction::triggered, this, &OperativeCheck::onSetCheckMode);
    connect(m_menu->newGroup(), &QAction::triggered, this, &OperativeCheck::onNewGroup);
    connect(m_menu->newRoute(), &QAction::triggered, this, &OperativeCheck::onNewRoute);
    connect(m_menu->renameNode(), &QAction::triggered, this, &OperativeCheck::onRenameNode);

    mainView()->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(mainView(), &QTreeView::customContextMenuRequested, this,
            &OperativeCheck::onContextMenuRequested);
    connect(mainView(), &QTreeView::doubleClicked, this, &OperativeCheck::onMainItemDblClicked);

    treeGate().open();

    m_editActions = std::make_unique<RouteEditActions>(*panProperties());
    connect(m_editActions->addRoute(), &QAction::triggered, this,
            &OperativeCheck::onAddRouteClicked);
    connect(m_editActions->addSection(), &QAction::triggered, this,
            &OperativeCheck::onAddSectClicked);
    connect(m_editActions->deleteRoute(), &QAction::triggered, this,
            &OperativeCheck::onDelRouteClicked);
    connect(m_editActions->deleteSection(), &QAction::triggered, this,
            &OperativeCheck::onDelSectClicked);
    connect(m_editActions->selectObjects(), &QAction::triggered, this,
            &OperativeCheck::onSelObjsClicked);
    connect(m_editActions->selectGraphObjects(), &QAction::triggered, this,
            &OperativeCheck::onSelGObjClicked);
    connect(m_editActions->newGroup(), &QAction::triggered, this, &OperativeCheck::onNewGroup);
    connect(m_editActions->newRoute(), &QAction::triggered, this, &OperativeCheck::onNewRoute);
    connect(m_editActions->renameNode(), &QAction::triggered, this,
            &OperativeCheck::onRenameNode);

    connect(&m_objectsDialog, &QDialog::accepted, this, &OperativeCheck::onSelObjsAccepted);
    connect(&m_graphObjDialog, &QDialog::accepted, this, &OperativeCheck::onSelGObjAccepted);

    ScheduleEditors::instance();
    resetTree();
}

OperativeCheck::~OperativeCheck()
{
    resetTree();
    // The graphic objects die with their dialog; the map must not keep their shapes.
    m_map->clear();
}

QString OperativeCheck::GetPluginName()
{
    return QStringLiteral("OperativeCheckPlugin");
}

QString OperativeCheck::GetName()
{
    return QStringLiteral("OperativeCheck");
}

void OperativeCheck::OnClose(QEvent *event)
{
    // The dialogs stay when the operator keeps the window for the unsaved edits.
    OperativeBase::OnClose(event);
    if (event && !event->isAccepted())
        return;
    m_objectsDialog.close();
    m_graphObjDialog.close();
}

void OperativeCheck::ReadItemPayload(QStandardItem *item, QDataStream &in)
{
    bool hasRoute = false;
    in >> hasRoute;
    if (hasRoute)
        m_tree->attachRoute(item, RouteMessages::readRoute(in));
}

void OperativeCheck::ItemChecked(QStandardItem *item, bool checked)
{
    const RouteRecord *route = itemSection(item) ? itemRoute(item->parent()) : itemRoute(item);
    if (route)
        m_map->drawRoute(*route, checked);
}

qint64 OperativeCheck::ItemKey(QStandardItem *item)
{
    const RouteRecord *route = itemRoute(item);
    return route ? route->id : 0;
}

QMenu *OperativeCheck::contextMenu() const
{
    return m_menu->menu();
}

void OperativeCheck::resetTree()
{
    // What is still to go out was made on the rows being discarded.
    m_nodeRequests->dropUnsent();
    OperativeBase::resetTree();
    model()->setHeaderData(0, Qt::Horizontal, tr("Graphic layers/rules"), Qt::EditRole);
    model()->setHeaderData(1, Qt::Horizontal, tr("Check Mode"), Qt::EditRole);
}

void OperativeCheck::requestTrees()
{
    SaveChecked();
    sendRequest(QByteArray(Commands::GetRuleTree), QByteArray());
    sendRequest(QByteArray(Commands::GetLayerTree), QByteArray());
}

void OperativeCheck::handleReply(const QString &command, QDataStream &body)
{
    if (command == QLatin1String(Commands::GetRuleTree)) {
        const ItemChangeGate::Muted muted(treeGate());
        resetTree();
        BuildTree(body);
        // Columns sized for the expanded tree, which is then shown collapsed.
        fitColumnsToExpandedTree();
        onCollapseClicked();
        m_map->clear();
        m_map->refresh();
    } else if (command == QLatin1String(Commands::GetLayerTree)) {
        // The old objects go with the old tree: their shapes leave the map first.
        m_map->clear();
        m_graphObjDialog.loadTree(body);
        RestoreChecked(true);
        // A layer tree that arrives on its own must not leave shown routes blank.
        m_map->redrawShownRoutes(model()->invisibleRootItem());
        m_map->placeLegend();
    } else if (command == QLatin1String(Commands::LayerTreeChanged)) {
        // New or changed shapes: the tree comes again and shown routes are drawn with it.
        sendRequest(QByteArray(Commands::GetLayerTree), QByteArray());
    } else if (command == QLatin1String(Commands::FixRoutes)) {
        resetAfterSave();
    } else if (command == QLatin1String(Commands::SetCheckMode)) {
        // One delayed relayout of the view for the whole reply: an expanded view
        // would otherwise measure each changed row as it changes.
        mainView()->setRootIndex(mainView()->rootIndex());
        m_tree->applyCheckMode(RouteMessages::readCheckModeReply(body));
    } else if (command == QLatin1String(Commands::SectionsState)) {
        m_tree->applySectionsState(RouteMessages::readSectionsState(body));
    } else if (command == QLatin1String(Commands::RequestFailed)) {
        takeFailure(body.device()->readAll());
    } else if (m_nodeRequests->takeReply(command.toLatin1(), body.device()->readAll())) {
        // A node edit answered.
    } else {
        qCDebug(ocPlugin) << "reply" << command << "ignored";
    }
}

void OperativeCheck::showProperties(QStandardItem *item)
{
    const SectionRecord *section = itemSection(item);
    const RouteRecord *route = section ? nullptr : itemRoute(item);
    m_editActions->offerFor(route != nullptr, section != nullptr);
    m_editActions->offerNodeEdits(canAddNode(), canRename());
    m_menu->offerFor(item != nullptr, canAddNode(), canRename());
    m_properties->show(item, objectsModel());
}

EditTarget &OperativeCheck::editTarget()
{
    return *m_port;
}

bool OperativeCheck::acceptPropertyChange(const QModelIndex &mainIndex,
                                          const QModelIndex &propertyIndex, const QVariant &value)
{
    // Typed times that do not read as one are refused; the server's are read as they come.
    return !itemSection(itemAt(mainIndex))
        || !RouteProperties::isTimeRow(propertyIndex.row())
        || ScheduleEditors::durationProblem(value.toString()).isEmpty();
}

bool OperativeCheck::saveMustWait() const
{
    return m_nodeRequests->busy();
}

void OperativeCheck::takeFailure(const QByteArray &body)
{
    const std::optional<RequestFailure> failure = RequestFailure::read(body);
    if (!failure)
        qCWarning(ocPlugin) << "a request failure that does not read; dropped";
    else if (!m_nodeRequests->takeFailure(*failure))
        qCWarning(ocPlugin) << "the server could not carry out" << failure->command << ":"
                            << failure->reason;
}

void OperativeCheck::deleteCurrentRow()
{
    // A locked row keeps its toolbar, and so the key, disabled.
    const QStandardItem *item = currentMainItem();
    if (!panProperties()->isEnabled())
        return;
    if (itemSection(item))
        onDelSectClicked();
    else if (itemRoute(item))
        onDelRouteClicked();
}

void OperativeCheck::leavingMap()
{
    m_map->showRoutes(model()->invisibleRootItem(), false);
}

void OperativeCheck::enteredMap()
{
    m_map->showRoutes(model()->invisibleRootItem(), true);
}

QStandardItem *OperativeCheck::itemAt(const QModelIndex &index) const
{
    return index.isValid() ? model()->itemFromIndex(index) : nullptr;
}

QStandardItem *OperativeCheck::currentMainItem() const
{
    return itemAt(currentMainIndex());
}

QModelIndex OperativeCheck::selectedIndex() const
{
    const QItemSelectionModel *selection = mainView()->selectionModel();
    const QModelIndexList selected = selection ? selection->selectedIndexes() : QModelIndexList();
    return selected.isEmpty() ? QModelIndex() : selected.first();
}

void OperativeCheck::onMainItemDblClicked(QModelIndex index)
{
    if (index.column() != 0)
        return;
    QStandardItem *item = itemAt(index);
    if (!item)
        return;

    QList<int> objectIds;
    QStandardItem *toCheck = item;
    if (const SectionRecord *section = itemSection(item)) {
        objectIds = section->graphObjectIds;
        toCheck = item->parent();
    } else if (const RouteRecord *route = itemRoute(item)) {
        for (const SectionRecord *routeSection : route->sections)
            objectIds += routeSection->graphObjectIds;
    }
    m_map->moveTo(objectIds);
    if (toCheck)
        toCheck->setCheckState(Qt::Checked);
}

void OperativeCheck::onContextMenuRequested(QPoint pos)
{
    QStandardItem *item = itemAt(selectedIndex());
    if (itemSection(item))
        return;
    // Beside every row only the node edits apply, at the top level.
    if (!item)
        selectMainIndex(QModelIndex());
    m_menu->offerFor(item != nullptr, canAddNode(), canRename());
    m_menu->showOnMap()->setChecked(item && item->checkState() == Qt::Checked);
    m_menu->menu()->exec(mainView()->viewport()->mapToGlobal(pos));
}

void OperativeCheck::onShowOnMap()
{
    const QModelIndex selected = selectedIndex();
    if (!selected.isValid())
        return;
    if (m_menu->showOnMap()->isChecked())
        onMainItemDblClicked(selected);
    else if (QStandardItem *item = itemAt(selected))
        item->setCheckState(Qt::Unchecked);
}

void OperativeCheck::onAddRouteClicked()
{
    undoStack()->push(new AddRouteCommand(*m_port));
}

void OperativeCheck::onDelRouteClicked()
{
    // A route goes only when the operator says so, named, since the button sits by "Del section".
    if (const QStandardItem *item = currentMainItem(); item && itemRoute(item)) {
        const QMessageBox::StandardButton answer = QMessageBox::question(
            mainView(), tr("Del route"), tr("Delete route \"%1\"?").arg(item->text()),
            QMessageBox::Yes | QMessageBox::Cancel, QMessageBox::Cancel);
        if (answer != QMessageBox::Yes)
            return;
    }
    undoStack()->push(new DeleteRouteCommand(*m_port));
}

void OperativeCheck::onAddSectClicked()
{
    undoStack()->push(new AddSectCommand(*m_port));
}

void OperativeCheck::onDelSectClicked()
{
    undoStack()->push(new DeleteSectCommand(*m_port));
}

void OperativeCheck::onSelObjsClicked()
{
    RouteRecord *route = itemRoute(currentMainItem());
    if (!route)
        return;
    m_objectsDialog.showForRoute(objectsModel(), &route->objects, mainView()->window());
}

void OperativeCheck::onSelObjsAccepted()
{
    QList<int> ids;
    m_objectsDialog.treeWidget()->getCheckedObjs(&ids, QModelIndex());
    undoStack()->push(new ChangeListObjsCommand(*m_port, ids));
}

void OperativeCheck::onSelGObjClicked()
{
    const SectionRecord *section = itemSection(currentMainItem());
    if (!section)
        return;
    m_graphObjDialog.showForSection(section->graphObjectIds, mainView()->window());
}

void OperativeCheck::onSelGObjAccepted()
{
    QList<int> ids;
    QString names;
    m_graphObjDialog.checkedGraphObjects(ids, names);

    undoStack()->beginMacro(QObject::tr("Select graph objects"));
    undoStack()->push(new SelectGraphObjCommand(*m_port, ids));
    // The names become the section's name, as an edit of its "Name" row would.
    QStandardItem *nameCell = panProperties()->propertyModel()->item(0, 1);
    onPropertyItemClicked(nameCell ? nameCell->index() : QModelIndex());
    if (nameCell && !names.isEmpty() && itemSection(currentMainItem()))
        nameCell->setText(names);
    undoStack()->endMacro();
}

void OperativeCheck::onSetCheckMode()
{
    const QModelIndex selected = selectedIndex();
    auto *action = qobject_cast<QAction *>(sender());
    if (!selected.isValid() || !action)
        return;

    // Pending edits reach the server before the mode changes, unless dropped.
    const Answer answer = !hasUnsavedEdits() ? Answer::Save : askAboutEdits(
        tr("Switch checking"), tr("The route edits are not saved. They are saved before "
                                  "checking is switched; discarding reloads the routes."));
    if (answer == Answer::Cancel)
        return;
    if (answer == Answer::Discard)
        requestTrees();
    else
        onSaveClicked();
    const qint32 mode = qint32(action->data().toUInt());
    const QList<int> ids = RouteTree::routeIdsUnder(itemAt(selected));
    // After the save, even one held for new nodes' ids.
    sendAfterSave(QByteArray(Commands::SetCheckMode), RouteMessages::checkModeRequest(mode, ids));
}

QModelIndex OperativeCheck::newNodeParent() const
{
    const QStandardItem *item = currentMainItem();
    if (itemSection(item))
        item = item->parent();
    if (item && itemRoute(item))
        item = item->parent();
    return item ? item->index() : QModelIndex();
}

bool OperativeCheck::canAddNode() const
{
    const QModelIndex parent = newNodeParent();
    return !parent.isValid()
        || RuleTreeModel::allowsEditing(parent.data(ItemRole::TypeMask).toUInt());
}

bool OperativeCheck::canRename() const
{
    const QStandardItem *item = currentMainItem();
    return item && !itemSection(item)
        && RuleTreeModel::allowsEditing(item->data(ItemRole::TypeMask).toUInt());
}

QString OperativeCheck::askName(const QString &title, const QString &label, const QString &text)
{
    bool ok = false;
    const QString name =
        QInputDialog::getText(mainView(), title, label, QLineEdit::Normal, text, &ok);
    return ok ? name : QString();
}

void OperativeCheck::addNode(bool withRoute)
{
    if (!canAddNode())
        return;
    const QString name = withRoute ? askName(tr("New route"), tr("Name of the new route:"), {})
                                   : askName(tr("New group"), tr("Name of the new group:"), {});
    if (name.trimmed().isEmpty())
        return;
    undoStack()->push(new AddNodeCommand(*m_port, newNodeParent(), name, withRoute));
}

void OperativeCheck::onNewGroup()
{
    addNode(false);
}

void OperativeCheck::onNewRoute()
{
    addNode(true);
}

void OperativeCheck::onRenameNode()
{
    const QStandardItem *item = currentMainItem();
    if (!canRename())
        return;
    const QString name = askName(tr("Rename"), tr("New name:"), item->text());
    if (name.trimmed().isEmpty() || name == item->text())
        return;
    undoStack()->push(new RenameNodeCommand(*m_port, name));
}
