#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "input/project_file.h"
#include "base/run_log.h"
#include "input/wind_roses.h"
#include "input/model_settings.h"
#include "tests/test_support.h"

using namespace zemo;
using zemo::test::cp;
using zemo::test::read_file;
using zemo::test::write_file;

namespace {

// A rose as written in a table: v(f, g, j) for group f = 0..5, speed class
// g = 0..2, sector j = 0..n-1 and j = n the row total, held in hundredths
// of a percent so that the text is exact.
struct RoseText {
    int id = 1;
    int n = 8;
    std::vector<long> h;  // hundredths
    RoseText(int id_, int n_) : id(id_), n(n_), h(static_cast<std::size_t>(18 * (n_ + 1)), 0) {}
    long& at(int f, int g, int j) { return h[static_cast<std::size_t>((f * 3 + g) * (n + 1) + j)]; }
    // Row totals as the sum of the sectors and group 6 as the column sums.
    void complete() {
        for (int f = 0; f < 5; ++f)
            for (int g = 0; g < 3; ++g) {
                long sum = 0;
                for (int j = 0; j < n; ++j) sum += at(f, g, j);
                at(f, g, n) = sum;
            }
        for (int g = 0; g < 3; ++g)
            for (int j = 0; j <= n; ++j) {
                long sum = 0;
                for (int f = 0; f < 5; ++f) sum += at(f, g, j);
                at(5, g, j) = sum;
            }
    }
};

// A rose of n sectors whose 15 rows hold varied values and total 100 %.
RoseText varied_rose(int id, int n) {
    RoseText r(id, n);
    long sum = 0;
    for (int f = 0; f < 5; ++f)
        for (int g = 0; g < 3; ++g)
            for (int j = 0; j < n; ++j) {
                r.at(f, g, j) = 10 + (f * 37 + g * 11 + j * 5 + id * 3) % 50;
                sum += r.at(f, g, j);
            }
    r.at(4, 2, n - 1) += 10000 - sum;
    r.complete();
    return r;
}

std::string number(long hundredths, char decimal) {
    const long a = hundredths < 0 ? -hundredths : hundredths;
    std::string s = hundredths < 0 ? "-" : "";
    s += std::to_string(a / 100);
    s += decimal;
    const long frac = a % 100;
    s += static_cast<char>('0' + frac / 10);
    s += static_cast<char>('0' + frac % 10);
    return s;
}

// The table text of roses in a convention; fix adds the header and labels.
std::string table_text(const std::vector<RoseText>& roses, char sep, char decimal, bool fix = false) {
    std::string out;
    if (fix) out += std::to_string(roses.size()) + " 0 0 0 0 0 0 0\r\n";
    for (const RoseText& r0 : roses) {
        RoseText r = r0;
        out += std::to_string(r.id) + "\r\n";
        for (int f = 0; f < 6; ++f)
            for (int g = 0; g < 3; ++g) {
                std::string line;
                if (fix) line.append("T").append(std::to_string(f + 1)).append("R").append(std::to_string(g + 1));
                for (int j = 0; j <= r.n; ++j) {
                    if (!line.empty()) line += sep;
                    line += number(r.at(f, g, j), decimal);
                }
                out += line + "\r\n";
            }
    }
    return out;
}

struct WindRoseTest : ::testing::Test {
    test::TempDir dir;
    std::string log_path = dir.file("run.log");
    RunLog runlog;
    PartialNumbers notes;
    InputContext in{runlog, notes};
    ProjectConfig project;
    ModelSettings settings;
    WindRoses roses;  // what the last pass returned
    void SetUp() override { fresh_run(); }
    // The log over the same file, the notes and the settings of a new run
    // (a fatal stop closes the log).
    void fresh_run() {
        runlog.reset();
        runlog.open(log_path, 2);
        notes = PartialNumbers{};
        settings = ModelSettings{};
        settings.set_methodology_defaults();
    }
    std::string log() {
        runlog.flush();
        return read_file(log_path);
    }
    void use_table(const std::string& name, const std::string& text, TableType type = TableType::Undetermined,
                   char sep = 0) {
        InputTable& t = project.wind_roses;
        t = InputTable{};
        t.path = dir.file(name);
        t.type = type;
        t.separator = sep;
        write_file(t.path, text);
    }
    // 0, or the status of the fatal stop.
    int pass(ReaderPass p) {
        try {
            roses = read_wind_roses(p, project, settings, in);
            return 0;
        } catch (const FatalStop& stop) {
            return stop.status;
        }
    }
    // The run's reader: counting, then filling.
    int both() {
        try {
            roses = read_wind_roses(project, settings, in);
            return 0;
        } catch (const FatalStop& stop) {
            return stop.status;
        }
    }
    std::string fatal(const std::string& text) {
        return cp("*** chybná vstupní data\n       - " + text + "\n*** chybná vstupní data\n       -     (soubor: ") +
               project.wind_roses.path + ")\r\n";
    }
    double value(int rose, int c, int g, int s) {
        return roses.Wnd_frequency[static_cast<std::size_t>(rose)][case_slot(c, g, s)];
    }
};

}  // namespace

