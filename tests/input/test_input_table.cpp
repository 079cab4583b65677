#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <filesystem>

#include "base/run_log.h"
#include "input/input_table.h"
#include "tests/input/dbf_bytes.h"
#include "tests/test_support.h"

using namespace zemo;
using zemo::test::cp;
using zemo::test::dbf_bytes;
using zemo::test::DbfSpec;
using zemo::test::read_file;
using zemo::test::write_file;

namespace {

struct InputTableTest : ::testing::Test {
    test::TempDir dir;
    std::string log_path;
    RunLog runlog;
    PartialNumbers notes;
    InputContext in{runlog, notes};
    void SetUp() override {
        log_path = dir.file("run.log");
        runlog.open(log_path, 2);
    }
    // A new log over the same file, as for the next run (a fatal stop closes the log).
    void fresh_log() {
        runlog.reset();
        notes = PartialNumbers{};
        runlog.open(log_path, 2);
    }
    std::string log() {
        runlog.flush();
        return read_file(log_path);
    }
    InputTable table_with(const std::string& name, const std::string& bytes) {
        InputTable t;
        t.path = dir.file(name);
        write_file(t.path, bytes);
        return t;
    }
};

// The two log lines of a fatal message about a table line.
std::string fatal_with_file(const std::string& text, const std::string& path) {
    return cp("*** chybná vstupní data\n       - " + text + "\n*** chybná vstupní data\n       -     (soubor: ") +
           path + ")\r\n";
}

}  // namespace

TEST(InputTableFamily, OnlyTheTextAfterTheLastDotOfThePathCounts) {
    EXPECT_TRUE(has_dbf_extension("body.dbf"));
    EXPECT_TRUE(has_dbf_extension("C:\\data\\BODY.DBF"));
    EXPECT_TRUE(has_dbf_extension("body.Dbf"));
    EXPECT_FALSE(has_dbf_extension("body.dbf.txt"));
    EXPECT_FALSE(has_dbf_extension("data.dbf/body"));
    EXPECT_FALSE(has_dbf_extension("body"));
    EXPECT_FALSE(has_dbf_extension("body.dbfx"));
}

TEST(InputTableKeyword, KeywordsFixTypeSeparatorAndTheDecimalPoint) {
    InputTable t;
    t.decimal = ',';
    EXPECT_TRUE(set_type_from_keyword(t, " tsv "));
    EXPECT_EQ(t.type, TableType::Tsv);
    EXPECT_EQ(t.separator, '\t');
    EXPECT_EQ(t.decimal, '.');
    EXPECT_EQ(t.type_code(), 10);
    EXPECT_TRUE(set_type_from_keyword(t, "Csv"));
    EXPECT_EQ(t.type_code(), 11);
    EXPECT_TRUE(set_type_from_keyword(t, "SSV"));
    EXPECT_EQ(t.separator, ';');
    EXPECT_EQ(t.type_code(), 12);
    EXPECT_TRUE(set_type_from_keyword(t, "fix"));
    EXPECT_EQ(t.separator, ' ');
    EXPECT_EQ(t.type_code(), 2);
    EXPECT_TRUE(set_type_from_keyword(t, "dbf"));
    EXPECT_TRUE(t.is_dbf());
    EXPECT_EQ(t.type_code(), 0);
    EXPECT_FALSE(set_type_from_keyword(t, "XLS"));
    EXPECT_EQ(t.type, TableType::Undetermined);
    EXPECT_EQ(t.type_code(), -1);
    // A detected text table reports its separator's code.
    InputTable d;
    d.type = TableType::DetectedText;
    d.separator = ';';
    EXPECT_EQ(d.type_code(), 12);
    d.separator = '\t';
    EXPECT_EQ(d.type_code(), 10);
}

