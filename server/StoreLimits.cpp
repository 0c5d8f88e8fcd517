#include "StoreLimits.h"

#include "geo/MapGeometry.h"
#include "records/GraphObData.h"
#include "records/RecordKinds.h"
#include "records/RouteRecord.h"
#include "records/SectionRecord.h"

namespace StoreLimits {


QString routeProblem(const RouteRecord &route)
{
    if (route.objects.size() > MaxUnitsPerRoute) {
        return QStringLiteral("route %1 has %2 units, more than %3")
            .arg(route.id).arg(route.objects.size()).arg(MaxUnitsPerRoute);
    }
    if (route.sections.size() > MaxSectionsPerRoute) {
        return QStringLiteral("route %1 has %2 sections, more than %3")
            .arg(route.id).arg(route.sections.size()).arg(MaxSectionsPerRoute);
    }
    for (const SectionRecord *section : route.sections) {
        if (section->graphObjectIds.size() > MaxShapesPerSection) {
            return QStringLiteral("section %1 of route %2 has %3 shapes, more than %4")
                .arg(section->id).arg(route.id).arg(section->graphObjectIds.size())
                .arg(MaxShapesPerSection);
        }
        if (section->name.size() > MaxNameLength) {
            return QStringLiteral("the name of section %1 of route %2 has %3 characters,"
                                  " more than %4")
                .arg(section->id).arg(route.id).arg(section->name.size()).arg(MaxNameLength);
        }
    }
    return QString();
}

std::optional<StoreError> nameProblem(const QString &name)
{
    if (name.trimmed().isEmpty())
        return StoreError{RequestFailure::Refused, QStringLiteral("a name may not be empty")};
    if (name.size() > MaxNameLength) {
        return StoreError{RequestFailure::OverLimit,
                          QStringLiteral("the name has %1 characters, more than %2")
                              .arg(name.size())
                              .arg(MaxNameLength)};
    }
    return std::nullopt;
}

std::optional<StoreError> shapeProblem(const GraphObData &record)
{
    const auto refused = [](const QString &reason) {
        return StoreError{RequestFailure::Refused, reason};
    };
    if (record.name.size() > MaxNameLength) {
        return StoreError{RequestFailure::OverLimit,
                          QStringLiteral("the name has %1 characters, more than %2")
                              .arg(record.name.size())
                              .arg(MaxNameLength)};
    }
    const std::optional<GraphKind> kind = drawableKind(record.type);
    if (!kind)
        return refused(QStringLiteral("type %1 is not a shape the server keeps").arg(record.type));
    const int count = record.points.size();
    if (count > MaxVerticesPerObject) {
        return StoreError{RequestFailure::OverLimit,
                          QStringLiteral("the shape has %1 points, more than %2")
                              .arg(count)
                              .arg(MaxVerticesPerObject)};
    }
    const bool onePoint = *kind == GraphKind::IconText || *kind == GraphKind::Circle;
    const int fewest = onePoint ? 1 : *kind == GraphKind::Line ? 2 : 3;
    if (count < fewest || (onePoint && count > 1)) {
        return refused(QStringLiteral("a shape of type %1 has %2%3 point(s), not %4")
                           .arg(record.type)
                           .arg(onePoint ? QString() : QStringLiteral("at least "))
                           .arg(fewest)
                           .arg(count));
    }
    for (int i = 0; i < count; ++i) {
        if (!MapGeometry::onGlobe(record.points.at(i)))
            return refused(QStringLiteral("point %1 lies off Earth").arg(i + 1));
    }
    if (*kind == GraphKind::Circle) {
        bool isNumber = false;
        const double diameter =
            record.properties.value(QLatin1String(GraphProperty::Diameter)).toDouble(&isNumber);
        if (!isNumber || !(diameter > 0))
            return refused(QStringLiteral("a circle needs a positive diameter"));
    }
    return std::nullopt;
}

} // namespace StoreLimits
