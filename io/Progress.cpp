#include "io/Progress.h"

#include <algorithm>
#include <iostream>

#include "platform/Platform.h"

namespace IO {
namespace {

constexpr std::string_view Separator = " - ";
constexpr std::string_view Ellipsis = "...";

struct ProgressState {
  ProgressConsole Console;
  std::uint64_t StartedAt = 0;
  std::uint64_t ShownAt = 0;
  bool Shown = false;
  // Bytes of the line on screen; the cells after it are blank.
  std::size_t ShownLength = 0;
};

ProgressState State;

std::size_t Columns() {
  const std::size_t columns = State.Console.Columns == nullptr ? 0 : State.Console.Columns();
  return columns == 0 ? DefaultTerminalColumns : columns;
}

bool IsContinuationByte(char c) {
  return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// The folder as the line shows it. Control characters, C0 and DEL as bytes
// and C1 as UTF-8, would move the cursor or start an escape sequence, which a
// name must never do on someone's terminal: each becomes '?'.
std::string ScreenFolder(std::string_view relativeFolder) {
  std::string text = ".";
  for (std::size_t i = 0; i < relativeFolder.size(); ++i) {
    const auto byte = static_cast<unsigned char>(relativeFolder[i]);
    if (byte < 0x20 || byte == 0x7F) {
      text.push_back('?');
    } else if (byte == 0xC2 && i + 1 < relativeFolder.size() &&
               static_cast<unsigned char>(relativeFolder[i + 1]) >= 0x80 &&
               static_cast<unsigned char>(relativeFolder[i + 1]) <= 0x9F) {
      text.push_back('?');
      ++i;
    } else {
      text.push_back(relativeFolder[i]);
    }
  }
  return text;
}

}  // namespace

std::string ThousandsText(std::size_t number) {
  const std::string digits = std::to_string(number);
  std::string text;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) text.push_back(',');
    text.push_back(digits[i]);
  }
  return text;
}

std::string ProgressLine(std::size_t files, std::size_t folders, std::string_view relativeFolder,
                         std::size_t columns) {
  const std::size_t budget = columns == 0 ? 0 : columns - 1;
  std::string line = "Scanning: ";
  line.append(ThousandsText(files)).append(files == 1 ? " file in " : " files in ");
  line.append(ThousandsText(folders)).append(folders == 1 ? " folder" : " folders");
  const std::size_t used = line.size() + Separator.size();
  const std::size_t room = budget > used ? budget - used : 0;
  const std::string folder = ScreenFolder(relativeFolder);
  if (folder.size() <= room) {
    line.append(Separator).append(folder);
  } else if (room > Ellipsis.size()) {
    std::size_t from = folder.size() - (room - Ellipsis.size());
    // At most three continuation bytes follow the first byte of a character.
    for (int i = 0; i < 3 && from < folder.size() && IsContinuationByte(folder[from]); ++i) {
      ++from;
    }
    line.append(Separator).append(Ellipsis).append(folder, from);
  } else {
    line.resize(std::min(line.size(), budget));
  }
  return line;
}

void StartProgress() {
  if (!Platform::StandardOutputIsTerminal()) {
    StartProgress(ProgressConsole{});
    return;
  }
  StartProgress(
      ProgressConsole{&std::cout, Platform::MonotonicMilliseconds, Platform::TerminalColumns});
}

void StartProgress(const ProgressConsole& console) {
  State = ProgressState{};
  State.Console = console;
  if (State.Console.Stream != nullptr) State.StartedAt = State.Console.Clock();
}

void ReportProgress(std::size_t files, std::size_t folders, std::string_view relativeFolder) {
  if (State.Console.Stream == nullptr) return;
  const std::uint64_t now = State.Console.Clock();
  if (now - State.StartedAt < ProgressDelayMilliseconds) return;
  if (State.Shown && now - State.ShownAt < ProgressIntervalMilliseconds) return;
  const std::size_t columns = Columns();
  const std::string line = ProgressLine(files, folders, relativeFolder, columns);
  std::ostream& out = *State.Console.Stream;
  out << '\r' << line;
  // What is left of a longer line before is blanked, as far as still fits.
  const std::size_t covered = std::min(State.ShownLength, columns - 1);
  if (covered > line.size()) out << std::string(covered - line.size(), ' ');
  out.flush();
  State.Shown = true;
  State.ShownAt = now;
  State.ShownLength = line.size();
}

void EndProgress() {
  if (State.Console.Stream != nullptr && State.Shown) {
    const std::size_t blanks = std::min(State.ShownLength, Columns() - 1);
    *State.Console.Stream << '\r' << std::string(blanks, ' ') << '\r' << std::flush;
  }
  State = ProgressState{};
}

}  // namespace IO
