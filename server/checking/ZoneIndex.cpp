#include "ZoneIndex.h"

#include <boost/geometry.hpp>
#include <boost/geometry/index/rtree.hpp>

#include <utility>
#include <vector>

namespace bg = boost::geometry;
namespace bgi = boost::geometry::index;

namespace {

using Point3 = bg::model::point<double, 3, bg::cs::cartesian>;
using Box3 = bg::model::box<Point3>;
using Entry = std::pair<Box3, int>;

} // namespace

struct ZoneIndex::Tree
{
    bgi::rtree<Entry, bgi::quadratic<16>> tree;
};

ZoneIndex::ZoneIndex() = default;
ZoneIndex::~ZoneIndex() = default;
ZoneIndex::ZoneIndex(ZoneIndex &&) noexcept = default;
ZoneIndex &ZoneIndex::operator=(ZoneIndex &&) noexcept = default;

void ZoneIndex::build(const QVector<ZoneGeometry> &zones, double margin)
{
    m_zones = zones;
    std::vector<Entry> entries;
    entries.reserve(size_t(zones.size()));
    for (int i = 0; i < zones.size(); ++i) {
        GeoPoint centre;
        double reach = 0.0;
        if (!zones.at(i).extent(&centre, &reach))
            continue;
        reach += margin;
        const auto &c = centre.xyz;
        entries.emplace_back(Box3(Point3(c[0] - reach, c[1] - reach, c[2] - reach),
                                  Point3(c[0] + reach, c[1] + reach, c[2] + reach)),
                             i);
    }
    // Packed in one go: a tree built whole answers faster than one grown.
    m_tree = std::make_unique<Tree>(Tree{bgi::rtree<Entry, bgi::quadratic<16>>(entries)});
}

void ZoneIndex::candidates(const GeoPoint &point, QVector<int> *out) const
{
    out->clear();
    if (!m_tree)
        return;
    const Point3 at(point.xyz[0], point.xyz[1], point.xyz[2]);
    for (auto it = m_tree->tree.qbegin(bgi::intersects(at)); it != m_tree->tree.qend(); ++it)
        out->append(it->second);
}

void ZoneIndex::candidates(const GeoPoint &point,
                           const std::function<void(int zone)> &visit) const
{
    if (!m_tree)
        return;
    const Point3 at(point.xyz[0], point.xyz[1], point.xyz[2]);
    for (auto it = m_tree->tree.qbegin(bgi::intersects(at)); it != m_tree->tree.qend(); ++it)
        visit(it->second);
}
