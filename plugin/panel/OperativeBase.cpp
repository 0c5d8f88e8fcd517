#include "OperativeBase.h"

#include "ChangePropertyCommand.h"
#include "EditLedger.h"
#include "HostAdapter.h"
#include "HostPages.h"
#include "ItemChangeGate.h"
#include "PanMain.h"
#include "PanProperties.h"
#include "PanelNotice.h"
#include "PanelWidgets.h"
#include "RuleTreeModel.h"

#include "records/ItemRoles.h"
#include "records/RouteRecord.h"
#include "shell/PluginLibrary.h"
#include "wire/Commands.h"
#include "wire/RequestFailure.h"

#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QAction>
#include <QApplication>
#include <QDataStream>
#include <QEvent>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPointer>
#include <QStandardItemModel>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTextEdit>
#include <QTreeView>
#include <QUndoGroup>
#include <QUndoStack>

#include <optional>
#include <utility>

OperativeBase::OperativeBase()
    : QObject(nullptr)
    , SupportTreeLayers(new RuleTreeModel(0, 2))
{
    PluginLibrary::installTranslator();

    m_undoStack = new QUndoStack(this);
    m_undoGroup = new QUndoGroup(this);
    m_undoGroup->addStack(m_undoStack);
    m_undoGroup->setActiveStack(m_undoStack);

    PluginLibrary::initIconTable();

    m_widgets = std::make_unique<PanelWidgets>(model(), m_undoGroup);
    m_pages = std::make_unique<HostPages>(*m_widgets);
    m_hostAdapter = std::make_unique<HostAdapter>(this, this, *this, *m_pages);

    m_treeGate = std::make_unique<ItemChangeGate>([this] {
        return connect(model(), &QStandardItemModel::itemChanged, this,
                       &OperativeBase::onMainItemChanged);
    });
    m_propertyGate = std::make_unique<ItemChangeGate>([this] {
        return connect(panProperties()->propertyModel(), &QStandardItemModel::itemChanged, this,
                       &OperativeBase::onPropertyItemChanged);
    });
    m_propertyGate->open();
    panProperties()->setLockedNotice(RuleTreeModel::readOnlyNotice());
    m_ledger = std::make_unique<EditLedger>(model(), *m_treeGate, panProperties()->saveAction());
    // Every edit, undo and redo moves the stack's index: "Save" follows it.
    connect(m_undoStack, &QUndoStack::indexChanged, this, &OperativeBase::refreshSaveState);
    installShortcuts();

    PanMain *strip = panMain();
    connect(strip, &PanMain::selectAllChanged, this, &OperativeBase::selectAllChecked);
    connect(strip, &PanMain::editorToggled, this, &OperativeBase::onEditorOnOff);
    connect(strip, &PanMain::reloadClicked, this, &OperativeBase::onGetClicked);
    connect(strip, &PanMain::expandCollapseClicked, this, &OperativeBase::onCollapseClicked);
    PanProperties *properties = panProperties();
    connect(properties, &PanProperties::saveClicked, this, &OperativeBase::onSaveClicked);
    connect(properties, &PanProperties::propertyClicked, this,
            &OperativeBase::onPropertyItemClicked);
    connect(mainView(), &QTreeView::activated, this, &OperativeBase::onMainItemClicked);
    connect(mainView(), &QTreeView::clicked, this, &OperativeBase::onMainItemClicked);
    // The highlighted row is the one on show, however it became current (keys included).
    connect(mainView()->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex &current) { onMainItemClicked(current); });
    mainView()->viewport()->installEventFilter(this);
}

OperativeBase::~OperativeBase()
{
    // Releasing records below changes items: that is no operator's edit.
    m_treeGate->cut();
    m_propertyGate->cut();
    // The tree's records go while the item data is still readable.
    releaseAllItems();
}

QWidget *OperativeBase::CreateWidget(QWidget *, QTabWidget *tabs)
{
    return m_hostAdapter->createWidget(tabs);
}

void OperativeBase::SetHost(PluginHost *host)
{
    m_hostAdapter->setHost(host);
}

void OperativeBase::BindMap(int, int mapId)
{
    m_hostAdapter->bindMap(mapId);
}

