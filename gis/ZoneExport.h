#ifndef ZONEEXPORT_H
#define ZONEEXPORT_H

#include "ShapeExport.h"

#include "wire/TreeBodies.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVector>

// What an export writes, taken from the server's trees: a layer's objects,
// or a route's shapes with its sections' schedules in the fields the route
// files of opercheck-audit name.
namespace ZoneExport {

// The first top-level layer of that name; null when there is none.
const TreeNode *topLevel(const QList<TreeNode> &layers, const QString &name);
// Its objects and those of the layers below it, in tree order.
QVector<ShapeExport::Feature> layerFeatures(const TreeNode &layer);

struct Route
{
    QString name;
    qint32 checkTimeType = 0;
    quint32 checkTime = 0;
    QStringList units;
    QVector<ShapeExport::Feature> features;
    QStringList warnings; // sections without shapes
};

// The route that node routeId carries, its units named from the tracked
// objects; false with why when no node carries one.
bool route(int routeId, const QList<TreeNode> &rules, const QList<TreeNode> &layers,
           const QList<TreeNode> &units, Route *route, QString *error);

// Adds the member "route" (name, checkTimeType, checkTime, units) to the
// FeatureCollection in the GeoJSON file; false with why.
bool addRouteMember(const QString &path, const Route &route, QString *error);

} // namespace ZoneExport

#endif // ZONEEXPORT_H