TEST_F(InputTableTest, EveryDetectionRuleWithItsDecidingLine) {
    struct Case {
        const char* content;
        char separator, decimal;
        const char* message;
        const char* where;
    };
    const Case cases[] = {
        {"1.5\t2.5\n", '\t', '.', "Soubor je typu TSV (desetinná tečka)", "na 1. řádce"},
        {"1.5;2.5\n", ';', '.', "Soubor je typu SSV (desetinná tečka)", "na 1. řádce"},
        {"1,2.5,3\n", ',', '.', "Soubor je typu CSV (desetinná tečka)", "na 1. řádce"},
        {"1,5\t2,5\n", '\t', ',', "Soubor je typu TSV (desetinná čárka)", "na 1. řádce"},
        {"1;2,5;3,75\n", ';', ',', "Soubor je typu SSV (desetinná čárka)", "na 1. řádce"},
        {"jedna,dva,tri\n", ',', '.', "Soubor je typu CSV", "na 1. řádce"},
        // Lines that fit no rule are passed over: spaces only, then dots,
        // tabs and commas together; empty and blank lines are not counted.
        {"1 2 3\n\n   \n4 5 6\r\n7 8\n\r\n1.5\t2,5,3\n1.5\t2.5\n", '\t', '.', "Soubor je typu TSV (desetinná tečka)",
         "na 5. řádce"},
        // End of the file: the last line decides alone.
        {"1\t2\t3\n4\t5\t6\n", '\t', '.', "Soubor je typu TSV", "na konci souboru"},
        {"1 2\n1;2;3\n", ';', '.', "Soubor je typu SSV", "na konci souboru"},
    };
    int i = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.content);
        fresh_log();
        std::string name = "t";
        InputTable t = table_with(name.append(std::to_string(i++)).append(".txt"), c.content);
        ASSERT_TRUE(detect_table_type(in, t, false));
        EXPECT_EQ(t.type, TableType::DetectedText);
        EXPECT_EQ(t.separator, c.separator);
        EXPECT_EQ(t.decimal, c.decimal);
        const std::string where = std::strcmp(c.where, "na konci souboru") == 0
                                      ? "Typ souboru byl detekován na konci souboru"
                                      : std::string("Typ souboru byl detekován ") + c.where;
        EXPECT_EQ(log(), cp(std::string("--- ") + c.message + "\n--- " + where + "\n"));
    }
}

TEST_F(InputTableTest, TheFourthNonEmptyLineDecidesAfterEmptyLines) {
    InputTable t = table_with("pts.txt", cp("\n\n1 2 3\n\n4 5 6\n7 8 9\n\n\n10\t11.5\n"));
    ASSERT_TRUE(detect_table_type(in, t, false));
    EXPECT_EQ(log(), cp("--- Soubor je typu TSV (desetinná tečka)\n--- Typ souboru byl detekován na 4. řádce\n"));
    // A known type is kept: a second detection reads nothing.
    write_file(t.path, "garbage");
    EXPECT_TRUE(detect_table_type(in, t, false));
    EXPECT_EQ(t.separator, '\t');
}

TEST_F(InputTableTest, AnUndeterminableTableIsFatalUnlessQuiet) {
    InputTable quiet = table_with("q.txt", "1 2 3\n4.5 6\n");
    EXPECT_FALSE(detect_table_type(in, quiet, true));
    EXPECT_EQ(quiet.type, TableType::Undetermined);
    InputTable none = table_with("empty.txt", "\n\r\n\n");
    EXPECT_FALSE(detect_table_type(in, none, true));
    EXPECT_EQ(log(), "");
    // The last line holds tabs and a semicolon: no end-of-file rule fits.
    InputTable loud = table_with("l.txt", "1\t2;3\n");
    EXPECT_THROW(detect_table_type(in, loud, false), FatalStop);
    EXPECT_EQ(log(), cp("*** chybná vstupní data\n       - Typ souboru nelze určit\n"));
    fresh_log();  // the fatal path closed the log too
    InputTable missing;
    missing.path = dir.file("nothing.txt");
    EXPECT_EQ(run_stage(runlog,
                        [&] {
                            detect_table_type(in, missing, true);
                            return 0;
                        }),
              -100);
    EXPECT_NE(log().find(cp("*** soubor nelze otevřít\n       - ") + missing.path), std::string::npos);
}

TEST_F(InputTableTest, DbfFamilyReportsItsVersionByte) {
    InputTable good = table_with("a.DBF", std::string("\x03", 1) + std::string(40, '\0'));
    ASSERT_TRUE(detect_table_type(in, good, false));
    EXPECT_TRUE(good.is_dbf());
    InputTable odd = table_with("b.dbf", std::string("\x30", 1) + std::string(40, '\0'));
    ASSERT_TRUE(detect_table_type(in, odd, false));
    EXPECT_TRUE(odd.is_dbf());
    EXPECT_EQ(log(), cp("--- Soubor je typu DBF\n--- Soubor je typu DBF\n+++ chybná vstupní data\n"
                        "       -    Nerozpoznaná hlavička DBF souboru\n"));
    EXPECT_EQ(runlog.error_count, 1);
}

