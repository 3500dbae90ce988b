// The module table: changes to the append-only open-addressed hash table (lookups are inline).
#include "log/module_table.h"

namespace qvo {

ModuleTable::ModuleTable() {
  for (auto& slot : m_inline) slot.store(nullptr, std::memory_order_relaxed);
  m_spilled.store(nullptr, std::memory_order_relaxed);
  m_all.store(nullptr, std::memory_order_relaxed);
}

ModuleTable::~ModuleTable() = default;

void ModuleTable::place(std::atomic<Entry*>* slot, std::size_t mask, Entry* entry) {
  std::size_t i = entry->key.hash & mask;
  while (slot[i].load(std::memory_order_relaxed) != nullptr) i = (i + 1) & mask;
  slot[i].store(entry, std::memory_order_release);
}

bool ModuleTable::lookupTraced(std::string_view name) const {
  if (Entry const* e = find(name, keyOf(name))) return e->flag.load(std::memory_order_acquire);
  Entry const* all = m_all.load(std::memory_order_acquire);
  return all != nullptr && all->flag.load(std::memory_order_acquire);
}

void ModuleTable::addOnBits(std::string_view name, Key const& key) {
  bool const all = name == "ALL";
  m_switches.onNames.fetch_or(all ? ~detail::SwitchWord{0} : nameBitOf(key), std::memory_order_release);
  m_switches.onSizes.fetch_or(all ? ~detail::SwitchWord{0} : detail::sizeBit(key.size), std::memory_order_release);
}

void ModuleTable::refreshOnBits() {
  detail::SwitchWord sizes = 0;
  detail::SwitchWord bits = 0;
  for (auto const& e : m_entries) {
    if (!e->flag.load(std::memory_order_relaxed)) continue;
    if (e->name == "ALL") {
      sizes = bits = ~detail::SwitchWord{0};
      break;
    }
    sizes |= detail::sizeBit(e->key.size);
    bits |= nameBitOf(e->key);
  }
  m_switches.onSizes.store(sizes, std::memory_order_release);
  m_switches.onNames.store(bits, std::memory_order_release);
}

void ModuleTable::set(std::string_view name, bool flag) {
  Key const key = keyOf(name);
  std::lock_guard<std::mutex> guard(m_changeLock);
  // A name's bits are published before its flag goes on and withdrawn after it goes off, so clear bits
  // never hide a flag that is on.
  if (flag) addOnBits(name, key);
  if (Entry* e = find(name, key)) {
    e->flag.store(flag, std::memory_order_release);
  } else {
    m_entries.push_back(std::make_unique<Entry>(name, key, flag));
    Entry* entry = m_entries.back().get();
    Slots* spilled = m_spilled.load(std::memory_order_relaxed);
    std::size_t const capacity = spilled == nullptr ? kInlineSlots : spilled->mask + 1;
    // Keep the array at most half full, so probes stay short and always meet an empty slot. Readers
    // still probing an outgrown array find every entry that was there; flags live in the entries.
    if (2 * (m_count + 1) > capacity) {
      auto bigger = std::make_unique<Slots>(2 * capacity);
      for (auto const& old : m_entries) place(bigger->slot.get(), bigger->mask, old.get());
      m_arrays.push_back(std::move(bigger));
      m_spilled.store(m_arrays.back().get(), std::memory_order_release);
    } else if (spilled == nullptr) {
      place(m_inline, kInlineSlots - 1, entry);
    } else {
      place(spilled->slot.get(), spilled->mask, entry);
    }
    ++m_count;
    if (name == "ALL") m_all.store(entry, std::memory_order_release);
  }
  if (!flag) refreshOnBits();
}

}  // namespace qvo
