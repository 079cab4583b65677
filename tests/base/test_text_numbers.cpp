#include <gtest/gtest.h>

#include <clocale>
#include <cmath>

#include "base/format.h"
#include "base/numbers.h"
#include "base/text.h"

using namespace zemo;

TEST(Text, CzechLiteralsBecomeWindows1250Bytes) {
    // č = 0xE8, ř = 0xF8, ů = 0xF9, Š = 0x8A, ě = 0xEC
    EXPECT_EQ(std::string("čřůŠě"_cz), "\xE8\xF8\xF9\x8A\xEC");
    EXPECT_EQ(std::string("VÝPOČET UKONČEN"_cz),
              "V\xDDPO\xC8"
              "ET UKON\xC8"
              "EN");
    EXPECT_EQ(cp1250_to_utf8("\xE8\xF8\xF9\x8A\xEC"), "čřůŠě");
}

TEST(Text, RoundTripOfEveryAssignedByte) {
    for (int b = 1; b < 256; ++b) {
        if (b >= 0x80 && kCp1250High[b - 0x80] == 0) continue;
        const std::string one(1, static_cast<char>(b));
        bool ok = false;
        EXPECT_EQ(utf8_to_cp1250(cp1250_to_utf8(one), &ok), one) << b;
        EXPECT_TRUE(ok);
    }
    bool ok = true;
    EXPECT_EQ(utf8_to_cp1250("日", &ok), "?");
    EXPECT_FALSE(ok);
}

TEST(Text, UpperCaseTrimAndLineEnds) {
    EXPECT_EQ(to_upper("zdroje čř"_cz), std::string("ZDROJE ČŘ"_cz));
    EXPECT_EQ(trim_blanks(" \t body.txt \t"), "body.txt");
    EXPECT_EQ(to_crlf("a\nb\n"), "a\r\nb\r\n");
    // Every Czech letter, both cases, loses its mark; other letters above
    // ASCII are not passed on as stray bytes.
    EXPECT_EQ(without_diacritics("příliš žluťoučký kůň úpěl ďábelské ódy"_cz),
              "prilis zlutoucky kun upel dabelske ody");
    EXPECT_EQ(without_diacritics("PŘÍLIŠ ŽLUŤOUČKÝ KŮŇ ÚPĚL ĎÁBELSKÉ ÓDY"_cz),
              "PRILIS ZLUTOUCKY KUN UPEL DABELSKE ODY");
    EXPECT_EQ(without_diacritics("łódź ß"_cz), "?od? ?");
}

TEST(Format, MessagesAreCutToTheSharedBuffer) {
    const std::string long_text(5000, 'x');
    EXPECT_EQ(format_message("%s", long_text.c_str()).size(), 999u);
    EXPECT_EQ(format("%s", long_text.c_str()).size(), 5000u);
}

TEST(Format, NumbersDoNotDependOnTheProcessLocale) {
    const std::string before = format("%.2f %10.3f %f", 1.5, 12.3456, -0.25);
    double d = 0;
    float f = 0;
    ASSERT_TRUE(scan_double("2.75", d));
    if (std::setlocale(LC_ALL, "cs_CZ.UTF-8") || std::setlocale(LC_ALL, "de_DE.UTF-8")) {
        EXPECT_EQ(format("%.2f %10.3f %f", 1.5, 12.3456, -0.25), before);
        double d2 = 0;
        ASSERT_TRUE(scan_double("2.75", d2));
        EXPECT_EQ(d2, d);
        ASSERT_TRUE(scan_float("1.5", f));
        EXPECT_EQ(f, 1.5f);
        std::setlocale(LC_ALL, "C");
    } else {
        GTEST_SKIP() << "no decimal-comma locale installed";
    }
    EXPECT_EQ(before, "1.50     12.346 -0.250000");
}

TEST(Numbers, FloatConversionLikeScanf) {
    float f = -1;
    EXPECT_TRUE(scan_float("  1.7", f));
    EXPECT_EQ(static_cast<double>(f), 1.7000000476837158);  // single precision, widened
    EXPECT_TRUE(scan_float("+2.5e1xyz", f));
    EXPECT_EQ(f, 25.0f);
    EXPECT_TRUE(scan_float("-3", f));
    EXPECT_EQ(f, -3.0f);
    EXPECT_TRUE(scan_float("1,5", f));  // stops at the comma
    EXPECT_EQ(f, 1.0f);
    EXPECT_TRUE(scan_float(".5", f));
    EXPECT_EQ(f, 0.5f);
    f = 7;
    EXPECT_FALSE(scan_float("abc", f));
    EXPECT_FALSE(scan_float("", f));
    EXPECT_FALSE(scan_float("   ", f));
    EXPECT_EQ(f, 7.0f);
    EXPECT_TRUE(scan_float("1e60", f));
    EXPECT_TRUE(std::isinf(f));
}

TEST(Numbers, IntegerConversionLikePercentI) {
    int i = 0;
    EXPECT_TRUE(scan_int("48", i));
    EXPECT_EQ(i, 48);
    EXPECT_TRUE(scan_int(" 010", i));  // octal
    EXPECT_EQ(i, 8);
    EXPECT_TRUE(scan_int("0x1F", i));
    EXPECT_EQ(i, 31);
    EXPECT_TRUE(scan_int("-12abc", i));
    EXPECT_EQ(i, -12);
    EXPECT_TRUE(scan_int("0", i));
    EXPECT_EQ(i, 0);
    EXPECT_TRUE(scan_int("09", i));  // octal stops at 9
    EXPECT_EQ(i, 0);
    EXPECT_TRUE(scan_int("7.9", i));
    EXPECT_EQ(i, 7);
    i = 5;
    EXPECT_FALSE(scan_int("x", i));
    EXPECT_FALSE(scan_int("-", i));
    EXPECT_EQ(i, 5);
}
