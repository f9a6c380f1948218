// A line on the console that shows how far the folder walk got while it
// runs, such as "Scanning: 1,234 files in 56 folders - .\Music\Album". It is
// shown only when standard output is a terminal and only once the walk has
// run for a second, rewritten in place with carriage returns at most about
// ten times a second, and blanked out again before the next message, so that
// the screen then holds just the lines a run without it leaves. Through a
// pipe or into a file nothing of it is written.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <string>
#include <string_view>

namespace IO {

// The walk reports after every ProgressEntries entries it enumerates, files
// and folders alike.
inline constexpr std::size_t ProgressEntries = 256;
// How long a walk runs before the line appears, and the least time between
// two updates of it.
inline constexpr std::uint64_t ProgressDelayMilliseconds = 1000;
inline constexpr std::uint64_t ProgressIntervalMilliseconds = 100;
// The width assumed for a terminal that does not tell its own.
inline constexpr std::size_t DefaultTerminalColumns = 79;

// Where the line goes: a stream (none when null), a clock in milliseconds
// that only moves forward, and the terminal's width in columns (0: unknown).
struct ProgressConsole {
  std::ostream* Stream = nullptr;
  std::uint64_t (*Clock)() = nullptr;
  std::size_t (*Columns)() = nullptr;
};

// Starts timing a walk that is about to begin. The line goes to std::cout
// when standard output is a terminal; otherwise there is none, and each
// report costs one test.
void StartProgress();
// The same with the line going to console.Stream.
void StartProgress(const ProgressConsole& console);

// A checkpoint of the walk: the files listed and the folders entered so far,
// and the folder text of the folder being read, relative to the root (empty
// for the root itself). Shows or rewrites the line when it is due.
void ReportProgress(std::size_t files, std::size_t folders, std::string_view relativeFolder);

// Blanks out the line, if one is shown, and leaves the cursor at the start of
// its row. Reports after it show nothing until the next StartProgress.
void EndProgress();

// The line's text for a terminal of the given width: at most columns - 1
// bytes, so that it never wraps. The folder is "." followed by the relative
// folder text; when it does not fit it is cut from the left after "...", at
// the start of a UTF-8 character. Control characters in it show as '?'.
std::string ProgressLine(std::size_t files, std::size_t folders, std::string_view relativeFolder,
                         std::size_t columns);

// A count in decimal with a comma between each group of three digits.
std::string ThousandsText(std::size_t number);

}  // namespace IO
