#pragma once
// The help pages: which page each dialog's help topic number opens, and the
// keyword search over the pages' text behind "Search for Help On...".

#include <string>
#include <string_view>
#include <vector>

namespace orv {

inline constexpr const char* HelpContentsPage = "contents.html";
inline constexpr const char* HelpIndexPage = "index.html";
inline constexpr const char* HelpOnHelpPage = "using-help.html";

// The page of a help topic: 1 Initialization, 2 Movement, 3 Rates, 4 Misc,
// 5 Communication, 6 Serial settings, 7 Point data, 8 Status log, 9 TCP/IP
// settings; the contents for any other number.
std::string HelpTopicPage(int topic);

struct HelpHit {
    std::string page;
    std::string title;
    int matches = 0;  // how often the words occur in the page
};

class HelpIndex {
public:
    // Adds a page from its HTML; its title is the text of <title>.
    void addPage(const std::string& page, std::string_view html);

    // The pages holding every word of `keywords` (upper and lower case alike),
    // pages whose title holds a word first, then by number of matches. No words, no pages.
    std::vector<HelpHit> search(std::string_view keywords) const;

    // The readable text of an HTML page: tags dropped, the common entities decoded.
    static std::string PlainText(std::string_view html);

private:
    struct Page {
        std::string page, title, lowerTitle, lowerText;
    };
    std::vector<Page> pages_;
};

}  // namespace orv
