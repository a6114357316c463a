#pragma once
// Applies the night or day colour scheme to one window: the window's own
// colours when it is one of the scheme's windows (its object name is its class
// name, "TForm1", "TMoveDlg" ...), then each named control inside it that the
// scheme lists. Group boxes and caption labels take the window's colours by
// inheritance; other controls keep their own. The main window calls this for
// itself and for every dialog when "&Night Colors" is toggled.

class QWidget;

namespace orv::ui {

void ApplyColourScheme(QWidget& window, bool night);

}  // namespace orv::ui
