// The table writer: DBF header, descriptors and records byte for byte,
// numbers through single precision, completion with the end mark and the
// record count.
#include <gtest/gtest.h>

#include <clocale>
#include <ctime>
#include <filesystem>
#include <limits>
#include <string>

#include "output/output_table.h"
#include "tests/test_support.h"

using namespace zemo;
using zemo::test::read_file;
using zemo::test::TempDir;

namespace {

std::string bytes(std::initializer_list<int> list) {
    std::string s;
    for (int b : list) s.push_back(static_cast<char>(b));
    return s;
}

int u16_at(const std::string& s, std::size_t at) {
    return static_cast<unsigned char>(s[at]) | (static_cast<unsigned char>(s[at + 1]) << 8);
}

class OutputTableTest : public ::testing::Test {
protected:
    void SetUp() override {
        // 9 December 2026
        date.tm_year = 126;
        date.tm_mon = 11;
        date.tm_mday = 9;
    }
    std::tm date{};
    TempDir dir;
};

}  // namespace

TEST_F(OutputTableTest, WholeTableByteForByte) {
    OutputTable t;
    ASSERT_TRUE(t.create("", dir.file("a.dbf"), true));
    t.begin_dbf(2, 20, date);
    t.add_field("Bod", 'C', 10, 0);
    t.add_field("Crok_SO2", 'N', 10, 3);
    t.end_fields();
    t.begin_record();
    t.put_text("B1", 10);
    t.put_number(12.3456, 10, 3);
    t.finish_dbf();
    ASSERT_TRUE(t.close());

    // Header: version 3, date 126/12/9, 1 record, header 2*32+33 = 97,
    // record 10+10+1 = 21, 20 reserved zeros.
    std::string expected = bytes({0x03, 126, 12, 9, 1, 0, 0, 0, 97, 0, 21, 0});
    expected += std::string(20, '\0');
    // "Bod": name padded with zeros to 11 bytes, 'C', 4 zeros, width 10,
    // 0 decimals, 2 zeros, the byte 1, 11 zeros.
    expected += std::string("Bod") + std::string(8, '\0') + "C" + std::string(4, '\0');
    expected += bytes({10, 0, 0, 0, 1}) + std::string(11, '\0');
    expected += std::string("Crok_SO2") + std::string(3, '\0') + "N" + std::string(4, '\0');
    expected += bytes({10, 3, 0, 0, 1}) + std::string(11, '\0');
    expected += "\x0D";
    expected += " B1            12.346";
    expected += "\x1A";
    EXPECT_EQ(read_file(dir.file("a.dbf")), expected);
}

TEST_F(OutputTableTest, HeaderAndRecordLengths) {
    OutputTable t;
    ASSERT_TRUE(t.create("", dir.file("b.dbf"), true));
    t.begin_dbf(3, 30, date);
    for (const char* name : {"A", "B", "C"}) t.add_field(name, 'N', 10, 0);
    t.end_fields();
    t.finish_dbf();
    ASSERT_TRUE(t.close());
    const std::string s = read_file(dir.file("b.dbf"));
    EXPECT_EQ(u16_at(s, 8), 129);  // 32 * 3 + 33
    EXPECT_EQ(u16_at(s, 10), 31);  // 3 * 10 + 1
    // No records: count 0, and the end mark right after the terminator.
    ASSERT_EQ(s.size(), 130u);
    EXPECT_EQ(s.substr(4, 4), std::string(4, '\0'));
    EXPECT_EQ(s[128], '\x0D');
    EXPECT_EQ(s[129], '\x1A');
}

TEST_F(OutputTableTest, FieldNamesFillElevenBytesAndBlanksBecomeZeros) {
    OutputTable t;
    ASSERT_TRUE(t.create("", dir.file("c.dbf"), true));
    t.begin_dbf(3, 18, date);
    t.add_field("Skupina_100", 'N', 6, 2);   // exactly 11 characters
    t.add_field("Skupina_1000", 'N', 6, 2);  // 12: the first 11 are kept
    t.add_field("P 1", 'N', 6, 2);
    t.end_fields();
    ASSERT_TRUE(t.close());
    const std::string s = read_file(dir.file("c.dbf"));
    ASSERT_EQ(s.size(), 32u + 3 * 32 + 1);
    EXPECT_EQ(s.substr(32, 12), "Skupina_100N");  // no terminating zero before the type
    EXPECT_EQ(s.substr(64, 12), "Skupina_100N");
    EXPECT_EQ(s.substr(96, 12), std::string("P\0001", 3) + std::string(8, '\0') + "N");
    EXPECT_EQ(s[96 + 16], 6);
    EXPECT_EQ(s[96 + 17], 2);
}

