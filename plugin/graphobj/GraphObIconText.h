#ifndef GRAPHOBICONTEXT_H
#define GRAPHOBICONTEXT_H

#include "GraphObject.h"

namespace MapQt {
class MapCar;
} // namespace MapQt

// A picture of the icon table with a caption, standing at the first vertex.
class GraphObIconText : public GraphObject
{
public:
    explicit GraphObIconText(const GraphObData &record);
    ~GraphObIconText() override;

    void AttachEditPrimitives(QList<MapQt::MapPrimitive *> *list) override;
    void DrawOnLayer(QList<MapQt::MapPrimitive *> *list, int mode) override;
    void FillTreeItem(QStandardItem *item) override;
    void ExtendBounds(int &minX, int &minY, int &maxX, int &maxY) override;
    void RebuildPrimitives() override;


    // Position of the "IconName" property among the icon table's keys; -1 for none.
    int iconIndex;

private:
    const PropertySchema &propertySchema() const override;
    void propertyChanged(const PropertyRow &row) override;

    MapQt::MapCar *car; // owned; draws the picture and the caption
    // Drawn under the picture in a state's tint; made when first tinted.
    std::unique_ptr<MapQt::MapCar> m_disc;
    int m_discMode = 0;
    qint64 m_discIcon = 0; // the cache key of the picture the disc was made for
};

#endif // GRAPHOBICONTEXT_H
