#include "model/line_sources.h"

#include <cmath>

namespace zemo {

using namespace plume;

namespace {

// Downwind distances down to -1e-9 m count as 0: rounding noise around the
// midpoint must not switch a whole road on or off.
constexpr double kDownwindTolerance = -1e-9;
// Range of a road: downwind and crosswind beyond the segment, m.
constexpr double kRoadRange = 1000.0;
// The foot of the perpendicular "equals" the midpoint within this, m.
constexpr double kSamePoint = 1e-6;

double sgn(double v) { return v > 0 ? 1.0 : -1.0; }

}  // namespace

double road_bearing(double ddx, double ddy) {
    if (ddy == 0) return ddx > 0 ? 90.0 : 270.0;
    if (ddx == 0) return ddy > 0 ? 0.0 : 180.0;
    return (2.0 - sgn(ddx) * (sgn(ddy) + 1.0)) * 90.0 + std::atan(ddx / ddy) / constants().deg_to_rad;
}

double wind_degrees(double phi) {
    if (phi < 0) phi = phi + constants().two_pi;
    double psi = std::fmod(phi / constants().deg_to_rad, 360.0);
    if (psi < 0) psi += 360.0;
    if (psi >= 360.0) psi -= 360.0;
    return psi;
}

double wind_road_angle(double psi, double alpha) {
    double beta = std::fabs(psi - alpha);
    if (beta >= 90 && beta < 180) beta = 180 - beta;
    else if (beta >= 180 && beta < 270) beta = beta - 180;
    else if (beta >= 270 && beta < 360) beta = 360 - beta;
    return beta;
}

void road_receptor(const Sources& src, int i, double xr, double yr, double& xu, double& yu) {
    xu = xr;
    yu = yr;
    const double x0 = src.SrcL_x[i], y0 = src.SrcL_y[i], x1 = src.SrcL_x1[i], y1 = src.SrcL_y1[i];
    const bool inside =
        std::fmin(x0, x1) <= xr && xr <= std::fmax(x0, x1) && std::fmin(y0, y1) <= yr && yr <= std::fmax(y0, y1);
    if (!inside) return;
    const double ddx = x0 - x1, ddy = y0 - y1;
    double Fx, Fy;
    if (ddx == 0) {
        Fx = x1;
        Fy = yr;
    } else if (ddy == 0) {
        Fx = xr;
        Fy = y1;
    } else {
        const double lambda = ddy / ddx;
        const double normal = -1.0 / lambda;
        Fx = (normal * xr - lambda * x1 + y1 - yr) / (normal - lambda);
        Fy = lambda * (Fx - x1) + y1;
    }
    const double dist = std::sqrt((xr - Fx) * (xr - Fx) + (yr - Fy) * (yr - Fy));
    if (!(dist <= src.SrcL_dx[i] / 2)) return;
    const double mx = (x0 + x1) / 2, my = (y0 + y1) / 2;
    if (std::fabs(Fx - mx) < kSamePoint && std::fabs(Fy - my) < kSamePoint) {
        Fx = Fx + 1.0;
        Fy = Fy + 1.0;
    }
    xu = Fx;
    yu = Fy;
}

PreparedLines prepare_line_sources(const RunSetup& run) {
    const Sources& src = *run.src;
    const int NL = src.NL;
    PreparedLines L;
    L.NL = NL;
    L.has_length.resize(NL);
    L.length.resize(NL);
    L.mid_x.resize(NL);
    L.mid_y.resize(NL);
    L.mid_z.resize(NL);
    L.half_length.resize(NL);
    L.bearing.resize(NL);
    L.l_sin.resize(static_cast<std::size_t>(NL) * kMaxSectors);
    L.l_cos.resize(static_cast<std::size_t>(NL) * kMaxSectors);
    L.sigma_z0.resize(static_cast<std::size_t>(NL) * kStabilityClasses);
    L.xvy.resize(static_cast<std::size_t>(NL) * kStabilityClasses);
    L.xvz.resize(static_cast<std::size_t>(NL) * kStabilityClasses);
    L.sigma_y0.resize(NL);
    double psi[kMaxSectors];
    for (int d = 0; d < run.directions; ++d) psi[d] = wind_degrees(run.phi[d]);
    for (int i = 0; i < NL; ++i) {
        const double ddx = src.SrcL_x[i] - src.SrcL_x1[i];
        const double ddy = src.SrcL_y[i] - src.SrcL_y1[i];
        const double Ls = std::sqrt(ddx * ddx + ddy * ddy);
        L.length[i] = Ls;
        L.has_length[i] = Ls >= 0.00001;
        L.mid_x[i] = (src.SrcL_x[i] + src.SrcL_x1[i]) / 2;
        L.mid_y[i] = (src.SrcL_y[i] + src.SrcL_y1[i]) / 2;
        L.mid_z[i] = (src.SrcL_z[i] + src.SrcL_z1[i]) / 2;
        const double l = Ls / 2;
        L.half_length[i] = l;
        L.bearing[i] = road_bearing(ddx, ddy);
        for (int d = 0; d < run.directions; ++d) {
            const double beta = wind_road_angle(psi[d], L.bearing[i]) * constants().deg_to_rad;
            L.l_sin[direction_index(d, NL, i)] = l * std::sin(beta);
            L.l_cos[direction_index(d, NL, i)] = std::fabs(l * std::cos(beta));
        }
        const double W = src.SrcL_dx[i];
        L.sigma_y0[i] = (20.0 / 43.0) * W;
        for (int k = 0; k < kStabilityClasses; ++k) {
            double sz0 = (10.0 / 43.0) * W;
            if (sz0 < kClass[k].sigma_z_min) sz0 = kClass[k].sigma_z_min;
            L.sigma_z0[class_index(i, k)] = sz0;
            L.xvy[class_index(i, k)] = virtual_distance_y(k, L.sigma_y0[i]);
            L.xvz[class_index(i, k)] = virtual_distance_z(k, sz0);
        }
    }
    L.peak_emission.assign(run.P, std::vector<double>(NL, 0.0));
    for (int p = 0; p < run.P; ++p)
        for (int i = 0; i < NL; ++i)
            if (L.has_length[i]) L.peak_emission[p][i] = run.emission_peak_ratio[0] * src.SrcL_e[p][i] / L.length[i];
    return L;
}

void place_line_receptors(const RunSetup& run, const Receptor& rec, const std::vector<int>& lines, LineReceptors& out) {
    out.x.resize(run.src->NL);
    out.y.resize(run.src->NL);
    for (int i : lines) road_receptor(*run.src, i, rec.x, rec.y, out.x[i], out.y[i]);
}

void line_source(const RunSetup& run, const PreparedLines& lines, const LineReceptors& at, const Receptor& rec, int i,
                 int column, ConcMatrix& conc) {
    const Sources& src = *run.src;
    const int NL = lines.NL;
    const double sqrt2 = constants().sqrt2;
    const double two_sqrt_2pi = constants().two_sqrt_2pi;
    const double ratio = run.emission_peak_ratio[0];
    if (!lines.has_length[i]) return;
    const int rose = src.SrcL_wrose[i];
    for (int d = 0; d < run.directions; ++d) {
        const double sin_phi = run.sin_phi[d], cos_phi = run.cos_phi[d];
        const double dX = at.x[i] - lines.mid_x[i];
        const double dY = at.y[i] - lines.mid_y[i];
        const double x = downwind(dX, dY, sin_phi, cos_phi);
        if (!(x >= kDownwindTolerance)) continue;
        const double l_sin = lines.l_sin[direction_index(d, NL, i)];
        if (x - lines.l_cos[direction_index(d, NL, i)] > kRoadRange) continue;
        const double y = crosswind(dX, dY, sin_phi, cos_phi);
        if (std::fabs(y) - l_sin > kRoadRange) continue;
        bool marked = false;
        const double dz = rec.z - lines.mid_z[i];
        const double doba = src.SrcL_doba[i];
        const double no2_nox = src.SrcL_no2_nox[i];

        for (int k = 0; k < kStabilityClasses; ++k) {
            if (!run.occurs(rose, k, d)) continue;
            const ClassConstants& cc = kClass[k];
            // sigma_y, sigma_z and the crosswind integral hold for every
            // speed class.
            const double sigma_y0 = lines.sigma_y0[i];
            const double sigma_z0 = lines.sigma_z0[class_index(i, k)];
            double sy = sigma_y_curve(k, (x + lines.xvy[class_index(i, k)]) / 100.0) + sigma_y0;
            if (sy < 10.0) sy = 10.0;
            double sz = cc.bz * std::pow(x + lines.xvz[class_index(i, k)], cc.cz);
            if (sz < sigma_z0) sz = sigma_z0;
            const double szt = sz + sigma_z0;
            const double e1 = (l_sin + y) / (sqrt2 * sy);
            const double e2 = (l_sin - y) / (sqrt2 * sy);
            const double pair = erf_pair(e1, e2);
            if (pair == 0) continue;

            for (int s = 0; s < kSpeedClasses; ++s) {
                const int slot = case_slot(k, s, d);
                if (run.frequency(rose, slot) < kMinFrequency) continue;
                const int annual_slot = case_slot(kAnnualBlockIndex, s, d);
                const double u = run.class_speed[s];
                const double f = run.frequency(rose, annual_slot);
                for (int p = 0; p < run.P; ++p) {
                    if (src.SrcL_e[p][i] == 0) continue;
                    const PollutantModel& pm = run.pollutants[p];
                    const double V = pm.dust ? vertical_term_dust(pm, dz, sigma_z0, x, u, 0.0, szt) : 2.0;
                    const No2Factors F = conversion_factors(pm, x / u, no2_nox);
                    const double D = removal_factor(pm, x, u);
                    const double Ep = lines.peak_emission[p][i];
                    const double Fmax = F.Fmax();
                    const double C = Ep * D * V * Fmax * pair / (two_sqrt_2pi * u * szt) * kShortTermFactor;
                    if (!marked) {
                        conc.mark(d, column);
                        marked = true;
                    }
                    conc.at(p, slot, column) = C;
                    if (k != kClassIV) continue;
                    double annual;
                    if (ratio * Fmax != 0) {
                        annual = C * pm.fN * doba * f * 0.5 * (F.F1 + F.F2) / (kAnnualDivisor * ratio * Fmax);
                    } else {
                        // Without a peak ratio the short-term value is 0; the
                        // annual value is then formed from the mean emission
                        // directly.
                        const double Em = src.SrcL_e[p][i] / lines.length[i];
                        annual = Em * D * V * F.Fmean() * pair / (two_sqrt_2pi * u * szt) * pm.fN * doba * f / 100.0;
                    }
                    conc.at(p, annual_slot, column) = annual;
                }
            }
        }
    }
}

}  // namespace zemo
