// Table conventions shared by every input reader.
//
// Invariants:
//   1. A table's type is fixed once (keyword or detection) and kept for the
//      whole run; detection never runs on a table whose type is known.
//   2. Line numbers count the non-empty lines read so far, from 1.
//   3. Nothing of a DBF file is read before its header has been checked
//      against the file's real size; no record access can pass the end.
#include "input/input_table.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "base/format.h"
#include "base/numbers.h"
#include "base/platform.h"
#include "base/run_log.h"
#include "base/text.h"

namespace zemo {

namespace {

constexpr std::size_t kDbfPrefix = 32;      // fixed part of the header
constexpr std::size_t kDbfDescriptor = 32;  // one field descriptor
constexpr std::size_t kDbfNameWidth = 11;

[[noreturn]] void fatal_line(RunLog& log, const std::string& text, const InputTable& table) {
    log.fatal_with_file(kFatalData, text, table.path);
}

[[noreturn]] void fatal_dbf(RunLog& log, const InputTable& table, const std::string& detail) {
    log.fatalf(kFatalData, "poškozený DBF soubor %s: %s"_cz, table.path.c_str(), detail.c_str());
}

unsigned read_le(const unsigned char* p, int width) {
    unsigned v = 0;
    for (int i = width - 1; i >= 0; --i) v = (v << 8) | p[i];
    return v;
}

}  // namespace

std::string InputContext::file_name(const std::string& path) const {
    return platform::path_in_directory(directory, path);
}

int InputTable::type_code() const {
    switch (type) {
        case TableType::Undetermined: return -1;
        case TableType::Dbf: return 0;
        case TableType::Fix: return 2;
        case TableType::Tsv: return 10;
        case TableType::Csv: return 11;
        case TableType::Ssv: return 12;
        case TableType::DetectedText:
            switch (separator) {
                case '\t': return 10;
                case ',': return 11;
                case ';': return 12;
                case ' ': return 2;
                default: return -1;
            }
    }
    return -1;
}

bool set_type_from_keyword(InputTable& table, const std::string& word) {
    const std::string key = to_upper(trim_blanks(word));
    struct Keyword {
        const char* word;
        TableType type;
        char separator;
    };
    static constexpr Keyword kKeywords[] = {{"DBF", TableType::Dbf, 0},
                                            {"TSV", TableType::Tsv, '\t'},
                                            {"CSV", TableType::Csv, ','},
                                            {"SSV", TableType::Ssv, ';'},
                                            {"FIX", TableType::Fix, ' '}};
    for (const Keyword& k : kKeywords) {
        if (key == k.word) {
            table.type = k.type;
            table.separator = k.separator;
            table.decimal = '.';
            return true;
        }
    }
    table.type = TableType::Undetermined;
    table.separator = 0;
    table.decimal = '.';
    return false;
}

bool has_dbf_extension(const std::string& path) {
    const std::size_t dot = path.rfind('.');
    if (dot == std::string::npos) return false;
    return to_upper(path.substr(dot + 1)) == "DBF";
}

void open_table(InputContext& in, File& file, const InputTable& table) {
    // A FIFO or a device is no table (and a FIFO would wait for a writer).
    if (!file.open_regular(in.file_name(table.path)))
        in.log.fatal(kFatalOpen, with_cause(table.path, in.file_name(table.path), file.error()));
}

bool missing_and_reported_by_host(const InputContext& in, const InputTable& table) {
    if (!in.quiet_open_failure) return false;
    File probe;
    return !probe.open_regular(in.file_name(table.path));
}

bool read_table_line(InputContext& in, File& file, const InputTable& table, int& line_number, std::string& line) {
    // Read into the caller's string, whose capacity outlives the line.
    for (;;) {
        // The reading stops at the bound: a line without end is never taken whole.
        const File::LineRead got = file.read_bounded_line(line, kMaxTableLine);
        if (got == File::LineRead::End) break;
        if (got == File::LineRead::TooLong)
            fatal_line(
                in.log,
                format_message("řádek %i je delší než %i znaků"_cz, line_number + 1, static_cast<int>(kMaxTableLine)),
                table);
        std::size_t start = 0;
        while (start < line.size() && (line[start] == ' ' || line[start] == '\t')) ++start;
        if (start == line.size()) continue;  // empty (or blank) lines are not records
        // Line numbers are ints, and so are the counts of records made of them.
        if (line_number == INT_MAX)
            fatal_line(in.log, format_message("soubor obsahuje více než %i neprázdných řádků"_cz, INT_MAX), table);
        ++line_number;
        line.erase(0, start);
        return true;
    }
    line.clear();
    return false;
}

std::vector<std::string> split_fields(const std::string& line, char separator) {
    std::vector<std::string> fields;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && line[i] == separator) ++i;
        if (i == line.size()) break;
        const std::size_t end = std::min(line.find(separator, i), line.size());
        fields.emplace_back(line, i, end - i);
        i = end;
    }
    return fields;
}

