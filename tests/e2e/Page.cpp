#include "tests/e2e/Page.h"

#include <algorithm>
#include <chrono>
#include <ctime>

#include "templates/PageTemplates.h"

namespace Testing {
namespace {

std::string Replace(std::string text, const std::string& needle, const std::string& value) {
  for (std::size_t at = text.find(needle); at != std::string::npos;
       at = text.find(needle, at + value.size())) {
    text.replace(at, needle.size(), value);
  }
  return text;
}

// The value of an upper-case hexadecimal digit, or -1.
int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

PageParts SplitPage(const std::string& page) {
  const std::string open = "<tbody id=\"fTable\">";
  const std::size_t at = page.find(open);
  if (at == std::string::npos) return {};
  std::size_t rows = at + open.size();
  if (page.compare(rows, 2, "\r\n") == 0) {
    rows += 2;
  } else if (page.compare(rows, 1, "\n") == 0) {
    rows += 1;
  }
  const std::size_t tail = page.rfind("</tbody>");
  if (tail == std::string::npos || tail < rows) return {};
  return {page.substr(0, rows), page.substr(rows, tail - rows), page.substr(tail)};
}

namespace {

// Each line of text, the last one marked when it has no line feed.
std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end = text.find('\n'); end != std::string::npos; end = text.find('\n', start)) {
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  if (start < text.size()) lines.push_back(text.substr(start) + "<no line feed>");
  return lines;
}

// The rows of a page of the large-listing form, joined from the records of
// its data elements.
std::vector<std::string> DataRows(const std::string& page) {
  const std::string open = "<script type=\"text/plain\">";
  const std::string close = "</script>";
  std::vector<std::string> folders;
  std::string folder;
  std::string base = ".";
  std::vector<std::string> rows;
  for (std::size_t at = page.find(open); at != std::string::npos; at = page.find(open, at)) {
    at += open.size();
    const std::size_t end = page.find(close, at);
    for (const std::string& record : Lines(page.substr(at, end - at))) {
      if (record.starts_with(">")) {
        const std::string rest = record.substr(1);
        if (!rest.empty() && rest[0] >= '0' && rest[0] <= '9') {
          folder = folders.at(std::stoul(rest));
        } else if (!rest.empty() && (rest[0] == '.' || rest[0] == 'f')) {
          base = rest;  // what the links begin with, for a page elsewhere
        } else {
          folders.push_back(rest);
          folder = rest;
        }
        continue;
      }
      const std::size_t name = record.find('>');
      const std::size_t text = record.find('>', name + 1);
      std::string link = record.substr(0, name);
      std::string shown = record.substr(name + 1, text - name - 1);
      if (shown.empty()) {
        shown = link;
        for (char& c : shown) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
      }
      rows.push_back(Row(folder + "\\" + link, shown, record.substr(text + 1)));
      rows.back().replace(rows.back().find('.'), 1, base);
    }
    at = end;
  }
  return rows;
}

}  // namespace

bool IsLargeListing(const std::string& page) {
  return page.find("<script type=\"text/plain\">") != std::string::npos;
}

std::vector<std::string> PageRows(const std::string& page) {
  if (IsLargeListing(page)) return DataRows(page);
  const PageParts parts = SplitPage(page);
  return Lines(parts.Head.empty() ? page : parts.Rows);
}

std::vector<std::string> SortedRows(const std::string& page) {
  std::vector<std::string> lines = PageRows(page);
  std::sort(lines.begin(), lines.end());
  return lines;
}

std::vector<std::string> RowLinks(const std::string& page) {
  std::vector<std::string> links;
  const std::string open = "<a href=\"";
  for (const std::string& row : PageRows(page)) {
    const std::size_t at = row.find(open) + open.size();
    const std::size_t end = row.find('"', at);
    std::string link;
    for (std::size_t i = at; i < end; ++i) {
      if (row[i] == '%' && i + 2 < end && HexValue(row[i + 1]) >= 0 && HexValue(row[i + 2]) >= 0) {
        link += static_cast<char>(HexValue(row[i + 1]) * 16 + HexValue(row[i + 2]));
        i += 2;
      } else {
        link += row[i];
      }
    }
    links.push_back(link);
  }
  return links;
}

std::string ExpectedHead(bool dark, const std::string& title) {
  const PageTemplate& page = dark ? DarkPageTemplate : LightPageTemplate;
  return Replace(page.Head, "^TITLE^", title);
}

std::string ExpectedTail(const std::string& date) {
  return Replace(LightPageTemplate.Tail, "^DATE^", date);
}

std::string Row(const std::string& link, const std::string& text, const std::string& kib) {
  return "<tr><td><a href=\"." + link + "\" target=\"_blank\">" + text + "</a></td><td>" + kib +
         " KB</td></tr>";
}

std::vector<std::string> Sorted(std::vector<std::string> rows) {
  std::sort(rows.begin(), rows.end());
  return rows;
}

long long NowSeconds() {
  return std::chrono::duration_cast<std::chrono::seconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

std::vector<std::string> PossibleDates(long long firstSecond, long long lastSecond) {
  std::vector<std::string> dates;
  for (long long second = firstSecond; second <= lastSecond; ++second) {
    const std::time_t time = static_cast<std::time_t>(second);
    std::tm local{};
    localtime_r(&time, &local);
    char text[64];
    std::strftime(text, sizeof text, "%a %b %e %H:%M:%S %Y\n", &local);
    dates.push_back(text);
  }
  return dates;
}

}  // namespace Testing
