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
        {"&File", {{SavePointsMnu, "&Save Point Data..."}, {ExitMnu, "E&xit"}}},
        {"&Telescope",
         {{InitMnu, "&Initialization..."},
          {MoveMnu, "&Movement..."},
          {RatesMnu, "&Rates..."},
          {MiscMnu, "Mi&sc..."},
          {KAVMnu, "&KAV Control..."}}},
        {"&View", {{ErrorLogMnu, "&Status/Error Log..."}}},
        {"&Options",
         {{CommMnu, "&Communication..."},
          {NightColorsMnu, "&Night Colors", "", true},
          {PaddleMnu, "&Hand Paddle..."},
          {TimeSetupMnu, "&Time Setup..."},
          {GetDefaultsMnu, "&Get User Defaults", DefaultsSubmenu},
          {SaveDefaultsMnu, "&Save User Defaults", DefaultsSubmenu},
          {SaveSizeMnu, "Save Size/&Position", DefaultsSubmenu},
          {EraseSizeMnu, "&Erase Size/Position", DefaultsSubmenu},
          {FactoryDefaultsMnu, "&Restore Factory Defaults", DefaultsSubmenu}}},
        {"&Help",
         {{ContentsMnu, "&Contents"},
          {SearchHelpMnu, "&Search for Help On..."},
          {HowToUseHelpMnu, "&How to Use Help"},
          {AboutMnu, "&About..."}}},
    };
    return menus;
}

void OrvMainForm::SlewBtnClick() { commander_.issue(SlewCode); }

void OrvMainForm::StopBtnClick() { commander_.stop(); }

void OrvMainForm::TrailBtnClick() { commander_.issue(TrailCode); }

bool OrvMainForm::FormCloseQuery(const AskYesNo& ask) const {
    if (!ask(CloseQueryText)) return false;
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
