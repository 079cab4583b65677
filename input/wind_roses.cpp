// The wind-rose reader.
//
// A table holds any number of roses of 19 non-empty lines each: the
// identifier line, then 18 frequency lines, one per group f = 1..6 (five
// stability classes and the control sums) and speed class g = 1..3. A
// frequency line holds n sector values and the row total; in the fixed
// format (FIX) it starts with a label, and the table with a header line of
// 8 fields whose first is the number of roses.
//
// Passes:
//   Count  fixes the convention (detection, else the fixed format), counts
//          the roses, finds n on the first frequency line and allocates.
//   Fill   reads again, checks totals and control sums, spreads the
//          remainder of speed class 1, resamples to S sectors, scales by
//          T/U, recomputes group 6 and stores; writes the overview.
//   Test   the single-file check of the desktop program: Count and Fill,
//          resampled to 48 sectors while the settings name none.
// The passes work on a copy of the project's table: the convention Count
// fixes is the one Fill reads with, and it travels in the returned roses.
#include "input/wind_roses.h"

#include <cmath>
#include <new>

#include "base/format.h"
#include "base/numbers.h"
#include "input/project_file.h"
#include "base/run_log.h"
#include "base/text.h"
#include "input/model_settings.h"

namespace zemo {

namespace {

constexpr int kGroups = kCaseBlocks;  // five stability classes, then the control sums
constexpr int kLinesPerRose = 1 + kGroups * kSpeedClasses;
constexpr int kFixHeaderFields = 8;
constexpr double kTotalTolerance = 0.02;      // percent
constexpr double kControlTolerance = 0.0001;  // percent

[[noreturn]] void fatal_rose(InputContext& in, const std::string& text, const InputTable& table) {
    in.log.fatal_with_file(kFatalData, text, table.path);
}

// Number of leading label fields of a frequency line.
int label_fields(const InputTable& table) { return table.type == TableType::Fix ? 1 : 0; }

// The fixed format fits: a header line of exactly 8 fields whose first is
// an integer R > 0, followed by exactly 19 x R non-empty lines.
bool fits_fixed_format(InputContext& in, const InputTable& table) {
    InputTable fixed = table;
    fixed.type = TableType::Fix;
    fixed.separator = ' ';
    fixed.decimal = '.';
    File file;
    open_table(in, file, fixed);
    int line_number = 0;
    std::string line;
    if (!read_table_line(in, file, fixed, line_number, line)) return false;
    const std::vector<std::string> header = split_fields(line, ' ');
    if (header.size() != kFixHeaderFields) return false;
    int roses = 0;
    if (!scan_int(header[0], roses) || roses <= 0) return false;
    while (read_table_line(in, file, fixed, line_number, line)) {
    }
    // R may be any positive int: 19 x R is compared in 64 bits.
    return static_cast<long long>(line_number) - 1 == static_cast<long long>(kLinesPerRose) * roses;
}

// Fixes the convention of the project's table (counting and test passes).
void fix_convention(InputContext& in, InputTable& table) {
    if (table.type == TableType::Undetermined && !detect_table_type(in, table, true)) {
        if (!fits_fixed_format(in, table)) in.log.fatal(kFatalData, "Typ souboru nelze určit"_cz);
        table.type = TableType::Fix;
        table.separator = ' ';
        table.decimal = '.';
    }
    if (!table.is_text()) fatal_rose(in, "větrné růžice lze číst jen z textového souboru"_cz, table);
}

// Opens the table and skips the header line of the fixed format.
void open_roses(InputContext& in, File& file, const InputTable& table, int& line_number) {
    open_table(in, file, table);
    line_number = 0;
    std::string header;
    if (table.type == TableType::Fix) read_table_line(in, file, table, line_number, header);
}

// Reads the identifier line of a rose: false at the end of the file.
bool read_identifier(InputContext& in, File& file, const InputTable& table, int& line_number, int& id) {
    std::string line;
    if (!read_table_line(in, file, table, line_number, line)) return false;
    id = field_integer(in, split_fields(line, table.separator), 0, line_number, table);
    if (id <= 0) fatal_rose(in, format_message("ID růžice musí být větší než 0 (zadáno %i)"_cz, id), table);
    return true;
}

void read_frequency_line(InputContext& in, File& file, const InputTable& table, int& line_number,
                         std::vector<std::string>& fields) {
    std::string line;
    if (!read_table_line(in, file, table, line_number, line)) fatal_rose(in, "neočekávaný konec souboru"_cz, table);
    fields = split_fields(line, table.separator);
}

// The roses counted and allocated, every frequency 0.
WindRoses count_roses(InputContext& in, const InputTable& table) {
    WindRoses roses;
    File file;
    int line_number = 0;
    open_roses(in, file, table, line_number);
    int count = 0;
    int n = 0;
    int id = 0;
    std::vector<std::string> fields;
    while (read_identifier(in, file, table, line_number, id)) {
        ++count;
        for (int l = 1; l < kLinesPerRose; ++l) {
            read_frequency_line(in, file, table, line_number, fields);
            if (count == 1 && l == 1) {
                n = static_cast<int>(fields.size()) - 1 - label_fields(table);
                if (n > kMaxSectors)
                    fatal_rose(in, format_message("Maximální počet sektorů je %i, načteno %i"_cz, kMaxSectors, n),
                               table);
                if (n <= 0) fatal_rose(in, "Chybný počet směrů větrné růžice"_cz, table);
            }
        }
    }
    file.close();
    // A table without any rose (a fixed-format header and nothing else).
    if (count == 0) fatal_rose(in, "neočekávaný konec souboru"_cz, table);

    const char* array = "Wnd_id";
    try {
        roses.Wnd_id.assign(static_cast<std::size_t>(count), 0);
        array = "Wnd_frequency";
        roses.Wnd_frequency.reserve(static_cast<std::size_t>(count));
        for (int r = 0; r < count; ++r) {
            array = nullptr;
            roses.Wnd_frequency.emplace_back();
            roses.Wnd_frequency.back().fill(0.0);
        }
    } catch (const std::bad_alloc&) {
        const std::string name =
            array ? std::string(array) : format("Wnd_frequency[%i]", static_cast<int>(roses.Wnd_frequency.size()));
        roses.reset();
        in.log.fatal(kFatalMemory, name);
    }
    roses.count = count;
    roses.sectors_in_file = n;
    return roses;
}

// S is the computation's sector count.
void fill_roses(InputContext& in, const InputTable& table, WindRoses& roses, int S) {
    const int n = roses.sectors_in_file;
    if (n <= 0 || roses.count <= 0) in.log.fatal(kFatalProgram, "Wnd_frequency");  // the counting pass did not run
    File file;
    int line_number = 0;
    open_roses(in, file, table, line_number);
    const int skip = label_fields(table);

    // x[f][g][j]: group f (0..5), speed class g (0..2), sector j (0..n-1),
    // j = n the row total.
    std::vector<double> x(static_cast<std::size_t>(kGroups * kSpeedClasses * (n + 1)));
    auto at = [&](int f, int g, int j) -> double& {
        return x[static_cast<std::size_t>((f * kSpeedClasses + g) * (n + 1) + j)];
    };
    std::vector<std::string> fields;
    for (int r = 0; r < roses.count; ++r) {
        int id = 0;
        if (!read_identifier(in, file, table, line_number, id)) fatal_rose(in, "neočekávaný konec souboru"_cz, table);
        for (int f = 0; f < kGroups; ++f) {
            for (int g = 0; g < kSpeedClasses; ++g) {
                read_frequency_line(in, file, table, line_number, fields);
                if (static_cast<int>(fields.size()) < skip + n + 1) fatal_missing_field(in.log, r + 1, table);
                for (int j = 0; j <= n; ++j)
                    at(f, g, j) = convert_decimal(in, line_number, fields[static_cast<std::size_t>(skip + j)],
                                                  table.decimal, table);
            }
        }

        // Total of the five stability classes over the three speed classes.
        double T = 0;
        for (int f = 0; f < kStabilityClasses; ++f)
            for (int g = 0; g < kSpeedClasses; ++g) T += at(f, g, n);
        if (std::fabs(T - 100.0) > kTotalTolerance)
            in.log.message(kErrorData,
                           format_message("Součet četností v růžici %i je různý od 100%%: (%.2f%%)"_cz, id, T));

        // Control sums, column by column (sectors, then the total column).
        for (int j = 0; j <= n; ++j) {
            for (int g = 0; g < kSpeedClasses; ++g) {
                double sum = 0;
                for (int f = 0; f < kStabilityClasses; ++f) sum += at(f, g, j);
                if (std::fabs(sum - at(kAnnualBlockIndex, g, j)) <= kControlTolerance) continue;
                if (j < n)
                    in.log.message(kErrorData, format_message("Kontrolní součet četností v růžici %i neodpovídá "
                                                              "zadanému: [Směr%i, Rychl%i]"_cz,
                                                              id, j + 1, g + 1));
                else
                    in.log.message(kErrorData, format_message("Kontrolní součet četností v růžici %i neodpovídá "
                                                              "zadanému: [Celk, Rychl%i]"_cz,
                                                              id, g + 1));
            }
        }

        // The part of speed class 1 that no sector holds is spread evenly.
        for (int f = 0; f < kGroups; ++f) {
            double sectors = 0;
            for (int j = 0; j < n; ++j) sectors += at(f, 0, j);
            const double share = (at(f, 0, n) - sectors) / n;
            for (int j = 0; j < n; ++j) at(f, 0, j) += share;
        }

        // Resampling to S sectors by linear interpolation between the
        // neighbouring file sectors (the last one towards the first).
        if (S < 1 || S > kMaxSectors || S % n != 0) fatal_rose(in, "Chybný počet směrů větrné růžice"_cz, table);
        const double w = 360.0 / n;
        const double v = 360.0 / S;
        std::array<double, kCaseSlots>& out = roses.Wnd_frequency[static_cast<std::size_t>(r)];
        out.fill(0.0);
        double U = 0;
        for (int k = 0; k < S; ++k) {
            const double a = k * v;
            const int t = k * n / S;  // floor(a / w), exact in integers
            const int t1 = t == n - 1 ? 0 : t + 1;
            for (int c = 0; c < kStabilityClasses; ++c) {
                for (int g = 0; g < kSpeedClasses; ++g) {
                    const double value = at(c, g, t) + (at(c, g, t1) - at(c, g, t)) / w * (a - t * w);
                    out[case_slot(c, g, k)] = value;
                    U += value;
                }
            }
        }
        // Keep the rose's total T (nothing to scale when U is 0).
        if (U != 0) {
            const double scale = T / U;
            for (int c = 0; c < kStabilityClasses; ++c)
                for (int g = 0; g < kSpeedClasses; ++g)
                    for (int k = 0; k < S; ++k) out[case_slot(c, g, k)] *= scale;
        }
        for (int g = 0; g < kSpeedClasses; ++g) {
            for (int k = 0; k < S; ++k) {
                double sum = 0;
                for (int c = 0; c < kStabilityClasses; ++c) sum += out[case_slot(c, g, k)];
                out[case_slot(kAnnualBlockIndex, g, k)] = sum;
            }
        }
        roses.Wnd_id[static_cast<std::size_t>(r)] = id;
    }
    file.close();
    roses.sector_width = 360.0 / S;

    in.log.message(kHeading, format_message("Počet načtených větrných růžic: %i"_cz, roses.count));
    in.log.message(kHeading, format_message("Větrné růžice s %i sektory"_cz, n));
    in.log.message(kHeading, format_message("Počet sektorů větrných růžic pro výpočet: %i"_cz, S));
}

}  // namespace

int WindRoses::find(int id) const {
    for (int i = 0; i < count; ++i)
        if (Wnd_id[static_cast<std::size_t>(i)] == id) return i;
    return -1;
}

WindRoses read_wind_roses(const ProjectConfig& project, const ModelSettings& settings, InputContext& in) {
    return read_wind_roses(ReaderPass::Fill, project, settings, in);
}

WindRoses read_wind_roses(ReaderPass pass, const ProjectConfig& project, const ModelSettings& settings,
                          InputContext& in) {
    InputTable table = project.wind_roses;
    if (missing_and_reported_by_host(in, table)) throw FatalStop{};
    in.log.message(kInformation, "VĚTRNÉ RŮŽICE"_cz);
    in.log.message(kInformation, format_message("Soubor s růžicemi: %s"_cz, table.path.c_str()));
    fix_convention(in, table);
    WindRoses roses = count_roses(in, table);
    roses.table = table;
    if (pass == ReaderPass::Count) return roses;
    // A file test may come before any model settings are loaded.
    const int S = settings.directions;
    fill_roses(in, table, roses, pass == ReaderPass::Test && (S < 1 || S > kMaxSectors) ? kMethodDirections : S);
    return roses;
}

}  // namespace zemo
