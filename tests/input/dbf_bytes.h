// A small dBase III writer for the tests: tables of a layout that the GDAL
// fixtures do not have (malformed headers, unusual field counts or values).
// The well-formed reference tables come from GDAL (tests/fixtures).
#pragma once

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace zemo::test {

struct DbfSpec {
    struct Field {
        std::string name;
        char type;
        int length;
    };
    std::vector<Field> fields;
    std::vector<std::string> records;  // each the concatenated field bytes
};

// The bytes of the table; a header length, record length or record count
// of -1 is the one that fits the fields and records.
inline std::string dbf_bytes(const DbfSpec& spec, int header_length = -1, int record_length = -1,
                             long record_count = -1) {
    std::string h(32, '\0');
    h[0] = 0x03;
    const int hl = header_length >= 0 ? header_length : 32 + 32 * static_cast<int>(spec.fields.size()) + 1;
    int sum = 0;
    for (const auto& f : spec.fields) sum += f.length;
    const int rl = record_length >= 0 ? record_length : sum + 1;
    const unsigned long n = record_count >= 0 ? static_cast<unsigned long>(record_count) : spec.records.size();
    for (int i = 0; i < 4; ++i) h[4 + i] = static_cast<char>((n >> (8 * i)) & 0xFF);
    h[8] = static_cast<char>(hl & 0xFF);
    h[9] = static_cast<char>(hl >> 8);
    h[10] = static_cast<char>(rl & 0xFF);
    h[11] = static_cast<char>(rl >> 8);
    for (const auto& f : spec.fields) {
        std::string d(32, '\0');
        std::memcpy(d.data(), f.name.data(), std::min<std::size_t>(f.name.size(), 11));
        d[11] = f.type;
        d[16] = static_cast<char>(f.length);
        h += d;
    }
    h += '\r';
    for (const auto& r : spec.records) h += " " + r;
    h += '\x1a';
    return h;
}

}  // namespace zemo::test
