#include "io/FolderWalk.h"

#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "io/ListingData.h"
#include "io/ListingRow.h"
#include "io/ListingState.h"
#include "io/PageFile.h"
#include "io/Progress.h"
#include "io/TextForms.h"
#include "platform/Platform.h"
#include "platform/Win32Api.h"

namespace IO {
namespace {

// A folder on the current walk path. Its identity is learnt only when a link
// to a folder has to be compared with it, so trees without links cost nothing.
struct Ancestor {
  std::size_t TextLength;
  bool IdentityKnown = false;
  bool IdentityValid = false;
  Platform::FolderIdentity Identity;
  // Its number in ListingData, once a file of it was listed.
  std::optional<std::size_t> DataNumber;
};

struct Walk {
  // The folder text of the folder being listed; sub-folder names are appended
  // and removed again, so the walk builds no path string per folder.
  std::string FolderText;
  std::size_t RootLength = 0;
  std::vector<Ancestor> Ancestors;
  std::string LowerName;
  // The folders ListingData has numbered, the one its last file was in, and
  // the size at which it opens its next data element.
  std::size_t DataFolders = 0;
  std::optional<std::size_t> DataFolder;
  std::size_t DataBreakAt = DataChunkBytes;
  // Entries enumerated and folders entered, for the progress line.
  std::size_t Entries = 0;
  std::size_t Folders = 0;
};

bool IsDotOrDotDot(const char* name) {
  return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

bool PassesFilter(std::string_view lowerName) {
  if (FilterList.empty()) return true;
  for (const std::string& word : FilterList) {
    if (lowerName.find(word) != std::string_view::npos) return true;
  }
  return false;
}

void AddExtension(std::string_view lowerName) {
  const std::size_t dot = lowerName.rfind('.');
  if (dot == std::string_view::npos) return;
  const std::string_view extension = lowerName.substr(dot);
  if (ExtensionSet.find(extension) == ExtensionSet.end()) ExtensionSet.emplace(extension);
}

const Platform::FolderIdentity* AncestorIdentity(Walk& walk, Ancestor& ancestor) {
  if (!ancestor.IdentityKnown) {
    const std::string text = walk.FolderText.substr(0, ancestor.TextLength);
    ancestor.IdentityValid = Platform::GetFolderIdentity(text.c_str(), ancestor.Identity);
    ancestor.IdentityKnown = true;
  }
  return ancestor.IdentityValid ? &ancestor.Identity : nullptr;
}

// A link to a folder is entered unless it leads back to the folder being
// listed or one of its ancestors, which would repeat the walk without end.
// The sub-folder's text is already on FolderText.
bool LinkLeadsBack(Walk& walk) {
  Platform::FolderIdentity target;
  if (!Platform::GetFolderIdentity(walk.FolderText.c_str(), target)) return true;
  for (Ancestor& ancestor : walk.Ancestors) {
    const Platform::FolderIdentity* identity = AncestorIdentity(walk, ancestor);
    if (identity != nullptr && *identity == target) return true;
  }
  return false;
}

void ScanFolder(Walk& walk);

void EnterSubFolder(Walk& walk, const WIN32_FIND_DATAA& entry) {
  const char* name = entry.cFileName;
  // A name holding a backslash (possible on POSIX only) cannot be spelt in a
  // folder text: it would name a different folder.
  if (name[0] == '.' || std::strchr(name, '\\') != nullptr) return;
  const std::size_t length = walk.FolderText.size();
  walk.FolderText.push_back('\\');
  walk.FolderText.append(name);
  if ((entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0 || !LinkLeadsBack(walk)) {
    ScanFolder(walk);
  }
  walk.FolderText.resize(length);
}

// Appends a listed file to ListingData, after the record of its folder when
// the file before was in another one, and after a data break when the
// current data element is full.
void AppendToData(Walk& walk, std::string_view relativeFolder, std::string_view name,
                  std::uint64_t size) {
  if (ListingData.Size() >= walk.DataBreakAt) {
    AppendDataBreak(ListingData);
    walk.DataBreakAt = ListingData.Size() + DataChunkBytes;
  }
  std::optional<std::size_t>& number = walk.Ancestors.back().DataNumber;
  if (!number) {
    number = walk.DataFolders++;
    AppendFolderRecord(ListingData, relativeFolder);
  } else if (number != walk.DataFolder) {
    AppendFolderNumberRecord(ListingData, *number);
  }
  walk.DataFolder = number;
  AppendFileRecord(ListingData, name, walk.LowerName, size);
}

void ListFile(Walk& walk, const WIN32_FIND_DATAA& entry) {
  const std::string_view name(entry.cFileName);
  if (IsLeftoverTemporaryPage(name)) return;
  walk.LowerName.resize(name.size());
  LowerAsciiCopy(name.data(), name.size(), walk.LowerName.data());
  if (!PassesFilter(walk.LowerName)) return;
  const std::uint64_t size =
      (static_cast<std::uint64_t>(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow;
  const std::string_view relativeFolder = std::string_view(walk.FolderText).substr(walk.RootLength);
  ++ListedFiles;
  if (ListedFiles <= LargeListingThreshold) {
    AppendListingRow(RowBuffer, relativeFolder, name, walk.LowerName, size);
  } else if (ListedFiles == LargeListingThreshold + 1) {
    RowBuffer.Clear();  // the page will hold the data instead
  }
  AppendToData(walk, relativeFolder, name, size);
  AddExtension(walk.LowerName);
}

void ScanFolder(Walk& walk) {
  const std::size_t length = walk.FolderText.size();
  walk.FolderText.append("\\*.*");
  WIN32_FIND_DATAA entry;
  const HANDLE find = FindFirstFileA(walk.FolderText.c_str(), &entry);
  walk.FolderText.resize(length);
  if (find == INVALID_HANDLE_VALUE) return;

  ++walk.Folders;
  walk.Ancestors.push_back(Ancestor{length, false, false, {}, {}});
  do {
    if (IsDotOrDotDot(entry.cFileName)) continue;
    if (++walk.Entries % ProgressEntries == 0) {
      ReportProgress(ListedFiles, walk.Folders,
                     std::string_view(walk.FolderText).substr(walk.RootLength));
    }
    if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
      EnterSubFolder(walk, entry);
    } else {
      ListFile(walk, entry);
    }
  } while (FindNextFileA(find, &entry) != 0);
  walk.Ancestors.pop_back();
  FindClose(find);
}

}  // namespace

void BuildListing() {
  RowBuffer.Clear();
  ListingData.Clear();
  ListedFiles = 0;
  Walk walk;
  // RootPath comes without trailing backslashes, so the relative part of
  // every folder text begins right after it.
  walk.FolderText = RootPath;
  walk.RootLength = walk.FolderText.size();
  ScanFolder(walk);
}

}  // namespace IO
