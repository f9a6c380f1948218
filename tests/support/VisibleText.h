// What a page shows of a UTF-8 name, written apart from the program's own
// code: each character that would show as nothing or reorder the text
// around it stands as a mark of its code point, "⟦U+202E⟧".
#pragma once

#include <string>
#include <string_view>

namespace Testing {

std::string WithVisibleMarks(std::string_view utf8);

}  // namespace Testing
