#include "ui/TShutDownDlg.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QEventLoop>
#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QThread>
#include <QVBoxLayout>
#include <exception>
#include <thread>

#include "comm/MailboxWaker.h"
#include "ui/UiSupport.h"

namespace orv::ui {

TShutDownDlg::TShutDownDlg(QWidget* parent)
    : QDialog(parent),
      waker_(new MailboxWaker([this] { runMailbox(); }, this)),
      action_(new QLabel(this)),
      progress_(new QProgressBar(this)) {
    setObjectName("TShutDownDlg");
    setWindowTitle(ShutDownCaption);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setModal(true);

    auto* title = new QLabel(ShutDownTitle, this);
    QFont big = title->font();
    big.setPointSizeF(big.pointSizeF() * 1.3);
    big.setBold(true);
    title->setFont(big);
    auto* wait = new QLabel(ShutDownPleaseWait, this);
    wait->setFont(big);

    auto* progressGroup = new QGroupBox(ShutDownProgressGroup, this);
    progress_->setObjectName("ProgressBar1");
    progress_->setRange(0, ShutDownSteps);
    progress_->setValue(0);
    progress_->setTextVisible(false);
    (new QVBoxLayout(progressGroup))->addWidget(progress_);

    auto* actionGroup = new QGroupBox(ShutDownActionGroup, this);
    action_->setObjectName("ActionDis");
    action_->setMinimumWidth(260);
    (new QVBoxLayout(actionGroup))->addWidget(action_);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(title, 0, Qt::AlignHCenter);
    layout->addWidget(wait, 0, Qt::AlignHCenter);
    layout->addWidget(progressGroup);
    layout->addWidget(actionGroup);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

// The changes travel through a mailbox under a standard mutex rather than as
// queued calls, so that the hand-over is one the thread sanitizer can follow.
void TShutDownDlg::onWindowThread(std::function<void()> change) {
    if (QThread::currentThread() == thread()) {
        change();
        return;
    }
    bool wasEmpty = false;
    {
        std::lock_guard lock(mailboxLock_);
        wasEmpty = mailbox_.empty();
        mailbox_.push_back(std::move(change));
    }
    if (wasEmpty) QCoreApplication::postEvent(waker_, new QEvent(QEvent::User));
}

void TShutDownDlg::runMailbox() {
    std::deque<std::function<void()>> changes;
    {
        std::lock_guard lock(mailboxLock_);
        changes.swap(mailbox_);
    }
    for (auto& change : changes) change();
}

void TShutDownDlg::open(int maximum) {
    onWindowThread([this, maximum] {
        progress_->setRange(0, maximum);
        progress_->setValue(0);
        action_->clear();
        show();
        raise();
        repaint();
    });
}

void TShutDownDlg::setAction(const std::string& text) {
    onWindowThread([this, text = ToQString(text)] { action_->setText(text); });
}

void TShutDownDlg::setProgress(int position) {
    onWindowThread([this, position] { progress_->setValue(position); });
}

void TShutDownDlg::close() {
    onWindowThread([this] { hide(); });
}

bool TShutDownDlg::runWithoutFreezing(const std::function<void(ShutDownDisplay&)>& sequence) {
    if (running_) return false;
    running_ = true;
    QEventLoop loop;
    std::exception_ptr failure;
    std::thread worker([&] {
        try {
            sequence(*this);
        } catch (...) {
            failure = std::current_exception();
        }
        // Behind the sequence's own display calls, so the window has shown
        // its last step when the loop ends.
        onWindowThread([&loop] { loop.quit(); });
    });
    loop.exec();
    worker.join();
    running_ = false;
    if (failure) std::rethrow_exception(failure);
    return true;
}

void TShutDownDlg::closeEvent(QCloseEvent* event) {
    if (!running_) QDialog::closeEvent(event);
    else event->ignore();
}

}  // namespace orv::ui
