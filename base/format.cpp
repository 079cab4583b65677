#include "base/format.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string_view>
#include <system_error>
#include <type_traits>

namespace zemo {

namespace {

// One conversion: %[flags][width][.precision][length]conversion.
struct Spec {
    bool left = false;   // '-'
    bool plus = false;   // '+'
    bool space = false;  // ' '
    bool alt = false;    // '#'
    bool zero = false;   // '0'
    int width = 0;
    int precision = -1;  // -1: none given
    char length = 0;     // 'H' hh, 'h', 'l', 'L' ll, 'z', 'j', 't'
    char conversion = 0;
};

// Appends prefix (sign, "0x") and body padded to the field width: blanks
// before or after, or zeros between prefix and body.
void pad(std::string& out, const Spec& s, std::string_view prefix, std::string_view body, bool zeros_allowed) {
    const std::size_t length = prefix.size() + body.size();
    const std::size_t fill = static_cast<std::size_t>(s.width) > length ? s.width - length : 0;
    if (s.left) {
        out.append(prefix).append(body).append(fill, ' ');
    } else if (s.zero && zeros_allowed) {
        out.append(prefix).append(fill, '0').append(body);
    } else {
        out.append(fill, ' ').append(prefix).append(body);
    }
}

std::string_view sign_of(bool negative, const Spec& s) {
    if (negative) return "-";
    if (s.plus) return "+";
    if (s.space) return " ";
    return {};
}

void put_integer(std::string& out, const Spec& s, unsigned long long magnitude, bool negative) {
    const int base = s.conversion == 'x' || s.conversion == 'X' ? 16 : s.conversion == 'o' ? 8 : 10;
    char digits[72];
    char* end = digits;
    // A precision of 0 prints nothing for the value 0.
    if (!(magnitude == 0 && s.precision == 0)) end = std::to_chars(digits, digits + sizeof digits, magnitude, base).ptr;
    if (s.conversion == 'X')
        for (char* c = digits; c != end; ++c)
            if (*c >= 'a' && *c <= 'f') *c = static_cast<char>(*c - 'a' + 'A');
    std::size_t n = static_cast<std::size_t>(end - digits);
    std::string body;
    if (s.precision > 0 && static_cast<std::size_t>(s.precision) > n) body.append(s.precision - n, '0');
    body.append(digits, n);
    // '#' with 'o': the first digit is a 0.
    if (s.alt && base == 8 && (body.empty() || body[0] != '0')) body.insert(0, 1, '0');
    std::string_view prefix;
    const bool is_signed = s.conversion == 'd' || s.conversion == 'i';
    if (is_signed) prefix = sign_of(negative, s);
    if (s.alt && magnitude != 0) {
        if (s.conversion == 'x') prefix = "0x";
        if (s.conversion == 'X') prefix = "0X";
    }
    pad(out, s, prefix, body, s.precision < 0);
}

template <typename Signed>
void put_signed(std::string& out, const Spec& s, Signed v) {
    const long long value = v;
    const unsigned long long magnitude =
        value < 0 ? 0ull - static_cast<unsigned long long>(value) : static_cast<unsigned long long>(value);
    put_integer(out, s, magnitude, value < 0);
}

// Digits of a finite, non-negative value in fixed or scientific form with
// the given number of decimals, correctly rounded (a tie to the even
// neighbour), as std::to_chars makes them on every platform.
std::string_view to_digits(char* buffer, std::size_t size, double magnitude, std::chars_format form, int decimals) {
    const std::to_chars_result r = std::to_chars(buffer, buffer + size, magnitude, form, decimals);
    if (r.ec != std::errc()) throw std::length_error("format: number does not fit its buffer");
    return {buffer, static_cast<std::size_t>(r.ptr - buffer)};
}

// The decimal exponent of value when printed with `decimals` decimals in
// scientific form ("1.5e+03" → 3).
int exponent_of(std::string_view scientific) {
    const std::size_t e = scientific.find('e');
    int exponent = 0;
    std::from_chars(scientific.data() + e + (scientific[e + 1] == '+' ? 2 : 1), scientific.data() + scientific.size(),
                    exponent);
    return exponent;
}

void put_floating(std::string& out, const Spec& s, double v) {
    const bool upper = s.conversion == 'F' || s.conversion == 'E' || s.conversion == 'G';
    const bool negative = std::signbit(v);
    if (!std::isfinite(v)) {
        const char* word = std::isnan(v) ? (upper ? "NAN" : "nan") : (upper ? "INF" : "inf");
        pad(out, s, sign_of(negative, s), word, false);
        return;
    }
    const double magnitude = std::fabs(v);
    int precision = s.precision < 0 ? 6 : s.precision;
    // Room for 309 integer digits, the decimals and an exponent.
    std::string buffer(static_cast<std::size_t>(precision) + 330, '\0');
    std::string body;
    const char kind = static_cast<char>(s.conversion | 0x20);
    if (kind == 'f') {
        body = to_digits(buffer.data(), buffer.size(), magnitude, std::chars_format::fixed, precision);
        if (s.alt && precision == 0) body.push_back('.');
    } else if (kind == 'e') {
        body = to_digits(buffer.data(), buffer.size(), magnitude, std::chars_format::scientific, precision);
        if (s.alt && precision == 0) body.insert(body.find('e'), 1, '.');
    } else {
        // %g: P significant digits; scientific when the exponent X is below
        // -4 or at least P, else fixed with P-1-X decimals; trailing zeros
        // and a bare point removed unless '#'.
        if (precision == 0) precision = 1;
        body = to_digits(buffer.data(), buffer.size(), magnitude, std::chars_format::scientific, precision - 1);
        const int exponent = exponent_of(body);
        if (exponent >= -4 && exponent < precision)
            body =
                to_digits(buffer.data(), buffer.size(), magnitude, std::chars_format::fixed, precision - 1 - exponent);
        if (!s.alt) {
            const std::size_t e = body.find('e');
            const std::size_t mantissa_end = e == std::string::npos ? body.size() : e;
            if (body.find('.') < mantissa_end) {
                std::size_t cut = mantissa_end;
                while (body[cut - 1] == '0') --cut;
                if (body[cut - 1] == '.') --cut;
                body.erase(cut, mantissa_end - cut);
            }
        } else if (body.find('.') == std::string::npos) {
            body.insert(std::min(body.find('e'), body.size()), 1, '.');
        }
    }
    if (upper)
        for (char& c : body)
            if (c == 'e') c = 'E';
    pad(out, s, sign_of(negative, s), body, true);
}

}  // namespace

std::string vformat(const char* fmt, va_list args) {
    std::string out;
    const char* p = fmt;
    while (*p) {
        if (*p != '%') {
            const char* next = std::strchr(p, '%');
            const std::size_t n = next ? static_cast<std::size_t>(next - p) : std::strlen(p);
            out.append(p, n);
            p += n;
            continue;
        }
        ++p;
        if (*p == '%') {
            out.push_back('%');
            ++p;
            continue;
        }
        Spec s;
        for (;; ++p) {
            if (*p == '-') s.left = true;
            else if (*p == '+') s.plus = true;
            else if (*p == ' ') s.space = true;
            else if (*p == '#') s.alt = true;
            else if (*p == '0') s.zero = true;
            else break;
        }
        if (*p == '*') {
            s.width = va_arg(args, int);
            if (s.width < 0) {
                s.left = true;
                s.width = s.width == INT_MIN ? INT_MAX : -s.width;
            }
            ++p;
        } else {
            while (*p >= '0' && *p <= '9') s.width = s.width * 10 + (*p++ - '0');
        }
        if (*p == '.') {
            ++p;
            if (*p == '*') {
                s.precision = va_arg(args, int);  // negative: as if none were given
                if (s.precision < 0) s.precision = -1;
                ++p;
            } else {
                s.precision = 0;
                while (*p >= '0' && *p <= '9') s.precision = s.precision * 10 + (*p++ - '0');
            }
        }
        if (p[0] == 'h' && p[1] == 'h') s.length = 'H', p += 2;
        else if (p[0] == 'l' && p[1] == 'l') s.length = 'L', p += 2;
        else if (*p == 'h' || *p == 'l' || *p == 'z' || *p == 'j' || *p == 't') s.length = *p++;
        s.conversion = *p;
        if (*p) ++p;
        switch (s.conversion) {
            case 'd':
            case 'i':
                switch (s.length) {
                    case 'H': put_signed(out, s, static_cast<signed char>(va_arg(args, int))); break;
                    case 'h': put_signed(out, s, static_cast<short>(va_arg(args, int))); break;
                    case 'l': put_signed(out, s, va_arg(args, long)); break;
                    case 'L': put_signed(out, s, va_arg(args, long long)); break;
                    case 'z': put_signed(out, s, va_arg(args, std::make_signed_t<std::size_t>)); break;
                    case 'j': put_signed(out, s, va_arg(args, std::intmax_t)); break;
                    case 't': put_signed(out, s, va_arg(args, std::ptrdiff_t)); break;
                    default: put_signed(out, s, va_arg(args, int)); break;
                }
                break;
            case 'u':
            case 'x':
            case 'X':
            case 'o': {
                unsigned long long value = 0;
                switch (s.length) {
                    case 'H': value = static_cast<unsigned char>(va_arg(args, unsigned)); break;
                    case 'h': value = static_cast<unsigned short>(va_arg(args, unsigned)); break;
                    case 'l': value = va_arg(args, unsigned long); break;
                    case 'L': value = va_arg(args, unsigned long long); break;
                    case 'z': value = va_arg(args, std::size_t); break;
                    case 'j': value = va_arg(args, std::uintmax_t); break;
                    case 't': value = static_cast<unsigned long long>(va_arg(args, std::ptrdiff_t)); break;
                    default: value = va_arg(args, unsigned); break;
                }
                put_integer(out, s, value, false);
                break;
            }
            case 'c': {
                const char c = static_cast<char>(va_arg(args, int));
                pad(out, s, {}, std::string_view(&c, 1), false);
                break;
            }
            case 's': {
                const char* text = va_arg(args, const char*);
                if (!text) text = "(null)";
                // With a precision, no more than that many bytes are read.
                std::size_t n = 0;
                if (s.precision >= 0)
                    while (n < static_cast<std::size_t>(s.precision) && text[n]) ++n;
                else n = std::strlen(text);
                pad(out, s, {}, std::string_view(text, n), false);
                break;
            }
            case 'f':
            case 'F':
            case 'e':
            case 'E':
            case 'g':
            case 'G':
                // "%lf" is "%f"; a long double ("%Lf") is not used by the program.
                put_floating(out, s, va_arg(args, double));
                break;
            default: throw std::invalid_argument(std::string("format: unsupported conversion in \"") + fmt + "\"");
        }
    }
    return out;
}

std::string format(const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    std::string out = vformat(fmt, args);
    va_end(args);
    return out;
}

std::string format_message(const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    std::string out = vformat(fmt, args);
    va_end(args);
    if (out.size() > kMessageBufferSize - 1) out.resize(kMessageBufferSize - 1);
    return out;
}

}  // namespace zemo
