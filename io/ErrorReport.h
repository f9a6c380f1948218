// The one-line diagnostic of the file services, on standard output:
//   " ERROR[" function ":" site "] " then name "(" value ") " per value, "\n"
#pragma once

#include <cstdint>
#include <string_view>
#include <variant>

namespace IO {

// A reported value: its name as the report site writes the expression, and
// its rendering (text as it is, integers in decimal, booleans as 1 and 0).
struct ReportValue {
  ReportValue(std::string_view name, std::string_view text) : Name(name), Value(text) {}
  ReportValue(std::string_view name, const char* text)
      : Name(name), Value(std::string_view(text == nullptr ? "" : text)) {}
  ReportValue(std::string_view name, std::int64_t number) : Name(name), Value(number) {}
  ReportValue(std::string_view name, bool flag) : Name(name), Value(flag) {}

  std::string_view Name;
  std::variant<std::string_view, std::int64_t, bool> Value;
};

void ErrorReport(std::string_view function, int site, std::initializer_list<ReportValue> values);

}  // namespace IO
