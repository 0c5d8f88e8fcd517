#ifndef SERVERLOG_H
#define SERVERLOG_H

#include <QLoggingCategory>

// Everything the server logs goes to stderr under this category, so that an
// embedding host or a test can filter it ("opercheck.server.warning=false").
Q_DECLARE_LOGGING_CATEGORY(lcServer)

#endif // SERVERLOG_H
