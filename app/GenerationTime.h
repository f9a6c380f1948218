// The page's generation time, in the C standard's asctime form.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>

// "Www Mmm dd hh:mm:ss yyyy\n" (25 bytes), the day right-aligned with a space,
// formatted here rather than by the C runtime, whose asctime pads the day
// with a zero on some platforms. Empty when the time has no such form.
std::string AsctimeText(const std::tm& local);

// Seconds since 1970-01-01 00:00:00 UTC: the system time in 100-nanosecond
// units divided by ten million, truncated toward zero.
std::int64_t CurrentTimeSeconds();

// The current local time as AsctimeText gives it, or UnknownTime when the
// clock's value cannot be converted or formatted.
std::string GenerationTime();

inline constexpr const char* UnknownTime = "unknown time\n";
