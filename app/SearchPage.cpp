#include "app/SearchPage.h"

#include <cstring>
#include <iostream>

#include "app/GenerationTime.h"
#include "app/RunState.h"
#include "io/ListingData.h"
#include "io/TextFile.h"
#include "io/TextForms.h"
#include "platform/Platform.h"
#include "templates/PageTemplates.h"

std::string PageTitle(std::string_view rootPath) {
  const std::size_t slash = rootPath.rfind('\\');
  std::string title(slash == std::string_view::npos ? rootPath : rootPath.substr(slash + 1));
  if (!title.empty()) title[0] = IO::UpperAscii(title[0]);
  return title;
}

void FillPlaceholders(std::string_view templateText, std::string_view title, std::string_view date,
                      std::string& page) {
  constexpr std::string_view TitlePlaceholder = "^TITLE^";
  constexpr std::string_view DatePlaceholder = "^DATE^";
  std::size_t copied = 0;
  std::size_t caret = templateText.find('^');
  while (caret != std::string_view::npos) {
    const std::string_view rest = templateText.substr(caret);
    std::string_view placeholder;
    std::string_view value;
    if (rest.starts_with(TitlePlaceholder)) {
      placeholder = TitlePlaceholder;
      value = title;
    } else if (rest.starts_with(DatePlaceholder)) {
      placeholder = DatePlaceholder;
      value = date;
    }
    if (placeholder.empty()) {
      caret = templateText.find('^', caret + 1);
      continue;
    }
    page.append(templateText.substr(copied, caret - copied));
    page.append(value);
    copied = caret + placeholder.size();
    caret = templateText.find('^', copied);
  }
  page.append(templateText.substr(copied));
}

void WriteSearchPage() {
  const std::string title = IO::MarkupText(PageTitle(RootPath));
  const PageTemplate& pageTemplate = DarkTheme ? DarkPageTemplate : LightPageTemplate;
  const std::string_view head(pageTemplate.Head);
  const bool utf8 = Platform::TextIsUtf8();
  // Up to LargeListingThreshold files the rows stand in the table; beyond,
  // the page holds them as data and its script draws those in view.
  const bool large = ListedFiles > LargeListingThreshold;
  IO::TextBuffer& rows = large ? ListingData : RowBuffer;
  const std::string_view tail(utf8 ? Utf8Tail : pageTemplate.Tail);
  const std::string time = GenerationTime();

  // A page of UTF-8 names says so: its character-set value "ANSI" becomes
  // "utf-8", and nothing else of the head changes.
  constexpr std::string_view Ansi = "ANSI";
  std::string filledHead;
  std::string filledTail;
  if (utf8) {
    FillPlaceholders(head.substr(0, pageTemplate.CharsetAt), title, time, filledHead);
    filledHead.append("utf-8");
    FillPlaceholders(head.substr(pageTemplate.CharsetAt + Ansi.size()), title, time, filledHead);
  } else {
    FillPlaceholders(head, title, time, filledHead);
  }
  if (large) {
    filledHead.append(LargeListing.Open).append(IO::DataOpen);
    filledTail.append(IO::DataClose);
    FillPlaceholders(LargeListing.Close, title, time, filledTail);
  } else {
    FillPlaceholders(tail, title, time, filledTail);
  }

  // The page is laid out around the rows where they already are, so that they
  // are never copied and the page costs little more memory than the rows.
  char* const pageStart = rows.Surround(filledHead.size(), filledTail.size());
  std::memcpy(pageStart, filledHead.data(), filledHead.size());
  std::memcpy(pageStart + filledHead.size() + rows.Size(), filledTail.data(), filledTail.size());
  const std::string_view page(pageStart, filledHead.size() + rows.Size() + filledTail.size());

  std::cout << "File extensions exported: ";
  for (const std::string& extension : ExtensionSet) std::cout << extension << ' ';
  std::cout << "\n\n";

  const std::string outputPath = RootPath + "\\search.html";
  if (IO::WriteTextFile(outputPath.c_str(), page)) {
    std::cout << "Output filepath: " << outputPath << "\n\n";
  } else {
    std::cout << "*** Can't output file ***\n\n"
              << "Output filepath failed: " << outputPath << "\n\n";
  }
}
