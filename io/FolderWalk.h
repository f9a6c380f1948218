// The depth-first walk of the folder tree below RootPath: one table row in
// RowBuffer and one extension in ExtensionSet for every file that passes the
// filter. It writes no message to the console, only reports how far it got
// to the progress line (io/Progress.h); whatever cannot be read is left out.
#pragma once

namespace IO {

// Empties RowBuffer, then lists RootPath and every sub-folder it enters.
void BuildListing();

}  // namespace IO
