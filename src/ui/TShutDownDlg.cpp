#include "ui/TShutDownDlg.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QThread>
#include <QVBoxLayout>
#include <exception>
#include <thread>

#include "ui/UiSupport.h"

namespace orv::ui {

TShutDownDlg::TShutDownDlg(QWidget* parent)
    : QDialog(parent), action_(new QLabel(this)), progress_(new QProgressBar(this)) {
    setObjectName("TShutDownDlg");
    setWindowTitle(kShutDownCaption);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setModal(true);

    auto* title = new QLabel(kShutDownTitle, this);
    QFont big = title->font();
    big.setPointSizeF(big.pointSizeF() * 1.3);
    big.setBold(true);
    title->setFont(big);
    auto* wait = new QLabel(kShutDownPleaseWait, this);
    wait->setFont(big);

    auto* progressGroup = new QGroupBox(kShutDownProgressGroup, this);
    progress_->setObjectName("ProgressBar1");
    progress_->setRange(0, kShutDownSteps);
    progress_->setValue(0);
    progress_->setTextVisible(false);
    (new QVBoxLayout(progressGroup))->addWidget(progress_);

    auto* actionGroup = new QGroupBox(kShutDownActionGroup, this);
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

void TShutDownDlg::onWindowThread(std::function<void()> change) {
    if (QThread::currentThread() == thread()) change();
    else QMetaObject::invokeMethod(this, std::move(change), Qt::QueuedConnection);
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
        // Queued behind the sequence's own display calls, so the window has
        // shown its last step when the loop ends.
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
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