TEST_F(WindRoseTest, EightSectorsSpreadOverFortyEightByInterpolationAndKeepTheTotal) {
    RoseText r(5, 8);
    r.at(0, 0, 0) = 8000;  // class 1, speed class 1: 80 % from the north ...
    r.at(0, 0, 7) = 2000;  // ... and 20 % from the last sector
    r.complete();
    use_table("r8.txt", table_text({r}, '\t', '.'));
    ASSERT_EQ(both(), 0);
    ASSERT_EQ(roses.count, 1);
    EXPECT_EQ(roses.sectors_in_file, 8);
    EXPECT_DOUBLE_EQ(roses.sector_width, 7.5);
    // Six output sectors per input sector; the sum of the interpolated
    // values is 6 x 100, so the scale T/U is 1/6. Sector k = 6t + j lies
    // j/6 of the way from input sector t to t+1 (the last one towards the
    // first): k=0..5: 80 (1 - j/6); k=36..41: 20 j/6; k=42..47: 20 + 60 j/6.
    for (int k = 0; k < 48; ++k) {
        const int t = k / 6, j = k % 6;
        double expected = 0;
        if (t == 0) expected = 80.0 * (1 - j / 6.0);
        if (t == 6) expected = 20.0 * j / 6.0;
        if (t == 7) expected = 20.0 + 60.0 * j / 6.0;
        expected /= 6.0;
        EXPECT_NEAR(value(0, 0, 0, k), expected, 1e-9) << k;
        EXPECT_NEAR(value(0, 5, 0, k), expected, 1e-9) << k;  // group 6 = the only class
        EXPECT_EQ(value(0, 1, 0, k), 0.0);
        EXPECT_EQ(value(0, 0, 1, k), 0.0);
    }
    EXPECT_NEAR(value(0, 0, 0, 0), 13.333333333, 1e-8);
    EXPECT_NEAR(value(0, 0, 0, 45), 50.0 / 6, 1e-9);
    EXPECT_EQ(roses.Wnd_id[0], 5);
    EXPECT_EQ(roses.find(5), 0);
    EXPECT_EQ(roses.find(6), -1);
}

TEST_F(WindRoseTest, WithAsManySectorsAsTheFileTheValuesStayAsRead) {
    settings.directions = 8;
    const RoseText r = varied_rose(3, 8);
    use_table("same.txt", table_text({r}, ';', ','));
    ASSERT_EQ(both(), 0);
    RoseText copy = r;
    for (int c = 0; c < 6; ++c)
        for (int g = 0; g < 3; ++g)
            for (int s = 0; s < 8; ++s) EXPECT_NEAR(value(0, c, g, s), copy.at(c, g, s) / 100.0, 1e-5);
    EXPECT_EQ(value(0, 0, 0, 8), 0.0);  // s >= S carries no data
    EXPECT_EQ(log().find("+++"), std::string::npos);
    EXPECT_NE(log().find(cp("=== Počet načtených větrných růžic: 1\n=== Větrné růžice s 8 sektory\n"
                            "=== Počet sektorů větrných růžic pro výpočet: 8\n")),
              std::string::npos);
}