namespace {

struct DetectionRule {
    bool dots, tabs, semicolons, commas;
    char separator, decimal;
    const char* message;
};

}  // namespace

bool detect_table_type(InputContext& in, InputTable& table, bool quiet) {
    if (table.type != TableType::Undetermined) return true;
    File file;
    open_table(in, file, table);

    if (has_dbf_extension(table.path)) {
        unsigned char version = 0;
        const bool got = file.read_bytes(&version, 1) == 1;
        in.log.message(kDetail, "Soubor je typu DBF"_cz);
        if (!got || (version != 0x03 && version != 0x83 && version != 0xF5 && version != 0x8B && version != 0x8E))
            in.log.message(kErrorData, "   Nerozpoznaná hlavička DBF souboru"_cz);
        table.type = TableType::Dbf;
        table.separator = 0;
        table.decimal = '.';
        return true;
    }

    // The rules in their order; each says which of the four characters
    // must occur (true) and which must be absent (false).
    static const DetectionRule kRules[] = {
        {true, true, false, false, '\t', '.', "Soubor je typu TSV (desetinná tečka)"_cz},
        {true, false, true, false, ';', '.', "Soubor je typu SSV (desetinná tečka)"_cz},
        {true, false, false, true, ',', '.', "Soubor je typu CSV (desetinná tečka)"_cz},
        {false, true, false, true, '\t', ',', "Soubor je typu TSV (desetinná čárka)"_cz},
        {false, false, true, true, ';', ',', "Soubor je typu SSV (desetinná čárka)"_cz},
        {false, false, false, true, ',', '.', "Soubor je typu CSV"_cz},
    };

    int line_number = 0;
    std::string line;
    std::size_t dots = 0, tabs = 0, semicolons = 0, commas = 0;
    while (read_table_line(in, file, table, line_number, line)) {
        dots = std::count(line.begin(), line.end(), '.');
        tabs = std::count(line.begin(), line.end(), '\t');
        semicolons = std::count(line.begin(), line.end(), ';');
        commas = std::count(line.begin(), line.end(), ',');
        for (const DetectionRule& r : kRules) {
            if ((dots > 0) != r.dots || (tabs > 0) != r.tabs || (semicolons > 0) != r.semicolons ||
                (commas > 0) != r.commas)
                continue;
            table.type = TableType::DetectedText;
            table.separator = r.separator;
            table.decimal = r.decimal;
            in.log.message(kDetail, r.message);
            in.log.message(kDetail, format_message("Typ souboru byl detekován na %i. řádce"_cz, line_number));
            return true;
        }
    }

    // End of the file: the last line read decides alone.
    if (line_number > 0 && dots == 0 && commas == 0 && (tabs > 0) != (semicolons > 0)) {
        table.type = TableType::DetectedText;
        table.separator = tabs > 0 ? '\t' : ';';
        table.decimal = '.';
        in.log.message(kDetail, tabs > 0 ? "Soubor je typu TSV" : "Soubor je typu SSV");
        in.log.message(kDetail, "Typ souboru byl detekován na konci souboru"_cz);
        return true;
    }
    if (!quiet) in.log.fatal(kFatalData, "Typ souboru nelze určit"_cz);
    return false;
}

void note_partial_number(InputContext& in, const InputTable& table, int line_number, const std::string& field,
                         double value) {
    PartialNumbers& notes = in.partial_numbers;
    auto at = std::find_if(notes.tables.begin(), notes.tables.end(),
                           [&](const auto& entry) { return entry.first == table.path; });
    if (at == notes.tables.end()) {
        notes.tables.emplace_back(table.path, PartialNumbers::Table{});
        at = notes.tables.end() - 1;
    }
    PartialNumbers::Table& t = at->second;
    // Lines come in file order in every pass: a line before the last one
    // noted, or a field noted already on it, is a case read again.
    if (line_number < t.last_line) return;
    if (line_number == t.last_line) {
        if (std::find(t.last_texts.begin(), t.last_texts.end(), field) != t.last_texts.end()) return;
    } else {
        t.last_line = line_number;
        t.last_texts.clear();
    }
    t.last_texts.push_back(field);
    if (++t.count > kPartialNumberReports) return;
    report_partial_number(in.log, table.path, line_number, field, value);
}

