#include "model/area_sources.h"

#include <cmath>

namespace zemo {

using namespace plume;

namespace {

// The vertical term of one plume for every pollutant: dust fractions per
// pollutant, the gas term once for all gases.
class VerticalTerms {
public:
    VerticalTerms(double dz, double centre, double H, double travel, double u, double reset, double sigma_zt)
        : dz_(dz), centre_(centre), H_(H), travel_(travel), u_(u), reset_(reset), sigma_zt_(sigma_zt) {}
    double of(const PollutantModel& pm) {
        if (pm.dust) return vertical_term_dust(pm, dz_, centre_, travel_, u_, reset_, sigma_zt_);
        if (!have_gas_) {
            gas_ = vertical_term_gas(dz_, H_, sigma_zt_);
            have_gas_ = true;
        }
        return gas_;
    }

private:
    double dz_, centre_, H_, travel_, u_, reset_, sigma_zt_;
    bool have_gas_ = false;
    double gas_ = 0;
};

// Range of a square beyond its radius R: downwind and crosswind, m.
constexpr double kAreaRangeDownwind = 2500.0;
constexpr double kAreaRangeCrosswind = 1000.0;
// A square without heat output (A below this) rises by the class sigma_z minimum.
constexpr double kMinRiseCoefficient = 0.00001;

double square_final_rise(double q, double u, int k) { return q >= kMinRiseCoefficient ? q / u : kClass[k].sigma_z_min; }

}  // namespace

NearDivision near_division(double S, bool four) {
    NearDivision v;
    if (four) {
        v.n = 4;
        v.side = S / 4;
        v.offsets[0] = 3 * S / 8;
        v.offsets[1] = S / 8;
        v.offsets[2] = -S / 8;
        v.offsets[3] = -3 * S / 8;
        v.e = S / 8;
    } else {
        v.n = 3;
        v.side = S / 3;
        v.offsets[0] = S / 3;
        v.offsets[1] = 0;
        v.offsets[2] = -S / 3;
        v.e = S / 6;
    }
    v.rs = v.side / constants().sqrt_pi;
    v.dmin = std::fmin(1.41 * v.e, v.rs + 1);
    return v;
}

double emission_density(const RunSetup& run, int i, int p) {
    const Sources& src = *run.src;
    const double E = src.SrcA_e[p][i];
    const double S = src.SrcA_dx[i];
    const PollutantModel& pm = run.pollutants[p];
    double Ed;
    if (src.SrcA_class[i] == kClassTraffic) Ed = E * run.building_character[1] / (S * S);
    else if (pm.type == kTypeNOX || pm.type == kTypeNO2) Ed = E * run.building_character[0] / (0.5 * (S * S));
    else Ed = E * run.building_character[0] / (0.4 * (S * S));
    if (pm.area_peak) Ed = Ed * run.emission_peak_ratio[1];
    return Ed;
}

PreparedAreas prepare_area_sources(const RunSetup& run) {
    const Sources& src = *run.src;
    const int NA = src.NA;
    PreparedAreas A;
    A.NA = NA;
    const std::size_t n = static_cast<std::size_t>(NA);
    A.plume.allocate(n);
    A.R.resize(n);
    A.sigma_y0.resize(n);
    A.sigma_z0.resize(n * kStabilityClasses);
    A.xvy.resize(n * kStabilityClasses);
    A.xvz.resize(n * kStabilityClasses);
    A.xvy4.resize(n * kStabilityClasses);
    A.xvy3.resize(n * kStabilityClasses);
    A.div4.resize(n);
    A.div3.resize(n);
    for (int i = 0; i < NA; ++i) {
        const double h = src.SrcA_h[i];
        const double S = src.SrcA_dx[i];
        A.plume.set(run, static_cast<std::size_t>(i), n, h, src.SrcA_q[i], square_final_rise);
        A.R[i] = S / constants().sqrt_pi;
        A.sigma_y0[i] = (10.0 / 43.0) * S;
        A.div4[i] = near_division(S, true);
        A.div3[i] = near_division(S, false);
        for (int k = 0; k < kStabilityClasses; ++k) {
            double sz0 = (20.0 / 43.0) * h;
            if (sz0 < kClass[k].sigma_z_min) sz0 = kClass[k].sigma_z_min;
            A.sigma_z0[class_index(i, k)] = sz0;
            A.xvz[class_index(i, k)] = virtual_distance_z(k, sz0);
            A.xvy[class_index(i, k)] = virtual_distance_y(k, A.sigma_y0[i]);
            A.xvy4[class_index(i, k)] = virtual_distance_y(k, (10.0 / 43.0) * A.div4[i].e);
            A.xvy3[class_index(i, k)] = virtual_distance_y(k, (10.0 / 43.0) * A.div3[i].e);
        }
    }
    A.density.assign(run.P, std::vector<double>(n, 0.0));
    for (int p = 0; p < run.P; ++p)
        for (int i = 0; i < NA; ++i) A.density[p][i] = emission_density(run, i, p);
    return A;
}

namespace {

// Far field of square i: the square as one source.
void far_field(const RunSetup& run, const PreparedAreas& areas, const Receptor& rec, int i, int d, double x, double y,
               int column, ConcMatrix& conc) {
    const Sources& src = *run.src;
    const int rose = src.SrcA_wrose[i];
    const double sqrt2 = constants().sqrt2;
    const double four_sqrt2 = constants().four_sqrt2;
    const double R = areas.R[i];
    const double S = src.SrcA_dx[i];
    const double h = src.SrcA_h[i];
    const double dz = rec.z - src.SrcA_z[i];
    const double r = src.SrcA_no2_nox[i];
    const double doba = src.SrcA_doba[i];
    const double sigma_y0 = areas.sigma_y0[i];
    bool marked = false;
    for (int k = 0; k < kStabilityClasses; ++k) {
        if (!run.occurs(rose, k, d)) continue;
        const ClassConstants& cc = kClass[k];
        const double sigma_z0 = areas.sigma_z0[class_index(i, k)];
        const double T = (dz > 0 && src.SrcA_class[i] != kClassTraffic) ? cc.tau * dz : 0.0;
        // sigma_y, sigma_z and the crosswind integral hold for every speed class.
        double sy = sigma_y_curve(k, (x + areas.xvy[class_index(i, k)] - R) / 100.0);
        if (sy < sigma_y0) sy = sigma_y0;
        const double xz = x + areas.xvz[class_index(i, k)] - R;
        double sz = cc.bz * std::pow(xz, cc.cz);
        if (sz < sigma_z0) sz = sigma_z0;
        const double syt = sy + sigma_y0;
        const double szt = sz + sigma_z0;
        const double pair = erf_pair((R + y) / (sqrt2 * syt), (R - y) / (sqrt2 * syt));
        if (pair == 0) continue;
        for (int s = 0; s < kSpeedClasses; ++s) {
            const int slot = case_slot(k, s, d);
            if (run.frequency(rose, slot) < kMinFrequency) continue;
            const int annual_slot = case_slot(kAnnualBlockIndex, s, d);
            const std::size_t at = class_speed_index(i, k, s);
            const double u = areas.plume.u[at];
            const double f = run.frequency(rose, annual_slot);
            const double x_removal = x > 0 ? x : 0.0;
            const double rise = plume_rise(areas.plume.rise[at], x, areas.plume.xf[at]);
            const double H = h + rise + T;
            VerticalTerms vertical(dz, h + rise, H, xz, u, h, szt);
            for (int p = 0; p < run.P; ++p) {
                if (src.SrcA_e[p][i] == 0) continue;
                const PollutantModel& pm = run.pollutants[p];
                const double V = vertical.of(pm);
                const double D = removal_factor(pm, x_removal, u);
                const No2Factors F = conversion_factors(pm, x / u, r);
                const double Ed = areas.density[p][i];
                const double C0 = D * V * S * pair / (four_sqrt2 * u * szt);
                if (!marked) {
                    conc.mark(d, column);
                    marked = true;
                }
                conc.at(p, slot, column) = C0 * kShortTermFactor * Ed * F.Fmax();
                if (k == kClassIV) conc.at(p, annual_slot, column) = Ed * C0 * F.Fmean() * pm.fN * doba * f / 100.0;
            }
        }
    }
}

// Near field of square i: 4 x 4 or 3 x 3 sub-squares, summed in their order.
void near_field(const RunSetup& run, const PreparedAreas& areas, const Receptor& rec, int i, int d, double x,
                int column, ConcMatrix& conc) {
    const Sources& src = *run.src;
    const int NA = areas.NA;
    const int rose = src.SrcA_wrose[i];
    const double sqrt2 = constants().sqrt2;
    const double four_sqrt2 = constants().four_sqrt2;
    const double sin_phi = areas.plume.sin_phi[direction_index(d, NA, i)],
                 cos_phi = areas.plume.cos_phi[direction_index(d, NA, i)];
    const double R = areas.R[i];
    const double h = src.SrcA_h[i];
    const double dz = rec.z - src.SrcA_z[i];
    const double r = src.SrcA_no2_nox[i];
    const double doba = src.SrcA_doba[i];
    const double x_removal = x > 0 ? x : 0.0;
    const bool four = x <= R + 1;
    const NearDivision& div = four ? areas.div4[i] : areas.div3[i];
    const double sigma_y0 = (10.0 / 43.0) * div.e;
    const double rs = div.rs;
    const int P = run.P;

    // The sub-squares in reach of the receptor in this direction, in the
    // order of their sums.
    constexpr int kMaxSub = 16;
    double xs[kMaxSub], ys[kMaxSub];
    int n = 0;
    for (int a = 0; a < div.n; ++a) {
        for (int b = 0; b < div.n; ++b) {
            const double cx = src.SrcA_x[i] + div.offsets[a];
            const double cy = src.SrcA_y[i] + div.offsets[b];
            const double dXj = rec.x - cx, dYj = rec.y - cy;
            const double xj = downwind(dXj, dYj, sin_phi, cos_phi);
            if (!(xj >= div.dmin)) continue;
            const double yj = crosswind(dXj, dYj, sin_phi, cos_phi);
            if (!(std::fabs(yj) <= 2 * rs)) continue;
            xs[n] = xj;
            ys[n] = yj;
            ++n;
        }
    }
    if (n == 0) return;

    bool marked = false;
    for (int k = 0; k < kStabilityClasses; ++k) {
        if (!run.occurs(rose, k, d)) continue;
        const ClassConstants& cc = kClass[k];
        const double sigma_z0 = areas.sigma_z0[class_index(i, k)];
        const double xvz = areas.xvz[class_index(i, k)];
        const double xvy = four ? areas.xvy4[class_index(i, k)] : areas.xvy3[class_index(i, k)];
        const double T = (dz > 0 && src.SrcA_class[i] != kClassTraffic) ? cc.tau * dz : 0.0;
        // Per sub-square what holds for every speed class: the crosswind
        // integral times the side, sigma_z and the vertical travel.
        double side_pair[kMaxSub], szt[kMaxSub], xz[kMaxSub];
        bool used[kMaxSub];
        for (int m = 0; m < n; ++m) {
            used[m] = xs[m] + xvy - rs >= 100;
            if (!used[m]) continue;
            double sy = sigma_y_curve(k, (xs[m] + xvy - rs) / 100.0);
            if (sy < sigma_y0) sy = sigma_y0;
            xz[m] = xs[m] + xvz - rs;
            double sz = cc.bz * std::pow(xz[m], cc.cz);
            if (sz < sigma_z0) sz = sigma_z0;
            szt[m] = sz + sigma_z0;
            side_pair[m] = erf_pair((rs + ys[m]) / (sqrt2 * sy), (rs - ys[m]) / (sqrt2 * sy)) * div.side;
        }
        for (int s = 0; s < kSpeedClasses; ++s) {
            const int slot = case_slot(k, s, d);
            if (run.frequency(rose, slot) < kMinFrequency) continue;
            const int annual_slot = case_slot(kAnnualBlockIndex, s, d);
            const std::size_t at = class_speed_index(i, k, s);
            const double u = areas.plume.u[at];
            const double f = run.frequency(rose, annual_slot);
            const double speed10 = run.class_speed[s];
            double sum[kMaxPollutants] = {};
            double sum_annual[kMaxPollutants] = {};
            bool any = false;
            for (int m = 0; m < n; ++m) {
                if (!used[m]) continue;
                const double Phi = side_pair[m] / (four_sqrt2 * speed10 * szt[m]);
                if (Phi == 0) continue;
                any = true;
                const double rise = plume_rise(areas.plume.rise[at], xs[m], areas.plume.xf[at]);
                const double Hj = h + rise + T;
                VerticalTerms vertical(dz, h + rise, Hj, xz[m], u, h, szt[m]);
                for (int p = 0; p < P; ++p) {
                    if (src.SrcA_e[p][i] == 0) continue;
                    const PollutantModel& pm = run.pollutants[p];
                    const double V = vertical.of(pm);
                    sum[p] = sum[p] + V * Phi;
                    if (k == kClassIV) sum_annual[p] = sum_annual[p] + V * Phi * 0.01 * doba * f;
                }
            }
            if (!any) continue;
            if (!marked) {
                conc.mark(d, column);
                marked = true;
            }
            for (int p = 0; p < P; ++p) {
                if (src.SrcA_e[p][i] == 0) continue;
                const PollutantModel& pm = run.pollutants[p];
                const double Ed = areas.density[p][i];
                const double D = removal_factor(pm, x_removal, u);
                double* value = &conc.at(p, slot, column);
                double* annual = &conc.at(p, annual_slot, column);
                if (pm.dust) {
                    *value = sum[p] * Ed * kShortTermFactor;
                    if (k == kClassIV) *annual = sum_annual[p] * Ed;
                } else if (pm.no2) {
                    const No2Factors F = x < R + 1 ? no2_factors(R / (2 * u), r) : no2_factors(x / u, r);
                    *value = sum[p] * Ed * D * kShortTermFactor * F.Fmax();
                    if (k == kClassIV) *annual = 0.5 * (F.F1 + F.F2) * sum_annual[p] * Ed * pm.fN * D;
                } else {
                    *value = sum[p] * Ed * D * kShortTermFactor;
                    if (k == kClassIV) *annual = sum_annual[p] * Ed * pm.fN * D;
                }
            }
        }
    }
}

}  // namespace

void area_source(const RunSetup& run, const PreparedAreas& areas, const Receptor& rec, int i, int column,
                 ConcMatrix& conc) {
    const Sources& src = *run.src;
    const int NA = areas.NA;
    const double dX = rec.x - src.SrcA_x[i];
    const double dY = rec.y - src.SrcA_y[i];
    const double R = areas.R[i];
    const double S = src.SrcA_dx[i];
    for (int d = 0; d < run.directions; ++d) {
        const double sin_phi = areas.plume.sin_phi[direction_index(d, NA, i)],
                     cos_phi = areas.plume.cos_phi[direction_index(d, NA, i)];
        const double x = downwind(dX, dY, sin_phi, cos_phi);
        const double y = crosswind(dX, dY, sin_phi, cos_phi);
        if (!(x - R <= kAreaRangeDownwind && std::fabs(y) - R <= kAreaRangeCrosswind)) continue;
        // Every sub-square centre lies at most 0.75 S downwind of the centre:
        // a receptor farther upwind gets nothing from any of them.
        if (x + 0.75 * S < 0) continue;
        if (x >= S / 2 + R) far_field(run, areas, rec, i, d, x, y, column, conc);
        else near_field(run, areas, rec, i, d, x, column, conc);
    }
}

}  // namespace zemo
