// Errors and exceptions: the version text of the tool set.
#ifndef QVOBASE_QVOERROR_H
#define QVOBASE_QVOERROR_H

#include "QVOExport.h"

// The version text of the tool set, "3.4.0" (independent of the library file's own version).
QVO_EXTERN_C QVO_API char const* QVOToolsVersion();

#endif  // QVOBASE_QVOERROR_H