void report_partial_number(RunLog& log, const std::string& path, int line_number, std::string_view field,
                           double value) {
    log.message_with_file(kInformation,
                          format_message("údaj [%s] na řádce %i byl přečten jen zčásti jako číslo %s"_cz,
                                         std::string(field).c_str(), line_number, format("%g", value).c_str()),
                          path);
}

void report_partial_number_counts(RunLog& log, const PartialNumbers& notes) {
    for (const auto& [path, t] : notes.tables)
        if (t.count > kPartialNumberReports)
            log.message_with_file(kInformation, format_message("údajů přečtených jen zčásti je celkem %i"_cz, t.count),
                                  path);
}

double convert_decimal(InputContext& in, int line_number, const std::string& field, char decimal,
                       const InputTable& table) {
    float value = 0;
    bool ok;
    std::size_t end = 0;
    if (decimal == ',') {
        std::string text = field;
        std::replace(text.begin(), text.end(), ',', '.');
        ok = scan_float(text, value, end);
    } else {
        ok = scan_float(field, value, end);
    }
    // "inf", "nan" and values beyond single precision are no usable numbers either.
    if (!ok || !std::isfinite(value))
        fatal_line(in.log, format_message("nečíselný údaj na řádce %i: [%s]"_cz, line_number, field.c_str()), table);
    if (!only_blanks_after(field, end)) note_partial_number(in, table, line_number, field, value);
    return static_cast<double>(value);
}

int convert_integer(InputContext& in, int line_number, const std::string& field, const InputTable& table) {
    int value = 0;
    std::size_t end = 0;
    if (!scan_int(field, value, end))
        fatal_line(in.log, format_message("nečíselný údaj na řádce %i: [%s]"_cz, line_number, field.c_str()), table);
    if (!only_blanks_after(field, end)) note_partial_number(in, table, line_number, field, value);
    return value;
}

void fatal_missing_field(RunLog& log, int line_number, const InputTable& table) {
    fatal_line(log, format_message("nedostateený počet údajů na řádce %i"_cz, line_number), table);
}

double field_decimal(InputContext& in, const std::vector<std::string>& fields, std::size_t index, int line_number,
                     const InputTable& table) {
    if (index >= fields.size()) fatal_missing_field(in.log, line_number, table);
    return convert_decimal(in, line_number, fields[index], table.decimal, table);
}

int field_integer(InputContext& in, const std::vector<std::string>& fields, std::size_t index, int line_number,
                  const InputTable& table) {
    if (index >= fields.size()) fatal_missing_field(in.log, line_number, table);
    return convert_integer(in, line_number, fields[index], table);
}

void read_dbf_header(RunLog& log, File& file, const InputTable& table, DbfHeader& header) {
    header = DbfHeader{};
    const long size = file.size();
    unsigned char prefix[kDbfPrefix];
    if (size < static_cast<long>(kDbfPrefix) || !file.seek(0) || file.read_bytes(prefix, kDbfPrefix) != kDbfPrefix)
        fatal_dbf(log, table, format("soubor je kratší než hlavička (%li bajtů)"_cz, size));
    header.file_size = size;
    header.version = prefix[0];
    header.record_count = read_le(prefix + 4, 4);
    header.header_length = static_cast<int>(read_le(prefix + 8, 2));
    header.record_length = static_cast<int>(read_le(prefix + 10, 2));

    if (header.header_length < static_cast<int>(kDbfPrefix + 1))
        fatal_dbf(log, table,
                  format("délka hlavičky %i je menší než %i bajtů"_cz, header.header_length,
                         static_cast<int>(kDbfPrefix + 1)));
    if (header.header_length > size)
        fatal_dbf(log, table,
                  format("délka hlavičky %i přesahuje velikost souboru %li bajtů"_cz, header.header_length, size));

    const int field_count = (header.header_length - 1) / 32 - 1;
    std::vector<unsigned char> descriptors(static_cast<std::size_t>(field_count) * kDbfDescriptor);
    if (!descriptors.empty() && file.read_bytes(descriptors.data(), descriptors.size()) != descriptors.size())
        fatal_dbf(log, table, "popis polí nelze přečíst"_cz);

    int offset = 0;
    for (int k = 0; k < field_count; ++k) {
        const unsigned char* d = descriptors.data() + static_cast<std::size_t>(k) * kDbfDescriptor;
        DbfField field;
        field.name.assign(reinterpret_cast<const char*>(d), kDbfNameWidth);
        std::replace(field.name.begin(), field.name.end(), '\0', ' ');
        while (!field.name.empty() && field.name.back() == ' ') field.name.pop_back();
        field.type_letter = static_cast<char>(d[11]);
        field.length = d[16];
        field.offset = offset;
        if (field.length == 0) fatal_dbf(log, table, format("pole %i [%s] má délku 0"_cz, k + 1, field.name.c_str()));
        offset += field.length;
        header.fields.push_back(field);
    }
    if (header.record_length != offset + 1)
        fatal_dbf(log, table,
                  format("délka záznamu %i neodpovídá součtu délek polí %i + 1"_cz, header.record_length, offset));
    const long long needed = static_cast<long long>(header.header_length) +
                             static_cast<long long>(header.record_count) * header.record_length;
    if (needed > size) {
        const long long complete = (size - header.header_length) / header.record_length;
        fatal_dbf(log, table,
                  format("soubor obsahuje jen %lli úplných záznamů z %u"_cz, complete,
                         static_cast<unsigned>(header.record_count)));
    }

    for (DbfField& field : header.fields) {
        switch (field.type_letter) {
            case 'N': field.kind = DbfFieldKind::Numeric; break;
            case 'F': field.kind = DbfFieldKind::Floating; break;
            case 'C': field.kind = DbfFieldKind::Character; break;
            default: log.fatalf(kFatalData, "Program neumí zpracovat DBF typ '%c'"_cz, field.type_letter);
        }
    }
}

