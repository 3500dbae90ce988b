// The byte scan under the string searches, with 64- or 32-byte vectors where the processor has them.
#include "core/text_scan.h"

#include <atomic>
#include <cstdint>
#include <cstring>

#if defined(__GNUC__) && defined(__x86_64__)
#define QVO_SCAN_AVX2 1
#include <immintrin.h>
#endif

namespace qvo::strings {

#if QVO_SCAN_AVX2
namespace {

// A byte of min(v ^ c, v) is 0 exactly where v holds c or a NUL: one test finds both.
__attribute__((target("avx2"))) inline __m256i stopBytes(__m256i v, __m256i needle) {
  return _mm256_min_epu8(_mm256_xor_si256(v, needle), v);
}

__attribute__((target("avx2"))) inline unsigned stopMask(__m256i stops) {
  return static_cast<unsigned>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(stops, _mm256_setzero_si256())));
}

__attribute__((target("avx2"))) inline __m256i load(char const* p) {
  return _mm256_loadu_si256(reinterpret_cast<__m256i const*>(p));
}

char const* verdict(char const* p, char c) { return *p == c ? p : nullptr; }

// Reads whole vectors inside [first, last) only, so that no byte outside the string is touched.
__attribute__((target("avx2"), always_inline)) inline char const* scanAvx2Inline(char const* first, char const* last,
                                                                                 char c) {
  char const* p = first;
  if (last - p < 32) {
    for (; p < last; ++p) {
      if (*p == c || *p == '\0') return verdict(p, c);
    }
    return nullptr;
  }
  __m256i const needle = _mm256_set1_epi8(c);
  unsigned mask = stopMask(stopBytes(load(p), needle));
  if (mask != 0) return verdict(p + __builtin_ctz(mask), c);
  // From the next 32-byte boundary on, four vectors per step while they fit.
  p = reinterpret_cast<char const*>((reinterpret_cast<std::uintptr_t>(p) + 32) & ~std::uintptr_t{31});
  while (last - p >= 128) {
    __m256i const a = stopBytes(load(p), needle);
    __m256i const b = stopBytes(load(p + 32), needle);
    __m256i const d = stopBytes(load(p + 64), needle);
    __m256i const e = stopBytes(load(p + 96), needle);
    if (stopMask(_mm256_min_epu8(_mm256_min_epu8(a, b), _mm256_min_epu8(d, e))) != 0) break;
    p += 128;
  }
  while (last - p >= 32) {
    mask = stopMask(stopBytes(load(p), needle));
    if (mask != 0) return verdict(p + __builtin_ctz(mask), c);
    p += 32;
  }
  if (p == last) return nullptr;
  // The last vector ends at last; its bytes before p were already found clear.
  mask = stopMask(stopBytes(load(last - 32), needle));
  return mask != 0 ? verdict(last - 32 + __builtin_ctz(mask), c) : nullptr;
}

__attribute__((target("avx2"))) char const* scanAvx2(char const* first, char const* last, char c) {
  return scanAvx2Inline(first, last, c);
}

// The same with 64-byte vectors: half the instructions per byte.
__attribute__((target("avx512f,avx512bw"))) inline __m512i stopBytes512(__m512i v, __m512i needle) {
  return _mm512_min_epu8(_mm512_xor_si512(v, needle), v);
}

__attribute__((target("avx512f,avx512bw"))) inline std::uint64_t stopMask512(__m512i stops) {
  return _mm512_testn_epi8_mask(stops, stops);
}

__attribute__((target("avx512f,avx512bw"))) char const* scanAvx512(char const* first, char const* last, char c) {
  if (last - first < 64) return scanAvx2Inline(first, last, c);
  char const* p = first;
  __m512i const needle = _mm512_set1_epi8(c);
  std::uint64_t mask = stopMask512(stopBytes512(_mm512_loadu_si512(p), needle));
  if (mask != 0) return verdict(p + __builtin_ctzll(mask), c);
  p = reinterpret_cast<char const*>((reinterpret_cast<std::uintptr_t>(p) + 64) & ~std::uintptr_t{63});
  while (last - p >= 256) {
    __m512i const a = stopBytes512(_mm512_load_si512(p), needle);
    __m512i const b = stopBytes512(_mm512_load_si512(p + 64), needle);
    __m512i const d = stopBytes512(_mm512_load_si512(p + 128), needle);
    __m512i const e = stopBytes512(_mm512_load_si512(p + 192), needle);
    if (stopMask512(_mm512_min_epu8(_mm512_min_epu8(a, b), _mm512_min_epu8(d, e))) != 0) break;
    p += 256;
  }
  while (last - p >= 64) {
    mask = stopMask512(stopBytes512(_mm512_load_si512(p), needle));
    if (mask != 0) return verdict(p + __builtin_ctzll(mask), c);
    p += 64;
  }
  if (p == last) return nullptr;
  mask = stopMask512(stopBytes512(_mm512_loadu_si512(last - 64), needle));
  return mask != 0 ? verdict(last - 64 + __builtin_ctzll(mask), c) : nullptr;
}

using Scan = char const* (*)(char const*, char const*, char);

char const* scanPlain(char const* first, char const*, char c) { return std::strchr(first, c); }

// The first search picks the widest scan this processor has and keeps it for every later one: one
// indirect call per search, and no guard to test. Constant-initialised, so a search made while the
// library's other statics are built finds it ready.
char const* scanFirst(char const* first, char const* last, char c);
std::atomic<Scan> g_scan{&scanFirst};

char const* scanFirst(char const* first, char const* last, char c) {
  __builtin_cpu_init();  // a search may come before the constructors have run
  Scan const best = __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512f") ? &scanAvx512
                    : __builtin_cpu_supports("avx2")                                       ? &scanAvx2
                                                                                          : &scanPlain;
  g_scan.store(best, std::memory_order_relaxed);
  return best(first, last, c);
}

}  // namespace
#endif

char const* findByteBeforeNul(char const* first, char const* last, char c) {
#if QVO_SCAN_AVX2
  return g_scan.load(std::memory_order_relaxed)(first, last, c);
#else
  (void)last;
  return std::strchr(first, c);
#endif
}

}  // namespace qvo::strings
