#include "io/TextFile.h"

#include <cstdint>

#include "io/ErrorReport.h"
#include "platform/OutputFile.h"

namespace IO {

bool WriteTextFile(const char* path, std::span<const std::string_view> text) {
  constexpr std::string_view Function = "IO::WriteTextFile";
  if (path == nullptr) {
    // Nothing is read through the absent path: its value renders empty.
    ErrorReport(Function, 61, {{"path", std::string_view()}});
    return false;
  }
  std::uint64_t size = 0;
  for (const std::string_view piece : text) size += piece.size();
  const Platform::FileHandle outputStream = Platform::CreateOutputFile(path, size);
  if (outputStream == Platform::InvalidFile) return false;
  bool written = true;
  for (const std::string_view piece : text) {
    written = written && Platform::WriteOutputFile(outputStream, piece.data(), piece.size());
  }
  // Only a whole page takes the old one's place. A failed close may have
  // lost the last bytes, and a failed rename left the old page: either fails
  // the write too.
  const bool placed = Platform::CloseOutputFile(outputStream, written);
  if (written && placed) return true;
  ErrorReport(Function, 72, {{"path", path}, {"outputStream.good()", false}});
  return false;
}

}  // namespace IO
