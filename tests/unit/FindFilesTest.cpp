// The Win32-shaped find calls of the POSIX back end on real folders: every
// entry exactly once, however many reads of the folder it takes, with
// several enumerations open at a time and one after another, and the
// attributes it leaves for later completed.
#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/FolderSource.h"
#include "tests/support/TempTree.h"

namespace Testing {
namespace {

struct Found {
  DWORD Attributes = 0;
  std::uint64_t Size = 0;
  int Times = 0;
};

// Every entry of a folder text, by name; calls step after each entry.
template <typename Step>
std::map<std::string, Found> Enumerate(const std::string& folderText, Step step) {
  Platform::FolderSource& folders = Platform::HostFolderSource();
  std::map<std::string, Found> found;
  WIN32_FIND_DATAA data;
  const HANDLE find = folders.FindFirstFileA((folderText + "\\*.*").c_str(), &data);
  EXPECT_NE(find, INVALID_HANDLE_VALUE) << folderText;
  if (find == INVALID_HANDLE_VALUE) return found;
  do {
    if (data.dwFileAttributes == Platform::AttributesToComplete) {
      folders.CompleteFindData(find, &data);
    }
    Found& entry = found[data.cFileName];
    entry.Attributes = data.dwFileAttributes;
    entry.Size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    ++entry.Times;
    step();
  } while (folders.FindNextFileA(find, &data) != 0);
  EXPECT_EQ(folders.FindClose(find), 1);
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
    EXPECT_EQ(found.size(), c.Files + c.Folders + 2) << c.Files;
    for (const auto& [name, entry] : found) EXPECT_EQ(entry.Times, 1) << name;
    for (const char* dot : {".", ".."}) {
      ASSERT_TRUE(found.count(dot)) << dot;
      EXPECT_NE(found.at(dot).Attributes & FILE_ATTRIBUTE_DIRECTORY, 0u);
    }
    for (std::size_t i = 0; i < c.Files; ++i) {
      const auto entry = found.find(NameOf(i, c.NameLength));
      ASSERT_NE(entry, found.end()) << i;
      EXPECT_EQ(entry->second.Attributes & FILE_ATTRIBUTE_DIRECTORY, 0u);
      EXPECT_EQ(entry->second.Size, i * 1000003);
    }
    for (std::size_t i = 0; i < c.Folders; ++i) {
      const auto entry = found.find("dir" + std::to_string(i));
      ASSERT_NE(entry, found.end()) << i;
      EXPECT_NE(entry->second.Attributes & FILE_ATTRIBUTE_DIRECTORY, 0u);
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
    EXPECT_EQ(inner.size(), 42u);
    ++nested;
  });
  EXPECT_EQ(outer.size(), 502u);
  EXPECT_EQ(nested, 502);
  for (const auto& [name, entry] : outer) EXPECT_EQ(entry.Times, 1) << name;

  // An enumeration ended after its first entry leaves none of the rest to
  // the next one.
  WIN32_FIND_DATAA data;
  Platform::FolderSource& folders = Platform::HostFolderSource();
  const HANDLE abandoned = folders.FindFirstFileA((tree.Path("outer") + "\\*.*").c_str(), &data);
  ASSERT_NE(abandoned, INVALID_HANDLE_VALUE);
  EXPECT_EQ(folders.FindClose(abandoned), 1);
  const std::map<std::string, Found> root = Enumerate(tree.Root());
  ASSERT_TRUE(root.count("big.iso"));
  EXPECT_EQ(root.at("big.iso").Size, 5368709121ULL);
  EXPECT_EQ(root.size(), 5u);
}

TEST(FindFiles, FoldersThatCannotBeEnumeratedGiveNoHandle) {
  TempTree tree;
  tree.File("file.txt");
  WIN32_FIND_DATAA data;
  for (const std::string& pattern :
       {tree.Path("missing") + "\\*.*", tree.Path("file.txt") + "\\*.*", tree.Root() + "\\*"}) {
    EXPECT_EQ(Platform::HostFolderSource().FindFirstFileA(pattern.c_str(), &data),
              INVALID_HANDLE_VALUE)
        << pattern;
  }
  // Failed attempts leave nothing behind that a later enumeration would see.
  EXPECT_EQ(Enumerate(tree.Root()).size(), 3u);
}

}  // namespace
}  // namespace Testing
