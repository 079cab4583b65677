#include "model/point_sources.h"

#include <cmath>

namespace zemo {

using namespace plume;

PreparedPoints prepare_point_sources(const RunSetup& run) {
    const Sources& src = *run.src;
    PreparedPoints pts;
    for (int j = 0; j < src.NP; ++j) (src.SrcP_class[j] == kClassRemote ? pts.remote : pts.classed).push_back(j);

    pts.a_u.resize(pts.remote.size() * 3);
    pts.a_rise.resize(pts.remote.size() * 3);
    pts.a_xf.resize(pts.remote.size() * 3);
    for (std::size_t i = 0; i < pts.remote.size(); ++i) {
        const int j = pts.remote[i];
        const double h = src.SrcP_h[j];
        for (int s = 0; s < 3; ++s) {
            const double u = wind_speed(run.class_speed[s], h, kClassIV);
            const double rise = u > 0 ? src.SrcP_q[j] / u : 0.0;
            pts.a_u[i * 3 + s] = u;
            pts.a_rise[i * 3 + s] = rise;
            pts.a_xf[i * 3 + s] = final_rise_distance(rise, h, kClassIV, s);
        }
    }

    const std::size_t nb = pts.classed.size();
    pts.b_u.resize(nb * 15);
    pts.b_rise.resize(nb * 15);
    pts.b_xf.resize(nb * 15);
    pts.b_sin.resize(nb * kMaxSectors);
    pts.b_cos.resize(nb * kMaxSectors);
    for (std::size_t i = 0; i < nb; ++i) {
        const int j = pts.classed[i];
        const double h = src.SrcP_h[j];
        for (int k = 0; k < 5; ++k) {
            for (int s = 0; s < 3; ++s) {
                const double u = h <= 10 ? run.class_speed[s] : wind_speed(run.class_speed[s], h, k);
                const double rise = u > 0 ? src.SrcP_q[j] / u : 0.0;
                const std::size_t at = (i * 5 + k) * 3 + s;
                pts.b_u[at] = u;
                pts.b_rise[at] = rise;
                pts.b_xf[at] = final_rise_distance(rise, h, k, s);
            }
        }
        for (int d = 0; d < run.directions; ++d) {
            if (h <= 10) {
                pts.b_sin[d * nb + i] = run.sin_phi[d];
                pts.b_cos[d * nb + i] = run.cos_phi[d];
            } else {
                const double phi = run.phi[d] + wind_turning(h);
                pts.b_sin[d * nb + i] = std::sin(phi);
                pts.b_cos[d * nb + i] = std::cos(phi);
            }
        }
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

// One point source in one case, from the downwind distance on: computes C0
// and the conversion factors of every pollutant the source emits and hands
// them to store(p, C0, factors). Returns without a call when the receptor
// is closer than 1 m downwind or beyond the crosswind cut-off.
template <typename Store>
inline void plume_at(const RunSetup& run, const PreparedPoints& pts, int j, const Receptor& rec, double sin_phi,
                     double cos_phi, int k, double u, double final_rise, double xf, double sigma_z_min,
                     Store&& store) {
    const Sources& src = *run.src;
    const double dX = rec.x - src.SrcP_x[j];
    const double dY = rec.y - src.SrcP_y[j];
    const double x = downwind(dX, dY, sin_phi, cos_phi);
    if (!(x >= 1.0) || !(u > 0)) return;
    const double y = crosswind(dX, dY, sin_phi, cos_phi);
    const double sy = sigma_y_point(k, x, run.tan_sector);
    if (std::fabs(y) / sy > kGaussCutoff) return;

    const double h = src.SrcP_h[j];
    const double dz = rec.z - src.SrcP_z[j];
    const double rise = plume_rise(final_rise, x, xf);
    const double H = h + rise + terrain_term(k, dz);
    const double sz = sigma_z(k, x, sigma_z_min);
    const double gauss = std::exp(-(y * y) / (2 * sy * sy));
    const double denominator = constants().two_pi * u * sy * sz;
    bool have_gas = false;
    double V_gas = 0;
    for (int p = 0; p < run.P; ++p) {
        const double E = pts.emission[p][j];
        if (E == 0) continue;
        const PollutantModel& pm = run.pollutants[p];
        double V;
        if (pm.dust) {
            V = vertical_term_dust(pm, dz, h + rise, x, u, h, sz);
        } else {
            if (!have_gas) {
                V_gas = vertical_term_gas(dz, H, sz);
                have_gas = true;
            }
            V = V_gas;
        }
        const double D = removal_factor(pm, x, u);
        const No2Factors F = conversion_factors(pm, x / u, src.SrcP_no2_nox[j]);
        const double C0 = E * D * V * gauss / denominator;
        store(p, C0, F);
    }
}

}  // namespace

void remote_point_sources(const RunSetup& run, const PreparedPoints& pts, const Receptor& rec, int d, int s,
                          ConcMatrix& conc) {
    const Sources& src = *run.src;
    const int class_slot = case_slot(kClassIV, s, d);
    const int annual_slot = case_slot(5, s, d);
    for (std::size_t i = 0; i < pts.remote.size(); ++i) {
        const int j = pts.remote[i];
        const int rose = src.SrcP_wrose[j];
        if (run.frequency(rose, class_slot) < kMinFrequency) continue;
        const double f = run.frequency(rose, annual_slot);
        const double doba = src.SrcP_doba[j];
        plume_at(run, pts, j, rec, run.sin_phi[d], run.cos_phi[d], kClassIV, pts.a_u[i * 3 + s],
                 pts.a_rise[i * 3 + s], pts.a_xf[i * 3 + s], kRemoteSigmaZMin,
                 [&](int p, double C0, const No2Factors& F) {
                     const double value = C0 * kShortTermFactor * F.Fmax();
                     for (int k = 0; k < 5; ++k) conc.at(p, case_slot(k, s, d), j) = value;
                     conc.at(p, annual_slot, j) = C0 * F.Fmean() * doba * f / 100.0;
                 });
    }
}

void class_point_sources(const RunSetup& run, const PreparedPoints& pts, const Receptor& rec, int k, int d, int s,
                         ConcMatrix& conc) {
    const Sources& src = *run.src;
    const int slot = case_slot(k, s, d);
    const int annual_slot = case_slot(5, s, d);
    const std::size_t nb = pts.classed.size();
    const double sigma_z_min = kClass[k].sigma_z_min;
    for (std::size_t i = 0; i < nb; ++i) {
        const int j = pts.classed[i];
        const int rose = src.SrcP_wrose[j];
        if (run.frequency(rose, slot) < kMinFrequency) continue;
        const std::size_t at = (i * 5 + k) * 3 + s;
        const double f = run.frequency(rose, annual_slot);
        const double doba = src.SrcP_doba[j];
        plume_at(run, pts, j, rec, pts.b_sin[d * nb + i], pts.b_cos[d * nb + i], k, pts.b_u[at], pts.b_rise[at],
                 pts.b_xf[at], sigma_z_min, [&](int p, double C0, const No2Factors& F) {
                     conc.at(p, slot, j) = C0 * F.Fmax() * kShortTermFactor;
                     if (k == kClassIV) conc.at(p, annual_slot, j) = C0 * F.Fmean() * doba * f / 100.0;
                 });
    }
}

}  // namespace zemo
