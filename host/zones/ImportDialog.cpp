#include "ImportDialog.h"

#include "GisFormat.h"
#include "ShapeImport.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>

namespace {

constexpr double MaxSimplify = 1000.0; // metres

} // namespace

ImportDialog::ImportDialog(const LayerCatalog &catalog, const QString &path, QWidget *parent)
    : QDialog(parent)
    , m_path(new QLineEdit(path, this))
    , m_layer(new QComboBox(this))
    , m_newLayer(new QLineEdit(this))
    , m_simplify(new QDoubleSpinBox(this))
    , m_buttons(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this))
{
    setWindowTitle(tr("Import shapes"));
    setObjectName(QStringLiteral("importDialog"));
    m_path->setObjectName(QStringLiteral("importPath"));
    auto *browse = new QPushButton(tr("Browse…"), this);
    auto *fileRow = new QHBoxLayout;
    fileRow->addWidget(m_path, 1);
    fileRow->addWidget(browse);
    m_layer->setObjectName(QStringLiteral("importLayer"));
    m_layer->addItem(tr("A new layer"), 0);
    for (const LayerCatalog::Layer &layer : catalog.editableLayers())
        m_layer->addItem(layer.path, layer.id);
    m_newLayer->setObjectName(QStringLiteral("importNewLayer"));
    m_newLayer->setPlaceholderText(tr("Name of the new layer"));
    m_newLayer->setText(QFileInfo(path).completeBaseName());
    m_simplify->setObjectName(QStringLiteral("importSimplify"));
    m_simplify->setRange(0, MaxSimplify);
    m_simplify->setDecimals(1);
    m_simplify->setValue(ShapeImport::DefaultSimplifyMetres);
    m_simplify->setSuffix(tr(" m"));
    m_simplify->setToolTip(tr("GPX tracks keep no point closer than this to the line of the"
                              " others; 0 keeps every point"));
    auto *form = new QFormLayout(this);
    form->addRow(tr("File:"), fileRow);
    form->addRow(tr("Into:"), m_layer);
    form->addRow(tr("New layer:"), m_newLayer);
    form->addRow(tr("Simplify tracks:"), m_simplify);
    form->addRow(m_buttons);
    connect(browse, &QPushButton::clicked, this, &ImportDialog::browse);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_layer, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &ImportDialog::updateState);
    connect(m_newLayer, &QLineEdit::textChanged, this, &ImportDialog::updateState);
    connect(m_path, &QLineEdit::textChanged, this, &ImportDialog::updateState);
    updateState();
}

QString ImportDialog::path() const
{
    return m_path->text().trimmed();
}

qint32 ImportDialog::layerId() const
{
    return m_layer->currentData().toInt();
}

QString ImportDialog::newLayer() const
{
    return m_newLayer->text().trimmed();
}

double ImportDialog::simplifyMetres() const
{
    return m_simplify->value();
}

void ImportDialog::browse()
{
    const QString chosen = QFileDialog::getOpenFileName(this, tr("Import shapes"), path(),
                                                        GisFormats::dialogFilter());
    if (!chosen.isEmpty())
        m_path->setText(chosen);
}

void ImportDialog::updateState()
{
    m_newLayer->setEnabled(layerId() == 0);
    m_buttons->button(QDialogButtonBox::Ok)
        ->setEnabled(!path().isEmpty() && (layerId() != 0 || !newLayer().isEmpty()));
}
