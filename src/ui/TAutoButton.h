#pragma once
// An arrow button that steps once when pressed and keeps stepping while held
// (first repeat after 400 ms, then every 100 ms), as long as the pointer
// stays on it. It takes no keyboard focus, so the field it serves keeps it.

#include <QTimer>
#include <QToolButton>

#include "controllers/AutoRepeat.h"

namespace orv::ui {

class TAutoButton : public QToolButton {
    Q_OBJECT
public:
    explicit TAutoButton(Qt::ArrowType arrow, QWidget* parent = nullptr);

signals:
    void stepped();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    class Timer final : public RepeatTimer {
    public:
        QTimer qtimer;
        void start(int ms) override { qtimer.start(ms); }
        void stop() override { qtimer.stop(); }
    };
    Timer timer_;
    AutoRepeat repeat_;
};

// The up and down arrows of a spin, one above the other.
class TSpinButtons : public QWidget {
    Q_OBJECT
public:
    explicit TSpinButtons(QWidget* parent = nullptr);
    TAutoButton* upButton() const { return up_; }
    TAutoButton* downButton() const { return down_; }

signals:
    // +1 for up, -1 for down.
    void stepped(int direction);

private:
    TAutoButton* up_;
    TAutoButton* down_;
};

}  // namespace orv::ui
