// The text-table conventions of input_table.h: the first line of the input
// is a project type word (set_type_from_keyword; a word it does not know
// leaves the type to detection), the rest is a text table. The table is
// detected when needed, then read line by line and split at its separator;
// the first field of a line is an identifier, the second an integer and
// the others decimal numbers in the table's convention, as the readers
// take them.
#include <algorithm>

#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zemo;
    const std::uint8_t* end = data + size;
    const std::uint8_t* newline = std::find(data, end, '\n');
    const std::string word(data, newline);
    const std::uint8_t* table_start = newline == end ? end : newline + 1;

    fuzz::Reading reading;
    InputTable table;
    table.path = fuzz::write_input("t.txt", table_start, static_cast<std::size_t>(end - table_start));
    (void)has_dbf_extension(word);
    const bool typed = set_type_from_keyword(table, word);
    if (typed && table.is_dbf()) table.type = TableType::Undetermined;  // DBF tables have their own target
    run_stage(reading.log, [&] {
        if (!detect_table_type(reading.in, table, !typed && !word.empty() && word[0] == 'q')) return -100;
        (void)table.type_code();
        (void)project_type_code(table);
        File file;
        open_table(reading.in, file, table);
        int line_number = 0;
        std::string line;
        while (read_table_line(reading.in, file, table, line_number, line)) {
            const std::vector<std::string> fields = split_fields(line, table.separator);
            for (std::size_t i = 1; i < fields.size(); ++i) {
                if (i == 1) (void)field_integer(reading.in, fields, i, line_number, table);
                else (void)field_decimal(reading.in, fields, i, line_number, table);
            }
        }
        return 0;
    });
    return 0;
}
