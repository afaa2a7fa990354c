#include "documents/FlatOdt.h"

std::string TableFlatOdt(const TComparisonTable&) { return {}; }
std::string TrackedFlatOdt(const TTrackedEdition&) { return {}; }
