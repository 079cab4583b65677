#include "run/point_loop.h"

#include "base/format.h"
#include "base/platform.h"
#include "base/run_log.h"
#include "base/run_record.h"
#include "base/text.h"
#include "input/model_settings.h"
#include "input/project_file.h"
#include "input/sources.h"
#include "input/wind_roses.h"
#include "model/computation.h"
#include "output/point_statistics.h"
#include "output/result_files.h"

namespace zemo {

void RunObserver::progress(int, int, const ReferencePoint&) {}
bool RunObserver::stop_requested() { return false; }
void RunObserver::message_line(std::string_view) {}

void ConsoleProgress::progress(int done, int total, const ReferencePoint& next) {
    platform::console_write(format("Pocitam %i. bod z %i: %s (%.0f%% hotovo)...\r", done + 1, total, next.id.c_str(),
                                   100.0 * done / total));
}

RunHooks& run_hooks() { return RunRecord<RunHooks>::current(); }

void set_point_observer(PointObserver observer, void* context) {
    run_hooks().point_observer = observer;
    run_hooks().point_context = context;
}

int run_computation() {
    const ProjectConfig& prj = project();
    const Sources& src = sources();
    const int P = static_cast<int>(prj.pollutants.size());
    const int N = src.NP + src.NL + src.NA;
    const RunHooks hooks = run_hooks();
    ConsoleProgress console;
    RunObserver& host = hooks.observer ? *hooks.observer : console;

    ConcMatrix conc;
    if (!conc.allocate(P, N)) run_log().message(32, format("Conc[%i][%i]", 0, 0));
    if (run_log().level > 0) run_log().write("\nVÝPOČET ZAHÁJEN\n"_cz);

    const PreparedModel model = prepare_model(model_settings(), prj, src, wind_roses());
    PointWorkspace work = make_workspace(model);
    PointStatistics stats;

    const int total = reference_point_tables().total;
    if (total < 1) return 0;

    int r = 0;
    ReferencePoint point;
    for (int t = 0; t < static_cast<int>(prj.grid_files.size()); ++t) {
        PointCursor cursor;
        if (open_point_table(t, cursor) != 0) return -100;
        cursor.counter = 0;
        for (;;) {
            const int result = read_next_point(PointReaderMode::Computing, t, cursor, point);
            if (result == -100) return -100;
            if (result == 100) continue;
            if (result == 1) break;
            host.progress(r, total, point);
            if (host.stop_requested()) {
                run_log().message(25, "Výpočet přerušen uživatelem!"_cz);
                return -100;
            }
            r += 1;
            log_message(2, "výpočet pro referenční bod: %s"_cz, point.id.c_str());
            point.z += point.height;
            compute_point(model, Receptor{point.x, point.y, point.z}, conc, work);
            point_statistics(conc, point, stats);
            write_point_results(point, conc, stats);
            if (hooks.point_observer) hooks.point_observer(point, conc, hooks.point_context);
        }
        cursor.file.close();
    }
    // The tables are read again for the computation: a table that changed
    // since it was loaded would leave points without their rows. (The total
    // counts the blank records of DBF tables too; they hold no point.)
    const int loaded = reference_point_tables().points_read;
    if (r != loaded)
        log_message(33, "Počet referenčních bodů se během výpočtu změnil: načteno %i, spočteno %i"_cz, loaded, r);
    return 0;
}

}  // namespace zemo
