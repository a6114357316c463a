#pragma once
// The About box: modal, without title-bar buttons, a black panel with the
// emblem, the product name, its description and the version line from the
// program file's date, and one OK button.

#include <QDialog>
#include <QString>

class QLabel;

namespace orv::ui {

inline constexpr const char* AboutCaption = "About Orv";
inline constexpr const char* AboutProduct = "Orv";
inline constexpr const char* AboutDescription = "Telescope Control System";

class TAboutDlg : public QDialog {
    Q_OBJECT
public:
    // `programFile`: the file whose date gives the version; the running program when empty.
    explicit TAboutDlg(QWidget* parent = nullptr, const QString& programFile = {});

    QString versionLine() const;

private:
    QLabel* version_;
};

}  // namespace orv::ui
