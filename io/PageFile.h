// The page file's own name rules.
#pragma once

#include <string_view>

#include "platform/OutputFile.h"

namespace IO {

// Whether a name is that of the temporary file a run writes its page to
// before putting it in place (".search.html." and six letters or digits).
// One is left behind only when a run is killed outright while writing; the
// walk does not list it.
inline bool IsLeftoverTemporaryPage(std::string_view name) {
  return Platform::IsTemporaryName(name, "search.html");
}

}  // namespace IO
