#include "StoreLimits.h"

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

} // namespace StoreLimits
