// InputTable: one input file of the project (reference points, sources,
// wind roses, transfers) and the table conventions shared by every reader:
// family by extension, detection of separator and decimal character, line
// reading and splitting, number conversion, the DBF header and field list.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/files.h"
#include "base/run_log.h"

namespace zemo {

struct PartialNumbers;

// What every reader of a run's input tables works with besides the tables
// themselves: the run's log, the notes of numbers read only in part, the
// directory a table's relative path is taken in (the computation
// directory) and whether the host reports a table that cannot be opened
// itself (RunOptions::quiet_open_failure, the desktop program).
struct InputContext {
    InputContext(RunLog& run_log, PartialNumbers& notes, std::string run_directory = {}, bool quiet = false)
        : log(run_log), partial_numbers(notes), directory(std::move(run_directory)), quiet_open_failure(quiet) {}

    RunLog& log;
    PartialNumbers& partial_numbers;
    std::string directory;  // empty: paths are opened as given
    bool quiet_open_failure = false;

    // The name the file system opens for a path of the project; messages
    // keep naming the path as given.
    std::string file_name(const std::string& path) const;
};

enum class TableType { Undetermined, Dbf, DetectedText, Tsv, Csv, Ssv, Fix };

struct InputTable {
    std::string path;  // as given in the project, at most 259 characters
    TableType type = TableType::Undetermined;
    char separator = 0;  // '\t', ',', ';' or ' ' for text tables
    char decimal = '.';  // '.' or ',' for text tables

