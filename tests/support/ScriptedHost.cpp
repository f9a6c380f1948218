#include "tests/support/ScriptedHost.h"

#include "platform/OutputPlace.h"

namespace Testing {
namespace {

// The output files open, by handle.
std::map<Platform::FileHandle, std::string>& OpenPaths() {
  static std::map<Platform::FileHandle, std::string> paths;
  return paths;
}

}  // namespace

HostScript& Host() {
  static HostScript host;
  return host;
}

void ResetHost(const ScriptedFolders* folders) {
  Host() = HostScript();
  Host().Folders = folders;
  OpenPaths().clear();
}

}  // namespace Testing

using Testing::Host;

namespace Platform {

FileHandle CreateOutputFile(const char* path, std::uint64_t /*size*/) {
  Testing::HostScript& host = Host();
  const std::string text(path);
  const std::size_t slash = text.rfind('\\');
  if (host.Folders == nullptr || slash == std::string::npos ||
      host.Folders->Folders.count(text.substr(0, slash)) == 0) {
    return InvalidFile;
  }
  host.Files[text].clear();
  static FileHandle last = 100;
  Testing::OpenPaths()[++last] = text;
  ++host.OpenFiles;
  return last;
}

bool WriteOutputFile(FileHandle file, const char* data, std::size_t size) {
  Host().Files[Testing::OpenPaths().at(file)].append(data, size);
  return true;
}

bool CloseOutputFile(FileHandle file, bool) {
  Testing::OpenPaths().erase(file);
  --Host().OpenFiles;
  return true;
}

// No clock: the page carries the text for an unknown time.
bool LocalTime(std::int64_t, std::tm&) {
  return false;
}
void PrepareProcess() {}

bool StandardOutputIsTerminal() {
  return Host().Terminal;
}

std::size_t TerminalColumns() {
  return Host().TerminalColumns;
}

std::uint64_t MonotonicMilliseconds() {
  Testing::HostScript& host = Host();
  const std::uint64_t now = host.Milliseconds;
  host.Milliseconds += host.MillisecondsPerRead;
  return now;
}

// Folders by their texts, all on one file system; files as the run wrote them.
bool GetFolderPlace(const char* folder, FolderPlace& place) {
  std::string text(folder);
  while (text.ends_with('\\')) text.pop_back();
  place = {text, 0};
  return Host().Folders != nullptr && Host().Folders->Folders.count(text) != 0;
}

bool GetFileFolderPlace(const char* file, FolderPlace& place) {
  const std::string text(file);
  return GetFolderPlace(text.substr(0, text.rfind('\\') + 1).c_str(), place);
}

PathHolds ReadFileStart(const char* path, std::size_t count, std::string& start) {
  const auto file = Host().Files.find(path);
  if (file == Host().Files.end()) return PathHolds::Nothing;
  start = file->second.substr(0, count);
  return PathHolds::PlainFile;
}

// No processor time: every walk looks like one that waits for its reads.
std::uint64_t ProcessCpuMicroseconds() {
  return 0;
}

std::chrono::microseconds ProcessCpuGrain() {
  return std::chrono::microseconds(1);
}

double UsableProcessors() {
  return 2;
}

}  // namespace Platform
