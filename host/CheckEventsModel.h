#ifndef CHECKEVENTSMODEL_H
#define CHECKEVENTSMODEL_H

#include "wire/LiveMessages.h"

#include <QAbstractListModel>
#include <QList>
#include <QSet>

// The check events the server recorded, by event time, newest first (a late
// report's event goes in its place), one line each:
// "2024-05-14 12:04:31  in +4 min · Moto M-5 · Riverside patrol · Weir - Old bridge".
// Off-schedule rows read in dark red, on-schedule ones in dark green. Only the
// newest MaxRows are kept.
class CheckEventsModel : public QAbstractListModel
{
    Q_OBJECT

public:
    static constexpr int MaxRows = 200;

    explicit CheckEventsModel(QObject *parent = nullptr);
    ~CheckEventsModel() override;

    // The reply to "Get_check_events": the whole list, newest first.
    void replaceAll(const QList<LiveMessages::CheckEvent> &events);
    // Fresh events go in their place by time; those already listed are skipped.
    void addNewest(const QList<LiveMessages::CheckEvent> &events);

    LiveMessages::CheckEvent eventAt(int row) const { return m_events.value(row); }
    static QString text(const LiveMessages::CheckEvent &event);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

private:
    void dropOverflow();
    // Newer first; the later recorded first within a second.
    static bool newer(const LiveMessages::CheckEvent &a, const LiveMessages::CheckEvent &b);

    QList<LiveMessages::CheckEvent> m_events;
    QSet<qint32> m_ids;
};

#endif // CHECKEVENTSMODEL_H