TEST_F(InputTableTest, LinesAreReadWithoutLineEndsLeadingBlanksAndEmptyLines) {
    InputTable t = table_with("lines.txt", "  \t a;b\r\n\r\n\n c;;d;\nlast");
    t.type = TableType::Ssv;
    t.separator = ';';
    File f;
    ASSERT_TRUE(f.open(t.path, "rb"));
    int n = 0;
    std::string line;
    ASSERT_TRUE(read_table_line(in, f, t, n, line));
    EXPECT_EQ(line, "a;b");
    EXPECT_EQ(n, 1);
    ASSERT_TRUE(read_table_line(in, f, t, n, line));
    EXPECT_EQ(line, "c;;d;");
    EXPECT_EQ(n, 2);
    EXPECT_EQ(split_fields(line, ';'), (std::vector<std::string>{"c", "d"}));
    ASSERT_TRUE(read_table_line(in, f, t, n, line));
    EXPECT_EQ(line, "last");
    EXPECT_FALSE(read_table_line(in, f, t, n, line));
    EXPECT_EQ(n, 3);
    EXPECT_EQ(split_fields(";;a;;b;;", ';'), (std::vector<std::string>{"a", "b"}));
    EXPECT_TRUE(split_fields(";;;", ';').empty());
}

TEST_F(InputTableTest, ALineOfMoreThan1000CharactersIsFatalWithTheFileLine) {
    // Exactly 1000 characters (leading blanks included) are accepted.
    const std::string ok = "   " + std::string(997, '7');
    const std::string too_long = "  " + std::string(999, '8');
    InputTable t = table_with("long.txt", ok + "\r\n\n" + too_long + "\r\n");
    t.type = TableType::Tsv;
    t.separator = '\t';
    File f;
    ASSERT_TRUE(f.open(t.path, "rb"));
    int n = 0;
    std::string line;
    ASSERT_TRUE(read_table_line(in, f, t, n, line));
    EXPECT_EQ(line.size(), 997u);
    EXPECT_THROW(read_table_line(in, f, t, n, line), FatalStop);
    EXPECT_EQ(log(), fatal_with_file("řádek 2 je delší než 1000 znaků", t.path));
    EXPECT_TRUE(runlog.stopped_by_fatal());  // the stage ends; the file closes as it goes
    // Detection reaches the line too.
    InputTable d = table_with("long2.txt", std::string(1001, 'x') + "\n");
    EXPECT_THROW(detect_table_type(in, d, true), FatalStop);
}

// The bounded line reader stops at the bound: of a line without end (a
// link to /dev/zero) it reads max characters and no more, whatever comes;
// up to the bound, lines and their ends are read as read_line reads them.
// A file that is no regular file is not opened for it at all: a FIFO
// (whose opening would wait for a writer), a device, a directory.
TEST_F(InputTableTest, BoundedLinesAndOnlyRegularFiles) {
    InputTable t = table_with("b.txt", "12345\r\n123456\n1234\r1234567");
    File f;
    ASSERT_TRUE(f.open_regular(t.path));
    std::string line;
    EXPECT_EQ(f.read_bounded_line(line, 6), File::LineRead::Line);
    EXPECT_EQ(line, "12345");
    EXPECT_EQ(f.read_bounded_line(line, 6), File::LineRead::Line);
    EXPECT_EQ(line, "123456");
    EXPECT_EQ(f.read_bounded_line(line, 6), File::LineRead::Line);
    EXPECT_EQ(line, "1234");
    EXPECT_EQ(f.read_bounded_line(line, 6), File::LineRead::TooLong);
    EXPECT_EQ(line, "123456");
    EXPECT_EQ(f.tell(), 7 + 7 + 5 + 6);  // stopped at the bound

    File zero;
    if (std::filesystem::exists("/dev/zero")) {
        ASSERT_TRUE(zero.open("/dev/zero", "rb"));
        EXPECT_EQ(zero.read_bounded_line(line, kMaxTableLine), File::LineRead::TooLong);
        EXPECT_EQ(line.size(), kMaxTableLine);
        EXPECT_FALSE(File().open_regular("/dev/zero"));
    }
    ASSERT_EQ(::mkfifo(dir.native("fifo").c_str(), 0600), 0);
    EXPECT_FALSE(File().open_regular(dir.file("fifo")));  // returns at once
    EXPECT_FALSE(File().open_regular(dir.str()));
    EXPECT_FALSE(File().open_regular(dir.file("none")));

    // A table that is a FIFO is a table that cannot be opened.
    InputTable fifo;
    fifo.path = dir.file("fifo");
    EXPECT_THROW(detect_table_type(in, fifo, true), FatalStop);
    EXPECT_NE(log().find("*** soubor nelze otev"), std::string::npos) << log();
}

