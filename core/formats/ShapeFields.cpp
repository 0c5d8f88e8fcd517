#include "formats/ShapeFields.h"

namespace ShapeFields {

QString kindName(qint32 type)
{
    switch (drawableKind(type).value_or(GraphKind::Abstract)) {
    case GraphKind::Polygon:
        return QLatin1String(Polygon);
    case GraphKind::Line:
        return QLatin1String(Corridor);
    case GraphKind::Circle:
        return QLatin1String(Circle);
    case GraphKind::IconText:
        return QLatin1String(IconKind);
    case GraphKind::Abstract:
    case GraphKind::Cone:
        break;
    }
    return QString();
}

} // namespace ShapeFields
