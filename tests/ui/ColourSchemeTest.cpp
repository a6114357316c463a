#include <gtest/gtest.h>

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QStyle>
#include <QVBoxLayout>
#include <map>
#include <string>
#include <vector>

#include "SchemeTable.h"
#include "ui/ColourSchemeApplier.h"

namespace orv::ui {
namespace {

using test::ExpectColours;
using test::Groups;

TEST(ColourSchemeTest, NightAndBackGivesEveryListedControlItsColours) {
    QWidget window;
    window.setObjectName("TForm1");
    auto* layout = new QVBoxLayout(&window);
    std::map<std::string, QLabel*> labels;
    for (const auto& group : Groups())
        for (const char* name : group.controls) {
            auto* label = new QLabel(name, &window);
            label->setObjectName(name);
            layout->addWidget(label);
            labels[name] = label;
        }
    // A caption inside a group box follows the window; CloudsDis keeps its designed colours.
    auto* box = new QGroupBox("Time/Date", &window);
    auto* caption = new QLabel(" UT:", box);
    auto* clouds = new QLabel("CLOUDS", &window);
    clouds->setObjectName("CloudsDis");
    QPalette designed = clouds->palette();
    designed.setColor(QPalette::WindowText, Qt::white);
    designed.setColor(QPalette::Window, Qt::blue);
    clouds->setPalette(designed);

    const QColor buttonFace = QApplication::style()->standardPalette().color(QPalette::Button);
    for (const bool night : {true, false, true, false}) {
        ApplyColourScheme(window, night);
        const char* when = night ? "night" : "day";
        for (const auto& group : Groups())
            for (const char* name : group.controls)
                ExpectColours(*labels[name], night ? group.nightText : group.dayText,
                              night ? group.nightBack : group.dayBack, when);
        const QColor windowText = night ? QColor::fromRgb(0xC0C0C0U) : QColor(Qt::black);  // silver at night
        const QColor windowBack = night ? QColor(Qt::black) : buttonFace;
        ExpectColours(window, windowText, windowBack, when);
        ExpectColours(*caption, windowText, windowBack, when);
        ExpectColours(*clouds, Qt::white, Qt::blue, when);
    }
}

TEST(ColourSchemeTest, WindowsOutsideTheSchemeKeepTheirColours) {
    QWidget paddle;
    paddle.setObjectName("TPaddleDlg");
    const QPalette before = paddle.palette();
    ApplyColourScheme(paddle, true);
    EXPECT_EQ(paddle.palette().color(QPalette::Window), before.color(QPalette::Window));
}

}  // namespace
}  // namespace orv::ui