TEST_F(WindRoseTest, SixteenSectorsCannotBeResampledToThirtySix) {
    settings.directions = 36;
    use_table("r16.txt", table_text({varied_rose(1, 16)}, '\t', '.'));
    ASSERT_EQ(pass(ReaderPass::Count), 0);
    EXPECT_EQ(pass(ReaderPass::Fill), -100);
    EXPECT_EQ(log().substr(log().find("***")), fatal("Chybný počet směrů větrné růžice"));
}

TEST_F(WindRoseTest, TotalsOf99_99PassAnd99_9AreReported) {
    RoseText near(7, 4), off(8, 4);
    for (RoseText* r : {&near, &off}) {
        r->at(0, 0, 0) = 5000;
        r->at(2, 1, 3) = 3999;  // 50 + 39.99 + 10 = 99.99, or + 9.91 = 99.90
        r->at(4, 2, 1) = r == &near ? 1000 : 991;
        r->complete();
    }
    use_table("tot.txt", table_text({near, off}, ',', '.'));
    ASSERT_EQ(both(), 0);
    EXPECT_EQ(runlog.error_count, 1);
    EXPECT_NE(
        log().find(cp("+++ chybná vstupní data\n       - Součet četností v růžici 8 je různý od 100%: (99.90%)\n")),
        std::string::npos);
    // The rose keeps its total: 99.9 spread over 48 sectors.
    double sum = 0;
    for (int g = 0; g < 3; ++g)
        for (int s = 0; s < 48; ++s) sum += value(1, 5, g, s);
    EXPECT_NEAR(sum, 99.9, 1e-4);
}

TEST_F(WindRoseTest, ControlSumsAreReportedColumnByColumnAndReadingGoesOn) {
    settings.directions = 4;
    RoseText r = varied_rose(12, 4);
    r.at(5, 0, 1) += 1;  // sector 2, speed class 1
    r.at(5, 2, 0) -= 1;  // sector 1, speed class 3
    r.at(5, 1, 4) += 5;  // total column, speed class 2
    use_table("ctl.txt", table_text({r}, '\t', '.'));
    ASSERT_EQ(both(), 0);
    const std::string k =
        "+++ chybná vstupní data\n       - Kontrolní součet četností v růžici 12 neodpovídá zadanému: ";
    EXPECT_NE(log().find(cp(k + "[Směr1, Rychl3]\n" + k + "[Směr2, Rychl1]\n" + k + "[Celk, Rychl2]\n")),
              std::string::npos);
    EXPECT_EQ(runlog.error_count, 3);
    // Group 6 is recomputed from the five classes, not taken from the file.
    RoseText good = varied_rose(12, 4);
    EXPECT_NEAR(value(0, 5, 0, 1), good.at(5, 0, 1) / 100.0, 1e-5);
}

TEST_F(WindRoseTest, TheRemainderOfSpeedClassOneGoesEvenlyToItsSectors) {
    settings.directions = 16;
    RoseText r = varied_rose(2, 16);
    // Speed class 1 of class 3 totals 1.6 more than its 16 sectors (the
    // control group likewise); class 5, speed class 3 gives up 1.6 so that
    // the rose still totals 100 %.
    r.at(2, 0, 16) += 160;
    r.at(5, 0, 16) += 160;
    r.at(4, 2, 15) -= 160;
    r.at(4, 2, 16) -= 160;
    r.at(5, 2, 15) -= 160;
    r.at(5, 2, 16) -= 160;
    use_table("rem.txt", table_text({r}, '\t', '.'));
    ASSERT_EQ(both(), 0);
    EXPECT_EQ(runlog.error_count, 0);
    for (int s = 0; s < 16; ++s) {
        EXPECT_NEAR(value(0, 2, 0, s), r.at(2, 0, s) / 100.0 + 0.1, 1e-5) << s;
        EXPECT_NEAR(value(0, 2, 1, s), r.at(2, 1, s) / 100.0, 1e-5) << s;
    }
}

