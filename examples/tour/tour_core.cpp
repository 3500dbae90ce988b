// Tour chapter: the library's version text.
#include <cstdio>

#include "QVOBase.h"
#include "tour.h"

namespace {
void run(const std::vector<std::string>&) { std::printf("QVOBase tools version %s\n", QVOToolsVersion()); }
const tour::Register reg({0, "QVOBase", run});
}  // namespace