void check_dbf_fields(RunLog& log, const InputTable& table, const DbfHeader& header,
                      const std::vector<std::string>& expected, const std::vector<int>& integer_positions,
                      const char* integer_message) {
    if (header.fields.size() != expected.size())
        log.fatalf(kFatalData, "chybný počet vstupních polí požadováno %i, zadáno %i"_cz,
                   static_cast<int>(expected.size()), static_cast<int>(header.fields.size()));
    std::vector<int> occurrences(expected.size(), 0);
    for (std::size_t i = 0; i < header.fields.size(); ++i) {
        const DbfField& field = header.fields[i];
        const auto found = std::find(expected.begin(), expected.end(), field.name);
        if (found == expected.end()) continue;
        const int position = static_cast<int>(found - expected.begin());
        ++occurrences[position];
        const int number = static_cast<int>(i) + 1;
        if (position != 0 && field.kind == DbfFieldKind::Character)
            log.fatalf(kFatalData, "chybný datový typ %i. pole %s, požadovaný typ [N]"_cz, number, field.name.c_str());
        const bool integer =
            std::find(integer_positions.begin(), integer_positions.end(), position) != integer_positions.end();
        if (integer && field.kind != DbfFieldKind::Numeric) {
            if (integer_message) log.fatal(kFatalData, format_message(integer_message, number, field.name.c_str()));
            log.fatalf(kFatalData, "chybný datový typ %i. pole %s, požadovaný typ [N]"_cz, number, field.name.c_str());
        }
    }
    for (std::size_t p = 0; p < expected.size(); ++p) {
        if (occurrences[p] > 1)
            log.fatalf(kFatalData, "duplicitní údaje v souboru %s, pole [%s]"_cz, table.path.c_str(),
                       expected[p].c_str());
        if (occurrences[p] == 0)
            log.fatalf(kFatalData, "chybějící údaje v souboru %s, pole [%s]"_cz, table.path.c_str(),
                       expected[p].c_str());
    }
}

void read_dbf_record(RunLog& log, File& file, const InputTable& table, const DbfHeader& header, std::uint32_t record,
                     std::vector<std::string>& fields) {
    fields.clear();
    const long long start =
        static_cast<long long>(header.header_length) + static_cast<long long>(record) * header.record_length;
    std::string bytes(static_cast<std::size_t>(header.record_length), ' ');
    if (record >= header.record_count || start + header.record_length > header.file_size ||
        !file.seek(static_cast<long>(start)) || file.read_bytes(bytes.data(), bytes.size()) != bytes.size())
        fatal_dbf(log, table, format("záznam %u nelze přečíst"_cz, static_cast<unsigned>(record) + 1));
    fields.reserve(header.fields.size());
    for (const DbfField& field : header.fields)
        fields.emplace_back(bytes, 1 + static_cast<std::size_t>(field.offset), static_cast<std::size_t>(field.length));
}

std::string dbf_identifier(const std::string& field) {
    std::size_t end = field.size();
    while (end > 0 &&
           (field[end - 1] == ' ' || field[end - 1] == '\r' || field[end - 1] == '\n' || field[end - 1] == '\0'))
        --end;
    std::size_t start = 0;
    while (start < end && field[start] == ' ') ++start;
    return field.substr(start, end - start);
}

bool dbf_record_is_blank(const std::vector<std::string>& fields) {
    for (const std::string& f : fields)
        for (char c : f)
            if (c != ' ') return false;
    return true;
}

}  // namespace zemo
