// Child program of the file tests: holds a file open in another process.
//   file_holder <file> <share> <ready-file> <release-file>
// Opens <file> for reading with the sharing value <share> (0 exclusive, 1 shared), creates <ready-file>
// and keeps the file open until <release-file> appears (at most 60 s). Exit code 0, or 2 when the
// file could not be opened.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <thread>

#include "QVOFile.h"

int main(int argc, char** argv) {
  if (argc != 5) return 3;
  CQVOFile held(argv[1], CQVODir("", CQVODir::msc_iKeepPath), "r", 'b', std::atoi(argv[2]), true);
  if (!held.IsOpen()) return 2;
  std::ofstream(argv[3]) << "ready\n";
  for (int i = 0; i < 6000; ++i) {
    if (std::ifstream(argv[4]).good()) return 0;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return 0;
}