// Line numbers (and the record counts made of them) are ints: the line
// that would be number 2^31 ends the run instead of wrapping around.
TEST_F(InputTableTest, LineNumbersStopAtTheLargestInt) {
    InputTable t = table_with("many.csv", "a\n\n  \nb\n");
    File f;
    open_table(in, f, t);
    int n = INT_MAX - 1;
    std::string line;
    ASSERT_TRUE(read_table_line(in, f, t, n, line));
    EXPECT_EQ(n, INT_MAX);
    EXPECT_EQ(line, "a");
    EXPECT_THROW(read_table_line(in, f, t, n, line), FatalStop);
    EXPECT_EQ(n, INT_MAX);
    EXPECT_EQ(log(), fatal_with_file("soubor obsahuje více než 2147483647 neprázdných řádků", t.path));
}

TEST_F(InputTableTest, DecimalAndIntegerConversion) {
    InputTable t;
    t.path = "tab.txt";
    EXPECT_EQ(convert_decimal(in, 1, "1,5", ',', t), 1.5);
    EXPECT_EQ(convert_decimal(in, 1, "1,5", '.', t), 1.0);
    EXPECT_EQ(convert_decimal(in, 1, " -2.25e1x", '.', t), -22.5);
    // Single precision, widened: 0.1 is the float nearest to 0.1.
    EXPECT_EQ(convert_decimal(in, 1, "0.1", '.', t), static_cast<double>(0.1f));
    EXPECT_NE(convert_decimal(in, 1, "0.1", '.', t), 0.1);
    EXPECT_EQ(convert_decimal(in, 1, "1234567.891", '.', t), 1234567.875);
    EXPECT_EQ(convert_integer(in, 1, "42", t), 42);
    EXPECT_EQ(convert_integer(in, 1, " -7", t), -7);
    EXPECT_EQ(convert_integer(in, 1, "0x1A", t), 26);
    EXPECT_EQ(convert_integer(in, 1, "010", t), 8);
    EXPECT_EQ(convert_integer(in, 1, "12.9", t), 12);
    EXPECT_EQ(field_decimal(in, {"a", "3,25"}, 1, 4,
                            [] {
                                InputTable c;
                                c.decimal = ',';
                                return c;
                            }()),
              3.25);
}

// A field whose number ends before the field keeps the value read, and is
// said: an information line with the field, its line and the file, for the
// first five of a table, then the table's count; a line read again (a
// second pass) says nothing twice. Fields read whole say nothing.
TEST_F(InputTableTest, NumbersReadOnlyInPartAreSaid) {
    InputTable t;
    t.path = "body.txt";
    EXPECT_EQ(convert_decimal(in, 3, "0,5", '.', t), 0.0);
    EXPECT_EQ(convert_decimal(in, 3, "0.02abc", '.', t), static_cast<double>(0.02f));
    EXPECT_EQ(convert_integer(in, 4, "08", t), 0);          // octal: the 8 is no digit
    EXPECT_EQ(convert_decimal(in, 3, "0,5", '.', t), 0.0);  // the same field again
    EXPECT_EQ(convert_decimal(in, 1, "0,5", '.', t), 0.0);  // an earlier line: a second pass
    const std::string file = "---     (soubor: body.txt)\r\n";
    EXPECT_EQ(log(), cp("--- údaj [0,5] na řádce 3 byl přečten jen zčásti jako číslo 0\n") + file +
                         cp("--- údaj [0.02abc] na řádce 3 byl přečten jen zčásti jako číslo 0.02\n") + file +
                         cp("--- údaj [08] na řádce 4 byl přečten jen zčásti jako číslo 0\n") + file);
    for (int line = 5; line <= 8; ++line) convert_decimal(in, line, "1.5.2", '.', t);
    const std::string before = log();
    EXPECT_EQ(std::count(before.begin(), before.end(), '\n'), 2 * 5);  // five cases said, two more counted
    report_partial_number_counts(runlog, notes);
    EXPECT_EQ(log().substr(before.size()), cp("--- údajů přečtených jen zčásti je celkem 7\n") + file);
    EXPECT_EQ(runlog.error_count, 0);

    // Whole fields: blanks and a DBF field's zero bytes after the number,
    // the decimal comma of a table that has it, hexadecimal and octal.
    fresh_log();
    InputTable u;
    u.path = "u.txt";
    convert_decimal(in, 1, " 2.5 ", '.', u);
    convert_decimal(in, 1, std::string("7.25\0\0", 6), '.', u);
    convert_decimal(in, 2, "1,5", ',', u);
    convert_decimal(in, 2, "-1e3\t", '.', u);
    convert_integer(in, 3, "0x1A", u);
    convert_integer(in, 3, "017", u);
    report_partial_number_counts(runlog, notes);
    EXPECT_EQ(log(), "");
}

