#include "ui/TAboutDlg.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "controllers/AboutVersion.h"
#include "ui/TOrvEmblem.h"
#include "ui/UiSupport.h"

namespace orv::ui {

namespace {

QLabel* PanelLabel(const QString& text, QWidget* parent, const QColor& colour, double scale, bool bold) {
    auto* label = new QLabel(text, parent);
    QFont font = label->font();
    font.setPointSizeF(font.pointSizeF() * scale);
    font.setBold(bold);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
    return label;
}

}  // namespace

TAboutDlg::TAboutDlg(QWidget* parent, const QString& programFile) : QDialog(parent) {
    setObjectName("TAboutDlg");
    setWindowTitle(AboutCaption);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setModal(true);

    auto* panel = new QFrame(this);
    panel->setObjectName("Panel1");
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Sunken);
    panel->setAutoFillBackground(true);
    QPalette black = panel->palette();
    black.setColor(QPalette::Window, Qt::black);
    panel->setPalette(black);

    const QString file = programFile.isEmpty() ? QCoreApplication::applicationFilePath() : programFile;
    const auto line = AboutVersionLineOfFile(ToStd(file));
    version_ = PanelLabel(ToQString(line.value_or("Version 0")), panel, QColor(0xC0, 0xC0, 0xC0), 1.0, false);

    auto* text = new QVBoxLayout;
    text->addWidget(PanelLabel(AboutProduct, panel, Qt::white, 2.4, true));
    text->addWidget(PanelLabel(AboutDescription, panel, QColor(0x00, 0xFF, 0xFF), 1.2, false));
    text->addSpacing(12);
    text->addWidget(version_);
    text->addStretch();

    auto* inside = new QHBoxLayout(panel);
    inside->setContentsMargins(14, 14, 18, 14);
    inside->setSpacing(16);
    inside->addWidget(new TOrvEmblem(panel), 0, Qt::AlignTop);
    inside->addLayout(text, 1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(panel);
    layout->addWidget(buttons, 0, Qt::AlignHCenter);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

QString TAboutDlg::versionLine() const { return version_->text(); }

}  // namespace orv::ui
