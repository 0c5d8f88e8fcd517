#ifndef GRAPHOBDATA_H
#define GRAPHOBDATA_H

#include <QList>
#include <QPoint>
#include <QString>
#include <QVariantMap>

class QDataStream;

// The server's record of one graphic object; also the second base of every
// graphic object. Points are (longitude, latitude) in 1e-7 degree.
class GraphObData
{
public:
    qint32 id = 0;
    qint32 type = 0;
    QString name;
    QList<QPoint> points;
    QVariantMap properties;
};

// Reads one record of the layer tree. A truncated record keeps the points read
// so far; a property map that fails to read is left empty. Only plain value
// types are accepted as property values: anything else fails the map.
GraphObData *ReadGraphObData(QDataStream &in);

// Writes a record in the form ReadGraphObData reads (for servers and tests).
void WriteGraphObData(QDataStream &out, const GraphObData &record);

#endif // GRAPHOBDATA_H