void OperativeBase::installShortcuts()
{
    PanProperties *properties = panProperties();
    properties->saveAction()->setShortcut(Qt::CTRL | Qt::Key_S);
    properties->undoAction()->setShortcut(Qt::CTRL | Qt::Key_Z);
    QList<QKeySequence> redoKeys{Qt::CTRL | Qt::SHIFT | Qt::Key_Z};
    for (const QKeySequence &key : QKeySequence::keyBindings(QKeySequence::Redo)) {
        if (!redoKeys.contains(key))
            redoKeys << key;
    }
    properties->redoAction()->setShortcuts(redoKeys);
    panMain()->getAction()->setShortcut(Qt::Key_F5);
    m_deleteAction = new QAction(tr("Delete"), this);
    m_deleteAction->setShortcut(Qt::Key_Delete);
    connect(m_deleteAction, &QAction::triggered, this, &OperativeBase::onDeleteTriggered);
    for (QAction *action : {properties->saveAction(), properties->undoAction(),
                            properties->redoAction(), panMain()->getAction(), m_deleteAction})
        m_widgets->addPanelAction(action);
}

void OperativeBase::onDeleteTriggered()
{
    // Delete belongs to a cell being edited, or to any text field, before the rows.
    const QWidget *focus = QApplication::focusWidget();
    for (const QWidget *up = focus; up; up = up->parentWidget()) {
        const auto *view = qobject_cast<const QAbstractItemView *>(up->parentWidget());
        if (view && up == view->viewport() && focus != up)
            return;
    }
    if (qobject_cast<const QLineEdit *>(focus) || qobject_cast<const QAbstractSpinBox *>(focus)
        || qobject_cast<const QTextEdit *>(focus))
        return;
    deleteCurrentRow();
}

void OperativeBase::OnServerReply(QByteArray &command, QByteArray &body)
{
    HostAdapter::readReply(command, body, [this, &body](const QString &name, QDataStream &in) {
        if (name == QLatin1String(Commands::RuleTreeChanged)) {
            onRuleTreeChanged();
            return;
        }
        const std::optional<RequestFailure> failure = name == QLatin1String(Commands::RequestFailed)
            ? RequestFailure::read(body) : std::nullopt;
        // A save that failed leaves the edits, and nothing waits for it any more.
        if (failure && failure->command == Commands::FixRoutes)
            m_afterSave = AfterSave::Nothing;
        handleReply(name, in);
    });
}

void OperativeBase::OnTabActivated(int mapId)
{
    if (m_hostAdapter->tabActivated(mapId, [this] { leavingMap(); }))
        enteredMap();
}

