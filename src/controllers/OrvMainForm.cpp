#include "controllers/OrvMainForm.h"

#include "core/Commander.h"

namespace orv {

namespace {

constexpr int SlewCode = 12;
constexpr int TrailCode = 11;
constexpr const char* DefaultsSubmenu = "&Defaults";

}  // namespace

const std::vector<MainMenu>& MainMenus() {
    static const std::vector<MainMenu> menus = {
        {"&File", {{kSavePointsMnu, "&Save Point Data..."}, {kExitMnu, "E&xit"}}},
        {"&Telescope",
         {{kInitMnu, "&Initialization..."},
          {kMoveMnu, "&Movement..."},
          {kRatesMnu, "&Rates..."},
          {kMiscMnu, "Mi&sc..."},
          {kKAVMnu, "&KAV Control..."}}},
        {"&View", {{kErrorLogMnu, "&Status/Error Log..."}}},
        {"&Options",
         {{kCommMnu, "&Communication..."},
          {kNightColorsMnu, "&Night Colors", "", true},
          {kPaddleMnu, "&Hand Paddle..."},
          {kTimeSetupMnu, "&Time Setup..."},
          {kGetDefaultsMnu, "&Get User Defaults", DefaultsSubmenu},
          {kSaveDefaultsMnu, "&Save User Defaults", DefaultsSubmenu},
          {kSaveSizeMnu, "Save Size/&Position", DefaultsSubmenu},
          {kEraseSizeMnu, "&Erase Size/Position", DefaultsSubmenu},
          {kFactoryDefaultsMnu, "&Restore Factory Defaults", DefaultsSubmenu}}},
        {"&Help",
         {{kContentsMnu, "&Contents"},
          {kSearchHelpMnu, "&Search for Help On..."},
          {kHowToUseHelpMnu, "&How to Use Help"},
          {kAboutMnu, "&About..."}}},
    };
    return menus;
}

void OrvMainForm::SlewBtnClick() { commander_.issue(SlewCode); }

void OrvMainForm::StopBtnClick() { commander_.stop(); }

void OrvMainForm::TrailBtnClick() { commander_.issue(TrailCode); }

bool OrvMainForm::FormCloseQuery(const AskYesNo& ask) const {
    if (!ask(kCloseQuestion)) return false;
    for (const auto& question : closeQuestions_)
        if (!question()) return false;
    return true;
}

bool OrvMainForm::FormActivate() {
    if (!AppStarted_) return false;
    AppStarted_ = false;
    return true;
}

}  // namespace orv
