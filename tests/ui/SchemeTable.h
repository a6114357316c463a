#pragma once
// The night and day colours of the listed controls as the operators asked for
// them, written out here independently of the table in the code.

#include <gtest/gtest.h>

#include <QApplication>
#include <QColor>
#include <QPalette>
#include <QStyle>
#include <QWidget>
#include <vector>

namespace orv::ui::test {

struct Expected {
    std::vector<const char*> controls;
    QColor nightText, nightBack, dayText, dayBack;
};

inline std::vector<Expected> Groups() {
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

inline void ExpectColours(const QWidget& w, const QColor& text, const QColor& back, const char* when) {
    EXPECT_EQ(w.palette().color(QPalette::WindowText), text) << w.objectName().toStdString() << " " << when;
    EXPECT_EQ(w.palette().color(QPalette::Window), back) << w.objectName().toStdString() << " " << when;
}

}  // namespace orv::ui::test
