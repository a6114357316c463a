#pragma once
// Renders a window to build/<preset>/screenshots/<name>.png for a reviewer to look at.

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QString>
#include <QWidget>

namespace orv::ui::test {

// Qt's image code spreads work over its own thread pool, whose locks the thread
// sanitizer cannot see (Qt is not built with it): under it nothing is rendered.
#if defined(__SANITIZE_THREAD__)
inline constexpr bool Renders = false;
#else
inline constexpr bool Renders = true;
#endif

// Writes the picture; true when it was written (or rendering is off in this build).
inline bool SaveScreenshot(QWidget& window, const QString& name) {
    if (!window.testAttribute(Qt::WA_Resized)) window.adjustSize();  // else its own size
    window.show();
    if (!Renders) return true;
    QDir().mkpath(ORV_SCREENSHOT_DIR);
    const QString path = QString(ORV_SCREENSHOT_DIR) + "/" + name + ".png";
    return window.grab().save(path) && QFileInfo(path).size() > 0;
}

}  // namespace orv::ui::test
