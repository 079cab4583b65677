// Microbenchmarks: one reference point computed for many sources of one
// kind (point sources of both passes, roads, squares), receptors spread
// over the sources' area. Items per second = source-case evaluations
// (sources x 5 classes x 48 directions x 3 speed classes).
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>

#include "model/computation.h"

namespace {

using namespace zemo;

struct Bench {
    ModelSettings settings;
    ProjectConfig project;
    Sources src;
    WindRoses roses;

    explicit Bench(int kind, int n) {
        settings.set_methodology_defaults();
        project.rotation = 0;
        for (int type : {kTypeSO2, kTypeNO2, kTypePM10, kTypeCO}) {
            Pollutant p;
            p.type = type;
            project.pollutants.push_back(p);
        }
        roses.count = 1;
        roses.Wnd_id = {1};
        roses.Wnd_frequency.resize(1);
        roses.Wnd_frequency[0].fill(0.7);
        roses.sector_width = 7.5;
        std::mt19937 rnd(7);
        std::uniform_real_distribution<double> pos(-2500, 2500), unit(0, 1);
        const int P = 4;
        src.SrcP_e.assign(P, {});
        src.SrcL_e.assign(P, {});
        src.SrcA_e.assign(P, {});
        for (int i = 0; i < n; ++i) {
            const double x = pos(rnd), y = pos(rnd);
            if (kind <= 1) {
                src.SrcP_class.push_back(kind == 0 ? kClassRemote : kClassOther);
                src.SrcP_wrose.push_back(0);
                src.SrcP_x.push_back(x);
                src.SrcP_y.push_back(y);
                src.SrcP_z.push_back(0);
                src.SrcP_h.push_back(5 + 80 * unit(rnd));
                src.SrcP_q.push_back(40 * unit(rnd));
                src.SrcP_doba.push_back(1);
                src.SrcP_no2_nox.push_back(0.05);
                for (auto& e : src.SrcP_e) e.push_back(1e6 * unit(rnd));
                ++src.NP;
            } else if (kind == 2) {
                const double b = 6.28 * unit(rnd), l = 50 + 350 * unit(rnd);
                src.SrcL_wrose.push_back(0);
                src.SrcL_x.push_back(x);
                src.SrcL_y.push_back(y);
                src.SrcL_z.push_back(0);
                src.SrcL_x1.push_back(x + l * std::sin(b));
                src.SrcL_y1.push_back(y + l * std::cos(b));
                src.SrcL_z1.push_back(0);
                src.SrcL_dx.push_back(6 + 20 * unit(rnd));
                src.SrcL_doba.push_back(1);
                src.SrcL_no2_nox.push_back(0.2);
                for (auto& e : src.SrcL_e) e.push_back(1e4 * unit(rnd));
                ++src.NL;
            } else {
                src.SrcA_class.push_back(i % 4 == 0 ? kClassTraffic : kClassOther);
                src.SrcA_wrose.push_back(0);
                src.SrcA_x.push_back(x);
                src.SrcA_y.push_back(y);
                src.SrcA_z.push_back(0);
                src.SrcA_h.push_back(2 + 13 * unit(rnd));
                src.SrcA_q.push_back(2 * unit(rnd));
                src.SrcA_dx.push_back(100 + 150 * unit(rnd));
                src.SrcA_doba.push_back(0.6);
                src.SrcA_no2_nox.push_back(0.1);
                for (auto& e : src.SrcA_e) e.push_back(1e5 * unit(rnd));
                ++src.NA;
            }
        }
        src.total = src.NP + src.NL + src.NA;
    }
};

void run(benchmark::State& state, int kind) {
    const int n = static_cast<int>(state.range(0));
    Bench b(kind, n);
    const PreparedModel model = prepare_model(b.settings, b.project, b.src, b.roses);
    ConcMatrix conc;
    conc.allocate(4, b.src.total);
    PointWorkspace work = make_workspace(model);
    std::mt19937 rnd(11);
    std::uniform_real_distribution<double> pos(-2000, 2000);
    for (auto _ : state) {
        const Receptor rec{pos(rnd), pos(rnd), 1.5};
        compute_point(model, rec, conc, work);
        benchmark::DoNotOptimize(conc.at(0, 0, 0));
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(n) * 720);
}

void RemotePointSources(benchmark::State& s) { run(s, 0); }
void ClassPointSources(benchmark::State& s) { run(s, 1); }
void LineSources(benchmark::State& s) { run(s, 2); }
void AreaSources(benchmark::State& s) { run(s, 3); }

BENCHMARK(RemotePointSources)->Arg(200)->Unit(benchmark::kMillisecond);
BENCHMARK(ClassPointSources)->Arg(200)->Unit(benchmark::kMillisecond);
BENCHMARK(LineSources)->Arg(200)->Unit(benchmark::kMillisecond);
BENCHMARK(AreaSources)->Arg(200)->Unit(benchmark::kMillisecond);

}  // namespace
