#pragma once
// Small bridges between the window models and Qt: colours, the desktop's
// number locale, the beep of a refused key, UTF-8 text.

#include <QColor>
#include <QString>
#include <string>

#include "controllers/Colours.h"
#include "controllers/NumberText.h"

namespace orv::ui {

// A model colour as a Qt colour; button face is the desktop palette's button colour.
QColor ToQColor(const WindowColour& colour);

// The decimal point and thousands separator of the operator's locale.
NumberLocale DesktopNumberLocale();

// The short warning sound of a refused key or step.
void Beep();

inline QString ToQString(const std::string& text) { return QString::fromStdString(text); }
inline std::string ToStd(const QString& text) { return text.toStdString(); }

}  // namespace orv::ui
