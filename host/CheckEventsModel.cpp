#include "CheckEventsModel.h"

#include <QBrush>
#include <QColor>
#include <QDateTime>

#include <algorithm>

namespace {

const QString Separator = QStringLiteral(" · ");

} // namespace

CheckEventsModel::CheckEventsModel(QObject *parent)
    : QAbstractListModel(parent)
{
}

CheckEventsModel::~CheckEventsModel() = default;

bool CheckEventsModel::newer(const LiveMessages::CheckEvent &a, const LiveMessages::CheckEvent &b)
{
    return a.time != b.time ? a.time > b.time : a.id > b.id;
}

void CheckEventsModel::replaceAll(const QList<LiveMessages::CheckEvent> &events)
{
    beginResetModel();
    m_events.clear();
    m_ids.clear();
    for (const LiveMessages::CheckEvent &event : events) {
        if (m_ids.contains(event.id))
            continue;
        m_ids.insert(event.id);
        m_events.append(event);
    }
    std::sort(m_events.begin(), m_events.end(), &CheckEventsModel::newer);
    while (m_events.size() > MaxRows)
        m_ids.remove(m_events.takeLast().id);
    endResetModel();
}

void CheckEventsModel::addNewest(const QList<LiveMessages::CheckEvent> &events)
{
    for (const LiveMessages::CheckEvent &event : events) {
        if (m_ids.contains(event.id))
            continue;
        m_ids.insert(event.id);
        const int row = int(std::upper_bound(m_events.cbegin(), m_events.cend(), event,
                                             &CheckEventsModel::newer)
                            - m_events.cbegin());
        beginInsertRows(QModelIndex(), row, row);
        m_events.insert(row, event);
        endInsertRows();
    }
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
    const QDateTime at = QDateTime::fromSecsSinceEpoch(event.time);
    return at.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"))
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
        return text(event); // whole, where the dock cuts it
    default:
        return QVariant();
    }
}
