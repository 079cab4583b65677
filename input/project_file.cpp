// The project file reader.
//
// The file is read line by line; each item is handled at once, in file
// order, by the rules of the current section:
//
//   none --"[NAME]"--> known section | unknown section (items refused)
//
// Invariants:
//   1. Every text field is checked against its size before it is stored:
//      a longer value ends the run with a message naming the key, it is
//      never cut.
//   2. A pollutant enters the list only when its whole definition was read,
//      so the list and the NO2 count always agree.
//   3. Numbers are read with the "%lf" conversion of numbers.h, whatever
//      the process locale.
#include "input/project_file.h"

#include <cctype>
#include <cmath>
#include <limits>
#include <string_view>

#include "base/files.h"
#include "base/format.h"
#include "base/numbers.h"
#include "base/platform.h"
#include "base/run_log.h"
#include "base/run_options.h"
#include "base/text.h"

namespace zemo {

const PollutantType kPollutantTypes[9] = {{"JINA", 0}, {"SO2", 1}, {"PM10", 10}, {"TSP", 11}, {"NOX", 20},
                                          {"NO2", 21}, {"CO", 30}, {"ORG", 40},  {"BZN", 41}};
const char* const kProjectionNames[3] = {"JINA", "JTSK", "S42"};

int project_type_code(const InputTable& table) {
    switch (table.type) {
        case TableType::Dbf: return 0;
        case TableType::Fix: return 2;
        case TableType::Tsv: return 10;
        case TableType::Csv: return 11;
        case TableType::Ssv: return 12;
        default: return -1;
    }
}

namespace {

enum class Section { None, Unknown, Grid, Pollutants, Sources, Meteorology, Results };

// The value of a key: the text after the first "=" up to the next "=".
std::string value_part(std::string_view rest) {
    const auto eq = rest.find('=');
    return std::string(eq == std::string_view::npos ? rest : rest.substr(0, eq));
}

// A text field of at most max characters; a longer value is fatal.
void check_length(RunLog& log, const std::string& value, std::size_t max, const std::string& key) {
    if (value.size() > max)
        log.messagef(kFatalData, "Hodnota položky %s je delší než %i znaků (inicializační soubor)"_cz, key.c_str(),
                     static_cast<int>(max));
}

// A file entry: name [, type word].
InputTable read_file_entry(RunLog& log, const std::string& value, const std::string& key) {
    InputTable table;
    const auto comma = value.find(',');
    table.path = trim_blanks(std::string_view(value).substr(0, comma));
    if (table.path.empty()) log.message(kFatalData, "nezadané jméno souboru"_cz);
    check_length(log, table.path, kMaxProjectFilePath, key);
    table.type = TableType::Undetermined;
    table.separator = 0;
    table.decimal = '.';
    if (comma == std::string::npos) return table;
    std::string_view rest = std::string_view(value).substr(comma + 1);
    const std::string word = to_upper(trim_blanks(rest.substr(0, rest.find(','))));
    if (word.empty()) return table;
    if (word == "DBF") {
        table.type = TableType::Dbf;
    } else if (word == "FIX") {
        table.type = TableType::Fix;
        table.separator = ' ';
    } else if (word == "TSV") {
        table.type = TableType::Tsv;
        table.separator = '\t';
    } else if (word == "CSV") {
        table.type = TableType::Csv;
        table.separator = ',';
    } else if (word == "SSV") {
        table.type = TableType::Ssv;
        table.separator = ';';
    } else {
        log.messagef(kErrorData, "neznámý typ souboru %s: %s"_cz, table.path.c_str(),
                     trim_blanks(rest.substr(0, rest.find(','))).c_str());
    }
    return table;
}

// The line of the project file being read, for the messages about it.
struct Place {
    const std::string& path;
    int line;
};

// A number of the project: "%lf" reads "nan" and "inf" too, and a limit,
// half-life or rotation of that kind would only mislead (a column P_nan_SO2,
// every value 0); such a value counts as not given. Text after the number
// within the field is ignored, as ever, but said: an information line
// naming the line and the field (the value stays as read).
bool scan_finite(RunLog& log, std::string_view text, double& out, const Place& at) {
    double value = 0;
    std::size_t end = 0;
    if (!scan_double(text, value, end) || !std::isfinite(value)) return false;
    if (!only_blanks_after(text, end)) report_partial_number(log, at.path, at.line, trim_blanks(text), value);
    out = value;
    return true;
}

// A limit or half-life: finite in single precision as well, the form the
// desktop program's fields hold it in (there "1e40" is inf).
bool scan_single_range(RunLog& log, std::string_view text, double& out, const Place& at) {
    double value = 0;
    if (!scan_finite(log, text, value, at) || std::fabs(value) > std::numeric_limits<float>::max()) return false;
    out = value;
    return true;
}

// True when a pollutant name begins with a number and a comma ("125, Oxid
// siřičitý" from the limits "350,5, 125" typed with a decimal comma).
bool begins_with_number_and_comma(std::string_view name) {
    std::size_t i = 0;
    if (i < name.size() && (name[i] == '+' || name[i] == '-')) ++i;
    const std::size_t digits = i;
    while (i < name.size() && (std::isdigit(static_cast<unsigned char>(name[i])) || name[i] == '.')) ++i;
    if (i == digits || name.substr(digits, i - digits) == ".") return false;
    while (i < name.size() && (name[i] == ' ' || name[i] == '\t')) ++i;
    return i < name.size() && name[i] == ',';
}

// An indicative becomes part of file names and column names: no blank, no
// control character and none of the characters that file names forbid.
bool indicative_is_safe(const std::string& indicative) {
    for (char c : indicative) {
        const auto u = static_cast<unsigned char>(c);
        if (u <= ' ' || u == 0x7F || std::string_view("\\/:*?\"<>|").find(c) != std::string_view::npos) return false;
    }
    return true;
}

// A DBF field name holds ASCII letters, digits, "_" and "." only.
bool indicative_fits_dbf(const std::string& indicative) {
    for (char c : indicative) {
        const auto u = static_cast<unsigned char>(c);
        if (!(std::isalnum(u) && u < 0x80) && c != '_' && c != '.') return false;
    }
    return true;
}

// Takes the text up to the next "," from rest (and the comma); false when
// rest holds nothing more.
bool next_field(std::string_view& rest, bool& more, std::string& field) {
    if (!more) return false;
    const auto comma = rest.find(',');
    if (comma == std::string_view::npos) {
        field = std::string(rest);
        more = false;
        rest = {};
    } else {
        field = std::string(rest.substr(0, comma));
        rest = rest.substr(comma + 1);
    }
    return true;
}

void read_pollutant(RunLog& log, ProjectConfig& cfg, const std::string& key_raw, std::string_view value,
                    const Place& at) {
    if (static_cast<int>(cfg.pollutants.size()) >= kMaxPollutants)
        log.messagef(kFatalData, "Maximální počet polutantů ve výpočtu je %i (inicializační soubor)"_cz,
                     kMaxPollutants);
    Pollutant pol;
    pol.indicative = trim_blanks(key_raw);
    if (pol.indicative.empty())
        log.message(kFatalData, "Neúplné zadání znečišťujících látek (inicializační soubor)"_cz);
    if (pol.indicative.size() > kMaxIndicative)
        log.messagef(kFatalData, "Maximální délka indikativu polutantu je %i znaků [%s] (inicializační soubor)"_cz,
                     static_cast<int>(kMaxIndicative), pol.indicative.c_str());
    if (!indicative_is_safe(pol.indicative))
        log.messagef(kFatalData, "Nepovolený znak v indikativu polutantu [%s] (inicializační soubor)"_cz,
                     pol.indicative.c_str());
    for (const Pollutant& other : cfg.pollutants)
        if (to_upper(other.indicative) == to_upper(pol.indicative))
            log.messagef(kFatalData, "Indikativ polutantu %s je zadán vícekrát [%s] (inicializační soubor)"_cz,
                         pol.indicative.c_str(), other.indicative.c_str());
    const char* ind = pol.indicative.c_str();

    std::string_view rest = value;
    bool more = true;
    std::string field;
    std::string word;
    if (next_field(rest, more, field)) word = to_upper(trim_blanks(field));
    if (word.empty()) log.messagef(kFatalData, "Není zadáno ID znečišťující látky %s (inicializační soubor)"_cz, ind);
    bool known = false;
    for (const PollutantType& t : kPollutantTypes)
        if (word == t.word) {
            pol.type = t.id;
            known = true;
        }
    if (!known)
        log.messagef(kFatalData, "Neznámé ID znečišťující látky %s (inicializační soubor)"_cz,
                     trim_blanks(field).c_str());

    if (!next_field(rest, more, field) || !scan_single_range(log, field, pol.limit[0], at))
        log.messagef(kFatalData, "Není zadána 1. limitní koncentrace znečišťující látky %s (inicializační soubor)"_cz,
                     ind);
    if (!next_field(rest, more, field) || !scan_single_range(log, field, pol.limit[1], at))
        log.messagef(kFatalData, "Není zadána 2. limitní koncentrace znečišťující látky %s (inicializační soubor)"_cz,
                     ind);
    pol.limit_count = pol.limit[1] < 0 ? 1 : 2;
    if (pol.type == kTypeORG) {
        if (!next_field(rest, more, field) || !scan_single_range(log, field, pol.half_life, at))
            log.messagef(kFatalData, "Není zadána poločas odstraňování znečišťující látky %s (inicializační soubor)"_cz,
                         ind);
        // A half-life of 0 removes everything, a negative one makes the
        // removal factor grow with distance.
        if (!(pol.half_life > 0))
            log.messagef(kFatalData,
                         "Poločas odstraňování znečišťující látky %s musí být kladný (inicializační soubor)"_cz, ind);
    }
    // The name is the whole rest of the line, commas included.
    pol.name = more ? trim_blanks(rest) : std::string();
    if (pol.name.empty()) log.message(kFatalData, "Neúplné zadání znečišťujících látek (inicializační soubor)"_cz);
    if (pol.name.size() > kMaxPollutantName)
        log.messagef(kFatalData, "Maximální délka názvu polutantu je %i znaků [%s] (inicializační soubor)"_cz,
                     static_cast<int>(kMaxPollutantName), pol.name.c_str());
    // Taken as it is ("1,3-butadien" begins so), but said: a limit typed
    // with a decimal comma ends up there.
    if (begins_with_number_and_comma(pol.name))
        log.message_with_file(
            kInformation,
            format_message("název polutantu %s na řádce %i začíná číslem a čárkou: [%s] (čárka odděluje údaje, "
                           "desetinná místa se píší za tečku)"_cz,
                           ind, at.line, pol.name.c_str()),
            at.path);
    if (pol.type == kTypeNO2) ++cfg.no2_count;
    cfg.pollutants.push_back(std::move(pol));
}

void read_grid_item(RunLog& log, ProjectConfig& cfg, const std::string& key, const std::string& value,
                    const Place& at) {
    if (key == "SOUBOR") {
        if (static_cast<int>(cfg.grid_files.size()) >= kMaxGridFiles)
            log.messagef(kFatalData, "Maximální počet souborů s referenčními body je %i (inicializační soubor)"_cz,
                         kMaxGridFiles);
        cfg.grid_files.push_back(read_file_entry(log, value, key));
    } else if (key == "PROJEKCE") {
        const std::string word = trim_blanks(value);
        if (word.empty()) log.message(kFatalData, "Není zadán typ projekce (inicializační soubor)"_cz);
        const std::string upper = to_upper(word);
        for (int i = 0; i < 3; ++i)
            if (upper == kProjectionNames[i]) {
                cfg.projection = i;
                return;
            }
        log.messagef(kFatalData, "Neznámá projekce: [%s] (inicializační soubor)"_cz, word.c_str());
    } else if (key == "OTOCENI") {
        double rotation = 0;
        if (!scan_finite(log, value, rotation, at))
            log.message(kFatalData, "Není zadáno otočení souřadné sítě (inicializační soubor)"_cz);
        cfg.rotation = rotation;
        cfg.rotation_given = true;
    } else {
        log.messagef(kErrorData, "neznámá položka v inicializačním souboru: %s"_cz, key.c_str());
    }
}

void read_sources_item(RunLog& log, ProjectConfig& cfg, const std::string& key, const std::string& value,
                       std::string_view whole_value) {
    if (key == "BODOVE") {
        cfg.point_sources = read_file_entry(log, value, key);
        if (cfg.source_kinds < 1) cfg.source_kinds = 1;
    } else if (key == "LINIOVE") {
        cfg.line_sources = read_file_entry(log, value, key);
        if (cfg.source_kinds < 2) cfg.source_kinds = 2;
    } else if (key == "PLOSNE") {
        cfg.area_sources = read_file_entry(log, value, key);
        cfg.source_kinds = 3;
    } else if (key == "TRANSFERY") {
        if (cfg.background_given)
            log.message(kFatalData,
                        "nelze současně zadat soubor s transfery a pozaďové hodnoty (inicializační souobr)"_cz);
        cfg.transfers = read_file_entry(log, value, key);
        cfg.transfers_given = true;
    } else if (key == "POZADI") {
        if (cfg.transfers_given)
            log.message(kFatalData,
                        "nelze současně zadat soubor s transfery a pozaďové hodnoty (inicializační soubor)"_cz);
        const std::string text(whole_value);
        check_length(log, text, kMaxProjectFilePath, key);
        cfg.background = text;
        cfg.background_given = true;
    } else {
        log.messagef(kErrorData, "neznámá položka: %s (inicializační soubor)"_cz, key.c_str());
    }
}

void read_results_item(RunLog& log, ProjectConfig& cfg, const std::string& key, const std::string& value,
                       const Place& at) {
    auto base_name = [&](std::string& field) {
        if (value.empty()) return;
        check_length(log, value, kMaxProjectFilePath, key);
        field = value;
    };
    if (key == "TYP") {
        if (value.empty()) return;
        const std::string word = to_upper(value);
        if (word == "ZAKLADNI") cfg.result_type = kResultBasic;
        else if (word == "STANDARDNI") cfg.result_type = kResultStandard;
        else if (word == "ROZSIRENY") cfg.result_type = kResultExtended;
        else log.messagef(kFatalData, "neznámý typ výstupu: %s (inicializační soubor)"_cz, value.c_str());
    } else if (key == "FORMAT") {
        if (value.empty()) return;
        const std::string word = to_upper(value);
        if (word == "TXT") cfg.result_format = kFormatTxt;
        else if (word == "DBF") cfg.result_format = kFormatDbf;
        else log.messagef(kFatalData, "neznámý formát výstupu: %s (inicializační soubor)"_cz, value.c_str());
    } else if (key == "PODILY LIMIT") {
        if (trim_blanks(value).empty()) return;
        double threshold = 0;
        // A share in percent, of Crok: 0 to 100.
        if (!scan_finite(log, value, threshold, at))
            log.messagef(kErrorData, "nečíselná hodnota položky %s: %s (inicializační soubor)"_cz, key.c_str(),
                         value.c_str());
        else if (threshold < 0 || threshold > kMaxShareThreshold)
            log.messagef(
                kErrorData,
                "nečíselná hodnota položky %s: %s (inicializační soubor); podíl v %% musí ležet mezi 0 a %g"_cz,
                key.c_str(), value.c_str(), kMaxShareThreshold);
        else cfg.limit_share_threshold = threshold;
    } else if (key == "ADRESAR") {
        base_name(cfg.output_directory_value);
    } else if (key == "ZAKLADNI") {
        base_name(cfg.base_basic);
    } else if (key == "PODILY ZDROJU") {
        base_name(cfg.base_source_shares);
    } else if (key == "PODILY SKUPIN") {
        base_name(cfg.base_group_shares);
    } else if (key == "SEKTORY MAX") {
        base_name(cfg.base_sector_max);
    } else if (key == "SEKTORY PRUM") {
        base_name(cfg.base_sector_mean);
    } else if (key == "ROZSIRENY") {
        base_name(cfg.base_report);
    } else {
        log.messagef(kErrorData, "neznama polozka: %s (inicializační soubor)"_cz, key.c_str());
    }
}

Section section_named(const std::string& name) {
    if (name == "VYPOCETNI SIT") return Section::Grid;
    if (name == "ZNECISTUJICI LATKY") return Section::Pollutants;
    if (name == "ZDROJE") return Section::Sources;
    if (name == "METEOROLOGIE") return Section::Meteorology;
    if (name == "VYSLEDKY") return Section::Results;
    return Section::Unknown;
}

bool only_equal_signs(std::string_view line) {
    for (char c : line)
        if (c != '=') return false;
    return true;
}

void read_line_item(RunLog& log, ProjectConfig& cfg, Section section, const std::string& line, const Place& at) {
    const auto eq = line.find('=');
    const std::string key_raw = line.substr(0, eq);
    const std::string_view rest = eq == std::string::npos ? std::string_view() : std::string_view(line).substr(eq + 1);
    if (section == Section::Pollutants) {
        if (only_equal_signs(line))
            log.message(kFatalData, "Neúplné zadání znečišťujících látek (inicializační soubor)"_cz);
        read_pollutant(log, cfg, key_raw, rest, at);
        return;
    }
    if (only_equal_signs(line)) return;  // no key
    const std::string key = to_upper(key_raw);
    const std::string value = value_part(rest);
    switch (section) {
        case Section::None:
        case Section::Unknown:
            log.messagef(kErrorData, "neznámá skupina v inicializačním souboru, položka: %s"_cz, key.c_str());
            break;
        case Section::Grid: read_grid_item(log, cfg, key, value, at); break;
        case Section::Sources: read_sources_item(log, cfg, key, value, rest); break;
        case Section::Meteorology:
            if (key == "SOUBOR") cfg.wind_roses = read_file_entry(log, value, key);
            else log.messagef(kErrorData, "neznámá položka: %s (inicializační soubor)"_cz, key.c_str());
            break;
        case Section::Results: read_results_item(log, cfg, key, value, at); break;
        case Section::Pollutants: break;
    }
}

void echo_entry(RunLog& log, const char* label, const InputTable& table) {
    log.messagef(kEcho, "   %s: %s, %i", label, table.path.c_str(), project_type_code(table));
}

// The echo at message level 2, with the projection check at its place.
void echo_configuration(RunLog& log, const ProjectConfig& cfg) {
    log.messagef(kEcho, "[VYPOCETNI SIT]");
    for (const InputTable& t : cfg.grid_files) echo_entry(log, "Soubor", t);
    log.messagef(kEcho, "   Projekce: %s", kProjectionNames[cfg.projection]);
    if (cfg.projection == kProjectionJina) {
        if (cfg.rotation_given) log.messagef(kEcho, "   Otoceni: %.2f", cfg.rotation);
        else log.message(kFatalData, "nezadané otočení projekce (inicializační soubor)"_cz);
    } else if (cfg.rotation_given) {
        log.messagef(kErrorData, "Otoceni: %.2f (inicializační soubor)"_cz, cfg.rotation);
    }
    log.messagef(kEcho, "[ZNECISTUJICI LATKY]");
    for (const Pollutant& p : cfg.pollutants) {
        std::string line = format("   %s: %i", p.indicative.c_str(), p.type);
        for (int i = 0; i < p.limit_count; ++i) line += format(", %.3f", p.limit[i]);
        line += ", " + p.name;
        log.message(kEcho, line);
    }
    log.messagef(kEcho, "[ZDROJE]");
    if (!cfg.point_sources.empty()) echo_entry(log, "Bodove", cfg.point_sources);
    if (!cfg.line_sources.empty()) echo_entry(log, "Liniove", cfg.line_sources);
    if (!cfg.area_sources.empty()) echo_entry(log, "Plosne", cfg.area_sources);
    log.messagef(kEcho, "[METEOROLOGIE]");
    echo_entry(log, "Soubor", cfg.wind_roses);
    log.messagef(kEcho, "[VYSLEDKY]");
    log.messagef(kEcho, "   Typ: %i", cfg.result_type);
    log.messagef(kEcho, "   Formát: %i"_cz, cfg.result_format);
    log.messagef(kEcho, "   Podily limit: %.2f", cfg.limit_share_threshold);
    log.messagef(kEcho, "   Adresar: %s", cfg.output_directory_value.c_str());
    log.messagef(kEcho, "   Zakladni: %s", cfg.base_basic.c_str());
    log.messagef(kEcho, "   Podily zdroju: %s", cfg.base_source_shares.c_str());
    log.messagef(kEcho, "   Podily skupin: %s", cfg.base_group_shares.c_str());
    log.messagef(kEcho, "   Sektory max: %s", cfg.base_sector_max.c_str());
    log.messagef(kEcho, "   Sektory prum: %s", cfg.base_sector_mean.c_str());
    log.messagef(kEcho, "   Rozsireny: %s", cfg.base_report.c_str());
}

// Checks that need the whole file: the format decides which indicatives
// can name DBF fields, and the wind roses are needed by every run.
void check_complete(RunLog& log, const ProjectConfig& cfg) {
    if (cfg.result_format == kFormatDbf)
        for (const Pollutant& p : cfg.pollutants)
            if (!indicative_fits_dbf(p.indicative))
                log.messagef(kFatalData,
                             "Indikativ polutantu [%s] smí pro formát DBF obsahovat jen písmena bez diakritiky, "
                             "číslice, \"_\" a \".\" (inicializační soubor)"_cz,
                             p.indicative.c_str());
    if (cfg.wind_roses.path.empty())
        log.message(kFatalData, "Není zadán soubor s větrnými růžicemi (inicializační soubor)"_cz);
}

// The directory part of a path including its last separator, or "".
std::string directory_part(const std::string& path) { return path.substr(0, platform::file_name_start(path)); }

std::string file_part(const std::string& path) { return path.substr(platform::file_name_start(path)); }

void derive_output_directory(RunLog& log, ProjectConfig& cfg, const std::string& default_output_directory) {
    std::string dir = cfg.output_directory_value;
    if (dir.empty()) dir = directory_part(cfg.base_basic);
    if (dir.empty()) dir = directory_part(cfg.project_path);
    if (dir.empty()) dir = default_output_directory;
    dir = platform::with_separator(dir);
    check_length(log, dir, kMaxProjectFilePath, "ADRESAR");
    cfg.output_directory = dir;
}

}  // namespace

ProjectConfig read_project(const std::string& path, const std::string& default_output_directory, InputContext& in) {
    RunLog& log = in.log;
    ProjectConfig cfg;
    log.messagef(kInformation, "Inicializační soubor: [%s]"_cz, path.c_str());
    if (path.size() > kMaxProjectFilePath)
        log.messagef(kFatalData, "Cesta k inicializačnímu souboru je delší než %i znaků (inicializační soubor)"_cz,
                     static_cast<int>(kMaxProjectFilePath));
    // Only a regular file: a directory, a device (a link to /dev/zero) or
    // a FIFO is refused as a file that cannot be opened.
    File file;
    if (!file.open_regular(in.file_name(path)))
        log.fatal(kFatalOpen, with_cause(path, in.file_name(path), file.error()));
    cfg.project_path = path;

    Section section = Section::None;
    std::string line;
    int line_number = 0;
    for (;;) {
        const File::LineRead got = file.read_bounded_line(line, kMaxProjectLine);
        if (got == File::LineRead::End) break;
        ++line_number;
        if (got == File::LineRead::TooLong)
            log.message_with_file(
                kFatalData,
                format_message("řádek %i je delší než %i znaků"_cz, line_number, static_cast<int>(kMaxProjectLine)),
                path);
        std::size_t start = 0;
        while (start < line.size() && (line[start] == ' ' || line[start] == '\t')) ++start;
        if (start == line.size()) continue;
        const std::string text = line.substr(start);
        if (text[0] == '#') continue;
        if (text[0] == '[') {
            // The closing character is dropped whatever it is.
            const std::string upper = to_upper(text);
            const std::string name = upper.substr(1, upper.size() >= 2 ? upper.size() - 2 : 0);
            section = section_named(name);
            if (section == Section::Unknown)
                log.messagef(kErrorData, "neznámá skupina v inicializačním souboru: %s"_cz, name.c_str());
            continue;
        }
        read_line_item(log, cfg, section, text, Place{path, line_number});
    }
    file.close();

    if (log.level >= 2) echo_configuration(log, cfg);
    else if (cfg.projection == kProjectionJina && !cfg.rotation_given)
        log.message(kFatalData, "nezadané otočení projekce (inicializační soubor)"_cz);
    check_complete(log, cfg);

    derive_output_directory(log, cfg, default_output_directory);

    if (!log.log_given) {
        const std::string name = log.copy_name.empty() ? file_part(log.log_path) : log.copy_name;
        if (!name.empty()) {
            const std::string copy = cfg.output_directory + name;
            if (copy.size() > kMaxLogPath)
                log.messagef(kErrorData,
                             "Cesta pro kopii LOG souboru je delší než %i znaků, kopie nebude vytvořena: %s"_cz,
                             static_cast<int>(kMaxLogPath), copy.c_str());
            else log.copy_path = copy;
        }
    }
    return cfg;
}

std::string project_file_path(const RunOptions& opt) {
    return !opt.project_file.empty() ? opt.project_file : opt.computation_directory + opt.program_name + ".atm";
}

}  // namespace zemo
