#include "ZoneExport.h"

#include "records/SectionRecord.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

namespace ZoneExport {

namespace {

void collect(const TreeNode &layer, QVector<ShapeExport::Feature> *features)
{
    for (const GraphObData &object : layer.objects)
        features->append({object, {}});
    for (const TreeNode &child : layer.children)
        collect(child, features);
}

const TreeNode *routeNode(const QList<TreeNode> &nodes, int routeId)
{
    for (const TreeNode &node : nodes) {
        if (node.route && node.route->id == routeId)
            return &node;
        if (const TreeNode *below = routeNode(node.children, routeId))
            return below;
    }
    return nullptr;
}

void index(const QList<TreeNode> &layers, QHash<qint32, GraphObData> *objects)
{
    for (const TreeNode &layer : layers) {
        for (const GraphObData &object : layer.objects)
            objects->insert(object.id, object);
        index(layer.children, objects);
    }
}

void names(const QList<TreeNode> &nodes, QHash<qint32, QString> *byId)
{
    for (const TreeNode &node : nodes) {
        byId->insert(node.id, node.name);
        names(node.children, byId);
    }
}

// A section's schedule as the route files carry it. A switched-off
// schedule keeps its times negated: in a file it is no schedule, -1.
QVariantMap schedule(const SectionRecord &section, int order)
{
    const auto time = [](int seconds) { return seconds < 0 ? -1 : seconds; };
    return {{QStringLiteral("section"), order},
            {QStringLiteral("sectionName"), section.name},
            {QStringLiteral("timeIn"), time(section.checkTimeIn)},
            {QStringLiteral("timeOut"), time(section.checkTimeOut)},
            {QStringLiteral("inAhead"), section.checkTimeInAhead},
            {QStringLiteral("inBehind"), section.checkTimeInBehind},
            {QStringLiteral("outAhead"), section.checkTimeOutAhead},
            {QStringLiteral("outBehind"), section.checkTimeOutBehind},
            {QStringLiteral("messageIn"), section.messageOnTimeIn},
            {QStringLiteral("messageOut"), section.messageOnTimeOut}};
}

} // namespace

const TreeNode *topLevel(const QList<TreeNode> &layers, const QString &name)
{
    for (const TreeNode &layer : layers) {
        if (layer.name == name)
            return &layer;
    }
    return nullptr;
}

QVector<ShapeExport::Feature> layerFeatures(const TreeNode &layer)
{
    QVector<ShapeExport::Feature> features;
    collect(layer, &features);
    return features;
}

bool route(int routeId, const QList<TreeNode> &rules, const QList<TreeNode> &layers,
           const QList<TreeNode> &units, Route *route, QString *error)
{
    const TreeNode *node = routeNode(rules, routeId);
    if (!node) {
        *error = QStringLiteral("there is no route %1").arg(routeId);
        return false;
    }
    const RouteRecord &record = *node->route;
    Route made;
    made.name = node->name;
    made.checkTimeType = record.checkTimeType;
    made.checkTime = record.checkTime;
    QHash<qint32, QString> unitNames;
    names(units, &unitNames);
    for (int unit : record.objects) {
        const QString name = unitNames.value(unit, QString::number(unit));
        if (!made.units.contains(name))
            made.units.append(name);
    }
    QHash<qint32, GraphObData> objects;
    index(layers, &objects);
    for (int i = 0; i < record.sections.size(); ++i) {
        const SectionRecord &section = *record.sections.at(i);
        const QVariantMap fields = schedule(section, i + 1);
        const int before = made.features.size();
        for (int id : section.graphObjectIds) {
            if (objects.contains(id))
                made.features.append({objects.value(id), fields});
        }
        if (made.features.size() == before)
            made.warnings << QStringLiteral("section %1 \"%2\" of route %3 has no shapes")
                                 .arg(i + 1)
                                 .arg(section.name)
                                 .arg(routeId);
    }
    *route = made;
    return true;
}

bool addRouteMember(const QString &path, const Route &route, QString *error)
{
    const QString file = QFileInfo(path).fileName();
    QFile written(path);
    QJsonParseError parse;
    const QJsonDocument document = written.open(QIODevice::ReadOnly)
                                       ? QJsonDocument::fromJson(written.readAll(), &parse)
                                       : QJsonDocument();
    written.close();
    if (!document.isObject()) {
        *error = QStringLiteral("%1: what GDAL wrote does not read back as GeoJSON").arg(file);
        return false;
    }
    QJsonObject collection = document.object();
    collection.insert(QStringLiteral("route"),
                      QJsonObject{{QStringLiteral("name"), route.name},
                                  {QStringLiteral("checkTimeType"), route.checkTimeType},
                                  {QStringLiteral("checkTime"), qint64(route.checkTime)},
                                  {QStringLiteral("units"),
                                   QJsonArray::fromStringList(route.units)}});
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly)
        || out.write(QJsonDocument(collection).toJson(QJsonDocument::Indented)) < 0
        || !out.commit()) {
        *error = QStringLiteral("%1: %2").arg(file, out.errorString());
        return false;
    }
    return true;
}

} // namespace ZoneExport
