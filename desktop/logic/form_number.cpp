#include "desktop/logic/form_number.h"

#include <charconv>
#include <cmath>

#include "base/format.h"

namespace zemo::desktop {

bool convert_form_number(std::string_view text, double& out) {
    auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    // from_chars takes a minus sign but no plus sign.
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
        if (!text.empty() && text.front() == '-') return false;
    }
    if (text.empty()) return false;
    double value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) return false;
    out = value;
    return true;
}

bool finite_in_single(double value) { return std::isfinite(value) && std::isfinite(static_cast<float>(value)); }

namespace {

// The value as the project file gives it back: the writer writes a limit or
// a half-life with six decimals ("%lf"), so 1e-7 comes back as 0.
double as_written(double value) {
    double back = 0;
    return convert_form_number(format("%lf", value), back) ? back : value;
}

}  // namespace

bool limit1_in_range(double value) { return finite_in_single(value) && as_written(value) > 0; }
bool limit2_in_range(double value) { return finite_in_single(value) && as_written(value) != 0; }
bool half_life_in_range(double value) { return finite_in_single(value) && as_written(value) > 0; }
bool background_in_range(double value) { return finite_in_single(value) && value >= 0; }
bool share_limit_in_range(double value) { return finite_in_single(value) && value >= 0 && value <= 100; }

}  // namespace zemo::desktop