void OperativeBase::OnClose(QEvent *event)
{
    if (event && hasUnsavedEdits()) {
        const Answer answer = askAboutEdits(
            tr("Close"), tr("The route edits are not saved. Save them before closing? "
                            "The window closes once the server has them."));
        if (answer != Answer::Discard) {
            event->ignore();
            if (answer == Answer::Save)
                saveThen(AfterSave::Close);
            return;
        }
    }
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

void OperativeBase::selectMainIndex(const QModelIndex &index)
{
    mainView()->setCurrentIndex(index);
    m_currentMainIndex = QModelIndex();
    onMainItemClicked(index);
}

void OperativeBase::setItemEditState(int state, QStandardItem *item)
{
    m_ledger->setItemEditState(state, item);
}

void OperativeBase::markRouteEditState(int state, int routeId, QStandardItem *routeItem)
{
    m_ledger->markRouteEditState(state, routeId, routeItem);
}

PluginHost *OperativeBase::host() const
{
    return m_hostAdapter->host();
}

QTreeView *OperativeBase::mainView() const
{
    return m_widgets->mainView();
}

PanMain *OperativeBase::panMain() const
{
    return m_widgets->panMain();
}

PanProperties *OperativeBase::panProperties() const
{
    return m_widgets->panProperties();
}

QVBoxLayout *OperativeBase::panelLayout() const
{
    return m_widgets->layout();
}

QWidget *OperativeBase::hostWidget() const
{
    return m_pages->holder();
}

QMap<int, QWidget *> OperativeBase::tabWidgets() const
{
    return m_pages->pages();
}

QSet<int> OperativeBase::deletedRouteIds() const
{
    return m_ledger->deletedRouteIds();
}

bool OperativeBase::hasUnsavedEdits() const
{
    return m_ledger->hasEdits();
}

PanelNotice *OperativeBase::notice() const
{
    return m_widgets->notice();
}

OperativeBase::Answer OperativeBase::askAboutEdits(const QString &title,
                                                   const QString &text) const
{
    QWidget *parent = hostWidget() ? hostWidget() : mainView();
    QMessageBox box(QMessageBox::Warning, title, text,
                    QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, parent);
    box.setDefaultButton(QMessageBox::Cancel);
    box.setEscapeButton(QMessageBox::Cancel);
    switch (box.exec()) {
    case QMessageBox::Save:
        return Answer::Save;
    case QMessageBox::Discard:
        return Answer::Discard;
    default:
        return Answer::Cancel;
    }
}

void OperativeBase::refreshSaveState()
{
    m_ledger->refreshSaveAction();
}

void OperativeBase::saveThen(AfterSave next)
{
    if (!hasUnsavedEdits())
        return runAfterSave(next);
    m_afterSave = next;
    onSaveClicked();
}

void OperativeBase::runAfterSave(AfterSave next)
{
    if (next == AfterSave::Reload) {
        requestTrees();
    } else if (next == AfterSave::Close && hostWidget()) {
        // Once the reply is handled: closing resets the tree the reply came for.
        QPointer<QWidget> window = hostWidget()->window();
        QMetaObject::invokeMethod(this, [window] {
            if (window)
                window->close();
        }, Qt::QueuedConnection);
    }
}

void OperativeBase::onRuleTreeChanged()
{
    if (!hasUnsavedEdits())
        return requestTrees();
    offerSaveOrReload(tr("Another operator changed the routes."), tr("Save, then reload"),
                      AfterSave::Reload);
}

void OperativeBase::offerSaveOrReload(const QString &text, const QString &saveText,
                                      AfterSave afterSave)
{
    notice()->tell(text, {{saveText, [this, afterSave] { saveThen(afterSave); }},
                          {tr("Reload, dropping my edits"), [this] { requestTrees(); }}});
}

void OperativeBase::resetTree()
{
    m_undoStack->clear();
    m_ledger->forgetDeletions();
    releaseAllItems();
    model()->clear();
    model()->setColumnCount(2);
    m_currentMainIndex = QModelIndex();
    showProperties(nullptr);
    // A fresh tree answers whatever the notice said.
    notice()->dismiss();
    refreshSaveState();
}

bool OperativeBase::acceptPropertyChange(const QModelIndex &, const QModelIndex &,
                                         const QVariant &)
{
    return true;
}

void OperativeBase::sendRequest(const QByteArray &command, const QByteArray &body)
{
    m_hostAdapter->send(command, body);
}

QStandardItemModel *OperativeBase::objectsModel() const
{
    return m_hostAdapter->objectsModel();
}

void OperativeBase::resetAfterSave()
{
    m_ledger->saved();
    m_undoStack->clear();
    const AfterSave next = std::exchange(m_afterSave, AfterSave::Nothing);
    runAfterSave(next);
}

void OperativeBase::mainItemChanged(QStandardItem *item)
{
    if (!item || item->column() != 0)
        return;
    QStandardItem *judged = item->isCheckable() ? item : item->parent();
    const bool checked = judged && judged->checkState() == Qt::Checked;
    ItemChecked(item, checked);

    QList<QStandardItem *> below;
    for (int row = 0; row < item->rowCount(); ++row) {
        QStandardItem *child = item->child(row);
        if (child && child->isCheckable())
            below.append(child);
    }
    beginTicks(!below.isEmpty());
    const Qt::CheckState state = item->checkState();
    for (QStandardItem *child : qAsConst(below))
        child->setCheckState(state);
    endTicks();
}

void OperativeBase::beginTicks(bool runsDown)
{
    if (m_tickDepth++ > 0)
        return;
    // One delayed relayout for all the rows a tick runs through: a laid-out
    // view would measure every changed row as it changes. A single row is
    // cheaper measured.
    if (runsDown)
        mainView()->setRootIndex(mainView()->rootIndex());
}

void OperativeBase::endTicks()
{
    --m_tickDepth;
}

bool OperativeBase::eventFilter(QObject *watched, QEvent *event)
{
    // A press on a row's check box ticks it and leaves the current row where it
    // is: the row on show stays the one the table and the toolbar act on.
    // The type first: the viewport's own teardown passes here while the view
    // is half destroyed.
    const QEvent::Type type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonRelease
        && type != QEvent::MouseButtonDblClick)
        return QObject::eventFilter(watched, event);
    QTreeView *view = mainView();
    if (!view || watched != view->viewport())
        return QObject::eventFilter(watched, event);
    const auto *mouse = static_cast<QMouseEvent *>(event);
    const QModelIndex index = view->indexAt(mouse->pos());
    QStandardItem *item = model()->itemFromIndex(index);
    if (mouse->button() != Qt::LeftButton || !item || !item->isCheckable()
        || !item->isEnabled() || !checkBoxRect(index).contains(mouse->pos()))
        return QObject::eventFilter(watched, event);
    if (type == QEvent::MouseButtonRelease)
        item->setCheckState(item->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
    return true;
}

QRect OperativeBase::checkBoxRect(const QModelIndex &index) const
{
    QTreeView *view = mainView();
    QStyleOptionViewItem option;
    option.initFrom(view->viewport());
    option.rect = view->visualRect(index);
    option.features = QStyleOptionViewItem::HasCheckIndicator | QStyleOptionViewItem::HasDisplay;
    option.text = index.data().toString();
    return view->style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, view);
}

