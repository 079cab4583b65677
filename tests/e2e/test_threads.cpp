// Reference points computed side by side: the thread setting, and whole runs
// whose result files and log do not depend on the number of threads.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <regex>
#include <vector>

#include "run/thread_count.h"
#include "tests/test_support.h"

using namespace zemo;
using zemo::test::read_file;
using zemo::test::TempDir;

namespace fs = std::filesystem;

TEST(ThreadSetting, APositiveWholeNumberOrTheDefault) {
    EXPECT_EQ(thread_setting(nullptr, 6).threads, 6);
    EXPECT_TRUE(thread_setting(nullptr, 6).valid);
    EXPECT_EQ(thread_setting("", 6).threads, 6);
    EXPECT_TRUE(thread_setting("", 6).valid);
    EXPECT_EQ(thread_setting("3", 6).threads, 3);
    EXPECT_EQ(thread_setting(" 12\t", 2).threads, 12);
    EXPECT_EQ(thread_setting("100000000000", 2).threads, kMaxThreads);
    for (const char* bad : {"0", "-2", "2.5", "dva", "4x", "+3", " "}) {
        const ThreadSetting s = thread_setting(bad, 5);
        if (std::string(bad) == " ") {
            EXPECT_TRUE(s.valid);  // blanks only are an empty value
        } else {
            EXPECT_FALSE(s.valid) << bad;
        }
        EXPECT_EQ(s.threads, 5) << bad;
    }
    EXPECT_EQ(thread_setting(nullptr, 0).threads, 1);
}

namespace {

// A copy of an example project with an empty results directory.
struct Example {
    TempDir dir;
    explicit Example(const char* name) {
        fs::copy(fs::path(ZEMO_SOURCE_DIR) / "examples" / name, dir.path(), fs::copy_options::recursive);
        fs::remove_all(dir.native("vysledky"));
        fs::create_directory(dir.native("vysledky"));
    }
    test::ProgramResult run(int threads, const std::string& options = "") const {
        return test::run_zemo("-a -c -i town.atm -l beh.log " + options, dir.str(),
                              "ZEMO_THREADS=" + std::to_string(threads));
    }
    std::vector<std::pair<std::string, std::string>> results() const {
        std::vector<std::pair<std::string, std::string>> files;
        for (const auto& e : fs::directory_iterator(dir.native("vysledky")))
            files.emplace_back(e.path().filename().string(), read_file(e.path()));
        std::sort(files.begin(), files.end());
        return files;
    }
    // The log without its times.
    std::string log() const {
        return std::regex_replace(read_file(dir.file("beh.log")),
                                  std::regex("[0-9]{2}:[0-9]{2}:[0-9]{2}|[0-9]+h [0-9]+m [0-9]+s|"
                                             "[0-9]{2}\\.[0-9]{2}\\.[0-9]{4}"),
                                  "T");
    }
};

// Blanks record `record` (0-based) of a DBF table: the reader skips it.
void blank_dbf_record(const std::string& path, int record) {
    std::string dbf = read_file(path);
    const auto u8 = [&](std::size_t i) { return static_cast<unsigned char>(dbf[i]); };
    const std::size_t header = u8(8) | u8(9) << 8, size = u8(10) | u8(11) << 8;
    const std::size_t start = header + static_cast<std::size_t>(record) * size;
    ASSERT_LT(start + size, dbf.size());
    std::fill(dbf.begin() + static_cast<std::ptrdiff_t>(start + 1),
              dbf.begin() + static_cast<std::ptrdiff_t>(start + size), ' ');
    test::write_file(path, dbf);
}

void expect_same_for_every_thread_count(const char* example, const std::string& options,
                                        void (*prepare)(const Example&) = nullptr) {
    Example one(example);
    if (prepare) prepare(one);
    ASSERT_EQ(one.run(1, options).exit_code, 0) << one.log();
    const auto results = one.results();
    ASSERT_GE(results.size(), 5u);
    for (int threads : {2, 3, 8}) {
        Example many(example);
        if (prepare) prepare(many);
        ASSERT_EQ(many.run(threads, options).exit_code, 0) << threads;
        const auto got = many.results();
        ASSERT_EQ(got.size(), results.size()) << threads;
        for (std::size_t i = 0; i < got.size(); ++i) {
            EXPECT_EQ(got[i].first, results[i].first);
            EXPECT_TRUE(got[i].second == results[i].second) << threads << " threads: " << got[i].first;
        }
        EXPECT_EQ(many.log(), one.log()) << threads;
    }
}

}  // namespace

TEST(ThreadedRuns, TheExampleTownGivesTheSameBytesOnOneTwoThreeAndEightThreads) {
    expect_same_for_every_thread_count("town", "");
}

TEST(ThreadedRuns, ALevelTwoLogWithASkippedPointKeepsTheOrderOfThePoints) {
    // Level 2 writes a line for every point; a blank record of the DBF
    // reference points is skipped while the points around it are computed.
    expect_same_for_every_thread_count("town-dbf", "-L2",
                                       [](const Example& e) { blank_dbf_record(e.dir.file("body.dbf"), 5); });
}

TEST(ThreadedRuns, AnInvalidSettingIsACountedErrorNamingItAndTheRunGoesOn) {
    Example e("town");
    const test::ProgramResult r = test::run_zemo("-a -c -i town.atm -l beh.log", e.dir.str(), "ZEMO_THREADS=mnoho");
    EXPECT_EQ(r.exit_code, 0);
    const std::string log = cp1250_to_utf8(read_file(e.dir.file("beh.log")));
    EXPECT_NE(log.find("Neplatná hodnota proměnné ZEMO_THREADS: [mnoho]"), std::string::npos) << log;
    EXPECT_NE(log.find("počet chybových zpráv: 1"), std::string::npos);
    Example reference("town");
    ASSERT_EQ(reference.run(1).exit_code, 0);
    EXPECT_TRUE(e.results() == reference.results());
}
