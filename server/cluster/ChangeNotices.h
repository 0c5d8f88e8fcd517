#ifndef CHANGENOTICES_H
#define CHANGENOTICES_H

#include <QByteArray>
#include <QObject>
#include <QSqlDriver>

class Database;

// Changes made through one server reach the clients of every server of the
// same PostgreSQL database: each server announces the changes it committed
// on a channel (NOTIFY) and hears the others' (LISTEN). A SQLite file has one
// server, so there this announces nothing and hears nothing.
class ChangeNotices : public QObject
{
    Q_OBJECT

public:
    enum class Kind { Rules, Layers, Units, CheckMode };
    Q_ENUM(Kind)

    // NOTIFY's payload is at most 8000 bytes; a check mode body beyond this
    // is announced as a rule tree change, which makes panels read it all.
    static constexpr int MaxBodyBytes = 5000;

    // The database outlives the notices; its connection is this thread's.
    explicit ChangeNotices(const Database &db, QObject *parent = nullptr);
    ~ChangeNotices() override;

    bool isActive() const { return m_active; }
    // Listens, on PostgreSQL; false with why when it cannot.
    bool start(QString *error);
    void stop();

    // After the change committed; body is what the sender's clients were sent
    // (a check mode switch), to be sent by the others likewise. Needs no
    // start(): a tool writing beside the servers announces its changes too.
    void announce(Kind kind, const QByteArray &body = {});

    static QString channel();
    // The payload of a notice, and back; false for one that does not read.
    static QString payload(Kind kind, const QByteArray &body);
    static bool read(const QString &payload, Kind *kind, QByteArray *body);

signals:
    // Another server committed a change.
    void heard(ChangeNotices::Kind kind, const QByteArray &body);

private:
    void onNotification(const QString &name, QSqlDriver::NotificationSource source,
                        const QVariant &payload);

    const Database &m_db;
    bool m_active = false;
};

#endif // CHANGENOTICES_H