TEST_F(InputTableTest, NonNumericAndMissingFieldsAreFatalWithTheFileLine) {
    InputTable t;
    t.path = "body.csv";
    EXPECT_THROW(convert_decimal(in, 7, "X12", '.', t), FatalStop);
    EXPECT_EQ(log(), fatal_with_file("nečíselný údaj na řádce 7: [X12]", "body.csv"));
    fresh_log();
    EXPECT_THROW(convert_integer(in, 3, "   ", t), FatalStop);
    EXPECT_EQ(log(), fatal_with_file("nečíselný údaj na řádce 3: [   ]", "body.csv"));
    for (const char* infinite : {"inf", "nan", "1e39"}) {
        fresh_log();
        EXPECT_THROW(convert_decimal(in, 2, infinite, '.', t), FatalStop);
        EXPECT_EQ(log(), fatal_with_file(std::string("nečíselný údaj na řádce 2: [") + infinite + "]", "body.csv"));
    }
    fresh_log();
    EXPECT_THROW(field_integer(in, {"1", "2"}, 2, 5, t), FatalStop);
    EXPECT_EQ(log(), fatal_with_file("nedostateený počet údajů na řádce 5", "body.csv"));
}

TEST_F(InputTableTest, DbfHeaderAndRecordsAreReadByOffsets) {
    DbfSpec spec;
    spec.fields = {{"ID", 'C', 4}, {"X", 'N', 6}, {"Y", 'F', 5}};
    spec.records = {"ab  12.5  -3.0 ", "    99     1e2 "};
    InputTable t = table_with("r.dbf", dbf_bytes(spec));
    File f;
    open_table(in, f, t);
    DbfHeader h;
    ASSERT_NO_THROW(read_dbf_header(runlog, f, t, h));
    EXPECT_EQ(h.record_count, 2u);
    EXPECT_EQ(h.header_length, 32 + 3 * 32 + 1);
    EXPECT_EQ(h.record_length, 16);
    ASSERT_EQ(h.fields.size(), 3u);
    EXPECT_EQ(h.fields[1].name, "X");
    EXPECT_EQ(h.fields[1].kind, DbfFieldKind::Numeric);
    EXPECT_EQ(h.fields[2].kind, DbfFieldKind::Floating);
    EXPECT_EQ(h.fields[2].offset, 10);
    std::vector<std::string> rec;
    ASSERT_NO_THROW(read_dbf_record(runlog, f, t, h, 1, rec));
    EXPECT_EQ(rec, (std::vector<std::string>{"    ", "99    ", " 1e2 "}));
    EXPECT_EQ(convert_decimal(in, 2, rec[2], '.', t), 100.0);
    ASSERT_NO_THROW(read_dbf_record(runlog, f, t, h, 0, rec));
    EXPECT_EQ(dbf_identifier(rec[0]), "ab");
    EXPECT_FALSE(dbf_record_is_blank(rec));
    EXPECT_TRUE(dbf_record_is_blank({"   ", "  "}));
    EXPECT_EQ(dbf_identifier(std::string("  K1 \r\n\0\0", 9)), "K1");
    EXPECT_THROW(read_dbf_record(runlog, f, t, h, 2, rec), FatalStop);
}

