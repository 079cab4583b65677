// Reference points: the record reader shared by the loading pass and the
// computation, and the loading pass itself.
//
// Record reader contract:
//   1. The caller opens the table (open_point_table), calls read_next_point
//      until it returns End and closes the table.
//   2. The counter counts the non-empty lines read (text) or is the index of
//      the next record (DBF); messages name it as the line or record number.
//   3. An empty DBF record (every byte a blank) is SkippedEmptyRecord; the
//      loading and test modes report it, the computation skips it silently.
//   4. Every fatal message about a table is followed by the file line and
//      ends the stage.
//   5. Counts are ints: a DBF table of more than 2^31 - 1 records is refused
//      when it is opened, and the loading pass refuses a table that takes
//      the total of every table beyond (a DBF table before its records are
//      read). The points themselves are never held: a table of any size
//      within that count is read in constant memory.
//   6. The loading pass detects the type of a table whose project entry
//      leaves it open and hands the detected tables on in its result, so
//      that the computation reads them as they were loaded.
#include "input/reference_points.h"

#include <climits>

#include "base/format.h"
#include "input/project_file.h"
#include "base/run_log.h"
#include "base/text.h"
#include "input/wind_roses.h"

namespace zemo {

namespace {

// Field order of a text table and the DBF field names in that order.
enum PointField { kFieldId, kFieldX, kFieldY, kFieldZ, kFieldHeight, kFieldRose, kPointFieldCount };
const std::vector<std::string> kDbfNames = {"ID", "X", "Y", "Z", "VYSKA", "RUZICE"};
const std::vector<int> kDbfIntegerPositions = {kFieldRose};

// Z and the height above terrain must lie strictly inside these ranges.
constexpr double kMaxZ = 2000.0;      // m
constexpr double kMaxHeight = 200.0;  // m

[[noreturn]] void too_many_points(RunLog& log, const InputTable& table) {
    log.fatal_with_file(kFatalData, format_message("s tímto souborem je referenčních bodů více než %i"_cz, INT_MAX),
                        table.path);
}

void check_identifier(RunLog& log, const std::string& id, int number, const InputTable& table) {
    if (id.size() > kMaxPointId)
        log.fatal_with_file(kFatalData,
                            format_message("ID ref. bodu na řádku %i je příliš dlouhé (max %i znaků)"_cz, number,
                                           static_cast<int>(kMaxPointId)),
                            table.path);
}

// Replaces the rose identifier by its index (not in the test mode).
PointRead look_up_rose(RunLog& log, const WindRoses& roses, PointReaderMode mode, ReferencePoint& point,
                       const InputTable& table) {
    if (mode == PointReaderMode::Test) return PointRead::Point;
    const int index = roses.find(point.wind_rose);
    if (index < 0)
        log.fatal_with_file(kFatalData,
                            format_message("růžice %i neexistuje (bod %s)"_cz, point.wind_rose, point.id.c_str()),
                            table.path);
    point.wind_rose = index;
    return PointRead::Point;
}

PointRead read_text_point(InputContext& in, const WindRoses& roses, PointReaderMode mode, const InputTable& table,
                          PointCursor& cursor, ReferencePoint& point) {
    std::string line;
    if (!read_table_line(in, cursor.file, table, cursor.counter, line)) return PointRead::End;
    const std::vector<std::string> fields = split_fields(line, table.separator);
    const int n = cursor.counter;
    if (!fields.empty()) check_identifier(in.log, fields[0], n, table);
    if (fields.size() < kPointFieldCount)
        in.log.fatal_with_file(kFatalData, format_message("nedostatečný počet údajů na řádce %i"_cz, n), table.path);
    point.id = fields[kFieldId];
    point.x = convert_decimal(in, n, fields[kFieldX], table.decimal, table);
    point.y = convert_decimal(in, n, fields[kFieldY], table.decimal, table);
    point.z = convert_decimal(in, n, fields[kFieldZ], table.decimal, table);
    point.height = convert_decimal(in, n, fields[kFieldHeight], table.decimal, table);
    point.wind_rose = convert_integer(in, n, fields[kFieldRose], table);
    return look_up_rose(in.log, roses, mode, point, table);
}

PointRead read_dbf_point(InputContext& in, const WindRoses& roses, PointReaderMode mode, const InputTable& table,
                         PointCursor& cursor, ReferencePoint& point) {
    if (static_cast<std::uint32_t>(cursor.counter) >= cursor.dbf.record_count) return PointRead::End;
    std::vector<std::string> fields;
    read_dbf_record(in.log, cursor.file, table, cursor.dbf, static_cast<std::uint32_t>(cursor.counter), fields);
    ++cursor.counter;
    const int n = cursor.counter;
    // A blank record holds nothing to convert; it is recognised first.
    if (dbf_record_is_blank(fields)) {
        if (mode != PointReaderMode::Computing)
            in.log.messagef(kErrorData, "%i. řádek v souboru %s je prázdný - přeskakuji"_cz, n, table.path.c_str());
        return PointRead::SkippedEmptyRecord;
    }
    for (std::size_t f = 0; f < fields.size() && f < cursor.dbf.fields.size(); ++f) {
        const std::string& name = cursor.dbf.fields[f].name;
        const std::string& value = fields[f];
        if (name == "ID") {
            point.id = dbf_identifier(value);
            check_identifier(in.log, point.id, n, table);
        } else if (name == "X") {
            point.x = convert_decimal(in, n, value, '.', table);
        } else if (name == "Y") {
            point.y = convert_decimal(in, n, value, '.', table);
        } else if (name == "Z") {
            point.z = convert_decimal(in, n, value, '.', table);
        } else if (name == "VYSKA") {
            point.height = convert_decimal(in, n, value, '.', table);
        } else if (name == "RUZICE") {
            point.wind_rose = convert_integer(in, n, value, table);
        }
    }
    return look_up_rose(in.log, roses, mode, point, table);
}

}  // namespace

void open_point_table(InputContext& in, const InputTable& table, PointCursor& cursor) {
    cursor.counter = 0;
    cursor.dbf = DbfHeader{};
    if (!cursor.file.open(in.file_name(table.path), "rb"))
        in.log.fatal(kFatalOpen, with_cause(table.path, in.file_name(table.path), cursor.file.error()));
    if (table.is_dbf()) read_dbf_header(in.log, cursor.file, table, cursor.dbf);
    // Records are counted in ints, like the lines of a text table.
    if (table.is_dbf() && cursor.dbf.record_count > static_cast<std::uint32_t>(INT_MAX))
        in.log.fatal_with_file(kFatalData,
                               format_message("DBF soubor obsahuje %u záznamů, nejvýše lze zpracovat %i"_cz,
                                              static_cast<unsigned>(cursor.dbf.record_count), INT_MAX),
                               table.path);
}

PointRead read_next_point(InputContext& in, const WindRoses& roses, PointReaderMode mode, const InputTable& table,
                          PointCursor& cursor, ReferencePoint& point) {
    return table.is_dbf() ? read_dbf_point(in, roses, mode, table, cursor, point)
                          : read_text_point(in, roses, mode, table, cursor, point);
}

ReferencePointTables load_reference_points(const ProjectConfig& project, const WindRoses& roses, InputContext& in,
                                           PointReaderMode mode) {
    RunLog& log = in.log;
    ReferencePointTables rp;
    const bool with_roses = mode != PointReaderMode::Test;
    int min_rose = INT_MAX, max_rose = INT_MIN;

    log.message(kInformation, "REFERENČNÍ BODY"_cz);
    const int tables = static_cast<int>(project.grid_files.size());
    for (int t = 0; t < tables; ++t) {
        rp.tables.push_back(project.grid_files[static_cast<std::size_t>(t)]);
        InputTable& table = rp.tables.back();
        log.messagef(kInformation, "%i. soubor s referenčními body: %s"_cz, t + 1, table.path.c_str());
        if (table.type == TableType::Undetermined) detect_table_type(in, table, false);
        PointCursor cursor;
        open_point_table(in, table, cursor);
        if (table.is_dbf())
            check_dbf_fields(log, table, cursor.dbf, kDbfNames, kDbfIntegerPositions,
                             "chybný datový typ %i. pole %s, požadovaný typ: [I]"_cz);

        // The total of every table is an int: a DBF table that would take it
        // beyond is refused before its records are read, a text table once read.
        long long before = 0;
        for (const int c : rp.counts) before += c;
        const auto beyond_int = [&](long long count) { return before + count > INT_MAX; };
        if (table.is_dbf() && beyond_int(cursor.dbf.record_count)) too_many_points(log, table);

        int points = 0;
        ReferencePoint point;
        for (;;) {
            const PointRead read = read_next_point(in, roses, mode, table, cursor, point);
            if (read == PointRead::End) break;
            if (read == PointRead::SkippedEmptyRecord) continue;
            ++points;
            const float x = static_cast<float>(point.x), y = static_cast<float>(point.y);
            const float z = static_cast<float>(point.z), h = static_cast<float>(point.height);
            if (x < rp.min_x) rp.min_x = x;
            if (x > rp.max_x) rp.max_x = x;
            if (y < rp.min_y) rp.min_y = y;
            if (y > rp.max_y) rp.max_y = y;
            if (z < rp.min_z) rp.min_z = z;
            if (z > rp.max_z) rp.max_z = z;
            if (h < rp.min_height) rp.min_height = h;
            if (h > rp.max_height) rp.max_height = h;
            if (point.z <= 0 || point.z >= kMaxZ)
                log.message_with_file(
                    kErrorData,
                    format_message("souřadnice Z na řadku %i mimo hodnotu <0,2000>: %f"_cz, cursor.counter, point.z),
                    table.path);
            if (point.height <= 0 || point.height >= kMaxHeight)
                log.message_with_file(kErrorData,
                                      format_message("výška nad terénem na řadku %i mimo hodnotu <0,200>: %f"_cz,
                                                     cursor.counter, point.height),
                                      table.path);
            if (with_roses) {
                if (point.wind_rose < 0 || point.wind_rose >= roses.count)
                    log.fatal_with_file(
                        kFatalData,
                        format_message("index růžice %i mimo rozsah (bod %s)"_cz, point.wind_rose, point.id.c_str()),
                        table.path);
                if (point.wind_rose < min_rose) min_rose = point.wind_rose;
                if (point.wind_rose > max_rose) max_rose = point.wind_rose;
            }
        }
        cursor.file.close();
        rp.counts.push_back(table.is_dbf() ? static_cast<int>(cursor.dbf.record_count) : points);
        if (beyond_int(rp.counts.back())) too_many_points(log, table);
        rp.points_read += points;
        rp.centre_x = (static_cast<double>(rp.min_x) + static_cast<double>(rp.max_x)) * 0.5;
        rp.centre_y = (static_cast<double>(rp.min_y) + static_cast<double>(rp.max_y)) * 0.5;
    }
    if (min_rose <= max_rose) {
        rp.min_rose = min_rose;
        rp.max_rose = max_rose;
    }

    for (const int c : rp.counts) rp.total += c;
    if (log.level > 0) {
        log.messagef(kHeading, "Počty ref. bodů v souborech (celkem %i):"_cz, rp.total);
        for (std::size_t t = 0; t < rp.counts.size(); ++t)
            log.messagef(kHeading, "   %i. soubor : %5i", static_cast<int>(t) + 1, rp.counts[t]);
    }
    if (log.level >= 2) {
        log.message(kEcho, "Přehled načtených hodnot:"_cz);
        log.messagef(kEcho, "   souřadnice X      : %.2f - %.2f"_cz, rp.min_x, rp.max_x);
        log.messagef(kEcho, "   souřadnice Y      : %.2f - %.2f"_cz, rp.min_y, rp.max_y);
        log.messagef(kEcho, "   souřadnice Z      : %.2f - %.2f"_cz, rp.min_z, rp.max_z);
        log.messagef(kEcho, "   výška nad terénem : %.2f - %.2f"_cz, rp.min_height, rp.max_height);
        if (with_roses) log.messagef(kEcho, "   větrné růžice     : %i    - %i"_cz, rp.min_rose, rp.max_rose);
    }
    return rp;
}

}  // namespace zemo
