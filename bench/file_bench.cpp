// Benchmarks of the file classes beside their standard peers: whole-file copy against
// std::filesystem::copy_file, line reading against std::getline, 64 KiB block access against
// fread/fwrite; on Windows also the copy against CopyFileA (peer "win32"); on Linux also against POCO
// (peer "poco": Poco::File::copyTo over the old copy, Poco::FileInputStream read with std::getline). The
// files are made in the working directory on first use and removed at the end.
#include <benchmark/benchmark.h>
#if defined(QVO_BENCH_LIBRARY_PEERS)
#include <Poco/File.h>
#include <Poco/FileStream.h>
#endif

#if defined(_WIN32)
#include <windows.h>
#endif

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "bench_main.h"
#include "QVOFile.h"

namespace {

namespace fs = std::filesystem;

// Files made by the run, removed when it ends.
std::set<std::string>& madeFiles() {
  static std::set<std::string> files;
  return files;
}

std::string binaryFile(std::size_t mebibytes) {
  std::string const name = "bench_copy_" + std::to_string(mebibytes) + "MiB.bin";
  if (madeFiles().insert(name).second) {
    std::vector<char> block(std::size_t{1} << 20);
    for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<char>(i * 31 + 7);
    std::ofstream out(name, std::ios::binary | std::ios::trunc);
    for (std::size_t i = 0; i < mebibytes; ++i) out.write(block.data(), static_cast<std::streamsize>(block.size()));
  }
  return name;
}

// 100 MiB of text lines of 1 to 120 characters.
std::string textFile() {
  std::string const name = "bench_lines.txt";
  if (madeFiles().insert(name).second) {
    std::ofstream out(name, std::ios::binary | std::ios::trunc);
    std::string line;
    std::size_t written = 0;
    unsigned int seed = 12345;
    while (written < (std::size_t{100} << 20)) {
      seed = seed * 1103515245u + 12345u;
      line.assign(1 + (seed >> 16) % 120, static_cast<char>('a' + (seed >> 8) % 26));
      line += '\n';
      out << line;
      written += line.size();
    }
  }
  return name;
}

void copyWithQvo(benchmark::State& state) {
  std::string const source = binaryFile(static_cast<std::size_t>(state.range(0)));
  CQVOFile from(source.c_str(), CQVODir(), "r", 'b', 1, false);
  CQVOFile to("bench_copy_qvo.out", CQVODir(), "w", 'b', 1, false);
  madeFiles().insert("bench_copy_qvo.out");
  for (auto _ : state) {
    if (to.Copy(from, CQVOFile::eCopyOverwrite) != 1) state.SkipWithError("copy failed");
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0) * (int64_t{1} << 20));
}

void copyWithStd(benchmark::State& state) {
  std::string const source = binaryFile(static_cast<std::size_t>(state.range(0)));
  madeFiles().insert("bench_copy_std.out");
  for (auto _ : state) {
#if defined(_WIN32)
    // The MinGW runtime (GCC 12) refuses an overwriting copy_file over an existing file ("File
    // exists"): the old copy is removed first.
    fs::remove("bench_copy_std.out");
    if (!fs::copy_file(source, "bench_copy_std.out")) state.SkipWithError("copy failed");
#else
    if (!fs::copy_file(source, "bench_copy_std.out", fs::copy_options::overwrite_existing)) {
      state.SkipWithError("copy failed");
    }
#endif
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0) * (int64_t{1} << 20));
}

void BM_qvo_Copy(benchmark::State& state) { copyWithQvo(state); }
void BM_std_Copy(benchmark::State& state) { copyWithStd(state); }
BENCHMARK(BM_qvo_Copy)->Arg(1)->Arg(256)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_std_Copy)->Arg(1)->Arg(256)->Unit(benchmark::kMillisecond)->UseRealTime();

#if defined(QVO_BENCH_LIBRARY_PEERS)
void BM_poco_Copy(benchmark::State& state) {
  std::string const source = binaryFile(static_cast<std::size_t>(state.range(0)));
  madeFiles().insert("bench_copy_poco.out");
  for (auto _ : state) Poco::File(source).copyTo("bench_copy_poco.out");
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0) * (int64_t{1} << 20));
}
BENCHMARK(BM_poco_Copy)->Arg(1)->Arg(256)->Unit(benchmark::kMillisecond)->UseRealTime();
#endif

#if defined(_WIN32)
// The system's own copy, CopyFileA over an existing copy.
void BM_win32_Copy(benchmark::State& state) {
  std::string const source = binaryFile(static_cast<std::size_t>(state.range(0)));
  madeFiles().insert("bench_copy_win32.out");
  for (auto _ : state) {
    if (!::CopyFileA(source.c_str(), "bench_copy_win32.out", FALSE)) state.SkipWithError("copy failed");
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0) * (int64_t{1} << 20));
}
BENCHMARK(BM_win32_Copy)->Arg(1)->Arg(256)->Unit(benchmark::kMillisecond)->UseRealTime();
#endif

