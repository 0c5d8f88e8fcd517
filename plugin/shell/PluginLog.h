#ifndef PLUGINLOG_H
#define PLUGINLOG_H

#include <QLoggingCategory>

// The plug-in's logging category, "opercheck.plugin". It is off at every level
// (debug, info, warning and critical alike) until logging rules turn it on,
// e.g. QT_LOGGING_RULES="opercheck.plugin.debug=true": inside a host the
// plug-in stays silent.
Q_DECLARE_LOGGING_CATEGORY(ocPlugin)

#endif // PLUGINLOG_H
