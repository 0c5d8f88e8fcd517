#include "ZonesDesk.h"

#include "DrawDock.h"
#include "ExportDialog.h"
#include "ExportJob.h"
#include "GisFormat.h"
#include "ImportDialog.h"
#include "ImportJob.h"
#include "ShapeLink.h"

#include "ServerConnection.h"

#include "wire/Commands.h"
#include "wire/TreeBodies.h"

#include <QAction>
#include <QFileDialog>
#include <QFileInfo>
#include <QMainWindow>
#include <QMessageBox>
#include <QProgressDialog>

#include <functional>

namespace {

// Warnings named in the message after an import; the rest are counted.
constexpr int WarningsShown = 10;

} // namespace

ZonesDesk::ZonesDesk(ServerConnection *connection, QMainWindow *window)
    : QObject(window)
    , m_window(window)
    , m_link(new ShapeLink(connection, this))
    , m_dock(new DrawDock(m_link, window))
    , m_job(new ImportJob(m_link, this))
    , m_exportJob(new ExportJob(m_link, this))
    , m_importAction(new QAction(tr("&Import shapes…"), this))
    , m_exportAction(new QAction(tr("&Export shapes…"), this))
{
    m_exportAction->setObjectName(QStringLiteral("exportShapes"));
    m_exportAction->setToolTip(tr("Write a layer's or a route's shapes to a GIS file"));
    connect(m_exportAction, &QAction::triggered, this, &ZonesDesk::exportShapes);
    connect(m_exportJob, &ExportJob::finished, this,
            [this](int count, const QStringList &written) {
                m_exportAction->setEnabled(true);
                // Counts after a colon read right in both languages without plurals.
                emit message(tr("Shapes exported to %1: %2")
                                 .arg(written.join(QLatin1String(", ")))
                                 .arg(count));
            });
    connect(m_exportJob, &ExportJob::failed, this, [this](const QString &error) {
        m_exportAction->setEnabled(true);
        emit message(tr("Nothing exported: %1").arg(error));
        warn(tr("Export shapes"), tr("Nothing was exported."), error);
    });
    m_importAction->setObjectName(QStringLiteral("importShapes"));
    m_importAction->setToolTip(tr("Import the shapes of a GIS file into a layer"));
    connect(m_importAction, &QAction::triggered, this, [this] { importFile(); });
    connect(m_link, &ShapeLink::layersChanged, this, &ZonesDesk::layersChanged);
    connect(m_link, &ShapeLink::rulesChanged, this, &ZonesDesk::rulesChanged);
    connect(connection, &ServerConnection::connected, m_dock, &DrawDock::refreshLayers);
    connect(m_job, &ImportJob::finished, this, &ZonesDesk::onImported);
    connect(m_job, &ImportJob::failed, this, &ZonesDesk::onImportFailed);
    connect(m_job, &ImportJob::progressed, this,
            [this](const QString &phase, qint64 done, qint64 total) {
                if (!m_progress)
                    return;
                m_progress->setLabelText(phase);
                m_progress->setMaximum(int(std::min<qint64>(total, INT_MAX)));
                m_progress->setValue(int(std::min<qint64>(done, INT_MAX)));
            });
}

ZonesDesk::~ZonesDesk() = default;

void ZonesDesk::setCanvas(MapCanvas *canvas)
{
    m_dock->setCanvas(canvas);
}

void ZonesDesk::layersChangedElsewhere()
{
    m_dock->refreshLayers();
}

void ZonesDesk::importFile(const QString &path)
{
    if (m_job->isRunning())
        return;
    QString chosen = path;
    if (chosen.isEmpty()) {
        chosen = QFileDialog::getOpenFileName(m_window, tr("Import shapes"), QString(),
                                              GisFormats::dialogFilter());
        if (chosen.isEmpty())
            return;
    }
    // The layers as they are now, then the question.
    m_dock->readLayersThen([this, chosen] { askAndImport(chosen); });
}

