#include "RouteRecord.h"

#include "SectionRecord.h"

RouteRecord::RouteRecord(int id)
    : id(id)
{
}

RouteRecord::~RouteRecord()
{
    qDeleteAll(sections);
}

RouteRecord *RouteRecord::copy() const
{
    auto *route = new RouteRecord(id);
    route->checkOn = checkOn;
    route->checkTimeType = checkTimeType;
    route->checkTime = checkTime;
    route->fifthField = fifthField;
    route->objects = objects;
    for (const SectionRecord *section : sections)
        route->sections.append(section->copy());
    route->recomputeMaxSectionId();
    return route;
}

SectionRecord *RouteRecord::findSection(int sectionId) const
{
    for (SectionRecord *section : sections) {
        if (section->id == sectionId)
            return section;
    }
    return nullptr;
}

void RouteRecord::recomputeMaxSectionId()
{
    maxSectionId = 0;
    for (const SectionRecord *section : sections)
        maxSectionId = qMax(maxSectionId, section->id);
}
