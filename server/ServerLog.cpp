#include "ServerLog.h"

Q_LOGGING_CATEGORY(lcServer, "opercheck.server")
