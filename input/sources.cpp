// The reader of the emission-source tables (point, line and area sources).
//
// A source table is a text table (one source per non-empty line, fields in
// the fixed order of its kind) or a DBF table (the same fields found by
// name). Every kind has one field layout, used for both families: the text
// order is the DBF field list's order, so the text reader takes field k of
// the line where the DBF reader takes the field named names[k].
//
//   point: ID X  Y  Z  ST_VYSKA VYDATNOST PROV_DOBA TRIDA SKUPINA RUZICE
//          [NO2_NOX] E_<indicative>...
//   line:  ID X1 Y1 Z1 X2 Y2 Z2 PROV_DOBA TRIDA SKUPINA RUZICE SIRKA
//          [NO2_NOX] E_<indicative>...
//   area:  ID X  Y  Z  ST_VYSKA VYDATNOST PROV_DOBA TRIDA SKUPINA RUZICE
//          ROZMER [NO2_NOX] E_<indicative>...
//
// The checks of a record run in a fixed order (hours, wind rose, NO2/NOx,
// emissions, then those of the kind); each message names the line or
// record and is followed by the file line in the same class. Range errors
// are counted and the record is kept as read; values that would make the
// plume formulas undefined end the run.
#include "input/sources.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <new>
#include <variant>

#include "base/format.h"
#include "input/project_file.h"
#include "base/run_log.h"
#include "base/run_options.h"
#include "base/text.h"
#include "input/capacity.h"
#include "input/wind_roses.h"

