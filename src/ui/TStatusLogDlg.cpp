#include "ui/TStatusLogDlg.h"

#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBlock>
#include <QVBoxLayout>

#include "core/StatusLog.h"
#include "ui/UiSupport.h"

namespace orv::ui {

TStatusLogDlg::TStatusLogDlg(QWidget* parent) : QDialog(parent), text_(new QPlainTextEdit(this)) {
    setObjectName("TStatusLogDlg");
    setWindowTitle(StatusLogCaption);
    setModal(false);

    text_->setObjectName("StatusMemo");
    text_->setReadOnly(true);
    text_->setLineWrapMode(QPlainTextEdit::NoWrap);
    text_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    text_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    text_->setMaximumBlockCount(static_cast<int>(StatusLog::MaxLines));
    text_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* close = buttons->addButton(tr("Close"), QDialogButtonBox::RejectRole);
    QPushButton* help = buttons->addButton(tr("Help"), QDialogButtonBox::HelpRole);
    close->setAutoDefault(false);
    help->setAutoDefault(false);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::hide);
    connect(help, &QPushButton::clicked, this, [this] { emit helpRequested(StatusLogHelpTopic); });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(StatusLogLimitLabel, this));
    layout->addWidget(text_, 1);
    layout->addWidget(buttons);
    setFocusProxy(text_);
    resize(480, 360);
}

void TStatusLogDlg::showLog(const StatusLog& log) {
    text_->clear();
    appendLines(log.lines());
}

void TStatusLogDlg::appendLines(const std::vector<std::string>& lines) {
    // Follow the newest line unless the operator has scrolled back to read.
    QScrollBar* bar = text_->verticalScrollBar();
    const bool atFoot = bar->value() == bar->maximum();
    for (const auto& line : lines) text_->appendPlainText(ToQString(line));
    if (atFoot) bar->setValue(bar->maximum());
}

std::vector<std::string> TStatusLogDlg::shownLines() const {
    std::vector<std::string> lines;
    if (text_->document()->isEmpty()) return lines;
    for (QTextBlock block = text_->document()->begin(); block.isValid(); block = block.next())
        lines.push_back(ToStd(block.text()));
    return lines;
}

}  // namespace orv::ui
