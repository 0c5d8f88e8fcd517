#ifndef INSTANCELEASE_H
#define INSTANCELEASE_H

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QString>

class Database;
class QTimer;

// This server's place among the servers of one database: a row of its own in
// server_instances (its id and the address its peers reach it at), renewed
// every HeartbeatMs by the database's clock. A server whose row is older than
// LeaseMs is gone; its routes pass to the others. A server that cannot renew
// its own row for LeaseMs takes itself for gone too, and judges nothing.
class InstanceLease : public QObject
{
    Q_OBJECT

public:
    static constexpr int HeartbeatMs = 2000;
    static constexpr int LeaseMs = 6000;
    // Rows of servers gone this long are cleared away.
    static constexpr int ForgetMs = 10 * 60 * 1000;

    struct Member
    {
        QString id;
        QString address; // host:port of its peer link
        bool operator==(const Member &other) const
        {
            return id == other.id && address == other.address;
        }
    };

    // The database outlives the lease; its connection is this thread's.
    explicit InstanceLease(const Database &db, QObject *parent = nullptr);
    ~InstanceLease() override;

    QString id() const { return m_id; }
    // Takes a row and reads who else is there; false with why.
    bool start(const QString &address, QString *error);
    // Gives the row up, so that the others take over at their next beat.
    void stop();

    // The live servers, this one among them while its lease holds; id order.
    QList<Member> members() const { return m_members; }

signals:
    void membersChanged();
    // Every beat whose renewal held.
    void renewed();

private:
    void beat();
    bool renew();
    bool readMembers(QList<Member> *members) const;

    const Database &m_db;
    const QString m_id;
    QString m_address;
    QTimer *m_timer; // a child
    QElapsedTimer m_sinceRenewed;
    QList<Member> m_members;
};

#endif // INSTANCELEASE_H
