#pragma once

#include <QtCore/qglobal.h>

#if defined(PELLORA_LIBRARY)
#define PELLORA_EXPORT Q_DECL_EXPORT
#else
#define PELLORA_EXPORT Q_DECL_IMPORT
#endif
