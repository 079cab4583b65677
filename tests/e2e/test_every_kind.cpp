// The test projects of tests/fixtures/projects/every-kind, which
// scripts/compare_builds runs with every build: they run cleanly, every
// source of the scene reaches the annual mean of every pollutant it emits,
// and the tables are those of their generator.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "tests/test_support.h"

using namespace zemo;
using zemo::test::read_file;
using zemo::test::TempDir;
using zemo::test::write_file;

namespace fs = std::filesystem;

namespace {

const fs::path kFixture = fs::path(ZEMO_SOURCE_DIR) / "tests" / "fixtures" / "projects" / "every-kind";

std::vector<std::string> split(const std::string& text, const std::string& separator) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (std::size_t at; (at = text.find(separator, start)) != std::string::npos; start = at + separator.size())
        parts.push_back(text.substr(start, at - start));
    parts.push_back(text.substr(start));
    return parts;
}

// The non-empty lines of a text file, without their line ends.
std::vector<std::string> lines_of(const std::string& path) {
    std::vector<std::string> lines;
    for (std::string line : split(read_file(path), "\n")) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) lines.push_back(line);
    }
    return lines;
}

// A number of a source table, with the decimal point or the decimal comma.
double number(std::string text) {
    for (char& c : text)
        if (c == ',') c = '.';
    return std::stod(text);
}

// A copy of the fixture's files with an empty results directory.
struct Copy {
    TempDir dir;
    Copy() {
        for (const auto& e : fs::directory_iterator(kFixture))
            if (e.is_regular_file()) fs::copy_file(e.path(), dir.path() / e.path().filename());
        fs::create_directory(dir.native("vysledky"));
    }
    // Runs a project; expects a complete run without a single error message.
    void run(const std::string& project) const {
        const std::string log = dir.file(project + ".log");
        const auto r = test::run_zemo("-a -c -i " + project + " -l '" + log + "'", dir.str());
        ASSERT_EQ(r.exit_code, 0) << r.output;
        const std::string text = cp1250_to_utf8(read_file(log));
        EXPECT_EQ(text.find("+++ "), std::string::npos) << text;
        EXPECT_EQ(text.find("*** "), std::string::npos) << text;
        EXPECT_NE(text.find("VÝPOČET UKONČEN... O.K."), std::string::npos) << text;
    }
};

struct Project {
    std::string file;
    std::string basic;      // the basic table
    std::string separator;  // of the source tables
    std::string tables;     // the source tables are bodove-<tables>.txt and so on
};

}  // namespace

