#ifndef MODELCHANGEWATCH_H
#define MODELCHANGEWATCH_H

#include <QList>
#include <QMetaObject>

#include <functional>

class QAbstractItemModel;

// Tells a table kept beside a model when it may have gone stale: on any
// change of rows, columns or layout, and on a change of one item role's data.
// The model may outlive the watch; the watch stops listening when it goes.
class ModelChangeWatch
{
public:
    ModelChangeWatch(const QAbstractItemModel *model, int role, std::function<void()> stale);
    ~ModelChangeWatch();

    ModelChangeWatch(const ModelChangeWatch &) = delete;
    ModelChangeWatch &operator=(const ModelChangeWatch &) = delete;

private:
    QList<QMetaObject::Connection> m_connections;
};

#endif // MODELCHANGEWATCH_H
