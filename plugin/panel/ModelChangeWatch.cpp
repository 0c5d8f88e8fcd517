#include "ModelChangeWatch.h"

#include <QAbstractItemModel>

ModelChangeWatch::ModelChangeWatch(const QAbstractItemModel *model, int role,
                                   std::function<void()> stale)
{
    using Model = QAbstractItemModel;
    m_connections = {
        QObject::connect(model, &Model::rowsAboutToBeRemoved, stale),
        QObject::connect(model, &Model::rowsInserted, stale),
        QObject::connect(model, &Model::rowsAboutToBeMoved, stale),
        QObject::connect(model, &Model::columnsAboutToBeRemoved, stale),
        QObject::connect(model, &Model::modelAboutToBeReset, stale),
        QObject::connect(model, &Model::layoutAboutToBeChanged, stale),
        QObject::connect(model, &Model::dataChanged,
                         [role, stale](const QModelIndex &, const QModelIndex &,
                                       const QVector<int> &roles) {
                             if (roles.isEmpty() || roles.contains(role))
                                 stale();
                         })};
}

ModelChangeWatch::~ModelChangeWatch()
{
    for (const QMetaObject::Connection &connection : qAsConst(m_connections))
        QObject::disconnect(connection);
}
