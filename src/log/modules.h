// The module table of a log back-end: traced flag per module name, with the "ALL" fallback.
#ifndef QVOBASE_LOG_MODULES_H
#define QVOBASE_LOG_MODULES_H

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace qvo {

// Module names are compared byte-wise, case-sensitive. Lookups take no lock: entries are never
// removed, each entry's flag is atomic, and the open-addressed slot array is published atomically,
// so traced-module checks on the hot path cost a hash and one or two loads while other threads
// switch modules. Changes are serialised among themselves. Memory: one entry per distinct name;
// outgrown slot arrays are kept until the table goes (they add up to less than the last one).
class ModuleTable {
 public:
  ModuleTable();
  ~ModuleTable();
  ModuleTable(ModuleTable const&) = delete;
  ModuleTable& operator=(ModuleTable const&) = delete;

  // Stores `flag` under `name`, adding the entry when absent.
  void set(std::string_view name, bool flag);
  // The flag stored under `name`; *found says whether there is one (found may be null).
  bool lookup(std::string_view name, bool* found) const;
  // The module's own flag, else the flag of "ALL", else false.
  bool isTraced(std::string_view name) const;

 private:
  struct Entry {
    Entry(std::string_view n, std::uint64_t h, bool f) : name(n), hash(h), flag(f) {}
    std::string name;
    std::uint64_t hash;
    std::atomic<bool> flag;
  };
  struct Slots {
    // make_unique<T[]> value-initialises: every slot starts null.
    explicit Slots(std::size_t n) : mask(n - 1), slot(std::make_unique<std::atomic<Entry*>[]>(n)) {}
    std::size_t mask;
    std::unique_ptr<std::atomic<Entry*>[]> slot;
  };

  Entry* find(std::string_view name, std::uint64_t hash) const;
  static void place(Slots& slots, Entry* entry);

  std::atomic<Slots*> m_current;
  std::atomic<Entry*> m_all;  // the "ALL" entry, once it exists
  std::mutex m_changeLock;
  std::size_t m_count = 0;
  std::vector<std::unique_ptr<Entry>> m_entries;
  std::vector<std::unique_ptr<Slots>> m_arrays;  // every array ever published, the current one last
};

}  // namespace qvo

#endif  // QVOBASE_LOG_MODULES_H
