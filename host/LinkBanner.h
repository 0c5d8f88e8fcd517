#ifndef LINKBANNER_H
#define LINKBANNER_H

#include <QLabel>
#include <QString>

class QTimer;
class ServerConnection;

// Over the plug-ins' pages while the server cannot be reached: which server,
// why, and how soon the next try is, counted down. Hidden while connected,
// so that an empty panel never leaves the operator guessing.
class LinkBanner : public QLabel
{
    Q_OBJECT

public:
    // The connection outlives the banner.
    explicit LinkBanner(ServerConnection *connection, QWidget *parent = nullptr);

private:
    void update();

    ServerConnection *m_connection; // not owned
    QTimer *m_tick;                 // a child
    QString m_reason;               // of the last loss
};

#endif // LINKBANNER_H
