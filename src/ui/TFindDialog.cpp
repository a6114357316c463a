#include "ui/TFindDialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace orv::ui {

TFindDialog::TFindDialog(Kind kind, QWidget* parent)
    : QDialog(parent),
      text_(new QLineEdit(this)),
      up_(new QRadioButton(tr("&Up"), this)),
      down_(new QRadioButton(tr("&Down"), this)),
      matchCase_(new QCheckBox(tr("Match &case"), this)),
      findNext_(new QPushButton(tr("&Find Next"), this)) {
    setObjectName(kind == Kind::Library ? "FindDialog1" : "MarkFindDialog");
    setWindowTitle(tr("Find"));
    setModal(false);

    auto* what = new QLabel(tr("Fi&nd what:"), this);
    what->setBuddy(text_);
    auto* direction = new QGroupBox(tr("Direction"), this);
    auto* directionLayout = new QHBoxLayout(direction);
    directionLayout->addWidget(up_);
    directionLayout->addWidget(down_);
    down_->setChecked(true);
    // The library compares letters as typed; the mark table ignores case.
    // Neither is a choice, so the box shows which it is and cannot be changed.
    matchCase_->setChecked(kind == Kind::Library);
    matchCase_->setEnabled(false);
    if (kind == Kind::Marks) {
        direction->hide();
        matchCase_->hide();
    }

    auto* cancel = new QPushButton(tr("Cancel"), this);
    findNext_->setDefault(true);
    findNext_->setEnabled(false);
    connect(text_, &QLineEdit::textChanged, this, [this](const QString& t) { findNext_->setEnabled(!t.isEmpty()); });
    connect(findNext_, &QPushButton::clicked, this, [this] { emit find(text(), down()); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* grid = new QGridLayout(this);
    grid->addWidget(what, 0, 0);
    grid->addWidget(text_, 0, 1, 1, 2);
    grid->addWidget(findNext_, 0, 3);
    grid->addWidget(matchCase_, 1, 0, 1, 2, Qt::AlignBottom);
    grid->addWidget(direction, 1, 2);
    grid->addWidget(cancel, 1, 3, Qt::AlignTop);
    grid->setSizeConstraint(QLayout::SetFixedSize);
}

QString TFindDialog::text() const { return text_->text(); }
void TFindDialog::setText(const QString& text) { text_->setText(text); }
bool TFindDialog::down() const { return down_->isChecked(); }
void TFindDialog::setDown(bool down) { (down ? down_ : up_)->setChecked(true); }

}  // namespace orv::ui
