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

    // Deep copy; the largest section id is recomputed from the copied sections.
    RouteRecord *copy() const;
    // First section with that id, in list order.
    SectionRecord *findSection(int sectionId) const;
    // Raises maxSectionId to the largest positive id present.
    void recomputeMaxSectionId();

private:
    Q_DISABLE_COPY(RouteRecord)
};

#endif // ROUTERECORD_H
