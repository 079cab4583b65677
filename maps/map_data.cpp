#include "maps/map_data.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <system_error>

#include "base/files.h"
#include "base/platform.h"
#include "base/run_log.h"
#include "base/text.h"
#include "input/input_table.h"
#include "input/reference_points.h"
#include "input/wind_roses.h"
#include "output/result_digest.h"
#include "output/result_files.h"
#include "run/run.h"

namespace zemo::maps {

namespace fs = std::filesystem;

const std::vector<double>* ResultTable::column(const std::string& name) const {
    const int i = index_of(name);
    return i > 0 ? &numbers[static_cast<std::size_t>(i) - 1] : nullptr;
}

int ResultTable::index_of(const std::string& name) const {
    for (std::size_t i = 0; i < columns.size(); ++i)
        if (columns[i] == name) return static_cast<int>(i);
    return -1;
}

std::string native_path(const std::string& cp1250) {
    std::string path = cp1250_to_utf8(cp1250);
#ifndef _WIN32
    for (char& c : path)
        if (c == '\\') c = '/';
#endif
    return path;
}

namespace {

// A number of a result table, the whole field, whatever the process locale
// is (the desktop program may run in a Czech one, where strtod stops at the
// point).
bool parse_number(const std::string& text, double& value) {
    const std::string t = trim_blanks(text);
    const char* end = t.data() + t.size();
    const std::from_chars_result r = std::from_chars(t.data(), end, value);
    return !t.empty() && r.ec == std::errc() && r.ptr == end;
}

// The largest magnitude a map draws: the legend prints its ticks with
// every digit, and no result of a run comes near it (a concentration in
// DBF form holds at most 999999.999, a share at most 100). "nan", "inf" and
// 1e308 are no values to draw.
constexpr double kMaxDrawable = 1e12;

// Refuses a value of the result table that a map cannot draw, naming the
// file, the row (where: "řádka 5", "záznam 5") and the column.
void check_drawable(const std::string& path, const std::string& where, const std::string& column,
                    const std::string& text, double value) {
    if (!std::isfinite(value))
        throw MapError("Tabulka " + path + ", " + where + ", sloupec " + column + ": hodnota [" +
                       cp1250_to_utf8(trim_blanks(text)) + "] není konečné číslo");
    if (std::fabs(value) > kMaxDrawable)
        throw MapError("Tabulka " + path + ", " + where + ", sloupec " + column + ": hodnota [" +
                       cp1250_to_utf8(trim_blanks(text)) + "] je mimo rozsah, který mapa zobrazí (±1e12)");
}

std::string read_whole(const std::string& utf8_path) {
    std::ifstream in(utf8_path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The tab-separated basic table: a header of column names, then one row per
// reference point.
void read_text_table(const std::string& path, ResultTable& table) {
    std::istringstream in(read_whole(path));
    std::string line;
    int line_number = 0;
    while (std::getline(in, line)) {
        ++line_number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        std::vector<std::string> fields = split_fields(line, '\t');
        if (table.columns.empty()) {
            for (std::string& f : fields) table.columns.push_back(cp1250_to_utf8(f));
            table.numbers.resize(table.columns.size() - 1);
            continue;
        }
        if (fields.size() != table.columns.size())
            throw MapError("Tabulka " + path + ", řádka " + std::to_string(line_number) + ": " +
                           std::to_string(fields.size()) + " hodnot místo " + std::to_string(table.columns.size()));
        table.ids.push_back(cp1250_to_utf8(fields[0]));
        for (std::size_t c = 1; c < fields.size(); ++c) {
            double v = 0;
            if (!parse_number(fields[c], v))
                throw MapError("Tabulka " + path + ", řádka " + std::to_string(line_number) + ": hodnota [" +
                               cp1250_to_utf8(fields[c]) + "] není číslo");
            check_drawable(path, "řádka " + std::to_string(line_number), table.columns[c], fields[c], v);
            table.numbers[c - 1].push_back(v);
        }
    }
}

// The DBF basic table through the model's own DBF reader (its header checks
// included).
void read_dbf_table(RunLog& log, const std::string& cp1250_path, const std::string& path, ResultTable& table) {
    InputTable input;
    input.path = cp1250_path;
    input.type = TableType::Dbf;
    File file;
    if (!file.open(cp1250_path, "rb")) throw MapError("Tabulku výsledků nelze otevřít: " + path);
    DbfHeader header;
    read_dbf_header(log, file, input, header);
    for (const DbfField& f : header.fields) table.columns.push_back(cp1250_to_utf8(f.name));
    if (table.columns.empty()) throw MapError("Tabulka výsledků nemá žádný sloupec: " + path);
    table.numbers.resize(table.columns.size() - 1);
    std::vector<std::string> fields;
    for (std::uint32_t r = 0; r < header.record_count; ++r) {
        read_dbf_record(log, file, input, header, r, fields);
        table.ids.push_back(cp1250_to_utf8(dbf_identifier(fields[0])));
        for (std::size_t c = 1; c < fields.size(); ++c) {
            double v = 0;
            if (!parse_number(fields[c], v))
                throw MapError("Tabulka " + path + ", záznam " + std::to_string(r + 1) + ": hodnota [" +
                               cp1250_to_utf8(fields[c]) + "] není číslo");
            check_drawable(path, "záznam " + std::to_string(r + 1), table.columns[c], fields[c], v);
            table.numbers[c - 1].push_back(v);
        }
    }
}

// Every reference point of the project's tables, in order, as the
// computation reads them.
std::vector<Receptor> read_receptors(Run& run) {
    std::vector<Receptor> receptors;
    for (const InputTable& table : run.reference_points().tables) {
        PointCursor cursor;
        open_point_table(run.input_context(), table, cursor);
        ReferencePoint point;
        for (;;) {
            const PointRead r = read_next_point(run.input_context(), run.wind_roses(), PointReaderMode::Computing,
                                                table, cursor, point);
            if (r == PointRead::End) break;
            if (r == PointRead::SkippedEmptyRecord) continue;
            receptors.push_back({cp1250_to_utf8(point.id), point.x, point.y});
        }
    }
    return receptors;
}

// The log of the run: given, else the copy zemo leaves in the output
// directory at the end of a run without -l. The log in the installation's
// log directory is not looked at: it is named after the project file alone
// and may be the log of a project of the same name elsewhere.
std::string find_run_log(const MapOptions& options, const std::string& output_directory, const std::string& base) {
    if (!options.run_log.empty()) {
        if (!fs::exists(options.run_log)) throw MapError("Protokol výpočtu neexistuje: " + options.run_log);
        return options.run_log;
    }
    const std::string copy = native_path(output_directory) + cp1250_to_utf8(base) + ".log";
    if (fs::exists(copy)) return copy;
    throw MapError("Protokol výpočtu nenalezen (" + copy +
                   "); byl-li výpočtu zadán volbou -l, zadejte jej i zde; výpočet musí mít úroveň výpisu 1 nebo 2");
}

void check_complete_run(const std::string& log_path, const std::string& project_file, bool names_project) {
    const std::string log = cp1250_to_utf8(read_whole(log_path));
    if (log.find("VÝPOČET UKONČEN... O.K.") == std::string::npos)
        throw MapError("Výpočet podle protokolu " + log_path +
                       " nebyl úspěšně dokončen (chybí \"VÝPOČET UKONČEN... O.K.\"); výsledky nelze mapovat");
    if (!names_project) return;
    const std::string named = "Inicializační soubor: [";
    const std::size_t at = log.find(named);
    if (at == std::string::npos) throw MapError("Protokol " + log_path + " nejmenuje soubor projektu");
    const std::size_t end = log.find(']', at);
    const std::string logged = log.substr(at + named.size(), end - at - named.size());
    if (platform::base_name(utf8_to_cp1250(logged)) != platform::base_name(utf8_to_cp1250(project_file)))
        throw MapError("Protokol " + log_path + " patří k projektu [" + logged + "], ne k [" + project_file + "]");
}

// The note of a log that records no digests: the log of a run that
// predates them (a run at level 0 writes neither them nor "O.K.").
constexpr const char* kNoDigestsNote =
    "Poznámka: protokol výpočtu nezaznamenává kontrolní součty tabulek, příslušnost tabulek k výpočtu nelze ověřit";

// A result table the tool reads must have the bytes the run's log records
// for it. shown is the path as the run names the file (the project's path,
// Windows-1250), file the name the file system finds it under. A log that
// records no file at all leaves the table unchecked (false); a log that
// records others but not this one is of a run that did not write it.
bool check_recorded_digest(const std::vector<RecordedDigest>& recorded, const std::string& shown,
                           const std::string& file) {
    if (recorded.empty()) return false;
    const std::string refusal = "tabulka nepatří k výpočtu tohoto projektu: " + cp1250_to_utf8(shown);
    const RecordedDigest* named = nullptr;
    // The same path as the project names it; a '\\' of the project is a
    // separator like '/'. A log names each file once; the last line counts.
    for (const RecordedDigest& r : recorded)
        if (native_path(r.path) == native_path(shown)) named = &r;
    if (!named) throw MapError(refusal + " (protokol výpočtu tabulku neuvádí mezi soubory výsledků)");
    const std::optional<FileDigest> digest = digest_file(file);
    if (!digest) throw MapError(refusal + " (tabulku nelze přečíst)");
    if (!(*digest == named->digest))
        throw MapError(refusal + " (velikost nebo kontrolní součet CRC-32 se liší od záznamu v protokolu výpočtu)");
    return true;
}

// The table must be the one of this project's run: its reference points in
// order, and the annual mean of every pollutant.
void check_table_belongs(const MapProject& m) {
    const ResultTable& t = m.basic;
    if (t.ids.size() != m.receptors.size())
        throw MapError("Tabulka " + t.path + " má " + std::to_string(t.ids.size()) + " bodů, projekt " +
                       std::to_string(m.receptors.size()) + ": tabulka nepatří k výpočtu tohoto projektu");
    for (std::size_t i = 0; i < t.ids.size(); ++i)
        if (t.ids[i] != m.receptors[i].id)
            throw MapError("Tabulka " + t.path + ", " + std::to_string(i + 1) + ". bod: [" + t.ids[i] + "] místo [" +
                           m.receptors[i].id + "]: tabulka nepatří k výpočtu tohoto projektu");
    for (const Pollutant& p : m.pollutants)
        if (!t.column("Crok_" + cp1250_to_utf8(p.indicative)))
            throw MapError("Tabulka " + t.path + " nemá sloupec Crok_" + cp1250_to_utf8(p.indicative) +
                           ": tabulka nepatří k výpočtu tohoto projektu");
}

}  // namespace

MapProject load_map_project(const MapOptions& options) {
    MapProject m;
    if (options.project_file.empty()) throw MapError("Není zadán soubor projektu (-i)");
    // A file of its own in a directory of its own, which no other user of
    // the temporary directory can have planted or can reach.
    const std::string private_dir =
        platform::make_private_directory(utf8_to_cp1250(fs::temp_directory_path().string()), "zemo-map-");
    if (private_dir.empty()) throw MapError("Dočasný adresář nelze vytvořit v " + fs::temp_directory_path().string());
    const std::string temp_log = cp1250_to_utf8(private_dir) + "vstupy.log";
    std::string failure;
    {
        // The model's readers in a run of their own, which restores the
        // working directory when it ends. Their messages go to a temporary
        // log, shown when the project cannot be read.
        Run run;
        RunOptions& opt = run.options();
        opt.computation_directory = utf8_to_cp1250(options.computation_directory);
        opt.project_file = utf8_to_cp1250(options.project_file);
        opt.installation_directory = utf8_to_cp1250(options.installation_directory);
        opt.log_file = utf8_to_cp1250(temp_log);
        opt.log_given = true;
        opt.message_level = 1;
        RunPlan inputs_only;
        inputs_only.last_stage = Stage::InputData;
        inputs_only.end_after_failure = false;
        if (run.execute(inputs_only) != 0) failure = "Projekt nebo jeho vstupní data nelze načíst";
        if (failure.empty()) {
            const ProjectConfig& pc = run.project();
            const std::string project_path = project_file_path(run.options());
            m.project_path = cp1250_to_utf8(project_path);
            m.project_name = cp1250_to_utf8(platform::base_name(project_path));
            m.projection = pc.projection;
            m.rotation = pc.rotation > kNotGiven ? pc.rotation : 0.0;
            m.pollutants = pc.pollutants;
            m.sources = run.sources();
            m.dbf = pc.result_format == kFormatDbf;
            // Every relative name of the project, and of the tool's own
            // options, is taken in the computation directory, as the run
            // takes them.
            // (the directory as the file system names it, as the working
            // directory would give it)
            const fs::path computation_directory = fs::weakly_canonical(fs::absolute(
                options.computation_directory.empty() ? fs::path(".") : fs::path(options.computation_directory)));
            const auto in_computation_directory = [&](const fs::path& p) {
                return p.is_absolute() ? p : computation_directory / p;
            };
            try {
                m.receptors = read_receptors(run);
                const std::string basic_cp = result_file_path(pc, pc.base_basic, "", m.dbf);
                m.basic.path = in_computation_directory(native_path(basic_cp)).string();
                if (!fs::exists(m.basic.path)) throw MapError("Tabulka výsledků neexistuje: " + m.basic.path);
                const std::string out = native_path(pc.output_directory);
                m.output_directory =
                    options.output_directory.empty()
                        ? (in_computation_directory(out.empty() ? fs::path(".") : fs::path(out)) / "mapy").string()
                        : in_computation_directory(options.output_directory).string();
                if (m.output_directory.back() != '/') m.output_directory += '/';
                MapOptions located = options;
                if (!located.run_log.empty()) located.run_log = in_computation_directory(located.run_log).string();
                m.run_log =
                    in_computation_directory(find_run_log(located,
                                                          platform::path_in_directory(
                                                              run.options().computation_directory, pc.output_directory),
                                                          platform::base_name(project_path)))
                        .string();
                // The table is the run's own before anything of it is read.
                const std::string basic_file =
                    platform::path_in_directory(run.options().computation_directory, basic_cp);
                if (!check_recorded_digest(recorded_digests(read_whole(m.run_log)), basic_cp, basic_file))
                    m.notes.push_back(kNoDigestsNote);
                if (m.dbf) read_dbf_table(run.log(), basic_file, m.basic.path, m.basic);
                else read_text_table(m.basic.path, m.basic);
            } catch (const MapError& e) {
                failure = e.what();
            } catch (const FatalStop&) {
                failure = "Tabulku výsledků nelze přečíst";
            }
        }
        run.log().close();
    }
    std::string messages;
    if (!failure.empty()) messages = cp1250_to_utf8(read_whole(temp_log));
    platform::remove_file(utf8_to_cp1250(temp_log));
    platform::remove_directory(private_dir);
    if (!failure.empty()) {
        // The log's error lines say why.
        std::string why;
        std::istringstream lines(messages);
        for (std::string line; std::getline(lines, line);)
            if (line.rfind("*** ", 0) == 0 || line.rfind("+++ ", 0) == 0 || line.rfind("       ", 0) == 0)
                why += "\n" + line;
        throw MapError(failure + why);
    }
    check_complete_run(m.run_log, options.project_file, options.log_names_project);
    check_table_belongs(m);
    return m;
}

}  // namespace zemo::maps
