#include "ui/UiSupport.h"

#include <QApplication>
#include <QLocale>
#include <QPalette>
#include <QStyle>

namespace orv::ui {

QColor ToQColor(const WindowColour& colour) {
    // The style's own palette, not the application's, which a colour scheme may have changed.
    if (colour.buttonFace) return QApplication::style()->standardPalette().color(QPalette::Button);
    return QColor::fromRgb(colour.rgb);
}

NumberLocale DesktopNumberLocale() {
    const QLocale locale;
    NumberLocale result;
    const QString decimal = locale.decimalPoint(), group = locale.groupSeparator();
    if (!decimal.isEmpty()) result.decimal = decimal.toUcs4().front();
    if (!group.isEmpty()) result.thousands = group.toUcs4().front();
    return result;
}

void Beep() { QApplication::beep(); }

}  // namespace orv::ui
