#include "PanelWidgets.h"

#include "PanMain.h"
#include "PanProperties.h"
#include "PanelNotice.h"

#include <QAction>
#include <QCheckBox>
#include <QHeaderView>
#include <QSettings>
#include <QSplitter>
#include <QTreeView>
#include <QVBoxLayout>

#include <functional>

namespace {

const char SplitterKey[] = "OperativeCheck/panelSplitter";

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

PanelWidgets::PanelWidgets(QAbstractItemModel *treeModel, QUndoGroup *undoGroup)
{
    m_layout = new QVBoxLayout;
    m_notice = new PanelNotice;
    m_layout->addWidget(m_notice);
    m_panMain = new PanMain;
    m_panMain->selectAllBox()->setChecked(false);
    m_layout->addWidget(m_panMain);

    m_splitter = new QSplitter(Qt::Vertical);
    m_layout->addWidget(m_splitter);

    m_mainView = new QTreeView;
    m_mainView->setStyleSheet(QString::fromLatin1(MainViewStyle));
    m_mainView->setDragEnabled(false);
    m_mainView->setDragDropMode(QAbstractItemView::NoDragDrop);
    m_mainView->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_mainView->setSelectionMode(QAbstractItemView::SingleSelection);
    m_mainView->setIconSize(QSize(32, 32));
    m_mainView->setRootIsDecorated(true);
    m_mainView->setAlternatingRowColors(true);
    m_mainView->setItemsExpandable(true);
    m_mainView->header()->show();
    m_mainView->header()->setSectionResizeMode(QHeaderView::Interactive);
    m_mainView->header()->setStretchLastSection(true);
    m_mainView->setModel(treeModel);
    m_splitter->addWidget(m_mainView);

    m_panProperties = new PanProperties(undoGroup);
    m_splitter->addWidget(m_panProperties);

    // Where the operator left the line between the tree and the table, in
    // the host's settings, for the next run.
    m_splitter->restoreState(QSettings().value(QLatin1String(SplitterKey)).toByteArray());
}

PanelWidgets::~PanelWidgets()
{
    if (m_splitter)
        QSettings().setValue(QLatin1String(SplitterKey), m_splitter->saveState());
    delete m_mainView.data();
    delete m_notice.data();
    delete m_panMain.data();
    delete m_splitter.data();
    delete m_layout.data();
}

QVBoxLayout *PanelWidgets::layout() const
{
    return m_layout;
}

PanMain *PanelWidgets::panMain() const
{
    return m_panMain;
}

QTreeView *PanelWidgets::mainView() const
{
    return m_mainView;
}

PanProperties *PanelWidgets::panProperties() const
{
    return m_panProperties;
}

PanelNotice *PanelWidgets::notice() const
{
    return m_notice;
}

void PanelWidgets::addPanelAction(QAction *action)
{
    // The column has no widget of its own: the strip and the splitter carry the action.
    action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    m_panMain->addAction(action);
    m_splitter->addAction(action);
}

void PanelWidgets::putOn(QWidget *page)
{
    page->setLayout(m_layout);
}

bool PanelWidgets::takeBackFrom(const QObject *page)
{
    if (!m_panMain || m_panMain->parent() != page)
        return false;
    m_panMain->setParent(nullptr);
    if (m_notice)
        m_notice->setParent(nullptr);
    if (m_splitter)
        m_splitter->setParent(nullptr);
    m_layout = new QVBoxLayout;
    if (m_notice)
        m_layout->addWidget(m_notice);
    m_layout->addWidget(m_panMain);
    if (m_splitter)
        m_layout->addWidget(m_splitter);
    return true;
}

void PanelWidgets::toggleExpanded()
{
    QAbstractItemModel *viewModel = m_mainView->model();
    bool anyExpanded = false;
    for (int row = viewModel->rowCount() - 1; row >= 0 && !anyExpanded; --row)
        anyExpanded = m_mainView->isExpanded(viewModel->index(row, 0));

    if (!anyExpanded) {
        m_mainView->expandAll();
        m_panMain->expandAction()->setIcon(
            QIcon(QStringLiteral(":/Pic/resources/branch-open.png")));
    } else {
        m_mainView->collapseAll();
        m_mainView->setCurrentIndex(QModelIndex());
        m_panMain->expandAction()->setIcon(
            QIcon(QStringLiteral(":/Pic/resources/branch-closed.png")));
    }
}

void PanelWidgets::fitColumnsToExpandedTree()
{
    // A view sizes a column from its first rows only (its header's resize
    // precision, and the rows on show): opening the rows above those gives
    // the widths of the expanded tree without laying out all of it.
    const int precision = m_mainView->header()->resizeContentsPrecision();
    if (precision < 0) {
        m_mainView->expandAll();
    } else {
        int budget = precision + m_mainView->viewport()->height() + 1;
        const QAbstractItemModel *viewModel = m_mainView->model();
        std::function<void(const QModelIndex &)> open = [&](const QModelIndex &parent) {
            for (int row = 0; row < viewModel->rowCount(parent) && budget > 0; ++row) {
                const QModelIndex index = viewModel->index(row, 0, parent);
                --budget;
                m_mainView->expand(index);
                open(index);
            }
        };
        open(QModelIndex());
    }
    m_mainView->resizeColumnToContents(0);
    m_mainView->resizeColumnToContents(1);
}
