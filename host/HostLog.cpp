#include "HostLog.h"

Q_LOGGING_CATEGORY(lcHost, "opercheck.host")
