#pragma once
// The change marks written into the result pages, defined once for the page builder, result
// navigation, the position bar and the help page: one tag, two ids, three colours.
#include <string_view>

namespace marks {

inline constexpr std::string_view Tag = "acronym";
// The first piece of a mark; navigation counts these.
inline constexpr std::string_view Id = "t_d";
// The further pieces of a mark whose change spans markup.
inline constexpr std::string_view ContinuationId = "t_dc";
// Deleted text (left page) and the place of a deletion (right page).
inline constexpr std::string_view DeletedColour = "ffcccc";
// Inserted text (right page) and the place of an insertion (left page).
inline constexpr std::string_view InsertedColour = "ccffcc";

// Both ends of a moved passage: a light lavender, apart from the two above and from the current
// change's highlights, and plain on paper (no strike-through on the old end).
inline constexpr std::string_view MovedColour = "d9d9ff";
// The highlights of the current change.
inline constexpr std::string_view DeletedHighlight = "ff7777";
inline constexpr std::string_view InsertedHighlight = "77ff77";
inline constexpr std::string_view MovedHighlight = "a0a0ff";

inline constexpr std::string_view Close = "</acronym>";
inline constexpr std::string_view DeleteOpen =
    "<acronym id=\"t_d\" style=\"background-color:#ffcccc; text-decoration: line-through\">";
inline constexpr std::string_view InsertOpen = "<acronym id=\"t_d\" style=\"background-color:#ccffcc\">";
inline constexpr std::string_view DeleteContinued =
    "<acronym id=\"t_dc\" style=\"background-color:#ffcccc; text-decoration: line-through\">";
inline constexpr std::string_view InsertContinued = "<acronym id=\"t_dc\" style=\"background-color:#ccffcc\">";
inline constexpr std::string_view InsertPlace =
    "<acronym id=\"t_d\" style=\"background-color:#ccffcc\">&nbsp;</acronym>";
inline constexpr std::string_view DeletePlace =
    "<acronym id=\"t_d\" style=\"background-color:#ffcccc\">&nbsp;</acronym>";
// The pieces of a move's ends open with one of these, a title naming the other end and "\">".
inline constexpr std::string_view MovedOpenStart = "<acronym id=\"t_d\" style=\"background-color:#d9d9ff\" title=\"";
inline constexpr std::string_view MovedContinuedStart =
    "<acronym id=\"t_dc\" style=\"background-color:#d9d9ff\" title=\"";
// Edited words inside a move's ends keep the colours of a deletion and an insertion.
inline constexpr std::string_view MovedDeletedStart =
    "<acronym id=\"t_d\" style=\"background-color:#ffcccc; text-decoration: line-through\" title=\"";
inline constexpr std::string_view MovedDeletedContinuedStart =
    "<acronym id=\"t_dc\" style=\"background-color:#ffcccc; text-decoration: line-through\" title=\"";
inline constexpr std::string_view MovedInsertedStart = "<acronym id=\"t_d\" style=\"background-color:#ccffcc\" title=\"";
inline constexpr std::string_view MovedInsertedContinuedStart =
    "<acronym id=\"t_dc\" style=\"background-color:#ccffcc\" title=\"";

}  // namespace marks
