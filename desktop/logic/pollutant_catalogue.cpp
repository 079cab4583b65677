#include "desktop/logic/pollutant_catalogue.h"

#include <algorithm>
#include <cmath>

#include "base/files.h"
#include "base/format.h"
#include "base/numbers.h"
#include "base/platform.h"
#include "base/text.h"

namespace zemo {

namespace {

const TypeListItem kTypeList[kTypeListSize] = {{" vyberte typ...", -1},
                                               {"ostatní plyny"_cz, 0},
                                               {"SO2", 1},
                                               {"PM10", 10},
                                               {"TSP", 11},
                                               {"NOX", 20},
                                               {"NO2", 21},
                                               {"CO", 30},
                                               {"ORG", 40},
                                               {"BZN", 41}};

// The next field of rest up to delimiter (or the end); rest moves past it.
// False for a missing or empty field.
bool next_field(std::string_view& rest, char delimiter, std::string_view& field) {
    if (rest.empty()) return false;
    const std::size_t end = rest.find(delimiter);
    field = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    return !field.empty();
}

// A number of the file: "inf", "nan" and a value beyond single precision
// (1e40) are no limit or half-life a project could take.
bool read_number(std::string_view field, double& value) {
    double parsed = 0;
    if (!scan_double(field, parsed) || !std::isfinite(parsed) || !std::isfinite(static_cast<float>(parsed)))
        return false;
    value = parsed;
    return true;
}

}  // namespace

bool CatalogueEntry::is_org() const { return type == kOrgTypeIndex; }

bool CatalogueEntry::same_as(const CatalogueEntry& other) const {
    return indicative == other.indicative && type == other.type && name == other.name && limit1 == other.limit1 &&
           limit2 == other.limit2 && (!is_org() || half_life == other.half_life);
}

int pol_list_read(PollutantCatalogue& catalogue, const std::string& path) {
    catalogue.error_text.clear();
    catalogue.entries.clear();
    File file;
    // Only a regular file is read (a FIFO would block the window), and a line
    // no further than its bound (a link to /dev/zero is a line without end).
    if (!file.open_regular(path)) {
        catalogue.error_text = format("+++ soubor nelze otevřít: %s"_cz, with_cause(path, path, file.error()).c_str());
        return 0;
    }
    std::string line;
    for (;;) {
        const File::LineRead got = file.read_bounded_line(line, kMaxCatalogueLine);
        if (got == File::LineRead::End) break;
        if (got == File::LineRead::TooLong) {
            catalogue.error_text = format("+++ příliš dlouhý řádek, (soubor: %s)"_cz, path.c_str());
            return 0;
        }
        const std::size_t first = line.find_first_not_of(" \t");
        if (first == std::string::npos || line[first] == '#') continue;
        if (catalogue.entries.size() >= static_cast<std::size_t>(kMaxCatalogueEntries)) {
            catalogue.error_text =
                format("+++ překročen maximální počet látek v souboru, (soubor: %s)"_cz, path.c_str());
            return 0;
        }
        std::string_view rest = std::string_view(line).substr(first);
        std::string_view field;
        CatalogueEntry entry;

        if (!next_field(rest, '=', field)) return 0;
        if (field.size() > kMaxIndicative) {
            catalogue.error_text = format("+++ příliš dlouhé označení látky: %s, (soubor: %s)"_cz,
                                          std::string(field).c_str(), path.c_str());
            return 0;
        }
        entry.indicative = field;

        if (!next_field(rest, ';', field)) return 0;
        const std::string word = to_upper(field);
        entry.type = kTypeNotChosen;
        for (int i = 0; i < 9; ++i)
            if (word == kPollutantTypes[i].word) entry.type = i;
        if (entry.type == kTypeNotChosen) {
            catalogue.error_text = format("+++ neznámý typ látky: %s, (soubor: %s)"_cz, word.c_str(), path.c_str());
            return 0;
        }

        if (!next_field(rest, ';', field)) return 0;
        if (field.size() > kMaxPollutantName) {
            catalogue.error_text =
                format("+++ příliš dlouhý název látky: %s, (soubor: %s)"_cz, std::string(field).c_str(), path.c_str());
            return 0;
        }
        entry.name = field;

        if (!next_field(rest, ';', field) || !read_number(field, entry.limit1)) return 0;
        if (!next_field(rest, ';', field) || !read_number(field, entry.limit2)) return 0;
        if (entry.is_org()) {
            const std::string_view half_life = rest.substr(0, rest.find('\t'));
            if (half_life.empty() || !read_number(half_life, entry.half_life)) return 0;
        }
        catalogue.entries.push_back(std::move(entry));
    }
    return static_cast<int>(catalogue.entries.size());
}

int pol_list_write(const PollutantCatalogue& catalogue, const std::string& path) {
    for (const CatalogueEntry& e : catalogue.entries)
        if (e.type < 0 || e.type >= 9) return 0;
    File file;
    if (!file.open(path, "wb")) return 0;
    file.write_text("# Definice polutantů\n"_cz);
    file.write_text("# Označení=ID;název;limit 1;limit 2\n"_cz);
    for (const CatalogueEntry& e : catalogue.entries) {
        const char* word = kPollutantTypes[e.type].word;
        if (e.is_org())
            file.print("%s=%s;%s;%f;%f;%f\n", e.indicative.c_str(), word, e.name.c_str(), e.limit1, e.limit2,
                       e.half_life);
        else file.print("%s=%s;%s;%f;%f\n", e.indicative.c_str(), word, e.name.c_str(), e.limit1, e.limit2);
    }
    return file.close() ? 1 : 0;
}

std::string catalogue_path(const std::string& installation_directory) {
    return installation_directory + "etc" + platform::kDirSeparator + "pol.cfg";
}

std::string load_catalogue(PollutantCatalogue& catalogue, const std::string& installation_directory) {
    if (pol_list_read(catalogue, catalogue_path(installation_directory)) > 0) return "";
    return "Chybný nebo neúplný soubor se seznamem látek"_cz;
}

const TypeListItem* catalogue_type_list() { return kTypeList; }

std::vector<TypeListItem> catalogue_type_list_sorted() {
    std::vector<TypeListItem> items(kTypeList, kTypeList + kTypeListSize);
    std::stable_sort(items.begin(), items.end(),
                     [](const TypeListItem& a, const TypeListItem& b) { return catalogue_order_less(a.text, b.text); });
    return items;
}

const char* type_list_text(int type_index) {
    if (type_index < kTypeNotChosen || type_index >= 9) return "";
    return kTypeList[type_index + 1].text;
}

int type_index_of_text(std::string_view text) {
    const std::string upper = to_upper(text);
    for (int i = 0; i < kTypeListSize; ++i)
        if (upper == to_upper(kTypeList[i].text)) return i - 1;
    return kTypeUnknown;
}

std::string catalogue_number_text(double value) {
    if (!(value > 0)) return "";
    std::string text = trim_blanks(format("%.5f", value));
    while (text.find('.') != std::string::npos && (text.back() == '0' || text.back() == '.')) text.pop_back();
    return text;
}

bool catalogue_number_entry(std::string_view text, char decimal_separator, double& value) {
    std::string t = trim_blanks(text);
    if (decimal_separator == ',') {
        const std::size_t p = t.find('.');
        if (p != std::string::npos) t[p] = ',';
    } else if (decimal_separator == '.') {
        const std::size_t p = t.find(',');
        if (p != std::string::npos) t[p] = '.';
    }
    // [sign] digits [separator digits] [e [sign] digits], at least one digit
    // in the mantissa; nothing else.
    std::size_t i = 0;
    const auto digit = [&](std::size_t k) { return k < t.size() && t[k] >= '0' && t[k] <= '9'; };
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
    std::size_t digits = 0;
    while (digit(i)) ++i, ++digits;
    if (i < t.size() && t[i] == decimal_separator) {
        t[i] = '.';
        ++i;
        while (digit(i)) ++i, ++digits;
    }
    if (digits == 0) return false;
    if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
        ++i;
        if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
        if (!digit(i)) return false;
        while (digit(i)) ++i;
    }
    if (i != t.size()) return false;
    double parsed = 0;
    if (!scan_double(t, parsed)) return false;
    const float single = static_cast<float>(parsed);
    if (!std::isfinite(single)) return false;
    value = single;
    return true;
}

