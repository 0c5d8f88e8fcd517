#ifndef SERVERLOG_H
#define SERVERLOG_H

#include <QLoggingCategory>

// Everything the server logs goes to stderr under this category, so that an
// embedding host or a test can filter it ("opercheck.server.warning=false").
Q_DECLARE_LOGGING_CATEGORY(lcServer)
// What the HTTP library says of single device connections (a peer gone
// mid-request, a malformed head): debug only, as any device can cause it.
Q_DECLARE_LOGGING_CATEGORY(lcDeviceHttp)

#endif // SERVERLOG_H
