// The desktop logic stays toolkit-free: its files include only the project's
// own layers and the standard library, never a Qt header.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <string>

TEST(DesktopLogicLayer, IncludesNoWindowingToolkit) {
    namespace fs = std::filesystem;
    static const std::regex project_include(R"(^\s*#\s*include\s*"([a-z]+)/[^"]+")");
    static const std::regex system_include(R"(^\s*#\s*include\s*<([^>]+)>)");
    const std::set<std::string> layers = {"base", "input", "model", "output", "run", "desktop"};
    int files = 0;
    for (const auto& e : fs::directory_iterator(fs::path(ZEMO_SOURCE_DIR) / "desktop" / "logic")) {
        ++files;
        std::ifstream in(e.path());
        std::string line;
        while (std::getline(in, line)) {
            std::smatch m;
            if (std::regex_search(line, m, project_include)) {
                EXPECT_TRUE(layers.count(m[1].str())) << e.path() << ": " << line;
            }
            if (std::regex_search(line, m, system_include)) {
                EXPECT_NE(m[1].str()[0], 'Q') << e.path() << ": " << line;  // QString, QtCore/...
            }
        }
    }
    EXPECT_GT(files, 0);
}
