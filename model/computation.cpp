#include "model/computation.h"

#include <numeric>

namespace zemo {

namespace {

ReachIndex index_lines(const PreparedLines& lines) {
    std::vector<double> radius(static_cast<std::size_t>(lines.NL));
    for (int i = 0; i < lines.NL; ++i) radius[i] = road_reach(lines.half_length[i]);
    return ReachIndex(lines.mid_x, lines.mid_y, radius);
}

ReachIndex index_areas(const Sources& src) {
    std::vector<double> radius(static_cast<std::size_t>(src.NA));
    for (int i = 0; i < src.NA; ++i) radius[i] = square_reach(src.SrcA_dx[i]);
    return ReachIndex(src.SrcA_x, src.SrcA_y, radius);
}

}  // namespace

PreparedModel prepare_model(const ModelSettings& settings, const ProjectConfig& project, const Sources& src,
                            const WindRoses& roses) {
    PreparedModel model;
    model.run = prepare_run_setup(settings, project, src, roses);
    model.points = prepare_point_sources(model.run);
    model.lines = prepare_line_sources(model.run);
    model.areas = prepare_area_sources(model.run);
    model.line_reach = index_lines(model.lines);
    model.area_reach = index_areas(src);
    return model;
}

std::array<int, 3> most_columns_by_kind(const PreparedModel& model) {
    const int NP = model.run.src->NP;
    if (!model.use_reach_index) return {NP, model.lines.NL, model.areas.NA};
    return {NP, model.line_reach.most_in_reach(), model.area_reach.most_in_reach()};
}

int most_columns(const PreparedModel& model) {
    const std::array<int, 3> columns = most_columns_by_kind(model);
    return columns[0] + columns[1] + columns[2];
}

PointWorkspace make_workspace(const PreparedModel& model) {
    PointWorkspace work;
    work.line_receptors.x.assign(model.lines.NL, 0.0);
    work.line_receptors.y.assign(model.lines.NL, 0.0);
    work.lines_in_reach.reserve(static_cast<std::size_t>(model.lines.NL));
    work.areas_in_reach.reserve(static_cast<std::size_t>(model.areas.NA));
    work.columns.reserve(static_cast<std::size_t>(model.run.src->NP + model.lines.NL + model.areas.NA));
    return work;
}

void compute_point(const PreparedModel& model, const Receptor& receptor, ConcMatrix& conc, PointWorkspace& work) {
    const RunSetup& run = model.run;
    const int NP = run.src->NP, NL = model.lines.NL, NA = model.areas.NA;
    if (model.use_reach_index) {
        model.line_reach.query(receptor.x, receptor.y, work.lines_in_reach);
        model.area_reach.query(receptor.x, receptor.y, work.areas_in_reach);
    } else {
        work.lines_in_reach.resize(static_cast<std::size_t>(NL));
        std::iota(work.lines_in_reach.begin(), work.lines_in_reach.end(), 0);
        work.areas_in_reach.resize(static_cast<std::size_t>(NA));
        std::iota(work.areas_in_reach.begin(), work.areas_in_reach.end(), 0);
    }
    // Columns in source order: every point source, then the roads and the
    // squares in reach.
    std::vector<int>& columns = work.columns;
    columns.resize(static_cast<std::size_t>(NP));
    std::iota(columns.begin(), columns.end(), 0);
    for (int i : work.lines_in_reach) columns.push_back(NP + i);
    for (int i : work.areas_in_reach) columns.push_back(NP + NL + i);
    conc.use_columns(columns);
    const int first_line = NP;
    const int first_area = NP + static_cast<int>(work.lines_in_reach.size());

    // Source by source in column order: a source's values stay together in
    // the cache, and each direction's marked columns come in ascending order.
    place_line_receptors(run, receptor, work.lines_in_reach, work.line_receptors);
    for (int j = 0; j < NP; ++j) {
        point_source(run, model.points, receptor, j, conc);
        conc.finish_column(j);
    }
    for (std::size_t r = 0; r < work.lines_in_reach.size(); ++r) {
        const int column = first_line + static_cast<int>(r);
        line_source(run, model.lines, work.line_receptors, receptor, work.lines_in_reach[r], column, conc);
        conc.finish_column(column);
    }
    for (std::size_t c = 0; c < work.areas_in_reach.size(); ++c) {
        const int column = first_area + static_cast<int>(c);
        area_source(run, model.areas, receptor, work.areas_in_reach[c], column, conc);
        conc.finish_column(column);
    }
}

}  // namespace zemo
