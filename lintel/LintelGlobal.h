#ifndef LINTELGLOBAL_H
#define LINTELGLOBAL_H

#include <QtGlobal>

#if defined(LINTEL_LIBRARY)
#  define LINTEL_EXPORT Q_DECL_EXPORT
#else
#  define LINTEL_EXPORT Q_DECL_IMPORT
#endif

#endif // LINTELGLOBAL_H
