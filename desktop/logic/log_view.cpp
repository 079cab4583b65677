#include "desktop/logic/log_view.h"

namespace zemo::desktop {

namespace {

constexpr std::string_view kDetailPrefix = "       - ";

std::string_view without_cr(std::string_view line) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return line;
}

bool has_band_prefix(std::string_view line, std::string_view mark) {
    return line == mark ||
           (line.size() > mark.size() && line.substr(0, mark.size()) == mark && line[mark.size()] == ' ');
}

}  // namespace

LogLineKind log_line_kind(std::string_view line) {
    line = without_cr(line);
    if (has_band_prefix(line, "***")) return LogLineKind::Fatal;
    if (has_band_prefix(line, "+++")) return LogLineKind::Error;
    return LogLineKind::Plain;
}

LogLineKind log_line_kind(std::string_view line, LogLineKind previous) {
    if (line.substr(0, kDetailPrefix.size()) == kDetailPrefix) return previous;
    return log_line_kind(line);
}

}  // namespace zemo::desktop
