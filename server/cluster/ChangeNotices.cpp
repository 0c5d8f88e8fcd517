#include "ChangeNotices.h"

#include "Database.h"
#include "ServerLog.h"

#include <QMetaEnum>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

ChangeNotices::ChangeNotices(const Database &db, QObject *parent)
    : QObject(parent), m_db(db)
{
}

ChangeNotices::~ChangeNotices()
{
    stop();
}

QString ChangeNotices::channel()
{
    return QStringLiteral("opercheck_changes");
}

bool ChangeNotices::start(QString *error)
{
    if (m_db.address().isFile())
        return true;
    QSqlDriver *driver = m_db.connection().driver();
    if (!driver->subscribeToNotification(channel())) {
        *error = QStringLiteral("cannot listen for other servers' changes on %1: %2")
                     .arg(m_db.path(), driver->lastError().text());
        return false;
    }
    connect(driver, qOverload<const QString &, QSqlDriver::NotificationSource, const QVariant &>(
                        &QSqlDriver::notification),
            this, &ChangeNotices::onNotification);
    m_active = true;
    return true;
}

void ChangeNotices::stop()
{
    if (!m_active)
        return;
    m_active = false;
    if (QSqlDriver *driver = m_db.connection().driver()) {
        disconnect(driver, nullptr, this, nullptr);
        driver->unsubscribeFromNotification(channel());
    }
}

QString ChangeNotices::payload(Kind kind, const QByteArray &body)
{
    const QString name = QString::fromLatin1(QMetaEnum::fromType<Kind>().valueToKey(int(kind)));
    return body.isEmpty() ? name
                          : name + QLatin1Char(' ') + QString::fromLatin1(body.toBase64());
}

bool ChangeNotices::read(const QString &payload, Kind *kind, QByteArray *body)
{
    const int space = payload.indexOf(QLatin1Char(' '));
    bool known = false;
    const int value = QMetaEnum::fromType<Kind>().keyToValue(
        payload.left(space < 0 ? payload.size() : space).toLatin1().constData(), &known);
    if (!known)
        return false;
    *kind = Kind(value);
    *body = {};
    if (space < 0)
        return true;
    const auto decoded = QByteArray::fromBase64Encoding(payload.mid(space + 1).toLatin1(),
                                                        QByteArray::AbortOnBase64DecodingErrors);
    *body = decoded.decoded;
    return decoded.decodingStatus == QByteArray::Base64DecodingStatus::Ok;
}

void ChangeNotices::announce(Kind kind, const QByteArray &body)
{
    if (m_db.address().isFile())
        return;
    if (body.size() > MaxBodyBytes)
        return announce(Kind::Rules);
    QSqlQuery query(m_db.connection());
    query.prepare(QStringLiteral("SELECT pg_notify(?, ?)"));
    query.addBindValue(channel());
    query.addBindValue(payload(kind, body));
    if (!query.exec())
        Database::warnFailure("telling the other servers of a change", query);
}

void ChangeNotices::onNotification(const QString &name, QSqlDriver::NotificationSource source,
                                   const QVariant &payload)
{
    // Its own notices come back to the connection that sent them.
    if (name != channel() || source == QSqlDriver::SelfSource)
        return;
    Kind kind = Kind::Rules;
    QByteArray body;
    if (!read(payload.toString(), &kind, &body)) {
        qCWarning(lcServer) << "a change notice that does not read was ignored";
        return;
    }
    emit heard(kind, body);
}
