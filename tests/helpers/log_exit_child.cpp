// Helper of the log tests: makes a threaded process-wide log on the file argv[1], queues argv[2]
// lines of argv[3] characters and leaves main at once, so lines are still queued (and one batch
// is being written) when the process exits.
#include <cstdlib>
#include <string>

#include "QVOLog.h"

int main(int argc, char** argv) {
  if (argc < 4) return 2;
  int const count = std::atoi(argv[2]);
  std::string const filler(static_cast<std::size_t>(std::atoi(argv[3])), '.');
  CQVOLog log(argv[1], true);
  log.activateModule("ALL", true);
  // Lines ready-made, so that posting outpaces the writer.
  for (int i = 0; i < count; ++i) log.trace("EXIT", "line " + std::to_string(i) + " " + filler + "\n");
  return 0;
}
