// Standard output on a Windows console, written in UTF-16.
#pragma once

namespace Platform {

// When standard output is a console, routes std::cout through WriteConsoleW,
// for the rest of the run.
void WriteConsoleInUtf16();

}  // namespace Platform
