// The folders are layers, read from the bottom up:
//   base <- input <- model <- output <- run
// A file includes only its own layer and those below it; only the run layer
// puts the model and the output together. This test reads every source
// file's includes, so the layers stay as built.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const std::map<std::string, int> kLayer = {{"base", 0}, {"input", 1}, {"model", 2}, {"output", 3}, {"run", 4}};

struct Include {
    std::string file, target_layer;
    int line;
};

// The project includes ("layer/name.h") of every file of a layer folder.
std::vector<Include> includes_of(const std::string& layer) {
    static const std::regex include(R"(^\s*#\s*include\s*"([a-z]+)/[^"]+")");
    std::vector<Include> found;
    for (const auto& e : fs::directory_iterator(fs::path(ZEMO_SOURCE_DIR) / layer)) {
        std::ifstream in(e.path());
        std::string text;
        int n = 0;
        while (std::getline(in, text)) {
            ++n;
            std::smatch m;
            if (std::regex_search(text, m, include))
                found.push_back({layer + "/" + e.path().filename().string(), m[1].str(), n});
        }
    }
    return found;
}

}  // namespace

TEST(Layers, EveryIncludeRunsDownwards) {
    int seen = 0;
    for (const auto& [layer, rank] : kLayer)
        for (const Include& inc : includes_of(layer)) {
            ++seen;
            const auto target = kLayer.find(inc.target_layer);
            ASSERT_NE(target, kLayer.end()) << inc.file << ":" << inc.line << " includes from " << inc.target_layer;
            EXPECT_LE(target->second, rank)
                << inc.file << ":" << inc.line << " (" << layer << ") includes " << inc.target_layer << "/";
        }
    EXPECT_GT(seen, 100);  // the scan found the code
}

TEST(Layers, OnlyTheRunLayerPutsModelAndOutputTogether) {
    for (const Include& inc : includes_of("model")) EXPECT_NE(inc.target_layer, "output") << inc.file << ":" << inc.line;
    for (const Include& inc : includes_of("output")) EXPECT_NE(inc.target_layer, "run") << inc.file << ":" << inc.line;
}
