#include "base/text.h"

namespace zemo {

std::string utf8_to_cp1250(std::string_view utf8, bool* ok) {
    std::string out;
    out.reserve(utf8.size());
    if (ok) *ok = true;
    for (std::size_t i = 0; i < utf8.size();) {
        const long cp = decode_utf8(utf8.data(), utf8.size(), i);
        const int byte = cp < 0 ? -1 : cp1250_byte_for(cp);
        if (byte < 0) {
            if (ok) *ok = false;
            out.push_back('?');
        } else {
            out.push_back(static_cast<char>(byte));
        }
    }
    return out;
}

std::string cp1250_to_utf8(std::string_view cp1250) {
    std::string out;
    out.reserve(cp1250.size() + cp1250.size() / 4);
    for (const char ch : cp1250) {
        const auto b = static_cast<unsigned char>(ch);
        const unsigned cp = b < 0x80 ? b : kCp1250High[b - 0x80] ? kCp1250High[b - 0x80] : 0xFFFD;
        if (cp < 0x80) {
            out.push_back(static_cast<char>(cp));
        } else if (cp < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
    }
    return out;
}

namespace {
// Upper-case partner of a Windows-1250 byte (same byte when there is none).
unsigned char upper_byte(unsigned char b) {
    if (b >= 'a' && b <= 'z') return static_cast<unsigned char>(b - 'a' + 'A');
    switch (b) {
        case 0x9A: return 0x8A;  // š Š
        case 0x9C: return 0x8C;  // ś Ś
        case 0x9D: return 0x8D;  // ť Ť
        case 0x9E: return 0x8E;  // ž Ž
        case 0x9F: return 0x8F;  // ź Ź
        case 0xB3: return 0xA3;  // ł Ł
        case 0xB9: return 0xA5;  // ą Ą
        case 0xBA: return 0xAA;  // ş Ş
        case 0xBE: return 0xBC;  // ľ Ľ
        case 0xBF: return 0xAF;  // ż Ż
        default: break;
    }
    if (b >= 0xE0 && b != 0xF7 && b != 0xFF) return static_cast<unsigned char>(b - 0x20);
    return b;
}
}  // namespace

std::string to_upper(std::string_view text) {
    std::string out(text);
    for (char& ch : out) ch = static_cast<char>(upper_byte(static_cast<unsigned char>(ch)));
    return out;
}

std::string without_diacritics(std::string_view cp1250) {
    // The Czech letters of Windows-1250 and their bare partners.
    static constexpr struct {
        unsigned char byte;
        char plain;
    } kLetters[] = {{0xE1, 'a'}, {0xE8, 'c'}, {0xEF, 'd'}, {0xE9, 'e'}, {0xEC, 'e'}, {0xED, 'i'},
                    {0xF2, 'n'}, {0xF3, 'o'}, {0xF8, 'r'}, {0x9A, 's'}, {0x9D, 't'}, {0xFA, 'u'},
                    {0xF9, 'u'}, {0xFD, 'y'}, {0x9E, 'z'}, {0xC1, 'A'}, {0xC8, 'C'}, {0xCF, 'D'},
                    {0xC9, 'E'}, {0xCC, 'E'}, {0xCD, 'I'}, {0xD2, 'N'}, {0xD3, 'O'}, {0xD8, 'R'},
                    {0x8A, 'S'}, {0x8D, 'T'}, {0xDA, 'U'}, {0xD9, 'U'}, {0xDD, 'Y'}, {0x8E, 'Z'}};
    std::string out(cp1250);
    for (char& ch : out) {
        const auto b = static_cast<unsigned char>(ch);
        if (b < 0x80) continue;
        ch = '?';
        for (const auto& letter : kLetters)
            if (letter.byte == b) ch = letter.plain;
    }
    return out;
}

std::string trim_blanks(std::string_view text) {
    std::size_t b = 0, e = text.size();
    while (b < e && (text[b] == ' ' || text[b] == '\t')) ++b;
    while (e > b && (text[e - 1] == ' ' || text[e - 1] == '\t')) --e;
    return std::string(text.substr(b, e - b));
}

std::string to_crlf(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 8);
    for (const char ch : text) {
        if (ch == '\n') out.push_back('\r');
        out.push_back(ch);
    }
    return out;
}

}  // namespace zemo
