#ifndef ZONEINDEX_H
#define ZONEINDEX_H

#include "GeoFrame.h"
#include "ZoneGeometry.h"

#include <QVector>

#include <functional>
#include <memory>

// Zones found by where a report is: an R-tree over each zone's extent as a
// box in earth-centred coordinates, so that the antimeridian and the poles
// need no care. Only the zones it returns can hold the report.
class ZoneIndex
{
public:
    ZoneIndex();
    ~ZoneIndex();
    ZoneIndex(ZoneIndex &&) noexcept;
    ZoneIndex &operator=(ZoneIndex &&) noexcept;

    // The zones are kept; their places in the list are what candidates() gives.
    // margin widens every zone's box, in metres.
    void build(const QVector<ZoneGeometry> &zones, double margin = 0.0);
    const QVector<ZoneGeometry> &zones() const { return m_zones; }

    // The zones whose extent (widened by the margin) may hold point, in no
    // particular order.
    void candidates(const GeoPoint &point, QVector<int> *out) const;
    void candidates(const GeoPoint &point, const std::function<void(int zone)> &visit) const;

private:
    struct Tree;
    QVector<ZoneGeometry> m_zones;
    std::unique_ptr<Tree> m_tree;
};

#endif // ZONEINDEX_H
