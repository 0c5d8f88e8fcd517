#ifndef ZONESTORE_H
#define ZONESTORE_H

#include "records/GraphObData.h"
#include "wire/TreeBodies.h"

#include <QString>
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
};

#endif // ZONESTORE_H
