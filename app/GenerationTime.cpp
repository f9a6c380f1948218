#include "app/GenerationTime.h"

#include <chrono>
#include <cstdio>

#include "platform/Platform.h"

std::string AsctimeText(const std::tm& local) {
  static constexpr const char* Weekdays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static constexpr const char* Months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                           "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  const long long year = 1900LL + local.tm_year;
  if (local.tm_wday < 0 || local.tm_wday > 6 || local.tm_mon < 0 || local.tm_mon > 11 ||
      local.tm_mday < 1 || local.tm_mday > 31 || local.tm_hour < 0 || local.tm_hour > 23 ||
      local.tm_min < 0 || local.tm_min > 59 || local.tm_sec < 0 || local.tm_sec > 60 ||
      year < 1000 || year > 9999) {
    return {};
  }
  char text[32];
  std::snprintf(text, sizeof text, "%s %s %2d %02d:%02d:%02d %lld\n", Weekdays[local.tm_wday],
                Months[local.tm_mon], local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec,
                year);
  return text;
}

std::int64_t CurrentTimeSeconds() {
  using HundredNanoseconds = std::chrono::duration<std::int64_t, std::ratio<1, 10'000'000>>;
  const auto units = std::chrono::duration_cast<HundredNanoseconds>(
                         std::chrono::system_clock::now().time_since_epoch())
                         .count();
  return units / 10'000'000;
}

std::string GenerationTime() {
  std::tm local{};
  if (!Platform::LocalTime(CurrentTimeSeconds(), local)) return UnknownTime;
  std::string text = AsctimeText(local);
  return text.empty() ? std::string(UnknownTime) : text;
}
