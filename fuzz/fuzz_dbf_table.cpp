// DBF tables (input_table.h): the input as a ".dbf" file. The family and
// version are detected, the header and field list read and checked against
// the file, every record read and its identifier taken, and finally the
// field list compared with the reference-point table's.
#include "base/text.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zemo;
    fuzz::Reading reading;
    InputTable table;
    table.path = fuzz::write_input("t.dbf", data, size);
    run_stage(reading.log, [&] {
        if (!detect_table_type(reading.in, table, false) || !table.is_dbf()) return -100;
        File file;
        open_table(reading.in, file, table);
        DbfHeader header;
        read_dbf_header(reading.log, file, table, header);
        std::vector<std::string> fields;
        for (std::uint32_t r = 0; r < header.record_count; ++r) {
            read_dbf_record(reading.log, file, table, header, r, fields);
            if (dbf_record_is_blank(fields)) continue;
            if (!fields.empty()) (void)dbf_identifier(fields[0]);
        }
        check_dbf_fields(reading.log, table, header, {"ID", "X", "Y", "Z", "VYSKA", "RUZICE"}, {5},
                         "chybný datový typ %i. pole %s, požadovaný typ [I]"_cz);
        return 0;
    });
    return 0;
}
