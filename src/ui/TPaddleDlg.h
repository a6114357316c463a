#pragma once
// The Hand Paddle window: eight direction buttons held with the mouse, or with
// the arrow keys while the window has the focus (Shift for set speed), and the
// speed choice. OrvPaddle turns them into the on-screen paddle's byte, which
// counts only while the window is shown. Modeless, on top, created once.

#include <array>

#include "controllers/OrvPaddle.h"
#include "ui/TOrvDialog.h"

class QButtonGroup;
class QPushButton;

namespace orv::ui {

class TPaddleDlg : public TOrvDialog {
    Q_OBJECT
public:
    explicit TPaddleDlg(VirtualPaddle& paddle, QWidget* parent = nullptr);

    // "&Hand Paddle...": shows the window.
    void PaddleMnuClick() { showCentred(); }

    OrvPaddle& controller() { return controller_; }
    QPushButton* button(PaddleButton b) const { return buttons_[static_cast<size_t>(b)]; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // True when the key event was the paddle's.
    bool paddleKey(QEvent* event);

    OrvPaddle controller_;
    std::array<QPushButton*, 8> buttons_{};
    QButtonGroup* speed_;
};

}  // namespace orv::ui
