// The test project of tests/fixtures/projects/single-stack, which the Wine
// stage (scripts/test-windows) also runs with zemo.exe: limits and values
// that sit exactly on a printed tie go to the even neighbour in the names
// and in every table, in text and in DBF form.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "base/text.h"
#include "tests/test_support.h"

using namespace zemo;
using zemo::test::read_file;
using zemo::test::TempDir;

namespace fs = std::filesystem;

namespace {

const fs::path kFixture = fs::path(ZEMO_SOURCE_DIR) / "tests" / "fixtures" / "projects" / "single-stack";

struct SingleStack {
    TempDir dir;
    explicit SingleStack(const std::string& project) {
        for (const auto& e : fs::directory_iterator(kFixture))
            if (e.is_regular_file()) fs::copy_file(e.path(), dir.path() / e.path().filename());
        fs::create_directory(dir.native("vysledky"));
        const auto r = test::run_zemo("-a -c -L2 -i " + project + " -l beh.log", dir.str());
        EXPECT_EQ(r.exit_code, 0) << r.output;
    }
    std::string result(const std::string& name) const { return read_file(dir.file("vysledky/" + name)); }
};

}  // namespace

// The limits 0.5, 1.5, 2.5 and 12345.5 (one per pollutant) name their
// columns P_0, P_2, P_2 and P_12346. The receptors lie on half metres, so
// their coordinates print as ties (1000.5 -> 1000, 1001.5 -> 1002, 2500.5
// -> 2500); B2 and B4 are upwind and get the background alone: 0.015625
// prints with five decimals as 0.01562, 0.0625 with three (DBF) as 0.062.
TEST(PrintedTies, GoToTheEvenNeighbourInNamesAndTables) {
    const SingleStack text("single-stack.atm");
    const std::string basic = text.result("IHrIHk.txt");
    EXPECT_EQ(basic.substr(0, basic.find("\r\n")),
              "Bod\tX\tY\tCrok_L05\tCmax_L05\tP_0_L05\tCrok_L15\tCmax_L15\tP_2_L15\tCrok_L25\tCmax_L25\tP_2_L25\t"
              "Crok_L12K\tCmax_L12K\tP_12346_L12K\tP_200_L12K");
    EXPECT_NE(basic.find("\r\nB1\t1000\t1500\t"), std::string::npos) << basic;
    EXPECT_NE(basic.find("\r\nB2\t1002\t2500\t0.01562\t"), std::string::npos) << basic;
    EXPECT_NE(basic.find("\r\nB3\t1000\t1250\t"), std::string::npos) << basic;
    EXPECT_NE(basic.find("\r\nB4\t998\t2002\t0.01562\t"), std::string::npos) << basic;
    // The background as the log echoes it, with two decimals: 0.125 -> 0.12.
    EXPECT_NE(cp1250_to_utf8(read_file(text.dir.file("beh.log"))).find("pozaďová koncentrace      L15 : 0.12\r\n"),
              std::string::npos);

    // DBF: field names are cut to 10 characters; the same ties in the records.
    const SingleStack dbf("single-stack-dbf.atm");
    const std::string table = dbf.result("IHrIHk.dbf");
    EXPECT_NE(table.find(std::string("P_0_L05\0\0\0\0N", 12)), std::string::npos);
    EXPECT_NE(table.find(std::string("P_2_L25\0\0\0\0N", 12)), std::string::npos);
    EXPECT_NE(table.find("B2              1002      2500     0.016     0.000  0.00     0.125     0.003  0.00"
                         "     2.500     0.052  0.00     0.062     0.001  0.00  0.00"),
              std::string::npos);
}
