#include "ImportJob.h"

#include "ShapeLink.h"

#include "RouteFile.h"
#include "wire/Commands.h"
#include "wire/TreeBodies.h"

#include <QFile>
#include <QFileInfo>
#include <QThread>

ImportJob::ImportJob(ShapeLink *link, QObject *parent)
    : QObject(parent)
    , m_link(link)
{
}

ImportJob::~ImportJob()
{
    m_cancelled = true;
    if (m_reader)
        m_reader->wait();
}

void ImportJob::start(const QString &path, qint32 layerId, const QString &newLayer,
                      const ShapeImport::Options &options)
{
    if (m_running)
        return;
    m_running = true;
    m_cancelled = false;
    m_storeError.clear();
    m_layerId = layerId;
    m_newLayer = newLayer;
    m_madeLayer = false;
    m_sent = m_answered = 0;
    m_stored.clear();
    m_result = {};
    m_readError.clear();
    m_route.reset();
    m_ruleNode = 0;
    const QString phase = tr("Reading %1").arg(path);
    m_reader.reset(QThread::create([this, path, options, phase] {
        if (RouteFile::isRouteFile(path)) {
            readRouteFile(path);
            return;
        }
        qint64 told = -1;
        m_readOk = ShapeImport::read(path, options, &m_result, &m_readError,
                                     [&](qint64 done, qint64 total) {
                                         // About a hundred reports whatever the size.
                                         if (total <= 0 || done * 100 / total != told) {
                                             told = total > 0 ? done * 100 / total : done;
                                             emit progressed(phase, done, total);
                                         }
                                         return !m_cancelled;
                                     });
    }));
    connect(m_reader.get(), &QThread::finished, this, &ImportJob::onRead);
    m_reader->start();
}

void ImportJob::readRouteFile(const QString &path)
{
    QFile file(path);
    AuditRoute route;
    m_readOk = file.open(QIODevice::ReadOnly)
               && RouteFile::read(file.readAll(), &route, &m_readError);
    if (!m_readOk) {
        m_readError = QStringLiteral("%1: %2").arg(QFileInfo(path).fileName(),
                                                   m_readError.isEmpty() ? file.errorString()
                                                                         : m_readError);
        return;
    }
    for (const QList<GraphObData> &section : qAsConst(route.shapes))
        m_result.shapes += section.toVector();
    m_route = route;
}

void ImportJob::cancel()
{
    m_cancelled = true;
}

void ImportJob::onRead()
{
    if (!m_readOk) {
        m_running = false;
        emit failed(m_readError);
        return;
    }
    if (m_layerId != 0) {
        storeMore();
        return;
    }
    m_link->addLayer(m_newLayer, [this](qint32 id, const QString &error) {
        if (id == 0) {
            m_running = false;
            emit failed(tr("The layer \"%1\" could not be made: %2").arg(m_newLayer, error));
            return;
        }
        m_layerId = id;
        m_madeLayer = true;
        storeMore();
    });
}

void ImportJob::storeMore()
{
    if (m_cancelled) {
        // Shapes still on their way are rolled back once answered (onStored).
        if (m_answered == m_sent)
            rollBack(tr("Import cancelled"));
        return;
    }
    const int total = m_result.shapes.size();
    while (m_sent < total && m_sent - m_answered < InFlight) {
        const GraphObData &record = m_result.shapes.at(m_sent++);
        m_link->save(m_layerId, record,
                     [this](qint32 id, const QString &error) { onStored(id, error); });
    }
}

void ImportJob::onStored(qint32 id, const QString &error)
{
    ++m_answered;
    if (id != 0)
        m_stored.append(id);
    else if (m_storeError.isEmpty())
        m_storeError = error;
    if (!m_storeError.isEmpty() || m_cancelled) {
        // Every answer in first, then what was stored goes.
        if (m_answered == m_sent) {
            rollBack(m_storeError.isEmpty() ? tr("Import cancelled")
                                            : tr("A shape was refused: %1").arg(m_storeError));
        }
        return;
    }
    emit progressed(tr("Storing shapes"), m_answered, m_result.shapes.size());
    if (m_answered == m_result.shapes.size()) {
        if (m_route) {
            storeRoute();
            return;
        }
        m_running = false;
        emit finished(m_answered, m_result.warnings);
        return;
    }
    storeMore();
}

void ImportJob::storeRoute()
{
    emit progressed(tr("Storing the route"), 0, 0);
    m_link->readTree(Commands::GetObjectTree, [this](const QByteArray &units) {
        m_link->addRuleNode(m_route->name, [this, units](qint32 node, const QString &error) {
            if (node == 0) {
                rollBack(tr("The route's node was refused: %1").arg(error));
                return;
            }
            m_ruleNode = node;
            storeRouteUnder(node, units);
        });
    });
}

void ImportJob::storeRouteUnder(qint32 node, const QByteArray &unitTree)
{
    QStringList missing;
    const QList<int> units = m_route->unitIdsIn(
        TreeBodies::read(unitTree, TreeBodies::Payload::None).value_or(QList<TreeNode>()),
        &missing);
    for (const QString &name : qAsConst(missing))
        m_result.warnings << tr("No unit is named \"%1\"; the route goes without it").arg(name);
    m_link->saveRoute(m_route->storedAs(node, m_stored, units),
                      [this](qint32 stored, const QString &error) {
                          if (stored == 0) {
                              rollBack(tr("The route was refused: %1").arg(error));
                              return;
                          }
                          m_running = false;
                          emit finished(m_answered, m_result.warnings);
                      });
}

void ImportJob::rollBack(const QString &error)
{
    if (m_ruleNode != 0) {
        // The node takes its route with it; then the shapes go.
        const qint32 node = std::exchange(m_ruleNode, 0);
        m_link->removeRuleNode(node, [this, error](qint32, const QString &) { rollBack(error); });
        return;
    }
    const auto done = [this, error] {
        m_running = false;
        emit failed(error);
    };
    if (m_madeLayer) {
        // The layer takes its objects with it.
        m_link->removeLayer(m_layerId, [done](qint32, const QString &) { done(); });
        return;
    }
    if (m_stored.isEmpty()) {
        done();
        return;
    }
    auto left = std::make_shared<int>(m_stored.size());
    for (qint32 id : qAsConst(m_stored)) {
        m_link->remove(id, [left, done](qint32, const QString &) {
            if (--*left == 0)
                done();
        });
    }
}
