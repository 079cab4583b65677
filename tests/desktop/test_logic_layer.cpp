// The desktop program's rules build without any windowing toolkit: no file
// of desktop/logic includes a Qt header or anything of the window code.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <string>

namespace fs = std::filesystem;

TEST(DesktopLogic, IncludesNoToolkitAndNothingAboveItself) {
    static const std::regex toolkit(R"(^\s*#\s*include\s*<(Q|qt|QtCore|QtWidgets))");
    static const std::regex project(R"(^\s*#\s*include\s*"([a-z]+)/([a-z]*))");
    int files = 0;
    for (const auto& e : fs::directory_iterator(fs::path(ZEMO_SOURCE_DIR) / "desktop" / "logic")) {
        ++files;
        std::ifstream in(e.path());
        std::string text;
        int n = 0;
        while (std::getline(in, text)) {
            ++n;
            EXPECT_FALSE(std::regex_search(text, toolkit)) << e.path() << ":" << n;
            std::smatch m;
            if (std::regex_search(text, m, project) && m[1] == "desktop") {
                EXPECT_EQ(m[2], "logic") << e.path() << ":" << n;
            }
        }
    }
    EXPECT_GT(files, 0);
}
