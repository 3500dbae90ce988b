// Host program of the unload test; it does not link QVOBase.
//   plugin_host <plug-in library> <log file>
// Loads the plug-in at run time, calls its start function (which starts QVOBase's own threads),
// unloads the plug-in, so that nothing of the program holds QVOBase any more, says on standard
// output whether QVOBase is still loaded, keeps running for a second and exits with 0. Exit codes 2
// to 5: loading, finding the function, the function itself or unloading failed.
#include <cstdio>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#include <unistd.h>
#endif

using StartFunction = int (*)(const char*);

int main(int argc, char** argv) {
  if (argc != 3) return 1;
#if defined(_WIN32)
  HMODULE plugin = ::LoadLibraryA(argv[1]);
  if (plugin == nullptr) return 2;
  auto start = reinterpret_cast<StartFunction>(reinterpret_cast<void*>(::GetProcAddress(plugin, "qvo_plugin_start")));
  if (start == nullptr) return 3;
  if (start(argv[2]) != 1) return 4;
  if (!::FreeLibrary(plugin)) return 5;
  std::printf("library loaded after unload: %d\n", ::GetModuleHandleA("qvobase.dll") != nullptr ? 1 : 0);
  std::fflush(stdout);
  ::Sleep(1000);
#else
  void* plugin = ::dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
  if (plugin == nullptr) {
    std::fprintf(stderr, "%s\n", ::dlerror());
    return 2;
  }
  auto start = reinterpret_cast<StartFunction>(::dlsym(plugin, "qvo_plugin_start"));
  if (start == nullptr) return 3;
  if (start(argv[2]) != 1) return 4;
  if (::dlclose(plugin) != 0) return 5;
  void* still = ::dlopen("libqvobase.so." QVO_SOVERSION, RTLD_NOW | RTLD_NOLOAD);
  std::printf("library loaded after unload: %d\n", still != nullptr ? 1 : 0);
  std::fflush(stdout);
  if (still != nullptr) ::dlclose(still);
  ::sleep(1);
#endif
  return 0;
}
