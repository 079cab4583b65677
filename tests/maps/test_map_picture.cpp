// The map picture: the colour scale's round ends and ticks, the scale bar,
// the north arrow's lean, and the PNG read back with cairo: its size, the
// field's colours on the right sides of the map, white where a cell has no
// value, the limit contour and the sources on top, and the refusals.
#include <gtest/gtest.h>

#include <cairo.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <numbers>
#include <set>
#include <string>
#include <vector>

#include "maps/map_picture.h"
#include "maps/map_picture_parts.h"
#include "tests/test_support.h"

using namespace zemo::maps;
using namespace zemo::maps::picture;
using zemo::test::TempDir;

namespace {

using Colour = std::array<int, 3>;

// A PNG read back into 0..255 components.
struct Png {
    int width = 0, height = 0;
    std::vector<std::uint32_t> pixels;

    Colour at(double x, double y) const {
        const std::size_t row = static_cast<std::size_t>(std::floor(y)),
                          column = static_cast<std::size_t>(std::floor(x));
        const std::uint32_t p = pixels[row * width + column];
        return {static_cast<int>(p >> 16 & 0xFF), static_cast<int>(p >> 8 & 0xFF), static_cast<int>(p & 0xFF)};
    }
    Colour at(const Pixel& p) const { return at(p.x, p.y); }
};

Png read_png(const std::string& path) {
    Png png;
    cairo_surface_t* s = cairo_image_surface_create_from_png(path.c_str());
    if (cairo_surface_status(s) == CAIRO_STATUS_SUCCESS) {
        png.width = cairo_image_surface_get_width(s);
        png.height = cairo_image_surface_get_height(s);
        const int stride = cairo_image_surface_get_stride(s);
        const unsigned char* data = cairo_image_surface_get_data(s);
        png.pixels.resize(static_cast<std::size_t>(png.width) * png.height);
        for (int y = 0; y < png.height; ++y)
            std::memcpy(&png.pixels[static_cast<std::size_t>(y) * png.width],
                        data + static_cast<std::ptrdiff_t>(y) * stride, static_cast<std::size_t>(png.width) * 4);
    }
    cairo_surface_destroy(s);
    return png;
}

Colour bytes(const Rgb& c) {
    return {static_cast<int>(std::lround(c.r * 255)), static_cast<int>(std::lround(c.g * 255)),
            static_cast<int>(std::lround(c.b * 255))};
}

int distance(const Colour& a, const Colour& b) {
    int d = 0;
    for (int i = 0; i < 3; ++i) d = std::max(d, std::abs(a[i] - b[i]));
    return d;
}

// A field columns x rows of 100 m cells with the north-west corner at (1000, 5000).
Raster field(int columns, int rows, double (*value)(int column, int row, int columns, int rows)) {
    Raster r;
    r.west = 1000;
    r.north = 5000;
    r.cell_x = r.cell_y = 100;
    r.columns = columns;
    r.rows = rows;
    r.values.resize(static_cast<std::size_t>(columns) * rows);
    for (int row = 0; row < rows; ++row)
        for (int c = 0; c < columns; ++c) r.at(c, row) = value(c, row, columns, rows);
    return r;
}

PictureSpec small_spec() {
    PictureSpec spec;
    spec.title = "Průměrná roční koncentrace NO2";
    spec.subtitle = "Zkušební projekt – Žďár";
    spec.width = 600;
    spec.height = 500;
    return spec;
}

// The fonts cairo keeps for the process are freed at its end, so that the
// sanitizer build's leak check sees only the program's own memory.
struct ReleaseDrawingCaches : testing::Environment {
    void TearDown() override { release_drawing_caches(); }
};
[[maybe_unused]] testing::Environment* const release_at_exit =
    testing::AddGlobalTestEnvironment(new ReleaseDrawingCaches);

}  // namespace

