#include "controllers/ColourScheme.h"

#include <array>
#include <utility>

namespace orv {

namespace {

struct GroupColours {
    SchemeColours night, day;
};

constexpr std::array<GroupColours, 5> Colours = {{
    {{Silver, Black}, {Black, ButtonFace}},  // Windows
    {{Aqua, Black}, {Navy, ButtonFace}},     // TimeValues
    {{Lime, Black}, {Black, White}},         // ValuePanels
    {{Yellow, Black}, {Red, Black}},         // Alarms
    {{Lime, Black}, {Lime, Black}},          // Status
}};

constexpr std::pair<std::string_view, SchemeGroup> Members[] = {
    // Windows.
    {"TForm1", SchemeGroup::Windows},
    {"TInitializeDlg", SchemeGroup::Windows},
    {"TCommDlg", SchemeGroup::Windows},
    {"TSettingsDlg", SchemeGroup::Windows},
    {"TAboutDlg", SchemeGroup::Windows},
    {"TStatusLogDlg", SchemeGroup::Windows},
    {"TMiscDlg", SchemeGroup::Windows},
    {"TMoveDlg", SchemeGroup::Windows},
    {"TPointDlg", SchemeGroup::Windows},
    {"TRatesDlg", SchemeGroup::Windows},
    {"TTCPSettingsDlg", SchemeGroup::Windows},
    {"TKAVDlg", SchemeGroup::Windows},
    // Time and values.
    {"UTDateDis", SchemeGroup::TimeValues},
    {"UTimeDis", SchemeGroup::TimeValues},
    {"STimeDis", SchemeGroup::TimeValues},
    {"JulianDis", SchemeGroup::TimeValues},
    {"TeleAzmDis", SchemeGroup::TimeValues},
    {"FocusDis", SchemeGroup::TimeValues},
    {"EFocusDis", SchemeGroup::TimeValues},
    {"DomeAzmDis", SchemeGroup::TimeValues},
    // Value panels: the twelve of "Telescope Position", the rates, dome and channels.
    {"TeleHADis", SchemeGroup::ValuePanels},
    {"TeleRADis", SchemeGroup::ValuePanels},
    {"TeleDecDis", SchemeGroup::ValuePanels},
    {"TeleEpochDis", SchemeGroup::ValuePanels},
    {"TeleMassDis", SchemeGroup::ValuePanels},
    {"TeleZenithDis", SchemeGroup::ValuePanels},
    {"NextHADis", SchemeGroup::ValuePanels},
    {"NextRADis", SchemeGroup::ValuePanels},
    {"NextDecDis", SchemeGroup::ValuePanels},
    {"NextEpochDis", SchemeGroup::ValuePanels},
    {"NextMassDis", SchemeGroup::ValuePanels},
    {"NextZenithDis", SchemeGroup::ValuePanels},
    {"TrackRADis", SchemeGroup::ValuePanels},
    {"TrackDecDis", SchemeGroup::ValuePanels},
    {"CorRADis", SchemeGroup::ValuePanels},
    {"CorDecDis", SchemeGroup::ValuePanels},
    {"GuideRADis", SchemeGroup::ValuePanels},
    {"SetRADis", SchemeGroup::ValuePanels},
    {"TrailRateDis", SchemeGroup::ValuePanels},
    {"TrailLenDis", SchemeGroup::ValuePanels},
    {"TrailPADis", SchemeGroup::ValuePanels},
    {"DomeDis", SchemeGroup::ValuePanels},
    {"ExComModeDis", SchemeGroup::ValuePanels},
    {"MNCPModeDis", SchemeGroup::ValuePanels},
    {"TCPModeDis", SchemeGroup::ValuePanels},
    // Alarms.
    {"ModeDis", SchemeGroup::Alarms},
    {"TargetDis", SchemeGroup::Alarms},
    {"Limit2Dis", SchemeGroup::Alarms},
    {"Limit1Dis", SchemeGroup::Alarms},
    {"SlewDis", SchemeGroup::Alarms},
    {"SlewingDis", SchemeGroup::Alarms},
    {"SettingDis", SchemeGroup::Alarms},
    {"TrailingDis", SchemeGroup::Alarms},
    // Status.
    {"StatusDis", SchemeGroup::Status},
    {"NSEWDis", SchemeGroup::Status},
};

}  // namespace

SchemeColours ColoursOf(SchemeGroup group, bool night) {
    const GroupColours& c = Colours[static_cast<size_t>(group)];
    return night ? c.night : c.day;
}

std::optional<SchemeGroup> SchemeGroupOf(std::string_view name) {
    for (const auto& [member, group] : Members)
        if (member == name) return group;
    return std::nullopt;
}

}  // namespace orv
