#pragma once
// What the main window (`TForm1`) does, without the toolkit: its menus, the
// three motion buttons, the close query with the questions that follow it,
// the night colour scheme and the first activation. The Qt window builds its
// menus from `MainMenus()` and forwards clicks here.

#include <functional>
#include <string>
#include <vector>

namespace orv {

class Commander;

inline constexpr const char* MainCaption = "Zev - Telescope Control System";
inline constexpr int MainDesignedWidth = 567;    // pixels
inline constexpr int MainDesignedHeight = 579;
inline constexpr const char* CloseQueryText = "Are you sure you want to terminate Orv?";

inline constexpr const char* SlewBtnCaption = "Start Slew";
inline constexpr const char* StopBtnCaption = "Stop";
inline constexpr const char* TrailBtnCaption = "Start Trail";

// One item of the menu bar. `name` is the item's control name ("ErrorLogMnu");
// `submenu` is the caption of the submenu it sits in, or empty.
struct MainMenuItem {
    const char* name;
    const char* caption;
    const char* submenu = "";
    bool checkable = false;
};

struct MainMenu {
    const char* caption;
    std::vector<MainMenuItem> items;
};

// The menu bar, left to right, each menu's items top to bottom.
const std::vector<MainMenu>& MainMenus();

// The items that open a dialog: greyed until the dialog is attached to them.
inline constexpr const char* SavePointsMnu = "SavePointsMnu";
inline constexpr const char* InitMnu = "InitMnu";
inline constexpr const char* MoveMnu = "MoveMnu";
inline constexpr const char* RatesMnu = "RatesMnu";
inline constexpr const char* MiscMnu = "MiscMnu";
inline constexpr const char* KAVMnu = "KAVMnu";
inline constexpr const char* CommMnu = "CommMnu";
inline constexpr const char* PaddleMnu = "PaddleMnu";
inline constexpr const char* TimeSetupMnu = "TimeSetupMnu";
// The items the main window serves itself.
inline constexpr const char* ExitMnu = "ExitMnu";
inline constexpr const char* ErrorLogMnu = "ErrorLogMnu";
inline constexpr const char* NightColorsMnu = "NightColorsMnu";
inline constexpr const char* ContentsMnu = "ContentsMnu";
inline constexpr const char* SearchHelpMnu = "SearchHelpMnu";
inline constexpr const char* HowToUseHelpMnu = "HowToUseHelpMnu";
inline constexpr const char* AboutMnu = "AboutMnu";
// The Options/Defaults items, served by `UserDefaultsActions`.
inline constexpr const char* GetDefaultsMnu = "GetDefaultsMnu";
inline constexpr const char* SaveDefaultsMnu = "SaveDefaultsMnu";
inline constexpr const char* SaveSizeMnu = "SaveSizeMnu";
inline constexpr const char* EraseSizeMnu = "EraseSizeMnu";
inline constexpr const char* FactoryDefaultsMnu = "FactoryDefaultsMnu";

// The operator's defaults in the initialisation file, as the Defaults menu
// uses them. Failures are the implementation's to report.
class UserDefaultsActions {
public:
    virtual ~UserDefaultsActions() = default;
    virtual void GetUserDefaults() = 0;
    virtual void SaveUserDefaults() = 0;
    virtual void SaveSizePosition() = 0;
    virtual void EraseSizePosition() = 0;
    virtual void RestoreFactoryDefaults() = 0;
    // The window's first activation.
    virtual void FormActivated() { GetUserDefaults(); }
};

class OrvMainForm {
public:
    // Asks the operator a Yes/No question; true for Yes.
    using AskYesNo = std::function<bool(const std::string& question)>;
    // A question asked after the close was confirmed (unsaved points, unsaved
    // marks); false keeps the program running.
    using CloseQuestion = std::function<bool()>;

    explicit OrvMainForm(Commander& commander) : commander_(commander) {}

    // "Start Slew": code 12. "Stop": StopRequest, then code 13. "Start Trail": code 11.
    void SlewBtnClick();
    void StopBtnClick();
    void TrailBtnClick();

    // Whether the window may close: "Are you sure you want to terminate Orv?",
    // then each close question in the order added. Nothing else is asked after
    // a No or a question that keeps the program running.
    bool FormCloseQuery(const AskYesNo& ask) const;
    void addCloseQuestion(CloseQuestion question) { closeQuestions_.push_back(std::move(question)); }

    // The check mark of "&Night Colors": the night scheme is shown while it is set.
    bool nightColors() const { return night_; }
    void setNightColors(bool night) { night_ = night; }
    // The menu item's click: returns the new state.
    bool NightColorsClick() { return night_ = !night_; }

    // True on the window's first activation only (then the user defaults load).
    bool FormActivate();

private:
    Commander& commander_;
    std::vector<CloseQuestion> closeQuestions_;
    bool night_ = false;
    bool AppStarted_ = true;
};

}  // namespace orv
