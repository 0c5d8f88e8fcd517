#ifndef DEVICEFIX_H
#define DEVICEFIX_H

#include "wire/UnitMessages.h"

#include <QString>

// One fix as a tracking device sent it, before the server knows which unit
// carries the device. Degrees on WGS84; the time in milliseconds since
// 1970-01-01 UTC (the receipt time when the device gave none).
struct DeviceFix
{
    QString deviceId;
    QString key; // null when the device sent none
    qint64 timeMs = 0;
    double latitude = 0;
    double longitude = 0;
    bool valid = true; // false: the device itself says the fix is void
    UnitMessages::UnitStatus status;
};

#endif // DEVICEFIX_H
