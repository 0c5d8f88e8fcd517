#ifndef LAYERMESSAGES_H
#define LAYERMESSAGES_H

#include "records/GraphObData.h"

class QDataStream;

// Reads one record of the layer tree. A truncated record keeps the points read
// so far; a property map that fails to read is left empty. Only plain value
// types are accepted as property values: anything else fails the map.
GraphObData *ReadGraphObData(QDataStream &in);

// Writes a record in the form ReadGraphObData reads (for servers and tests).
void WriteGraphObData(QDataStream &out, const GraphObData &record);

#endif // LAYERMESSAGES_H
