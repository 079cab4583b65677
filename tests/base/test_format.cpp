// The program's own printf formatting against the C library's (glibc is
// correctly rounded, so it is an independent reference for every digit),
// and the ties that the Windows C runtime rounded the other way.
#include <gtest/gtest.h>

#include "base/platform.h"

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdio>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "base/format.h"

using namespace zemo;

namespace {

template <typename... Args>
std::string c_library(const char* fmt, Args... args) {
    char buffer[1024];
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
#pragma GCC diagnostic ignored "-Wformat-security"
    std::snprintf(buffer, sizeof buffer, fmt, args...);
#pragma GCC diagnostic pop
    return buffer;
}

template <typename... Args>
std::string ours(const char* fmt, Args... args) {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
#pragma GCC diagnostic ignored "-Wformat-security"
    return format(fmt, args...);
#pragma GCC diagnostic pop
}

}  // namespace

TEST(Format, TiesGoToTheEvenNeighbour) {
    // Exact binary ties: the digit before the cut decides.
    EXPECT_EQ(format("%.0f %.0f %.0f %.0f", 0.5, 1.5, 2.5, 12345.5), "0 2 2 12346");
    EXPECT_EQ(format("%.0f %.0f %.0f", -0.5, -2.5, 3.5), "-0 -2 4");
    EXPECT_EQ(format("%.2f %.2f %.1f %.1f", 0.125, 0.375, 0.25, 0.75), "0.12 0.38 0.2 0.8");
    EXPECT_EQ(format("%.3g %.1e", 2.125, 2.5), "2.12 2.5e+00");
    // Decimal-looking ties that are not ties in binary go by the exact value.
    EXPECT_EQ(format("%.2f %.2f %.1f", 2.675, 1.005, 0.35), "2.67 1.00 0.3");
    // Column names built from limits ("P_%.0f_...").
    EXPECT_EQ(format("P_%.0f_%s", 2.5, "NO2"), "P_2_NO2");
}

TEST(Format, EveryKindOfConversionAsTheCLibraryPrintsIt) {
    const double values[] = {0.0,
                             -0.0,
                             1.0,
                             -1.5,
                             0.1,
                             123.456,
                             -9.995,
                             1e-5,
                             1.25e-4,
                             99999.5,
                             1e15,
                             1.5e300,
                             DBL_MIN,
                             DBL_MAX,
                             5e-324,
                             std::numeric_limits<double>::infinity(),
                             -std::numeric_limits<double>::infinity(),
                             std::nan("")};
    const char* floating[] = {"%f",    "%.0f", "%.2f",      "%10.3f", "%-10.1f|", "%+.2f", "% .3f", "%010.2f", "%#.0f",
                              "%e",    "%.2e", "%E",        "%#.0e",  "%g",       "%.10g", "%.12g", "%G",      "%#g",
                              "%#.3g", "%.0g", "%-+12.4g|", "%012g",  "%.17g",    "%.30f", "%lf",   "%F"};
    for (const char* f : floating)
        for (double v : values) EXPECT_EQ(ours(f, v), c_library(f, v)) << f << " of " << v;

    const long long integers[] = {0, 1, -1, 7, -42, 255, 65535, INT_MAX, INT_MIN, LLONG_MAX, LLONG_MIN};
    const char* int_formats[] = {"%i",  "%d",  "%5i",  "%-5i|", "%05i", "%02i",
                                 "%+i", "% i", "%.3i", "%8.3i", "%.0i", "%-08i|"};
    for (const char* f : int_formats)
        for (long long v : integers)
            if (v >= INT_MIN && v <= INT_MAX) {
                EXPECT_EQ(ours(f, static_cast<int>(v)), c_library(f, static_cast<int>(v))) << f << " of " << v;
            }
    const char* long_formats[] = {"%lli", "%lld", "%20lli", "%llu", "%llx", "%#llX", "%#llo", "%022lli"};
    for (const char* f : long_formats)
        for (long long v : integers) EXPECT_EQ(ours(f, v), c_library(f, v)) << f << " of " << v;
    const char* unsigned_formats[] = {"%u", "%x", "%X", "%#x", "%o", "%#o", "%#.0o", "%8.4x", "%hhu", "%hu"};
    for (const char* f : unsigned_formats)
        for (unsigned v : {0u, 1u, 8u, 255u, 256u, 65536u, UINT_MAX})
            EXPECT_EQ(ours(f, v), c_library(f, v)) << f << " of " << v;
    EXPECT_EQ(ours("%li %02li %zu %hi %hhi", -5L, 7L, std::size_t{42}, 70000, 300),
              c_library("%li %02li %zu %hi %hhi", -5L, 7L, std::size_t{42}, 70000, 300));

    EXPECT_EQ(format("%s|%8s|%-8s|%.2s|%c|%3c|%%|%5.1s", "ab", "ab", "ab", "abc", 'x', 'y', "zz"),
              c_library("%s|%8s|%-8s|%.2s|%c|%3c|%%|%5.1s", "ab", "ab", "ab", "abc", 'x', 'y', "zz"));
    EXPECT_EQ(format("%*.*f|%-*i|%.*s", 9, 2, 3.14159, 4, 7, 3, "abcdef"),
              c_library("%*.*f|%-*i|%.*s", 9, 2, 3.14159, 4, 7, 3, "abcdef"));
    EXPECT_EQ(format("%*i|", -4, 7), "7   |");
    // A precision limits what is read: the text needs no terminator.
    const char unterminated[3] = {'a', 'b', 'c'};
    EXPECT_EQ(format("%.2s", unterminated), "ab");
    EXPECT_THROW(ours("%n", nullptr), std::invalid_argument);
}

