#pragma once
// The user's choice of how the window (and parvel --print-pdf) lays out a comparison's changes,
// kept in the program's settings.
#include "engine/ComparisonOptions.h"

// The kept choice; the default options before the user has chosen.
TComparisonOptions SavedComparisonOptions();
void SaveComparisonOptions(const TComparisonOptions& options);
