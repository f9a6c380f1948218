// The Windows back end: the services of Platform.h over the Win32 API and the
// Microsoft C runtime, but the output file (OutputFile-win32.cpp), the console
// (Console-win32.cpp) and the arguments (Arguments-win32.cpp).

#include <stdlib.h>
#include <time.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <thread>

#include "platform/Console-win32.h"
#include "platform/Platform.h"
#include "platform/TimeZoneText.h"
#include "platform/Win32Api.h"

#ifdef __MINGW32__
// The mingw start-up code expands wildcards in the arguments when this is
// non-zero (mingw-w64 spells it _dowildcard and maps _CRT_glob onto it). An
// argument such as *.jpg is a filter word and must reach main as typed.
int _CRT_glob = 0;
#endif

namespace Platform {

bool LocalTime(std::int64_t seconds, std::tm& local) {
  const __time64_t time = seconds;
  return _localtime64_s(&local, &time) == 0;
}

bool StandardOutputIsTerminal() {
  // Only a console has a console mode: a file, a pipe or another character
  // device has none. The C runtime's _isatty would also call the NUL device a
  // terminal.
  DWORD mode = 0;
  return GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode) != 0;
}

std::size_t TerminalColumns() {
  // A line wraps at the width of the screen buffer, not of the window.
  CONSOLE_SCREEN_BUFFER_INFO info;
  if (GetConsoleScreenBufferInfo(GetStdHandle(STD_OUTPUT_HANDLE), &info) == 0 ||
      info.dwSize.X <= 0) {
    return 0;
  }
  return static_cast<std::size_t>(info.dwSize.X);
}

std::uint64_t MonotonicMilliseconds() {
  return GetTickCount64();
}

std::uint64_t ProcessCpuMicroseconds() {
  FILETIME created;
  FILETIME ended;
  FILETIME kernel;
  FILETIME user;
  if (GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel, &user) == 0) return 0;
  const auto units = [](const FILETIME& time) {
    return (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
  };
  return (units(kernel) + units(user)) / 10;  // 100-nanosecond units
}

// Processor times move at each clock interrupt, every 15.6 ms by default,
// even while a program asks for a faster timer.
std::chrono::microseconds ProcessCpuGrain() {
  constexpr std::chrono::microseconds usual(15625);
  DWORD adjustment = 0;
  DWORD increment = 0;  // 100-nanosecond units
  BOOL disabled = FALSE;
  if (GetSystemTimeAdjustment(&adjustment, &increment, &disabled) == 0) return usual;
  return std::max(usual, std::chrono::microseconds(increment / 10));
}

double UsableProcessors() {
  DWORD_PTR process = 0;
  DWORD_PTR system = 0;
  if (GetProcessAffinityMask(GetCurrentProcess(), &process, &system) == 0 || process == 0) {
    return std::max(1u, std::thread::hardware_concurrency());
  }
  int count = 0;
  for (; process != 0; process &= process - 1) ++count;
  return count;
}

void PrepareProcess() {
  // Standard output stays in the runtime's text mode, but for a console.
  WriteConsoleInUtf16();

  // The C runtime reads TZ only in its own form (such as EST5EDT) and takes
  // any other value, such as a zone name like Europe/Paris, for UTC. Such a
  // value is dropped, so that local time follows the system's time zone.
  char zone[256];
  const DWORD length = GetEnvironmentVariableA("TZ", zone, sizeof zone);
  if (length == 0) return;  // not set
  if (length >= sizeof zone || !IsRuntimeTimeZoneText(std::string_view(zone, length))) {
    _putenv("TZ=");
    _tzset();
  }
}

}  // namespace Platform
