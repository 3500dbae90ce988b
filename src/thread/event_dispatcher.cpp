// CQVOEvent and CQVOEventDispatcher: event records and a thread-safe list of handlers.
#include <algorithm>
#include <utility>

#include "QVOThread.h"

CQVOEvent::CQVOEvent() : m_id(0), m_pData(nullptr) {}
CQVOEvent::CQVOEvent(int id, void* data) : m_id(id), m_pData(data) {}
CQVOEvent::CQVOEvent(CQVOEvent const& other) = default;
CQVOEvent& CQVOEvent::operator=(CQVOEvent const& other) = default;
CQVOEvent::~CQVOEvent() = default;
int CQVOEvent::Id() const { return m_id; }
void* CQVOEvent::Data() const { return m_pData; }

CQVOEventDispatcher::CQVOEventHandler::CQVOEventHandler() = default;
CQVOEventDispatcher::CQVOEventHandler::CQVOEventHandler(CQVOEventHandler const&) = default;
CQVOEventDispatcher::CQVOEventHandler& CQVOEventDispatcher::CQVOEventHandler::operator=(CQVOEventHandler const&) {
  return *this;
}
CQVOEventDispatcher::CQVOEventHandler::~CQVOEventHandler() = default;
void CQVOEventDispatcher::CQVOEventHandler::PostEvent(CQVOEvent const&) {}

namespace {
constexpr unsigned long kInitialCapacity = 10;
}

CQVOEventDispatcher::CQVOEventDispatcher()
    : m_nbHandlers(0), m_capacity(kInitialCapacity), m_handlers(new CQVOEventHandler*[kInitialCapacity]()) {}

// Each dispatcher owns its array: a copy gets its own copy of the handler list and its own lock.
CQVOEventDispatcher::CQVOEventDispatcher(CQVOEventDispatcher const& other) : CQVOEventDispatcher() {
  *this = other;
}

CQVOEventDispatcher& CQVOEventDispatcher::operator=(CQVOEventDispatcher const& other) {
  if (&other == this) return *this;
  // Copy the source under its lock, then install under ours: never both locks at once, so two
  // dispatchers assigned to each other from two threads cannot deadlock.
  unsigned long count;
  unsigned long capacity;
  std::unique_ptr<CQVOEventHandler*[]> copy;
  {
    CQVOGuard hold(const_cast<CQVOEventDispatcher&>(other).m_lock);
    count = other.m_nbHandlers;
    capacity = other.m_capacity;
    copy.reset(new CQVOEventHandler*[capacity]());
    std::copy(other.m_handlers.get(), other.m_handlers.get() + count, copy.get());
  }
  CQVOGuard hold(m_lock);
  m_handlers = std::move(copy);
  m_capacity = capacity;
  m_nbHandlers = count;
  return *this;
}

CQVOEventDispatcher::~CQVOEventDispatcher() = default;

void CQVOEventDispatcher::AddEventHandler(CQVOEventHandler& handler) {
  CQVOGuard hold(m_lock);
  if (m_nbHandlers == m_capacity) {
    std::unique_ptr<CQVOEventHandler*[]> grown(new CQVOEventHandler*[m_capacity * 2]());
    std::copy(m_handlers.get(), m_handlers.get() + m_nbHandlers, grown.get());
    m_handlers = std::move(grown);
    m_capacity *= 2;
  }
  m_handlers[m_nbHandlers++] = &handler;
}

void CQVOEventDispatcher::RemoveEventHandler(CQVOEventHandler const& handler) {
  CQVOGuard hold(m_lock);
  CQVOEventHandler** begin = m_handlers.get();
  CQVOEventHandler** end = begin + m_nbHandlers;
  CQVOEventHandler** found = std::find(begin, end, &handler);
  if (found == end) return;
  std::copy(found + 1, end, found);
  --m_nbHandlers;
  m_handlers[m_nbHandlers] = nullptr;
}

unsigned long CQVOEventDispatcher::getNbEventHandlers() {
  CQVOGuard hold(m_lock);
  return m_nbHandlers;
}

CQVOEventDispatcher::CQVOEventHandler* CQVOEventDispatcher::GetEventHandler(unsigned long index) const {
  return index < m_nbHandlers ? m_handlers[index] : nullptr;
}