bool catalogue_indicative_is_safe(std::string_view indicative) {
    for (const char c : indicative) {
        const auto u = static_cast<unsigned char>(c);
        if (u <= ' ' || u == 0x7F || std::string_view("\\/:*?\"<>|=;").find(c) != std::string_view::npos) return false;
    }
    return true;
}

bool catalogue_name_is_safe(std::string_view name) {
    for (const char c : name) {
        const auto u = static_cast<unsigned char>(c);
        if (u < ' ' || u == 0x7F || c == ';') return false;
    }
    return true;
}

bool same_name(std::string_view a, std::string_view b) { return to_upper(a) == to_upper(b); }

namespace {

// Base letter of an upper-case Windows-1250 letter with a diacritic, and
// whether Czech sorts it as a letter of its own after the base letter.
struct Fold {
    unsigned char base;
    bool own_letter;
};
Fold fold(unsigned char u) {
    switch (u) {
        case 0xC8: return {'C', true};  // Č
        case 0xD8: return {'R', true};  // Ř
        case 0x8A: return {'S', true};  // Š
        case 0x8E: return {'Z', true};  // Ž
        case 0xA5:
        case 0xC1:
        case 0xC2:
        case 0xC3:
        case 0xC4: return {'A', false};
        case 0xC6:
        case 0xC7: return {'C', false};
        case 0xCF:
        case 0xD0: return {'D', false};
        case 0xC9:
        case 0xCA:
        case 0xCB:
        case 0xCC: return {'E', false};
        case 0xCD:
        case 0xCE: return {'I', false};
        case 0xA3:
        case 0xBC:
        case 0xC5: return {'L', false};
        case 0xD1:
        case 0xD2: return {'N', false};
        case 0xD3:
        case 0xD4:
        case 0xD5:
        case 0xD6: return {'O', false};
        case 0xC0: return {'R', false};
        case 0x8C:
        case 0xAA:
        case 0xDF: return {'S', false};
        case 0x8D:
        case 0xDE: return {'T', false};
        case 0xD9:
        case 0xDA:
        case 0xDB:
        case 0xDC: return {'U', false};
        case 0xDD: return {'Y', false};
        case 0x8F:
        case 0xAF: return {'Z', false};
        default: return {u, false};
    }
}

std::vector<int> primary_key(std::string_view s) {
    std::vector<int> key;
    const std::string upper = to_upper(s);
    for (const char c : upper) {
        const Fold f = fold(static_cast<unsigned char>(c));
        key.push_back(f.base * 2 + (f.own_letter ? 1 : 0));
    }
    return key;
}

}  // namespace

bool catalogue_order_less(std::string_view a, std::string_view b) {
    const std::vector<int> ka = primary_key(a), kb = primary_key(b);
    if (ka != kb) return ka < kb;
    const std::string ua = to_upper(a), ub = to_upper(b);
    if (ua != ub) return ua < ub;  // char_traits<char> compares bytes unsigned
    return a < b;
}

}  // namespace zemo
