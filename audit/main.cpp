// opercheck-audit: did a recorded track keep to its route? Exit status 0 when
// it ran (whatever the states), 2 for unusable input, 1 when the database
// cannot be read or holds no such route. Nothing goes to stdout on an error.

#include "Audit.h"
#include "AuditOptions.h"
#include "DatabaseRoute.h"
#include "RouteFile.h"
#include "TrackFile.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QTextStream>
#include <QTimeZone>

namespace {

constexpr int BadInput = 2;
constexpr int BadDatabase = 1;

bool readFile(const QString &path, QByteArray *bytes, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("%1: %2").arg(path, file.errorString());
        return false;
    }
    *bytes = file.readAll();
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    const auto failed = [&err](int status, const QString &why) {
        err << "opercheck-audit: " << why << '\n';
        return status;
    };

    AuditOptions options;
    QString message;
    switch (AuditOptions::parse(app.arguments(), &options, &message)) {
    case AuditOptions::Parse::Help:
        out << message;
        return 0;
    case AuditOptions::Parse::Error:
        return failed(BadInput, message);
    case AuditOptions::Parse::Ok:
        break;
    }

    AuditRoute route;
    QByteArray bytes;
    QString error;
    if (!options.routesPath.isEmpty()) {
        if (!readFile(options.routesPath, &bytes, &error))
            return failed(BadInput, error);
        if (!RouteFile::read(bytes, &route, &error))
            return failed(BadInput, options.routesPath + QStringLiteral(": ") + error);
    }
    QList<TrackRow> rows;
    if (!readFile(options.trackPath, &bytes, &error))
        return failed(BadInput, error);
    if (!TrackFile::read(bytes, &rows, &error))
        return failed(BadInput, options.trackPath + QStringLiteral(": ") + error);
    if (options.routesPath.isEmpty()) {
        switch (DatabaseRoute::load(options.databasePath, options.routeId, &route, &error)) {
        case DatabaseRoute::Outcome::Read:
            break;
        case DatabaseRoute::Outcome::Unreadable:
        case DatabaseRoute::Outcome::NoSuchRoute:
            return failed(BadDatabase, error);
        }
    }

    Audit::Settings settings;
    settings.calendar = RoundCalendar(options.timeZone.isEmpty()
                                          ? QTimeZone::systemTimeZone()
                                          : QTimeZone(options.timeZone));
    settings.start = options.start;
    settings.end = options.end;
    settings.confirmReports = options.confirmReports;
    settings.confirmMetres = options.confirmMetres;
    const QStringList lines =
        Audit::run(route, rows, settings, QDateTime::currentSecsSinceEpoch());
    for (const QString &line : lines)
        out << line << '\n';
    return 0;
}
