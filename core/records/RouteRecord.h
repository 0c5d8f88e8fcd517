#ifndef ROUTERECORD_H
#define ROUTERECORD_H

#include <QList>
#include <QtGlobal>

class SectionRecord;

// A check route: its check mode, tracked objects and ordered sections.
class RouteRecord
{
public:
    explicit RouteRecord(int id = 0);
    // Copies own their sections: every field is copied, sections deeply.
    RouteRecord(const RouteRecord &other);
    RouteRecord &operator=(const RouteRecord &other);
    ~RouteRecord();

    QList<SectionRecord *> sections; // owned, in display order
    int id;            // the carrying node's id once saved; -node id until then
    int checkOn = 0;   // 0 off, 1 on
    int checkTimeType = 1;
    uint checkTime = 0; // seconds since 1970-01-01 UTC
    int fifthField = 0; // the server's; carried back unchanged
    QList<int> objects; // tracked object ids
    int maxSectionId = 0;
    // Sections were put back in another order than the server has; never on the wire.
    bool sectionsReordered = false;

    // A deep copy on the heap, as the server would send it back: the largest
    // section id is recomputed and the reorder mark is not carried.
    RouteRecord *copy() const;
    // First section with that id, in list order.
    SectionRecord *findSection(int sectionId) const;
    // Raises maxSectionId to the largest positive id present.
    void recomputeMaxSectionId();
};

#endif // ROUTERECORD_H
