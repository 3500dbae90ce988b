// CQVOOptions: declaration, parsing and lookup of /NAME and /NAME:value command-line options.
#include <cctype>
#include <cstdio>
#include <cstring>

#include "QVOOptions.h"

namespace {

constexpr unsigned short kDefaultMaxOptions = 500;

// The value of lookups that find nothing; built on first use, never changed.
CQVOString const& sharedEmpty() {
  static const CQVOString empty;
  return empty;
}

}  // namespace

CQVOOptions::CQVOOptions() : m_nbOptions(0), m_nbMaxOptions(0) { SetMaxOptions(kDefaultMaxOptions); }

CQVOOptions::CQVOOptions(unsigned short count, char const** names, char const* withValue)
    : CQVOOptions() {
  if (names == nullptr) return;
  for (unsigned short i = 0; i < count; ++i) {
    AddOption(names[i], withValue != nullptr && withValue[i] != 0);
  }
}

// Copies get arrays of their own, so each object frees only what it allocated.
CQVOOptions::CQVOOptions(CQVOOptions const& other) : m_nbOptions(0), m_nbMaxOptions(0) { *this = other; }

CQVOOptions& CQVOOptions::operator=(CQVOOptions const& other) {
  if (this == &other) return *this;
  SetMaxOptions(other.m_nbMaxOptions);
  for (unsigned short i = 0; i < other.m_nbOptions; ++i) {
    m_pbWithValue[i] = other.m_pbWithValue[i];
    m_pstrNames[i] = other.m_pstrNames[i];
    m_pstrValues[i] = other.m_pstrValues[i];
  }
  m_nbOptions = other.m_nbOptions;
  return *this;
}

CQVOOptions::~CQVOOptions() = default;

void CQVOOptions::SetMaxOptions(unsigned int max) {
  const unsigned short capacity = static_cast<unsigned short>(max);
  // Allocate first: if allocation throws, the object keeps its declarations.
  std::unique_ptr<bool[]> withValue(new bool[capacity]());
  std::unique_ptr<CQVOString[]> names(new CQVOString[capacity]);
  std::unique_ptr<CQVOString[]> values(new CQVOString[capacity]);
  m_pbWithValue = std::move(withValue);
  m_pstrNames = std::move(names);
  m_pstrValues = std::move(values);
  m_nbMaxOptions = capacity;
  m_nbOptions = 0;
}

bool CQVOOptions::AddOption(char const* name, bool withValue) {
  if (m_nbOptions >= m_nbMaxOptions) return false;
  m_pbWithValue[m_nbOptions] = withValue;
  m_pstrNames[m_nbOptions] = CreatePlatformOptionName(CQVOString(name));
  m_pstrValues[m_nbOptions] = CQVOString();
  ++m_nbOptions;
  return true;
}

CQVOString CQVOOptions::CreatePlatformOptionName(CQVOString const& name) {
  CQVOString stored = "/" + name;
  stored.ToUpper();
  stored.Replace('-', '_', true);
  return stored;
}

unsigned short CQVOOptions::FindMatch(char const* argument) const {
  const std::size_t argLength = std::strlen(argument);
  for (unsigned short i = 0; i < m_nbOptions; ++i) {
    char const* name = m_pstrNames[i].c_str();
    const std::size_t nameLength = std::strlen(name);
    if (argLength < nameLength) continue;
    if (argLength > nameLength && argument[nameLength] != ':') continue;
    std::size_t k = 0;
    while (k < nameLength &&
           std::toupper(static_cast<unsigned char>(argument[k])) == static_cast<unsigned char>(name[k])) {
      ++k;
    }
    if (k == nameLength) return i;
  }
  return m_nbOptions;
}

bool CQVOOptions::ParseArguments(int argc, char** argv) {
  if (argc < 2) return true;
  if (argv == nullptr) return false;
  char const* program = argv[0] == nullptr ? "" : argv[0];
  for (int a = 1; a < argc; ++a) {
    char const* argument = argv[a] == nullptr ? "" : argv[a];
    const unsigned short i = FindMatch(argument);
    if (i == m_nbOptions) {
      std::fprintf(stderr, "Unknown option %s.\n", argument);
      Usage(program);
      return false;
    }
    if (!m_pstrValues[i].IsEmpty()) {
      std::fprintf(stderr, "Value set twice for option %s.\n", argument);
      Usage(program);
      return false;
    }
    if (!m_pbWithValue[i]) {
      m_pstrValues[i] = "SET";
      continue;
    }
    const std::size_t nameLength = std::strlen(m_pstrNames[i].c_str());
    CQVOString value(argument[nameLength] == ':' ? argument + nameLength + 1 : "");
    value.Trim(' ', false);
    if (value.IsEmpty()) {
      std::fprintf(stderr, "Missing value for option %s.\n", argument);
      Usage(program);
      return false;
    }
    m_pstrValues[i] = value;
  }
  return true;
}

bool CQVOOptions::IsSet(unsigned short index) const {
  return index < m_nbOptions && !m_pstrValues[index].IsEmpty();
}

bool CQVOOptions::IsSet(CQVOString const& name) const { return !GetValue(name).IsEmpty(); }

CQVOString const& CQVOOptions::GetValue(unsigned short index) const {
  return index < m_nbOptions ? m_pstrValues[index] : sharedEmpty();
}

CQVOString const& CQVOOptions::GetValue(CQVOString const& name) const {
  const CQVOString stored = CreatePlatformOptionName(name);
  for (unsigned short i = 0; i < m_nbOptions; ++i) {
    if (std::strcmp(m_pstrNames[i].c_str(), stored.c_str()) == 0) return m_pstrValues[i];
  }
  return sharedEmpty();
}

void CQVOOptions::SetValue(unsigned short index, CQVOString const& value) {
  if (index < m_nbOptions) m_pstrValues[index] = value;
}

void CQVOOptions::Usage(char const* program) {
  std::fprintf(stderr, "usage: %s ", program);
  for (unsigned short i = 0; i < m_nbOptions; ++i) {
    std::fprintf(stderr, "%s%s ", m_pstrNames[i].c_str(), m_pbWithValue[i] ? " <value>" : "");
  }
  std::fprintf(stderr, "\n");
}