void ZonesDesk::askAndImport(const QString &chosen)
{
    ImportDialog dialog(m_dock->catalog(), chosen, m_window);
    if (dialog.exec() != QDialog::Accepted)
        return;
    m_importLayer = dialog.newLayer();
    for (const LayerCatalog::Layer &layer : m_dock->catalog().layers()) {
        if (layer.id == dialog.layerId())
            m_importLayer = layer.path;
    }
    // The window stays usable while the file is read and stored.
    m_progress = new QProgressDialog(tr("Reading %1").arg(QFileInfo(dialog.path()).fileName()),
                                     tr("Cancel"), 0, 0, m_window);
    m_progress->setObjectName(QStringLiteral("importProgress"));
    m_progress->setWindowModality(Qt::NonModal);
    m_progress->setMinimumDuration(0);
    m_progress->setAttribute(Qt::WA_DeleteOnClose);
    connect(m_progress, &QProgressDialog::canceled, m_job, &ImportJob::cancel);
    m_importAction->setEnabled(false);
    ShapeImport::Options options;
    options.simplifyMetres = dialog.simplifyMetres();
    m_job->start(dialog.path(), dialog.layerId(), dialog.newLayer(), options);
}

void ZonesDesk::onImported(int count, const QStringList &warnings)
{
    m_importAction->setEnabled(true);
    if (m_progress)
        m_progress->close();
    emit message(tr("Shapes imported into \"%1\": %2").arg(m_importLayer).arg(count));
    if (warnings.isEmpty())
        return;
    QStringList shown = warnings.mid(0, WarningsShown);
    if (warnings.size() > WarningsShown)
        shown << tr("More warnings: %1").arg(warnings.size() - WarningsShown);
    auto *box = new QMessageBox(QMessageBox::Information, tr("Import shapes"),
                                tr("Shapes imported: %1, with warnings:").arg(count),
                                QMessageBox::Ok, m_window);
    box->setInformativeText(shown.join(QLatin1Char('\n')));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

void ZonesDesk::onImportFailed(const QString &error)
{
    m_importAction->setEnabled(true);
    if (m_progress)
        m_progress->close();
    emit message(tr("Nothing imported: %1").arg(error));
    warn(tr("Import shapes"), tr("Nothing was imported."), error);
}

void ZonesDesk::warn(const QString &title, const QString &text, const QString &detail)
{
    // Open, not run: the window stays usable while it shows.
    auto *box = new QMessageBox(QMessageBox::Warning, title, text, QMessageBox::Ok, m_window);
    box->setInformativeText(detail);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

void ZonesDesk::exportShapes()
{
    if (m_exportJob->isRunning())
        return;
    // The layers and the routes as they are now, then the question.
    m_dock->readLayersThen([this] {
        m_link->readTree(Commands::GetRuleTree,
                         [this](const QByteArray &rules) { askAndExport(rules); });
    });
}

void ZonesDesk::askAndExport(const QByteArray &ruleTree)
{
    ExportDialog::Choices layers;
    for (const LayerCatalog::Layer &layer : m_dock->catalog().layers())
        layers.append({layer.path, layer.id});
    ExportDialog::Choices routes;
    const std::function<void(const QList<TreeNode> &, const QString &)> collect =
        [&](const QList<TreeNode> &nodes, const QString &path) {
            for (const TreeNode &node : nodes) {
                const QString name = path.isEmpty() ? node.name : path + QStringLiteral(" / ")
                                                                      + node.name;
                if (node.route)
                    routes.append({name, node.id});
                collect(node.children, name);
            }
        };
    collect(TreeBodies::read(ruleTree, TreeBodies::Payload::Rule).value_or(QList<TreeNode>()),
            QString());
    ExportDialog dialog(layers, routes, m_window);
    if (dialog.exec() != QDialog::Accepted)
        return;
    m_exportAction->setEnabled(false);
    m_exportJob->start(dialog.source(), dialog.id(), dialog.path());
}
