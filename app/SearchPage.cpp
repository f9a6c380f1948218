#include "app/SearchPage.h"

#include <cstring>
#include <iostream>

#include "app/GenerationTime.h"
#include "io/ListingData.h"
#include "io/TextFile.h"
#include "io/TextForms.h"
#include "templates/PageTemplates.h"

std::string PageTitle(std::string_view rootPath) {
  const std::size_t slash = rootPath.rfind('\\');
  std::string title(slash == std::string_view::npos ? rootPath : rootPath.substr(slash + 1));
  if (!title.empty()) title[0] = IO::UpperAscii(title[0]);
  return title;
}

void FillPlaceholders(std::string_view templateText, const PlaceholderValues& values,
                      std::string& page) {
  struct Placeholder {
    std::string_view Text;
    std::string_view Value;
  };
  const Placeholder placeholders[] = {{"^TITLE^", values.Title}, {"^DATE^", values.Date}};
  std::size_t copied = 0;
  for (std::size_t caret = templateText.find('^'); caret != std::string_view::npos;) {
    const std::string_view rest = templateText.substr(caret);
    const Placeholder* found = nullptr;
    for (const Placeholder& placeholder : placeholders) {
      if (rest.starts_with(placeholder.Text)) found = &placeholder;
    }
    if (found == nullptr) {
      caret = templateText.find('^', caret + 1);
      continue;
    }
    page.append(templateText.substr(copied, caret - copied));
    page.append(found->Value);
    copied = caret + found->Text.size();
    caret = templateText.find('^', copied);
  }
  page.append(templateText.substr(copied));
}

void WriteSearchPage(const RunState& run, const IO::Listing& listing, const PageOutput& output) {
  const std::string title = IO::MarkupText(PageTitle(run.Walk.RootPath));
  const PageTemplate& pageTemplate = run.DarkTheme ? DarkPageTemplate : LightPageTemplate;
  const std::string time = GenerationTime();
  const PlaceholderValues values{title, time};

  // Up to LargeListingThreshold files the rows stand in the table, joined
  // from the listing's data; beyond, the page holds the data and its script
  // draws the rows in view.
  const bool large = listing.ListedFiles > run.LargeListingThreshold;
  std::string head;
  std::string tail;
  std::string rows;
  FillPlaceholders(pageTemplate.Head, values, head);
  if (large) {
    head.append(LargeListing.Open).append(IO::DataOpen).append(IO::LinkBaseRecord(output.LinkBase));
    tail.append(IO::DataClose);
    FillPlaceholders(LargeListing.Close, values, tail);
  } else {
    rows = IO::TableRows(listing.ListingData.View(), output.LinkBase);
    FillPlaceholders(pageTemplate.Tail, values, tail);
  }
  const std::string_view page[] = {head, large ? listing.ListingData.View() : rows, tail};

  std::cout << "File extensions exported: ";
  for (const std::string& extension : listing.ExtensionSet) std::cout << extension << ' ';
  std::cout << "\n\n";

  // A page elsewhere is checked again: a file may have come to its place
  // while the walk ran.
  if ((!output.OnlyOverPage || MayReplaceWithPage(output.Path)) &&
      IO::WriteTextFile(output.Path.c_str(), page)) {
    std::cout << "Output filepath: " << output.Path << "\n\n";
  } else {
    PrintPageFailure(output.Path);
  }
}
