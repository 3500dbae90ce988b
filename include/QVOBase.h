// QVOBase: the whole library in one include. Each family also has a header of its own.
#ifndef QVOBASE_QVOBASE_H
#define QVOBASE_QVOBASE_H

#include "QVOExport.h"
#include "QVOError.h"
#include "QVOString.h"
#include "QVOLog.h"
#include "QVOFile.h"
#include "QVOOptions.h"
#include "QVOCrypt.h"
#include "QVOByteOrder.h"
#include "QVOProcess.h"
#include "QVOThread.h"
#include "QVOPipe.h"

#endif  // QVOBASE_QVOBASE_H
