#include "model/point_sources.h"

#include <cmath>

namespace zemo {

using namespace plume;

namespace {

// A stack rises by its heat term over the wind, not at all in calm air.
double stack_final_rise(double q, double u, int /*k*/) { return u > 0 ? q / u : 0.0; }

}  // namespace

PreparedPoints prepare_point_sources(const RunSetup& run) {
    const Sources& src = *run.src;
    PreparedPoints pts;
    pts.position.resize(src.NP);
    for (int j = 0; j < src.NP; ++j) {
        std::vector<int>& list = src.SrcP_class[j] == kClassRemote ? pts.remote : pts.classed;
        pts.position[j] = static_cast<int>(list.size());
        list.push_back(j);
    }

    pts.a_u.resize(pts.remote.size() * kSpeedClasses);
    pts.a_rise.resize(pts.remote.size() * kSpeedClasses);
    pts.a_xf.resize(pts.remote.size() * kSpeedClasses);
    for (std::size_t i = 0; i < pts.remote.size(); ++i) {
        const int j = pts.remote[i];
        const double h = src.SrcP_h[j];
        for (int s = 0; s < kSpeedClasses; ++s) {
            const double u = wind_speed(run.class_speed[s], h, kClassIV);
            const double rise = stack_final_rise(src.SrcP_q[j], u, kClassIV);
            pts.a_u[speed_index(i, s)] = u;
            pts.a_rise[speed_index(i, s)] = rise;
            pts.a_xf[speed_index(i, s)] = final_rise_distance(rise, h, kClassIV, s);
        }
    }

    const std::size_t nb = pts.classed.size();
    pts.b.allocate(nb);
    for (std::size_t i = 0; i < nb; ++i) {
        const int j = pts.classed[i];
        pts.b.set(run, i, nb, src.SrcP_h[j], src.SrcP_q[j], stack_final_rise);
    }

    pts.emission.assign(run.P, std::vector<double>(src.NP, 0.0));
    for (int p = 0; p < run.P; ++p) {
        for (int j = 0; j < src.NP; ++j) {
            double E = src.SrcP_e[p][j];
            if (run.pollutants[p].type == kTypeNOX || run.pollutants[p].type == kTypeNO2) E = E * kNoxFactor;
            pts.emission[p][j] = E;
        }
    }
    return pts;
}

namespace {

// A point source seen from the receptor in one direction and class: what
// does not depend on the wind-speed class.
struct PlumeGeometry {
    double x = 0, y = 0;  // downwind and crosswind distance
    double sy = 0, sz = 0;
    double gauss = 0;  // exp(-y^2 / (2 sy^2))
};

// The receptor seen from a point source in one direction: downwind x,
// crosswind y and the logarithm of sigma_y's curve, none of which depends
// on the class. False when the receptor is closer than 1 m downwind, where
// the source gives 0 in every class.
struct PlumeOffsets {
    double x = 0, y = 0, L = 0;
};
inline bool plume_offsets(double dX, double dY, double sin_phi, double cos_phi, PlumeOffsets& o) {
    o.x = downwind(dX, dY, sin_phi, cos_phi);
    if (!(o.x >= 1.0)) return false;
    o.y = crosswind(dX, dY, sin_phi, cos_phi);
    o.L = 0;
    return true;
}

// Fills g for class k; false beyond the crosswind cut-off, where the
// source gives 0. The logarithm of o is taken on the first call.
inline bool plume_geometry(PlumeOffsets& o, bool& have_log, int k, double tan_sector, double sigma_z_min,
                           PlumeGeometry& g) {
    g.x = o.x;
    g.y = o.y;
    // The bound errs on the large side by far more than the rounding of
    // the cut-off test, so a source dropped here fails that test too.
    if (std::fabs(g.y) > kGaussCutoff * 1.000001 * sigma_y_point_bound(k, g.x, tan_sector)) return false;
    if (!have_log) {
        o.L = sigma_y_log(g.x / 100.0);
        have_log = true;
    }
    g.sy = sigma_y_point_of_log(k, g.x, o.L, tan_sector);
    if (std::fabs(g.y) / g.sy > kGaussCutoff) return false;
    g.sz = sigma_z(k, g.x, sigma_z_min);
    g.gauss = std::exp(-(g.y * g.y) / (2 * g.sy * g.sy));
    return true;
}

// One point source in one case, given its geometry: computes C0 and the
// conversion factors of every pollutant the source emits and hands them to
// store(p, C0, factors).
template <typename Store>
inline void plume_at(const RunSetup& run, const PreparedPoints& pts, int j, const Receptor& rec, const PlumeGeometry& g,
                     int k, double u, double final_rise, double xf, Store&& store) {
    if (!(u > 0)) return;
    const Sources& src = *run.src;
    const double x = g.x;
    const double h = src.SrcP_h[j];
    const double dz = rec.z - src.SrcP_z[j];
    const double rise = plume_rise(final_rise, x, xf);
    const double H = h + rise + terrain_term(k, dz);
    const double denominator = constants().two_pi * u * g.sy * g.sz;
    bool have_gas = false;
    double V_gas = 0;
    for (int p = 0; p < run.P; ++p) {
        const double E = pts.emission[p][j];
        if (E == 0) continue;
        const PollutantModel& pm = run.pollutants[p];
        double V;
        if (pm.dust) {
            V = vertical_term_dust(pm, dz, h + rise, x, u, h, g.sz);
        } else {
            if (!have_gas) {
                V_gas = vertical_term_gas(dz, H, g.sz);
                have_gas = true;
            }
            V = V_gas;
        }
        const double D = removal_factor(pm, x, u);
        const No2Factors F = conversion_factors(pm, x / u, src.SrcP_no2_nox[j]);
        const double C0 = E * D * V * g.gauss / denominator;
        store(p, C0, F);
    }
}

}  // namespace

namespace {

// Pass A: remote source i in every direction, the five class slots and the
// annual slot of the three speed classes.
void remote_point_source(const RunSetup& run, const PreparedPoints& pts, const Receptor& rec, std::size_t i,
                         ConcMatrix& conc) {
    const Sources& src = *run.src;
    const int j = pts.remote[i];
    const int rose = src.SrcP_wrose[j];
    const double dX = rec.x - src.SrcP_x[j];
    const double dY = rec.y - src.SrcP_y[j];
    const double doba = src.SrcP_doba[j];
    for (int d = 0; d < run.directions; ++d) {
        if (!run.occurs(rose, kClassIV, d)) continue;
        PlumeOffsets o;
        if (!plume_offsets(dX, dY, run.sin_phi[d], run.cos_phi[d], o)) continue;
        bool have_log = false;
        PlumeGeometry g;
        if (!plume_geometry(o, have_log, kClassIV, run.tan_sector, kRemoteSigmaZMin, g)) continue;
        conc.mark(d, j);
        for (int s = 0; s < kSpeedClasses; ++s) {
            if (run.frequency(rose, case_slot(kClassIV, s, d)) < kMinFrequency) continue;
            const int annual_slot = case_slot(kAnnualBlockIndex, s, d);
            const double f = run.frequency(rose, annual_slot);
            plume_at(run, pts, j, rec, g, kClassIV, pts.a_u[speed_index(i, s)], pts.a_rise[speed_index(i, s)],
                     pts.a_xf[speed_index(i, s)], [&](int p, double C0, const No2Factors& F) {
                         const double value = C0 * kShortTermFactor * F.Fmax();
                         for (int k = 0; k < kStabilityClasses; ++k) conc.at(p, case_slot(k, s, d), j) = value;
                         conc.at(p, annual_slot, j) = C0 * F.Fmean() * doba * f / 100.0;
                     });
        }
    }
}

// Pass B: class-dependent source i in every direction, slot(k, s, d) of
// every class and speed class and for class IV the annual slot.
void class_point_source(const RunSetup& run, const PreparedPoints& pts, const Receptor& rec, std::size_t i,
                        ConcMatrix& conc) {
    const Sources& src = *run.src;
    const std::size_t nb = pts.classed.size();
    const int j = pts.classed[i];
    const int rose = src.SrcP_wrose[j];
    const double dX = rec.x - src.SrcP_x[j];
    const double dY = rec.y - src.SrcP_y[j];
    const double doba = src.SrcP_doba[j];
    for (int d = 0; d < run.directions; ++d) {
        PlumeOffsets o;
        const std::size_t at_d = direction_index(d, nb, i);
        if (!plume_offsets(dX, dY, pts.b.sin_phi[at_d], pts.b.cos_phi[at_d], o)) continue;
        bool have_log = false;
        bool marked = false;
        for (int k = 0; k < kStabilityClasses; ++k) {
            if (!run.occurs(rose, k, d)) continue;
            PlumeGeometry g;
            if (!plume_geometry(o, have_log, k, run.tan_sector, kClass[k].sigma_z_min, g)) continue;
            if (!marked) {
                conc.mark(d, j);
                marked = true;
            }
            for (int s = 0; s < kSpeedClasses; ++s) {
                const int slot = case_slot(k, s, d);
                if (run.frequency(rose, slot) < kMinFrequency) continue;
                const int annual_slot = case_slot(kAnnualBlockIndex, s, d);
                const std::size_t at = class_speed_index(i, k, s);
                const double f = run.frequency(rose, annual_slot);
                plume_at(run, pts, j, rec, g, k, pts.b.u[at], pts.b.rise[at], pts.b.xf[at],
                         [&](int p, double C0, const No2Factors& F) {
                             conc.at(p, slot, j) = C0 * F.Fmax() * kShortTermFactor;
                             if (k == kClassIV) conc.at(p, annual_slot, j) = C0 * F.Fmean() * doba * f / 100.0;
                         });
            }
        }
    }
}

}  // namespace

void point_source(const RunSetup& run, const PreparedPoints& pts, const Receptor& rec, int j, ConcMatrix& conc) {
    const std::size_t i = static_cast<std::size_t>(pts.position[j]);
    if (run.src->SrcP_class[j] == kClassRemote) remote_point_source(run, pts, rec, i, conc);
    else class_point_source(run, pts, rec, i, conc);
}

}  // namespace zemo
