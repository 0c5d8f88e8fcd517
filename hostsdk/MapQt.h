#ifndef MAPQT_H
#define MAPQT_H

#include <QBrush>
#include <QList>
#include <QMap>
#include <QPen>
#include <QPixmap>
#include <QString>

// Records of the host's map library. The plug-in fills them and puts them into
// the host's primitive lists; the host draws whatever the lists hold.
namespace MapQt {

struct MapPoint
{
    int x;
    int y;
};

class MapPrimitive
{
public:
    MapPrimitive() = default;
    virtual ~MapPrimitive()
    {
        delete pen;
        delete brush;
    }

    int x = 0, y = 0;
    unsigned char kind = 0;
    QPen *pen = nullptr;     // owned
    QBrush *brush = nullptr; // owned
    bool visible = true;
    bool selected = false;
    int param1 = 0, param2 = 0;

private:
    Q_DISABLE_COPY(MapPrimitive)
};

class MapTrace : public MapPrimitive
{
public:
    MapTrace() { kind = 1; }
    ~MapTrace() override { delete[] points; }

    MapPoint *points = nullptr; // owned, array of count points
    int count = 0;
    unsigned char style = 0;
};

class MapPolygon : public MapTrace
{
public:
    MapPolygon() { kind = 2; }
};

class MapCar : public MapPrimitive
{
public:
    MapCar() { kind = 5; }
    ~MapCar() override
    {
        delete textPen;
        delete framePen;
    }

    int carParam1 = 0, carParam2 = 0;
    int reserved = 0;
    QString text;
    QPixmap pixmap;
    QPen *textPen = nullptr;  // owned
    QPen *framePen = nullptr; // owned
};

struct PrimitiveList
{
    QList<MapPrimitive *> primitives; // not owned: primitives belong to whoever made them
    bool visible;
    bool editable;
};

struct LayerGroup
{
    int id;
    int flags;
    QList<PrimitiveList *> lists;
};

typedef QMap<int, QList<LayerGroup *> *> LayerTable;

} // namespace MapQt

#endif // MAPQT_H
