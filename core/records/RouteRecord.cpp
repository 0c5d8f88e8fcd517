#include "records/RouteRecord.h"

#include "records/SectionRecord.h"

#include <utility>

RouteRecord::RouteRecord(int id)
    : id(id)
{
}

RouteRecord::RouteRecord(const RouteRecord &other)
    : id(other.id)
    , checkOn(other.checkOn)
    , checkTimeType(other.checkTimeType)
    , checkTime(other.checkTime)
    , fifthField(other.fifthField)
    , objects(other.objects)
    , maxSectionId(other.maxSectionId)
    , sectionsReordered(other.sectionsReordered)
{
    sections.reserve(other.sections.size());
    for (const SectionRecord *section : other.sections)
        sections.append(section->copy());
}

RouteRecord &RouteRecord::operator=(const RouteRecord &other)
{
    if (this != &other) {
        RouteRecord copied(other);
        std::swap(sections, copied.sections);
        id = other.id;
        checkOn = other.checkOn;
        checkTimeType = other.checkTimeType;
        checkTime = other.checkTime;
        fifthField = other.fifthField;
        objects = other.objects;
        maxSectionId = other.maxSectionId;
        sectionsReordered = other.sectionsReordered;
    }
    return *this;
}

RouteRecord::~RouteRecord()
{
    qDeleteAll(sections);
}

RouteRecord *RouteRecord::copy() const
{
    auto *route = new RouteRecord(*this);
    route->sectionsReordered = false;
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
