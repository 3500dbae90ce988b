// Windows: nothing is kept per thread (see memory.h), and large pages need a privilege that programs
// rarely hold, so buffers stay on ordinary pages.
#include "platform/memory.h"

namespace qvo::platform {

void adviseHugePages(void*, std::size_t) {}

}  // namespace qvo::platform
