#ifndef CHECKEVENTSMODEL_H
#define CHECKEVENTSMODEL_H

#include "wire/LiveMessages.h"

#include <QAbstractListModel>
#include <QList>
#include <QSet>

// The check events the server recorded, newest first, one line each:
// "12:04:31  Riverside patrol · Weir - Old bridge · Moto M-5 · in +4 min".
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
    // Fresh events, newest first, go on top; those already listed are skipped.
    void addNewest(const QList<LiveMessages::CheckEvent> &events);

    LiveMessages::CheckEvent eventAt(int row) const { return m_events.value(row); }
    static QString text(const LiveMessages::CheckEvent &event);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

private:
    void dropOverflow();

    QList<LiveMessages::CheckEvent> m_events;
    QSet<qint32> m_ids;
};

#endif // CHECKEVENTSMODEL_H
