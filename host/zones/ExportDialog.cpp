#include "ExportDialog.h"

#include "GisFormat.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

ExportDialog::ExportDialog(const Choices &layers, const Choices &routes, QWidget *parent)
    : QDialog(parent)
    , m_layerChoice(new QRadioButton(tr("Layer:"), this))
    , m_routeChoice(new QRadioButton(tr("Route:"), this))
    , m_layer(new QComboBox(this))
    , m_route(new QComboBox(this))
    , m_path(new QLineEdit(this))
    , m_buttons(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this))
{
    setWindowTitle(tr("Export shapes"));
    setObjectName(QStringLiteral("exportDialog"));
    m_layer->setObjectName(QStringLiteral("exportLayer"));
    m_route->setObjectName(QStringLiteral("exportRoute"));
    m_path->setObjectName(QStringLiteral("exportPath"));
    m_path->setPlaceholderText(tr("The file to write"));
    m_path->setToolTip(tr("Its extension names the format"));
    for (const auto &layer : layers)
        m_layer->addItem(layer.first, layer.second);
    for (const auto &route : routes)
        m_route->addItem(route.first, route.second);
    m_layerChoice->setChecked(true);
    m_routeChoice->setEnabled(!routes.isEmpty());
    auto *browse = new QPushButton(tr("Browse…"), this);
    auto *fileRow = new QHBoxLayout;
    fileRow->addWidget(m_path, 1);
    fileRow->addWidget(browse);
    auto *form = new QFormLayout(this);
    form->addRow(m_layerChoice, m_layer);
    form->addRow(m_routeChoice, m_route);
    form->addRow(tr("File:"), fileRow);
    form->addRow(m_buttons);
    connect(browse, &QPushButton::clicked, this, &ExportDialog::browse);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_layerChoice, &QRadioButton::toggled, this, &ExportDialog::updateState);
    connect(m_path, &QLineEdit::textChanged, this, &ExportDialog::updateState);
    updateState();
}

ExportJob::Source ExportDialog::source() const
{
    return m_layerChoice->isChecked() ? ExportJob::Source::Layer : ExportJob::Source::Route;
}

qint32 ExportDialog::id() const
{
    return (m_layerChoice->isChecked() ? m_layer : m_route)->currentData().toInt();
}

QString ExportDialog::path() const
{
    return m_path->text().trimmed();
}

void ExportDialog::browse()
{
    const QString chosen = QFileDialog::getSaveFileName(this, tr("Export shapes"), path(),
                                                        GisFormats::dialogFilter());
    if (!chosen.isEmpty())
        m_path->setText(chosen);
}

void ExportDialog::updateState()
{
    m_layer->setEnabled(m_layerChoice->isChecked());
    m_route->setEnabled(m_routeChoice->isChecked());
    m_buttons->button(QDialogButtonBox::Ok)
        ->setEnabled(GisFormats::fromPath(path()).has_value() && id() != 0);
}
