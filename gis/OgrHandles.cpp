#include "OgrHandles.h"

#include <cpl_error.h>

#include <mutex>

namespace Ogr {

void initialise()
{
    static std::once_flag once;
    std::call_once(once, [] { GDALAllRegister(); });
}

const OGRSpatialReference &wgs84()
{
    static const OGRSpatialReference reference = [] {
        OGRSpatialReference wgs;
        wgs.SetWellKnownGeogCS("WGS84");
        wgs.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
        return wgs;
    }();
    return reference;
}

QuietErrors::QuietErrors()
{
    CPLErrorReset();
    CPLPushErrorHandler(CPLQuietErrorHandler);
}

QuietErrors::~QuietErrors()
{
    CPLPopErrorHandler();
}

QString QuietErrors::lastError(const QString &fallback) const
{
    const char *message = CPLGetLastErrorMsg();
    return message && *message ? QString::fromUtf8(message).simplified() : fallback;
}

} // namespace Ogr
