#pragma once
// Renders a window to build/<preset>/screenshots/<name>.png for a reviewer to look at.

#include <QDir>
#include <QPixmap>
#include <QString>
#include <QWidget>

namespace orv::ui::test {

inline QString SaveScreenshot(QWidget& window, const QString& name) {
    QDir().mkpath(ORV_SCREENSHOT_DIR);
    if (!window.testAttribute(Qt::WA_Resized)) window.adjustSize();  // else its own size
    window.show();
    const QString path = QString(ORV_SCREENSHOT_DIR) + "/" + name + ".png";
    window.grab().save(path);
    return path;
}

}  // namespace orv::ui::test
