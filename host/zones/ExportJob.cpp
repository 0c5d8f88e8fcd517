#include "ExportJob.h"

#include "ShapeLink.h"
#include "ZoneExport.h"

#include "wire/Commands.h"

#include <QFileInfo>

namespace {

const TreeNode *findNode(const QList<TreeNode> &nodes, qint32 id)
{
    for (const TreeNode &node : nodes) {
        if (node.id == id)
            return &node;
        if (const TreeNode *found = findNode(node.children, id))
            return found;
    }
    return nullptr;
}

} // namespace

ExportJob::ExportJob(ShapeLink *link, QObject *parent)
    : QObject(parent)
    , m_link(link)
{
}

void ExportJob::start(Source source, qint32 id, const QString &path)
{
    if (m_running)
        return;
    m_running = true;
    m_source = source;
    m_id = id;
    m_path = path;
    m_link->readLayers([this](const QByteArray &layers) {
        if (m_source == Source::Layer) {
            write(layers, {}, {});
            return;
        }
        m_link->readTree(Commands::GetRuleTree, [this, layers](const QByteArray &rules) {
            m_link->readTree(Commands::GetObjectTree, [this, layers, rules](const QByteArray &units) {
                write(layers, rules, units);
            });
        });
    });
}

void ExportJob::write(const QByteArray &layerBody, const QByteArray &ruleBody,
                      const QByteArray &unitBody)
{
    using TreeBodies::Payload;
    const auto layers = TreeBodies::read(layerBody, Payload::Layer);
    const auto rules = TreeBodies::read(ruleBody, Payload::Rule);
    const auto units = TreeBodies::read(unitBody, Payload::None);
    if (!layers || (m_source == Source::Route && (!rules || !units))) {
        fail(tr("The server's trees could not be read"));
        return;
    }
    QVector<ShapeExport::Feature> features;
    ZoneExport::Route route;
    QString error;
    if (m_source == Source::Layer) {
        const TreeNode *layer = findNode(*layers, m_id);
        if (!layer) {
            fail(tr("There is no layer %1 any more").arg(m_id));
            return;
        }
        features = ZoneExport::layerFeatures(*layer);
    } else {
        if (!ZoneExport::route(m_id, *rules, *layers, *units, &route, &error)) {
            fail(error);
            return;
        }
        features = route.features;
    }
    if (features.isEmpty()) {
        fail(tr("There is nothing to export: no shapes"));
        return;
    }
    QStringList written;
    const bool routeFile = m_source == Source::Route
                           && QFileInfo(m_path).suffix().compare(QLatin1String("geojson"),
                                                                 Qt::CaseInsensitive) == 0;
    if (!ShapeExport::write(m_path, features, &written, &error)
        || (routeFile && !ZoneExport::addRouteMember(m_path, route, &error))) {
        fail(error);
        return;
    }
    m_running = false;
    emit finished(features.size(), written);
}

void ExportJob::fail(const QString &error)
{
    m_running = false;
    emit failed(error);
}
