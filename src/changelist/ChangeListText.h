#pragma once
// The texts one entry of the change list shows, shared by the panel, its CSV and its table.
// Windows-1251 in, Windows-1251 out, as the list itself.
#include <string>

#include "engine/ChangeList.h"

// The address the list shows: one side's where both agree (or one is missing), both joined by
// an arrow where the change moved the text or its number.
std::string ShownAddress(const TChangeEntry& e);

// The kind as the list words it; a list that brought no wording gets the kind's own name.
std::string ShownKind(const TChangeEntry& e);
// The short name of a kind, as the kind filter offers it.
std::string KindName(TAmendmentKind kind);

// An excerpt as one line of text.
std::string ExcerptText(const TExcerpt& x);

// A group's heading as the list shows it (the text outside articles has a name of its own).
std::string ShownHeading(const TChangeGroup& g);
