#include "controllers/HelpIndex.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <sstream>
#include <utility>

namespace orv {

namespace {

std::string Lower(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return std::tolower(c); });
    return out;
}

int Count(const std::string& haystack, const std::string& needle) {
    int n = 0;
    for (size_t at = haystack.find(needle); at != std::string::npos; at = haystack.find(needle, at + needle.size())) ++n;
    return n;
}

}  // namespace

std::string HelpTopicPage(int topic) {
    static constexpr std::array<const char*, 9> Pages = {
        "topic1-initialization.html", "topic2-movement.html",         "topic3-rates.html",
        "topic4-misc.html",           "topic5-communication.html",    "topic6-serial-settings.html",
        "topic7-point-data.html",     "topic8-status-log.html",       "topic9-tcpip-settings.html",
    };
    if (topic < 1 || topic > static_cast<int>(Pages.size())) return HelpContentsPage;
    return Pages[static_cast<size_t>(topic - 1)];
}

std::string HelpIndex::PlainText(std::string_view html) {
    static constexpr std::pair<std::string_view, std::string_view> Entities[] = {
        {"&amp;", "&"}, {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&nbsp;", " "}, {"&deg;", "°"}};
    std::string text;
    bool inTag = false;
    for (size_t i = 0; i < html.size(); ++i) {
        const char c = html[i];
        if (inTag) {
            if (c == '>') {
                inTag = false;
                text += ' ';
            }
            continue;
        }
        if (c == '<') {
            inTag = true;
            continue;
        }
        if (c == '&') {
            const auto entity = std::find_if(std::begin(Entities), std::end(Entities),
                                             [&](const auto& e) { return html.substr(i).starts_with(e.first); });
            if (entity != std::end(Entities)) {
                text += entity->second;
                i += entity->first.size() - 1;
                continue;
            }
        }
        text += c;
    }
    return text;
}

void HelpIndex::addPage(const std::string& page, std::string_view html) {
    std::string title;
    const std::string lowerHtml = Lower(html);
    const auto open = lowerHtml.find("<title>");
    const auto close = lowerHtml.find("</title>");
    if (open != std::string::npos && close != std::string::npos && close > open)
        title = std::string(html.substr(open + 7, close - open - 7));
    // The head (title, style sheet) is not text the operator reads.
    const auto body = lowerHtml.find("<body");
    const std::string text = PlainText(body == std::string::npos ? html : html.substr(body));
    pages_.push_back({page, title, Lower(title), Lower(title + " " + text)});
}

std::vector<HelpHit> HelpIndex::search(std::string_view keywords) const {
    std::vector<std::string> words;
    std::istringstream in{Lower(keywords)};
    for (std::string word; in >> word;) words.push_back(word);
    if (words.empty()) return {};

    struct Ranked {
        HelpHit hit;
        bool inTitle;
    };
    std::vector<Ranked> ranked;
    for (const Page& p : pages_) {
        int matches = 0;
        bool all = true, inTitle = false;
        for (const auto& word : words) {
            const int n = Count(p.lowerText, word);
            all = all && n > 0;
            matches += n;
            inTitle = inTitle || p.lowerTitle.find(word) != std::string::npos;
        }
        if (all) ranked.push_back({{p.page, p.title, matches}, inTitle});
    }
    std::stable_sort(ranked.begin(), ranked.end(), [](const Ranked& a, const Ranked& b) {
        if (a.inTitle != b.inTitle) return a.inTitle;
        return a.hit.matches > b.hit.matches;
    });
    std::vector<HelpHit> hits;
    for (auto& r : ranked) hits.push_back(std::move(r.hit));
    return hits;
}

}  // namespace orv
