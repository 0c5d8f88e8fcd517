#include "OperativeBase.h"
#include "wire/Commands.h"

#include "PanMain.h"
#include "ChangePropertyCommand.h"
#include "PanProperties.h"

#include "records/ItemRoles.h"
#include "wire/RouteMessages.h"
#include "records/RouteRecord.h"
#include "shell/PluginLibrary.h"

#include <PluginHost.h>

#include <QAction>
#include <QCheckBox>
#include <QDataStream>
#include <QEvent>
#include <QHeaderView>
#include <QSplitter>
#include <QStandardItemModel>
#include <QTabWidget>
#include <QTreeView>
#include <QUndoGroup>
#include <QUndoStack>
#include <QVBoxLayout>

namespace {


const char MainViewStyle[] =
    "QTreeView { background-color: rgb(215, 215, 215); } "
    "QTreeView::item:selected{background-color: rgb(163, 186, 234);} "
    "QTreeView::branch:closed:has-children:has-siblings , "
    "QTreeView::branch:has-children:!has-siblings:closed { "
    "image: url(:/Pic/resources/branch-closed.png);  }  "
    "QTreeView::branch:open:has-children:has-siblings , "
    "QTreeView::branch:open:has-children:!has-siblings { "
    "image: url(:/Pic/resources/branch-open.png); }";

} // namespace

OperativeBase::OperativeBase()
    : QObject(nullptr)
    , host(nullptr)
    , undoStack(nullptr)
    , undoGroup(nullptr)
    , mainView(nullptr)
    , panelLayout(nullptr)
    , panMain(nullptr)
    , panProperties(nullptr)
    , itemPrototype(nullptr)
    , saveCommand(nullptr)
    , hostTabs(nullptr)
    , mapKey(-1)
{
    PluginLibrary::installTranslator();

    undoStack = new QUndoStack(this);
    undoGroup = new QUndoGroup(this);
    undoGroup->addStack(undoStack);
    undoGroup->setActiveStack(undoStack);

    PluginLibrary::initIconTable();

    itemPrototype = new QStandardItem;
    itemPrototype->setEditable(false);
    itemPrototype->setCheckable(false);

    panelLayout = new QVBoxLayout;
    layoutGuard = panelLayout;
    panMain = new PanMain(this);
    panMainGuard = panMain;
    panMain->selectAllBox->setChecked(false);
    panelLayout->addWidget(panMain);

    splitter = new QSplitter(Qt::Vertical);
    panelLayout->addWidget(splitter);

    mainView = new QTreeView;
    mainViewGuard = mainView;
    mainView->setStyleSheet(QString::fromLatin1(MainViewStyle));
    mainView->setDragEnabled(false);
    mainView->setDragDropMode(QAbstractItemView::NoDragDrop);
    mainView->setSelectionBehavior(QAbstractItemView::SelectRows);
    mainView->setSelectionMode(QAbstractItemView::SingleSelection);
    mainView->setIconSize(QSize(32, 32));
    mainView->setRootIsDecorated(true);
    mainView->setAlternatingRowColors(true);
    mainView->setItemsExpandable(true);
    mainView->header()->show();
    mainView->header()->setSectionResizeMode(QHeaderView::Interactive);
    mainView->header()->setStretchLastSection(true);
    mainView->setModel(model);
    splitter->addWidget(mainView);

    panProperties = new PanProperties(this);
    splitter->addWidget(panProperties);

    connect(mainView, SIGNAL(activated(const QModelIndex &)), this,
            SLOT(onMainItemClicked(const QModelIndex &)));
    connect(mainView, SIGNAL(clicked(const QModelIndex &)), this,
            SLOT(onMainItemClicked(const QModelIndex &)));
}

OperativeBase::~OperativeBase()
{
    // The tree's records go while the item data is still readable.
    releaseAllItems();

    delete itemPrototype;
    // The widgets may already be gone with a host page that held them.
    delete mainViewGuard.data();
    delete panMainGuard.data();
    delete splitter.data();
    delete layoutGuard.data();
}

QWidget *OperativeBase::CreateWidget(QWidget *, QTabWidget *tabs)
{
    hostTabs = tabs;
    const int key = tabs ? tabs->count() - 1 : -1;
    auto *widget = new QWidget;
    tabWidgets.insert(key, widget);
    watchHostPage(widget);
    if (!hostWidget)
        putPanelOn(widget);
    return widget;
}

void OperativeBase::putPanelOn(QWidget *page)
{
    hostWidget = page;
    page->setLayout(panelLayout);
}

void OperativeBase::watchHostPage(QWidget *page)
{
    connect(page, &QObject::destroyed, this, [this](QObject *dying) { hostPageDestroyed(dying); });
}

