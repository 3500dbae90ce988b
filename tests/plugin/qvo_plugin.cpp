// A plug-in library of the unload test: it links QVOBase, and its one function starts the library's
// own threads: the process-wide log's writer, with a record still queued, and the timer thread.
#include "QVOLog.h"
#include "QVOThread.h"

#if defined(_WIN32)
#define QVO_PLUGIN_EXPORT extern "C" __declspec(dllexport)
#else
#define QVO_PLUGIN_EXPORT extern "C" __attribute__((visibility("default")))
#endif

// Opens `logFile` as the process-wide log with a writer thread, queues one record for the writer and
// runs a timer until the timer thread has advanced it (5 s at most). Returns 1 when the log is open and the timer ran, else 0.
QVO_PLUGIN_EXPORT int qvo_plugin_start(const char* logFile) {
  CQVOLog log(logFile, true);  // the process-wide log keeps the back-end after this handle goes
  if (!log.isOpen() || !log.isLogThreaded()) return 0;
  log.activateModule("PLUGIN", true);
  CQVOLog::Trace("PLUGIN", qvo::TRACE_INFO, __FILE__, __LINE__, "queued by the plug-in");
  CQVOTimer timer;
  for (int i = 0; i < 200 && timer.elapsed() <= 0.0f; ++i) CQVOThread::Sleep(25, false);
  return timer.elapsed() > 0.0f ? 1 : 0;
}