TEST(MapPictureScale, MaximumRoundsUpToOneTwoTwoAndHalfOrFiveWithRoundTicks) {
    struct Case {
        double max, high, step;
    };
    for (const Case& c : {Case{37, 50, 10}, Case{40, 50, 10}, Case{50, 50, 10}, Case{50.001, 100, 20},
                          Case{2.2, 2.5, 0.5}, Case{1.7, 2, 0.5}, Case{0.9, 1, 0.2}, Case{100, 100, 20},
                          Case{120, 200, 50}, Case{0.031, 0.05, 0.01}, Case{0.3, 0.5, 0.1}, Case{5e-6, 5e-6, 1e-6}}) {
        SCOPED_TRACE(c.max);
        const ColourScale s = colour_scale(0, c.max);
        EXPECT_EQ(s.low, 0);
        EXPECT_NEAR(s.high, c.high, c.high * 1e-12);
        EXPECT_NEAR(s.step, c.step, c.step * 1e-12);
        const std::vector<double> ticks = scale_ticks(s);
        ASSERT_GE(ticks.size(), 5u);
        ASSERT_LE(ticks.size(), 6u);
        EXPECT_EQ(ticks.front(), 0);
        EXPECT_NEAR(ticks.back(), s.high, s.high * 1e-12);
        EXPECT_NEAR(scale_fraction(s, ticks.back()), 1, 1e-12);
    }
}

TEST(MapPictureScale, FlatOrNegativeFieldsStillGetAUsableScale) {
    // A field of zeros or of one value: the scale still runs upwards.
    EXPECT_EQ(colour_scale(0, 0).high, 1);
    const ColourScale flat = colour_scale(7, 7);
    EXPECT_EQ(flat.high, 10);
    EXPECT_NEAR(scale_fraction(flat, 7), 0.7, 1e-12);
    // A negative minimum gets a round low, and the ticks stay few and round.
    const ColourScale neg = colour_scale(-3, 37);
    EXPECT_EQ(neg.low, -10);
    EXPECT_EQ(neg.high, 40);
    const std::vector<double> ticks = scale_ticks(neg);
    EXPECT_EQ(ticks.size(), 6u);
    for (double t : ticks) EXPECT_NEAR(t / neg.step, std::round(t / neg.step), 1e-9);
    // A background under a small share (PM10 of the town: 21.2 to 29.0)
    // spans the field itself, not 0 to 50.
    const ColourScale background = colour_scale(21.2, 29.0);
    EXPECT_NEAR(background.low, 20, 1e-12);
    EXPECT_NEAR(background.high, 30, 1e-12);
    EXPECT_NEAR(background.step, 2, 1e-12);
    EXPECT_EQ(scale_ticks(background).size(), 6u);
    EXPECT_EQ(colour_scale(12.3, 17.5).low, 12);
    // A value so small that no power of ten is left for it.
    const ColourScale tiny = colour_scale(0, 4.9e-324);
    EXPECT_GT(tiny.high, 0);
    EXPECT_GT(tiny.step, 0);
}

TEST(MapPictureScale, TickLabelsHaveTheStepsDecimalsAndAComma) {
    EXPECT_EQ(tick_label(0, 10), "0");
    EXPECT_EQ(tick_label(40, 10), "40");
    EXPECT_EQ(tick_label(2.5, 0.5), "2,5");
    EXPECT_EQ(tick_label(2, 0.5), "2,0");
    EXPECT_EQ(tick_label(0.04, 0.01), "0,04");
    EXPECT_EQ(tick_label(0.6000000000000001, 0.2), "0,6");
    EXPECT_EQ(tick_label(-10, 10), "-10");
}

