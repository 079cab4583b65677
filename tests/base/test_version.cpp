// The version text and the settings key suffix shared by both programs.
#include <gtest/gtest.h>

#include "base/version.h"

using namespace zemo;

TEST(Version, KeySuffixAndCompiledInText) {
    EXPECT_EQ(version_key("1.0.0.0"), "1.0");
    EXPECT_EQ(version_key(kFallbackVersion), "1.0");
    EXPECT_EQ(version_key("12.3.4.5"), "12.0");
    EXPECT_EQ(version_key("2"), "2.0");
    // This build carries the CMake project version.
    EXPECT_EQ(program_version_text(), "1.0.0.0");
}
