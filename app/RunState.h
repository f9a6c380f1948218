// The process-wide values of a run: those of the listing (io/ListingState.h)
// and the run driver's own choice of page template.
#pragma once

#include "io/ListingState.h"

// Whether the dark page template was asked for.
extern bool DarkTheme;
