// Uses the installed library through its umbrella header; exits non-zero if anything is off.
#include <QVOBase.h>

#include <cstdio>
#include <cstring>

int main() {
  const char* version = QVOToolsVersion();
  std::printf("consumer: QVOBase tools version %s\n", version);
  return std::strcmp(version, QVO_EXPECTED_VERSION) == 0 ? 0 : 1;
}
