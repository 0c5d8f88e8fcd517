#ifndef GISTOOLOPTIONS_H
#define GISTOOLOPTIONS_H

#include "wire/Endpoint.h"

#include <QString>
#include <QStringList>

#include <optional>

// The command line of opercheck-gis:
//     import (--db PATH | --server HOST:PORT) --layer NAME [--simplify METRES] FILE
//     export (--db PATH | --server HOST:PORT) (--layer NAME | --route ID) FILE
struct GisToolOptions
{
    enum class Parse { Ok, Error, Help };
    enum class Command { Import, Export };

    Command command = Command::Import;
    QString databasePath;           // empty: the server's
    std::optional<Endpoint> server; // none: the database's
    QString layer;                  // empty on a route export
    int routeId = 0;                // 0 unless a route is exported
    double simplifyMetres = 0;
    QString file;

    // arguments[0] is the program. On Error the message says why in one line;
    // on Help it is the usage text.
    static Parse parse(const QStringList &arguments, GisToolOptions *options, QString *message);
};

#endif // GISTOOLOPTIONS_H