TEST_F(WindRoseTest, EveryTextConventionAndTheFixedFormatReadTheSameRoses) {
    const std::vector<RoseText> texts = {varied_rose(11, 16), varied_rose(4, 16), varied_rose(11, 16)};
    struct Convention {
        const char* name;
        char sep, decimal;
        bool fix;
    };
    const Convention conventions[] = {{"tsv.txt", '\t', '.', false}, {"tsvc.txt", '\t', ',', false},
                                      {"csv.txt", ',', '.', false},  {"ssv.txt", ';', '.', false},
                                      {"ssvc.txt", ';', ',', false}, {"fix.txt", ' ', '.', true}};
    std::vector<std::array<double, kCaseSlots>> first;
    for (const Convention& c : conventions) {
        SCOPED_TRACE(c.name);
        use_table(c.name, table_text(texts, c.sep, c.decimal, c.fix));
        ASSERT_EQ(both(), 0);
        // The convention travels with the roses; the project's table stays as given.
        EXPECT_EQ(roses.table.type, c.fix ? TableType::Fix : TableType::DetectedText);
        EXPECT_EQ(roses.table.separator, c.sep);
        EXPECT_EQ(roses.table.path, project.wind_roses.path);
        EXPECT_EQ(project.wind_roses.type, TableType::Undetermined);
        ASSERT_EQ(roses.count, 3);
        EXPECT_EQ(roses.Wnd_id, (std::vector<int>{11, 4, 11}));
        EXPECT_EQ(roses.find(11), 0);  // the first of two equal identifiers
        if (first.empty()) first = roses.Wnd_frequency;
        else EXPECT_TRUE(first == roses.Wnd_frequency);
        EXPECT_EQ(runlog.error_count, 0);
    }
    // The project may name the fixed format.
    use_table("named.txt", table_text(texts, ' ', '.', true), TableType::Fix, ' ');
    ASSERT_EQ(both(), 0);
    EXPECT_TRUE(first == roses.Wnd_frequency);
}

TEST_F(WindRoseTest, AFixedFormatWhoseLineCountDisagreesIsRefused) {
    std::string text = table_text({varied_rose(1, 8), varied_rose(2, 8), varied_rose(3, 8)}, ' ', '.', true);
    text.erase(text.rfind("T6R3"));  // 3 roses announced, 56 lines follow
    use_table("fix3.txt", text);
    EXPECT_EQ(pass(ReaderPass::Count), -100);
    EXPECT_NE(log().find(cp("*** chybná vstupní data\n       - Typ souboru nelze určit\n")), std::string::npos);
    // A header of 7 fields is no fixed format either.
    fresh_run();
    std::string seven = table_text({varied_rose(1, 8)}, ' ', '.', true);
    seven.replace(0, seven.find('\r'), "1 0 0 0 0 0 0");
    use_table("fix7.txt", seven);
    EXPECT_EQ(pass(ReaderPass::Count), -100);
}

// A fixed-format header may announce any positive rose count: 19 x R lines
// are compared without overflow, so a count near the int limit is simply no
// fixed format (fuzz_wind_roses found the overflow; its input is
// fuzz/regressions/wind_roses/fix-header-rose-count-overflow.txt after the
// choice byte).
TEST_F(WindRoseTest, AFixedFormatHeaderWithAHugeRoseCountIsNoFixedFormat) {
    for (const char* count : {"2147483647", "113025456"}) {
        fresh_run();
        std::string text = table_text({varied_rose(1, 8)}, ' ', '.', true);
        text.replace(0, text.find(' '), count);
        use_table("fixbig.txt", text);
        EXPECT_EQ(pass(ReaderPass::Count), -100) << count;
        EXPECT_NE(log().find(cp("*** chybná vstupní data\n       - Typ souboru nelze určit\n")), std::string::npos)
            << count;
    }
    fresh_run();
    const std::string input =
        read_file(test::source_file("fuzz/regressions/wind_roses/fix-header-rose-count-overflow.txt"));
    ASSERT_FALSE(input.empty());
    use_table("fuzz.txt", input.substr(1));
    EXPECT_EQ(both(), -100);
    EXPECT_NE(log().find(cp("*** chybná vstupní data\n       - Typ souboru nelze určit\n")), std::string::npos);
}

