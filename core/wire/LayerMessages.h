#ifndef LAYERMESSAGES_H
#define LAYERMESSAGES_H

#include "records/GraphObData.h"

#include <QByteArray>

#include <optional>

class QDataStream;

// Reads one record of the layer tree. A truncated record keeps the points read
// so far; a property map that fails to read is left empty. Only plain value
// types are accepted as property values: anything else fails the map.
GraphObData *ReadGraphObData(QDataStream &in);

// Writes a record in the form ReadGraphObData reads (for servers and tests).
void WriteGraphObData(QDataStream &out, const GraphObData &record);

// The graphic objects' edits. Layers are added, renamed and deleted with the
// rule tree's bodies (an id and a name, an id). Read strictly: a body must
// read exactly to its end and write back to the same bytes.
namespace LayerMessages {

// "Add_graph_object": the layer's id (int32), then the record (its id is not
// read). Its reply carries the new object's id (int32).
struct NewObject
{
    qint32 layerId = 0;
    GraphObData record;
};
QByteArray newObjectBody(const NewObject &object);
std::optional<NewObject> readNewObject(const QByteArray &body);

// "Change_graph_object": the record, whose id names the object. Its reply
// echoes the body.
QByteArray recordBody(const GraphObData &record);
std::optional<GraphObData> readRecord(const QByteArray &body);

} // namespace LayerMessages

#endif // LAYERMESSAGES_H
