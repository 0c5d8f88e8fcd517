#ifndef HOSTLOG_H
#define HOSTLOG_H

#include <QLoggingCategory>

// Everything the host logs goes under this category, so that a user or a test
// can filter it ("opercheck.host.warning=false") apart from the server's.
Q_DECLARE_LOGGING_CATEGORY(lcHost)

#endif // HOSTLOG_H