TEST_F(InputTableTest, DbfHeadersThatDoNotFitTheFileAreFatal) {
    DbfSpec spec;
    spec.fields = {{"ID", 'C', 4}, {"X", 'N', 6}};
    spec.records = {"ab  12.5  ", "cd  13.5  "};
    struct Case {
        std::string bytes;
        std::string detail;
    };
    const std::string whole = dbf_bytes(spec);
    DbfSpec zero = spec;
    zero.fields[1].length = 0;
    zero.records = {"ab  "};
    DbfSpec sixteen;
    sixteen.fields = {{"ID", 'C', 4}, {"X", 'N', 11}};
    sixteen.records = {"ab  " + std::string(8, ' ') + "1.5"};
    DbfSpec wide;
    wide.fields = {{"ID", 'C', 4}, {"T", 'C', 250}};
    wide.records = {"ab  x"};  // the record the header describes has 255 bytes
    const Case cases[] = {
        {whole.substr(0, 20), "soubor je kratší než hlavička (20 bajtů)"},
        {dbf_bytes(spec, 2000),
         "délka hlavičky 2000 přesahuje velikost souboru " + std::to_string(whole.size()) + " bajtů"},
        {dbf_bytes(spec, 20), "délka hlavičky 20 je menší než 33 bajtů"},
        {dbf_bytes(spec, -1, 12), "délka záznamu 12 neodpovídá součtu délek polí 10 + 1"},
        {whole.substr(0, whole.size() - 6), "soubor obsahuje jen 1 úplných záznamů z 2"},
        {dbf_bytes(spec, -1, -1, 70000), "soubor obsahuje jen 2 úplných záznamů z 70000"},
        // Counts no file of this size can hold: 2^31 and 2^32 - 1 records of 11 bytes in 120 bytes.
        {dbf_bytes(spec, -1, -1, 0x80000000L), "soubor obsahuje jen 2 úplných záznamů z 2147483648"},
        {dbf_bytes(spec, -1, -1, 0xFFFFFFFFL), "soubor obsahuje jen 2 úplných záznamů z 4294967295"},
        // 2^28 records of 16 bytes are 2^32 bytes, which a 32-bit product
        // would take for 0 and so find room for in 114 bytes.
        {dbf_bytes(sixteen, -1, -1, 0x10000000L), "soubor obsahuje jen 1 úplných záznamů z 268435456"},
        // One record larger than everything after the header.
        {dbf_bytes(wide), "soubor obsahuje jen 0 úplných záznamů z 1"},
        {dbf_bytes(zero), "pole 2 [X] má délku 0"},
    };
    int i = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.detail);
        fresh_log();
        InputTable t = table_with("bad" + std::to_string(i++) + ".dbf", c.bytes);
        File f;
        open_table(in, f, t);
        DbfHeader h;
        EXPECT_EQ(run_stage(runlog,
                            [&] {
                                read_dbf_header(runlog, f, t, h);
                                return 0;
                            }),
                  -100);
        EXPECT_EQ(log(),
                  cp("*** chybná vstupní data\n       - poškozený DBF soubor ") + t.path + ": " + cp(c.detail + "\n"));
    }
}

// Writers differ after the last record: the end marker 0x1A may be there
// or not, and some leave bytes after it. Only complete records count.
TEST_F(InputTableTest, DbfEndMarkerIsOptionalAndBytesAfterTheRecordsAreIgnored) {
    DbfSpec spec;
    spec.fields = {{"ID", 'C', 4}, {"X", 'N', 6}};
    spec.records = {"ab  12.5  ", "cd  13.5  "};
    const std::string with_marker = dbf_bytes(spec);
    ASSERT_EQ(with_marker.back(), '\x1a');
    const std::string tails[] = {with_marker, with_marker.substr(0, with_marker.size() - 1),
                                 with_marker + std::string(40, '\0')};
    int i = 0;
    for (const std::string& bytes : tails) {
        SCOPED_TRACE(bytes.size());
        InputTable t = table_with("end" + std::to_string(i++) + ".dbf", bytes);
        File f;
        open_table(in, f, t);
        DbfHeader h;
        ASSERT_NO_THROW(read_dbf_header(runlog, f, t, h));
        EXPECT_EQ(h.record_count, 2u);
        std::vector<std::string> rec;
        ASSERT_NO_THROW(read_dbf_record(runlog, f, t, h, 1, rec));
        EXPECT_EQ(rec[0], "cd  ");
        EXPECT_EQ(rec[1], "13.5  ");
    }
    EXPECT_EQ(log(), "");
}

TEST_F(InputTableTest, DbfDateFieldIsRefusedByItsLetter) {
    DbfSpec spec;
    spec.fields = {{"ID", 'C', 4}, {"DATUM", 'D', 8}};
    spec.records = {"ab  20240101"};
    InputTable t = table_with("d.dbf", dbf_bytes(spec));
    File f;
    open_table(in, f, t);
    DbfHeader h;
    EXPECT_EQ(run_stage(runlog,
                        [&] {
                            read_dbf_header(runlog, f, t, h);
                            return 0;
                        }),
              -100);
    EXPECT_EQ(log(), cp("*** chybná vstupní data\n       - Program neumí zpracovat DBF typ 'D'\n"));
}

