#include "output/result_files.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <memory>
#include <vector>

#include "base/format.h"
#include "base/platform.h"
#include "input/project_file.h"
#include "base/run_log.h"
#include "base/text.h"
#include "output/point_report.h"

namespace zemo {

const char* const kSectorNames[16] = {"S", "SSV", "SV", "VSV", "V", "VJV", "JV", "JJV",
                                      "J", "JJZ", "JZ", "ZJZ", "Z", "ZSZ", "SZ", "SSZ"};

// The tables of one pollutant.
struct PollutantTables {
    OutputTable source_shares, group_shares, sector_max, sector_mean, report;
};

// The result files of a run from their preparation to their closing.
struct ResultSet {
    bool prepared = false;
    bool dbf = false;
    int result_type = kResultStandard;
    double threshold = 1.0;
    int directions = kMethodDirections;
    std::string directory;  // where relative result paths are opened
    std::tm date{};         // of the run's start, in the DBF headers
    OutputTable basic;
    std::array<PollutantTables, kMaxPollutants> per;
    int pollutants = 0;
    SourceList sources;
    std::vector<double> contribution;  // per source, reused for every point

    template <typename F>
    void for_each_table(F f) {
        f(basic);
        for (int p = 0; p < pollutants; ++p) {
            f(per[p].source_shares);
            f(per[p].group_shares);
            f(per[p].sector_max);
            f(per[p].sector_mean);
            f(per[p].report);
        }
    }
};

ResultFiles::ResultFiles() = default;
ResultFiles::~ResultFiles() = default;

namespace {

// A source whose share of Crok is computed only when Crok reaches this.
constexpr double kMinCrok = 1e-10;

enum class Kind { Identifier, Coordinate, Concentration, Share };

struct Column {
    std::string txt_name;  // header of the text table
    std::string dbf_name;  // field name of the DBF table (cut to 11 when written)
    Kind kind;
    // For the message about two columns of the same name: what the column
    // shows ("2. limita 99.99 látky SO2").
    std::string origin = {};
};

int width_of(Kind k) {
    switch (k) {
        case Kind::Identifier: return kIdentifierWidth;
        case Kind::Coordinate: return kCoordinateWidth;
        case Kind::Concentration: return kConcentrationWidth;
        case Kind::Share: return kShareWidth;
    }
    return 0;
}

int decimals_of(Kind k) {
    switch (k) {
        case Kind::Identifier: return 0;
        case Kind::Coordinate: return kCoordinateDecimals;
        case Kind::Concentration: return kConcentrationDecimals;
        case Kind::Share: return kShareDecimals;
    }
    return 0;
}

void add(std::vector<Column>& cols, const std::string& name, Kind kind) { cols.push_back({name, name, kind}); }

// A limit as the messages show it: every digit it was given with.
std::string limit_text(double limit) { return format("%.10g", limit); }

int limit_count(const Pollutant& p) { return std::clamp(p.limit_count, 0, 2); }

// A DBF field name as a reader gets it back: the first 11 characters, up
// to the first blank (written as a zero byte, which ends the name).
std::string dbf_name_as_read(const std::string& name) {
    std::string read = name.substr(0, std::min(name.size(), kDbfNameBytes));
    return read.substr(0, std::min(read.size(), read.find(' ')));
}

bool dbf_names_alike(const std::string& a, const std::string& b) {
    return to_upper(dbf_name_as_read(a)) == to_upper(dbf_name_as_read(b));
}

// The exceedance columns of a pollutant, one per limit. A limit stands in
// the name as a whole number ("%.0f"): named(text) makes the name of a
// limit printed as text ("P_125_SO2", "S_P_125"). Only when the two limits
// would give names alike in a table of the format (the same text in TXT,
// the same first 11 characters in DBF, whatever the case) is the pair
// named otherwise, so that every name unique before stays as it was:
//   TXT: the limits with up to six significant digits ("%g": P_0.001_BAP
//        and P_0.0006_BAP), or when these are alike too (equal limits)
//        the limit's number, numbered(1) and numbered(2) (P1_BAP, P2_BAP);
//   DBF: the limit's number, which keeps the name within the 11
//        characters (P1_BAP; P_0.0006_BAP would have 12) and free of dots.
// origin(k) tells what limit k (from 0) is, for the message about alike names.
template <typename Named, typename Numbered, typename Origin>
void add_limits(std::vector<Column>& cols, const Pollutant& p, Named named, Numbered numbered, Origin origin) {
    const int n = limit_count(p);
    std::string txt[2], dbf[2];
    for (int k = 0; k < n; ++k) txt[k] = dbf[k] = named(format("%.0f", p.limit[k]));
    if (n == 2) {
        if (txt[0] == txt[1]) {
            txt[0] = named(format("%g", p.limit[0]));
            txt[1] = named(format("%g", p.limit[1]));
            if (txt[0] == txt[1]) {
                txt[0] = numbered(1);
                txt[1] = numbered(2);
            }
        }
        if (dbf_names_alike(dbf[0], dbf[1])) {
            dbf[0] = numbered(1);
            dbf[1] = numbered(2);
        }
    }
    for (int k = 0; k < n; ++k) cols.push_back({txt[k], dbf[k], Kind::Share, origin(k)});
}

std::vector<Column> point_columns() {
    std::vector<Column> cols;
    add(cols, "Bod", Kind::Identifier);
    add(cols, "X", Kind::Coordinate);
    add(cols, "Y", Kind::Coordinate);
    return cols;
}

// The header of a table: the tab-separated column names, or the DBF
// header, one descriptor per column and the terminator.
void write_header(OutputTable& table, const std::vector<Column>& cols, const std::tm& date) {
    if (!table.is_dbf()) {
        std::string line;
        std::vector<std::string> names;
        for (std::size_t i = 0; i < cols.size(); ++i) {
            if (i > 0) line.push_back('\t');
            line += cols[i].txt_name;
            names.push_back(cols[i].txt_name);
        }
        line.push_back('\n');
        table.file().write_text(line);
        table.name_columns(std::move(names));
        return;
    }
    int widths = 0;
    for (const Column& c : cols) widths += width_of(c.kind);
    table.begin_dbf(static_cast<int>(cols.size()), widths, date);
    for (const Column& c : cols)
        table.add_field(c.dbf_name, c.kind == Kind::Identifier ? 'C' : 'N', width_of(c.kind), decimals_of(c.kind));
    table.end_fields();
}

// A number too long for its DBF field is reported with the field and the
// point, up to this many per table; the rest are counted when the table is
// closed, so that one unit mistake over a large grid does not bury the log.
constexpr int kOverflowReportsPerTable = 20;

void report_overflow(RunLog& log, const OutputTable& table, int field, double value, const std::string& point_id) {
    if (table.overflows() > kOverflowReportsPerTable) return;
    log.messagef(kErrorCreate, "číslo %.12g se nevejde do pole %s (bod %s), je zapsáno hvězdičkami: %s"_cz, value,
                 table.field_name(field).c_str(), point_id.c_str(), table.path().c_str());
}

// A value that is no finite number (a background or an emission so large
// that a sum overflows): a counted error naming the table, the column and
// the point, up to kOverflowReportsPerTable per table like the overflows;
// the table is incomplete and the run does not end with "O.K.".
void report_not_finite(RunLog& log, OutputTable& table, int field, double value, const std::string& point_id) {
    table.count_not_finite();
    if (table.not_finite() > kOverflowReportsPerTable) return;
    log.messagef(kErrorData, "hodnota %s v poli %s (bod %s) není konečné číslo: %s"_cz, format("%f", value).c_str(),
                 table.field_name(field).c_str(), point_id.c_str(), table.path().c_str());
}

// One row of a table. The text form prints each value with its own
// format, tab-separated; the DBF form writes a record whose fields take
// the widths of their kinds.
class Row {
public:
    Row(RunLog& log, OutputTable& table, const std::string& id) : log_(log), t_(table), id_(id) {
        if (t_.is_dbf()) {
            t_.begin_record();
            t_.put_text(id, kIdentifierWidth);
        } else {
            t_.file().write_text(id);
        }
    }
    void text(const std::string& value) {
        if (t_.is_dbf()) {
            t_.put_text(value, kIdentifierWidth);
        } else {
            t_.file().write_text("\t");
            t_.file().write_text(value);
        }
        ++field_;
    }
    void number(double value, const char* txt_format, Kind kind) {
        if (!std::isfinite(value)) {
            // Written as ever (the overflow mark in DBF, the C text in TXT),
            // but reported instead of passed over.
            report_not_finite(log_, t_, field_, value, id_);
            if (t_.is_dbf()) {
                t_.put_text(std::string(static_cast<std::size_t>(width_of(kind)), '*'), width_of(kind));
            } else {
                t_.file().write_text("\t");
                t_.file().print(txt_format, value);
            }
            ++field_;
            return;
        }
        if (t_.is_dbf()) {
            if (!t_.put_number(value, width_of(kind), decimals_of(kind))) report_overflow(log_, t_, field_, value, id_);
        } else {
            t_.file().write_text("\t");
            t_.file().print(txt_format, value);
        }
        ++field_;
    }
    void end() {
        if (!t_.is_dbf()) t_.file().write_text("\n");
    }

private:
    RunLog& log_;
    OutputTable& t_;
    const std::string& id_;
    int field_ = 1;  // the column the next value goes to; 0 is the identifier
};

Row point_row(RunLog& log, OutputTable& table, const ReferencePoint& point) {
    Row row(log, table, point.id);
    row.number(point.x, "%.0f", Kind::Coordinate);
    row.number(point.y, "%.0f", Kind::Coordinate);
    return row;
}

bool sector_reached(const SectorCase& c) { return c.stability >= 1 && c.direction >= 0; }


bool has_directory_part(const std::string& base) { return platform::file_name_start(base) > 0; }

// Creates one table; a table that cannot be created is fatal, named by
// shown (the base name for the basic table, the full path for the others).
void create_table(RunLog& log, ResultFiles& files, OutputTable& table, const std::string& path, bool dbf,
                  const std::string& shown) {
    const ResultSet& set = *files.set;
    const std::string name = platform::path_in_directory(set.directory, path);
    const std::string written = name + files.temporary_suffix;
    if (!files.temporary_suffix.empty()) {
        if (files.before_create) files.before_create(written);
        // A temporary file a killed run left behind, or anything planted
        // under its name, goes first: the table is created afresh.
        platform::remove_file(written);
    }
    if (!table.create(written, path, dbf, !files.temporary_suffix.empty()))
        log.fatal(kFatalCreate, with_cause(shown, name, table.file().error()));
    files.created.push_back({path, name, written});
}

std::vector<Column> basic_columns(const std::vector<Pollutant>& pollutants) {
    std::vector<Column> cols = point_columns();
    for (const Pollutant& p : pollutants) {
        const char* ind = p.indicative.c_str();
        cols.push_back({format("Crok_%s", ind), format("Crok_%s", ind), Kind::Concentration,
                        format("roční průměr látky %s"_cz, ind)});
        cols.push_back({format("Cmax_%s", ind), format("Cmax_%s", ind), Kind::Concentration,
                        format("maximální koncentrace látky %s"_cz, ind)});
        add_limits(
            cols, p, [ind](const std::string& limit) { return "P_" + limit + "_" + ind; },
            [ind](int k) { return format("P%i_%s", k, ind); },
            [&p, ind](int k) {
                return format("%i. limita %s látky %s"_cz, k + 1, limit_text(p.limit[k]).c_str(), ind);
            });
    }
    return cols;
}

std::vector<Column> source_share_columns() {
    std::vector<Column> cols = point_columns();
    add(cols, "Zdroj", Kind::Identifier);
    add(cols, "Crok", Kind::Concentration);
    add(cols, "Podil", Kind::Concentration);
    cols.push_back({"Podil[%]", "Podil_%", Kind::Share});
    return cols;
}

std::vector<Column> group_share_columns(const SourceList& src) {
    std::vector<Column> cols = point_columns();
    for (int g : src.ascending) {
        const int number = src.group_numbers[g];
        cols.push_back({format("Skupina_%i", number), dbf_group_field_name(number), Kind::Share});
    }
    add(cols, "Transfer", Kind::Share);
    return cols;
}

std::vector<Column> sector_max_columns(const Pollutant& p) {
    std::vector<Column> cols = point_columns();
    for (const char* name : kSectorNames) {
        add(cols, format("%s_X", name), Kind::Concentration);
        add_limits(
            cols, p, [name](const std::string& limit) { return std::string(name) + "_P_" + limit; },
            [name](int k) { return format("%s_P%i", name, k); },
            [&p, name](int k) {
                return format("%i. limita %s v sektoru %s"_cz, k + 1, limit_text(p.limit[k]).c_str(), name);
            });
    }
    return cols;
}

std::vector<Column> sector_mean_columns() {
    std::vector<Column> cols = point_columns();
    for (const char* name : kSectorNames) add(cols, format("%s_R", name), Kind::Concentration);
    cols.push_back({"PRUM_R", "Crok", Kind::Concentration});
    return cols;
}

// One result table of the run as it is created: its path, the name a
// creation failure shows, and its columns.
struct TablePlan {
    OutputTable* table;
    std::string path, shown;
    std::vector<Column> columns;
};

// Every column table of the run in the order of creation: the basic table,
// then per pollutant its source-share, group-share, sector-maximum and
// sector-mean tables. Both the name check and the headers use this list.
std::vector<TablePlan> plan_tables(ResultSet& set, const ProjectConfig& pr, const std::vector<Pollutant>& pollutants) {
    std::vector<TablePlan> plan;
    plan.push_back(
        {&set.basic, result_file_path(pr, pr.base_basic, "", set.dbf), pr.base_basic, basic_columns(pollutants)});
    if (set.result_type < kResultStandard) return plan;
    for (int p = 0; p < set.pollutants; ++p) {
        const Pollutant& pollutant = pollutants[static_cast<std::size_t>(p)];
        PollutantTables& t = set.per[p];
        const auto table = [&](OutputTable& table, const std::string& base, std::vector<Column> cols) {
            const std::string path = result_file_path(pr, base, pollutant.indicative, set.dbf);
            plan.push_back({&table, path, path, std::move(cols)});
        };
        table(t.source_shares, pr.base_source_shares, source_share_columns());
        table(t.group_shares, pr.base_group_shares, group_share_columns(set.sources));
        table(t.sector_max, pr.base_sector_max, sector_max_columns(pollutant));
        table(t.sector_mean, pr.base_sector_mean, sector_mean_columns());
    }
    return plan;
}

// The fatal message about columns a and b of a table, whose names are alike.
[[noreturn]] void refuse_same_names(RunLog& log, const TablePlan& t, const Column& a, const Column& b, bool dbf) {
    const auto describe = [dbf](const Column& c) {
        if (!dbf) return c.origin.empty() ? c.txt_name : c.origin;
        return c.origin.empty() ? c.dbf_name : format("%s (%s)", c.dbf_name.c_str(), c.origin.c_str());
    };
    const char* cause = "";
    if (dbf && to_upper(a.dbf_name) != to_upper(b.dbf_name))
        cause = "; název pole DBF tvoří jen prvních 11 znaků názvu sloupce"_cz;
    else if (dbf && a.dbf_name != b.dbf_name) cause = "; velká a malá písmena se v názvech polí DBF nerozlišují"_cz;
    log.fatalf(kFatalData, "tabulka %s by měla dva sloupce stejného názvu %s: %s a %s%s"_cz, t.path.c_str(),
               (dbf ? dbf_name_as_read(a.dbf_name) : a.txt_name).c_str(), describe(a).c_str(), describe(b).c_str(),
               cause);
}

// Every table's column names must differ as the format writes them: the
// TXT names exactly; the DBF names as a reader gets them back, compared
// without regard to case, as dBase readers look fields up.
void check_column_names(RunLog& log, const std::vector<TablePlan>& plan, bool dbf) {
    for (const TablePlan& t : plan) {
        std::map<std::string, std::size_t> seen;
        for (std::size_t i = 0; i < t.columns.size(); ++i) {
            const Column& c = t.columns[i];
            const auto [at, added] = seen.emplace(dbf ? to_upper(dbf_name_as_read(c.dbf_name)) : c.txt_name, i);
            if (added) continue;
            refuse_same_names(log, t, t.columns[at->second], c, dbf);
        }
    }
}

const PollutantStatistics& statistics_of(const PointStatistics& stats, int p) {
    static const PollutantStatistics none{};
    return p < static_cast<int>(stats.pollutants.size()) ? stats.pollutants[p] : none;
}

void write_source_shares(RunLog& log, ResultSet& set, OutputTable& table, const ReferencePoint& point,
                         const ConcMatrix& conc, int p, const PollutantStatistics& st) {
    // The source's part of Crok: its annual-mean contributions summed over
    // every direction and speed class.
    const int n = std::min(set.sources.count(), conc.sources());
    set.contribution.assign(static_cast<std::size_t>(n), 0.0);
    for (int speed = 0; speed < kSpeedClasses; ++speed)
        for (int d = 0; d < set.directions; ++d) {
            const int c = case_slot(kAnnualBlockIndex, speed, d);
            for (int a : conc.written(d)) {
                const int j = conc.source_of(a);
                if (j < n) set.contribution[j] += conc.at(p, c, a);
            }
        }
    // A source without a column contributes an exact 0, whose share passes
    // only a negative threshold; otherwise the columns (in source order)
    // are all there is to look at.
    const bool every_source = set.threshold < 0;
    const int count = every_source ? n : conc.columns();
    for (int i = 0; i < count; ++i) {
        const int j = every_source ? i : conc.source_of(i);
        if (j >= n) continue;
        const double share = st.Crok >= kMinCrok ? 100.0 * set.contribution[j] / st.Crok : 0.0;
        if (!(share > set.threshold)) continue;
        Row row = point_row(log, table, point);
        row.text(set.sources.ids[j]);
        row.number(st.Crok, "%.3f", Kind::Concentration);
        row.number(set.contribution[j], "%.3f", Kind::Concentration);
        row.number(share, "%.2f", Kind::Share);
        row.end();
    }
}

void write_group_shares(RunLog& log, ResultSet& set, OutputTable& table, const ReferencePoint& point,
                        const PollutantStatistics& st) {
    const auto& shares = st.group_shares;
    auto share_at = [&](std::size_t i) { return i < shares.size() ? shares[i] : 0.0; };
    Row row = point_row(log, table, point);
    for (int g : set.sources.ascending) row.number(share_at(static_cast<std::size_t>(g)), "%.2f", Kind::Share);
    row.number(share_at(set.sources.group_numbers.size()), "%.2f", Kind::Share);
    row.end();
}

void write_sector_means(RunLog& log, OutputTable& table, const ReferencePoint& point, const PollutantStatistics& st) {
    Row row = point_row(log, table, point);
    for (int s = 0; s < kOutputSectors; ++s) row.number(st.sector_mean[s], "%.2f", Kind::Concentration);
    row.number(st.Crok, "%.1f", Kind::Concentration);
    row.end();
}

void write_sector_maxima(RunLog& log, OutputTable& table, const ReferencePoint& point, const Pollutant& pollutant,
                         const PollutantStatistics& st) {
    Row row = point_row(log, table, point);
    for (int s = 0; s < kOutputSectors; ++s) {
        // A sector that no case reaches has no maximum: it shows 0.
        const bool reached = sector_reached(st.sector_max[s]);
        row.number(reached ? st.sector_max[s].value : 0.0, "%.2f", Kind::Concentration);
        for (int k = 0; k < limit_count(pollutant); ++k)
            row.number(reached ? st.sector_exceedance[s][k] : 0.0, "%.2f", Kind::Share);
    }
    row.end();
}

}  // namespace

std::string dbf_group_field_name(int group) {
    // Each form starts differently ("Skupina_", "Skup_", "S" and a digit,
    // "M"), and within a form the decimal number is unique, so no two group
    // numbers share a name, whatever the case.
    if (group >= -99 && group <= 999) return format("Skupina_%i", group);
    if (group >= -99999 && group <= 999999) return format("Skup_%i", group);
    if (group > 0) return format("S%i", group);
    return format("M%lld", -static_cast<long long>(group));
}

std::string result_file_path(const ProjectConfig& project, const std::string& base, const std::string& indicative,
                             bool dbf) {
    std::string path = has_directory_part(base) ? base : project.output_directory + base;
    if (!indicative.empty()) path += "_" + indicative;
    path += dbf ? ".dbf" : ".txt";
    return path;
}

std::vector<PlannedResultFile> planned_result_files(const ProjectConfig& pr) {
    const bool dbf = pr.result_format == kFormatDbf;
    const int pollutants = std::min(static_cast<int>(pr.pollutants.size()), kMaxPollutants);
    std::vector<PlannedResultFile> files;
    files.push_back({result_file_path(pr, pr.base_basic, "", dbf), "základní tabulka výsledků"_cz});
    if (pr.result_type >= kResultStandard) {
        for (int p = 0; p < pollutants; ++p) {
            const std::string& ind = pr.pollutants[p].indicative;
            files.push_back({result_file_path(pr, pr.base_source_shares, ind, dbf), "tabulka podílů zdrojů "_cz + ind});
            files.push_back({result_file_path(pr, pr.base_group_shares, ind, dbf), "tabulka podílů skupin "_cz + ind});
            files.push_back(
                {result_file_path(pr, pr.base_sector_max, ind, dbf), "tabulka sektorových maxim "_cz + ind});
            files.push_back(
                {result_file_path(pr, pr.base_sector_mean, ind, dbf), "tabulka sektorových průměrů "_cz + ind});
        }
    }
    if (pr.result_type == kResultExtended)
        for (int p = 0; p < pollutants; ++p) {
            const std::string& ind = pr.pollutants[p].indicative;
            files.push_back({result_file_path(pr, pr.base_report, ind, false), "detailní výpis "_cz + ind});
        }
    return files;
}

void prepare_result_files(const RunInputs& in, ResultFiles& files, RunLog& log) {
    reset_result_files(files);
    files.created.clear();
    files.set = std::make_unique<ResultSet>();
    ResultSet& set = *files.set;
    const ProjectConfig& pr = in.project;
    set.directory = in.options.computation_directory;
    set.date = in.options.start_local;
    set.dbf = pr.result_format == kFormatDbf;
    set.result_type = pr.result_type;
    set.threshold = pr.limit_share_threshold;
    const int directions = in.settings.directions;
    set.directions = directions >= 1 && directions <= kMaxSectors ? directions : kMethodDirections;
    set.pollutants = std::min(static_cast<int>(pr.pollutants.size()), kMaxPollutants);
    set.sources.load(in.sources);
    const std::vector<Pollutant> pollutants(pr.pollutants.begin(), pr.pollutants.begin() + set.pollutants);

    // Names first: a refused run creates (and empties) no file.
    const std::vector<TablePlan> plan = plan_tables(set, pr, pollutants);
    check_column_names(log, plan, set.dbf);
    for (const TablePlan& t : plan) {
        create_table(log, files, *t.table, t.path, set.dbf, t.shown);
        write_header(*t.table, t.columns, set.date);
    }
    if (set.result_type == kResultExtended) {
        for (int p = 0; p < set.pollutants; ++p) {
            const std::string path = result_file_path(pr, pr.base_report, pollutants[p].indicative, false);
            create_table(log, files, set.per[p].report, path, false, path);
            write_report_title(set.per[p].report.file(), pollutants[p]);
        }
    }
    set.prepared = true;
}

void write_point_results(const RunInputs& in, ResultFiles& files, RunLog& log, const ReferencePoint& point,
                         const ConcMatrix& conc, const PointStatistics& stats) {
    if (!files.set || !files.set->prepared) return;
    ResultSet& set = *files.set;
    const ProjectConfig& pr = in.project;
    const int pollutants = std::min(set.pollutants, conc.pollutants());

    {
        Row row = point_row(log, set.basic, point);
        for (int p = 0; p < set.pollutants; ++p) {
            const PollutantStatistics& st = statistics_of(stats, p);
            row.number(st.Crok, "%.5f", Kind::Concentration);
            row.number(st.Cmax, "%.2f", Kind::Concentration);
            for (int k = 0; k < limit_count(pr.pollutants[p]); ++k) row.number(st.P[k], "%.2f", Kind::Share);
        }
        row.end();
    }

    if (set.result_type >= kResultStandard) {
        for (int p = 0; p < pollutants; ++p) {
            const PollutantStatistics& st = statistics_of(stats, p);
            PollutantTables& t = set.per[p];
            write_source_shares(log, set, t.source_shares, point, conc, p, st);
            write_group_shares(log, set, t.group_shares, point, st);
            write_sector_means(log, t.sector_mean, point, st);
            write_sector_maxima(log, t.sector_max, point, pr.pollutants[p], st);
        }
    }

    if (set.result_type == kResultExtended) {
        const WindRoses& roses = in.roses;
        const int rose = point.wind_rose;
        const int rose_id =
            rose >= 0 && rose < static_cast<int>(roses.Wnd_id.size()) ? roses.Wnd_id[rose] : point.wind_rose;
        for (int p = 0; p < pollutants; ++p)
            write_point_report(set.per[p].report.file(), point, rose_id, pr.pollutants[p], statistics_of(stats, p),
                               conc, p, set.sources, set.threshold);
    }

    // Each finished point is on disk, and a full disk shows at once.
    set.for_each_table([](OutputTable& t) {
        if (t.is_open()) t.file().flush();
    });
}

void complete_result_files(ResultFiles& files) {
    if (!files.set) return;
    files.set->for_each_table([](OutputTable& t) {
        if (t.is_open() && t.is_dbf()) t.finish_dbf();
    });
}

bool close_result_files(ResultFiles& files, RunLog& log) {
    if (!files.set) return true;
    bool all_written = true;
    files.set->for_each_table([&](OutputTable& t) {
        if (t.path().empty()) return;
        if (t.close()) return;
        all_written = false;
        if (t.failed())
            log.messagef(
                kErrorCreate, "zápis se nezdařil, soubor výsledků je neúplný: %s"_cz,
                with_cause(t.path(), platform::path_in_directory(files.set->directory, t.path()), t.file().error())
                    .c_str());
        if (t.not_finite() > kOverflowReportsPerTable)
            log.messagef(kErrorData, "další hodnoty nejsou konečná čísla (celkem %i): %s"_cz, t.not_finite(),
                         t.path().c_str());
        if (t.overflows() > kOverflowReportsPerTable)
            log.messagef(kErrorCreate, "další čísla se nevešla do polí a jsou zapsána hvězdičkami (celkem %i): %s"_cz,
                         t.overflows(), t.path().c_str());
    });
    files.set.reset();
    return all_written;
}

void close_result_files_after_stop(ResultFiles& files) {
    // As the fatal path closes every open file: the File alone, flushed,
    // without the DBF end mark and record count, so a stopped run's tables
    // hold exactly what was written and no table is reported yet; the end
    // of the run still completes what is open and reports what was lost.
    if (!files.set) return;
    files.set->for_each_table([](OutputTable& t) { t.file().close(); });
}

void reset_result_files(ResultFiles& files) {
    if (files.set) files.set->for_each_table([](OutputTable& t) { t.close(); });
    files.set.reset();
}

OutputTable* find_result_table(ResultFiles& files, const std::string& path) {
    if (!files.set) return nullptr;
    OutputTable* found = nullptr;
    files.set->for_each_table([&](OutputTable& t) {
        if (!found && t.is_open() && t.path() == path) found = &t;
    });
    return found;
}

}  // namespace zemo
