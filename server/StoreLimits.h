#ifndef STORELIMITS_H
#define STORELIMITS_H

#include "StoreError.h"

#include "records/RecordKinds.h"

#include <QString>

#include <optional>

class GraphObData;
class RouteRecord;

// What the store takes in one route, and how large a tree reply may grow:
// a client is refused a change beyond these rather than the server holding
// what it could no longer send.
namespace StoreLimits {

inline constexpr int MaxUnitsPerRoute = 10000;
inline constexpr int MaxSectionsPerRoute = 1000;
inline constexpr int MaxShapesPerSection = 1000;
inline constexpr int MaxNameLength = 256;
inline constexpr qint64 MaxTreeBytes = 32 * 1024 * 1024;
// Groups and units together.
inline constexpr int MaxTrackedObjects = 100000;
inline constexpr int MaxVerticesPerObject = MaxShapePoints;

// Which limit the route breaks, for people; empty when it keeps them all.
QString routeProblem(const RouteRecord &route);
// Why a node may not take the name: empty once trimmed (refused) or too long.
std::optional<StoreError> nameProblem(const QString &name);
// Why the server would not store the graphic object: a name too long, not a
// shape it draws, too few or too many points, a point off Earth, a circle
// without a size.
std::optional<StoreError> shapeProblem(const GraphObData &record);

} // namespace StoreLimits

#endif // STORELIMITS_H
