#pragma once
// The receiver of wake-up events posted from other threads to hand work to the
// Qt thread through a mailbox under a standard mutex. It receives those events
// and nothing else, so it never looks at an event to know what it means: the
// event was made on another thread, and Qt's hand-over of it is one the thread
// sanitizer cannot follow.

#include <functional>
#include <utility>

#include <QObject>

namespace orv {

class MailboxWaker final : public QObject {
public:
    explicit MailboxWaker(std::function<void()> onWake, QObject* parent = nullptr)
        : QObject(parent), onWake_(std::move(onWake)) {}
    bool event(QEvent* e) override {
        onWake_();
        return QObject::event(e);
    }

private:
    std::function<void()> onWake_;
};

}  // namespace orv