TEST_F(OutputTableTest, NumbersPassThroughSinglePrecision) {
    EXPECT_EQ(dbf_number_text(12.3456, 10, 3), "    12.346");
    EXPECT_EQ(dbf_number_text(-1043567.25, 10, 0), "  -1043567");
    // 123456789 has no single-precision form; the nearest float is 123456792.
    EXPECT_EQ(dbf_number_text(123456789.0, 10, 0), " 123456792");
    // 0.1 + 0.2 in double is 0.30000000000000004; as a float it is 0.300000011920929.
    EXPECT_EQ(dbf_number_text(0.1 + 0.2, 11, 9), "0.300000012");
    EXPECT_EQ(dbf_number_text(100.0, 6, 2), "100.00");
    EXPECT_EQ(dbf_number_text(-0.004, 6, 2), " -0.00");
}

// The edge of each field kind, worked out on the float grid: a value fits
// when its single-precision form, printed with the field's decimals, has
// at most width characters. Floats are 1024 apart near 1e10, 64 near 1e9,
// 0.0625 near 1e6, 0.0078125 near 1e5 and 2^-14 near 1000.
TEST_F(OutputTableTest, NumbersTooLongForTheFieldBecomeTheOverflowMark) {
    struct Case {
        double value;
        int width, decimals;
        const char* text;
    };
    const Case cases[] = {
        // coordinate N10.0
        {9999998976.0, 10, 0, "9999998976"},   // the largest float below 1e10
        {9999999999.0, 10, 0, "**********"},   // its float is 1e10: 11 digits
        {12345678901.0, 10, 0, "**********"},  // not 1234567884, ten times too small
        {-999999936.0, 10, 0, "-999999936"},
        {-999999999.0, 10, 0, "**********"},  // its float is -1e9: "-1000000000"
        // concentration N10.3
        {999999.9375, 10, 3, "999999.938"},
        {999999.99, 10, 3, "**********"},  // float 1000000: "1000000.000"
        {1234567.5, 10, 3, "**********"},  // "1234567.500": the field holds 3 decimals
        {1e10, 10, 3, "**********"},
        {-99999.99, 10, 3, "-99999.992"},   // float -99999.9921875
        {-99999.999, 10, 3, "**********"},  // float -100000: "-100000.000"
        // share N6.2
        {999.99, 6, 2, "999.99"},
        {999.996, 6, 2, "******"},  // "1000.00"
        {-99.99, 6, 2, "-99.99"},
        {-99.996, 6, 2, "******"},  // "-100.00"
        {12345678.9, 6, 2, "******"},
    };
    for (const Case& c : cases) {
        bool fits = false;
        EXPECT_EQ(dbf_number_text(c.value, c.width, c.decimals, &fits), c.text) << c.value;
        EXPECT_EQ(fits, c.text[0] != '*') << c.value;
    }
}

TEST_F(OutputTableTest, ValuesThatAreNoNumbersBecomeTheOverflowMark) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (double v : {inf, -inf, nan, 1e39, -1e300}) {
        bool fits = true;
        EXPECT_EQ(dbf_number_text(v, 10, 3, &fits), "**********") << v;
        EXPECT_FALSE(fits) << v;
        EXPECT_EQ(dbf_number_text(v, 6, 2), "******") << v;
    }
}

// An overflowed field keeps the record aligned, is counted, and makes the
// table count as not completely written.
TEST_F(OutputTableTest, OverflowedRecordStaysAlignedAndTheTableIsIncomplete) {
    OutputTable t;
    ASSERT_TRUE(t.create("", dir.file("o.dbf"), true));
    t.begin_dbf(3, 26, date);
    t.add_field("Bod", 'C', 10, 0);
    t.add_field("X", 'N', 10, 0);
    t.add_field("Podil_%", 'N', 6, 2);
    t.end_fields();
    t.begin_record();
    t.put_text("B1", 10);
    EXPECT_FALSE(t.put_number(12345678901.0, 10, 0));
    EXPECT_TRUE(t.put_number(50.0, 6, 2));
    t.begin_record();
    t.put_text("B2", 10);
    EXPECT_TRUE(t.put_number(-5.0, 10, 0));
    EXPECT_FALSE(t.put_number(std::numeric_limits<double>::quiet_NaN(), 6, 2));
    t.finish_dbf();
    EXPECT_EQ(t.overflows(), 2);
    EXPECT_FALSE(t.failed());  // nothing was lost on the way to the disk
    EXPECT_EQ(t.field_name(1), "X");
    EXPECT_EQ(t.field_name(3), "");
    EXPECT_FALSE(t.close());
    const std::string s = read_file(dir.file("o.dbf"));
    ASSERT_EQ(s.size(), 129u + 2 * 27 + 1);
    EXPECT_EQ(s.substr(129, 54),
              " B1        ********** 50.00"
              " B2                -5******");
}

