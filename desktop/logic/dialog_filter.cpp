#include "desktop/logic/dialog_filter.h"

namespace zemo::desktop {

std::vector<std::string> dialog_name_filters(std::string_view filter) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= filter.size()) {
        const std::size_t bar = filter.find('|', start);
        parts.emplace_back(filter.substr(start, bar == std::string_view::npos ? std::string_view::npos : bar - start));
        if (bar == std::string_view::npos) break;
        start = bar + 1;
    }
    std::vector<std::string> filters;
    for (std::size_t i = 0; i + 1 < parts.size(); i += 2) {
        const std::string& text = parts[i];
        const std::string& pattern = parts[i + 1];
        std::string shown_pattern("(");
        shown_pattern.append(pattern).push_back(')');
        const bool shows_pattern =
            text.size() >= shown_pattern.size() &&
            text.compare(text.size() - shown_pattern.size(), shown_pattern.size(), shown_pattern) == 0;
        std::string name = text;
        if (!shows_pattern) name.append(" ").append(shown_pattern);
        filters.push_back(std::move(name));
    }
    return filters;
}

}  // namespace zemo::desktop
