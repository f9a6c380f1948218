// The page file's own name rules.
#pragma once

#include <string_view>

#include "platform/OutputFile.h"

namespace IO {

// Whether a name is that of the temporary file a run writes its page to
// before putting it in place (".search.html." and six letters or digits).
// One stands beside the page while another run writes its page there, or
// when a run was killed outright while writing; the walk does not list such
// a name in the folder the page is written to.
inline bool IsLeftoverTemporaryPage(std::string_view name) {
  return Platform::IsTemporaryName(name, "search.html");
}

}  // namespace IO