TEST(Format, RandomValuesInThePrintedFormatsAsTheCLibraryPrintsThem) {
    // Values of every magnitude, values read in single precision and
    // widened, and decimal and binary ties, in the formats of the tables,
    // the log and the project files.
    const char* formats[] = {"%.0f", "%.1f",  "%.2f",   "%.3f", "%.4f",  "%.5f",
                             "%f",   "%8.2f", "%13.2f", "%.2e", "%.10g", "%.12g"};
    std::mt19937_64 random(20261209);
    int differences = 0;
    for (int i = 0; i < 60000; ++i) {
        double v = 0;
        switch (i % 5) {
            case 0: v = std::ldexp(static_cast<double>(random() >> 11), -static_cast<int>(random() % 90)); break;
            case 1:
                v = static_cast<double>(random() % 2000000) / 2.0 / std::pow(10.0, static_cast<double>(random() % 5));
                break;
            case 2: v = static_cast<double>(random() % 100000) + 0.5; break;
            case 3:
                v = static_cast<double>(static_cast<float>(static_cast<double>(random() % 100000000) / 1000.0));
                break;
            default: v = static_cast<double>(random() % 1000000) / 64.0; break;
        }
        if (random() & 1) v = -v;
        for (const char* f : formats)
            if (ours(f, v) != c_library(f, v) && ++differences < 10)
                ADD_FAILURE() << f << " of " << std::hexfloat << v << ": " << ours(f, v) << " against "
                              << c_library(f, v);
    }
    EXPECT_EQ(differences, 0);
}

// A relative path joined to a "\\?\" directory is resolved part by part,
// since the file system takes such a name verbatim.
TEST(PathInDirectory, RelativePathsJoinAndVerbatimDirectoriesAreResolved) {
    using zemo::platform::path_in_directory;
    EXPECT_EQ(path_in_directory("", "a.txt"), "a.txt");
    EXPECT_EQ(path_in_directory("dir/", "/abs/a.txt"), "/abs/a.txt");
    EXPECT_EQ(path_in_directory("C:\\d\\", "D:\\a.txt"), "D:\\a.txt");
    EXPECT_EQ(path_in_directory("C:\\d\\", ".\\a.txt"), "C:\\d\\.\\a.txt");
    EXPECT_EQ(path_in_directory("\\\\?\\C:\\Výpočet\\", ".\\bodove.txt"), "\\\\?\\C:\\Výpočet\\bodove.txt");
    EXPECT_EQ(path_in_directory("\\\\?\\C:\\a\\b", "../c/d.txt"), "\\\\?\\C:\\a\\c\\d.txt");
    EXPECT_EQ(path_in_directory("\\\\?\\C:\\a\\", "..\\..\\..\\x"), "\\\\?\\C:\\x");
    EXPECT_EQ(path_in_directory("\\\\?\\C:\\a\\", "vysledky\\"), "\\\\?\\C:\\a\\vysledky\\");
}