TEST_F(OutputTableTest, NumbersIgnoreTheProcessLocale) {
    const std::string saved = std::setlocale(LC_ALL, nullptr);
    if (!std::setlocale(LC_ALL, "cs_CZ.UTF-8")) GTEST_SKIP() << "no Czech locale installed";
    const std::string text = dbf_number_text(12.3456, 10, 3);
    std::setlocale(LC_ALL, saved.c_str());
    EXPECT_EQ(text, "    12.346");
}

TEST_F(OutputTableTest, TextFieldsArePaddedOrCut) {
    OutputTable t;
    ASSERT_TRUE(t.create("", dir.file("d.dbf"), true));
    t.put_text("ABCDEFGHIJKL", 10);
    t.put_text("\xDAst\xED", 6);  // "Ústí" in Windows-1250
    t.put_text("", 3);
    ASSERT_TRUE(t.close());
    EXPECT_EQ(read_file(dir.file("d.dbf")),
              "ABCDEFGHIJ\xDAst\xED  "
              "   ");
}

TEST_F(OutputTableTest, RecordCountIsWrittenLowestByteFirst) {
    OutputTable t;
    ASSERT_TRUE(t.create("", dir.file("e.dbf"), true));
    t.begin_dbf(1, 6, date);
    t.add_field("P", 'N', 6, 2);
    t.end_fields();
    for (int i = 0; i < 300; ++i) {
        t.begin_record();
        t.put_number(i, 6, 2);
    }
    EXPECT_EQ(t.records(), 300);
    t.finish_dbf();
    t.finish_dbf();  // completing twice adds no second end mark
    ASSERT_TRUE(t.close());
    const std::string s = read_file(dir.file("e.dbf"));
    EXPECT_EQ(s.substr(4, 4), bytes({0x2C, 0x01, 0, 0}));  // 300 = 0x012C
    ASSERT_EQ(s.size(), 65u + 300 * 7 + 1);
    EXPECT_EQ(s.substr(65, 7), "   0.00");
    EXPECT_EQ(s.substr(65 + 299 * 7, 7), " 299.00");
    EXPECT_EQ(s.back(), '\x1A');
}

TEST_F(OutputTableTest, TextTablesEndLinesWithCrLf) {
    OutputTable t;
    ASSERT_TRUE(t.create("", dir.file("f.txt"), false));
    EXPECT_FALSE(t.is_dbf());
    t.file().print("Bod\tX\n%s\t%.0f\n", "B1", 2.5);
    t.finish_dbf();  // not a DBF table: nothing is added
    ASSERT_TRUE(t.close());
    EXPECT_EQ(read_file(dir.file("f.txt")), "Bod\tX\r\nB1\t2\r\n");
}

TEST_F(OutputTableTest, LostWritesMakeCloseFail) {
    OutputTable t;
    ASSERT_TRUE(t.create("", dir.file("g.dbf"), true));
    t.begin_dbf(1, 10, date);
    t.file().simulate_write_failure();
    t.add_field("A", 'N', 10, 0);
    EXPECT_TRUE(t.failed());
    EXPECT_FALSE(t.close());

    OutputTable missing;
    EXPECT_FALSE(missing.create("", dir.file("no/such/dir/h.dbf"), true));
}

// A relative path is created in the directory given, not in the working
// directory, and the table keeps the path as given for its messages.
TEST_F(OutputTableTest, RelativePathIsCreatedInTheDirectoryGiven) {
    TempDir elsewhere;
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(elsewhere.path());
    OutputTable t;
    const bool created = t.create(dir.str() + "/", "r.txt", false);
    std::filesystem::current_path(previous);
    ASSERT_TRUE(created);
    EXPECT_EQ(t.path(), "r.txt");
    t.file().write_text("A\n");
    ASSERT_TRUE(t.close());
    EXPECT_EQ(read_file(dir.file("r.txt")), "A\r\n");
    EXPECT_FALSE(std::filesystem::exists(elsewhere.native("r.txt")));
}
