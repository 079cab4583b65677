// The help pages: the page of every context help topic, and the shipped
// pages themselves (every page the windows can ask for exists, every local
// link resolves, the contents link every page).
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "desktop/logic/help_topics.h"

using zemo::desktop::help_page;
using zemo::desktop::help_pages;

namespace fs = std::filesystem;

namespace {

const fs::path kHelpDir = fs::path(ZEMO_SOURCE_DIR) / "install" / "help";

std::string read_text(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::vector<fs::path> html_pages() {
    std::vector<fs::path> pages;
    for (const auto& entry : fs::directory_iterator(kHelpDir))
        if (entry.path().extension() == ".html") pages.push_back(entry.path());
    std::sort(pages.begin(), pages.end());
    return pages;
}

// The values of every href and src attribute of a page.
std::vector<std::string> links_of(const std::string& html) {
    static const std::regex attribute(R"((?:href|src)\s*=\s*\"([^\"]*)\")", std::regex::icase);
    std::vector<std::string> links;
    for (auto it = std::sregex_iterator(html.begin(), html.end(), attribute); it != std::sregex_iterator(); ++it)
        links.push_back((*it)[1].str());
    return links;
}

bool valid_utf8(const std::string& s) {
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        const int extra = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : -1;
        if (extra < 0 || (extra > 0 && i + extra >= s.size())) return false;
        for (int k = 1; k <= extra; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
        i += extra + 1;
    }
    return true;
}

}  // namespace

TEST(HelpTopics, TopicsOfTheWindowsGiveTheirPages) {
    EXPECT_EQ(help_page(0), "index.html");
    EXPECT_EQ(help_page(221), "sit.html");
    EXPECT_EQ(help_page(222), "latky.html");  // also the catalogue window
    EXPECT_EQ(help_page(223), "zdroje.html");
    EXPECT_EQ(help_page(224), "ruzice.html");
    EXPECT_EQ(help_page(225), "vysledky.html");
    EXPECT_EQ(help_page(211), "nastaveni.html");
}

TEST(HelpTopics, AnUnknownTopicGivesTheContents) {
    for (int topic : {-1, 1, 210, 212, 220, 226, 1000}) EXPECT_EQ(help_page(topic), "index.html") << topic;
}

TEST(HelpPages, EveryPageATopicCanAskForIsShipped) {
    const std::vector<std::string> pages = help_pages();
    for (int topic = -5; topic < 400; ++topic) {
        const std::string page = help_page(topic);
        EXPECT_NE(std::find(pages.begin(), pages.end(), page), pages.end()) << topic;
    }
    for (const std::string& page : pages) EXPECT_TRUE(fs::is_regular_file(kHelpDir / page)) << page;
}

TEST(HelpPages, EveryLocalLinkResolvesAndNothingIsFetched) {
    const std::vector<fs::path> pages = html_pages();
    ASSERT_GE(pages.size(), 7u);
    for (const fs::path& page : pages) {
        const std::string html = read_text(page);
        EXPECT_TRUE(valid_utf8(html)) << page;
        EXPECT_NE(html.find("<meta charset=\"utf-8\">"), std::string::npos) << page;
        for (const std::string& link : links_of(html)) {
            EXPECT_EQ(link.find(':'), std::string::npos) << page << ": not a local link: " << link;
            const std::size_t hash = link.find('#');
            const std::string file = link.substr(0, hash);
            const fs::path target = file.empty() ? page : kHelpDir / file;
            ASSERT_TRUE(fs::is_regular_file(target)) << page << ": " << link;
            if (hash != std::string::npos) {
                const std::string anchor = link.substr(hash + 1);
                EXPECT_NE(read_text(target).find("id=\"" + anchor + "\""), std::string::npos)
                    << page << ": no anchor " << link;
            }
        }
    }
}

TEST(HelpPages, TheContentsLinkEveryPage) {
    std::set<std::string> linked;
    for (const std::string& link : links_of(read_text(kHelpDir / "index.html")))
        linked.insert(link.substr(0, link.find('#')));
    for (const fs::path& page : html_pages()) {
        const std::string name = page.filename().string();
        if (name == "index.html") continue;
        EXPECT_TRUE(linked.count(name)) << "index.html does not link " << name;
    }
}