void OperativeBase::ConnectToServer(QByteArray &)
{
    if (!hasUnsavedEdits())
        return requestTrees();
    offerSaveOrReload(tr("The connection is back; your edits are not saved yet."), tr("Save"),
                      AfterSave::Nothing);
}

void OperativeBase::selectAllChecked(int state)
{
    beginTicks(true);
    for (int row = 0; row < model()->rowCount(); ++row) {
        if (QStandardItem *item = model()->item(row, 0))
            item->setCheckState(Qt::CheckState(state));
    }
    endTicks();
}

void OperativeBase::onGetClicked()
{
    if (hasUnsavedEdits()) {
        const Answer answer = askAboutEdits(
            tr("Reload"), tr("The route edits are not saved. Save them before reloading? "
                             "Reloading without saving drops them."));
        if (answer == Answer::Cancel)
            return;
        if (answer == Answer::Save)
            return saveThen(AfterSave::Reload);
    }
    requestTrees();
}

void OperativeBase::fitColumnsToExpandedTree()
{
    m_widgets->fitColumnsToExpandedTree();
}

void OperativeBase::onCollapseClicked()
{
    m_widgets->toggleExpanded();
}

void OperativeBase::onEditorOnOff(bool on)
{
    panProperties()->setVisible(on);
}

void OperativeBase::onMainItemClicked(QModelIndex index)
{
    const QModelIndex first = index.sibling(index.row(), 0);
    if (first == m_currentMainIndex)
        return;
    m_currentMainIndex = first;
    QStandardItem *item = model()->itemFromIndex(first);
    const uint mask = item ? item->data(ItemRole::TypeMask).toUInt() : 0;
    // Beside every row the table is empty; the node edits stay at hand.
    panProperties()->setEnabled(!item || RuleTreeModel::allowsEditing(mask));
    showProperties(item);
    m_valueBeforeEdit = QVariant();
}

void OperativeBase::onMainItemChanged(QStandardItem *item)
{
    mainItemChanged(item);
}

void OperativeBase::releaseHeldSave()
{
    if (!m_saveHeld)
        return;
    onSaveClicked();
    if (m_saveHeld)
        return;
    const auto waiting = std::exchange(m_afterHeldSave, {});
    for (const auto &request : waiting)
        sendRequest(request.first, request.second);
}

void OperativeBase::sendAfterSave(const QByteArray &command, const QByteArray &body)
{
    if (m_saveHeld)
        m_afterHeldSave.append({command, body});
    else
        sendRequest(command, body);
}

void OperativeBase::onSaveClicked()
{
    // The save would name nodes whose ids are still on their way.
    m_saveHeld = saveMustWait();
    if (m_saveHeld)
        return;
    const QByteArray body = m_ledger->saveBody();
    if (!body.isEmpty())
        sendRequest(QByteArray(Commands::FixRoutes), body);
}

void OperativeBase::onPropertyItemClicked(QModelIndex index)
{
    if (index.isValid())
        m_valueBeforeEdit = index.data(Qt::EditRole);
    else
        m_valueBeforeEdit = QVariant();
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
        m_valueBeforeEdit = checked ? 0 : 2;
    } else {
        newValue = item->data(Qt::EditRole);
    }

    if (acceptPropertyChange(m_currentMainIndex, index, newValue)) {
        m_undoStack->push(
            new ChangePropertyCommand(editTarget(), index, m_valueBeforeEdit, newValue));
        m_valueBeforeEdit = newValue;
        return;
    }

    const ItemChangeGate::Muted muted(*m_propertyGate);
    if (item->isCheckable())
        item->setCheckState(item->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
    else
        item->setText(m_valueBeforeEdit.toString());
}
