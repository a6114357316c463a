#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QRegularExpression>
#include <QTextBrowser>

#include "Screenshot.h"
#include "ui/THelpWindow.h"

namespace orv::ui {
namespace {

TEST(HelpWindowTest, EveryTopicOpensItsPageAndEveryLinkLeadsToAPage) {
    THelpWindow help;
    const QStringList titles = {"Initialization",       "Movement",        "Rates",
                                "Misc. Settings",       "Communications",  "Serial Settings",
                                "Point Data",           "Status/Error Log", "TCP/IP Settings"};
    for (int topic = 1; topic <= 9; ++topic) {
        help.showTopic(topic);
        EXPECT_EQ(help.browser()->documentTitle(), titles[topic - 1]) << topic;
    }

    const QStringList pages = QDir(HelpResourceDir).entryList({"*.html"});
    EXPECT_GE(pages.size(), 12);
    const QRegularExpression link("href=\"([^\"#]+)\"");
    for (const QString& page : pages) {
        QFile file(QString(HelpResourceDir) + "/" + page);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QString html = QString::fromUtf8(file.readAll());
        for (auto m = link.globalMatch(html); m.hasNext();) {
            const QString target = m.next().captured(1);
            EXPECT_TRUE(QFile::exists(QString(HelpResourceDir) + "/" + target)) << page.toStdString() << " -> "
                                                                                   << target.toStdString();
        }
    }
}

TEST(HelpWindowTest, SearchShowsTheBestPageAndAnEmptySearchTheIndex) {
    THelpWindow help;
    help.search("shutter");
    ASSERT_GT(help.results()->count(), 0);
    EXPECT_EQ(help.currentPage(), "topic4-misc.html");

    help.search("");
    EXPECT_EQ(help.currentPage(), "index.html");
    EXPECT_EQ(help.results()->count(), 0);

    help.showTopic(2);
    EXPECT_TRUE(test::SaveScreenshot(help, "help"));
}

}  // namespace
}  // namespace orv::ui
