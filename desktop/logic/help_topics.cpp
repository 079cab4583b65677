#include "desktop/logic/help_topics.h"

#include <algorithm>

namespace zemo::desktop {

namespace {

struct TopicPage {
    int topic;
    const char* page;
};

constexpr const char* kContents = "index.html";

constexpr TopicPage kTopicPages[] = {
    {0, kContents},       {211, "nastaveni.html"}, {221, "sit.html"},      {222, "latky.html"},
    {223, "zdroje.html"}, {224, "ruzice.html"},    {225, "vysledky.html"},
};

}  // namespace

std::string help_page(int topic) {
    for (const TopicPage& entry : kTopicPages)
        if (entry.topic == topic) return entry.page;
    return kContents;
}

std::vector<std::string> help_pages() {
    std::vector<std::string> pages;
    for (const TopicPage& entry : kTopicPages)
        if (std::find(pages.begin(), pages.end(), entry.page) == pages.end()) pages.emplace_back(entry.page);
    return pages;
}

}  // namespace zemo::desktop
