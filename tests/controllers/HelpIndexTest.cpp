#include "controllers/HelpIndex.h"

#include <gtest/gtest.h>

#include <set>

namespace orv {
namespace {

TEST(HelpIndexTest, EveryDialogTopicHasItsOwnPage) {
    std::set<std::string> pages;
    for (int topic = 1; topic <= 9; ++topic) pages.insert(HelpTopicPage(topic));
    EXPECT_EQ(pages.size(), 9u);
    EXPECT_EQ(pages.count(HelpContentsPage), 0u);
    EXPECT_EQ(HelpTopicPage(0), HelpContentsPage);
    EXPECT_EQ(HelpTopicPage(10), HelpContentsPage);
    EXPECT_EQ(HelpTopicPage(3), "topic3-rates.html");
}

TEST(HelpIndexTest, FindsPagesHoldingEveryWordTitlesFirst) {
    HelpIndex index;
    index.addPage("shutter.html", "<html><head><title>Shutter</title></head><body>It opens in 80 s.</body></html>");
    index.addPage("misc.html",
                  "<html><head><title>Misc</title><link rel=\"stylesheet\" href=\"style.css\"></head>"
                  "<body><p>The shutter, the <b>dome</b> and the dome&nbsp;azimuth; a shutter again.</p></body></html>");

    auto hits = index.search("SHUTTER");
    ASSERT_EQ(hits.size(), 2u);
    EXPECT_EQ(hits[0].page, "shutter.html");  // in the title, though named less often
    EXPECT_EQ(hits[0].title, "Shutter");
    EXPECT_EQ(hits[1].matches, 2);

    hits = index.search("  dome   shutter ");
    ASSERT_EQ(hits.size(), 1u);
    EXPECT_EQ(hits[0].page, "misc.html");
    EXPECT_EQ(index.search("dome azimuth").size(), 1u);  // the entity is a blank

    // Markup and the page head are not text.
    EXPECT_TRUE(index.search("stylesheet").empty());
    EXPECT_TRUE(index.search("<b>").empty());
    EXPECT_TRUE(index.search("").empty());
}

}  // namespace
}  // namespace orv
