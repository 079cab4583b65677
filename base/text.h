// Text layer: every text inside the program is held as Windows-1250 bytes,
// one byte per character, so that length limits count characters and every
// file the system writes is byte-identical on every platform.
//
// Czech literals are written in UTF-8 in the source and converted at compile
// time by the suffix _cz:   log_message(kInformation, "Čas startu programu: %s"_cz, ...)
// A literal with a character that Windows-1250 cannot hold does not compile.
//
// Invariants:
//   1. A std::string holding user-facing text is Windows-1250, never UTF-8.
//   2. Conversion to UTF-8 happens only at the console and at file-system
//      names on platforms whose file names are UTF-8 (see platform.h).
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace zemo {

// Unicode code points of the Windows-1250 bytes 0x80..0xFF; 0 = unassigned.
inline constexpr char16_t kCp1250High[128] = {
    0x20AC, 0x0000, 0x201A, 0x0000, 0x201E, 0x2026, 0x2020, 0x2021, 0x0000, 0x2030, 0x0160, 0x2039, 0x015A,
    0x0164, 0x017D, 0x0179, 0x0000, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x0000, 0x2122,
    0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A, 0x00A0, 0x02C7, 0x02D8, 0x0141, 0x00A4, 0x0104, 0x00A6,
    0x00A7, 0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B, 0x00B0, 0x00B1, 0x02DB, 0x0142,
    0x00B4, 0x00B5, 0x00B6, 0x00B7, 0x00B8, 0x0105, 0x015F, 0x00BB, 0x013D, 0x02DD, 0x013E, 0x017C, 0x0154,
    0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7, 0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD,
    0x00CE, 0x010E, 0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7, 0x0158, 0x016E, 0x00DA,
    0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF, 0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7,
    0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F, 0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4,
    0x0151, 0x00F6, 0x00F7, 0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9};

// The Windows-1250 byte of a code point, or -1 when it has none.
constexpr int cp1250_byte_for(long code_point) {
    if (code_point >= 0 && code_point < 0x80) return static_cast<int>(code_point);
    for (int i = 0; i < 128; ++i)
        if (kCp1250High[i] != 0 && kCp1250High[i] == code_point) return 0x80 + i;
    return -1;
}

// Decodes the UTF-8 sequence at s[i] and advances i; -1 for a malformed one.
constexpr long decode_utf8(const char* s, std::size_t n, std::size_t& i) {
    const auto lead = static_cast<unsigned char>(s[i]);
    int extra = lead < 0x80 ? 0 : (lead >> 5) == 6 ? 1 : (lead >> 4) == 14 ? 2 : (lead >> 3) == 30 ? 3 : -1;
    if (extra < 0 || i + extra >= n) {
        ++i;
        return -1;
    }
    long cp = extra == 0 ? lead : lead & (0x3F >> extra);
    for (int k = 1; k <= extra; ++k) {
        const auto c = static_cast<unsigned char>(s[i + k]);
        if ((c & 0xC0) != 0x80) {
            i += k;
            return -1;
        }
        cp = (cp << 6) | (c & 0x3F);
    }
    i += extra + 1;
    return cp;
}

template <std::size_t N>
struct Utf8Literal {
    char bytes[N]{};
    consteval Utf8Literal(const char (&s)[N]) {
        for (std::size_t i = 0; i < N; ++i) bytes[i] = s[i];
    }
};

namespace detail {
template <Utf8Literal L>
consteval std::size_t cp1250_length() {
    std::size_t count = 0;
    for (std::size_t i = 0; i + 1 < sizeof(L.bytes);) {
        const long cp = decode_utf8(L.bytes, sizeof(L.bytes) - 1, i);
        if (cp < 0 || cp1250_byte_for(cp) < 0) throw "literal has no Windows-1250 form";
        ++count;
    }
    return count;
}
template <Utf8Literal L>
consteval std::array<char, cp1250_length<L>() + 1> cp1250_convert() {
    std::array<char, cp1250_length<L>() + 1> out{};
    std::size_t o = 0;
    for (std::size_t i = 0; i + 1 < sizeof(L.bytes);)
        out[o++] = static_cast<char>(cp1250_byte_for(decode_utf8(L.bytes, sizeof(L.bytes) - 1, i)));
    out[o] = '\0';
    return out;
}
template <Utf8Literal L>
struct Cp1250Storage {
    static constexpr auto value = cp1250_convert<L>();
};
}  // namespace detail

// "Čas"_cz is a NUL-terminated Windows-1250 text with static storage.
template <Utf8Literal L>
constexpr const char* operator""_cz() {
    return detail::Cp1250Storage<L>::value.data();
}

// Run-time conversions, for the console, file names and tests. A character
// that has no Windows-1250 form becomes '?' and clears *ok.
std::string utf8_to_cp1250(std::string_view utf8, bool* ok = nullptr);
std::string cp1250_to_utf8(std::string_view cp1250);

// Upper case of a Windows-1250 text (ASCII and the Czech letters), as the
// project file compares its sections and keys.
std::string to_upper(std::string_view text);

// A Windows-1250 text in plain ASCII, for the console lines that are
// written without diacritics: the Czech letters lose their marks
// ("přístup odepřen" gives "pristup odepren"), any other character above
// ASCII becomes '?'.
std::string without_diacritics(std::string_view cp1250);

// Removes blanks and tabs at both ends.
std::string trim_blanks(std::string_view text);

// Text lines written to files end in CR LF: every "\n" becomes "\r\n".
std::string to_crlf(std::string_view text);

}  // namespace zemo
