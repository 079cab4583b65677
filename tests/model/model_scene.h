// A small scene for the dispersion tests: settings, pollutants, sources
// and one wind rose filled directly, then one receptor computed.
#pragma once

#include <cmath>
#include <vector>

#include "model/computation.h"

namespace zemo::test {

struct Scene {
    ModelSettings settings;
    ProjectConfig project;
    Sources src;
    WindRoses roses;
    PreparedModel model;
    ConcMatrix conc;

    Scene() {
        settings.set_methodology_defaults();
        project.rotation = 0;
        roses.count = 1;
        roses.Wnd_id = {1};
        roses.Wnd_frequency.resize(1);
        roses.Wnd_frequency[0].fill(1.0);
        roses.sector_width = 7.5;
    }

    int pollutant(int type, double half_life = 0) {
        Pollutant p;
        p.type = type;
        p.half_life = half_life;
        project.pollutants.push_back(p);
        src.SrcP_e.emplace_back(src.NP, 0.0);
        src.SrcL_e.emplace_back(src.NL, 0.0);
        src.SrcA_e.emplace_back(src.NA, 0.0);
        return static_cast<int>(project.pollutants.size()) - 1;
    }

    // A point source emitting e (micrograms/s) of every pollutant.
    int point(double x, double y, double z, double h, double A, int cls, double e = 1e6, double doba = 1.0,
              double no2_nox = 0.1) {
        src.SrcP_id.push_back("P");
        src.SrcP_class.push_back(cls);
        src.SrcP_group.push_back(1);
        src.SrcP_wrose.push_back(0);
        src.SrcP_x.push_back(x);
        src.SrcP_y.push_back(y);
        src.SrcP_z.push_back(z);
        src.SrcP_h.push_back(h);
        src.SrcP_q.push_back(A);
        src.SrcP_doba.push_back(doba);
        src.SrcP_no2_nox.push_back(no2_nox);
        for (auto& e_p : src.SrcP_e) e_p.push_back(e);
        return src.NP++;
    }

    int line(double x0, double y0, double x1, double y1, double W, double e = 1e6, double z = 0, double doba = 1.0,
             double no2_nox = 0.1) {
        src.SrcL_id.push_back("L");
        src.SrcL_class.push_back(kClassOther);
        src.SrcL_group.push_back(1);
        src.SrcL_wrose.push_back(0);
        src.SrcL_x.push_back(x0);
        src.SrcL_y.push_back(y0);
        src.SrcL_z.push_back(z);
        src.SrcL_x1.push_back(x1);
        src.SrcL_y1.push_back(y1);
        src.SrcL_z1.push_back(z);
        src.SrcL_dx.push_back(W);
        src.SrcL_doba.push_back(doba);
        src.SrcL_no2_nox.push_back(no2_nox);
        for (auto& e_p : src.SrcL_e) e_p.push_back(e);
        return src.NL++;
    }

    int area(double x, double y, double z, double h, double A, double S, int cls, double e = 1e6, double doba = 1.0,
             double no2_nox = 0.1) {
        src.SrcA_id.push_back("A");
        src.SrcA_class.push_back(cls);
        src.SrcA_group.push_back(1);
        src.SrcA_wrose.push_back(0);
        src.SrcA_x.push_back(x);
        src.SrcA_y.push_back(y);
        src.SrcA_z.push_back(z);
        src.SrcA_h.push_back(h);
        src.SrcA_q.push_back(A);
        src.SrcA_dx.push_back(S);
        src.SrcA_doba.push_back(doba);
        src.SrcA_no2_nox.push_back(no2_nox);
        for (auto& e_p : src.SrcA_e) e_p.push_back(e);
        return src.NA++;
    }

    void prepare() {
        src.total = src.NP + src.NL + src.NA;
        model = prepare_model(settings, project, src, roses);
        conc.allocate(static_cast<int>(project.pollutants.size()), src.total);
    }

    // Prepares the model from the scene as it stands and computes one receptor.
    const ConcMatrix& compute(double x, double y, double z = 0) {
        prepare();
        PointWorkspace work = make_workspace(model);
        compute_point(model, Receptor{x, y, z}, conc, work);
        return conc;
    }

    // Sum of every value of one pollutant (all slots, all sources).
    double total(int p) const {
        double t = 0;
        for (int c = 0; c < kCaseSlots; ++c) t += conc.sum(p, c);
        return t;
    }
    double at(int p, int k, int s, int d, int j = 0) const { return conc.value(p, case_slot(k, s, d), j); }
    double annual(int p, int s, int d, int j = 0) const { return conc.value(p, case_slot(5, s, d), j); }
};

// Textbook constants of the tests, written out independently.
inline double pi() { return 2 * std::asin(1.0); }

}  // namespace zemo::test
