// Reference points: the record reader shared by the loading pass and the
// computation, and the loading pass itself.
//
// Record reader contract:
//   1. The caller opens the table (open_point_table), sets the counter to 0,
//      calls read_next_point until it returns 1 and closes the table.
//   2. The counter counts the non-empty lines read (text) or is the index of
//      the next record (DBF); messages name it as the line or record number.
//   3. An empty DBF record (every byte a blank) is skipped with 100; the
//      loading and test modes report it, the computation skips it silently.
//   4. Every fatal message about a table is followed by the file line and
//      ends the stage; the -100 returns matter only where it does not.
//   5. Counts are ints: a DBF table of more than 2^31 - 1 records is refused
//      when it is opened, and the loading pass refuses a table that takes
//      the total of every table beyond (a DBF table before its records are
//      read). The points themselves are never held: a table of any size
//      within that count is read in constant memory.
#include "input/reference_points.h"

#include <climits>

#include "base/run_record.h"
#include "base/format.h"
#include "input/project_file.h"
#include "base/run_log.h"
#include "base/text.h"
#include "input/wind_roses.h"

namespace zemo {

ReferencePointTables& reference_point_tables() { return RunRecord<ReferencePointTables>::current(); }

namespace {

// Field order of a text table and the DBF field names in that order.
enum PointField { kFieldId, kFieldX, kFieldY, kFieldZ, kFieldHeight, kFieldRose, kPointFieldCount };
const std::vector<std::string> kDbfNames = {"ID", "X", "Y", "Z", "VYSKA", "RUZICE"};
const std::vector<int> kDbfIntegerPositions = {kFieldRose};

// Z and the height above terrain must lie strictly inside these ranges.
constexpr double kMaxZ = 2000.0;       // m
constexpr double kMaxHeight = 200.0;   // m

InputTable& point_table(int table) { return project().grid_files[static_cast<std::size_t>(table)]; }

int fatal_with_file(const std::string& text, const InputTable& table) {
    run_log().message_with_file(kFatalData, text, table.path);
    return -100;
}

int too_many_points(const InputTable& table) {
    return fatal_with_file(format_message("s tímto souborem je referenčních bodů více než %i"_cz, INT_MAX), table);
}

int check_identifier(const std::string& id, int number, const InputTable& table) {
    if (id.size() > kMaxPointId)
        return fatal_with_file(
            format_message("ID ref. bodu na řádku %i je příliš dlouhé (max %i znaků)"_cz, number, static_cast<int>(kMaxPointId)),
            table);
    return 0;
}

// Replaces the rose identifier by its index (not in the test mode).
int look_up_rose(PointReaderMode mode, ReferencePoint& point, const InputTable& table) {
    if (mode == PointReaderMode::Test) return 0;
    const int index = wind_roses().find(point.wind_rose);
    if (index < 0)
        return fatal_with_file(format_message("růžice %i neexistuje (bod %s)"_cz, point.wind_rose, point.id.c_str()), table);
    point.wind_rose = index;
    return 0;
}

int read_text_point(PointReaderMode mode, const InputTable& table, PointCursor& cursor, ReferencePoint& point) {
    std::string line;
    if (!read_table_line(current_input_context(), cursor.file, table, cursor.counter, line)) return 1;
    const std::vector<std::string> fields = split_fields(line, table.separator);
    const int n = cursor.counter;
    if (!fields.empty() && check_identifier(fields[0], n, table) == -100) return -100;
    if (fields.size() < kPointFieldCount)
        return fatal_with_file(format_message("nedostatečný počet údajů na řádce %i"_cz, n), table);
    point.id = fields[kFieldId];
    point.x = convert_decimal(current_input_context(), n, fields[kFieldX], table.decimal, table);
    point.y = convert_decimal(current_input_context(), n, fields[kFieldY], table.decimal, table);
    point.z = convert_decimal(current_input_context(), n, fields[kFieldZ], table.decimal, table);
    point.height = convert_decimal(current_input_context(), n, fields[kFieldHeight], table.decimal, table);
    point.wind_rose = convert_integer(current_input_context(), n, fields[kFieldRose], table);
    return look_up_rose(mode, point, table);
}

int read_dbf_point(PointReaderMode mode, const InputTable& table, PointCursor& cursor, ReferencePoint& point) {
    if (static_cast<std::uint32_t>(cursor.counter) >= cursor.dbf.record_count) return 1;
    std::vector<std::string> fields;
    read_dbf_record(run_log(), cursor.file, table, cursor.dbf, static_cast<std::uint32_t>(cursor.counter), fields);
    ++cursor.counter;
    const int n = cursor.counter;
    // A blank record holds nothing to convert; it is recognised first.
    if (dbf_record_is_blank(fields)) {
        if (mode != PointReaderMode::Computing)
            log_message(kErrorData, "%i. řádek v souboru %s je prázdný - přeskakuji"_cz, n, table.path.c_str());
        return 100;
    }
    for (std::size_t f = 0; f < fields.size() && f < cursor.dbf.fields.size(); ++f) {
        const std::string& name = cursor.dbf.fields[f].name;
        const std::string& value = fields[f];
        if (name == "ID") {
            point.id = dbf_identifier(value);
            if (check_identifier(point.id, n, table) == -100) return -100;
        } else if (name == "X") {
            point.x = convert_decimal(current_input_context(), n, value, '.', table);
        } else if (name == "Y") {
            point.y = convert_decimal(current_input_context(), n, value, '.', table);
        } else if (name == "Z") {
            point.z = convert_decimal(current_input_context(), n, value, '.', table);
        } else if (name == "VYSKA") {
            point.height = convert_decimal(current_input_context(), n, value, '.', table);
        } else if (name == "RUZICE") {
            point.wind_rose = convert_integer(current_input_context(), n, value, table);
        }
    }
    return look_up_rose(mode, point, table);
}

}  // namespace

int open_point_table(int table, PointCursor& cursor) {
    InputTable& t = point_table(table);
    if (t.type == TableType::Undetermined) detect_table_type(current_input_context(), t, false);
    cursor.counter = 0;
    cursor.dbf = DbfHeader{};
    if (!cursor.file.open(t.path, "rb")) {
        run_log().message(kFatalOpen, t.path);
        return -100;
    }
    if (t.is_dbf()) read_dbf_header(run_log(), cursor.file, t, cursor.dbf);
    // Records are counted in ints, like the lines of a text table.
    if (t.is_dbf() && cursor.dbf.record_count > static_cast<std::uint32_t>(INT_MAX))
        return fatal_with_file(format_message("DBF soubor obsahuje %u záznamů, nejvýše lze zpracovat %i"_cz,
                                              static_cast<unsigned>(cursor.dbf.record_count), INT_MAX),
                               t);
    return 0;
}

int read_next_point(PointReaderMode mode, int table, PointCursor& cursor, ReferencePoint& point) {
    const InputTable& t = point_table(table);
    return t.is_dbf() ? read_dbf_point(mode, t, cursor, point) : read_text_point(mode, t, cursor, point);
}

int load_reference_points(PointReaderMode mode) {
    ReferencePointTables& rp = reference_point_tables();
    rp.reset();
    const bool with_roses = mode != PointReaderMode::Test;
    int min_rose = INT_MAX, max_rose = INT_MIN;

    run_log().message(kInformation, "REFERENČNÍ BODY"_cz);
    const int tables = static_cast<int>(project().grid_files.size());
    for (int t = 0; t < tables; ++t) {
        InputTable& table = point_table(t);
        log_message(kInformation, "%i. soubor s referenčními body: %s"_cz, t + 1, table.path.c_str());
        PointCursor cursor;
        if (open_point_table(t, cursor) == -100) return -100;
        if (table.is_dbf())
            check_dbf_fields(run_log(), table, cursor.dbf, kDbfNames, kDbfIntegerPositions,
                             "chybný datový typ %i. pole %s, požadovaný typ: [I]"_cz);

        // The total of every table is an int: a DBF table that would take it
        // beyond is refused before its records are read, a text table once read.
        long long before = 0;
        for (const int c : rp.counts) before += c;
        const auto beyond_int = [&](long long count) { return before + count > INT_MAX; };
        if (table.is_dbf() && beyond_int(cursor.dbf.record_count)) return too_many_points(table);

        int points = 0;
        ReferencePoint point;
        for (;;) {
            const int status = read_next_point(mode, t, cursor, point);
            if (status == 1) break;
            if (status == 100) continue;
            if (status == -100) return -100;
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
                run_log().message_with_file(
                    kErrorData, format_message("souřadnice Z na řadku %i mimo hodnotu <0,2000>: %f"_cz, cursor.counter, point.z),
                    table.path);
            if (point.height <= 0 || point.height >= kMaxHeight)
                run_log().message_with_file(
                    kErrorData,
                    format_message("výška nad terénem na řadku %i mimo hodnotu <0,200>: %f"_cz, cursor.counter,
                                   point.height),
                    table.path);
            if (with_roses) {
                if (point.wind_rose < 0 || point.wind_rose >= wind_roses().count)
                    return fatal_with_file(
                        format_message("index růžice %i mimo rozsah (bod %s)"_cz, point.wind_rose, point.id.c_str()),
                        table);
                if (point.wind_rose < min_rose) min_rose = point.wind_rose;
                if (point.wind_rose > max_rose) max_rose = point.wind_rose;
            }
        }
        cursor.file.close();
        rp.counts.push_back(table.is_dbf() ? static_cast<int>(cursor.dbf.record_count) : points);
        if (beyond_int(rp.counts.back())) return too_many_points(table);
        rp.points_read += points;
        rp.centre_x = (static_cast<double>(rp.min_x) + static_cast<double>(rp.max_x)) * 0.5;
        rp.centre_y = (static_cast<double>(rp.min_y) + static_cast<double>(rp.max_y)) * 0.5;
    }
    if (min_rose <= max_rose) {
        rp.min_rose = min_rose;
        rp.max_rose = max_rose;
    }

    for (const int c : rp.counts) rp.total += c;
    if (run_log().level > 0) {
        log_message(kHeading, "Počty ref. bodů v souborech (celkem %i):"_cz, rp.total);
        for (std::size_t t = 0; t < rp.counts.size(); ++t)
            log_message(kHeading, "   %i. soubor : %5i", static_cast<int>(t) + 1, rp.counts[t]);
    }
    if (run_log().level >= 2) {
        run_log().message(kEcho, "Přehled načtených hodnot:"_cz);
        log_message(kEcho, "   souřadnice X      : %.2f - %.2f"_cz, rp.min_x, rp.max_x);
        log_message(kEcho, "   souřadnice Y      : %.2f - %.2f"_cz, rp.min_y, rp.max_y);
        log_message(kEcho, "   souřadnice Z      : %.2f - %.2f"_cz, rp.min_z, rp.max_z);
        log_message(kEcho, "   výška nad terénem : %.2f - %.2f"_cz, rp.min_height, rp.max_height);
        if (with_roses) log_message(kEcho, "   větrné růžice     : %i    - %i"_cz, rp.min_rose, rp.max_rose);
    }
    return 0;
}

}  // namespace zemo
