#ifndef DEMODISTRICT_H
#define DEMODISTRICT_H

#include <QList>
#include <QPoint>
#include <QRect>
#include <QString>

// Northbrook, the fictional district of the demo: its streets and river, in
// map units (x longitude, y latitude, 1e-7 degree).
namespace DemoDistrict {

struct Street
{
    QString name;
    QList<QPoint> points;
    bool major;
};

// The point at (east, north) metres from the district's centre.
QPoint offset(double eastMetres, double northMetres);

QPoint centre();
// The district's extent, with some margin.
QRect bounds();

QList<Street> streets();
// The river's bank line, drawn as water.
QList<QPoint> river();

} // namespace DemoDistrict

#endif // DEMODISTRICT_H