TEST_F(InputTableTest, DbfWithMoreThan65535RecordsReadsThemAll) {
    DbfSpec spec;
    spec.fields = {{"ID", 'C', 6}, {"V", 'N', 7}};
    const int n = 70001;
    spec.records.reserve(n);
    for (int r = 0; r < n; ++r) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%-6d%7d", r, r * 3);
        spec.records.emplace_back(buf);
    }
    InputTable t = table_with("big.dbf", dbf_bytes(spec));
    File f;
    open_table(in, f, t);
    DbfHeader h;
    ASSERT_NO_THROW(read_dbf_header(runlog, f, t, h));
    ASSERT_EQ(h.record_count, static_cast<std::uint32_t>(n));
    std::vector<std::string> rec;
    long long sum = 0;
    for (std::uint32_t r = 0; r < h.record_count; ++r) {
        read_dbf_record(runlog, f, t, h, r, rec);
        sum += convert_integer(in, static_cast<int>(r) + 1, rec[1], t);
    }
    EXPECT_EQ(sum, 3LL * (n - 1) * n / 2);  // 3 * (0 + 1 + ... + n-1)
    EXPECT_EQ(dbf_identifier(rec[0]), "70000");
}

TEST_F(InputTableTest, FieldListCheckInItsOrder) {
    const std::vector<std::string> expected = {"ID", "X", "Y", "TRIDA"};
    const char* integer_message = "chybný datový typ %i. pole %s, požadovaný typ [I]"_cz;
    auto header = [](std::vector<std::pair<std::string, DbfFieldKind>> fs) {
        DbfHeader h;
        for (auto& [name, kind] : fs) h.fields.push_back(DbfField{name, kind, 'x', 5, 0});
        return h;
    };
    using K = DbfFieldKind;
    struct Case {
        DbfHeader h;
        std::string message;  // empty: accepted
    };
    const Case cases[] = {
        {header({{"Y", K::Floating}, {"ID", K::Numeric}, {"TRIDA", K::Numeric}, {"X", K::Numeric}}), ""},
        {header({{"ID", K::Character}, {"X", K::Numeric}, {"Y", K::Numeric}}),
         "chybný počet vstupních polí požadováno 4, zadáno 3"},
        {header({{"ID", K::Character}, {"X", K::Character}, {"Y", K::Numeric}, {"TRIDA", K::Numeric}}),
         "chybný datový typ 2. pole X, požadovaný typ [N]"},
        {header({{"ID", K::Character}, {"X", K::Numeric}, {"Y", K::Numeric}, {"TRIDA", K::Floating}}),
         "chybný datový typ 4. pole TRIDA, požadovaný typ [I]"},
        // The type check of every field comes before the duplicate check.
        {header({{"X", K::Numeric}, {"X", K::Numeric}, {"Y", K::Numeric}, {"TRIDA", K::Character}}),
         "chybný datový typ 4. pole TRIDA, požadovaný typ [N]"},
        {header({{"ID", K::Character}, {"X", K::Numeric}, {"X", K::Numeric}, {"TRIDA", K::Numeric}}),
         "duplicitní údaje v souboru z.dbf, pole [X]"},
        // The first offending position: X is missing before Y is doubled.
        {header({{"ID", K::Character}, {"Y", K::Numeric}, {"Y", K::Numeric}, {"TRIDA", K::Numeric}}),
         "chybějící údaje v souboru z.dbf, pole [X]"},
        // Names compare case-sensitively; an unknown name is not type-checked.
        {header({{"ID", K::Character}, {"x", K::Character}, {"Y", K::Numeric}, {"TRIDA", K::Numeric}}),
         "chybějící údaje v souboru z.dbf, pole [X]"},
        {header({{"ID", K::Character}, {"X", K::Numeric}, {"Y", K::Numeric}, {"TRIDA", K::Numeric}}), ""},
    };
    InputTable t;
    t.path = "z.dbf";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        fresh_log();
        const int rc = run_stage(runlog, [&] {
            check_dbf_fields(runlog, t, c.h, expected, {3}, integer_message);
            return 0;
        });
        if (c.message.empty()) {
            EXPECT_EQ(rc, 0);
            EXPECT_EQ(log(), "");
        } else {
            EXPECT_EQ(rc, -100);
            EXPECT_EQ(log(), cp("*** chybná vstupní data\n       - " + c.message + "\n"));
        }
    }
}

