#ifndef LAYERSTORE_H
#define LAYERSTORE_H

#include <QByteArray>
#include <QHash>
#include <QSet>
#include <QString>

class Database;
class GraphObData;
struct StoreError;

// The tree of graphic layers and the graphic objects each layer holds.
class LayerStore
{
public:
    explicit LayerStore(const Database &db); // the database outlives the store

    // 0 on failure. Parent 0: a top-level layer.
    qint32 addLayer(qint32 parentId, const QString &name, quint32 typeBits, int order);
    // Stores the record in a layer; a record id of 0 takes a new id. Returns
    // the object's id, 0 on failure.
    qint32 addObject(qint32 layerId, const GraphObData &record, int order);

    // Type, name, points and properties of the object record.id.
    bool replaceObject(const GraphObData &record, StoreError *error);

    // Every graphic object by id; ok is false on a database error.
    QHash<qint32, GraphObData> objects(bool *ok) const;
    // The graphic objects of these ids that exist.
    QHash<qint32, GraphObData> objects(const QSet<qint32> &ids, bool *ok) const;

    // The "Get_tree_graphobj" reply body; ok is false on a database error.
    QByteArray treeBody(bool *ok) const;

private:
    bool readObjects(const QString &where, QHash<qint32, GraphObData> *objects) const;

    const Database &m_db;
};

#endif // LAYERSTORE_H