void BM_qvo_ReadLines(benchmark::State& state) {
  std::string const name = textFile();
  std::size_t characters = 0;
  for (auto _ : state) {
    CQVOTextFile file(name.c_str(), CQVODir(), "r", 1, true);
    for (;;) {
      CQVOString line = file.ReadNextLine();
      if (line.IsEmpty() && file.EndOfFile() == 1) break;
      characters += line.length();
    }
  }
  benchmark::DoNotOptimize(characters);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * (int64_t{100} << 20));
}

void BM_std_ReadLines(benchmark::State& state) {
  std::string const name = textFile();
  std::size_t characters = 0;
  for (auto _ : state) {
    std::ifstream file(name);
    std::string line;
    while (std::getline(file, line)) characters += line.size();
  }
  benchmark::DoNotOptimize(characters);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * (int64_t{100} << 20));
}
// The same with a new string for every line, as ReadNextLine returns one: a like-for-like peer, since
// CQVOString keeps every text on the heap and so pays one allocation per line that a reused
// std::string does not.
void BM_stdnew_ReadLines(benchmark::State& state) {
  std::string const name = textFile();
  std::size_t characters = 0;
  for (auto _ : state) {
    std::ifstream file(name);
    for (;;) {
      std::string line;
      if (!std::getline(file, line)) break;
      characters += line.size();
    }
  }
  benchmark::DoNotOptimize(characters);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * (int64_t{100} << 20));
}
#if defined(QVO_BENCH_LIBRARY_PEERS)
void BM_poco_ReadLines(benchmark::State& state) {
  std::string const name = textFile();
  std::size_t characters = 0;
  for (auto _ : state) {
    Poco::FileInputStream file(name);
    std::string line;
    while (std::getline(file, line)) characters += line.size();
  }
  benchmark::DoNotOptimize(characters);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * (int64_t{100} << 20));
}
#endif
BENCHMARK(BM_qvo_ReadLines)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_std_ReadLines)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_stdnew_ReadLines)->Unit(benchmark::kMillisecond)->UseRealTime();
#if defined(QVO_BENCH_LIBRARY_PEERS)
BENCHMARK(BM_poco_ReadLines)->Unit(benchmark::kMillisecond)->UseRealTime();
#endif

constexpr unsigned int kBlock = 64 * 1024;
constexpr int kBlocks = 256;  // 16 MiB a pass

void BM_qvo_BlockWrite(benchmark::State& state) {
  std::vector<char> block(kBlock, 'w');
  madeFiles().insert("bench_block_qvo.bin");
  CQVOFile file("bench_block_qvo.bin", CQVODir(), "w", 'b', 0, true);
  for (auto _ : state) {
    file.MovePointer(0, 0);
    for (int i = 0; i < kBlocks; ++i) {
      if (file.Write(block.data(), kBlock) != kBlock) state.SkipWithError("write failed");
    }
    file.Flush();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kBlocks * kBlock);
}

void BM_stdio_BlockWrite(benchmark::State& state) {
  std::vector<char> block(kBlock, 'w');
  madeFiles().insert("bench_block_stdio.bin");
  std::FILE* file = std::fopen("bench_block_stdio.bin", "wb");
  for (auto _ : state) {
    std::fseek(file, 0, SEEK_SET);
    for (int i = 0; i < kBlocks; ++i) {
      if (std::fwrite(block.data(), 1, kBlock, file) != kBlock) state.SkipWithError("write failed");
    }
    std::fflush(file);
  }
  std::fclose(file);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kBlocks * kBlock);
}

void BM_qvo_BlockRead(benchmark::State& state) {
  std::string const source = binaryFile(16);
  std::vector<char> block(kBlock);
  CQVOFile file(source.c_str(), CQVODir(), "r", 'b', 1, true);
  for (auto _ : state) {
    file.MovePointer(0, 0);
    for (int i = 0; i < kBlocks; ++i) {
      if (file.Read(block.data(), kBlock, 1) != kBlock) state.SkipWithError("read failed");
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kBlocks * kBlock);
}

void BM_stdio_BlockRead(benchmark::State& state) {
  std::string const source = binaryFile(16);
  std::vector<char> block(kBlock);
  std::FILE* file = std::fopen(source.c_str(), "rb");
  for (auto _ : state) {
    std::fseek(file, 0, SEEK_SET);
    for (int i = 0; i < kBlocks; ++i) {
      if (std::fread(block.data(), 1, kBlock, file) != kBlock) state.SkipWithError("read failed");
    }
  }
  std::fclose(file);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kBlocks * kBlock);
}

BENCHMARK(BM_qvo_BlockWrite)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_stdio_BlockWrite)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_qvo_BlockRead)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_stdio_BlockRead)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
#if defined(_WIN32)
  int const result =
      runBenchmarks(argc, argv,
                    {{"std", "std::filesystem::copy_file (MinGW: after removing the old copy), std::getline"},
                     {"win32", "CopyFileA over the old copy"},
                     {"stdio", "fread/fwrite of the MinGW runtime (msvcrt)"}});
#else
  int const result = runBenchmarks(
      argc, argv,
      {{"poco", "POCO 1.11 Foundation (Debian): Poco::File(source).copyTo(target) over the old copy; "
                "Poco::FileInputStream read with std::getline into one std::string"}});
#endif
  for (auto const& name : madeFiles()) {
    std::error_code ignored;
    fs::remove(name, ignored);
  }
  return result;
}