namespace {

// The records of tests/fixtures/tables/body.csv, as written there.
struct Record {
    std::string id;
    double x, y, z;
    int trida;
    bool operator==(const Record&) const = default;
};
const Record kBody[] = {
    {"Čáslav", -745123.125, -1012345.5, 245.25, 1},
    {"Žďár 2", -612000.75, -1120500.25, 580.5, 3},
    {"Přerov5", -540250, -1130000.125, -12.75, 2},
    {"úř-ěšč", 0.5, -0.25, 0, 0},
};

std::string fixture(const std::string& name) { return test::source_file("tests/fixtures/tables") + "/" + name; }

const std::vector<std::string> kBodyFields = {"ID", "X", "Y", "Z", "TRIDA"};

std::vector<Record> read_dbf_records(InputContext& in, InputTable& t) {
    RunLog& runlog = in.log;
    EXPECT_TRUE(detect_table_type(in, t, false));
    EXPECT_TRUE(t.is_dbf());
    File f;
    open_table(in, f, t);
    DbfHeader h;
    EXPECT_NO_THROW(read_dbf_header(runlog, f, t, h));
    EXPECT_NO_THROW(
        check_dbf_fields(runlog, t, h, kBodyFields, {4}, "chybný datový typ %i. pole %s, požadovaný typ [I]"_cz));
    std::vector<Record> out;
    std::vector<std::string> rec;
    for (std::uint32_t r = 0; r < h.record_count; ++r) {
        read_dbf_record(runlog, f, t, h, r, rec);
        const int n = static_cast<int>(r) + 1;
        out.push_back({dbf_identifier(rec[0]), convert_decimal(in, n, rec[1], '.', t),
                       convert_decimal(in, n, rec[2], '.', t), convert_decimal(in, n, rec[3], '.', t),
                       convert_integer(in, n, rec[4], t)});
    }
    return out;
}

std::vector<Record> read_text_records(InputContext& in, InputTable& t) {
    EXPECT_TRUE(detect_table_type(in, t, false));
    File f;
    open_table(in, f, t);
    std::vector<Record> out;
    int n = 0;
    std::string line;
    while (read_table_line(in, f, t, n, line)) {
        const auto fs = split_fields(line, t.separator);
        out.push_back({fs.at(0), field_decimal(in, fs, 1, n, t), field_decimal(in, fs, 2, n, t),
                       field_decimal(in, fs, 3, n, t), field_integer(in, fs, 4, n, t)});
    }
    return out;
}

}  // namespace

TEST_F(InputTableTest, TablesWrittenByGdalAndEveryTextConventionReadAlike) {
    std::vector<Record> expected;
    for (const Record& r : kBody) {
        Record w = r;
        w.id = utf8_to_cp1250(r.id);
        // Every value passes through single precision.
        w.x = static_cast<float>(r.x), w.y = static_cast<float>(r.y), w.z = static_cast<float>(r.z);
        expected.push_back(w);
    }
    InputTable dbf;
    dbf.path = fixture("body.dbf");
    EXPECT_EQ(read_dbf_records(in, dbf), expected);
    const char* texts[] = {"body_tsv.txt", "body_tsv_carka.txt", "body_csv.txt", "body_ssv.txt", "body_ssv_carka.txt"};
    const char separators[] = {'\t', '\t', ',', ';', ';'};
    const char decimals[] = {'.', ',', '.', '.', ','};
    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE(texts[i]);
        InputTable t;
        t.path = fixture(texts[i]);
        EXPECT_EQ(read_text_records(in, t), expected);
        EXPECT_EQ(t.separator, separators[i]);
        EXPECT_EQ(t.decimal, decimals[i]);
    }
    EXPECT_EQ(runlog.error_count, 0);
}

TEST_F(InputTableTest, GdalTablesWithWrongFieldsAreRefused) {
    struct Case {
        const char* file;
        std::string message;
    };
    const Case cases[] = {
        {"body_datum.dbf", "Program neumí zpracovat DBF typ 'D'"},
        {"body_xtext.dbf", "chybný datový typ 2. pole X, požadovaný typ [N]"},
        {"body_kateg.dbf", "chybějící údaje v souboru " + cp1250_to_utf8(fixture("body_kateg.dbf")) + ", pole [TRIDA]"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        fresh_log();
        InputTable t;
        t.path = fixture(c.file);
        const int rc = run_stage(runlog, [&] {
            detect_table_type(in, t, false);
            File f;
            open_table(in, f, t);
            DbfHeader h;
            read_dbf_header(runlog, f, t, h);
            check_dbf_fields(runlog, t, h, kBodyFields, {4}, "chybný datový typ %i. pole %s, požadovaný typ [I]"_cz);
            return 0;
        });
        EXPECT_EQ(rc, -100);
        EXPECT_EQ(log(), cp("--- Soubor je typu DBF\n*** chybná vstupní data\n       - " + c.message + "\n"));
    }
}
