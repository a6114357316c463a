#pragma once
// The frame the operator's dialogs share: modeless, created once and kept for
// the run, opened centred on the screen, Escape and "Close" hide it, the help
// button shows the dialog's help topic, and the object name is the class name
// so that the colour scheme finds it.

#include <QDialog>
#include <QString>
#include <functional>
#include <optional>
#include <string>

#include "config/MarkTable.h"

class QBoxLayout;
class QGridLayout;
class QHBoxLayout;
class QLabel;
class QPushButton;
class QTabWidget;

namespace orv::ui {

class THelpWindow;

// The message boxes and file dialogs a dialog shows, replaceable for tests.
struct DialogHooks {
    std::function<void(const QString&)> warn;                  // warning, OK button
    std::function<void(const QString&)> error;                 // error, OK button
    std::function<SaveAnswer(const std::string&)> askSave;     // Yes / No / Cancel
    // Save and open dialogs: the filter ("name|patterns|..."), the default
    // extension and the file name to start with; nullopt when cancelled.
    std::function<std::optional<std::string>(const char* filter, const char* extension,
                                             const std::string& current)> chooseSaveName;
    std::function<std::optional<std::string>(const char* filter)> chooseOpenName;
};

// The Qt form of a filter list "Zev Mark Files|*.mrk|All Files|*.*|":
// "Zev Mark Files (*.mrk);;All Files (*)" ("*.*" matches every file, also one without a dot).
QString QtFileFilter(const char* filter);

class TOrvDialog : public QDialog {
    Q_OBJECT
public:
    // Shows the dialog, centred on the screen when it was hidden, and brings it forward.
    void showCentred();

    // The help window the help button opens; without one the dialog makes its own.
    void setHelpWindow(THelpWindow* help) { help_ = help; }
    THelpWindow* helpWindow();
    int helpTopic() const { return helpTopic_; }

    const DialogHooks& hooks() const { return hooks_; }
    void setHooks(DialogHooks hooks) { hooks_ = std::move(hooks); }

protected:
    TOrvDialog(const char* className, const QString& caption, int helpTopic, QWidget* parent);

    // The row below the pages: `extra` buttons, then "Close" and the help button.
    QHBoxLayout* makeButtonRow(std::initializer_list<QPushButton*> extra);
    // A page of `pages` holding one group box with a grid layout.
    QGridLayout* addPageGroup(QTabWidget* pages, const QString& pageCaption, const QString& groupCaption);
    // A caption beside a control, in the next row of `grid`.
    static void addCaptioned(QGridLayout* grid, const QString& caption, QWidget* control);
    QPushButton* makeButton(const char* name, const QString& caption);
    // Pages take the window's colours (also the night scheme's), and the tab
    // captions stay readable on the tabs, which keep the button colours.
    static void followWindowColours(QTabWidget* pages);
    // The button Enter presses while page `page` of `pages` is shown (nullptr: none).
    void setPageDefaults(QTabWidget* pages, std::vector<QPushButton*> defaults);

private:
    int helpTopic_;
    THelpWindow* help_ = nullptr;
    DialogHooks hooks_;
};

}  // namespace orv::ui