TEST_F(WindRoseTest, FatalConditionsOfTheCountingPass) {
    struct Case {
        std::string text;
        std::string message;
    };
    const std::string good = table_text({varied_rose(1, 8)}, '\t', '.');
    std::string id0 = std::string("0") + good.substr(1);
    std::string neg = std::string("-3") + good.substr(1);
    std::string wide = table_text({varied_rose(1, 49)}, '\t', '.');
    std::string one = std::string("1\r\n1.5\r\n") + good.substr(good.find('\n', good.find('\n') + 1) + 1);
    std::string cut = good + good.substr(0, good.size() / 2);
    const Case cases[] = {
        {id0, "ID růžice musí být větší než 0 (zadáno 0)"},
        {neg, "ID růžice musí být větší než 0 (zadáno -3)"},
        {wide, "Maximální počet sektorů je 48, načteno 49"},
        {one, "Chybný počet směrů větrné růžice"},
        {cut, "neočekávaný konec souboru"},
        {std::string("X") + good.substr(1), "nečíselný údaj na řádce 1: [X]"},
    };
    int i = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        fresh_run();
        use_table(std::string("bad") + std::to_string(i++) + ".txt", c.text);
        EXPECT_EQ(pass(ReaderPass::Count), -100);
        const std::string l = log();
        ASSERT_NE(l.find("***"), std::string::npos);
        EXPECT_EQ(l.substr(l.find("***")), fatal(c.message));
    }
}

TEST_F(WindRoseTest, FatalConditionsOfTheFillingPass) {
    RoseText a = varied_rose(1, 8), b = varied_rose(2, 8);
    std::string text = table_text({a, b}, '\t', '.');
    // The 11th line of rose 2 loses its total and one sector value.
    std::size_t pos = text.find("\r\n2\r\n") + 2;
    for (int l = 0; l < 11; ++l) pos = text.find('\n', pos) + 1;
    const std::size_t end = text.find('\r', pos);
    std::string line = text.substr(pos, end - pos);
    line.erase(line.rfind('\t'));
    line.erase(line.rfind('\t'));
    text.replace(pos, end - pos, line);
    use_table("few.txt", text);
    ASSERT_EQ(pass(ReaderPass::Count), 0);
    EXPECT_EQ(pass(ReaderPass::Fill), -100);
    EXPECT_EQ(log().substr(log().find("***")), fatal("nedostateený počet údajů na řádce 2"));

    fresh_run();
    std::string letters = table_text({a}, '\t', '.');
    letters.replace(letters.find("\r\n") + 2, 1, "A");
    use_table("let.txt", letters);
    ASSERT_EQ(pass(ReaderPass::Count), 0);
    EXPECT_EQ(pass(ReaderPass::Fill), -100);
    EXPECT_NE(log().find(cp("nečíselný údaj na řádce 2: [A")), std::string::npos);
}

TEST_F(WindRoseTest, AnEmptyRoseIsNotScaled) {
    RoseText r(9, 8);
    r.complete();
    use_table("zero.txt", table_text({r}, ';', ','));
    ASSERT_EQ(both(), 0);
    for (int slot = 0; slot < kCaseSlots; ++slot) ASSERT_EQ(roses.Wnd_frequency[0][slot], 0.0) << slot;
    EXPECT_NE(log().find(cp("Součet četností v růžici 9 je různý od 100%: (0.00%)")), std::string::npos);
}

TEST_F(WindRoseTest, TheTestModeChecksWithoutSettings) {
    settings.reset();  // a file test may come before the settings
    RoseText r = varied_rose(6, 16);
    r.at(5, 1, 3) += 10;
    use_table("t.txt", table_text({r}, '\t', '.'));
    roses.count = -1;
    EXPECT_EQ(pass(ReaderPass::Test), 0);
    // The checked roses, resampled to the methodology's sectors.
    ASSERT_EQ(roses.count, 1);
    ASSERT_EQ(roses.Wnd_frequency.size(), 1u);
    EXPECT_EQ(roses.sectors_in_file, 16);
    EXPECT_DOUBLE_EQ(roses.sector_width, 7.5);
    EXPECT_EQ(runlog.error_count, 1);
    EXPECT_NE(log().find(cp("--- VĚTRNÉ RŮŽICE\n--- Soubor s růžicemi: ") + project.wind_roses.path),
              std::string::npos);
    EXPECT_NE(log().find(cp("=== Počet sektorů větrných růžic pro výpočet: 48\n")), std::string::npos);
    // The run's reader takes the sectors from the settings only.
    EXPECT_EQ(both(), -100);
    EXPECT_EQ(log().substr(log().find("***")), fatal("Chybný počet směrů větrné růžice"));
    // The same checks end a test with a bad table.
    fresh_run();
    settings.reset();
    use_table("t2.txt", "0\r\n");
    EXPECT_EQ(pass(ReaderPass::Test), -100);
}

