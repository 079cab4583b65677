#include "run/point_loop.h"

#include <algorithm>
#include <array>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "base/files.h"
#include "base/format.h"
#include "base/platform.h"
#include "base/run_log.h"
#include "base/run_options.h"
#include "base/text.h"
#include "input/capacity.h"
#include "input/model_settings.h"
#include "input/project_file.h"
#include "input/reference_points.h"
#include "input/sources.h"
#include "input/transfers.h"
#include "input/wind_roses.h"
#include "model/computation.h"
#include "output/point_statistics.h"
#include "output/result_files.h"
#include "run/thread_count.h"

namespace zemo {

void RunObserver::stage_starting(Stage) {}
void RunObserver::stage_ended(Stage, bool) {}
void RunObserver::progress(int, int, const ReferencePoint&) {}
bool RunObserver::stop_requested() { return false; }
void RunObserver::message_line(std::string_view) {}

void ConsoleProgress::progress(int done, int total, const ReferencePoint& next) {
    platform::console_write(format("Pocitam %i. bod z %i: %s (%.0f%% hotovo)...\r", done + 1, total, next.id.c_str(),
                                   100.0 * done / total));
}

namespace {

// A point read and waiting for its rows, with what the log got while it
// was read (messages of skipped records before it, the debug line).
struct PointSlot {
    ReferencePoint point;
    RunLog::Captured before;
};

// One thread's workspace: its own matrix, scratch and statistics.
struct ThreadWork {
    ConcMatrix conc;
    PointWorkspace work;
    PointStatistics stats;
};

// A reusable barrier for a fixed number of threads, on a mutex and a
// condition variable. std::barrier waits through libstdc++'s atomic wait,
// which on Windows (no futex) lost a wake-up now and then and left the
// computation hanging between two points.
class ThreadBarrier {
public:
    explicit ThreadBarrier(int threads) : threads_(threads) {}

    void arrive_and_wait() {
        std::unique_lock lock(mutex_);
        const std::uint64_t phase = phase_;
        if (++arrived_ == threads_) {
            arrived_ = 0;
            ++phase_;
            lock.unlock();
            next_phase_.notify_all();
            return;
        }
        next_phase_.wait(lock, [&] { return phase_ != phase; });
    }

private:
    std::mutex mutex_;
    std::condition_variable next_phase_;
    const int threads_;
    int arrived_ = 0;
    std::uint64_t phase_ = 0;
};

// Threads 1..T-1 of the computation; the run's thread is thread 0. Slot i
// of a batch is computed by thread i, so each point's matrix stays with
// its thread until its rows are written.
class PointWorkers {
public:
    PointWorkers(int threads, const RunInputs& in, const PreparedModel& model, std::vector<ThreadWork>& work,
                 std::vector<PointSlot>& slots)
        : in_(in),
          model_(model),
          work_(work),
          slots_(slots),
          start_(threads),
          done_(threads),
          errors_(static_cast<std::size_t>(threads)) {
        const int priority = in.options.priority;
        for (int i = 1; i < threads; ++i)
            threads_.emplace_back([this, i, priority] {
                // The run's priority, which a new thread does not inherit
                // everywhere.
                platform::set_thread_priority(priority);
                for (;;) {
                    start_.arrive_and_wait();
                    if (quit_) return;
                    if (i < count_) compute_slot(i);
                    done_.arrive_and_wait();
                }
            });
    }
    ~PointWorkers() {
        quit_ = true;
        start_.arrive_and_wait();
        for (std::thread& t : threads_) t.join();
    }
    PointWorkers(const PointWorkers&) = delete;
    PointWorkers& operator=(const PointWorkers&) = delete;

    // Computes slots 0..count-1 (count at most the thread count) and
    // returns when every one is done.
    void compute(int count) {
        count_ = count;
        start_.arrive_and_wait();
        if (count > 0) compute_slot(0);
        done_.arrive_and_wait();
        for (std::exception_ptr& e : errors_)
            if (e) std::rethrow_exception(std::exchange(e, nullptr));
    }

private:
    void compute_slot(int i) {
        try {
            ReferencePoint& point = slots_[i].point;
            ThreadWork& w = work_[i];
            compute_point(model_, Receptor{point.x, point.y, point.z}, w.conc, w.work);
            point_statistics(in_, w.conc, point, w.stats);
        } catch (...) {
            errors_[i] = std::current_exception();
        }
    }

