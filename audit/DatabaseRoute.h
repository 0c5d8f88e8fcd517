#ifndef DATABASEROUTE_H
#define DATABASEROUTE_H

#include "AuditRoute.h"

#include <QString>

// A route as a server database stores it: its record, its sections' zones
// from the graphic objects they name, and its units' names.
class DatabaseRoute
{
public:
    enum class Outcome { Read, Unreadable, NoSuchRoute };

    static Outcome load(const QString &path, int routeId, AuditRoute *route, QString *error);
};

#endif // DATABASEROUTE_H
