#include "ServerLog.h"

Q_LOGGING_CATEGORY(lcServer, "opercheck.server")
Q_LOGGING_CATEGORY(lcDeviceHttp, "opercheck.server.devices.http", QtInfoMsg)
