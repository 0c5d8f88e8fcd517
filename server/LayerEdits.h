#ifndef LAYEREDITS_H
#define LAYEREDITS_H

#include "StoreError.h"

#include "records/RecordKinds.h"

#include <QString>

class Database;
class GraphObData;
class LayerStore;

// The operators' edits of graphic layers and objects, each in one
// transaction. A layer may be changed, and hold new layers and objects, when
// its type bits allow editing. An object that a route's section uses is not
// deleted, nor the layer that holds it: the refusal names the routes. A
// refused edit stores nothing; error says why.
class LayerEdits
{
public:
    // Both outlive the edits; layers builds the tree the size is measured on.
    LayerEdits(const Database &db, LayerStore &layers);

    // What a new top-level layer may do: be shown and edited.
    static constexpr quint32 NewTopLevelBits = NodeBits::Shown | NodeBits::Editable;

    // The new layer's id, or 0. It comes last among its siblings, with its
    // parent's type bits (NewTopLevelBits at the top level).
    qint32 addLayer(qint32 parentId, const QString &name, StoreError *error);
    bool renameLayer(qint32 id, const QString &name, StoreError *error);
    // The layer, the layers below it and their objects.
    bool removeLayer(qint32 id, StoreError *error);

    // The new object's id, or 0; record's id is not used. It comes last in its layer.
    qint32 addObject(qint32 layerId, const GraphObData &record, StoreError *error);
    // Type, name, points and properties of the object record.id; its layer stays.
    bool changeObject(const GraphObData &record, StoreError *error);
    bool removeObject(qint32 id, StoreError *error);

    // A layer tree reply was just built: its size is the one to grow from.
    void measured(qint64 treeBytes) { m_treeBytes = treeBytes; }
    // Another server changed the tree: it is measured again before a change.
    void forgetTreeSize() { m_treeBytes = Unknown; }

private:
    static constexpr qint64 Unknown = -1;

    // The type bits of an editable layer; false with why when it is missing
    // or read-only (what: what it may not do then).
    bool editableLayer(qint32 id, const char *what, qint64 *bits, StoreError *error) const;
    // The layer that holds object id; 0 with why when there is none.
    qint32 layerOf(qint32 id, StoreError *error) const;
    // Refuses when a section uses one of the objects the query's first column
    // lists (bound to id); what names them for the refusal.
    bool refuseUsed(const QString &objectsSql, qint32 id, const QString &what,
                    StoreError *error) const;
    // The layer tree's reply size, measured when not known; false with why.
    bool knowTreeSize(StoreError *error);
    // Refuses a change that would leave the tree larger than a reply carries.
    bool fits(qint64 growth, StoreError *error) const;

    const Database &m_db;
    LayerStore &m_layers;
    qint64 m_treeBytes = Unknown;
};

#endif // LAYEREDITS_H
