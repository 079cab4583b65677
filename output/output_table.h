// OutputTable: one result table being written, either as tab-separated
// text or as a dBase III table.
//
// Text tables (".txt") are written with File::print / write_text, so every
// line ends in CR LF and the text is Windows-1250; there is no quoting and
// no trailing tab. The writer of a text table prints its own lines.
//
// A DBF table (".dbf", integers little-endian) is written in this order:
//
//   begin_dbf(fields, width_sum)      32-byte header, record count 0
//   add_field(...) once per column    32-byte descriptors in column order
//   end_fields()                      the header terminator 0x0D
//   { begin_record()                  0x20 (not deleted), counts the record
//     put_number / put_text ... }     each field exactly its width; a number
//                                     too long for its field is written as
//                                     width '*' (the overflow mark dBase
//                                     readers know) and counted
//   finish_dbf()                      0x1A at the end, the record count
//                                     written at offset 4
//
// Header:      0 0x03 | 1 year-1900 | 2 month | 3 day (of the run's start)
//              4 record count (4 bytes) | 8 header length 32*fields+33
//              10 record length width_sum+1 | 12..31 zero
// Descriptor:  0 name (11 bytes: its first 11 characters, zero-padded, a
//              blank becomes a zero byte) | 11 type 'C' or 'N' | 12..15 0
//              16 width | 17 decimals | 18..19 0 | 20 1 | 21..31 0
//
// Write failures and overflowed numbers are not fatal: the table remembers
// them (failed, overflows), close reports the table as incomplete, and the
// end of the run reports every table that lost output.
#pragma once

#include <ctime>
#include <string>
#include <string_view>
#include <vector>

#include "base/files.h"

namespace zemo {

// Field kinds of the result tables: width and decimals.
inline constexpr int kIdentifierWidth = 10;
inline constexpr int kCoordinateWidth = 10, kCoordinateDecimals = 0;
inline constexpr int kConcentrationWidth = 10, kConcentrationDecimals = 3;
inline constexpr int kShareWidth = 6, kShareDecimals = 2;

inline constexpr std::size_t kDbfNameBytes = 11;
inline constexpr int kDbfHeaderBytes = 32;
inline constexpr int kDbfDescriptorBytes = 32;

class OutputTable {
public:
    // Creates (truncates) the file path, a relative one in directory
    // (platform::path_in_directory); dbf selects the DBF form. False when
    // the file cannot be created. path() stays the path as given, which the
    // messages name.
    bool create(const std::string& directory, const std::string& path, bool dbf);
    // Creates the file under the name the file system takes (written),
    // keeping path as the table's path for messages; exclusive creates it
    // only when nothing of that name exists (no link is followed).
    bool create(const std::string& written, const std::string& path, bool dbf, bool exclusive);
    bool is_open() const { return file_.is_open(); }
    bool is_dbf() const { return dbf_; }
    const std::string& path() const { return path_; }
    int records() const { return records_; }
    File& file() { return file_; }

    // DBF header: the header with record count 0 and the date of the
    // run's start, then one descriptor per field, then the terminator.
    void begin_dbf(int fields, int width_sum, const std::tm& date);
    void add_field(std::string_view name, char type, int width, int decimals);
    void end_fields();
    // The name of field index (0-based, in column order) as the header holds
    // it (a DBF field's first 11 characters); empty when there is no such field.
    std::string field_name(int index) const;

    // DBF record: the deletion byte, then the fields in column order.
    void begin_record();
    // The value through single precision, printed with "%<width>.<decimals>f".
    // A value whose text is longer than width (or that is not finite) is
    // written as width '*', counted in overflows(), and false is returned.
    bool put_number(double value, int width, int decimals);
    // The text padded on the right with blanks, or its first width characters.
    void put_text(std::string_view text, int width);

    // Completes a DBF table once: the end mark 0x1A at the current end and
    // the record count at offset 4 (lowest byte first).
    void finish_dbf();
    bool finished() const { return finished_; }

    // True when any write or positioning of the file failed (also after close).
    bool failed() const { return failed_ || file_.write_failed(); }
    // Numbers written as the overflow mark since the table was created.
    int overflows() const { return overflows_; }
    // A value that is no finite number (inf, nan) was met in this table:
    // it is no result, and the table is incomplete.
    void count_not_finite() { ++not_finite_; }
    int not_finite() const { return not_finite_; }
    // The column names of a text table (a DBF table's are its fields'),
    // so that field_name tells a column in either form.
    void name_columns(std::vector<std::string> names) { fields_ = std::move(names); }
    // Flushes and closes; false when any output of the table was lost: a
    // write failed, a number was written as the overflow mark, or a value
    // was not finite.
    bool close();

private:
    File file_;
    std::string path_;
    bool dbf_ = false;
    bool finished_ = false;
    bool failed_ = false;
    int records_ = 0;
    int overflows_ = 0;
    int not_finite_ = 0;
    std::vector<std::string> fields_;  // names as written, in column order
};

// The text put_number writes (exposed for the text of tests and reports):
// exactly width characters, the number right-aligned, or width '*' when the
// number does not fit. *fits (when given) tells which.
std::string dbf_number_text(double value, int width, int decimals, bool* fits = nullptr);

}  // namespace zemo
