// The memory of a run: the estimate of input/capacity.h against what a run
// really allocates for its sources and its threads, the run's own check
// before the matrices of its threads are allocated, and an allocation that
// fails where nothing expected it.
#include <gtest/gtest.h>

#include <malloc.h>

#include <cstdlib>
#include <new>
#include <string>

#include "input/capacity.h"
#include "input/reference_points.h"
#include "input/sources.h"
#include "input/wind_roses.h"
#include "model/computation.h"
#include "input/run_inputs.h"
#include "input/transfers.h"
#include "output/result_files.h"
#include "run/point_loop.h"
#include "tests/run_records.h"
#include "tests/test_support.h"

namespace zemo {
namespace {

// Bytes the C library's allocator has handed out and not taken back (every
// arena, and the blocks it maps of their own); 0 under a sanitizer with an
// allocator of its own, which the C library's figures do not see.
std::size_t allocated_bytes() {
#ifdef ZEMO_TEST_RESERVING_SANITIZER
    return 0;
#else
    const struct mallinfo2 m = ::mallinfo2();
    return m.uordblks + m.hblkhd;
#endif
}

struct Peak {
    std::size_t base = 0, peak = 0;
    int points = 0;
};

void measure(const ReferencePoint&, const ConcMatrix&, void* context) {
    Peak& p = *static_cast<Peak*>(context);
    const std::size_t now = allocated_bytes();
    if (now > p.base && now - p.base > p.peak) p.peak = now - p.base;
    ++p.points;
}

// Two pollutants, one wind rose (identifier 7), the standard result type
// (so the source shares are formed), the tables written by the tests.
class RunMemoryTest : public ::testing::Test, public test::RunRecords {
protected:
    // Also called again within a test, for a second run: every record
    // back to a fresh one first.
    void SetUp() override {
        log.reset();
        notes = PartialNumbers{};
        options.reset();
        project.reset();
        settings.reset();
        roses.reset();
        sources.reset();
        transfers.reset();
        points.reset();
        settings.set_methodology_defaults();
        log_path_ = dir_.file("run.log");
        log.open(log_path_, 1);
        WindRoses& w = roses;
        w.count = 1;
        w.Wnd_id = {7};
        w.Wnd_frequency.resize(1);
        w.Wnd_frequency[0].fill(0.5);
        w.sector_width = 7.5;
        w.sectors_in_file = 48;
        for (const char* indicative : {"X", "Y"}) {
            Pollutant p;
            p.indicative = indicative;
            p.type = kTypeJina;
            project.pollutants.push_back(p);
        }
        project.rotation = 0;
        project.result_type = kResultStandard;
        project.source_kinds = 3;
    }
    void TearDown() override { ::unsetenv("ZEMO_THREADS"); }
    InputTable table(const std::string& name, const std::string& lines) {
        InputTable t;
        t.path = dir_.file(name);
        test::write_file(t.path, lines);
        EXPECT_TRUE(set_type_from_keyword(t, "TSV"));
        return t;
    }
    // stacks, roads and squares on a 20 km x 20 km grid, each with its
    // emissions of X and Y; the receptors at (5 km, 5 km) and (12 km, 8 km).
    void write_project(int stacks, int roads, int squares) {
        std::string p, l, a;
        for (int i = 0; i < stacks; ++i)
            p += "K" + std::to_string(i) + "\t" + std::to_string(i % 20 * 1000) + "\t" + std::to_string(i / 20 * 1000) +
                 "\t300\t" + std::to_string(20 + i % 50) + "\t1\t8760\t" + (i % 3 == 0 ? "0" : "1") + "\t" +
                 std::to_string(1 + i % 5) + "\t7\t1.0\t2.0\n";
        for (int i = 0; i < roads; ++i) {
            const int x = i % 20 * 1000 + 100, y = i / 20 * 500;
            l += "L" + std::to_string(i) + "\t" + std::to_string(x) + "\t" + std::to_string(y) + "\t300\t" +
                 std::to_string(x + 200) + "\t" + std::to_string(y + 50) + "\t300\t8760\t2\t1\t7\t10\t1.0\t2.0\n";
        }
        for (int i = 0; i < squares; ++i)
            a += "A" + std::to_string(i) + "\t" + std::to_string(i % 20 * 1000 + 500) + "\t" +
                 std::to_string(i / 20 * 1000 + 500) + "\t300\t5\t0\t8760\t1\t1\t7\t100\t1.0\t2.0\n";
        project.point_sources = table("bodove.txt", p);
        project.line_sources = table("liniove.txt", l);
        project.area_sources = table("plosne.txt", a);
        project.grid_files = {table("body.txt", "R1\t5000\t5000\t300\t1.5\t7\nR2\t12000\t8000\t300\t1.5\t7\n")};
    }
    int load() {
        return run_stage(log, [&] {
            sources = read_sources(project, roses, options.memory_limit, input);
            points = load_reference_points(project, roses, input);
            return 0;
        });
    }
    std::string log_text() {
        log.flush();
        return cp1250_to_utf8(test::read_file(log_path_));
    }

    int computation() { return run_computation(in, files, input, hooks) == ComputationEnd::Complete ? 0 : -100; }

