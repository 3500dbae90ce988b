// The version text of the tool set.
#include "QVOError.h"

char const* QVOToolsVersion() { return "3.4.0"; }
