// The module table of a log back-end: traced flag per module name, with the "ALL" fallback.
#ifndef QVOBASE_LOG_MODULE_TABLE_H
#define QVOBASE_LOG_MODULE_TABLE_H

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "QVOLog.h"

namespace qvo {

// Module names are compared byte-wise, case-sensitive. Lookups take no lock: entries are never
// removed, each entry's flag is atomic, and the open-addressed slot array is published atomically,
// so other threads may switch modules meanwhile. Two words, with a bit per length and a bit per
// name of the switched-on names (detail::LogSwitches, read inline by callers), answer most checks of
// switched-off names before the table is read.
// The first slot array lives inside the table (one pointer fewer to follow for the usual few modules);
// past kInlineSlots / 2 modules the slots move to the heap, where outgrown arrays are kept until the
// table goes (together they are smaller than the current one). Changes are serialised among
// themselves. Memory: one entry per distinct name.
class ModuleTable {
 public:
  ModuleTable();
  ~ModuleTable();
  ModuleTable(ModuleTable const&) = delete;
  ModuleTable& operator=(ModuleTable const&) = delete;

  // Stores `flag` under `name`, adding the entry when absent.
  void set(std::string_view name, bool flag);
  // The flag stored under `name`; *found says whether there is one (found may be null).
  bool lookup(std::string_view name, bool* found) const {
    Entry const* e = find(name, keyOf(name));
    if (found != nullptr) *found = (e != nullptr);
    return e != nullptr && e->flag.load(std::memory_order_acquire);
  }
  // The module's own flag, else the flag of "ALL", else false.
  bool isTraced(std::string_view name) const { return mayBeTraced(name) && lookupTraced(name); }

  // The words that the inline checks read (see detail::LogSwitches).
  detail::LogSwitches const& switches() const { return m_switches; }
  bool mayBeTraced(std::string_view name) const { return m_switches.mayTrace(name.data(), name.size()); }

 private:
  // A name read as two words that together cover all its bytes (overlapping when it is short):
  // for names of up to 16 bytes, the two words and the size are the name itself.
  struct Key {
    std::uint64_t w0, w1, hash;
    std::size_t size;
  };
  struct Entry {
    Entry(std::string_view n, Key k, bool f) : key(k), name(n), flag(f) {}
    Key key;
    std::string name;
    std::atomic<bool> flag;
  };
  struct Slots {
    // make_unique<T[]> value-initialises: every slot starts null.
    explicit Slots(std::size_t n) : mask(n - 1), slot(std::make_unique<std::atomic<Entry*>[]>(n)) {}
    std::size_t mask;
    std::unique_ptr<std::atomic<Entry*>[]> slot;
  };

  static std::uint64_t load64(char const* p) {
    std::uint64_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
  }
  // The two words and the size of a name (its hash still 0).
  static Key wordsOf(std::string_view name) {
    detail::ModuleWords const w = detail::moduleWords(name.data(), name.size());
    return Key{w.w0, w.w1, 0, w.size};
  }
  // Sets the hash of a key made by wordsOf from the same name.
  static void hashKey(Key& k, std::string_view name) {
    char const* p = name.data();
    std::size_t const n = name.size();
    std::uint64_t h = (k.w0 * 0x9E3779B97F4A7C15ull) ^ (k.w1 * 0xC2B2AE3D27D4EB4Full) ^ n;
    for (std::size_t i = 8; i + 8 < n; i += 8) h = (h ^ load64(p + i)) * 0x9E3779B97F4A7C15ull;
    k.hash = h ^ (h >> 31);
  }
  static Key keyOf(std::string_view name) {
    Key k = wordsOf(name);
    hashKey(k, name);
    return k;
  }
  static detail::SwitchWord nameBitOf(Key const& k) { return detail::nameBit(detail::ModuleWords{k.w0, k.w1, k.size}); }
  // The switch words anew from the flags (under the change lock).
  void refreshOnBits();
  // Sets the bits of a name whose flag goes on; every bit for "ALL" (then any name may be traced).
  void addOnBits(std::string_view name, Key const& key);

  static constexpr std::size_t kInlineSlots = 32;

  // The lookup behind isTraced: the name's own entry, else "ALL".
  bool lookupTraced(std::string_view name) const;

  Entry* find(std::string_view name, Key const& k) const {
    Slots const* spilled = m_spilled.load(std::memory_order_acquire);
    return spilled == nullptr ? probe(m_inline, kInlineSlots - 1, name, k)
                              : probe(spilled->slot.get(), spilled->mask, name, k);
  }
  static Entry* probe(std::atomic<Entry*> const* slot, std::size_t mask, std::string_view name, Key const& k) {
    for (std::size_t i = k.hash & mask;; i = (i + 1) & mask) {
      Entry* e = slot[i].load(std::memory_order_acquire);
      if (e == nullptr) return nullptr;
      if (e->key.hash == k.hash && e->key.size == k.size && e->key.w0 == k.w0 && e->key.w1 == k.w1 &&
          (k.size <= 16 || std::memcmp(e->name.data(), name.data(), k.size) == 0))
        return e;
    }
  }
  static void place(std::atomic<Entry*>* slot, std::size_t mask, Entry* entry);

  std::atomic<Entry*> m_inline[kInlineSlots];
  std::atomic<Slots*> m_spilled;  // null while the slots are inline
  std::atomic<Entry*> m_all;  // the "ALL" entry, once it exists
  detail::LogSwitches m_switches;  // all clear while no name is on
  std::mutex m_changeLock;
  std::size_t m_count = 0;
  std::vector<std::unique_ptr<Entry>> m_entries;
  std::vector<std::unique_ptr<Slots>> m_arrays;  // every heap array ever published, the current one last
};

}  // namespace qvo

#endif  // QVOBASE_LOG_MODULE_TABLE_H
