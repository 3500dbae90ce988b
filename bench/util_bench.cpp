// Benchmarks of the utilities: cipher throughput against a plain byte-XOR loop over the same bytes.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

#include "QVOCrypt.h"

namespace {

CQVOString sampleText(std::int64_t size) {
  std::string text;
  for (std::int64_t i = 0; i < size; ++i) text += static_cast<char>('a' + i % 26);
  return CQVOString(text.data(), static_cast<unsigned int>(text.size()));
}

// The floor: one XOR per byte with a running key byte, the least a byte-stream cipher can do.
void xorLoop(CQVOString& text, std::uint8_t& key) {
  unsigned char* bytes = reinterpret_cast<unsigned char*>(text.begin());
  const unsigned int length = text.length();
  for (unsigned int i = 0; i < length; ++i) {
    bytes[i] ^= key;
    key = static_cast<std::uint8_t>(key * 5u + 1u);
  }
}

// Runs `step` over a sample text of state.range(0) bytes, in place, once per iteration.
template <class Step>
void overText(benchmark::State& state, Step step) {
  CQVOString text = sampleText(state.range(0));
  for (auto _ : state) {
    step(text);
    benchmark::DoNotOptimize(text.begin());
  }
  state.SetBytesProcessed(state.iterations() * state.range(0));
}

void BM_qvo_Encode(benchmark::State& state) {
  CQVOCrypt crypt(CQVOString("benchmark key"));
  overText(state, [&](CQVOString& text) { crypt.Encode(text); });
}

void BM_floor_Encode(benchmark::State& state) {
  std::uint8_t key = 0x5A;
  overText(state, [&](CQVOString& text) { xorLoop(text, key); });
}

void BM_qvo_Decode(benchmark::State& state) {
  CQVOCrypt crypt(CQVOString("benchmark key"));
  overText(state, [&](CQVOString& text) { crypt.Decode(text); });
}

void BM_floor_Decode(benchmark::State& state) {
  std::uint8_t key = 0xA5;
  overText(state, [&](CQVOString& text) { xorLoop(text, key); });
}

// Building a cipher: hashing the key and shuffling the tables (256 generator steps), against hashing
// alone over a key of the same length as the floor.
void BM_qvo_KeySetup(benchmark::State& state) {
  const CQVOString key("benchmark key");
  for (auto _ : state) {
    CQVOCrypt crypt(key);
    benchmark::DoNotOptimize(&crypt);
  }
}

void BM_floor_KeySetup(benchmark::State& state) {
  const CQVOString key("benchmark key");
  unsigned long seeds[2];
  for (auto _ : state) {
    key.Hash(seeds);
    benchmark::DoNotOptimize(seeds);
  }
}

}  // namespace

BENCHMARK(BM_qvo_Encode)->Arg(64)->Arg(4096)->Arg(65536);
BENCHMARK(BM_floor_Encode)->Arg(64)->Arg(4096)->Arg(65536);
BENCHMARK(BM_qvo_Decode)->Arg(64)->Arg(4096)->Arg(65536);
BENCHMARK(BM_floor_Decode)->Arg(64)->Arg(4096)->Arg(65536);
BENCHMARK(BM_qvo_KeySetup);
BENCHMARK(BM_floor_KeySetup);

BENCHMARK_MAIN();
