// The filters of the file dialogs are written as "text|pattern|text|pattern"
// (for example "zemo init (*.atm)|*.atm|všechny soubory|*"). A toolkit shows
// each pair as one name filter "text (pattern)", in the same order; a text
// that already ends with "(pattern)" is shown as it is.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zemo::desktop {

// One name filter per text|pattern pair, in order; a trailing text without
// a pattern is dropped.
std::vector<std::string> dialog_name_filters(std::string_view filter);

}  // namespace zemo::desktop