// Every point, road and area source of the scene (each with its own class,
// height, heat output, width or size and wind rose) has a share in the
// annual mean of every pollutant it emits at some reference point, and none
// in a pollutant it does not emit; the road shorter than the model's least
// length (L_BOD) has none at all. The limits are exceeded somewhere.
TEST(EveryKindProjects, EverySourceAddsToEveryPollutantItEmits) {
    for (const Project& p : {Project{"every-kind-a.atm", "IHrIHk.txt", "\t", "a"},
                             Project{"every-kind-b.atm", "IHrIHk-b.txt", ";", "b"}}) {
        SCOPED_TRACE(p.file);
        Copy copy;
        // Every share above 0 gets its row in the source-share tables.
        const std::string atm = read_file(copy.dir.file(p.file));
        const std::string all_shares = std::regex_replace(atm, std::regex("PODILY LIMIT=[0-9.]+"), "PODILY LIMIT=0");
        ASSERT_NE(all_shares.find("PODILY LIMIT=0\r\n"), std::string::npos);
        write_file(copy.dir.file(p.file), all_shares);
        copy.run(p.file);

        const std::vector<std::string> header = split(lines_of(copy.dir.file("vysledky/" + p.basic))[0], "\t");
        std::vector<std::string> indicatives;
        for (const std::string& column : header)
            if (column.starts_with("Crok_")) indicatives.push_back(column.substr(5));
        ASSERT_GE(indicatives.size(), 5u);

        std::vector<std::set<std::string>> emitting(indicatives.size());
        int sources = 0;
        for (const char* kind : {"bodove", "liniove", "plosne"}) {
            for (const std::string& line : lines_of(copy.dir.file(std::string(kind) + "-" + p.tables + ".txt"))) {
                const std::vector<std::string> f = split(line, p.separator);
                ASSERT_GT(f.size(), indicatives.size());
                ++sources;
                if (f[0] == "L_BOD") continue;
                for (std::size_t j = 0; j < indicatives.size(); ++j)
                    if (number(f[f.size() - indicatives.size() + j]) > 0) emitting[j].insert(f[0]);
            }
        }
        EXPECT_GE(sources, 18);

        for (std::size_t j = 0; j < indicatives.size(); ++j) {
            std::set<std::string> sharing;
            const std::vector<std::string> rows =
                lines_of(copy.dir.file("vysledky/Pzdroju_" + indicatives[j] + ".txt"));
            for (std::size_t r = 1; r < rows.size(); ++r) sharing.insert(split(rows[r], "\t").at(3));
            EXPECT_EQ(sharing, emitting[j]) << indicatives[j];
        }

        const std::vector<std::string> basic = lines_of(copy.dir.file("vysledky/" + p.basic));
        EXPECT_EQ(basic.size(), 36u);
        for (std::size_t c = 0; c < header.size(); ++c) {
            if (!header[c].starts_with("P_")) continue;
            bool exceeded = false;
            for (std::size_t r = 1; r < basic.size(); ++r)
                exceeded = exceeded || std::stod(split(basic[r], "\t").at(c)) > 0;
            EXPECT_TRUE(exceeded) << header[c];
        }
    }
}

// The three projects share one results directory without overwriting each
// other's files, and the DBF variant writes the same detailed reports as
// the text one (the report is text in either format).
TEST(EveryKindProjects, AllThreeRunInOneDirectoryAndTheDbfVariantReportsTheSame) {
    Copy copy;
    for (const char* project : {"every-kind-a.atm", "every-kind-a-dbf.atm", "every-kind-b.atm"}) copy.run(project);
    const std::vector<std::string> names = test::file_names_in(copy.dir.native("vysledky"));
    // A: 1 + 6 x 5 text files; A-DBF: 1 + 6 x 4 DBF tables and 6 reports;
    // B: 1 + 5 x 5 text files.
    EXPECT_EQ(names.size(), 31u + 31u + 26u);
    for (const char* ind : {"SO2", "NO2", "PM10", "CO", "VOC", "NH3"}) {
        const std::string text = read_file(copy.dir.file(std::string("vysledky/detalni_") + ind + ".txt"));
        EXPECT_GT(text.size(), 10000u) << ind;
        EXPECT_EQ(read_file(copy.dir.file(std::string("vysledky/detalni-dbf_") + ind + ".txt")), text) << ind;
    }
    for (const char* table : {"IHrIHk.dbf", "Pskupin_NO2.dbf", "Smax_VOC.dbf"}) {
        const std::string dbf = read_file(copy.dir.file(std::string("vysledky/") + table));
        ASSERT_GT(dbf.size(), 8u) << table;
        const auto u8 = [&](std::size_t i) { return static_cast<unsigned>(static_cast<unsigned char>(dbf[i])); };
        EXPECT_EQ(u8(4) | u8(5) << 8 | u8(6) << 16 | u8(7) << 24, 35u) << table;  // records
    }
}

// The committed projects and tables are exactly what their generator writes.
TEST(EveryKindProjects, FilesAreThoseOfTheGenerator) {
    TempDir dir;
    const std::string python = fs::exists("/usr/bin/python3") ? "/usr/bin/python3" : "python3";
    const std::string cmd =
        python + " '" + (kFixture / "make_every_kind.py").string() + "' '" + dir.path().string() + "'";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    int files = 0;
    for (const auto& e : fs::directory_iterator(dir.path())) {
        ++files;
        const std::string name = e.path().filename().string();
        EXPECT_EQ(read_file(e.path()), read_file((kFixture / name))) << name;
    }
    EXPECT_EQ(files, 15);
}
