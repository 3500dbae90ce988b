// The module table of a log back-end: traced flag per module name, with the "ALL" fallback.
#ifndef QVOBASE_LOG_MODULES_H
#define QVOBASE_LOG_MODULES_H

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace qvo {

// Module names are compared byte-wise, case-sensitive. Lookups take no lock: entries are never
// removed, each entry's flag is atomic, and the open-addressed slot array is published atomically,
// so other threads may switch modules meanwhile. Two 64-bit words, with a bit per length and a bit per
// name of the switched-on names, answer most checks of switched-off names before the table is read.
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

  // False when the name is certainly not traced: no switched-on name has its length (then its bytes are
  // not even read), or its bit is not among the switched-on names' bits; false at once while nothing is
  // on, the library's default. A few loads and a multiply, no call: the formatting trace forms test it
  // first, so a record of a switched-off module costs them no frame, and leave the rest of the check
  // (isTraced) to their out-of-line path.
  bool mayBeTraced(std::string_view name) const {
    if (((m_onSizes.load(std::memory_order_acquire) >> (name.size() & 63)) & 1) == 0) return false;
    return (m_onBits.load(std::memory_order_acquire) & onBitOf(wordsOf(name))) != 0;
  }

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
  static std::uint32_t load32(char const* p) {
    std::uint32_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
  }
  // The two words and the size of a name (its hash still 0).
  static Key wordsOf(std::string_view name) {
    char const* p = name.data();
    std::size_t const n = name.size();
    Key k{0, 0, 0, n};
    if (n >= 8) {
      k.w0 = load64(p);
      k.w1 = load64(p + n - 8);
    } else if (n >= 4) {
      k.w0 = load32(p);
      k.w1 = load32(p + n - 4);
    } else if (n > 0) {
      auto b = [p](std::size_t i) { return std::uint64_t{static_cast<unsigned char>(p[i])}; };
      k.w0 = (b(0) << 16) | (b(n / 2) << 8) | b(n - 1);
    }
    return k;
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
  // One of 64 bits picked by a name's words: m_onBits holds those of the switched-on names.
  static std::uint64_t onBitOf(Key const& k) {
    return std::uint64_t{1} << (((k.w0 + (k.w1 << 1) + k.size) * 0x9E3779B97F4A7C15ull) >> 58);
  }
  // One of 64 bits picked by a name's length: m_onSizes holds those of the switched-on names.
  static std::uint64_t sizeBitOf(std::size_t size) { return std::uint64_t{1} << (size & 63); }
  // m_onSizes and m_onBits anew from the flags (under the change lock).
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
  std::atomic<std::uint64_t> m_onSizes{0};  // sizeBitOf of each switched-on name; 0 when none is on
  std::atomic<std::uint64_t> m_onBits{0};   // onBitOf of each switched-on name
  std::mutex m_changeLock;
  std::size_t m_count = 0;
  std::vector<std::unique_ptr<Entry>> m_entries;
  std::vector<std::unique_ptr<Slots>> m_arrays;  // every heap array ever published, the current one last
};

}  // namespace qvo

#endif  // QVOBASE_LOG_MODULES_H
