#include "base/numbers.h"

#include <cctype>
#include <charconv>
#include <climits>
#include <cmath>
#include <limits>

namespace zemo {

namespace {

bool is_space(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

// Position after the leading white space and an optional sign.
std::size_t skip_space_and_sign(std::string_view text, bool& negative) {
    std::size_t i = 0;
    while (i < text.size() && is_space(text[i])) ++i;
    negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    return i;
}

template <typename T>
bool scan_real(std::string_view text, T& out, std::size_t& end) {
    bool negative = false;
    std::size_t i = skip_space_and_sign(text, negative);
    const char* first = text.data() + i;
    const char* last = text.data() + text.size();
    T value{};
    std::from_chars_result r{};
    if (last - first >= 2 && first[0] == '0' && (first[1] == 'x' || first[1] == 'X')) {
        r = std::from_chars(first + 2, last, value, std::chars_format::hex);
        if (r.ec == std::errc::invalid_argument) {  // "0x" alone reads as 0
            value = 0;
            r.ec = std::errc();
            r.ptr = first + 1;
        }
    } else {
        r = std::from_chars(first, last, value, std::chars_format::general);
    }
    if (r.ec == std::errc::invalid_argument) return false;
    if (r.ec == std::errc::result_out_of_range) {
        // Like strtof: overflow gives infinity, underflow zero (or a denormal).
        long double wide = 0;
        std::from_chars(first, last, wide, std::chars_format::general);
        value = static_cast<T>(wide);
    }
    out = negative ? -value : value;
    end = static_cast<std::size_t>(r.ptr - text.data());
    return true;
}

}  // namespace

bool scan_float(std::string_view text, float& out, std::size_t& end) { return scan_real(text, out, end); }
bool scan_double(std::string_view text, double& out, std::size_t& end) { return scan_real(text, out, end); }

bool scan_float(std::string_view text, float& out) {
    std::size_t end = 0;
    return scan_real(text, out, end);
}
bool scan_double(std::string_view text, double& out) {
    std::size_t end = 0;
    return scan_real(text, out, end);
}
bool scan_int(std::string_view text, int& out) {
    std::size_t end = 0;
    return scan_int(text, out, end);
}

bool only_blanks_after(std::string_view text, std::size_t end) {
    for (std::size_t i = end; i < text.size(); ++i)
        if (text[i] != ' ' && text[i] != '\t' && text[i] != '\0') return false;
    return true;
}

bool scan_int(std::string_view text, int& out, std::size_t& end) {
    bool negative = false;
    std::size_t i = skip_space_and_sign(text, negative);
    int base = 10;
    if (i < text.size() && text[i] == '0') {
        if (i + 2 < text.size() && (text[i + 1] == 'x' || text[i + 1] == 'X') &&
            std::isxdigit(static_cast<unsigned char>(text[i + 2]))) {
            base = 16;
            i += 2;
        } else {
            base = 8;
        }
    }
    long long value = 0;
    bool any = false;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        int digit;
        if (c >= '0' && c <= '9') digit = c - '0';
        else if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
        else break;
        if (digit >= base) break;
        any = true;
        if (value < (1LL << 40)) value = value * base + digit;
    }
    if (!any) return false;
    end = i;
    if (negative) value = -value;
    if (value > INT_MAX) value = INT_MAX;
    if (value < INT_MIN) value = INT_MIN;
    out = static_cast<int>(value);
    return true;
}

}  // namespace zemo
