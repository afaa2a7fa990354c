#pragma once
// The change marks written into the result pages, defined once for the page builder, result
// navigation, the position bar and the help page: one tag, two ids, two colours.
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

}  // namespace marks
