#include "GraphObject.h"

#include "IconTable.h"

#include <MapQt.h>

#include <QStandardItem>

QStringList &GraphObject::typeNames()
{
    static QStringList names;
    return names;
}

void GraphObject::InitTypeNames()
{
    typeNames() = QStringList{tr("Abstract"), tr("IconText"), tr("Line"),
                            tr("Polygone"), tr("Circle"), tr("Cone")};
}

GraphObject::GraphObject(const GraphObData &record, QObject *parent)
    : QObject(parent)
    , GraphObData(record)
    , primitiveList(nullptr)
    , vertexTrace(new MapQt::MapTrace)
{
}

GraphObject::~GraphObject()
{
    delete vertexTrace;
}

void GraphObject::AttachEditPrimitives(QList<MapQt::MapPrimitive *> *list)
{
    primitiveList = list;
}

void GraphObject::RemovePoint(int) {}
void GraphObject::InsertPoint(int, QPoint) {}
void GraphObject::MovePoints(int, int, QPoint) {}
void GraphObject::PreviewMove(int, int, QPoint) {}

void GraphObject::FillTreeItem(QStandardItem *item)
{
    if (item)
        item->setText(name);
}

void GraphObject::FillProperties(QStandardItemModel *) {}

bool GraphObject::FindHitPoints(const QList<MapHit> &, int &first, int &second, int)
{
    first = second = -1;
    return false;
}

GraphObject *CreateGraphObject(const GraphObData &)
{
    return nullptr;
}

GraphObData *ReadGraphObData(QDataStream &)
{
    return new GraphObData;
}

void WriteGraphObData(QDataStream &, const GraphObData &) {}

static QMap<QString, QPixmap> *icons = nullptr;

QMap<QString, QPixmap> &iconTable()
{
    if (!icons)
        icons = new QMap<QString, QPixmap>;
    return *icons;
}

void InitIconTable() {}

CmbBoxDelegateOnMapIcon *iconDelegate()
{
    return nullptr;
}
