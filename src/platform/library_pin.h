// Keeping the library loaded once it runs threads of its own. Defined in
// src/platform/{posix,win32}/library_pin.cpp.
#ifndef QVOBASE_PLATFORM_LIBRARY_PIN_H
#define QVOBASE_PLATFORM_LIBRARY_PIN_H

namespace qvo::platform {

// Keeps the library loaded until the process ends, whatever the program unloads later: a thread that
// runs the library's code (the log's writer, the timer thread, a pipe connector, any CQVOThread) must
// never find that code gone. Called before such a thread starts; the first call pins the library
// (Windows: GetModuleHandleEx with GET_MODULE_HANDLE_EX_FLAG_PIN; POSIX: dlopen of the library itself
// with RTLD_NODELETE), later calls do nothing. A program that never starts one of these threads can
// still unload the library as before.
void keepLibraryLoaded();

}  // namespace qvo::platform

#endif  // QVOBASE_PLATFORM_LIBRARY_PIN_H
