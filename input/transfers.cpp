// Transfers and background concentrations: either form becomes, per
// pollutant of the computation, a value for each of the S sectors of the
// computation (TransferSector) and an overall value (TransferTotal).
//
// Passes:
//   checking (Count) - zero the arrays, evaluate the background list, read
//                      and check the transfers table, report what is given;
//   storing  (Fill)  - the same, and the table's values are completed
//                      (overall value), resampled to S sectors and stored;
//   test     (Test)  - the checking pass of the desktop program's
//                      single-file test; no wind roses need be loaded.
//
// The sector count n of the table is the wind-rose table's. While it is not
// known (a test without wind roses) the table's own field count decides:
// 8, 16 or 48 sector values, with or without the overall value.
#include "input/transfers.h"

#include <cmath>

#include "base/format.h"
#include "base/numbers.h"
#include "input/project_file.h"
#include "base/run_log.h"
#include "base/text.h"
#include "input/wind_roses.h"
#include "input/model_settings.h"

namespace zemo {

namespace {

// Without an overall value in the table, the overall value is the mean of
// the sector values times this factor.
constexpr double kOverallFromMean = 2.56;
constexpr double kFullCircle = 360.0;  // degrees
// Sector counts a table may have when the wind roses do not say.
constexpr int kKnownSectorCounts[] = {8, 16, 48};

const char* const kIncompleteBackground = "Neúplné zadání pozaďových koncentrací (soubor s transfery)"_cz;

// What one pass has read for one pollutant.
struct HeldTransfer {
    bool present = false;
    std::vector<double> sectors;  // n values as read
    bool has_total = false;
    double total = 0;
};

int sector_count(const ModelSettings& settings) {
    const int s = settings.directions;
    return s < 1 ? 1 : (s > kMaxSectors ? kMaxSectors : s);
}

// One row per pollutant of the project, every value 0.
Transfers zero_arrays(const ProjectConfig& project) {
    Transfers tr;
    const std::size_t np = project.pollutants.size();
    tr.TransferSector.assign(np, std::array<double, kMaxSectors>{});
    tr.TransferTotal.assign(np, 0.0);
    return tr;
}

[[noreturn]] void fatal_with_file(InputContext& in, const std::string& text, const InputTable& table) {
    in.log.fatal_with_file(kFatalData, text, table.path);
}

// The background list "IND:value,IND:value...": both passes.
void read_background(ReaderPass pass, const ProjectConfig& project, const ModelSettings& settings, InputContext& in,
                     Transfers& tr) {
    const std::string& list = project.background;
    const std::vector<Pollutant>& pollutants = project.pollutants;
    std::vector<bool> given(pollutants.size(), false);
    std::vector<double> value(pollutants.size(), 0.0);

    int pairs = 0;
    std::size_t pos = 0;
    while (pos <= list.size()) {
        const std::size_t colon = list.find(':', pos);
        if (colon == std::string::npos) {
            // Only blanks may follow the last pair.
            if (pairs == 0 || !trim_blanks(std::string_view(list).substr(pos)).empty())
                in.log.fatal(kFatalData, kIncompleteBackground);
            break;
        }
        const std::size_t comma = list.find(',', colon + 1);
        const std::size_t end = comma == std::string::npos ? list.size() : comma;
        const std::string indicative = to_upper(trim_blanks(std::string_view(list).substr(pos, colon - pos)));
        float v = 0;
        const std::string_view text = std::string_view(list).substr(colon + 1, end - colon - 1);
        if (!scan_float(text, v)) in.log.fatal(kFatalData, kIncompleteBackground);
        // A concentration: finite ("1e40" is inf in single precision) and
        // not negative.
        if (!std::isfinite(v) || v < 0) {
            const std::string indicative_as_given = trim_blanks(std::string_view(list).substr(pos, colon - pos));
            in.log.fatalf(kFatalData, "%s: %s:%s", kIncompleteBackground, indicative_as_given.c_str(),
                          trim_blanks(text).c_str());
        }
        ++pairs;
        for (std::size_t p = 0; p < pollutants.size(); ++p) {
            if (to_upper(pollutants[p].indicative) == indicative) {
                given[p] = true;
                value[p] = static_cast<double>(v);
            }
        }
        if (comma == std::string::npos) break;
        pos = comma + 1;
    }
    for (std::size_t p = 0; p < pollutants.size(); ++p)
        if (!given[p]) in.log.fatal(kFatalData, kIncompleteBackground);

    const int s = sector_count(settings);
    for (std::size_t p = 0; p < pollutants.size(); ++p) {
        tr.TransferTotal[p] = value[p];
        for (int k = 0; k < s; ++k) tr.TransferSector[p][static_cast<std::size_t>(k)] = value[p] / s;
    }

    if (pass != ReaderPass::Fill) {
        in.log.message(kInformation, "Zadány hodnoty pozaďových koncentrací"_cz);
    } else if (in.log.level >= 2) {
        in.log.message(kEcho, "Přehled načtených hodnot:"_cz);
        for (std::size_t p = 0; p < pollutants.size(); ++p)
            in.log.messagef(kEcho, "   pozaďová koncentrace %8s : %.2f"_cz, pollutants[p].indicative.c_str(), value[p]);
    }
}

int pollutant_index(const std::vector<Pollutant>& pollutants, const std::string& indicative, bool upper_case) {
    for (std::size_t p = 0; p < pollutants.size(); ++p) {
        const std::string own = upper_case ? to_upper(pollutants[p].indicative) : pollutants[p].indicative;
        if (own == indicative) return static_cast<int>(p);
    }
    return -1;
}

// Text table: one pollutant per line.
void read_text_table(InputContext& in, const std::vector<Pollutant>& pollutants, const InputTable& table, File& file,
                     int n, std::vector<HeldTransfer>& held) {
    int line_number = 0;
    std::string line;
    bool first = true;
    bool with_total = false;
    while (read_table_line(in, file, table, line_number, line)) {
        const std::vector<std::string> fields = split_fields(line, table.separator);
        if (fields.empty())
            fatal_with_file(in, format_message("Nedostatečný počet údajů na řádce %i"_cz, line_number), table);
        const std::string indicative = trim_blanks(fields[0]);
        if (indicative.size() > kMaxIndicative)
            fatal_with_file(in,
                            format_message("Indikativ polutantu na řádku %i je příliš dlouhý (max %i znaků)"_cz,
                                           line_number, static_cast<int>(kMaxIndicative)),
                            table);
        const int values = static_cast<int>(fields.size()) - 1;
        if (first) {
            if (n == 0) {
                // No wind roses to say: the largest known count the line can hold.
                for (const int c : kKnownSectorCounts)
                    if (values >= c) n = c;
                if (n == 0) n = kKnownSectorCounts[0];
            }
            with_total = values > n;
            first = false;
        }
        const int p = pollutant_index(pollutants, indicative, false);
        if (p < 0) continue;  // a pollutant that is not computed
        if (values < n + (with_total ? 1 : 0))
            fatal_with_file(in, format_message("Nedostatečný počet údajů na řádce %i"_cz, line_number), table);
        HeldTransfer& h = held[static_cast<std::size_t>(p)];
        h.present = true;
        h.sectors.resize(static_cast<std::size_t>(n));
        for (int k = 0; k < n; ++k)
            h.sectors[static_cast<std::size_t>(k)] =
                convert_decimal(in, line_number, fields[static_cast<std::size_t>(k) + 1], table.decimal, table);
        h.has_total = with_total;
        h.total = with_total
                      ? convert_decimal(in, line_number, fields[static_cast<std::size_t>(n) + 1], table.decimal, table)
                      : 0.0;
    }
}

// The fatal message of a DBF table whose field count does not fit n sectors:
// the counts with and without the overall value, then the count found.
[[noreturn]] void wrong_field_count(RunLog& log, int n, int count) {
    log.fatal(kFatalData,
              format_message("chybný pocet vstupních polí požadováno %i/%i, zadáno %i (soubor s transfery)"_cz, n + 2,
                             n + 1, count));
}

// DBF table: fields by position, indicative first.
// The field count (n + 1 or n + 2) and the field types, by position. Fixes
// n when the wind roses do not say, and whether the overall value is given.
// A wrong count names the counts required for n sectors; while n is not
// known, those of the largest sector count a table may have.
void check_dbf_layout(RunLog& log, const DbfHeader& header, int& n, bool& with_total) {
    const int count = static_cast<int>(header.fields.size());
    with_total = false;
    if (n > 0) {
        if (count != n + 1 && count != n + 2) wrong_field_count(log, n, count);
        with_total = count == n + 2;
    } else {
        for (const int c : kKnownSectorCounts) {
            if (count == c + 1) n = c;
            if (count == c + 2) {
                n = c;
                with_total = true;
            }
        }
        if (n == 0) {
            const int most = kKnownSectorCounts[std::size(kKnownSectorCounts) - 1];
            wrong_field_count(log, most, count);
        }
    }
    for (int f = 0; f < count; ++f) {
        const DbfField& field = header.fields[static_cast<std::size_t>(f)];
        const bool character = field.kind == DbfFieldKind::Character;
        if ((f == 0) != character)
            log.fatal(kFatalData, format_message("chybný datový typ %s [%c] (soubor s transfery)"_cz,
                                                 field.name.c_str(), field.type_letter));
    }
}

void read_dbf_table(InputContext& in, const std::vector<Pollutant>& pollutants, const InputTable& table, File& file,
                    int n, std::vector<HeldTransfer>& held) {
    DbfHeader header;
    read_dbf_header(in.log, file, table, header);
    bool with_total = false;
    check_dbf_layout(in.log, header, n, with_total);

    std::vector<std::string> fields;
    for (std::uint32_t r = 0; r < header.record_count; ++r) {
        read_dbf_record(in.log, file, table, header, r, fields);
        const int record = static_cast<int>(r) + 1;
        const std::string indicative = dbf_identifier(fields[0]);
        if (indicative.size() > kMaxIndicative)
            fatal_with_file(in,
                            format_message("Indikativ polutantu v záznamu %i je príliš dlouhý (max %i znaků)"_cz,
                                           record, static_cast<int>(kMaxIndicative)),
                            table);
        const int p = pollutant_index(pollutants, indicative, true);
        if (p < 0) continue;
        HeldTransfer& h = held[static_cast<std::size_t>(p)];
        h.present = true;
        h.sectors.resize(static_cast<std::size_t>(n));
        for (int k = 0; k < n; ++k)
            h.sectors[static_cast<std::size_t>(k)] =
                convert_decimal(in, record, fields[static_cast<std::size_t>(k) + 1], '.', table);
        h.has_total = with_total;
        h.total = with_total ? convert_decimal(in, record, fields[static_cast<std::size_t>(n) + 1], '.', table) : 0.0;
    }
}

// The transfers table; table is the project's, its convention fixed by the
// first pass that reads it.
void read_transfer_table(ReaderPass pass, const ProjectConfig& project, const ModelSettings& settings,
                         const WindRoses& roses, InputContext& in, InputTable& table, Transfers& tr) {
    const std::vector<Pollutant>& pollutants = project.pollutants;
    if (pass != ReaderPass::Fill) {
        in.log.message(kInformation, "TRANSFERY / POZAĎOVÉ KONCENTRACE"_cz);
        in.log.messagef(kInformation, "Soubor s transfery: %s", table.path.c_str());
    }
    // The host reports the table itself.
    if (missing_and_reported_by_host(in, table)) throw FatalStop{};
    if (table.type == TableType::Undetermined) detect_table_type(in, table, false);
    File file;
    if (!file.open(in.file_name(table.path), "rb"))
        in.log.fatal(kFatalOpen, with_cause(table.path, in.file_name(table.path), file.error()));
    const int n = roses.sectors_in_file;
    std::vector<HeldTransfer> held(pollutants.size());
    if (table.is_dbf()) read_dbf_table(in, pollutants, table, file, n, held);
    else read_text_table(in, pollutants, table, file, n, held);
    file.close();

    for (std::size_t p = 0; p < pollutants.size(); ++p)
        if (!held[p].present)
            fatal_with_file(in, format_message("Nezadané transfery pro %s"_cz, pollutants[p].indicative.c_str()),
                            table);

    if (pass != ReaderPass::Fill) {
        in.log.message(kInformation, "Zadány hodnoty transferů"_cz);
        return;
    }

    const int s = sector_count(settings);
    const bool echo = in.log.level >= 2;
    if (echo) in.log.message(kEcho, "Přehled načtených hodnot:"_cz);
    for (std::size_t p = 0; p < pollutants.size(); ++p) {
        const HeldTransfer& h = held[p];
        const int count = static_cast<int>(h.sectors.size());
        double lowest = h.sectors[0], highest = h.sectors[0], sum = 0;
        for (const double v : h.sectors) {
            if (v < lowest) lowest = v;
            if (v > highest) highest = v;
            sum += v;
        }
        tr.TransferTotal[p] = h.has_total ? h.total : sum / count * kOverallFromMean;
        resample_sectors(h.sectors.data(), count, s, tr.TransferSector[p].data());
        if (echo)
            in.log.messagef(kEcho, "   transfer %8s : %.2f - %.2f, %.2f", pollutants[p].indicative.c_str(), lowest,
                            highest, tr.TransferTotal[p]);
    }
}

// One pass over a copy of the project's table (the convention it fixes
// stays for the next pass).
Transfers transfers_pass(ReaderPass pass, const ProjectConfig& project, const ModelSettings& settings,
                         const WindRoses& roses, InputContext& in, InputTable& table) {
    Transfers tr = zero_arrays(project);
    if (project.transfers_given) read_transfer_table(pass, project, settings, roses, in, table, tr);
    else if (project.background_given) read_background(pass, project, settings, in, tr);
    else if (pass != ReaderPass::Fill) in.log.message(kInformation, "Transfery ani pozaďové koncentrace nezadány"_cz);
    return tr;
}

}  // namespace

void resample_sectors(const double* values, int n, int out_sectors, double* out) {
    const double w = kFullCircle / n;
    const double v = kFullCircle / out_sectors;
    for (int k = 0; k < out_sectors; ++k) {
        const double a = k * v;
        int t = static_cast<int>(std::floor(a / w));
        if (t > n - 1) t = n - 1;  // rounding at the end of the circle
        const int next = t == n - 1 ? 0 : t + 1;
        out[k] = values[t] + (values[next] - values[t]) / w * (a - t * w);
    }
}

Transfers read_transfers(const ProjectConfig& project, const ModelSettings& settings, const WindRoses& roses,
                         InputContext& in) {
    return read_transfers(ReaderPass::Fill, project, settings, roses, in);
}

Transfers read_transfers(ReaderPass pass, const ProjectConfig& project, const ModelSettings& settings,
                         const WindRoses& roses, InputContext& in) {
    InputTable table = project.transfers;
    if (pass == ReaderPass::Fill) transfers_pass(ReaderPass::Count, project, settings, roses, in, table);
    return transfers_pass(pass, project, settings, roses, in, table);
}

}  // namespace zemo