    const RunInputs& in_;
    const PreparedModel& model_;
    std::vector<ThreadWork>& work_;
    std::vector<PointSlot>& slots_;
    ThreadBarrier start_, done_;
    std::vector<std::exception_ptr> errors_;
    std::vector<std::thread> threads_;
    int count_ = 0;
    bool quit_ = false;
};

// The threads whose matrices fit under the memory ceiling together with
// the rest of the run (input/capacity.h): all of them when they fit, fewer
// (said in the log) when only fewer do, which changes no result. A run
// that does not fit with one thread is the fatal "nedostatek paměti"
// naming the source table whose columns go beyond, in the order stacks,
// roads, squares.
int threads_within_memory(const RunOptions& options, const ProjectConfig& prj, RunLog& log, const PreparedModel& model,
                          int sources, int pollutants, int threads) {
    const std::uint64_t ceiling = memory_ceiling(options.memory_limit);
    const std::array<int, 3> by_kind = most_columns_by_kind(model);
    const long long columns = static_cast<long long>(by_kind[0]) + by_kind[1] + by_kind[2];
    const std::uint64_t one = run_bytes({sources, columns, pollutants, 1});
    if (one > ceiling) {
        const InputTable* tables[3] = {&prj.point_sources, &prj.line_sources, &prj.area_sources};
        long long so_far = 0;
        int kind = 0;
        for (; kind < 2; ++kind) {
            so_far += by_kind[kind];
            if (run_bytes({sources, so_far, pollutants, 1}) > ceiling) break;
        }
        log.fatalf(kFatalMemory,
                   "se zdroji ze souboru %s potřebuje výpočet %llu MiB paměti (%i zdrojů, %lli sloupců matice "
                   "Conc), k dispozici je %llu MiB"_cz,
                   tables[kind]->path.c_str(), mebibytes_up(one), sources, columns, mebibytes_down(ceiling));
    }
    int fit = threads;
    while (fit > 1 && run_bytes({sources, columns, pollutants, fit}) > ceiling) --fit;
    if (fit < threads)
        log.messagef(kInformation,
                     "Počet výpočetních vláken snížen z %i na %i: s %i vlákny by výpočet potřeboval %llu MiB "
                     "paměti, k dispozici je %llu MiB"_cz,
                     threads, fit, threads, mebibytes_up(run_bytes({sources, columns, pollutants, threads})),
                     mebibytes_down(ceiling));
    return fit;
}

}  // namespace

ComputationEnd run_computation(const RunInputs& in, ResultFiles& files, InputContext& input, const RunHooks& hooks) {
    RunLog& log = input.log;
    const ProjectConfig& prj = in.project;
    const Sources& src = in.sources;
    const int P = static_cast<int>(prj.pollutants.size());
    const int N = src.NP + src.NL + src.NA;
    ConsoleProgress console;
    RunObserver& host = hooks.observer ? *hooks.observer : console;

    int threads = computation_threads(log);
    const int total = in.points.total;
    threads = std::max(1, std::min(threads, total));

    // The matrix of a thread needs a column only for the sources that can
    // reach one point, which the model knows once it is prepared.
    const PreparedModel model = prepare_model(in.settings, prj, src, in.roses);
    threads = threads_within_memory(in.options, prj, log, model, N, P, threads);
    std::vector<ThreadWork> work(static_cast<std::size_t>(threads));
    for (ThreadWork& w : work)
        if (!w.conc.allocate(P, N, most_columns(model))) log.fatal(kFatalMemory, format("Conc[%i][%i]", 0, 0));
    if (log.level > 0) log.write("\nVÝPOČET ZAHÁJEN\n"_cz);

    for (ThreadWork& w : work) w.work = make_workspace(model);
    if (total < 1) return ComputationEnd::Complete;

    std::vector<PointSlot> slots(static_cast<std::size_t>(threads));
    PointWorkers workers(threads, in, model, work, slots);

    const int tables = static_cast<int>(in.points.tables.size());
    int t = 0, r = 0;
    PointCursor cursor;
    bool table_open = false;
    for (bool end = false; !end;) {
        // Read the next points, one per thread, in input order. The log's
        // lines of each are kept until its rows are written.
        int count = 0;
        bool stop = false, fatal = false;
        log.begin_capture();
        try {
            while (count < threads) {
                if (!table_open) {
                    if (t >= tables) {
                        end = true;
                        break;
                    }
                    open_point_table(input, in.points.tables[t], cursor);
                    table_open = true;
                }
                ReferencePoint& point = slots[count].point;
                const PointRead result =
                    read_next_point(input, in.roses, PointReaderMode::Computing, in.points.tables[t], cursor, point);
                if (result == PointRead::SkippedEmptyRecord) continue;
                if (result == PointRead::End) {
                    cursor.file.close();
                    table_open = false;
                    ++t;
                    continue;
                }
                host.progress(r, total, point);
                if (host.stop_requested()) {
                    stop = end = true;
                    break;
                }
                r += 1;
                log.messagef(kDetail, "výpočet pro referenční bod: %s"_cz, point.id.c_str());
                point.z += point.height;
                slots[count].before = log.end_capture();
                log.begin_capture();
                ++count;
            }
        } catch (const DeferredFatal&) {
            fatal = end = true;
        } catch (...) {
            log.end_capture();
            throw;
        }
        const RunLog::Captured after = log.end_capture();

        // A setting that ends the run ends it at the first point, after that
        // point's lines, whatever the thread count.
        if (count > 0) {
            log.replay(slots[0].before);
            slots[0].before = RunLog::Captured{};
            check_sector_setting(in, log);
        }
        // Compute them side by side, then write their rows in input order.
        workers.compute(count);
        for (int i = 0; i < count; ++i) {
            log.replay(slots[i].before);
            write_point_results(in, files, log, slots[i].point, work[i].conc, work[i].stats);
            if (hooks.point_observer) hooks.point_observer(slots[i].point, work[i].conc, hooks.point_context);
        }
        log.replay(after);
        if (fatal) log.stop_deferred();
        if (stop) {
            log.message(kErrorPlain, "Výpočet přerušen uživatelem!"_cz);
            return ComputationEnd::Stopped;
        }
    }
    // The tables are read again for the computation: a table that changed
    // since it was loaded would leave points without their rows. (The total
    // counts the blank records of DBF tables too; they hold no point.)
    const int loaded = in.points.points_read;
    if (r != loaded)
        log.fatalf(kFatalData, "Počet referenčních bodů se během výpočtu změnil: načteno %i, spočteno %i"_cz, loaded,
                   r);
    return ComputationEnd::Complete;
}

}  // namespace zemo
