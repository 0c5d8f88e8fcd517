#ifndef ROUTEPROPERTIES_H
#define ROUTEPROPERTIES_H

#include <QList>

class ItemChangeGate;
class PanProperties;
class QModelIndex;
class QStandardItem;
class QStandardItemModel;
class QString;
class QVariant;
class RouteRecord;
class RouteTree;
class SectionRecord;

// The property table of the current route or section, and what an edit of
// one of its rows does to the record. A route shows its check time type and
// tracked objects; a section its name, message switches and check schedule.
class RouteProperties
{
public:
    RouteProperties(PanProperties &panel, ItemChangeGate &propertyGate, RouteTree &tree);

    // Fills the table for item's route or section; any other row, or none,
    // empties it. Tracked objects are named from trackedObjects.
    void show(QStandardItem *item, const QStandardItemModel *trackedObjects);
    // An edit of the property row on the record of item.
    void apply(QStandardItem *item, const QModelIndex &property, const QVariant &value);
    // Whether a section's table row holds a time.
    static bool isTimeRow(int row);
    // A section's record as it is, to put back with restore; invalid for other rows.
    static QVariant snapshot(const QStandardItem *item);
    // Puts a section's record back, all but its live state.
    void restore(QStandardItem *item, const QVariant &snapshot);

private:
    void startTable();
    void showRouteRows(const RouteRecord &route, const QStandardItemModel *trackedObjects);
    void showSectionRows(const SectionRecord &section);
    void fillSectionValues(const SectionRecord &section, QStandardItemModel *table);
    // Whether the section's table needs its values filled again.
    static bool applyToSection(SectionRecord &section, int row, const QVariant &value);
    // Names of the tracked objects with these ids, each once, in the model's order.
    static QString objectsText(const QList<int> &objects, const QStandardItemModel *trackedObjects);

    PanProperties &m_panel;
    ItemChangeGate &m_propertyGate;
    RouteTree &m_tree;
};

#endif // ROUTEPROPERTIES_H
