#include "maps/map_picture.h"

#include <cairo.h>
#include <dlfcn.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <memory>
#include <numbers>

#include "base/format.h"
#include "maps/map_picture_parts.h"

namespace zemo::maps {

namespace picture {

namespace {

// Viridis at every 15th of its 256 entries (0, 15, ..., 255): linear
// interpolation between them stays within 5/255 of the full table.
constexpr std::array<std::array<unsigned char, 3>, 18> kViridis = {{
    {68, 1, 84},
    {72, 23, 105},
    {71, 42, 122},
    {67, 61, 132},
    {61, 78, 138},
    {53, 94, 141},
    {46, 109, 142},
    {41, 123, 142},
    {35, 137, 142},
    {31, 151, 139},
    {33, 165, 133},
    {46, 179, 124},
    {70, 192, 111},
    {101, 203, 94},
    {137, 213, 72},
    {176, 221, 47},
    {216, 226, 25},
    {253, 231, 37},
}};

// A number as "%g" gives it, with a decimal comma.
std::string czech_number(const std::string& text) {
    std::string out = text;
    std::replace(out.begin(), out.end(), '.', ',');
    return out;
}

struct NiceTop {
    double top, step;
};

// The smallest of 1, 2, 2.5, 5 x 10^k not below value, with the tick step
// that divides it into 5 or 6 round ticks.
NiceTop nice_top(double value) {
    constexpr NiceTop kFallback{1, 0.2};
    if (!(value > 0) || !std::isfinite(value)) return kFallback;
    double base = std::pow(10.0, std::floor(std::log10(value)));
    // log10 may land just beside an exact power of ten.
    if (value / base >= 10) base *= 10;
    if (value / base < 1) base /= 10;
    // A maximum of exactly 50 keeps 50, not 100, despite the rounding of the division.
    const double mantissa = value / base * (1 - 1e-12);
    static constexpr std::array<NiceTop, 4> kTops = {{{1, 0.2}, {2, 0.5}, {2.5, 0.5}, {5, 1}}};
    NiceTop nice{10 * base, 2 * base};
    for (const NiceTop& t : kTops) {
        if (mantissa <= t.top) {
            nice = {t.top * base, t.step * base};
            break;
        }
    }
    // Values near the ends of the double range give no usable power of ten.
    if (!(nice.step > 0) || !std::isfinite(nice.top)) return kFallback;
    return nice;
}

}  // namespace

Rgb viridis(double t) {
    if (!(t > 0)) t = 0;
    if (t > 1) t = 1;
    const double at = t * static_cast<double>(kViridis.size() - 1);
    const std::size_t i = std::min(static_cast<std::size_t>(at), kViridis.size() - 2);
    const double f = at - static_cast<double>(i);
    auto mix = [&](int c) { return (kViridis[i][c] + (kViridis[i + 1][c] - kViridis[i][c]) * f) / 255.0; };
    return {mix(0), mix(1), mix(2)};
}

ColourScale colour_scale(double min, double max) {
    if (!(min < 0) && (min <= max - min || !(max > min))) {
        const NiceTop t = nice_top(max);
        return {0, t.top, t.step};
    }
    if (!(min < 0)) {
        // A field far above zero (a background under the sources' small
        // share): from 0 its colours would hardly differ, so the scale spans
        // the field itself, with round ends.
        const NiceTop t = nice_top(max - min);
        const double low = std::floor(min / t.step) * t.step;
        return {low, std::max(low + t.step, std::ceil(max / t.step) * t.step), t.step};
    }
    // A negative minimum (a model should not give one): round ends on both sides.
    const NiceTop t = nice_top(std::max(-min, max));
    return {std::floor(min / t.step) * t.step, std::max(0.0, std::ceil(max / t.step) * t.step), t.step};
}

double scale_fraction(const ColourScale& scale, double value) { return (value - scale.low) / (scale.high - scale.low); }

std::vector<double> scale_ticks(const ColourScale& scale) {
    std::vector<double> ticks;
    const long n = std::lround((scale.high - scale.low) / scale.step);
    for (long i = 0; i <= n && i <= 20; ++i) {
        double v = scale.low + static_cast<double>(i) * scale.step;
        if (std::fabs(v) < scale.step * 1e-9) v = 0;  // no "-0" from the rounding of a negative low
        ticks.push_back(v);
    }
    return ticks;
}

std::string tick_label(double value, double step) {
    const int decimals = std::clamp(-static_cast<int>(std::floor(std::log10(step) + 1e-9)), 0, 15);
    return czech_number(format("%.*f", decimals, value));
}

double scale_bar_length(double width_m) {
    if (!(width_m > 0) || !std::isfinite(width_m)) return 0;
    const double target = width_m / 4.5;
    const double base = std::pow(10.0, std::floor(std::log10(target)));
    double best = base;
    for (double c : {2.0, 5.0, 10.0}) {
        if (std::fabs(std::log(c * base / target)) < std::fabs(std::log(best / target))) best = c * base;
    }
    return best;
}

std::string length_label(double metres) {
    return czech_number(metres >= 1000 ? format("%g km", metres / 1000) : format("%g m", metres));
}

Arrow north_arrow(Pixel centre, double length, double grid_north_azimuth) {
    if (!std::isfinite(grid_north_azimuth)) grid_north_azimuth = 0;
    // Geographic north lies -azimuth clockwise from up; the image's y runs down.
    const double a = -grid_north_azimuth * std::numbers::pi / 180;
    const double dx = std::sin(a) * length / 2;
    const double dy = -std::cos(a) * length / 2;
    return {{centre.x - dx, centre.y - dy}, {centre.x + dx, centre.y + dy}};
}

namespace {

constexpr const char* kFont = "DejaVu Sans";

struct SurfaceFree {
    void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
};
struct ContextFree {
    void operator()(cairo_t* c) const { cairo_destroy(c); }
};
using Surface = std::unique_ptr<cairo_surface_t, SurfaceFree>;
using Context = std::unique_ptr<cairo_t, ContextFree>;

// What the legend panel shows besides the ticks.
struct LegendTexts {
    std::string limit_label;  // empty: no limit
    bool limit_on_bar = false;
    std::array<bool, 5> keys{};  // which of kKeys the map shows
};

enum KeyKind { kStack, kRoad, kArea, kContour, kReceptor };
constexpr std::array<const char*, 5> kKeys = {"bodový zdroj", "liniový zdroj", "plošný zdroj", "hranice limitu",
                                              "referenční bod"};

// Everything placed, in pixels; u is the size of a design pixel (1 at
// 1200 x 1000), so that texts and lines grow with the picture, but not
// below 0.75, where the texts would no longer be legible.
struct Layout {
    double u = 1;
    double margin = 20;
    double title_baseline = 0, subtitle_baseline = 0;
    MapArea map;
    double panel_left = 0, bar_top = 0, bar_width = 0, bar_height = 0, tick_column = 0;
};

void use_font(cairo_t* cr, double size, bool bold = false) {
    cairo_select_font_face(cr, kFont, CAIRO_FONT_SLANT_NORMAL,
                           bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, size);
}

double text_width(cairo_t* cr, const std::string& text) {
    cairo_text_extents_t e;
    cairo_text_extents(cr, text.c_str(), &e);
    return e.x_advance;
}

// align: 0 left, 0.5 centred, 1 right of x.
void show_text(cairo_t* cr, double x, double baseline, const std::string& text, double align = 0) {
    cairo_move_to(cr, x - align * text_width(cr, text), baseline);
    cairo_show_text(cr, text.c_str());
}

void set_colour(cairo_t* cr, const Rgb& c, double alpha = 1) { cairo_set_source_rgba(cr, c.r, c.g, c.b, alpha); }

const Rgb kWhite{1, 1, 1};
const Rgb kInk{0.1, 0.1, 0.1};
const Rgb kContourRed{0.86, 0.08, 0.08};

// Why the raster cannot be drawn, or empty; min and max of its finite values.
std::string raster_problem(const Raster& f, double* min, double* max) {
    if (f.columns <= 0 || f.rows <= 0) return "Rastr je prázdný: nemá žádné buňky.";
    if (f.values.size() != static_cast<std::size_t>(f.columns) * static_cast<std::size_t>(f.rows))
        return format("Rastr je neúplný: má %zu hodnot místo %d × %d.", f.values.size(), f.columns, f.rows);
    const double width = f.columns * f.cell_x, height = f.rows * f.cell_y;
    if (!(f.cell_x > 0) || !(f.cell_y > 0) || !std::isfinite(width) || !std::isfinite(height) ||
        !std::isfinite(f.west) || !std::isfinite(f.north))
        return "Rastr má neplatnou polohu nebo velikost buňky.";
    // cairo's image surfaces end at 32767 pixels a side.
    if (f.columns > 32767 || f.rows > 32767)
        return format("Rastr je na obrázek příliš velký (%d × %d buněk).", f.columns, f.rows);
    *min = INFINITY;
    *max = -INFINITY;
    for (double v : f.values) {
        if (!std::isfinite(v)) continue;
        *min = std::min(*min, v);
        *max = std::max(*max, v);
    }
    if (!(*min <= *max)) return "Rastr nemá žádnou platnou hodnotu: všechny buňky jsou bez hodnoty.";
    return {};
}

LegendTexts legend_texts(const MapSources& sources, const PictureSpec& spec, const ColourScale& scale) {
    LegendTexts t;
    if (spec.limit > 0 && std::isfinite(spec.limit)) {
        t.limit_label = spec.limit_label.empty() ? "limit " + czech_number(format("%g", spec.limit)) + " " + spec.unit
                                                 : spec.limit_label;
        const double f = scale_fraction(scale, spec.limit);
        t.limit_on_bar = f >= 0 && f <= 1;
        // A limit above the whole field is said under the bar instead.
        if (!t.limit_on_bar) t.limit_label += " – nad rozsahem stupnice";
    }
    t.keys = {!sources.stacks.empty(), !sources.roads.empty(), !sources.areas.empty(), !spec.limit_contour.empty(),
              !spec.receptors.empty()};
    return t;
}

// The legend panel's width, from the texts it has to hold.
double panel_width(cairo_t* cr, const ColourScale& scale, const PictureSpec& spec, const LegendTexts& t, double u) {
    use_font(cr, 13 * u);
    double ticks = 0;
    for (double v : scale_ticks(scale)) ticks = std::max(ticks, text_width(cr, tick_label(v, scale.step)));
    double w = 22 * u + 8 * u + ticks;
    if (t.limit_on_bar) w += 10 * u + text_width(cr, t.limit_label);
    else if (!t.limit_label.empty()) w = std::max(w, text_width(cr, t.limit_label));
    for (std::size_t k = 0; k < kKeys.size(); ++k)
        if (t.keys[k]) w = std::max(w, 32 * u + text_width(cr, kKeys[k]));
    use_font(cr, 14 * u);
    return std::max(w, text_width(cr, spec.unit));
}

// Places the titles, the map and the legend; false when no map fits.
bool make_layout(cairo_t* cr, const Raster& f, const PictureSpec& spec, const ColourScale& scale,
                 const LegendTexts& texts, Layout* l) {
    const double u = std::max(0.75, std::min(spec.width / 1200.0, spec.height / 1000.0));
    l->u = u;
    l->margin = 20 * u;
    double top = l->margin;
    if (!spec.title.empty()) {
        l->title_baseline = top + 22 * u;
        top += 32 * u;
    }
    if (!spec.subtitle.empty()) {
        l->subtitle_baseline = top + 15 * u;
        top += 24 * u;
    }
    top += 10 * u;
    const double panel = std::min(panel_width(cr, scale, spec, texts, u), 0.4 * spec.width);
    const double gap = 16 * u;
    const double room_w = spec.width - 2 * l->margin - gap - panel;
    const double room_h = spec.height - top - l->margin;
    if (room_w < 60 || room_h < 60) return false;

    MapArea& m = l->map;
    const double width_m = f.columns * f.cell_x, height_m = f.rows * f.cell_y;
    m.pixels_per_metre = std::min(room_w / width_m, room_h / height_m);
    m.width = width_m * m.pixels_per_metre;
    m.height = height_m * m.pixels_per_metre;
    m.left = l->margin;
    m.top = top;
    m.west = f.west;
    m.north = f.north;

    l->panel_left = m.left + m.width + gap;
    l->bar_top = top + 30 * u;  // under the unit
    l->bar_width = 22 * u;
    l->bar_height = std::clamp(m.height * 0.6, std::min(160 * u, room_h * 0.5), room_h * 0.5);
    l->tick_column = l->panel_left + l->bar_width + 8 * u;
    return true;
}

// The cells as an image of one pixel each, NaN cells transparent so that
// the white beneath shows, stretched over the map area.
bool draw_field(cairo_t* cr, const Raster& f, const ColourScale& scale, const MapArea& m) {
    Surface cells(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, f.columns, f.rows));
    if (cairo_surface_status(cells.get()) != CAIRO_STATUS_SUCCESS) return false;
    cairo_surface_flush(cells.get());
    unsigned char* data = cairo_image_surface_get_data(cells.get());
    const int stride = cairo_image_surface_get_stride(cells.get());
    for (int r = 0; r < f.rows; ++r) {
        for (int c = 0; c < f.columns; ++c) {
            const double v = f.at(c, r);
            std::uint32_t argb = 0;
            if (std::isfinite(v)) {
                const Rgb col = viridis(scale_fraction(scale, v));
                auto byte = [](double x) { return static_cast<std::uint32_t>(std::lround(x * 255)); };
                argb = 0xFF000000u | byte(col.r) << 16 | byte(col.g) << 8 | byte(col.b);
            }
            std::memcpy(data + static_cast<std::ptrdiff_t>(r) * stride + c * 4, &argb, 4);
        }
    }
    cairo_surface_mark_dirty(cells.get());