void OperativeBase::hostPageDestroyed(QObject *page)
{
    for (auto it = tabWidgets.begin(); it != tabWidgets.end();) {
        if (it.value() == page)
            it = tabWidgets.erase(it);
        else
            ++it;
    }
    // The page has deleted its layout already; its children are still alive.
    if (!panMainGuard || panMain->parent() != page)
        return;
    hostWidget = nullptr;
    panMain->setParent(nullptr);
    if (splitter)
        splitter->setParent(nullptr);
    panelLayout = new QVBoxLayout;
    layoutGuard = panelLayout;
    panelLayout->addWidget(panMain);
    if (splitter)
        panelLayout->addWidget(splitter);
}

void OperativeBase::SetHost(PluginHost *newHost)
{
    host = newHost;
    QObject *notifier = host ? host->GetServerNotifier() : nullptr;
    if (notifier) {
        connect(notifier, SIGNAL(OnConnectToServerSignal(QByteArray &)), this,
                SLOT(ConnectToServer(QByteArray &)));
    }
}

void OperativeBase::BindMap(int, int mapId)
{
    if (mapKey != -1)
        return;
    mapKey = mapId;
    bindToMap(host, mapId);
}

void OperativeBase::OnServerReply(QByteArray &command, QByteArray &body)
{
    QDataStream in(body);
    in.setVersion(QDataStream::Qt_4_5);
    const int end = command.indexOf('\0');
    const QString name = QString::fromUtf8(end < 0 ? command : command.left(end));
    handleReply(name, in);
}

void OperativeBase::OnTabActivated(int mapId)
{
    if (!hostTabs || tabWidgets.isEmpty())
        return;
    QWidget *widget = tabWidgets.value(hostTabs->currentIndex(), nullptr);
    if (!widget)
        return;
    putPanelOn(widget);
    bindToMap(host, mapId);
}

void OperativeBase::OnClose(QEvent *event)
{
    resetTree();
    if (event)
        event->accept();
}

void OperativeBase::ReleaseItemData(QStandardItem *item)
{
    if (!item)
        return;
    delete itemRoute(item);
    if (item->data(ItemRole::Route).toLongLong() != 0)
        item->setData(qlonglong(0), ItemRole::Route);
    SupportTreeLayers::ReleaseItemData(item);
}

void OperativeBase::resetTree()
{
}

void OperativeBase::selectMainIndex(const QModelIndex &index)
{
    mainView->setCurrentIndex(index);
    currentMainIndex = QModelIndex();
    onMainItemClicked(index);
}

bool OperativeBase::acceptPropertyChange(const QModelIndex &, const QModelIndex &,
                                         const QVariant &)
{
    return true;
}

void OperativeBase::mainItemChanged(QStandardItem *item)
{
    if (!item || item->column() != 0)
        return;
    QStandardItem *judged = item->isCheckable() ? item : item->parent();
    const bool checked = judged && judged->checkState() == Qt::Checked;
    ItemChecked(item, checked);

    const Qt::CheckState state = item->checkState();
    for (int row = 0; row < item->rowCount(); ++row) {
        QStandardItem *child = item->child(row);
        if (child && child->isCheckable())
            child->setCheckState(state);
    }
    if (mainView->currentIndex() != item->index())
        mainView->setCurrentIndex(item->index());
}

QVariant OperativeBase::rowSnapshot(const QModelIndex &)
{
    return QVariant();
}

void OperativeBase::restoreRowSnapshot(const QModelIndex &, const QVariant &)
{
}

void OperativeBase::ConnectToServer(QByteArray &)
{
    requestTrees();
}

void OperativeBase::selectAllChecked(int state)
{
    for (int row = 0; row < model->rowCount(); ++row) {
        if (QStandardItem *item = model->item(row, 0))
            item->setCheckState(Qt::CheckState(state));
    }
}

void OperativeBase::onGetClicked()
{
    requestTrees();
}

void OperativeBase::onCollapseClicked()
{
    QAbstractItemModel *viewModel = mainView->model();
    bool anyExpanded = false;
    for (int row = viewModel->rowCount() - 1; row >= 0 && !anyExpanded; --row)
        anyExpanded = mainView->isExpanded(viewModel->index(row, 0));

    if (!anyExpanded) {
        mainView->expandAll();
        panMain->expandAction->setIcon(QIcon(QStringLiteral(":/Pic/resources/branch-open.png")));
    } else {
        mainView->collapseAll();
        mainView->setCurrentIndex(QModelIndex());
        panMain->expandAction->setIcon(QIcon(QStringLiteral(":/Pic/resources/branch-closed.png")));
    }
}

void OperativeBase::onEditorOnOff(bool on)
{
    panProperties->setVisible(on);
}

