// Windows: fixed path texts. No system call lives here.
#include "platform/platform.h"

namespace qvo::platform {

char const* fixedTemporaryDirectory() { return "C:\\TEMP\\"; }

}  // namespace qvo::platform