    test::TempDir dir_;
    std::string log_path_;
    ResultFiles files;
    RunHooks hooks;
};

// What a run holds while it computes (its source tables, the prepared
// model, the matrices, lists and statistics of its threads) stays within
// the estimate, and the estimate is no mere multiple of it: at one and two
// threads, for stacks, roads and squares.
TEST_F(RunMemoryTest, TheEstimateBoundsWhatARunHoldsWhileItComputes) {
    if (allocated_bytes() == 0) GTEST_SKIP() << "the allocator does not report its bytes";
    for (const char* threads : {"1", "2"}) {
        SCOPED_TRACE(threads);
        SetUp();
        ::setenv("ZEMO_THREADS", threads, 1);
        write_project(300, 400, 200);
        Peak peak;
        peak.base = allocated_bytes();
        hooks.point_observer = measure;
        hooks.point_context = &peak;
        ASSERT_EQ(load(), 0) << log_text();
        testing::internal::CaptureStdout();
        ASSERT_EQ(run_stage(log, [&] { return computation(); }), 0) << log_text();
        testing::internal::GetCapturedStdout();
        ASSERT_EQ(peak.points, 2);

        const Sources& src = sources;
        const PreparedModel model = prepare_model(settings, project, src, roses);
        const long long columns = most_columns(model);
        // Every stack, and some of the roads and squares, have a column.
        EXPECT_GT(columns, 300);
        EXPECT_LT(columns, 900);
        const RunSize size{src.total, columns, 2, std::atoi(threads)};
        const std::uint64_t estimate = run_bytes(size);
        // The part that grows with the sources and threads, compared with
        // 1 MiB for what does not (here a reach grid of a few hundred
        // cells and one wind rose) instead of all of kRunBytes.
        const std::uint64_t growing = estimate - kRunBytes;
        EXPECT_LE(peak.peak, growing + (1u << 20)) << growing;
        EXPECT_GE(peak.peak, growing / 2) << growing;
    }
}

// The roads in reach of the fullest cell are what does not fit: the run
// names their table, before any matrix is allocated. Worked by hand from
// the terms of input/capacity.h for P = 2, one thread, N = 3 sources (a
// stack and two roads next to each other, both in reach of one cell):
//   64 MiB + 3 (2048 + 32) + 3 (32 + 16) + C (512 + 13,824)
//   = 67,115,248 + 14,336 C
// with the stack's column alone (C = 1): 67,129,584; with the roads' (C = 3):
// 67,158,256.
TEST_F(RunMemoryTest, ARunWhoseRoadsInReachDoNotFitNamesTheRoadTable) {
    write_project(1, 2, 0);
    ASSERT_EQ(load(), 0) << log_text();
    const PreparedModel model = prepare_model(settings, project, sources, roses);
    ASSERT_EQ(most_columns(model), 3);

    options.memory_limit = 67158255;
    testing::internal::CaptureStdout();
    EXPECT_EQ(run_stage(log, [&] { return computation(); }), -100);
    testing::internal::GetCapturedStdout();
    const std::string text = log_text();
    EXPECT_NE(
        text.find("*** nedostatek paměti\r\n       - se zdroji ze souboru " +
                  cp1250_to_utf8(project.line_sources.path) +
                  " potřebuje výpočet 65 MiB paměti (3 zdrojů, 3 sloupců matice Conc), k dispozici je 64 MiB\r\n"),
        std::string::npos)
        << text;
    EXPECT_EQ(text.find("VÝPOČET ZAHÁJEN"), std::string::npos) << text;

    SetUp();
    write_project(1, 2, 0);
    ASSERT_EQ(load(), 0) << log_text();
    options.memory_limit = 67158256;
    testing::internal::CaptureStdout();
    EXPECT_EQ(run_stage(log, [&] { return computation(); }), 0) << log_text();
    testing::internal::GetCapturedStdout();
}

// Without a limit of its own a run takes what the system allows the
// process: an address-space limit lowers the ceiling to it (or below).
TEST_F(RunMemoryTest, TheCeilingFollowsTheProcesssAddressSpaceLimit) {
    EXPECT_GT(memory_ceiling(0), kRunBytes);
    EXPECT_EQ(memory_ceiling(12345), 12345u);
    const int within = test::run_with_memory_limit(256u << 20, [] {
        rlimit r{};
        if (::getrlimit(RLIMIT_AS, &r) != 0 || r.rlim_cur == RLIM_INFINITY) return 2;
        return memory_ceiling(0) <= static_cast<std::uint64_t>(r.rlim_cur) ? 0 : 1;
    });
    if (within == test::kNoMemoryLimit) GTEST_SKIP() << "no address-space limit under this sanitizer";
    EXPECT_EQ(within, 0);
}

// An allocation that fails where no check foresaw it ends the stage with
// the fatal "nedostatek paměti", as every fatal message does.
TEST_F(RunMemoryTest, AFailedAllocationInAStageIsTheFatalMemoryMessage) {
    EXPECT_EQ(run_stage(log, []() -> int { throw std::bad_alloc(); }), -100);
    EXPECT_EQ(log_text(), "*** nedostatek paměti\r\n       - požadovanou paměť nelze přidělit\r\n");
    // The stage after it runs as usual.
    EXPECT_EQ(run_stage(log, [] { return 0; }), 0);
}

}  // namespace
}  // namespace zemo