TEST(MapPictureScale, ViridisRunsFromDarkPurpleToYellowGrowingLighter) {
    EXPECT_EQ(bytes(viridis(0)), (Colour{68, 1, 84}));
    EXPECT_EQ(bytes(viridis(1)), (Colour{253, 231, 37}));
    EXPECT_LE(distance(bytes(viridis(0.5)), Colour{33, 145, 140}), 2);
    EXPECT_EQ(bytes(viridis(-1)), bytes(viridis(0)));
    EXPECT_EQ(bytes(viridis(2)), bytes(viridis(1)));
    EXPECT_EQ(bytes(viridis(std::nan(""))), bytes(viridis(0)));
    // Perceptually ordered: each step up the scale is lighter.
    auto lightness = [](const Rgb& c) { return 0.2126 * c.r + 0.7152 * c.g + 0.0722 * c.b; };
    for (int i = 1; i <= 100; ++i) EXPECT_GT(lightness(viridis(i / 100.0)), lightness(viridis((i - 1) / 100.0))) << i;
}

TEST(MapPictureScaleBar, RoundLengthAboutAFourthOfTheMapWithCzechLabel) {
    EXPECT_EQ(scale_bar_length(4000), 1000);
    EXPECT_EQ(scale_bar_length(2000), 500);
    EXPECT_EQ(scale_bar_length(9000), 2000);
    for (double width = 3; width < 3e6; width *= 1.37) {
        SCOPED_TRACE(width);
        const double length = scale_bar_length(width);
        const double mantissa = length / std::pow(10.0, std::floor(std::log10(length) + 1e-9));
        EXPECT_TRUE(std::fabs(mantissa - 1) < 1e-9 || std::fabs(mantissa - 2) < 1e-9 || std::fabs(mantissa - 5) < 1e-9);
        EXPECT_GE(width / length, 2.8);
        EXPECT_LE(width / length, 7.2);
    }
    EXPECT_EQ(scale_bar_length(0), 0);
    EXPECT_EQ(scale_bar_length(std::nan("")), 0);

    EXPECT_EQ(length_label(500), "500 m");
    EXPECT_EQ(length_label(1000), "1 km");
    EXPECT_EQ(length_label(2000), "2 km");
    EXPECT_EQ(length_label(2500), "2,5 km");
    EXPECT_EQ(length_label(0.5), "0,5 m");
}

TEST(MapPictureNorthArrow, LeansAgainstTheGridRotation) {
    const Pixel centre{100, 100};
    auto lean_degrees = [&](double azimuth) {
        const Arrow a = north_arrow(centre, 40, azimuth);
        EXPECT_LT(a.tip.y, a.base.y);  // still upwards
        EXPECT_NEAR(std::hypot(a.tip.x - a.base.x, a.tip.y - a.base.y), 40, 1e-9);
        EXPECT_NEAR((a.tip.x + a.base.x) / 2, centre.x, 1e-9);
        // Clockwise from straight up, in an image whose y runs down.
        return std::atan2(a.tip.x - a.base.x, a.base.y - a.tip.y) * 180 / std::numbers::pi;
    };
    EXPECT_NEAR(lean_degrees(-30), 30, 1e-9);  // tip right of the base
    EXPECT_NEAR(lean_degrees(30), -30, 1e-9);  // tip left of the base
    EXPECT_NEAR(lean_degrees(-7.8), 7.8, 1e-9);
    EXPECT_NEAR(lean_degrees(0), 0, 1e-9);
    EXPECT_NEAR(lean_degrees(std::nan("")), 0, 1e-9);
}

TEST(MapPicturePng, SizeAsAskedAndNotBlank) {
    TempDir dir;
    PictureSpec spec = small_spec();
    const Raster f =
        field(60, 40, [](int c, int r, int, int) { return std::sin(c * 0.1) * std::cos(r * 0.15) * 30 + 31; });
    std::string error;
    ASSERT_TRUE(write_map_png(f, {}, spec, dir.utf8("a.png"), &error)) << error;
    const Png png = read_png(dir.utf8("a.png"));
    EXPECT_EQ(png.width, 600);
    EXPECT_EQ(png.height, 500);
    const std::set<std::uint32_t> colours(png.pixels.begin(), png.pixels.end());
    EXPECT_GT(colours.size(), 200u);
}

