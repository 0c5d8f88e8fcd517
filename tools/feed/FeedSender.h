#ifndef FEEDSENDER_H
#define FEEDSENDER_H

#include "FeedPlan.h"

#include <QElapsedTimer>
#include <QNetworkAccessManager>
#include <QObject>
#include <QTextStream>

class QNetworkReply;

// Sends a track's fixes to the OsmAnd listener in order, each when its time
// comes, one request at a time on a kept-alive connection, and prints a line
// for each. A fix the server cannot be reached for, or answers with a 5xx,
// goes again after 1, 2, 4 ... 30 s: none is dropped. Any other reply that
// is not 2xx is printed with its reason and the feed goes on.
class FeedSender : public QObject
{
    Q_OBJECT

public:
    struct Settings
    {
        QUrl url;
        QString deviceId;
        QString key;
        double speed = 1.0;
        bool loop = false;
    };

    FeedSender(const QList<TrackPoint> &points, const Settings &settings,
               QObject *parent = nullptr);

    void start();
    // Ctrl+C: drops the request in flight, prints the summary, then finished().
    void stop();

signals:
    void finished();

private:
    void startPass();
    void sendWhenDue();
    void send();
    void replied();
    void finish(const char *how);

    const QList<TrackPoint> m_points;
    const Settings m_settings;
    QTextStream m_out;
    QTextStream m_err;
    QNetworkAccessManager m_network;
    QElapsedTimer m_passClock;
    QList<FeedFix> m_pass;
    int m_next = 0;
    QNetworkReply *m_reply = nullptr;
    int m_backoffSeconds = 1;
    bool m_done = false;
    qint64 m_sent = 0;
    qint64 m_refused = 0;
    qint64 m_retried = 0;
    int m_passes = 0;
};

#endif // FEEDSENDER_H
