#include "GraphObjectFactory.h"

#include "GraphObCircle.h"
#include "GraphObIconText.h"
#include "GraphObLine.h"
#include "GraphObPolygone.h"

#include "records/RecordKinds.h"

GraphObject *CreateGraphObject(const GraphObData &record)
{
    const std::optional<GraphKind> kind = drawableKind(record.type);
    if (!kind)
        return nullptr;
    switch (*kind) {
    case GraphKind::IconText:
        return new GraphObIconText(record);
    case GraphKind::Line:
        return new GraphObLine(record);
    case GraphKind::Polygon:
        return new GraphObPolygone(record);
    case GraphKind::Circle:
        return new GraphObCircle(record);
    case GraphKind::Abstract:
    case GraphKind::Cone:
        break;
    }
    return nullptr;
}
