#include "PanProperties.h"

#include "LabelColumn.h"

#include <QAction>
#include <QEvent>
#include <QHeaderView>
#include <QLabel>
#include <QStandardItemModel>
#include <QTableView>
#include <QToolBar>
#include <QUndoGroup>
#include <QVBoxLayout>

PanProperties::PanProperties(QUndoGroup *undoGroup)
{
    m_saveAction = addToolAction(QStringLiteral(":/icon/resource/save.png"), QWidget::tr("Save"));
    connect(m_saveAction, &QAction::triggered, this, &PanProperties::saveClicked);
    toolBar()->addSeparator();

    if (undoGroup) {
        // No prefix: Qt's own "Undo %1" and "Redo %1" texts show.
        m_undoAction = undoGroup->createUndoAction(this, QString());
        m_undoAction->setIcon(QIcon(QStringLiteral(":/icon/resource/undo.png")));
        toolBar()->addAction(m_undoAction);
        m_redoAction = undoGroup->createRedoAction(this, QString());
        m_redoAction->setIcon(QIcon(QStringLiteral(":/icon/resource/redo.png")));
        toolBar()->addAction(m_redoAction);
    }
    toolBar()->addSeparator();

    m_propertyModel = new QStandardItemModel(0, 0, this);
    m_propertyView = new QTableView(this);
    m_propertyView->setStyleSheet(
        QStringLiteral(" QTableView { background-color: rgb(215, 215, 215); }"));
    m_propertyView->setModel(m_propertyModel);
    m_propertyView->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_propertyView->setEditTriggers(QAbstractItemView::DoubleClicked);
    m_propertyView->verticalHeader()->hide();
    m_propertyView->horizontalHeader()->show();
    m_propertyView->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    m_propertyView->horizontalHeader()->setStretchLastSection(true);
    // A label narrower than its text wraps onto more lines of its row.
    m_propertyView->setWordWrap(true);
    m_propertyView->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_labelColumn = new LabelColumn(m_propertyView,
                                    QStringLiteral("OperativeCheck/properties/labelWidth"));
    column()->addWidget(m_propertyView);
    m_notice = new QLabel(this);
    m_notice->setWordWrap(true);
    m_notice->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    m_notice->setMargin(8);
    // Read in full, not greyed out with the panel it explains.
    QPalette palette = m_notice->palette();
    palette.setColor(QPalette::Disabled, QPalette::WindowText,
                     palette.color(QPalette::Active, QPalette::WindowText));
    m_notice->setPalette(palette);
    m_notice->hide();
    column()->addWidget(m_notice, 1);

    connect(m_propertyView, &QTableView::activated, this, &PanProperties::propertyClicked);
    connect(m_propertyView, &QTableView::clicked, this, &PanProperties::propertyClicked);
}

void PanProperties::setLockedNotice(const QString &text)
{
    m_notice->setText(text);
    showNotice();
}

void PanProperties::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::EnabledChange)
        showNotice();
    TypicalPanel::changeEvent(event);
}

void PanProperties::showNotice()
{
    const bool locked = !isEnabled() && !m_notice->text().isEmpty();
    m_notice->setVisible(locked);
    m_propertyView->setVisible(!locked);
}
