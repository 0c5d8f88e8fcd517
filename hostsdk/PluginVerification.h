#ifndef PLUGINVERIFICATION_H
#define PLUGINVERIFICATION_H

#include <QtGlobal>

// The text a plug-in's qt_plugin_query_verification_data answers and the host's
// loader compares with its own: the Qt build both sides were made against.
#if defined(QT_DEBUG)
#  define OC_VERIFICATION_DEBUG "true"
#else
#  define OC_VERIFICATION_DEBUG "false"
#endif

#if defined(Q_PROCESSOR_X86_64)
#  define OC_VERIFICATION_ARCH "x86_64"
#elif defined(Q_PROCESSOR_ARM_64)
#  define OC_VERIFICATION_ARCH "arm64"
#else
#  define OC_VERIFICATION_ARCH "generic"
#endif

#if defined(Q_OS_LINUX)
#  define OC_VERIFICATION_OS "linux"
#elif defined(Q_OS_WIN)
#  define OC_VERIFICATION_OS "windows"
#else
#  define OC_VERIFICATION_OS "unix"
#endif

#if defined(Q_CC_CLANG) || defined(Q_CC_GNU)
#  define OC_VERIFICATION_CC "g++-4"
#else
#  define OC_VERIFICATION_CC "cc"
#endif

#define OC_PLUGIN_VERIFICATION_DATA                                                   \
    "pattern=QT_PLUGIN_VERIFICATION_DATA\nversion=" QT_VERSION_STR                    \
    "\ndebug=" OC_VERIFICATION_DEBUG "\nbuildkey=" OC_VERIFICATION_ARCH " "          \
    OC_VERIFICATION_OS " " OC_VERIFICATION_CC " full-config"

#endif // PLUGINVERIFICATION_H
