#include "DatabaseRoute.h"

#include "Database.h"
#include "LayerStore.h"
#include "RuleStore.h"
#include "TrackedObjectStore.h"

#include "records/GraphObData.h"
#include "records/SectionRecord.h"

#include <QFileInfo>
#include <QSet>

DatabaseRoute::Outcome DatabaseRoute::load(const QString &path, int routeId, AuditRoute *route,
                                           QString *error)
{
    // Opening makes a missing file: a path to nothing is refused first.
    if (DatabaseAddress::namesFile(path) && !QFileInfo(path).isFile()) {
        *error = QStringLiteral("no database at %1").arg(path);
        return Outcome::Unreadable;
    }
    Database db;
    if (!db.open(path, error))
        return Outcome::Unreadable;
    bool ok = false;
    std::vector<RuleStore::NamedRoute> routes = RuleStore(db).routes(&ok);
    const QHash<qint32, QString> names = ok ? TrackedObjectStore(db).unitNames(&ok)
                                            : QHash<qint32, QString>();
    if (!ok) {
        *error = QStringLiteral("cannot read the routes of %1").arg(db.path());
        return Outcome::Unreadable;
    }
    const auto found = std::find_if(routes.cbegin(), routes.cend(),
                                    [routeId](const RuleStore::NamedRoute &named) {
                                        return named.route->id == routeId;
                                    });
    if (found == routes.cend()) {
        *error = QStringLiteral("no route %1 in %2").arg(routeId).arg(db.path());
        return Outcome::NoSuchRoute;
    }
    const RouteRecord &stored = *found->route;
    QSet<qint32> ids;
    for (const SectionRecord *section : stored.sections)
        ids.unite(QSet<qint32>(section->graphObjectIds.cbegin(), section->graphObjectIds.cend()));
    const QHash<qint32, GraphObData> objects = LayerStore(db).objects(ids, &ok);
    if (!ok) {
        *error = QStringLiteral("cannot read the graphic objects of %1").arg(db.path());
        return Outcome::Unreadable;
    }

    AuditRoute read;
    read.name = found->name;
    read.record = std::make_shared<RouteRecord>(stored);
    // Units are numbered by their place in the route; the track names them.
    read.record->objects.clear();
    for (int unit : stored.objects) {
        const QString name = names.value(unit, QString::number(unit));
        if (read.unitNames.contains(name))
            continue;
        read.unitNames.append(name);
        read.record->objects.append(read.unitNames.size());
    }
    for (const SectionRecord *section : stored.sections) {
        QList<ZoneGeometry> zones;
        for (int id : section->graphObjectIds) {
            if (objects.contains(id))
                zones.append(ZoneGeometry::fromObject(objects.value(id)));
        }
        read.zones.append(zones);
    }
    *route = read;
    return Outcome::Read;
}
