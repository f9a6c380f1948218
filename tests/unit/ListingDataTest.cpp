#include "io/ListingData.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "io/TextForms.h"

namespace IO {
namespace {

std::string FileRecord(const std::string& name, std::uint64_t size = 0) {
  std::string lower = name;
  for (char& c : lower) c = LowerAscii(c);
  TextBuffer data;
  AppendFileRecord(data, name, lower, size);
  return data.Text();
}

TEST(ListingData, RecordsHoldTheRowsPiecesAndTheTextOnlyWhereItIsNotTheLinkLowerCased) {
  struct Case {
    std::string Name;
    std::uint64_t Size;
    std::string Record;
  };
  const std::vector<Case> cases = {
      {"notes.txt", 0, "notes.txt>>0\n"},
      {"README.TXT", 1025, "README.TXT>>2\n"},
      {"Beach #1.JPG", 1500, "Beach %231.JPG>beach #1.jpg>2\n"},
      {"it's & b.md", 1, "it%27s & b.md>it's & b.md>1\n"},
      {"trailing ", 0, "trailing%20>trailing >0\n"},
      {"Caf\xC3\xA9.txt", 0, "Caf%C3%A9.txt>caf\xC3\xA9.txt>0\n"},
      {"<b>&amp;\n.txt", 0, "%3Cb%3E%26amp;%0A.txt>&lt;b&gt;&amp;amp;\u27E6U+000A\u27E7.txt>0\n"},
  };
  for (const Case& c : cases) EXPECT_EQ(FileRecord(c.Name, c.Size), c.Record) << c.Name;

  TextBuffer folders;
  AppendFolderRecord(folders, "");
  AppendFolderRecord(folders, "\\Set #2\\<i>");
  AppendFolderNumberRecord(folders, 12);
  EXPECT_EQ(folders.Text(), ">\n>\\Set %232\\%3Ci%3E\n>12\n");
}

TEST(ListingData, NoNameCanEndTheDataOrSplitARecord) {
  // Every byte value, alone and around the separators, in names and folders:
  // a record is one line with exactly two separators, and no '<' anywhere.
  std::vector<std::string> names;
  for (int c = 1; c < 256; ++c) {
    const std::string byte(1, static_cast<char>(c));
    names.push_back(byte);
    names.push_back("a" + byte + ">b" + byte + "</script>" + byte);
  }
  for (const std::string& name : names) {
    const std::string record = FileRecord(name);
    EXPECT_EQ(record.find('<'), std::string::npos) << record;
    EXPECT_EQ(record.find('\n'), record.size() - 1) << record;
    EXPECT_EQ(std::count(record.begin(), record.end(), '>'), 2) << record;
    TextBuffer folder;
    AppendFolderRecord(folder, "\\" + name);
    const std::string text = folder.Text();
    EXPECT_EQ(text.find_first_of("<\n"), text.size() - 1) << text;
    EXPECT_EQ(text.find('>', 1), std::string::npos) << text;
  }
}

}  // namespace
}  // namespace IO