    bool empty() const { return path.empty(); }
    bool is_dbf() const { return type == TableType::Dbf; }
    bool is_text() const { return type != TableType::Undetermined && type != TableType::Dbf; }
    // The project file's type code: -1 undetermined, 0 DBF, 2 FIX, 10 TSV,
    // 11 CSV, 12 SSV (a detected text table reports its separator's code).
    int type_code() const;
};

// Sets type and separator from a project type word (already trimmed);
// false for an unknown word (the type stays undetermined).
bool set_type_from_keyword(InputTable& table, const std::string& word);

// True when the text after the last '.' of the whole path is "DBF" in any case.
bool has_dbf_extension(const std::string& path);

// Opens a table for binary reading; a file that cannot be opened is the
// fatal "soubor nelze otevřít" (type 30) with the path.
void open_table(InputContext& in, File& file, const InputTable& table);

// True when the table cannot be opened and the host reports that itself
// (RunOptions::quiet_open_failure, the desktop program's wind-rose and
// transfers readers): the reader then fails without "soubor nelze otevřít".
bool missing_and_reported_by_host(const InputContext& in, const InputTable& table);

// A line of a text table holds at most this many characters.
inline constexpr std::size_t kMaxTableLine = 1000;

// Fixes the family and convention of a table whose type is undetermined
// (the result is stored in the table). True when the type is known; a
// text table whose type cannot be determined is fatal, or with quiet set
// false without a message.
bool detect_table_type(InputContext& in, InputTable& table, bool quiet);

// Reads the next non-empty line of a text table (CR LF, LF or CR), without
// leading blanks and tabs; counts it in line_number. Empty lines and lines
// of blanks and tabs only are skipped and not counted. False at the end of
// the file. A line longer than 1000 characters (leading blanks included) is
// the fatal "řádek %i je delší než %i znaků" followed by the file line; a
// line that would be counted beyond INT_MAX is the fatal "soubor obsahuje
// více než %i neprázdných řádků", likewise.
bool read_table_line(InputContext& in, File& file, const InputTable& table, int& line_number, std::string& line);

// Splits a line at the separator; runs of separators count as one.
std::vector<std::string> split_fields(const std::string& line, char separator);

// Decimal conversion ("%f" in single precision, the decimal comma replaced)
// and integer conversion ("%i"). A field that holds no number (nor a
// finite single-precision one) is fatal "nečíselný údaj na řádce %i: [%s]"
// followed by the file line.
double convert_decimal(InputContext& in, int line_number, const std::string& field, char decimal,
                       const InputTable& table);
int convert_integer(InputContext& in, int line_number, const std::string& field, const InputTable& table);

// Numbers read only in part: a field whose number ends before the field
// does ("0,5" in a table of the decimal point reads as 0, "0.02abc" as
// 0.02, "08" as the octal 0). The value stays as it is read; each case is
// the information "údaj [%s] na řádce %i byl přečten jen zčásti jako číslo
// %s" followed by the file line, for the first kPartialNumberReports cases
// of a table; report_partial_number_counts then gives the count of every
// table with more. A table read again (the reference points before every
// point of the computation, the passes of a reader) reports nothing twice.
inline constexpr int kPartialNumberReports = 5;
struct PartialNumbers {
    struct Table {
        int count = 0;
        int last_line = 0;                    // the line of the last case noted
        std::vector<std::string> last_texts;  // the fields noted on that line
    };
    std::vector<std::pair<std::string, Table>> tables;  // by path, in the order met
};
// Notes field (of line or record line_number of table) read only in part as value.
void note_partial_number(InputContext& in, const InputTable& table, int line_number, const std::string& field,
                         double value);
// The information line itself, for a table or the project file (path).
void report_partial_number(RunLog& log, const std::string& path, int line_number, std::string_view field, double value);
// "údajů přečtených jen zčásti je celkem %i" with the file line, for every
// table with more cases than were reported one by one.
void report_partial_number_counts(RunLog& log, const PartialNumbers& notes);

// The fatal "nedostateený počet údajů na řádce %i" followed by the file line.
[[noreturn]] void fatal_missing_field(RunLog& log, int line_number, const InputTable& table);
// Field index of a split text line, converted; a missing field is
// fatal_missing_field. The decimal character is the table's.
double field_decimal(InputContext& in, const std::vector<std::string>& fields, std::size_t index, int line_number,
                     const InputTable& table);
int field_integer(InputContext& in, const std::vector<std::string>& fields, std::size_t index, int line_number,
                  const InputTable& table);

enum class DbfFieldKind { Numeric, Floating, Character };

struct DbfField {
    std::string name;  // up to 11 characters, trailing spaces removed
    DbfFieldKind kind = DbfFieldKind::Character;
    char type_letter = 'C';
    int length = 0;
    int offset = 0;  // offset of the field within the record (after the deletion byte)
};

struct DbfHeader {
    std::uint32_t record_count = 0;
    int header_length = 0;
    int record_length = 0;
    std::vector<DbfField> fields;
    long file_size = 0;  // the real size of the file, checked against the header
    int version = 0;     // the version byte
};

// Reads and checks the header of an open DBF file against the file's real
// size: header length within the file, record length equal to the sum of
// the field lengths + 1, no field of length 0, every record complete, field
// types N, F and C only. A fault is a fatal message.
void read_dbf_header(RunLog& log, File& file, const InputTable& table, DbfHeader& header);

// The field-list check: exact names, non-character type except at position
// 0 (the identifier), numeric type at the integer positions (the reader's
// message integer_message with the field's number and name). A field list
// that differs is a fatal message.
void check_dbf_fields(RunLog& log, const InputTable& table, const DbfHeader& header,
                      const std::vector<std::string>& expected, const std::vector<int>& integer_positions,
                      const char* integer_message);

// Reads record r (from 0) into one text per field in descriptor order.
// A record beyond the file is a fatal message (the header check makes it
// impossible for a file that did not change since).
void read_dbf_record(RunLog& log, File& file, const InputTable& table, const DbfHeader& header, std::uint32_t record,
                     std::vector<std::string>& fields);

// An identifier field: trailing spaces, line ends and zero bytes, then leading spaces removed.
std::string dbf_identifier(const std::string& field);
// True when every byte of every field is a blank.
bool dbf_record_is_blank(const std::vector<std::string>& fields);

}  // namespace zemo

namespace zemo {

// The passes of the readers that size arrays: counting (and allocating),
// filling (reading, checking, storing), and the single-file test of the
// desktop program (the counting and checking pass with every wind-rose
// look-up skipped, since no wind roses are loaded during a test).
enum class ReaderPass { Count, Fill, Test };

}  // namespace zemo
