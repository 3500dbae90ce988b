// Date and time of log records: local time from a 64-bit clock, "%d %b %Y %H:%M:%S." and milliseconds.
#include "log/datetime.h"

#include <chrono>
#include <ctime>

#include "platform/time.h"

namespace qvo::record {

namespace {

// The date part up to the seconds' dot; empty when the time cannot be converted.
std::size_t formatSecond(std::int64_t seconds, char* out, std::size_t capacity) {
  std::tm tm{};
  if (!platform::localTime(seconds, &tm)) return 0;
  return std::strftime(out, capacity, "%d %b %Y %H:%M:%S.", &tm);
}

void appendMillis(std::int64_t ms, char* out) {
  out[0] = static_cast<char>('0' + ms / 100);
  out[1] = static_cast<char>('0' + ms / 10 % 10);
  out[2] = static_cast<char>('0' + ms % 10);
}

// Seconds and milliseconds of an instant; before 1970 the millisecond part stays positive.
void split(std::int64_t epochMs, std::int64_t* second, std::int64_t* ms) {
  *second = epochMs / 1000;
  *ms = epochMs % 1000;
  if (*ms < 0) {
    *ms += 1000;
    --*second;
  }
}

std::int64_t nowMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

}  // namespace

void appendDateTime(std::int64_t epochMs, std::string& out) {
  std::int64_t second, ms;
  split(epochMs, &second, &ms);
  char text[96];
  std::size_t n = formatSecond(second, text, sizeof text - 3);
  appendMillis(ms, text + n);
  out.append(text, n + 3);
}

std::string_view dateTimeNow(DateCache& cache) {
  std::int64_t const now = nowMs();
  if (cache.size == 0 || now != cache.ms) {  // records within one millisecond share all of it
    std::int64_t second, ms;
    split(now, &second, &ms);
    if (cache.size == 0 || second != cache.second) {
      cache.size = formatSecond(second, cache.text, sizeof cache.text - 5);
      cache.second = second;
    }
    appendMillis(ms, cache.text + cache.size);
    cache.text[cache.size + 3] = '\n';
    cache.text[cache.size + 4] = '\t';
    cache.ms = now;
  }
  return {cache.text, cache.size + 3};
}

std::string_view dateTimeNow() {
  thread_local DateCache cache{};
  return dateTimeNow(cache);
}

}  // namespace qvo::record