namespace zemo {

namespace {

constexpr MessageType kError = kErrorData;  // counted error, the record is kept
constexpr MessageType kFatal = kFatalData;  // bad input data, the run ends
constexpr double kHoursPerYear = 8760.0;
constexpr double kMaxRatio = 10.0;         // highest NO2/NOx ratio without an error
constexpr double kMaxPointHeight = 400.0;  // m
constexpr double kMaxAreaHeight = 100.0;   // m
constexpr double kMaxHeatOutput = 1000.0;
constexpr double kMaxRoadWidth = 50.0;         // m
constexpr double kMaxAreaSize = 1000.0;        // m
constexpr double kEmissionScale = 1000000.0;   // table units to micrograms per second
constexpr double kHeightForStackTerm = 100.0;  // m; from here on the heat term grows with the height

// What a position of the layout holds.
enum class Field {
    Id,
    X,
    Y,
    Z,
    XEnd,
    YEnd,
    ZEnd,
    Height,
    Heat,
    Hours,
    Class,
    Group,
    Rose,
    Width,
    Size,
    Ratio,
    Emission
};

struct LayoutEntry {
    Field field;
    std::string name;  // DBF field name
    int pollutant;     // for Field::Emission
};

std::string g_failing_array;  // test hook

int kinds_to_visit(const ProjectConfig& project) { return std::clamp(project.source_kinds, 0, 3); }

std::vector<LayoutEntry> layout_of(const ProjectConfig& project, int kind) {
    std::vector<LayoutEntry> l;
    l.push_back({Field::Id, "ID", 0});
    if (kind == kLineSources) {
        l.push_back({Field::X, "X1", 0});
        l.push_back({Field::Y, "Y1", 0});
        l.push_back({Field::Z, "Z1", 0});
        l.push_back({Field::XEnd, "X2", 0});
        l.push_back({Field::YEnd, "Y2", 0});
        l.push_back({Field::ZEnd, "Z2", 0});
    } else {
        l.push_back({Field::X, "X", 0});
        l.push_back({Field::Y, "Y", 0});
        l.push_back({Field::Z, "Z", 0});
        l.push_back({Field::Height, "ST_VYSKA", 0});
        l.push_back({Field::Heat, "VYDATNOST", 0});
    }
    l.push_back({Field::Hours, "PROV_DOBA", 0});
    l.push_back({Field::Class, "TRIDA", 0});
    l.push_back({Field::Group, "SKUPINA", 0});
    l.push_back({Field::Rose, "RUZICE", 0});
    if (kind == kLineSources) l.push_back({Field::Width, "SIRKA", 0});
    if (kind == kAreaSources) l.push_back({Field::Size, "ROZMER", 0});
    if (project.computes_no2()) l.push_back({Field::Ratio, "NO2_NOX", 0});
    const auto& pollutants = project.pollutants;
    for (std::size_t i = 0; i < pollutants.size(); ++i)
        l.push_back({Field::Emission, "E_" + to_upper(pollutants[i].indicative), static_cast<int>(i)});
    return l;
}

bool is_integer_field(Field f) { return f == Field::Class || f == Field::Group || f == Field::Rose; }

// One source as read from its table.
struct SourceRecord {
    std::string id;
    double x = 0, y = 0, z = 0, x_end = 0, y_end = 0, z_end = 0;
    double height = 0, heat = 0, hours = 0, width = 0, size = 0, ratio = 0;
    int source_class = 0, group = 0, rose = 0;
    std::vector<double> emissions;
};

// The member of a record that holds a decimal field, or an integer field;
// nullptr for the other fields.
template <class Record>
auto decimal_field(Record& r, Field f) -> decltype(&r.x) {
    switch (f) {
        case Field::X: return &r.x;
        case Field::Y: return &r.y;
        case Field::Z: return &r.z;
        case Field::XEnd: return &r.x_end;
        case Field::YEnd: return &r.y_end;
        case Field::ZEnd: return &r.z_end;
        case Field::Height: return &r.height;
        case Field::Heat: return &r.heat;
        case Field::Hours: return &r.hours;
        case Field::Width: return &r.width;
        case Field::Size: return &r.size;
        case Field::Ratio: return &r.ratio;
        default: return nullptr;
    }
}
template <class Record>
auto integer_field(Record& r, Field f) -> decltype(&r.group) {
    switch (f) {
        case Field::Class: return &r.source_class;
        case Field::Group: return &r.group;
        case Field::Rose: return &r.rose;
        default: return nullptr;
    }
}

// --- the columns of each kind -----------------------------------------------

// How a column's value is made from the record.
enum class Stored {
    AsRead,          // the field as read
    YearShare,       // operating hours as a share of the year
    StackHeatTerm,   // heat output as the stacks' heat term (point_heat_term)
    SquareHeatTerm,  // heat output as the squares' heat term, 25 Q^0.25
    RoseIndex,       // the wind rose as the index of the loaded rose
};

// The arrays of one column in each kind: point, line, area (nullptr where
// the kind has no such array).
template <class Array>
using KindArrays = std::array<Array Sources::*, 3>;
using ColumnArrays = std::variant<KindArrays<std::vector<double>>, KindArrays<std::vector<int>>,
                                  KindArrays<std::vector<std::string>>, KindArrays<std::vector<std::vector<double>>>>;

// One column of the sources: its arrays, the name messages give them
// ("Src" + kind letter + "_" + suffix; an emission array "SrcP_e" holds
// "SrcP_e[0]", ... per pollutant), the record field they hold and how.
struct SourceColumn {
    const char* suffix;
    ColumnArrays arrays;
    Field field;
    Stored stored = Stored::AsRead;
};

using S = Sources;
constexpr KindArrays<std::vector<double>> decimals(std::vector<double> S::*p, std::vector<double> S::*l,
                                                   std::vector<double> S::*a) {
    return {p, l, a};
}
constexpr KindArrays<std::vector<int>> integers(std::vector<int> S::*p, std::vector<int> S::*l,
                                                std::vector<int> S::*a) {
    return {p, l, a};
}

// The columns, in the order of allocation: each kind allocates, stores and
// names the arrays it has in this order, and nothing else.
const SourceColumn kColumns[] = {
    {"x", decimals(&S::SrcP_x, &S::SrcL_x, &S::SrcA_x), Field::X},
    {"y", decimals(&S::SrcP_y, &S::SrcL_y, &S::SrcA_y), Field::Y},
    {"z", decimals(&S::SrcP_z, &S::SrcL_z, &S::SrcA_z), Field::Z},
    {"x1", decimals(nullptr, &S::SrcL_x1, nullptr), Field::XEnd},
    {"y1", decimals(nullptr, &S::SrcL_y1, nullptr), Field::YEnd},
    {"z1", decimals(nullptr, &S::SrcL_z1, nullptr), Field::ZEnd},
    {"dx", decimals(nullptr, &S::SrcL_dx, nullptr), Field::Width},
    {"h", decimals(&S::SrcP_h, nullptr, &S::SrcA_h), Field::Height},
    {"q", decimals(&S::SrcP_q, nullptr, nullptr), Field::Heat, Stored::StackHeatTerm},
    {"q", decimals(nullptr, nullptr, &S::SrcA_q), Field::Heat, Stored::SquareHeatTerm},
    {"dx", decimals(nullptr, nullptr, &S::SrcA_dx), Field::Size},
    {"doba", decimals(&S::SrcP_doba, &S::SrcL_doba, &S::SrcA_doba), Field::Hours, Stored::YearShare},
    {"no2_nox", decimals(&S::SrcP_no2_nox, &S::SrcL_no2_nox, &S::SrcA_no2_nox), Field::Ratio},
    {"class", integers(&S::SrcP_class, &S::SrcL_class, &S::SrcA_class), Field::Class},
    {"group", integers(&S::SrcP_group, &S::SrcL_group, &S::SrcA_group), Field::Group},
    {"wrose", integers(&S::SrcP_wrose, &S::SrcL_wrose, &S::SrcA_wrose), Field::Rose, Stored::RoseIndex},
    {"e", KindArrays<std::vector<std::vector<double>>>{&S::SrcP_e, &S::SrcL_e, &S::SrcA_e}, Field::Emission},
    {"id", KindArrays<std::vector<std::string>>{&S::SrcP_id, &S::SrcL_id, &S::SrcA_id}, Field::Id},
};

// What the reader says and keeps of each kind, in the kind order.
struct SourceKind {
    char letter;              // of the array names
    const char* heading;      // of the counting pass
    const char* file_label;   // the table's path, in the counting pass
    const char* count_label;  // the count, in the overview
    int Sources::*count;
};
const SourceKind kKinds[3] = {
    {'P', "BODOVÉ ZDROJE"_cz, "Soubor s bodovými zdroji: %s"_cz, "   bodových : %5i"_cz, &Sources::NP},
    {'L', "LINIOVÉ ZDROJE"_cz, "Soubor s liniovými zdroji: %s"_cz, "   liniových: %5i"_cz, &Sources::NL},
    {'A', "PLOŠNÉ ZDROJE"_cz, "Soubor s plošnými zdroji: %s"_cz, "   plošných : %5i"_cz, &Sources::NA},
};

std::string array_name(int kind, const SourceColumn& c) { return format("Src%c_%s", kKinds[kind].letter, c.suffix); }

// Calls f(array) for the kind's array of column c, if it has one.
template <class F>
void with_array(int kind, const SourceColumn& c, F&& f) {
    std::visit(
        [&](const auto& arrays) {
            if (arrays[static_cast<std::size_t>(kind)] != nullptr) f(arrays[static_cast<std::size_t>(kind)]);
        },
        c.arrays);
}

template <class... F>
struct Overloaded : F... {
    using F::operator()...;
};
// Spelled out: clang before 17 deduces no template arguments of an aggregate.
template <class... F>
Overloaded(F...) -> Overloaded<F...>;

// Running minimum and maximum of one overview value.
struct Range {
    double low = 0, high = 0;
    bool any = false;
    void add(double v) {
        if (!any || v < low) low = v;
        if (!any || v > high) high = v;
        any = true;
    }
};

struct Overview {
    Range x, y, z, height, heat, width, size, hours, ratio, group, rose;
    std::vector<Range> emission;
    std::vector<double> emission_sum;
};

// One reading of the project's source tables into a Sources record: what
// its passes share.
struct Reading {
    const ProjectConfig& project;
    const WindRoses& roses;
    InputContext& in;
    Sources& sources;
    // The project's tables, point, line and area, with their types as
    // detected by the first pass.
    std::array<InputTable, 3> tables;
    std::uint64_t memory_limit;  // RunOptions::memory_limit
};

void line_message(Reading& rd, MessageType type, const std::string& text, const InputTable& table) {
    rd.in.log.message_with_file(type, text, table.path);
}

// --- allocation -----------------------------------------------------------

// Sizes one array; an exhausted memory is the fatal "nedostatek paměti"
// naming the array (reported outside the handler of bad_alloc).
template <class Vector>
void allocate(Reading& rd, Vector& v, std::size_t n, const std::string& name) {
    bool failed = false;
    try {
        if (!g_failing_array.empty() && name == g_failing_array) throw std::bad_alloc();
        v.assign(n, typename Vector::value_type{});
    } catch (const std::bad_alloc&) {
        failed = true;
    }
    if (failed) {
        v = Vector{};
        rd.in.log.message(kFatalMemory, name);
    }
}

void allocate_emissions(Reading& rd, std::vector<std::vector<double>>& e, std::size_t n, const std::string& name) {
    const std::size_t pollutants = rd.project.pollutants.size();
    allocate(rd, e, pollutants, name);
    for (std::size_t i = 0; i < pollutants; ++i)
        allocate(rd, e[i], n, format("%s[%i]", name.c_str(), static_cast<int>(i)));
}

void allocate_arrays(Reading& rd) {
    Sources& s = rd.sources;
    for (int kind = 0; kind < 3; ++kind) {
        if (s.*kKinds[kind].count <= 0) continue;
        const auto n = static_cast<std::size_t>(s.*kKinds[kind].count);
        for (const SourceColumn& c : kColumns)
            with_array(kind, c,
                       Overloaded{[&](std::vector<std::vector<double>> Sources::*e) {
                                      allocate_emissions(rd, s.*e, n, array_name(kind, c));
                                  },
                                  [&](auto array) { allocate(rd, s.*array, n, array_name(kind, c)); }});
    }
}

// --- counting pass --------------------------------------------------------

void check_dbf_layout(Reading& rd, int kind, const InputTable& table, const DbfHeader& header) {
    std::vector<std::string> names;
    std::vector<int> integers;
    source_dbf_fields(rd.project, kind, names, integers);
    check_dbf_fields(rd.in.log, table, header, names, integers, "chybný datový typ %i. pole %s, požadovaný typ [I]"_cz);
}

int count_text_table(Reading& rd, const InputTable& table) {
    File file;
    open_table(rd.in, file, table);
    int line_number = 0;
    std::string line;
    while (read_table_line(rd.in, file, table, line_number, line)) {
        const std::vector<std::string> fields = split_fields(line, table.separator);
        if (fields.empty())
            line_message(rd, kFatal, format_message("Nedostatečný počet údajů na řádce %i"_cz, line_number), table);
        else if (fields[0].size() > kMaxSourceId)
            line_message(rd, kFatal,
                         format_message("ID zdroje na řádku %i je příliš dlouhé (max %i znaků)"_cz, line_number,
                                        static_cast<int>(kMaxSourceId + 1)),
                         table);
    }
    file.close();
    return line_number;
}

long long count_dbf_table(Reading& rd, int kind, const InputTable& table) {
    File file;
    open_table(rd.in, file, table);
    DbfHeader header;
    read_dbf_header(rd.in.log, file, table, header);
    check_dbf_layout(rd, kind, table, header);
    file.close();
    return header.record_count;
}

void counting_pass(Reading& rd) {
    Sources& s = rd.sources;
    s.reset();
    long long counts[3] = {0, 0, 0};
    for (int kind = 0; kind < kinds_to_visit(rd.project); ++kind) {
        InputTable& table = rd.tables[static_cast<std::size_t>(kind)];
        if (table.empty()) continue;
        rd.in.log.message(kInformation, kKinds[kind].heading);
        rd.in.log.messagef(kInformation, kKinds[kind].file_label, table.path.c_str());
        if (table.type == TableType::Undetermined) detect_table_type(rd.in, table, false);
        counts[kind] = table.is_dbf() ? count_dbf_table(rd, kind, table) : count_text_table(rd, table);
    }
    // Before anything is sized from the counts: the run must fit in memory
    // (capacity.h) with the sources counted so far, each stack with its
    // column in one matrix, the roads and squares with none yet (their
    // columns are known once the model is prepared). The table whose
    // sources go beyond is named.
    const std::uint64_t ceiling = memory_ceiling(rd.memory_limit);
    long long sum = 0;
    for (int kind = 0; kind < 3; ++kind) {
        if (counts[kind] == 0) continue;
        sum += counts[kind];
        const std::uint64_t needed =
            run_bytes({sum, counts[kPointSources], static_cast<int>(rd.project.pollutants.size()), 1});
        if (needed > ceiling)
            rd.in.log.messagef(kFatalMemory,
                               "se zdroji ze souboru %s potřebuje výpočet nejméně %llu MiB paměti (%lli zdrojů), "
                               "k dispozici je %llu MiB"_cz,
                               rd.tables[static_cast<std::size_t>(kind)].path.c_str(), mebibytes_up(needed), sum,
                               mebibytes_down(ceiling));
        // The counts and their sum are ints; a table beyond that cannot be held.
        if (sum > INT_MAX) rd.in.log.message(kFatalMemory, array_name(kind, kColumns[0]));  // SrcX_x, the first array
    }
    for (int kind = 0; kind < 3; ++kind) s.*kKinds[kind].count = static_cast<int>(counts[kind]);
    s.total = s.NP + s.NL + s.NA;
    allocate_arrays(rd);
}

// --- filling pass ---------------------------------------------------------

// Converts the fields of one record (in layout order) into a SourceRecord.
// For a text line a field beyond the line's end is the fatal missing-field
// message; for DBF every field is present.
SourceRecord convert_record(Reading& rd, const std::vector<LayoutEntry>& layout, const std::vector<std::string>& values,
                            int line_number, const InputTable& table) {
    SourceRecord r;
    r.emissions.assign(rd.project.pollutants.size(), 0.0);
    const char decimal = table.is_dbf() ? '.' : table.decimal;
    for (std::size_t k = 0; k < layout.size(); ++k) {
        if (k >= values.size())
            fatal_missing_field(rd.in.log, line_number, table);  // with the file line, as every reader
        const std::string& text = values[k];
        const LayoutEntry& e = layout[k];
        if (e.field == Field::Id) {
            if (table.is_dbf()) {
                r.id = dbf_identifier(text);
                if (r.id.size() > kMaxSourceId)
                    line_message(rd, kFatal,
                                 format_message("ID zdroje v záznamu %i je príliš dlouhé (max %i znaku)"_cz,
                                                line_number, static_cast<int>(kMaxSourceId + 1)),
                                 table);
            } else {
                r.id = text;
                if (r.id.size() > kMaxSourceId)
                    line_message(rd, kFatal,
                                 format_message("ID zdroje na řádku %i je příliš dlouhé (max %i znaků)"_cz, line_number,
                                                static_cast<int>(kMaxSourceId + 1)),
                                 table);
            }
            continue;
        }
        if (is_integer_field(e.field)) {
            *integer_field(r, e.field) = convert_integer(rd.in, line_number, text, table);
            continue;
        }
        const double v = convert_decimal(rd.in, line_number, text, decimal, table);
        if (e.field == Field::Emission) r.emissions[static_cast<std::size_t>(e.pollutant)] = v;
        else if (double* field = decimal_field(r, e.field)) *field = v;
    }
    return r;
}

// The checks of one record in their fixed order; returns the rose index
// (-1 when the look-up is skipped).
int check_record(Reading& rd, int kind, const SourceRecord& r, int n, const InputTable& table, bool look_up_roses) {
    const auto msg = [&](MessageType type, const std::string& text) { line_message(rd, type, text, table); };

    if (r.hours <= 0 || r.hours > kHoursPerYear)
        msg(kError, format_message("Provozní doba na řádku %i mimo hodnotu (0,8760>: %f"_cz, n, r.hours));
    int rose_index = -1;
    if (look_up_roses) {
        rose_index = rd.roses.find(r.rose);
        if (rose_index < 0) msg(kFatal, format_message("Růžice %i neexistuje (řádka %i)"_cz, r.rose, n));
    }
    if (rd.project.computes_no2()) {
        if (r.ratio < 0 || r.ratio > kMaxRatio)
            msg(kError, format_message("Poměr NO2/NOx na řádku %i mimo hodnotu <0,10): %f"_cz, n, r.ratio));
        if (r.ratio == 0) msg(kFatal, format_message("Poměr NO2/NOx nesmí být nulový (řádek %i)"_cz, n));
    }
    for (double e : r.emissions)
        if (e < 0) msg(kError, format_message("Emise řádku %i záporná: %f"_cz, n, e));

    if (r.source_class < kClassRemote || r.source_class > kClassTraffic)
        msg(kFatal, format_message("Neznámá třída zdroje na řádce %i"_cz, n));
    if (kind == kPointSources) {
        if (r.source_class == kClassTraffic)
            msg(kFatal, format_message("Bodový zdroj nemůže být dopravní (řádka %i)"_cz, n));
        if (r.height < 0 || r.height > kMaxPointHeight)
            msg(r.height < 0 && r.source_class == kClassRemote ? kFatal : kError,
                format_message("Stavební výška na řádku %i mimo hodnotu (0,400): %f"_cz, n, r.height));
        if (r.height == 0 && r.source_class == kClassRemote)
            msg(kFatal, format_message("Stavební výška vzdáleného zdroje nesmí být nulová (řádek %i)"_cz, n));
        if (r.heat < 0 || r.heat > kMaxHeatOutput)
            msg(r.heat < 0 ? kFatal : kError,
                format_message("Tepelná vydatnost na řádku %i mimo hodnotu (0,1000): %f"_cz, n, r.heat));
    } else if (kind == kLineSources) {
        if (r.source_class == kClassRemote)
            msg(kFatal, format_message("Liniový zdroj nemůže být vzdálený (řádka %i)"_cz, n));
        if (r.x == r.x_end && r.y == r.y_end)
            msg(kFatal, format_message("Délka komunikace nesmí být nulová (řádek %i)"_cz, n));
        if (r.width <= 0 || r.width > kMaxRoadWidth)
            msg(kError, format_message("Šířka komunikace na řádku %i mimo hodnotu <0,50): %f"_cz, n, r.width));
    } else {
        if (r.source_class == kClassRemote)
            msg(kFatal, format_message("Plošný zdroj nemůže být vzdálený (řádka %i)"_cz, n));
        if (r.height < 0 || r.height > kMaxAreaHeight)
            msg(kError, format_message("Stavební výška na řádku %i mimo hodnotu (0,100): %f"_cz, n, r.height));
        if (r.heat < 0 || r.heat > kMaxHeatOutput)
            msg(r.heat < 0 ? kFatal : kError,
                format_message("Tepelná vydatnost na řádku %i mimo hodnotu (0,1000): %f"_cz, n, r.heat));
        if (r.size < 0 || r.size > kMaxAreaSize)
            msg(r.size < 0 ? kFatal : kError,
                format_message("Rozměr zdroje na řádku %i mimo hodnotu (0,1000): %f"_cz, n, r.size));
        if (r.size == 0)
            msg(kFatal, format_message("Rozměr plošného zdroje nesmí být nulový (řádek %i): %f"_cz, n, r.size));
    }
    return rose_index;
}

// Heat term of a point source: 25 Q^0.25 below 100 m of structural height,
// Q^0.25 (1.5 h - 50) / 4 from 100 m on (equal at 100 m).
double point_heat_term(double heat, double height) {
    const double root = std::pow(heat, 0.25);
    return height < kHeightForStackTerm ? root * 25.0 : root * (1.5 * height - 50.0) * 0.25;
}

// The value of a decimal column for the record.
double stored_decimal(const SourceColumn& c, const SourceRecord& r, double share) {
    switch (c.stored) {
        case Stored::YearShare: return share;
        case Stored::StackHeatTerm: return point_heat_term(r.heat, r.height);
        case Stored::SquareHeatTerm: return std::pow(r.heat, 0.25) * 25.0;
        default: return *decimal_field(r, c.field);
    }
}

void store_record(Reading& rd, int kind, const SourceRecord& r, std::size_t i, int rose_index) {
    Sources& s = rd.sources;
    const double share = r.hours * (1.0 / kHoursPerYear);
    for (const SourceColumn& c : kColumns)
        with_array(kind, c,
                   Overloaded{[&](std::vector<double> Sources::*a) { (s.*a)[i] = stored_decimal(c, r, share); },
                              [&](std::vector<int> Sources::*a) {
                                  (s.*a)[i] = c.stored == Stored::RoseIndex ? rose_index : *integer_field(r, c.field);
                              },
                              [&](std::vector<std::string> Sources::*a) { (s.*a)[i] = r.id; },
                              [&](std::vector<std::vector<double>> Sources::*e) {
                                  for (std::size_t p = 0; p < r.emissions.size(); ++p)
                                      (s.*e)[p][i] = r.emissions[p] * kEmissionScale;
                              }});
}

void track(Reading& rd, int kind, const SourceRecord& r, Overview& o) {
    o.x.add(r.x);
    o.y.add(r.y);
    o.z.add(r.z);
    if (kind == kLineSources) {
        o.x.add(r.x_end);
        o.y.add(r.y_end);
        o.z.add(r.z_end);
        o.width.add(r.width);
    } else {
        o.height.add(r.height);
        o.heat.add(r.heat);
    }
    if (kind == kAreaSources) o.size.add(r.size);
    for (std::size_t p = 0; p < r.emissions.size(); ++p) {
        o.emission[p].add(r.emissions[p]);
        o.emission_sum[p] += r.emissions[p];
    }
    o.hours.add(r.hours);
    if (rd.project.computes_no2()) o.ratio.add(r.ratio);
    o.group.add(r.group);
    o.rose.add(r.rose);
}

int kind_count(Reading& rd, int kind) {
    const Sources& s = rd.sources;
    return s.*kKinds[kind].count;
}

// The file no longer holds the records the counting pass found (it changed
// between the passes, or the counting pass did not run): storing would
// leave sources unset or write beyond the arrays.
void check_unchanged(Reading& rd, int found, int kind, const InputTable& table) {
    if (found != kind_count(rd, kind))
        rd.in.log.messagef(kFatal, "Soubor %s obsahuje %i zdrojů, při počítání jich bylo %i"_cz, table.path.c_str(),
                           found, kind_count(rd, kind));
}

void fill_text_table(Reading& rd, int kind, const InputTable& table, bool look_up_roses, Overview& o) {
    const std::vector<LayoutEntry> layout = layout_of(rd.project, kind);
    File file;
    open_table(rd.in, file, table);
    int line_number = 0;
    std::string line;
    while (read_table_line(rd.in, file, table, line_number, line)) {
        if (line_number > kind_count(rd, kind)) check_unchanged(rd, line_number, kind, table);
        const SourceRecord r = convert_record(rd, layout, split_fields(line, table.separator), line_number, table);
        const int rose_index = check_record(rd, kind, r, line_number, table, look_up_roses);
        store_record(rd, kind, r, static_cast<std::size_t>(line_number - 1), rose_index);
        track(rd, kind, r, o);
    }
    file.close();
    check_unchanged(rd, line_number, kind, table);
}

void fill_dbf_table(Reading& rd, int kind, const InputTable& table, bool look_up_roses, Overview& o) {
    const std::vector<LayoutEntry> layout = layout_of(rd.project, kind);
    File file;
    open_table(rd.in, file, table);
    DbfHeader header;
    read_dbf_header(rd.in.log, file, table, header);
    check_dbf_layout(rd, kind, table, header);
    if (header.record_count > static_cast<std::uint32_t>(INT_MAX)) check_unchanged(rd, INT_MAX, kind, table);
    check_unchanged(rd, static_cast<int>(header.record_count), kind, table);
    // The field check guarantees that every expected name occurs exactly once.
    std::vector<std::size_t> position(layout.size(), 0);
    for (std::size_t k = 0; k < layout.size(); ++k)
        for (std::size_t f = 0; f < header.fields.size(); ++f)
            if (header.fields[f].name == layout[k].name) position[k] = f;
    std::vector<std::string> fields, values(layout.size());
    for (std::uint32_t rec = 0; rec < header.record_count; ++rec) {
        read_dbf_record(rd.in.log, file, table, header, rec, fields);
        for (std::size_t k = 0; k < layout.size(); ++k) values[k] = fields[position[k]];
        const int n = static_cast<int>(rec) + 1;
        const SourceRecord r = convert_record(rd, layout, values, n, table);
        const int rose_index = check_record(rd, kind, r, n, table, look_up_roses);
        store_record(rd, kind, r, rec, rose_index);
        track(rd, kind, r, o);
    }
    file.close();
}

void build_group_table(Reading& rd) {
    Sources& s = rd.sources;
    s.groups.clear();
    s.group_counts.clear();
    const std::vector<int>* group_arrays[3] = {&s.SrcP_group, &s.SrcL_group, &s.SrcA_group};
    for (int kind = 0; kind < 3; ++kind) {
        for (int g : *group_arrays[kind]) {
            int index = s.group_index(g);
            if (index < 0) {
                if (static_cast<int>(s.groups.size()) >= kMaxGroups)
                    rd.in.log.messagef(kFatal, "Počet skupin se zdroji je větší než maximální povolený (%i)"_cz,
                                       kMaxGroups);
                s.groups.push_back(g);
                s.group_counts.push_back({0, 0, 0});
                index = static_cast<int>(s.groups.size()) - 1;
                if (index == 0 || g > s.max_group) s.max_group = g;
            }
            ++s.group_counts[static_cast<std::size_t>(index)][static_cast<std::size_t>(kind)];
        }
    }
}

void write_overview(Reading& rd, const Overview& o) {
    const Sources& s = rd.sources;
    RunLog& log = rd.in.log;
    log.message(kHeading, "ZDROJE - SOUHRN");
    rd.in.log.messagef(kHeading, "Počty zdrojů v souborech (celkem %i):"_cz, s.total);
    for (const SourceKind& kind : kKinds) rd.in.log.messagef(kHeading, kind.count_label, s.*kind.count);
    if (log.level >= 2 && s.total > 0) {
        log.message(kEcho, "Přehled načtených hodnot:"_cz);
        rd.in.log.messagef(kEcho, "   souřadnice X      : %.2f - %.2f"_cz, o.x.low, o.x.high);
        rd.in.log.messagef(kEcho, "   souřadnice Y      : %.2f - %.2f"_cz, o.y.low, o.y.high);
        rd.in.log.messagef(kEcho, "   souřadnice Z      : %.2f - %.2f"_cz, o.z.low, o.z.high);
        const auto& pollutants = rd.project.pollutants;
        for (std::size_t p = 0; p < pollutants.size(); ++p)
            rd.in.log.messagef(kEcho, "   emise %8s    : %f - %f, celkem %f", pollutants[p].indicative.c_str(),
                               o.emission[p].low, o.emission[p].high, o.emission_sum[p]);
        if (s.NP > 0 || s.NA > 0) {
            rd.in.log.messagef(kEcho, "   stavební výška    : %f - %f"_cz, o.height.low, o.height.high);
            rd.in.log.messagef(kEcho, "   tepelná vydatnost : %f - %f"_cz, o.heat.low, o.heat.high);
        }
        if (s.NL > 0) rd.in.log.messagef(kEcho, "   šířka LZ          : %f - %f"_cz, o.width.low, o.width.high);
        if (s.NA > 0) rd.in.log.messagef(kEcho, "   rozměr PZ         : %f - %f"_cz, o.size.low, o.size.high);
        rd.in.log.messagef(kEcho, "   provozní hodiny   : %f - %f"_cz, o.hours.low, o.hours.high);
        if (rd.project.computes_no2())
            rd.in.log.messagef(kEcho, "   poměr NO2/NOx     : %f - %f"_cz, o.ratio.low, o.ratio.high);
        rd.in.log.messagef(kEcho, "   skupiny           : %i - %i", static_cast<int>(o.group.low),
                           static_cast<int>(o.group.high));
        rd.in.log.messagef(kEcho, "   vetrné růžice     : %i - %i"_cz, static_cast<int>(o.rose.low),
                           static_cast<int>(o.rose.high));
    }
    if (s.groups.size() > 1) {
        log.message(kEcho, "Přehled skupin zdrojů"_cz);
        rd.in.log.messagef(kEcho, "   zdroje jsou rozděleny do %i skupin"_cz, static_cast<int>(s.groups.size()));
        log.message(kEcho, "   Skupina   Celkem   Bodové  Liniové   Plošné"_cz);
        // Rows in ascending group number (negative numbers included).
        std::vector<std::size_t> order(s.groups.size());
        for (std::size_t k = 0; k < order.size(); ++k) order[k] = k;
        std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return s.groups[a] < s.groups[b]; });
        for (std::size_t k : order) {
            const auto& c = s.group_counts[k];
            rd.in.log.messagef(kEcho, "   %6i%9i%9i%9i%9i", s.groups[k], c[0] + c[1] + c[2], c[0], c[1], c[2]);
        }
    }
}

