#include "PluginLog.h"

// A category is on from the level it is given up; no level lies above fatal,
// so nothing is on until a rule says so.
Q_LOGGING_CATEGORY(ocPlugin, "opercheck.plugin", QtFatalMsg)
