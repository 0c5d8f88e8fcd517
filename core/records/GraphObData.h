#ifndef GRAPHOBDATA_H
#define GRAPHOBDATA_H

#include <QList>
#include <QPoint>
#include <QString>
#include <QVariantMap>

// The server's record of one graphic object; also the second base of every
// graphic object. Points are (longitude, latitude) in 1e-7 degree; type is a
// GraphKind code, properties are keyed by GraphProperty names.
class GraphObData
{
public:
    qint32 id = 0;
    qint32 type = 0;
    QString name;
    QList<QPoint> points;
    QVariantMap properties;
};

#endif // GRAPHOBDATA_H