void filling_pass(Reading& rd, bool look_up_roses) {
    Overview o;
    o.emission.assign(rd.project.pollutants.size(), Range{});
    o.emission_sum.assign(rd.project.pollutants.size(), 0.0);
    for (int kind = 0; kind < kinds_to_visit(rd.project); ++kind) {
        InputTable& table = rd.tables[static_cast<std::size_t>(kind)];
        if (table.empty()) continue;
        if (table.type == TableType::Undetermined) detect_table_type(rd.in, table, false);
        if (table.is_dbf()) fill_dbf_table(rd, kind, table, look_up_roses, o);
        else fill_text_table(rd, kind, table, look_up_roses, o);
    }
    build_group_table(rd);
    write_overview(rd, o);
}

}  // namespace

int Sources::group_of(int j) const {
    if (j < NP) return SrcP_group[static_cast<std::size_t>(j)];
    if (j < NP + NL) return SrcL_group[static_cast<std::size_t>(j - NP)];
    return SrcA_group[static_cast<std::size_t>(j - NP - NL)];
}

const std::string& Sources::id_of(int j) const {
    if (j < NP) return SrcP_id[static_cast<std::size_t>(j)];
    if (j < NP + NL) return SrcL_id[static_cast<std::size_t>(j - NP)];
    return SrcA_id[static_cast<std::size_t>(j - NP - NL)];
}

