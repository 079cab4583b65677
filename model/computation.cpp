#include "model/computation.h"


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

}  // namespace zemo
