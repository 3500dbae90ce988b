// Tests of the date and time of log records: 64-bit time, so instants after January 2038 keep their
// date. White-box: the formatting and the seam's local time are compiled into this program, so any
// instant can be given (the library itself always formats the current time).
#include <gtest/gtest.h>

#include <ctime>
#include <regex>
#include <string>

#include "QVOLog.h"
#include "log/datetime.cpp"
#include "support/log_support.h"
#ifdef _WIN32
#include "platform/win32/time.cpp"
#else
#include "platform/posix/time.cpp"
#endif

namespace {

void useUtc() {
  logtest::setEnv("TZ", "UTC0");
#ifdef _WIN32
  _tzset();
#else
  tzset();
#endif
}

}  // namespace

TEST(LogTime, InstantsAroundAndAfter2038) {
  useUtc();
  struct Case {
    std::int64_t epochMs;
    char const* text;
  };
  const Case cases[] = {
      {0, "01 Jan 1970 00:00:00.000"},
      {2147483647999, "19 Jan 2038 03:14:07.999"},  // the last second of 32-bit time
      {2147483648000, "19 Jan 2038 03:14:08.000"},
      {2240611200123, "01 Jan 2041 00:00:00.123"},
      {4102444800000, "01 Jan 2100 00:00:00.000"},
  };
  for (auto const& c : cases) {
    std::string out;
    qvo::record::appendDateTime(c.epochMs, out);
    EXPECT_EQ(out, c.text) << c.epochMs;
  }
}

TEST(LogTime, RecordsCarryTodaysDate) {
  useUtc();
  std::time_t now = std::time(nullptr);
  char year[8];
  std::strftime(year, sizeof year, "%Y", std::gmtime(&now));
  std::string const text(qvo::record::dateTimeNow());
  EXPECT_TRUE(std::regex_match(text, std::regex(logtest::kDatePattern))) << text;
  EXPECT_EQ(text.substr(7, 4), year);
}
