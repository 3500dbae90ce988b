// A fixture of the include fence (never compiled): a part's file that reaches another family's folder
// by a path relative to itself, and a header beside it by its bare name. The fence must refuse both.
#include "../process/command_line.h"
#include "beside.h"
#include "leaky/allowed.h"
#include "platform/error.h"
#include "QVOString.h"
