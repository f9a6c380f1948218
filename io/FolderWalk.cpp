#include "io/FolderWalk.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "io/ListingData.h"
#include "io/PageFile.h"
#include "io/Progress.h"
#include "io/ReadAhead.h"
#include "io/TextForms.h"

namespace IO {
namespace {

// A link to a folder is entered unless it leads back to the folder being
// listed or one of its ancestors, which would repeat the walk without end.
bool LinkLeadsBack(Platform::FolderSource& folders, const FolderNode& folder,
                   std::string_view name) {
  std::string text = folder.Text();
  text.push_back('\\');
  text.append(name);
  const std::optional<Platform::FolderIdentity> target = folders.Identity(text);
  if (!target) return true;
  for (const FolderNode* ancestor = &folder; ancestor != nullptr; ancestor = ancestor->Parent()) {
    const Platform::FolderIdentity* identity = ancestor->Identity(folders);
    if (identity != nullptr && *identity == *target) return true;
  }
  return false;
}

// Sub-folders whose name begins with '.' are left out with their whole
// subtree. A name holding a backslash (possible on POSIX only) cannot be spelt
// in a folder text: it would name a different folder.
bool EntersSubFolder(Platform::FolderSource& folders, const FolderNode& folder,
                     std::string_view name, Platform::EntryKind kind) {
  if (name.front() == '.' || name.find('\\') != std::string_view::npos) return false;
  return kind != Platform::EntryKind::FolderLink || !LinkLeadsBack(folders, folder, name);
}

bool PassesFilter(const std::vector<std::string>& filterList, std::string_view lowerName) {
  if (filterList.empty()) return true;
  for (const std::string& word : filterList) {
    if (lowerName.find(word) != std::string_view::npos) return true;
  }
  return false;
}

void AddExtension(std::set<std::string, std::less<>>& extensionSet, std::string_view lowerName) {
  const std::size_t dot = lowerName.rfind('.');
  if (dot == std::string_view::npos) return;
  const std::string_view extension = lowerName.substr(dot);
  if (extensionSet.find(extension) == extensionSet.end()) extensionSet.emplace(extension);
}

// A folder on the walk's path, and how far the walk got in it.
struct Level {
  FolderNode* Folder;
  std::size_t PieceIndex = 0;
  const FolderPiece* Piece = nullptr;
  std::size_t Item = 0;
  // The length of its folder text.
  std::size_t TextLength = 0;
  // Its number in the listing's data, once a file of it was listed.
  std::optional<std::size_t> DataNumber;
};

class Walk {
 public:
  Walk(const WalkOptions& options, Platform::FolderSource& folders, Listing& listing)
      : options_(options),
        listing_(listing),
        reads_(folders, EntersSubFolder, options),
        folderText_(options.RootPath),
        rootLength_(options.RootPath.size()) {}

  void Run() {
    Enter(reads_.Root());
    while (!levels_.empty()) {
      Level& level = levels_.back();
      if (level.Piece == nullptr) {
        levels_.pop_back();
        if (!levels_.empty()) folderText_.resize(levels_.back().TextLength);
      } else if (level.Item == level.Piece->Items.size()) {
        reads_.Release(*level.Folder, level.PieceIndex);
        level.Piece = reads_.Piece(*level.Folder, ++level.PieceIndex);
        level.Item = 0;
      } else {
        Take(level.Piece->Items[level.Item++], level);
      }
    }
  }

 private:
  std::string_view RelativeFolder() const {
    return std::string_view(folderText_).substr(rootLength_);
  }

  // Goes down into a folder whose text is on folderText_, unless it cannot
  // be enumerated.
  void Enter(FolderNode& folder) {
    const FolderPiece* first = reads_.Piece(folder, 0);
    if (folder.Unreadable()) return;
    ++folders_;
    levels_.push_back(Level{&folder, 0, first, 0, folderText_.size(), {}});
  }

  void Take(const FolderItem& item, Level& level) {
    const std::string_view name = level.Piece->Name(item);
    if (++entries_ % ProgressEntries == 0) {
      ReportProgress(listing_.ListedFiles, folders_, RelativeFolder());
    }
    if (item.Kind == Platform::EntryKind::File) {
      ListFile(level, name, item.Size);
    } else if (item.SubFolder) {
      const std::size_t length = folderText_.size();
      folderText_.push_back('\\');
      folderText_.append(name);
      Enter(*item.SubFolder);  // level may move when the walk goes down
      if (levels_.back().Folder != item.SubFolder.get()) folderText_.resize(length);
    }
  }

  void ListFile(Level& level, std::string_view name, std::uint64_t size) {
    // A page being written, or left by a run killed outright, stands only
    // beside the page.
    if (options_.PageInTree && Platform::IsTemporaryName(name, options_.PageName) &&
        RelativeFolder() == options_.PageFolder) {
      return;
    }
    lowerName_.resize(name.size());
    LowerAsciiCopy(name.data(), name.size(), lowerName_.data());
    if (!PassesFilter(options_.FilterList, lowerName_)) return;
    ++listing_.ListedFiles;
    AppendToData(level, name, size);
    AddExtension(listing_.ExtensionSet, lowerName_);
  }

  // Appends a listed file to the data, after the record of its folder when
  // the file before was in another one, and after a data break when the
  // current data element is full.
  void AppendToData(Level& level, std::string_view name, std::uint64_t size) {
    TextBuffer& data = listing_.ListingData;
    if (data.Size() >= dataBreakAt_) {
      AppendDataBreak(data);
      dataBreakAt_ = data.Size() + DataChunkBytes;
    }
    std::optional<std::size_t>& number = level.DataNumber;
    if (!number) {
      number = dataFolders_++;
      AppendFolderRecord(data, RelativeFolder());
    } else if (number != dataFolder_) {
      AppendFolderNumberRecord(data, *number);
    }
    dataFolder_ = number;
    AppendFileRecord(data, name, lowerName_, size);
  }

  const WalkOptions& options_;
  Listing& listing_;
  ReadAhead reads_;
  std::vector<Level> levels_;
  // The folder text of the folder being listed; sub-folder names are
  // appended and removed again.
  std::string folderText_;
  std::size_t rootLength_;
  std::string lowerName_;
  // The folders the data has numbered, the one its last file was in, and the
  // size at which it opens its next data element.
  std::size_t dataFolders_ = 0;
  std::optional<std::size_t> dataFolder_;
  std::size_t dataBreakAt_ = DataChunkBytes;
  // Entries taken and folders entered, for the progress line.
  std::size_t entries_ = 0;
  std::size_t folders_ = 0;
};

}  // namespace

Listing BuildListing(const WalkOptions& options, Platform::FolderSource& folders) {
  Listing listing;
  Walk(options, folders, listing).Run();
  return listing;
}

}  // namespace IO
