#ifndef STATSSOURCE_H
#define STATSSOURCE_H

#include "wire/LiveMessages.h"

#include <QList>

// Figures something beside the server adds to "Get_server_stats", after the
// server's own.
class StatsSource
{
public:
    virtual ~StatsSource() = default;
    virtual QList<LiveMessages::ServerStat> stats() const = 0;
};

#endif // STATSSOURCE_H