void OperativeBase::onMainItemClicked(QModelIndex index)
{
    const QModelIndex first = index.sibling(index.row(), 0);
    if (first == currentMainIndex)
        return;
    currentMainIndex = first;
    QStandardItem *item = model->itemFromIndex(first);
    const uint mask = item ? item->data(ItemRole::TypeMask).toUInt() : 0;
    panProperties->setEnabled(mask & 2);
    showProperties(item);
    valueBeforeEdit = QVariant();
}

void OperativeBase::onMainItemChanged(QStandardItem *item)
{
    mainItemChanged(item);
}

void OperativeBase::onSaveClicked()
{
    QByteArray body;
    QDataStream out(&body, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_4_5);
    bool written = false;
    for (int row = 0; row < model->rowCount(); ++row) {
        if (QStandardItem *item = model->item(row, 0))
            written = writeItem(item, out) || written;
    }
    RouteMessages::writeSaveEnd(out, deletedRouteIds);
    if ((written || !deletedRouteIds.isEmpty()) && saveCommand)
        sendRequest(QByteArray(saveCommand), body);
}

void OperativeBase::onPropertyItemClicked(QModelIndex index)
{
    if (index.isValid())
        valueBeforeEdit = index.data(Qt::EditRole);
    else
        valueBeforeEdit = QVariant();
}

void OperativeBase::sendRequest(const QByteArray &command, const QByteArray &body)
{
    const QByteArray server(Commands::ServerName);
    if (!host)
        return;
    if (ServerLink *link = host->GetServerLink())
        link->SendToServer(server, command, body, this);
}

void OperativeBase::connectMainModel(bool on)
{
    if (on) {
        connect(model, SIGNAL(itemChanged(QStandardItem *)), this,
                SLOT(onMainItemChanged(QStandardItem *)), Qt::UniqueConnection);
    } else {
        disconnect(model, SIGNAL(itemChanged(QStandardItem *)), this,
                   SLOT(onMainItemChanged(QStandardItem *)));
    }
}

void OperativeBase::connectPropertyModel(bool on)
{
    QStandardItemModel *properties = panProperties->propertyModel;
    if (on) {
        connect(properties, SIGNAL(itemChanged(QStandardItem *)), this,
                SLOT(onPropertyItemChanged(QStandardItem *)), Qt::UniqueConnection);
    } else {
        disconnect(properties, SIGNAL(itemChanged(QStandardItem *)), this,
                   SLOT(onPropertyItemChanged(QStandardItem *)));
    }
}

void OperativeBase::markRouteEditState(int state, int routeId, QStandardItem *routeItem)
{
    if (routeItem && state != EditState::Deleted) {
        deletedRouteIds.remove(routeId);
        connectMainModel(false);
        routeItem->setData(state, ItemRole::EditState);
        connectMainModel(true);
    } else {
        deletedRouteIds.insert(routeId);
    }
    panProperties->saveAction->setEnabled(true);
}

void OperativeBase::resetAfterSave()
{
    deletedRouteIds.clear();
    panProperties->saveAction->setEnabled(false);
    undoStack->clear();
    connectMainModel(false);
    for (int row = 0; row < model->rowCount(); ++row)
        clearEditStates(model->item(row, 0));
    connectMainModel(true);
}

void OperativeBase::clearEditStates(QStandardItem *item)
{
    if (!item)
        return;
    const int state = itemEditState(item);
    if (state == EditState::New || state == EditState::Changed)
        item->setData(EditState::Unchanged, ItemRole::EditState);
    if (RouteRecord *route = itemRoute(item))
        route->sectionsReordered = false;
    for (int row = 0; row < item->rowCount(); ++row)
        clearEditStates(item->child(row));
}

void OperativeBase::onPropertyItemChanged(QStandardItem *item)
{
    if (!item)
        return;
    const QModelIndex index = item->index();
    if (!index.isValid())
        return;

    QVariant newValue;
    if (item->isCheckable()) {
        // A check cell always toggles between 0 and 2.
        const bool checked = item->checkState() == Qt::Checked;
        newValue = checked ? 2 : 0;
        valueBeforeEdit = checked ? 0 : 2;
    } else {
        newValue = item->data(Qt::EditRole);
    }

    if (acceptPropertyChange(currentMainIndex, index, newValue)) {
        undoStack->push(new ChangePropertyCommand(this, index, valueBeforeEdit, newValue, nullptr));
        valueBeforeEdit = newValue;
        return;
    }

    connectPropertyModel(false);
    if (item->isCheckable())
        item->setCheckState(item->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
    else
        item->setText(valueBeforeEdit.toString());
    connectPropertyModel(true);
}
