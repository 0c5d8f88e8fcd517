#ifndef SHAPEFIELDS_H
#define SHAPEFIELDS_H

#include "records/RecordKinds.h"

#include <QColor>
#include <QString>

// How a graphic object shows in a GIS file's attributes, both ways: the
// field names (short enough for a Shapefile), the kinds by name, and the
// look an imported shape gets when its file says nothing of it.
namespace ShapeFields {

inline constexpr char Name[] = "name";
inline constexpr char Kind[] = "kind";
inline constexpr char Width[] = "width";   // a corridor's, metres
inline constexpr char Radius[] = "radius"; // a circle's, metres
inline constexpr char Icon[] = "icon_name"; // KML keeps "icon" for its own style
inline constexpr char Color[] = "color"; // #AARRGGBB
inline constexpr char Brush[] = "brush"; // #AARRGGBB
inline constexpr char Comment[] = "comment";

// The kinds as the route files name them.
inline constexpr char Polygon[] = "polygon";
inline constexpr char Corridor[] = "corridor";
inline constexpr char Circle[] = "circle";
inline constexpr char IconKind[] = "icon";
// "polygon", "corridor", "circle", "icon"; empty for a type with no shape.
QString kindName(qint32 type);

// The look of a shape whose file gives none.
inline constexpr int DefaultWidth = 30; // metres
inline constexpr char DefaultIcon[] = "Event";
inline QColor defaultColor() { return QColor(0, 92, 200); }
inline QColor defaultBrush() { return QColor(0, 92, 200, 60); }

// Points a circle becomes in a format without circles.
inline constexpr int CircleRingPoints = 64;

} // namespace ShapeFields

#endif // SHAPEFIELDS_H
