// Internal functions that the library's own white-box tests call. They are exported so that the test
// programs, which link the shared library, reach the same code and state as the library itself; they
// are not part of the public headers and callers outside the project must not use them.
#ifndef QVOBASE_QVO_INTERNAL_H
#define QVOBASE_QVO_INTERNAL_H

#include "QVOExport.h"

#define QVO_INTERNAL QVO_API

#endif  // QVOBASE_QVO_INTERNAL_H
