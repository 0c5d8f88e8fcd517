#include "CheckEventsModel.h"

#include <QBrush>
#include <QColor>
#include <QDateTime>

namespace {

const QString Separator = QStringLiteral(" · ");

} // namespace

CheckEventsModel::CheckEventsModel(QObject *parent)
    : QAbstractListModel(parent)
{
}

CheckEventsModel::~CheckEventsModel() = default;

void CheckEventsModel::replaceAll(const QList<LiveMessages::CheckEvent> &events)
{
    beginResetModel();
    m_events.clear();
    m_ids.clear();
    for (const LiveMessages::CheckEvent &event : events) {
        if (m_events.size() == MaxRows)
            break;
        if (m_ids.contains(event.id))
            continue;
        m_ids.insert(event.id);
        m_events.append(event);
    }
    endResetModel();
}

void CheckEventsModel::addNewest(const QList<LiveMessages::CheckEvent> &events)
{
    QList<LiveMessages::CheckEvent> fresh;
    for (const LiveMessages::CheckEvent &event : events) {
        if (m_ids.contains(event.id))
            continue;
        m_ids.insert(event.id);
        fresh.append(event);
    }
    if (fresh.isEmpty())
        return;
    beginInsertRows(QModelIndex(), 0, fresh.size() - 1);
    m_events = fresh + m_events;
    endInsertRows();
    dropOverflow();
}

void CheckEventsModel::dropOverflow()
{
    if (m_events.size() <= MaxRows)
        return;
    beginRemoveRows(QModelIndex(), MaxRows, m_events.size() - 1);
    while (m_events.size() > MaxRows)
        m_ids.remove(m_events.takeLast().id);
    endRemoveRows();
}

QString CheckEventsModel::text(const LiveMessages::CheckEvent &event)
{
    const QString unit = event.unitName.isEmpty()
        ? QLatin1Char('#') + QString::number(event.unitId) : event.unitName;
    const QString kind = event.kind == LiveMessages::CheckEvent::TimeOut ? tr("out") : tr("in");
    // What happened first: a narrow dock cuts the names, not the deviation.
    return QDateTime::fromSecsSinceEpoch(event.time).toString(QStringLiteral("hh:mm:ss"))
        + QStringLiteral("  ") + kind + QLatin1Char(' ')
        + LiveMessages::deviationText(event.deviation) + Separator + unit + Separator
        + event.routeName + Separator + event.sectionName;
}

int CheckEventsModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_events.size();
}

QVariant CheckEventsModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_events.size())
        return QVariant();
    const LiveMessages::CheckEvent &event = m_events.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return text(event);
    case Qt::ForegroundRole:
        return QBrush(event.deviation == 0 ? QColor(25, 110, 45) : QColor(160, 30, 30));
    case Qt::ToolTipRole:
        return QDateTime::fromSecsSinceEpoch(event.time)
            .toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    default:
        return QVariant();
    }
}
