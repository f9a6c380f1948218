// The POSIX back end's listings of real folders: every entry exactly once,
// however many reads of the folder it takes, with several listings open at a
// time and one after another, and the kinds it leaves Unknown learnt.
#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/FolderSource.h"
#include "platform/Platform.h"
#include "tests/support/TempTree.h"

namespace Testing {
namespace {

struct Found {
  Platform::EntryKind Kind = Platform::EntryKind::Unknown;
  std::uint64_t Size = 0;
  int Times = 0;
};

// Every entry of a folder text, by name; calls step after each entry.
template <typename Step>
std::map<std::string, Found> Enumerate(const std::string& folderText, Step step) {
  std::map<std::string, Found> found;
  std::unique_ptr<Platform::FolderListing> listing;
  EXPECT_EQ(Platform::HostFolderSource().Open(folderText, listing), Platform::OpenResult::Opened)
      << folderText;
  if (listing == nullptr) return found;
  for (Platform::FolderEntry entry; listing->Next(entry);) {
    if (entry.Kind == Platform::EntryKind::Unknown) entry = listing->Details(entry.Name);
    Found& known = found[std::string(entry.Name)];
    known.Kind = entry.Kind;
    known.Size = entry.Size;
    ++known.Times;
    step();
  }
  return found;
}

std::map<std::string, Found> Enumerate(const std::string& folderText) {
  return Enumerate(folderText, [] {});
}

std::string NameOf(std::size_t index, std::size_t length) {
  std::string name = std::to_string(index) + "_";
  name.resize(length, static_cast<char>('a' + index % 26));
  return name;
}

TEST(FindFiles, EveryEntryOnceHoweverLargeTheFolder) {
  struct Case {
    std::size_t Files;
    std::size_t NameLength;
    std::size_t Folders;
  };
  // From an empty folder to one whose entries take many reads.
  const std::vector<Case> cases = {{0, 0, 0}, {1, 5, 0}, {0, 0, 1}, {300, 40, 3}, {2000, 250, 5}};
  for (const Case& c : cases) {
    TempTree tree;
    for (std::size_t i = 0; i < c.Files; ++i) {
      tree.SizedFile(NameOf(i, c.NameLength), i * 1000003);
    }
    for (std::size_t i = 0; i < c.Folders; ++i) tree.Folder("dir" + std::to_string(i));

    const std::map<std::string, Found> found = Enumerate(tree.Root());
    EXPECT_EQ(found.size(), c.Files + c.Folders) << c.Files;
    for (const auto& [name, entry] : found) EXPECT_EQ(entry.Times, 1) << name;
    for (std::size_t i = 0; i < c.Files; ++i) {
      const auto entry = found.find(NameOf(i, c.NameLength));
      ASSERT_NE(entry, found.end()) << i;
      EXPECT_EQ(entry->second.Kind, Platform::EntryKind::File);
      EXPECT_EQ(entry->second.Size, i * 1000003);
    }
    for (std::size_t i = 0; i < c.Folders; ++i) {
      const auto entry = found.find("dir" + std::to_string(i));
      ASSERT_NE(entry, found.end()) << i;
      EXPECT_EQ(entry->second.Kind, Platform::EntryKind::Folder);
    }
  }
}

TEST(FindFiles, EnumerationsNestedAndInSequenceStayApart) {
  TempTree tree;
  for (std::size_t i = 0; i < 500; ++i) tree.SizedFile("outer/" + NameOf(i, 120), i);
  for (std::size_t i = 0; i < 40; ++i) tree.SizedFile("inner/" + NameOf(i, 8), 7 * i);
  tree.SizedFile("big.iso", 5368709121ULL);

  // A whole enumeration of another folder after each entry of this one,
  // and many more after it: none takes entries of another.
  int nested = 0;
  const std::map<std::string, Found> outer = Enumerate(tree.Path("outer"), [&] {
    const std::map<std::string, Found> inner = Enumerate(tree.Path("inner"));
    EXPECT_EQ(inner.size(), 40u);
    ++nested;
  });
  EXPECT_EQ(outer.size(), 500u);
  EXPECT_EQ(nested, 500);
  for (const auto& [name, entry] : outer) EXPECT_EQ(entry.Times, 1) << name;

  // A listing closed after its first entry leaves none of the rest to the
  // next one.
  {
    std::unique_ptr<Platform::FolderListing> abandoned;
    ASSERT_EQ(Platform::HostFolderSource().Open(tree.Path("outer"), abandoned),
              Platform::OpenResult::Opened);
    Platform::FolderEntry entry;
    EXPECT_TRUE(abandoned->Next(entry));
  }
  const std::map<std::string, Found> root = Enumerate(tree.Root());
  ASSERT_TRUE(root.count("big.iso"));
  EXPECT_EQ(root.at("big.iso").Size, 5368709121ULL);
  EXPECT_EQ(root.size(), 3u);
}

TEST(FindFiles, FoldersThatCannotBeListedAreUnreadable) {
  TempTree tree;
  tree.File("file.txt");
  for (const std::string& folder : {tree.Path("missing"), tree.Path("file.txt")}) {
    std::unique_ptr<Platform::FolderListing> listing;
    EXPECT_EQ(Platform::HostFolderSource().Open(folder, listing), Platform::OpenResult::Unreadable)
        << folder;
  }
  // Failed attempts leave nothing behind that a later listing would see.
  EXPECT_EQ(Enumerate(tree.Root()).size(), 1u);
}

// A cgroup's quota of processor time, as cpu.max (version 2) or as the two
// version 1 files joined by a blank give it.
TEST(HostProcessors, QuotaOfACgroup) {
  const std::vector<std::pair<std::string, std::optional<double>>> cases = {
      {"max 100000\n", std::nullopt},  {"50000 100000\n", 0.5}, {"200000 100000", 2.0},
      {"-1\n 100000\n", std::nullopt}, {"", std::nullopt},      {"150000 abc", std::nullopt}};
  for (const auto& [text, processors] : cases) {
    EXPECT_EQ(Platform::QuotaProcessors(text), processors) << text;
  }
}

}  // namespace
}  // namespace Testing
