#include "DatabaseAddress.h"

#include <QRegularExpression>
#include <QStringList>
#include <QUrl>
#include <QUrlQuery>

namespace {

// The libpq options an address may carry; sslmode's values as libpq knows them.
const QStringList SslModes = {QStringLiteral("disable"),   QStringLiteral("allow"),
                              QStringLiteral("prefer"),    QStringLiteral("require"),
                              QStringLiteral("verify-ca"), QStringLiteral("verify-full")};

bool fail(QString *error, const QString &text, const QString &why)
{
    if (error)
        *error = QStringLiteral("--db \"%1\": %2").arg(text, why);
    return false;
}

} // namespace

DatabaseAddress DatabaseAddress::file(const QString &path)
{
    DatabaseAddress address;
    address.m_name = path;
    return address;
}

bool DatabaseAddress::namesFile(const QString &text)
{
    const std::optional<DatabaseAddress> address = parse(text, nullptr);
    return address && address->isFile();
}

std::optional<DatabaseAddress> DatabaseAddress::parse(const QString &text, QString *error)
{
    static const QRegularExpression scheme(QStringLiteral("^([A-Za-z][A-Za-z0-9+.-]*)://"));
    const QRegularExpressionMatch match = scheme.match(text);
    if (!match.hasMatch()) {
        if (text.isEmpty()) {
            fail(error, text, QStringLiteral("no file named"));
            return std::nullopt;
        }
        return file(text);
    }
    // The text itself is kept out of messages from here on: it may hold a password.
    const QString lowered = match.captured(1).toLower();
    if (lowered != QLatin1String("postgresql") && lowered != QLatin1String("postgres")) {
        fail(error, match.captured(1) + QStringLiteral("://…"),
             QStringLiteral("not a database this program knows; give a file name or"
                            " postgresql://USER@HOST[:PORT]/DBNAME"));
        return std::nullopt;
    }
    const QUrl url(text, QUrl::StrictMode);
    DatabaseAddress address;
    address.m_backend = Backend::PostgreSQL;
    address.m_host = url.host(QUrl::FullyDecoded);
    address.m_port = url.port(-1);
    address.m_user = url.userName(QUrl::FullyDecoded);
    address.m_password = url.password(QUrl::FullyDecoded);
    address.m_name = url.path(QUrl::FullyDecoded).mid(1);
    const QString shown = address.shown();
    if (!url.isValid()) {
        fail(error, shown, QStringLiteral("not a valid address (%1)").arg(url.errorString()));
        return std::nullopt;
    }
    if (address.m_name.isEmpty() || address.m_name.contains(QLatin1Char('/'))) {
        fail(error, shown, QStringLiteral("the address names no database (…/DBNAME)"));
        return std::nullopt;
    }
    if (url.hasFragment()) {
        fail(error, shown, QStringLiteral("an address has no #fragment"));
        return std::nullopt;
    }
    QStringList options;
    const auto items = QUrlQuery(url).queryItems(QUrl::FullyDecoded);
    for (const auto &[key, value] : items) {
        if (key != QLatin1String("sslmode")) {
            fail(error, shown, QStringLiteral("unknown option \"%1\" (only sslmode)").arg(key));
            return std::nullopt;
        }
        if (!SslModes.contains(value)) {
            fail(error, shown,
                 QStringLiteral("sslmode is one of %1").arg(SslModes.join(QStringLiteral(", "))));
            return std::nullopt;
        }
        options << QStringLiteral("sslmode=%1").arg(value);
    }
    address.m_options = options.join(QLatin1Char(';'));
    return address;
}

void DatabaseAddress::applyTo(QSqlDatabase *db) const
{
    db->setDatabaseName(m_name);
    if (isFile())
        return;
    db->setHostName(m_host);
    db->setPort(m_port);
    db->setUserName(m_user);
    db->setPassword(m_password);
}

QString DatabaseAddress::shown() const
{
    if (isFile())
        return m_name;
    QUrl url;
    url.setScheme(QStringLiteral("postgresql"));
    url.setUserName(m_user);
    url.setHost(m_host);
    url.setPort(m_port);
    url.setPath(QLatin1Char('/') + m_name);
    return url.toString();
}