TEST(MapPicturePng, FieldColoursLieEastWestNorthSouthAndNoValueStaysWhite) {
    TempDir dir;
    const PictureSpec spec = small_spec();
    std::string error;
    MapArea area;
    auto centre = [&](const Raster& f, int c, int r) { return area.pixel({f.x_of(c), f.y_of(r)}); };

    // Rising eastwards to exactly 50, the scale's top; a hole in the middle.
    Raster east = field(40, 30, [](int c, int, int columns, int) { return 50.0 * c / (columns - 1); });
    east.at(20, 15) = Raster::kNoData;
    ASSERT_TRUE(picture::write_map_png(east, {}, spec, dir.utf8("east.png"), &error, &area)) << error;
    Png png = read_png(dir.utf8("east.png"));
    EXPECT_NEAR(area.width / area.height, 40.0 / 30.0, 1e-9);  // metres equal in x and y
    EXPECT_LE(distance(png.at(centre(east, 39, 15)), bytes(viridis(1))), 2);
    EXPECT_LE(distance(png.at(centre(east, 0, 15)), bytes(viridis(0))), 2);
    EXPECT_LE(distance(png.at(centre(east, 10, 15)), bytes(viridis(10.0 / 39))), 2);
    EXPECT_EQ(png.at(centre(east, 20, 15)), (Colour{255, 255, 255}));
    EXPECT_NE(png.at(centre(east, 21, 15)), (Colour{255, 255, 255}));
    // The field reaches the map's edges, and not beyond.
    const double mid = area.top + area.height / 2;
    EXPECT_EQ(png.at(area.left + 1.5, mid), bytes(viridis(0)));
    EXPECT_EQ(png.at(area.left + area.width - 1.5, mid), bytes(viridis(1)));
    EXPECT_EQ(png.at(area.left - 2.5, mid), (Colour{255, 255, 255}));

    // Rising northwards (row 0 is the northmost): yellow at the top of the map.
    const Raster north = field(30, 40, [](int, int r, int, int rows) { return 5.0 * (rows - 1 - r) / (rows - 1); });
    ASSERT_TRUE(picture::write_map_png(north, {}, spec, dir.utf8("north.png"), &error, &area)) << error;
    png = read_png(dir.utf8("north.png"));
    EXPECT_LE(distance(png.at(centre(north, 10, 0)), bytes(viridis(1))), 2);
    EXPECT_LE(distance(png.at(centre(north, 10, 39)), bytes(viridis(0))), 2);
    EXPECT_LT(area.pixel({north.west, north.north}).y, area.pixel({north.west, north.south()}).y);
}

TEST(MapPicturePng, ContourAndSourcesAreDrawnOnTopAtTheirPlaces) {
    TempDir dir;
    PictureSpec spec = small_spec();
    spec.width = 1200;
    spec.height = 1000;
    spec.limit = 8;
    spec.limit_label = "limit 8 µg/m³";
    // A flat field at the top of its scale: yellow, against which red and dark show.
    const Raster f = field(50, 40, [](int, int, int, int) { return 10.0; });
    const double x_line = f.west + 0.3 * (f.east() - f.west);
    spec.limit_contour = {{{x_line, f.south()}, {x_line, f.north}}};
    MapSources sources;
    sources.stacks = {{f.west + 3000, f.south() + 1500}};
    sources.roads = {{{Point{f.west + 500, f.south() + 3000}, Point{f.west + 4500, f.south() + 3000}}}};
    sources.areas = {{{Point{f.west + 3500, f.south() + 500}, Point{f.west + 4500, f.south() + 500},
                       Point{f.west + 4500, f.south() + 1000}, Point{f.west + 3500, f.south() + 1000}}}};
    spec.receptors = {{f.west + 1000, f.south() + 1000}};
    std::string error;
    MapArea area;
    ASSERT_TRUE(picture::write_map_png(f, sources, spec, dir.utf8("c.png"), &error, &area)) << error;
    const Png png = read_png(dir.utf8("c.png"));
    const Colour yellow = bytes(viridis(1));

    const Pixel on_line = area.pixel({x_line, f.south() + 2000});
    const Colour red = png.at(on_line);
    EXPECT_GT(red[0], 200);
    EXPECT_LT(red[1], 60);
    EXPECT_LT(red[2], 60);
    EXPECT_EQ(png.at(on_line.x + 15, on_line.y), yellow);

    auto dark = [](const Colour& c) { return c[0] < 60 && c[1] < 60 && c[2] < 60; };
    EXPECT_TRUE(dark(png.at(area.pixel(sources.stacks[0]))));
    EXPECT_TRUE(dark(png.at(area.pixel({f.west + 2500, f.south() + 3000}))));  // the road's middle
    EXPECT_TRUE(dark(png.at(area.pixel({f.west + 4000, f.south() + 500}))));   // the area's southern edge
    EXPECT_EQ(png.at(area.pixel({f.west + 4000, f.south() + 750})), yellow);   // and its inside
    // A reference point: a white dot in a dark rim, the field around it.
    const Pixel receptor = area.pixel(spec.receptors[0]);
    EXPECT_EQ(png.at(receptor), (Colour{255, 255, 255}));
    EXPECT_EQ(png.at(receptor.x + 8, receptor.y), yellow);
}

