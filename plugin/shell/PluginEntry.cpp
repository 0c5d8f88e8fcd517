#include <PluginVerification.h>

#include <QtGlobal>

// The host's loader compares this with the text of its own Qt build before it
// asks for the instance; qt_plugin_instance itself comes with the class's
// plug-in metadata.
extern "C" Q_DECL_EXPORT const char *qt_plugin_query_verification_data()
{
    return OC_PLUGIN_VERIFICATION_DATA;
}
