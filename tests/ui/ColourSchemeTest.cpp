#include <gtest/gtest.h>

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QStyle>
#include <QVBoxLayout>
#include <map>
#include <string>
#include <vector>

#include "ui/ColourSchemeApplier.h"

namespace orv::ui {
namespace {

struct Expected {
    std::vector<const char*> controls;
    QColor nightText, nightBack, dayText, dayBack;
};

// The scheme as the operators asked for it, written out here independently of the table in the code.
std::vector<Expected> Groups() {
    const QColor buttonFace = QApplication::style()->standardPalette().color(QPalette::Button);
    const QColor black = QColor::fromRgb(0x000000U), aqua = QColor::fromRgb(0x00FFFFU),
                 navy = QColor::fromRgb(0x000080U), lime = QColor::fromRgb(0x00FF00U),
                 yellow = QColor::fromRgb(0xFFFF00U), red = QColor::fromRgb(0xFF0000U),
                 white = QColor::fromRgb(0xFFFFFFU);
    return {
        {{"UTDateDis", "UTimeDis", "STimeDis", "JulianDis", "TeleAzmDis", "FocusDis", "EFocusDis", "DomeAzmDis"},
         aqua, black, navy, buttonFace},
        {{"TeleHADis", "TeleRADis", "TeleDecDis", "TeleEpochDis", "TeleMassDis", "TeleZenithDis", "NextHADis",
          "NextRADis", "NextDecDis", "NextEpochDis", "NextMassDis", "NextZenithDis", "TrackRADis", "TrackDecDis",
          "CorRADis", "CorDecDis", "GuideRADis", "SetRADis", "TrailRateDis", "TrailLenDis", "TrailPADis", "DomeDis",
          "ExComModeDis", "MNCPModeDis", "TCPModeDis"},
         lime, black, black, white},
        {{"ModeDis", "TargetDis", "Limit2Dis", "Limit1Dis", "SlewDis", "SlewingDis", "SettingDis", "TrailingDis"},
         yellow, black, red, black},
        {{"StatusDis", "NSEWDis"}, lime, black, lime, black},
    };
}

void ExpectColours(const QWidget& w, const QColor& text, const QColor& back, const char* when) {
    EXPECT_EQ(w.palette().color(QPalette::WindowText), text) << w.objectName().toStdString() << " " << when;
    EXPECT_EQ(w.palette().color(QPalette::Window), back) << w.objectName().toStdString() << " " << when;
}

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
