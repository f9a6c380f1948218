#include "io/ErrorReport.h"

#include <iostream>

namespace IO {

void ErrorReport(std::string_view function, int site, std::initializer_list<ReportValue> values) {
  std::cout << " ERROR[" << function << ':' << site << "] ";
  for (const ReportValue& value : values) {
    std::cout << value.Name << '(';
    std::visit([](const auto& v) { std::cout << v; }, value.Value);
    std::cout << ") ";
  }
  std::cout << '\n';
}

}  // namespace IO
