// Tour chapter: strings and numbers, the two-word hash, and a vector carried through an array text.
#include <cstdio>
#include <vector>

#include "QVOBase.h"
#include "tour.h"

namespace {

void run(const std::vector<std::string>&) {
  CQVOString line("  name = QVOBase ; version = 3 ");
  CQVOString name = line.Token(';').Trim();
  CQVOString key = name.Token('=').Trim();
  std::printf("token and trim: key \"%s\", value \"%s\", rest \"%s\"\n", key.c_str(), name.Trim().c_str(),
              line.c_str());

  CQVOString path("C:\\data\\logs\\app.log");
  path.Replace('\\', '/', true);
  std::printf("replace: %s (last '/' at %u)\n", path.c_str(), path.find_last_of('/', 0));
  std::printf("find(\"zz\") = %u, the largest unsigned int, which means \"not found\"\n", path.find("zz", 0));

  CQVOString numbers;
  numbers += 42;
  numbers += ' ';
  numbers += -7L;
  numbers += ' ';
  numbers += 2.5;
  numbers += ' ';
  numbers += true;
  std::printf("numbers as text: \"%s\"; CQVOString(5, \"%%03d\") = \"%s\"\n", numbers.c_str(),
              CQVOString(5, "%03d").c_str());
  CQVOString answer("42 apples");
  std::printf("text to numbers: (long)\"42 apples\" = %ld, (double)\"2.5\" = %.1f, \"1\" == true: %s\n",
              static_cast<long>(answer), static_cast<double>(CQVOString("2.5")),
              CQVOString("1") == true ? "yes" : "no");

  unsigned long words[2];
  CQVOString("abc").Hash(words);
  unsigned long spaced[2];
  CQVOString("a b\tc").Hash(spaced);
  std::printf("hash of \"abc\": %08lX %08lX (\"a b<tab>c\" too: %s); hashCode %d\n", words[0], words[1],
              words[0] == spaced[0] && words[1] == spaced[1] ? "yes" : "no", CQVOString("abc").hashCode());

  std::vector<double> values{0.5, -1.25, 1000.0};
  CQVOString array(values);
  std::vector<double> back = array.ConvertToDoubleVector();
  std::printf("array text: \"%s\" -> %zu values back, equal: %s\n", array.c_str(), back.size(),
              back == values ? "yes" : "no");
  CQVOString quoted(" \"a||b\" | c ");
  std::vector<std::string> items = quoted.ConvertToStringVector();
  std::printf("array text of strings, between the brackets: [%s]\n", quoted.c_str());
  std::printf("  gives %zu strings: [%s] and [%s] (inside quotes, || stands for one |)\n", items.size(),
              items[0].c_str(), items[1].c_str());
}

const tour::Register reg({10, "Strings and numbers", run});

}  // namespace
