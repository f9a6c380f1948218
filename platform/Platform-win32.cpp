// The Windows back end: the services of Platform.h over the Win32 API and the
// Microsoft C runtime, but the output file (OutputFile-win32.cpp).

#include <stdlib.h>
#include <time.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/Platform.h"
#include "platform/TimeZoneText.h"
#include "platform/Win32Api.h"

#ifdef __MINGW32__
// The mingw start-up code expands wildcards in the arguments when this is
// non-zero (mingw-w64 spells it _dowildcard and maps _CRT_glob onto it). An
// argument such as *.jpg is a filter word and must reach main as typed.
int _CRT_glob = 0;
#endif

namespace {

// The console's output code page before the run, while the run has it set to
// UTF-8; 0 when the run left it alone. The code page belongs to the console,
// not to the process, and would stay changed for the shell after the run. The
// exit handler and a console event handler (which runs on a thread of its
// own) may both restore it; whichever comes first does.
std::atomic<UINT> SavedConsoleOutputCodePage{0};

void RestoreConsoleOutputCodePage() {
  const UINT previous = SavedConsoleOutputCodePage.exchange(0);
  if (previous == 0) return;
  std::fflush(stdout);  // what is still buffered was written for UTF-8
  SetConsoleOutputCP(previous);
}

// Ctrl+C, Ctrl+Break or a closing console window end the process without the
// exit handlers; the code page is put back first, and the default handler
// then ends the process as usual.
BOOL WINAPI RestoreOnConsoleEvent(DWORD) {
  RestoreConsoleOutputCodePage();
  return FALSE;
}

// A console shows the bytes written to it in its output code page, which is
// the OEM code page (such as 437 or 850) unless the user chose another. When
// names and arguments are UTF-8, the console is switched to UTF-8 for the run,
// so that "Path to scan: Café" reads as typed. Output to a file or pipe is
// left as it is: its bytes are the same either way.
void UseUtf8Console() {
  if (!Platform::TextIsUtf8() || !Platform::StandardOutputIsTerminal()) return;
  const UINT previous = GetConsoleOutputCP();
  if (previous == 0 || previous == CP_UTF8 || SetConsoleOutputCP(CP_UTF8) == 0) return;
  SavedConsoleOutputCodePage.store(previous);
  std::atexit(RestoreConsoleOutputCodePage);
  SetConsoleCtrlHandler(RestoreOnConsoleEvent, TRUE);
}

}  // namespace

namespace Platform {

bool TextIsUtf8() {
  static const bool utf8 = GetACP() == CP_UTF8;
  return utf8;
}

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

void PrepareProcess() {
  // Standard output stays in the runtime's text mode.
  UseUtf8Console();

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
