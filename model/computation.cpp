#include "model/computation.h"

#include "base/format.h"
#include "base/platform.h"
#include "input/project_file.h"
#include "base/run_log.h"
#include "base/text.h"
#include "output/point_statistics.h"
#include "output/result_files.h"

namespace zemo {

PreparedModel prepare_model(const ModelSettings& settings, const ProjectConfig& project, const Sources& src,
                            const WindRoses& roses) {
    PreparedModel model;
    model.run = prepare_run_setup(settings, project, src, roses);
    model.points = prepare_point_sources(model.run);
    model.lines = prepare_line_sources(model.run);
    model.areas = prepare_area_sources(model.run);
    return model;
}

PointWorkspace make_workspace(const PreparedModel& model) {
    PointWorkspace work;
    work.line_receptors.x.assign(model.lines.NL, 0.0);
    work.line_receptors.y.assign(model.lines.NL, 0.0);
    return work;
}

void compute_point(const PreparedModel& model, const Receptor& receptor, ConcMatrix& conc, PointWorkspace& work) {
    const RunSetup& run = model.run;
    conc.clear();
    place_line_receptors(run, receptor, work.line_receptors);
    if (!model.points.remote.empty())
        for (int d = 0; d < run.directions; ++d)
            for (int s = 0; s < 3; ++s) remote_point_sources(run, model.points, receptor, d, s, conc);
    for (int k = 0; k < 5; ++k) {
        for (int d = 0; d < run.directions; ++d) {
            for (int s = 0; s < 3; ++s) {
                class_point_sources(run, model.points, receptor, k, d, s, conc);
                line_sources(run, model.lines, work.line_receptors, receptor, k, d, s, conc);
                area_sources(run, model.areas, receptor, k, d, s, conc);
            }
        }
    }
}

namespace {
PointObserver g_observer = nullptr;
void* g_observer_context = nullptr;
}  // namespace

void set_point_observer(PointObserver observer, void* context) {
    g_observer = observer;
    g_observer_context = context;
}

int run_computation() {
    const ProjectConfig& prj = project();
    const Sources& src = sources();
    const int P = static_cast<int>(prj.pollutants.size());
    const int N = src.NP + src.NL + src.NA;

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
            platform::console_write(format("Pocitam %i. bod z %i: %s (%.0f%% hotovo)...\r", r + 1, total,
                                           point.id.c_str(), 100.0 * r / total));
            r += 1;
            log_message(2, "výpočet pro referenční bod: %s"_cz, point.id.c_str());
            point.z += point.height;
            compute_point(model, Receptor{point.x, point.y, point.z}, conc, work);
            point_statistics(conc, point, stats);
            write_point_results(point, conc, stats);
            if (g_observer) g_observer(point, conc, g_observer_context);
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
