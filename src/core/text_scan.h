// The byte scan under the string searches: the first occurrence of a byte before a text's first NUL.
#ifndef QVOBASE_CORE_TEXT_SCAN_H
#define QVOBASE_CORE_TEXT_SCAN_H

namespace qvo::strings {

// The first byte c (not NUL) in [first, last) that comes before the first NUL, or nullptr when a NUL comes
// first or there is no c. The range must hold a NUL (a string's terminator): this is strchr over it,
// reading no byte at or past last.
char const* findByteBeforeNul(char const* first, char const* last, char c);

}  // namespace qvo::strings

#endif  // QVOBASE_CORE_TEXT_SCAN_H
