#pragma once
// The find dialog of the library and mark grids: modeless, a text, and each
// "Find Next" one search step from the grid's current row. The library's
// search goes down or up and always matches case (the box says so); the mark
// table's goes down only, ignoring case.

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace orv::ui {

class TFindDialog : public QDialog {
    Q_OBJECT
public:
    enum class Kind { Library, Marks };
    TFindDialog(Kind kind, QWidget* parent);

    QString text() const;
    void setText(const QString& text);
    bool down() const;
    void setDown(bool down);
    QPushButton* findNextButton() const { return findNext_; }

signals:
    // One search step: the text and the direction.
    void find(const QString& text, bool down);

private:
    QLineEdit* text_;
    QRadioButton* up_;
    QRadioButton* down_;
    QCheckBox* matchCase_;
    QPushButton* findNext_;
};

}  // namespace orv::ui
