// The main of the benchmark programs that name their peers: each peer's description goes into the
// results' context (scripts/bench prints them under the table), then the benchmarks run.
#ifndef QVOBASE_BENCH_MAIN_H
#define QVOBASE_BENCH_MAIN_H

#include <benchmark/benchmark.h>

#include <initializer_list>
#include <string>

struct BenchPeer {
  char const* name;  // as in BM_<name>_<Case>
  char const* what;  // what that peer does on this target
};

inline int runBenchmarks(int argc, char** argv, std::initializer_list<BenchPeer> peers) {
  for (BenchPeer const& peer : peers) benchmark::AddCustomContext(std::string("peer ") + peer.name, peer.what);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

#endif  // QVOBASE_BENCH_MAIN_H
