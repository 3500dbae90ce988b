// Fuzz target: token, replace, trim and the searches of CQVOString on random texts and arguments,
// checked against the same operation written with std::string.
#include "QVOString.h"
#include "fuzz_input.h"

namespace {

using qvofuzz::cText;

CQVOString make(std::string const& s) { return CQVOString(s.c_str(), static_cast<unsigned>(s.size())); }
std::string view(EQVO::String const& s) { return std::string(s.str(), s.length()); }
int idx(std::size_t pos) { return pos == std::string::npos ? -1 : static_cast<int>(pos); }

// Replacement left to right, never searching inside an inserted replacement.
std::string replaced(std::string text, std::string const& from, std::string const& to, bool all,
                     bool& found) {
  found = false;
  std::size_t pos = 0;
  while ((pos = text.find(from, pos)) != std::string::npos) {
    found = true;
    text.replace(pos, from.size(), to);
    pos += to.size();
    if (!all) break;
  }
  return text;
}

bool trimmed(char b) { return static_cast<signed char>(b) <= ' '; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size) {
  qvofuzz::Input in(data, size);
  unsigned const op = in.byte() % 8;
  unsigned const from = in.byte() % 40;
  bool const all = in.flag();
  std::string const arg = in.text();
  std::string const text = in.rest();
  std::string const ctext = cText(text);  // the searches below work on texts without NULs
  std::string const carg = cText(arg);
  CQVOString s = make(ctext);

  switch (op) {
    case 0: {  // indexOf(char) and find_last_of
      char const c = arg.empty() ? 'a' : arg[0];
      int expected = -1;
      if (from <= ctext.size()) expected = c == '\0' ? static_cast<unsigned>(ctext.size()) : idx(ctext.find(c, from));
      QVO_FUZZ_CHECK(s.indexOf(static_cast<unsigned char>(c), from) == expected ||
                     s.indexOf(c, from) == expected);
      if (c != '\0') {
        unsigned const last = s.find_last_of(c);
        QVO_FUZZ_CHECK(static_cast<int>(last) == idx(ctext.rfind(c)));
      }
      break;
    }
    case 1: {  // indexOf(text)
      int const expected = from <= ctext.size() ? idx(ctext.find(carg, from)) : -1;
      QVO_FUZZ_CHECK(s.indexOf(carg.c_str(), from) == expected);
      QVO_FUZZ_CHECK(static_cast<int>(s.find(carg.c_str(), from)) == expected);
      break;
    }
    case 2: {  // lastIndexOf(String)
      if (from <= ctext.size()) {
        std::size_t const pos = ctext.rfind(carg);
        int const expected = pos != std::string::npos && pos >= from ? static_cast<int>(pos) : -1;
        QVO_FUZZ_CHECK(s.lastIndexOf(make(carg), from) == expected);
      }
      break;
    }
    case 3: {  // trim of blanks and control bytes
      std::size_t b = 0, e = ctext.size();
      while (b < e && trimmed(ctext[b])) ++b;
      while (e > b && trimmed(ctext[e - 1])) --e;
      s.Trim();
      QVO_FUZZ_CHECK(view(s) == ctext.substr(b, e - b));
      break;
    }
    case 4: {  // trim of one character
      char const c = arg.empty() ? 'x' : arg[0];
      if (c == ' ' || c == '\0') break;
      std::size_t b = ctext.find_first_not_of(c), e = ctext.find_last_not_of(c);
      std::string const expected = b == std::string::npos ? "" : ctext.substr(b, e - b + 1);
      s.Trim(c);
      QVO_FUZZ_CHECK(view(s) == expected);
      break;
    }
    case 5: {  // token(text)
      CQVOString const head = s.Token(carg.c_str());
      if (carg.empty()) {
        QVO_FUZZ_CHECK(view(head) == ctext && view(s) == ctext);
      } else if (std::size_t const pos = ctext.find(carg); pos == std::string::npos) {
        QVO_FUZZ_CHECK(view(head) == ctext && s.length() == 0);
      } else {
        QVO_FUZZ_CHECK(view(head) == ctext.substr(0, pos) && view(s) == ctext.substr(pos + carg.size()));
      }
      break;
    }
    case 6: {  // replace(text, text)
      std::size_t const cut = in.byte() % (carg.size() + 1);
      std::string const f = carg.substr(0, cut), t = carg.substr(cut);
      bool found = false;
      std::string const expected = f.empty() ? ctext : replaced(ctext, f, t, all, found);
      bool const result = s.Replace(f.c_str(), t.c_str(), all);
      if (f.empty() && t.empty()) {
        QVO_FUZZ_CHECK(view(s) == ctext);  // both rules apply (empty, equal): only the text is stated
      } else if (f.empty()) {
        QVO_FUZZ_CHECK(!result && view(s) == ctext);
      } else if (f == t) {
        QVO_FUZZ_CHECK(result && view(s) == ctext);
      } else {
        QVO_FUZZ_CHECK(result == found && view(s) == expected);
      }
      break;
    }
    default: {  // the same operations on texts with embedded NULs: no check beyond memory safety
      CQVOString raw = make(text);
      (void)raw.indexOf(make(arg), from, all);
      (void)raw.lastIndexOf(make(arg), from, all);
      (void)raw.regionMatches(all, from, make(arg), in.byte(), in.byte());
      (void)raw.Token(make(arg));
      (void)raw.Replace(arg.c_str(), 'z', all);
      raw.Trim(arg.empty() ? ' ' : arg[0], all);
      (void)raw.hashCode();
      break;
    }
  }
  return 0;
}
