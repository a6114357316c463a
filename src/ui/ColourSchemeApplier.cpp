#include "ui/ColourSchemeApplier.h"

#include <QPalette>
#include <QWidget>

#include "controllers/ColourScheme.h"
#include "ui/UiSupport.h"

namespace orv::ui {

namespace {

void Paint(QWidget& widget, const SchemeColours& colours) {
    QPalette palette = widget.palette();
    const QColor text = ToQColor(colours.text), background = ToQColor(colours.background);
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::Window, background);
    widget.setPalette(palette);
}

}  // namespace

void ApplyColourScheme(QWidget& window, bool night) {
    if (const auto group = SchemeGroupOf(ToStd(window.objectName())); group == SchemeGroup::Windows)
        Paint(window, ColoursOf(SchemeGroup::Windows, night));
    for (QWidget* child : window.findChildren<QWidget*>()) {
        const auto group = SchemeGroupOf(ToStd(child->objectName()));
        if (!group || *group == SchemeGroup::Windows) continue;
        const SchemeColours colours = ColoursOf(*group, night);
        // On the button face the control lets its window show through, which
        // is that colour, so it does not stand out from a group box's shading.
        child->setAutoFillBackground(!colours.background.buttonFace);
        Paint(*child, colours);
    }
}

}  // namespace orv::ui
