#ifndef TESTDATABASE_H
#define TESTDATABASE_H

// Where a suite stores: a file in its folder, or, when the suite runs against
// PostgreSQL (OC_TEST_BACKEND=postgresql, as ctest's *_pg suites do), a new
// database on the cluster OC_TEST_POSTGRES names, dropped again at the end.
// Header-only: only the server's suites link DatabaseAddress.
#include "DatabaseAddress.h"

#include <QAtomicInt>
#include <QCoreApplication>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>

class TestDatabase
{
public:
    static bool onPostgres() { return qgetenv("OC_TEST_BACKEND") == "postgresql"; }

    // file: where the database goes when the suite runs on SQLite.
    explicit TestDatabase(const QString &file)
    {
        if (!onPostgres()) {
            m_where = file;
            return;
        }
        static QAtomicInt counter;
        m_name = QStringLiteral("oc_test_%1_%2")
                     .arg(QCoreApplication::applicationPid())
                     .arg(counter.fetchAndAddOrdered(1));
        if (admin(QStringLiteral("CREATE DATABASE %1").arg(m_name))) {
            QUrl url(QString::fromLocal8Bit(qgetenv("OC_TEST_POSTGRES")));
            url.setPath(QLatin1Char('/') + m_name);
            m_where = url.toString();
        }
    }
    ~TestDatabase()
    {
        if (!m_name.isEmpty())
            admin(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(m_name));
    }
    TestDatabase(const TestDatabase &) = delete;
    TestDatabase &operator=(const TestDatabase &) = delete;

    // The --db text; empty when the database could not be made (see error()).
    QString where() const { return m_where; }
    QString error() const { return m_error; }

private:
    // One statement on the cluster's own database, outside any transaction.
    bool admin(const QString &statement)
    {
        const QString url = QString::fromLocal8Bit(qgetenv("OC_TEST_POSTGRES"));
        const auto address = DatabaseAddress::parse(url, &m_error);
        if (url.isEmpty() || !address || address->isFile()) {
            m_error = QStringLiteral("OC_TEST_POSTGRES names no PostgreSQL cluster; run the"
                                     " suite through scripts/with-postgres");
            return false;
        }
        const QString connection = QStringLiteral("test-admin-") + m_name;
        bool ok = false;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), connection);
            address->applyTo(&db);
            QSqlQuery query(db);
            ok = db.open() && query.exec(statement);
            if (!ok) {
                m_error = db.isOpenError() ? db.lastError().text() : query.lastError().text();
                qWarning("%s: %s", qPrintable(statement), qPrintable(m_error));
            }
        }
        QSqlDatabase::removeDatabase(connection);
        return ok;
    }

    QString m_name;
    QString m_where;
    QString m_error;
};

#endif // TESTDATABASE_H
