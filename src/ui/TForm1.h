#pragma once
// The main window: the live display of time, position, rates, modes and
// channels, the three motion buttons and the menus. It shows what the display
// model holds after each tick and forwards every click to its controller
// (`OrvMainForm`) or to the window the click opens; it writes no shared state.
//
// Dialogs built elsewhere join through attachDialog, which enables their
// greyed menu item, and followColourScheme, which gives them the night and
// day colours with this window.

#include <QMainWindow>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "controllers/DisplayModel.h"
#include "controllers/OrvMainForm.h"

class QAction;
class QLabel;
class QPushButton;

namespace orv::ui {

class TOnOffBox;
class TStatusLogDlg;
class TAboutDlg;
class THelpWindow;

class TForm1 : public QMainWindow {
    Q_OBJECT
public:
    explicit TForm1(OrvMainForm& form, QWidget* parent = nullptr);
    ~TForm1() override;

    // Writes every field of the display from the model's controls (each tick).
    void showControls(const DisplayControls& controls);

    // Makes the menu item `menuItemName` (MoveMnu, RatesMnu ...) open a
    // dialog: `open` runs on each click, and the item is no longer greyed.
    // False when there is no such item.
    bool attachDialog(const std::string& menuItemName, std::function<void()> open);
    // `window` takes the night and day colours with this window from now on.
    void followColourScheme(QWidget& window);
    // Serves the Defaults menu (greyed until given) and loads the defaults on
    // the first activation. Not owned; null greys the menu again.
    void setUserDefaults(UserDefaultsActions* defaults);

    // "&Night Colors": checks or unchecks the item and applies the scheme at once.
    void setNightColors(bool night);
    bool nightColors() const { return form_.nightColors(); }

    // How Yes/No questions are asked (a message box unless replaced, e.g. by tests).
    void setAskYesNo(OrvMainForm::AskYesNo ask) { ask_ = std::move(ask); }
    // Runs, once the operator has confirmed closing, on the event loop: the
    // program's close sequence.
    void setOnCloseConfirmed(std::function<void()> onConfirmed) { onCloseConfirmed_ = std::move(onConfirmed); }
    // While the program closes, the operator's closes are refused; once it
    // has closed, the window closes without a question.
    void setClosing() { closing_ = true; }
    void setClosed() { closed_ = true; }

    QAction* menuItem(const std::string& name) const;
    QPushButton* button(const char* name) const;
    TStatusLogDlg& statusLog() { return *statusLog_; }
    THelpWindow& help() { return *help_; }
    TAboutDlg& about() { return *about_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void buildMenus();
    QWidget* buildDisplay();
    QWidget* buildButtons();
    // A display field; a sunken panel wide enough for `widest`, or a plain label when null.
    QLabel* field(const char* name, std::string DisplayControls::*value, QWidget* parent, const char* widest);
    TOnOffBox* indicator(const char* name, bool DisplayControls::*value, QWidget* parent);
    void applyColourScheme();
    void enableDefaultsMenu(bool enabled);

    OrvMainForm& form_;
    OrvMainForm::AskYesNo ask_;
    std::function<void()> onCloseConfirmed_;
    UserDefaultsActions* defaults_ = nullptr;
    bool closing_ = false;
    bool closed_ = false;

    struct TextField {
        QLabel* label;
        std::string DisplayControls::*value;
        std::string shown;
    };
    struct OnOffField {
        TOnOffBox* box;
        bool DisplayControls::*value;
    };
    std::vector<TextField> textFields_;
    std::vector<OnOffField> onOffFields_;
    std::map<std::string, QAction*> menuItems_;
    std::vector<QWidget*> schemed_;

    TStatusLogDlg* statusLog_;
    TAboutDlg* about_;
    THelpWindow* help_;
};

}  // namespace orv::ui