TEST_F(WindRoseTest, WindRosesAreReadFromTextTablesOnly) {
    use_table("ruzice.dbf", std::string("\x03", 1) + std::string(64, '\0'));
    EXPECT_EQ(pass(ReaderPass::Count), -100);
    EXPECT_NE(log().find(cp("větrné růžice lze číst jen z textového souboru")), std::string::npos);
}

TEST_F(WindRoseTest, TheCommittedTablesReadToTheSameRoses) {
    const std::string base = test::source_file("tests/fixtures/wind_roses") + "/";
    InputTable& t = project.wind_roses;
    t = InputTable{};
    t.path = base + "ruzice_8.txt";
    ASSERT_EQ(both(), 0);
    const auto tsv = roses.Wnd_frequency;
    EXPECT_EQ(roses.Wnd_id, (std::vector<int>{101, 202}));
    t = InputTable{};
    t.path = base + "ruzice_8_fix.txt";
    ASSERT_EQ(both(), 0);
    EXPECT_EQ(roses.table.type, TableType::Fix);
    EXPECT_TRUE(tsv == roses.Wnd_frequency);
    EXPECT_EQ(runlog.error_count, 0);
    // Each resampled rose keeps its 100 %, in the classes and in group 6.
    for (int r = 0; r < 2; ++r) {
        double classes = 0, control = 0;
        for (int g = 0; g < 3; ++g)
            for (int s = 0; s < 48; ++s) {
                for (int c = 0; c < 5; ++c) classes += value(r, c, g, s);
                control += value(r, 5, g, s);
            }
        EXPECT_NEAR(classes, 100.0, 1e-4);
        EXPECT_NEAR(control, 100.0, 1e-4);
    }
}

// A relative path is taken in the run's directory, not the working
// directory, and every message names it as given.
TEST_F(WindRoseTest, ARelativePathIsOpenedInTheRunsDirectory) {
    write_file(dir.file("relative.txt"), table_text({varied_rose(21, 8)}, '\t', '.'));
    in.directory = dir.str();
    project.wind_roses = InputTable{};
    project.wind_roses.path = "relative.txt";
    ASSERT_EQ(both(), 0);
    EXPECT_EQ(roses.Wnd_id, std::vector<int>{21});
    EXPECT_NE(log().find(cp("--- Soubor s růžicemi: relative.txt\n")), std::string::npos);

    // A fault of the table names it likewise.
    fresh_run();
    const std::string good = table_text({varied_rose(1, 8)}, '\t', '.');
    write_file(dir.file("relative.txt"), std::string("0") + good.substr(1));
    EXPECT_EQ(both(), -100);
    EXPECT_EQ(log().substr(log().find("***")), fatal("ID růžice musí být větší než 0 (zadáno 0)"));

    // Without the directory, the working directory holds no such table.
    fresh_run();
    in.directory.clear();
    ASSERT_FALSE(std::filesystem::exists("relative.txt"));
    EXPECT_EQ(both(), -100);
    EXPECT_NE(log().find(cp("*** soubor nelze otevřít\n       - relative.txt")), std::string::npos);
}

// The desktop program reports a table it cannot open itself: the stage
// ends without a message.
TEST_F(WindRoseTest, AQuietOpenFailureEndsWithoutAMessage) {
    in.quiet_open_failure = true;
    project.wind_roses.path = dir.file("none.txt");
    for (ReaderPass p : {ReaderPass::Test, ReaderPass::Count, ReaderPass::Fill}) {
        EXPECT_EQ(pass(p), -100);
        EXPECT_EQ(log().find("***"), std::string::npos);
        EXPECT_EQ(log().find(cp("VĚTRNÉ RŮŽICE")), std::string::npos);
    }
}