    const double cell_w = f.cell_x * m.pixels_per_metre, cell_h = f.cell_y * m.pixels_per_metre;
    cairo_save(cr);
    cairo_rectangle(cr, m.left, m.top, m.width, m.height);
    cairo_clip(cr);
    cairo_translate(cr, m.left, m.top);
    cairo_scale(cr, cell_w, cell_h);
    cairo_set_source_surface(cr, cells.get(), 0, 0);
    // Sharp cell edges when cells are at least a pixel; smoothing when many share one.
    cairo_pattern_set_filter(cairo_get_source(cr),
                             cell_w >= 1 && cell_h >= 1 ? CAIRO_FILTER_NEAREST : CAIRO_FILTER_GOOD);
    cairo_rectangle(cr, 0, 0, f.columns, f.rows);
    cairo_fill(cr);
    cairo_restore(cr);
    return true;
}

// A path through map points; points that are not finite break the line,
// and far points are held where cairo's fixed point still reaches.
void trace(cairo_t* cr, const MapArea& m, const std::vector<Point>& points, bool closed = false) {
    bool start = true;
    for (const Point& p : points) {
        if (!std::isfinite(p.first) || !std::isfinite(p.second)) {
            start = true;
            continue;
        }
        const Pixel q = m.pixel(p);
        const double x = std::clamp(q.x, -1e6, 1e6), y = std::clamp(q.y, -1e6, 1e6);
        if (start) cairo_move_to(cr, x, y);
        else cairo_line_to(cr, x, y);
        start = false;
    }
    if (closed) cairo_close_path(cr);
}

// A white edge under a dark line keeps it visible on the dark end of the scale.
void stroke_with_halo(cairo_t* cr, const Rgb& colour, double width, double halo) {
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    set_colour(cr, kWhite, 0.85);
    cairo_set_line_width(cr, width + 2 * halo);
    cairo_stroke_preserve(cr);
    set_colour(cr, colour);
    cairo_set_line_width(cr, width);
    cairo_stroke(cr);
}

void draw_contour(cairo_t* cr, const MapArea& m, const std::vector<Polyline>& contour, double u) {
    for (const Polyline& line : contour) {
        trace(cr, m, line);
        stroke_with_halo(cr, kContourRed, std::max(2.0, 2.5 * u), 1.5 * u);
    }
}

void stack_symbol(cairo_t* cr, Pixel p, double size, double u) {
    cairo_move_to(cr, p.x, p.y - size);
    cairo_line_to(cr, p.x + 0.87 * size, p.y + 0.5 * size);
    cairo_line_to(cr, p.x - 0.87 * size, p.y + 0.5 * size);
    cairo_close_path(cr);
    set_colour(cr, kInk);
    cairo_fill_preserve(cr);
    set_colour(cr, kWhite);
    cairo_set_line_width(cr, 1.5 * u);
    cairo_stroke(cr);
}

// A reference point: a small white dot with a dark rim.
void receptor_dot(cairo_t* cr, Pixel p, double u) {
    cairo_new_path(cr);
    cairo_arc(cr, p.x, p.y, 2.2 * u, 0, 2 * std::numbers::pi);
    set_colour(cr, kWhite);
    cairo_fill_preserve(cr);
    set_colour(cr, kInk);
    cairo_set_line_width(cr, 0.9 * u);
    cairo_stroke(cr);
}

void draw_receptors(cairo_t* cr, const MapArea& m, const std::vector<Point>& receptors, double u) {
    for (const Point& r : receptors)
        if (std::isfinite(r.first) && std::isfinite(r.second)) receptor_dot(cr, m.pixel(r), u);
}

void draw_sources(cairo_t* cr, const MapArea& m, const MapSources& s, double u) {
    for (const auto& area : s.areas) {
        trace(cr, m, {area.begin(), area.end()}, true);
        stroke_with_halo(cr, kInk, 1.8 * u, 1.5 * u);
    }
    for (const auto& road : s.roads) {
        trace(cr, m, {road.begin(), road.end()});
        stroke_with_halo(cr, kInk, 2.5 * u, 1.5 * u);
    }
    for (const Point& stack : s.stacks) {
        if (std::isfinite(stack.first) && std::isfinite(stack.second)) stack_symbol(cr, m.pixel(stack), 9 * u, u);
    }
}

void draw_frame(cairo_t* cr, const MapArea& m, double u) {
    cairo_rectangle(cr, m.left, m.top, m.width, m.height);
    cairo_set_source_rgb(cr, 0.4, 0.4, 0.4);
    cairo_set_line_width(cr, std::max(1.0, u));
    cairo_stroke(cr);
}

// Bottom left of the map, on a white plate: two halves of a round length.
void draw_scale_bar(cairo_t* cr, const MapArea& m, double u) {
    const double length = scale_bar_length(m.width / m.pixels_per_metre);
    const double px = length * m.pixels_per_metre;
    if (!(px > 0)) return;
    const std::string label = length_label(length);
    use_font(cr, 13 * u);
    const double x = m.left + 14 * u, bottom = m.top + m.height - 14 * u, h = 6 * u;
    const double plate_w = std::max(px, text_width(cr, label)) + 16 * u;
    cairo_rectangle(cr, x - 8 * u, bottom - h - 24 * u, plate_w, h + 30 * u);
    set_colour(cr, kWhite, 0.8);
    cairo_fill(cr);
    cairo_rectangle(cr, x, bottom - h, px / 2, h);
    set_colour(cr, kInk);
    cairo_fill(cr);
    cairo_rectangle(cr, x, bottom - h, px, h);
    cairo_set_line_width(cr, std::max(1.0, u));
    cairo_stroke(cr);
    show_text(cr, x + px / 2, bottom - h - 7 * u, label, 0.5);
}

// Top right of the map: an arrow to geographic north on a white disc, "S" for sever.
void draw_north_arrow(cairo_t* cr, const MapArea& m, double azimuth, double u) {
    const double length = 40 * u, head = 13 * u;
    const Pixel centre{m.left + m.width - 50 * u, m.top + 50 * u};
    const Arrow a = north_arrow(centre, length, azimuth);
    const double dx = (a.tip.x - a.base.x) / length, dy = (a.tip.y - a.base.y) / length;

    cairo_arc(cr, centre.x, centre.y, 42 * u, 0, 2 * std::numbers::pi);
    set_colour(cr, kWhite, 0.8);
    cairo_fill(cr);
    set_colour(cr, kInk);
    cairo_move_to(cr, a.base.x, a.base.y);
    cairo_line_to(cr, a.tip.x - dx * head, a.tip.y - dy * head);
    cairo_set_line_width(cr, 2.5 * u);
    cairo_stroke(cr);
    cairo_move_to(cr, a.tip.x, a.tip.y);
    cairo_line_to(cr, a.tip.x - dx * head - dy * head / 2, a.tip.y - dy * head + dx * head / 2);
    cairo_line_to(cr, a.tip.x - dx * head + dy * head / 2, a.tip.y - dy * head - dx * head / 2);
    cairo_close_path(cr);
    cairo_fill(cr);

    use_font(cr, 15 * u, true);
    cairo_text_extents_t e;
    cairo_text_extents(cr, "S", &e);
    const double lx = a.tip.x + dx * 10 * u, ly = a.tip.y + dy * 10 * u;
    cairo_move_to(cr, lx - e.x_bearing - e.width / 2, ly - e.y_bearing - e.height / 2);
    cairo_show_text(cr, "S");
}

void key_symbol(cairo_t* cr, KeyKind kind, double x, double y, double u) {
    switch (kind) {
        case kStack: stack_symbol(cr, {x + 12 * u, y}, 7 * u, u); return;
        case kRoad:
            cairo_move_to(cr, x, y);
            cairo_line_to(cr, x + 24 * u, y);
            stroke_with_halo(cr, kInk, 2.5 * u, 1.5 * u);
            return;
        case kArea:
            cairo_rectangle(cr, x + 4 * u, y - 7 * u, 16 * u, 14 * u);
            stroke_with_halo(cr, kInk, 1.8 * u, 1.5 * u);
            return;
        case kContour:
            cairo_move_to(cr, x, y);
            cairo_line_to(cr, x + 24 * u, y);
            stroke_with_halo(cr, kContourRed, std::max(2.0, 2.5 * u), 1.5 * u);
            return;
        case kReceptor: receptor_dot(cr, {x + 12 * u, y}, u); return;
    }
}

void draw_legend(cairo_t* cr, const Layout& l, const ColourScale& scale, const PictureSpec& spec,
                 const LegendTexts& texts) {
    const double u = l.u, x = l.panel_left, top = l.bar_top, bottom = l.bar_top + l.bar_height;
    set_colour(cr, kInk);
    use_font(cr, 14 * u);
    show_text(cr, x, top - 10 * u, spec.unit);

    // The bar, bottom to top: the colour stops are viridis' own, so the
    // gradient matches the field's colours exactly.
    cairo_pattern_t* gradient = cairo_pattern_create_linear(0, bottom, 0, top);
    for (std::size_t i = 0; i < kViridis.size(); ++i) {
        const double t = static_cast<double>(i) / static_cast<double>(kViridis.size() - 1);
        const Rgb c = viridis(t);
        cairo_pattern_add_color_stop_rgb(gradient, t, c.r, c.g, c.b);
    }
    cairo_rectangle(cr, x, top, l.bar_width, l.bar_height);
    cairo_set_source(cr, gradient);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(gradient);
    set_colour(cr, kInk);
    cairo_set_line_width(cr, std::max(1.0, u));
    cairo_stroke(cr);

    use_font(cr, 13 * u);
    double tick_w = 0;
    for (double v : scale_ticks(scale)) {
        const double y = bottom - scale_fraction(scale, v) * l.bar_height;
        cairo_move_to(cr, x + l.bar_width, y);
        cairo_line_to(cr, x + l.bar_width + 5 * u, y);
        cairo_stroke(cr);
        const std::string label = tick_label(v, scale.step);
        tick_w = std::max(tick_w, text_width(cr, label));
        show_text(cr, l.tick_column, y + 4.5 * u, label);
    }

    double key_top = bottom + 30 * u;
    if (texts.limit_on_bar) {
        const double y = bottom - scale_fraction(scale, spec.limit) * l.bar_height;
        cairo_move_to(cr, x - 4 * u, y);
        cairo_line_to(cr, x + l.bar_width + 4 * u, y);
        set_colour(cr, kContourRed);
        cairo_set_line_width(cr, std::max(2.0, 2.5 * u));
        cairo_stroke(cr);
        show_text(cr, l.tick_column + tick_w + 10 * u, y + 4.5 * u, texts.limit_label);
    } else if (!texts.limit_label.empty()) {
        set_colour(cr, kContourRed);
        show_text(cr, x, bottom + 26 * u, texts.limit_label);
        key_top += 24 * u;
    }

    for (std::size_t k = 0, row = 0; k < kKeys.size(); ++k) {
        if (!texts.keys[k]) continue;
        const double y = key_top + static_cast<double>(row++) * 22 * u;
        key_symbol(cr, static_cast<KeyKind>(k), x, y, u);
        set_colour(cr, kInk);
        use_font(cr, 13 * u);
        show_text(cr, x + 32 * u, y + 4.5 * u, kKeys[k]);
    }
}

void draw_titles(cairo_t* cr, const Layout& l, const PictureSpec& spec) {
    if (!spec.title.empty()) {
        set_colour(cr, kInk);
        use_font(cr, 22 * l.u, true);
        show_text(cr, l.margin, l.title_baseline, spec.title);
    }
    if (!spec.subtitle.empty()) {
        cairo_set_source_rgb(cr, 0.3, 0.3, 0.3);
        use_font(cr, 15 * l.u);
        show_text(cr, l.margin, l.subtitle_baseline, spec.subtitle);
    }
}

std::string cairo_reason(cairo_status_t status) {
    switch (status) {
        case CAIRO_STATUS_NO_MEMORY: return "nedostatek paměti";
        case CAIRO_STATUS_WRITE_ERROR: return "chyba zápisu";
        case CAIRO_STATUS_INVALID_STRING: return "text není platné UTF-8";
        default: return format("chyba knihovny cairo: %s", cairo_status_to_string(status));
    }
}

}  // namespace

bool write_map_png(const Raster& field, const MapSources& sources, const PictureSpec& spec, const std::string& path,
                   std::string* error, MapArea* area) {
    auto fail = [&](const std::string& why) {
        if (error) *error = why;
        return false;
    };
    double min = 0, max = 0;
    if (std::string why = raster_problem(field, &min, &max); !why.empty()) return fail(why);
    // Below this no map fits beside the legend; above it the memory runs out.
    if (spec.width < 300 || spec.height < 200 || spec.width > 10000 || spec.height > 10000)
        return fail(
            format("Nepoužitelná velikost obrázku %d × %d pixelů: šířka musí být 300 až 10000, "
                   "výška 200 až 10000 pixelů.",
                   spec.width, spec.height));

    Surface surface(cairo_image_surface_create(CAIRO_FORMAT_RGB24, spec.width, spec.height));
    Context cr(cairo_create(surface.get()));
    if (cairo_status(cr.get()) != CAIRO_STATUS_SUCCESS)
        return fail("Obrázek nelze vytvořit: " + cairo_reason(cairo_status(cr.get())) + ".");
    cairo_set_source_rgb(cr.get(), 1, 1, 1);
    cairo_paint(cr.get());

    const ColourScale scale = colour_scale(min, max);
    const LegendTexts texts = legend_texts(sources, spec, scale);
    Layout l;
    if (!make_layout(cr.get(), field, spec, scale, texts, &l))
        return fail("Obrázek je na mapu příliš malý: legenda a nadpisy zaberou celou plochu.");
    if (!draw_field(cr.get(), field, scale, l.map)) return fail("Obrázek nelze vytvořit: nedostatek paměti pro rastr.");

    cairo_save(cr.get());
    cairo_rectangle(cr.get(), l.map.left, l.map.top, l.map.width, l.map.height);
    cairo_clip(cr.get());
    draw_contour(cr.get(), l.map, spec.limit_contour, l.u);
    draw_receptors(cr.get(), l.map, spec.receptors, l.u);
    draw_sources(cr.get(), l.map, sources, l.u);
    cairo_restore(cr.get());
    draw_frame(cr.get(), l.map, l.u);
    draw_scale_bar(cr.get(), l.map, l.u);
    draw_north_arrow(cr.get(), l.map, spec.grid_north_azimuth, l.u);
    draw_legend(cr.get(), l, scale, spec, texts);
    draw_titles(cr.get(), l, spec);
    if (cairo_status(cr.get()) != CAIRO_STATUS_SUCCESS)
        return fail("Obrázek nelze nakreslit: " + cairo_reason(cairo_status(cr.get())) + ".");

    cairo_surface_flush(surface.get());
    if (const cairo_status_t s = cairo_surface_write_to_png(surface.get(), path.c_str()); s != CAIRO_STATUS_SUCCESS) {
        const std::filesystem::path folder = std::filesystem::path(path).parent_path();
        std::error_code ec;
        if (!folder.empty() && !std::filesystem::is_directory(folder, ec))
            return fail(
                format("Obrázek %s nelze zapsat: složka %s neexistuje.", path.c_str(), folder.string().c_str()));
        return fail(format("Obrázek %s nelze zapsat: %s.", path.c_str(), cairo_reason(s).c_str()));
    }
    if (area) *area = l.map;
    return true;
}

void release_drawing_caches() {
    cairo_debug_reset_static_data();
    // fontconfig comes in with cairo without being linked here: its release is looked up.
    if (void* fini = ::dlsym(RTLD_DEFAULT, "FcFini")) reinterpret_cast<void (*)()>(fini)();
}

}  // namespace picture

bool write_map_png(const Raster& field, const MapSources& sources, const PictureSpec& spec, const std::string& path,
                   std::string* error) {
    return picture::write_map_png(field, sources, spec, path, error, nullptr);
}

}  // namespace zemo::maps