TEST(MapPicturePng, OddValuesAndFlatFieldsAreDrawn) {
    TempDir dir;
    PictureSpec spec = small_spec();
    spec.grid_north_azimuth = std::nan("");
    spec.limit = 40;  // above the whole field
    Raster f = field(20, 10, [](int, int, int, int) { return 5.0; });
    f.at(1, 1) = INFINITY;
    f.at(2, 2) = -INFINITY;
    spec.limit_contour = {{{f.west, f.north}, {std::nan(""), 0}, {f.east(), f.south()}}, {}};
    std::string error;
    EXPECT_TRUE(write_map_png(f, {}, spec, dir.utf8("odd.png"), &error)) << error;
    EXPECT_EQ(read_png(dir.utf8("odd.png")).width, 600);

    const Raster zeros = field(3, 3, [](int, int, int, int) { return 0.0; });
    EXPECT_TRUE(write_map_png(zeros, {}, small_spec(), dir.utf8("zeros.png"), &error)) << error;
}

TEST(MapPicturePng, RefusesWhatCannotBeDrawnOrWritten) {
    TempDir dir;
    const Raster good = field(4, 3, [](int c, int, int, int) { return 1.0 * c; });
    std::string error;

    EXPECT_FALSE(write_map_png(good, {}, small_spec(), dir.utf8("missing/a.png"), &error));
    EXPECT_NE(error.find("neexistuje"), std::string::npos) << error;
    EXPECT_NE(error.find("missing"), std::string::npos) << error;
    EXPECT_FALSE(std::filesystem::exists(dir.native("missing")));

    auto refused = [&](const Raster& f, const PictureSpec& spec) {
        error.clear();
        const bool written = write_map_png(f, {}, spec, dir.utf8("r.png"), &error);
        return !written && !error.empty() && !std::filesystem::exists(dir.native("r.png"));
    };
    EXPECT_TRUE(refused(Raster{}, small_spec()));
    EXPECT_TRUE(refused(field(4, 3, [](int, int, int, int) { return std::nan(""); }), small_spec()));
    Raster short_values = good;
    short_values.values.pop_back();
    EXPECT_TRUE(refused(short_values, small_spec()));
    Raster no_cell_size = good;
    no_cell_size.cell_x = 0;
    EXPECT_TRUE(refused(no_cell_size, small_spec()));
    PictureSpec tiny = small_spec();
    tiny.width = 50;
    EXPECT_TRUE(refused(good, tiny));
    PictureSpec huge = small_spec();
    huge.height = 100000;
    EXPECT_TRUE(refused(good, huge));
    // No error text asked for: still a plain false.
    EXPECT_FALSE(write_map_png(Raster{}, {}, small_spec(), dir.utf8("r.png"), nullptr));
}
