// The folders are layers, read from the bottom up:
//   base <- input <- model <- output <- run <- maps, desktop/logic
//   desktop/logic, maps <- desktop/maps <- desktop/qt <- apps
// A file includes only its own folder and those below it; only the run layer
// puts the model and the output together (the output reads the model's
// results, the model knows nothing of the output). maps and desktop/logic
// stand side by side over run and neither includes the other; only
// desktop/maps joins them. The programs' entry points (apps/) are included by
// nothing. Each folder is one library of the build (its CMakeLists.txt names
// every source) that links the folders under it, so this test reads every
// file's includes and every folder's list of sources, and the layers stay as
// built.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// The folders directly under each folder: the same edges as the libraries'
// links in the CMakeLists.txt files. What a folder may include is itself and
// everything these reach.
const std::map<std::string, std::vector<std::string>> kBelow = {
    {"base", {}},
    {"input", {"base"}},
    {"model", {"input"}},
    {"output", {"model"}},
    {"run", {"output"}},
    {"maps", {"run"}},
    {"desktop/logic", {"run"}},
    {"desktop/maps", {"desktop/logic", "maps"}},
    {"desktop/qt", {"desktop/maps"}},
    {"apps", {"desktop/qt"}},
};

// The folders that use the layers without being one: they may include every
// layer, and their own files, but not a program's entry point.
const std::vector<std::string> kUsers = {"tests", "fuzz", "tools", "bench"};

// Only the windows and the desktop program's entry point include the toolkit.
const std::set<std::string> kToolkitFolders = {"desktop/qt", "apps"};

std::set<std::string> allowed_for(const std::string& folder) {
    std::set<std::string> allowed = {folder};
    std::vector<std::string> open = {folder};
    while (!open.empty()) {
        const std::string f = open.back();
        open.pop_back();
        for (const std::string& below : kBelow.at(f))
            if (allowed.insert(below).second) open.push_back(below);
    }
    return allowed;
}

// The folder a project include names: "desktop/logic/main_form.h" is of
// desktop/logic, "run/run.h" of run. An include without a folder can only
// find a file next to the includer, so it is of the includer's own folder.
std::string folder_of_include(const std::string& path, const std::string& own) {
    const auto slash = path.find('/');
    if (slash == std::string::npos) return own;
    const std::string first = path.substr(0, slash);
    if (first != "desktop") return first;
    const auto second = path.find('/', slash + 1);
    return second == std::string::npos ? first : path.substr(0, second);
}

bool is_code(const fs::path& p) { return p.extension() == ".cpp" || p.extension() == ".h"; }

struct Include {
    std::string file, target, text;
    int line;
    bool system;
};

// The includes of every .cpp and .h file of a folder and its subfolders
// (apps/ holds one folder per program); *files counts the files read.
std::vector<Include> includes_of(const std::string& folder, int* files) {
    static const std::regex include(R"(^\s*#\s*include\s*(["<])([^">]+)[">])");
    std::vector<Include> found;
    *files = 0;
    const fs::path root = fs::path(ZEMO_SOURCE_DIR) / folder;
    if (!fs::is_directory(root)) return found;
    for (const auto& e : fs::recursive_directory_iterator(root)) {
        if (!e.is_regular_file() || !is_code(e.path())) continue;
        ++*files;
        std::ifstream in(e.path());
        const std::string file = folder + "/" + fs::relative(e.path(), root).generic_string();
        std::string text;
        int n = 0;
        while (std::getline(in, text)) {
            ++n;
            std::smatch m;
            if (!std::regex_search(text, m, include)) continue;
            const bool system = m[1].str() == "<";
            found.push_back(
                {file, system ? std::string() : folder_of_include(m[2].str(), folder), m[2].str(), n, system});
        }
    }
    return found;
}

}  // namespace

TEST(Layers, EveryIncludeRunsDownwards) {
    // The rule itself: only the run layer puts the model and the output
    // together, and the two desktop-free branches over run stay apart.
    const auto model = allowed_for("model"), output = allowed_for("output");
    EXPECT_EQ(model.count("output"), 0u);
    EXPECT_EQ(output.count("run"), 0u);
    EXPECT_EQ(allowed_for("maps").count("desktop/logic"), 0u);
    EXPECT_EQ(allowed_for("desktop/logic").count("maps"), 0u);

    int seen = 0;
    for (const auto& [folder, below] : kBelow) {
        const auto allowed = allowed_for(folder);
        int files = 0;
        for (const Include& inc : includes_of(folder, &files)) {
            if (inc.system) {
                if (!kToolkitFolders.count(folder)) {
                    EXPECT_NE(inc.text[0], 'Q')
                        << inc.file << ":" << inc.line << " includes the toolkit <" << inc.text << ">";
                }
                continue;
            }
            ++seen;
            ASSERT_TRUE(kBelow.count(inc.target))
                << inc.file << ":" << inc.line << " includes \"" << inc.text << "\" from outside the layers";
            EXPECT_TRUE(allowed.count(inc.target)) << inc.file << ":" << inc.line << " (" << folder << ") includes \""
                                                   << inc.text << "\" of " << inc.target << "/, which is not under it";
            // Spelled out, as the run layer's rule reads.
            if (folder == "model") {
                EXPECT_NE(inc.target, "output") << inc.file << ":" << inc.line;
            }
            if (folder == "output") {
                EXPECT_NE(inc.target, "run") << inc.file << ":" << inc.line;
            }
        }
        EXPECT_GT(files, 0) << folder << "/ holds no source file: a folder moved without this test";
    }
    EXPECT_GT(seen, 100);  // the scan found the code

    for (const std::string& user : kUsers) {
        int files = 0;
        for (const Include& inc : includes_of(user, &files)) {
            if (!inc.system) {
                EXPECT_NE(inc.target, "apps") << inc.file << ":" << inc.line << " includes a program's entry point";
            }
        }
    }
}

// Every source of a layer is built into that layer's library: its folder's
// CMakeLists.txt names it. A file the build left out would be found only
// when something called it, as an undefined symbol at link time.
TEST(Layers, EverySourceIsBuiltInItsLayer) {
    for (const auto& [folder, below] : kBelow) {
        const fs::path root = fs::path(ZEMO_SOURCE_DIR) / folder;
        std::ifstream in(root / "CMakeLists.txt");
        ASSERT_TRUE(in) << folder << "/CMakeLists.txt is missing";
        const std::string cmake((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        for (const auto& e : fs::recursive_directory_iterator(root)) {
            if (e.path().extension() != ".cpp") continue;
            const std::string name = fs::relative(e.path(), root).generic_string();
            const std::regex listed("(^|[\\s(/])" + std::regex_replace(name, std::regex(R"([.+])"), R"(\$&)") +
                                    "($|[\\s)])");
            EXPECT_TRUE(std::regex_search(cmake, listed))
                << folder << "/" << name << " is not listed in " << folder << "/CMakeLists.txt";
        }
    }
}
