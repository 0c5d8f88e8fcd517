#ifndef ZONESTORE_H
#define ZONESTORE_H

#include "AuditRoute.h"

#include "records/GraphObData.h"
#include "wire/TreeBodies.h"

#include <QString>
#include <QStringList>
#include <QVector>

// Where zones come from and go to: a server's database file or the server
// itself. Every failure is one line saying why, naming the file or server.
class ZoneStore
{
public:
    virtual ~ZoneStore() = default;

    // The nodes of the rule, layer or tracked-object tree.
    virtual bool tree(TreeBodies::Payload payload, QList<TreeNode> *nodes, QString *error) = 0;

    // Puts the shapes into the top-level layer of that name, made (shown and
    // editable) when there is none. All or nothing: on a failure nothing
    // this call added stays.
    virtual bool import(const QString &layer, const QVector<GraphObData> &shapes,
                        QString *error) = 0;

    // A route file's route in one step: its shapes into the layer as import()
    // puts them, and a new top-level rule node of the route's name carrying
    // the route, checking off, its units found by name (a name no unit has
    // is a warning and stays out). All or nothing.
    virtual bool importRoute(const QString &layer, const AuditRoute &route,
                             QStringList *warnings, QString *error) = 0;

};

#endif // ZONESTORE_H
