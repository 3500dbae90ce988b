// CQVOTextFile: a file in text mode with line reading and writing, text writing and whole-file reading.
#include <climits>
#include <cstring>
#include <string>

#include "QVOFile.h"
#include "file/file_common.h"
#include "platform/file.h"

using qvo::file::kUnsignedFailure;

namespace {
// One ReadNextLine returns at most this many characters less one.
constexpr int kLineBuffer = 4096;
}  // namespace

CQVOTextFile::CQVOTextFile() = default;

CQVOTextFile::CQVOTextFile(char const* name, CQVODir const& dir, char const* access, int share, bool open)
    : CQVOFile(name, dir, access, ' ', share, open) {}

CQVOTextFile::CQVOTextFile(CQVOTextFile const& other) = default;

CQVOTextFile& CQVOTextFile::operator=(CQVOTextFile const& other) {
  CQVOFile::operator=(other);
  return *this;
}

CQVOTextFile::~CQVOTextFile() = default;

CQVOString CQVOTextFile::ReadNextLine() {
  if (m_pFile == nullptr) return CQVOString();
  // The string takes the characters with their count, so the buffer needs no clearing first.
  char buffer[kLineBuffer];
  char const* text = nullptr;
  std::size_t length = qvo::platform::readLine(m_pFile, buffer, kLineBuffer, &text);
  if (length == 0) return CQVOString();
  if (text[length - 1] == '\n') --length;
  return CQVOString(text, static_cast<unsigned int>(length));
}

int CQVOTextFile::WriteNextLine(char const* line) {
  if (m_pFile == nullptr || line == nullptr) return -2;
  if (std::fputs(line, m_pFile) == EOF) return 0;
  std::size_t const length = std::strlen(line);
  if (length > 0 && line[length - 1] == '\n') return 1;
  return std::fputs("\n", m_pFile) == EOF ? 0 : 1;
}

int CQVOTextFile::WriteNextLine(CQVOString const& line) { return WriteNextLine(line.c_str()); }

unsigned int CQVOTextFile::Write(char const* text, unsigned int count) {
  if (text == nullptr) return kUnsignedFailure;
  std::size_t const length = std::strlen(text);
  std::size_t const wanted = (count != 0 && count < length) ? count : length;
  // A text longer than an unsigned int can count is written up to what the result can report.
  return CQVOFile::Write(text, wanted > UINT_MAX ? UINT_MAX : static_cast<unsigned int>(wanted));
}

CQVOString CQVOTextFile::GetContent() {
  long const position = MovePointer(0, 0);
  long const size = Size();
  std::string content;
  if (size > 0) {
    // A string holds at most 32-bit lengths; a larger file is read up to that.
    unsigned int const wanted = size > static_cast<long>(INT_MAX) ? INT_MAX : static_cast<unsigned int>(size);
    std::string buffer(static_cast<std::size_t>(wanted) + 1, '\0');
    unsigned int const got = Read(&buffer[0], wanted, 1);
    if (got != kUnsignedFailure) {
      buffer[got] = '\0';
      content.assign(buffer.c_str());  // a zero byte in the file ends the text
    }
  }
  MovePointer(0, position);
  return CQVOString(content.c_str(), static_cast<unsigned int>(content.size()));
}
