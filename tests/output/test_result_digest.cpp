#include "output/result_digest.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "base/text.h"
#include "tests/test_support.h"

namespace zemo {
namespace {

TEST(ResultDigest, Crc32IsTheOneOfZipInOneBlockOrMany) {
    // The standard check value of CRC-32 and the empty input.
    EXPECT_EQ(crc32_update(0, "123456789", 9), 0xCBF43926u);
    EXPECT_EQ(crc32_update(0, "", 0), 0u);
    // Continued block by block it is the same as over the whole.
    const std::uint32_t first = crc32_update(0, "1234", 4);
    EXPECT_EQ(crc32_update(first, "56789", 5), 0xCBF43926u);
}

TEST(ResultDigest, AFileIsDigestedWhole) {
    test::TempDir dir;
    std::string bytes;
    for (int i = 0; i < 200000; ++i) bytes.push_back(static_cast<char>(i * 7));
    test::write_file(dir.native("digest.bin"), bytes);
    const auto digest = digest_file(dir.file("digest.bin"));
    ASSERT_TRUE(digest.has_value());
    EXPECT_EQ(digest->size, 200000u);
    EXPECT_EQ(digest->crc32, crc32_update(0, bytes.data(), bytes.size()));
    EXPECT_FALSE(digest_file(dir.file("no-such-file.bin")).has_value());
    // A directory reads as nothing on some systems: it has no digest.
    std::filesystem::create_directory(dir.native("adresar"));
    EXPECT_FALSE(digest_file(dir.file("adresar")).has_value());
}

TEST(ResultDigest, LinesOfALogAreReadBackWithPathsHoldingColonsAndBlanks) {
    const FileDigest a{104857, 0x1a2b3c4du}, b{0, 0xffffffffu};
    std::string log = "ZEMO verze 1.0\r\n";
    log += "--- " + digest_line_text("vysledky/zakladni.txt", a) + "\r\n";
    log += "--- Čas ukončení programu: 01.01.2026"_cz;
    log += "\r\n--- " + digest_line_text("C:\\jan.novak Výpočty\\a: b_SO2.dbf"_cz, b) + "\n";
    log += "--- soubor výsledků poškozený: 12 B, CRC-32 xyz\r\n"_cz;  // not a digest line
    const auto found = recorded_digests(log);
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].path, "vysledky/zakladni.txt");
    EXPECT_EQ(found[0].digest, a);
    EXPECT_EQ(found[1].path, "C:\\jan.novak Výpočty\\a: b_SO2.dbf"_cz);
    EXPECT_EQ(found[1].digest, b);
    EXPECT_EQ(digest_line_text("x.txt", a), "soubor výsledků x.txt: 104857 B, CRC-32 1a2b3c4d"_cz);
    EXPECT_TRUE(recorded_digests("--- Čas startu programu: x\r\n"_cz).empty());
}

}  // namespace
}  // namespace zemo
