#ifndef ROUTEMAP_H
#define ROUTEMAP_H

#include <QList>

#include <memory>

namespace MapQt {
class MapCar;
} // namespace MapQt

class BindToMapModel;
class DialogSelectGraphObj;
class QStandardItem;
class RouteRecord;
class SectionRecord;

// What the route check puts on the host's map: each section's graphic objects,
// drawn in the colours of the section's live state while its route is shown,
// and moving the map to a route or section. The objects are looked up in the
// graphic-object store by id.
class RouteMap
{
public:
    RouteMap(const BindToMapModel &binding, const DialogSelectGraphObj &objects);

    // Draws (shown) or erases the section's objects; the map is not redrawn.
    void drawSection(const SectionRecord &section, bool shown) const;
    // Every section of route, then a redraw.
    void drawRoute(const RouteRecord &route, bool shown) const;
    // Draws the shown routes at and below item again; the map is not redrawn.
    // Whether there was any.
    bool redrawShownRoutes(const QStandardItem *item, bool shown = true) const;
    // Draws (shown) or erases the shown routes at and below item, and has the
    // map redrawn when there was any: around a move to another map.
    void showRoutes(const QStandardItem *item, bool shown) const;
    // Empties the list the sections are drawn into, and takes the legend off;
    // the shapes stay with their objects.
    void clear() const;
    // Places the legend, then has the host redraw the map, when one is bound.
    void refresh() const;
    // Puts the legend of the state colours at the north-west corner of what
    // is drawn, or takes it off when nothing is.
    void placeLegend() const;
    // Centres the map on the objects with these ids, and scales it to them
    // when they span an area; nothing happens when no object is found.
    void moveTo(const QList<int> &graphObjectIds) const;

    ~RouteMap();

private:
    const BindToMapModel &m_binding;
    // In the legend list while anything is drawn; made on first use.
    mutable std::unique_ptr<MapQt::MapCar> m_legend;
    const DialogSelectGraphObj &m_objects;
};

#endif // ROUTEMAP_H