int Sources::group_index(int group) const {
    const auto it = std::find(groups.begin(), groups.end(), group);
    return it == groups.end() ? -1 : static_cast<int>(it - groups.begin());
}

void source_dbf_fields(const ProjectConfig& project, int kind, std::vector<std::string>& names,
                       std::vector<int>& integer_positions) {
    names.clear();
    integer_positions.clear();
    const std::vector<LayoutEntry> layout = layout_of(project, kind);
    for (std::size_t k = 0; k < layout.size(); ++k) {
        names.push_back(layout[k].name);
        if (is_integer_field(layout[k].field)) integer_positions.push_back(static_cast<int>(k));
    }
}

void simulate_source_allocation_failure(const std::string& array_name) { g_failing_array = array_name; }

Sources read_sources(ReaderPass pass, const ProjectConfig& project, const WindRoses& roses, std::uint64_t memory_limit,
                     InputContext& in) {
    Sources sources;
    Reading rd{project,     roses, in, sources, {project.point_sources, project.line_sources, project.area_sources},
               memory_limit};
    counting_pass(rd);
    if (pass != ReaderPass::Count) filling_pass(rd, pass == ReaderPass::Fill);
    return sources;
}

Sources read_sources(const ProjectConfig& project, const WindRoses& roses, std::uint64_t memory_limit,
                     InputContext& in) {
    return read_sources(ReaderPass::Fill, project, roses, memory_limit, in);
}

}  // namespace zemo
