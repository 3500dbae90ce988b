// The module table: lock-free lookups over an append-only open-addressed hash table.
#include "log/modules.h"

#include <cstring>

namespace qvo {

namespace {

constexpr std::uint64_t kMul = 0x9E3779B97F4A7C15ull;

std::uint64_t load64(char const* p) {
  std::uint64_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
}
std::uint32_t load32(char const* p) {
  std::uint32_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
}
std::uint64_t mix(std::uint64_t h, std::uint64_t v) {
  h = (h ^ v) * kMul;
  return h ^ (h >> 29);
}

// A short-string hash: module names are a few bytes, so the whole name is read in at most a few
// word loads (the last word overlaps the one before it).
std::uint64_t hashName(std::string_view name) {
  char const* p = name.data();
  std::size_t n = name.size();
  std::uint64_t h = mix(0x243F6A8885A308D3ull, n);
  if (n >= 8) {
    std::size_t i = 0;
    for (; i + 8 < n; i += 8) h = mix(h, load64(p + i));
    return mix(h, load64(p + n - 8));
  }
  if (n >= 4) return mix(h, (std::uint64_t{load32(p)} << 32) | load32(p + n - 4));
  if (n > 0) {
    auto b = [&](std::size_t i) { return std::uint64_t{static_cast<unsigned char>(p[i])}; };
    return mix(h, (b(0) << 16) | (b(n / 2) << 8) | b(n - 1));
  }
  return h;
}

constexpr std::string_view kAll = "ALL";

}  // namespace

ModuleTable::ModuleTable() {
  m_arrays.push_back(std::make_unique<Slots>(16));
  m_current.store(m_arrays.back().get(), std::memory_order_release);
  m_all.store(nullptr, std::memory_order_relaxed);
}

ModuleTable::~ModuleTable() = default;

ModuleTable::Entry* ModuleTable::find(std::string_view name, std::uint64_t hash) const {
  Slots const* slots = m_current.load(std::memory_order_acquire);
  for (std::size_t i = hash & slots->mask;; i = (i + 1) & slots->mask) {
    Entry* e = slots->slot[i].load(std::memory_order_acquire);
    if (e == nullptr) return nullptr;
    if (e->hash == hash && e->name.size() == name.size() &&
        std::memcmp(e->name.data(), name.data(), name.size()) == 0)
      return e;
  }
}

void ModuleTable::place(Slots& slots, Entry* entry) {
  std::size_t i = entry->hash & slots.mask;
  while (slots.slot[i].load(std::memory_order_relaxed) != nullptr) i = (i + 1) & slots.mask;
  slots.slot[i].store(entry, std::memory_order_release);
}

void ModuleTable::set(std::string_view name, bool flag) {
  std::uint64_t hash = hashName(name);
  std::lock_guard<std::mutex> guard(m_changeLock);
  if (Entry* e = find(name, hash)) {
    e->flag.store(flag, std::memory_order_release);
    return;
  }
  m_entries.push_back(std::make_unique<Entry>(name, hash, flag));
  Entry* entry = m_entries.back().get();
  Slots* slots = m_current.load(std::memory_order_relaxed);
  // Keep the array at most half full, so probes stay short and always meet an empty slot.
  if (2 * (m_count + 1) > slots->mask + 1) {
    auto bigger = std::make_unique<Slots>(2 * (slots->mask + 1));
    for (auto const& old : m_entries) place(*bigger, old.get());
    m_arrays.push_back(std::move(bigger));
    m_current.store(m_arrays.back().get(), std::memory_order_release);
  } else {
    place(*slots, entry);
  }
  ++m_count;
  if (name == kAll) m_all.store(entry, std::memory_order_release);
}

bool ModuleTable::lookup(std::string_view name, bool* found) const {
  Entry const* e = find(name, hashName(name));
  if (found != nullptr) *found = (e != nullptr);
  return e != nullptr && e->flag.load(std::memory_order_acquire);
}

bool ModuleTable::isTraced(std::string_view name) const {
  if (Entry const* e = find(name, hashName(name))) return e->flag.load(std::memory_order_acquire);
  Entry const* all = m_all.load(std::memory_order_acquire);
  return all != nullptr && all->flag.load(std::memory_order_acquire);
}

}  // namespace qvo
