#ifndef AUDITOPTIONS_H
#define AUDITOPTIONS_H

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

// The command line of opercheck-audit.
struct AuditOptions
{
    enum class Parse { Ok, Error, Help };

    QString routesPath; // a GeoJSON route, or
    QString databasePath; // a server database and
    int routeId = 0;      // the route in it
    QString trackPath;
    QByteArray timeZone; // IANA name; empty: the system's
    std::optional<qint64> start;
    std::optional<qint64> end;
    int confirmReports = 2;
    double confirmMetres = 15.0;

    // arguments[0] is the program. On Error the message says why; on Help it
    // is the usage text.
    static Parse parse(const QStringList &arguments, AuditOptions *options, QString *message);
};

#endif // AUDITOPTIONS_H
