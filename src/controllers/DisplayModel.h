#pragma once
// The main window's live display: every label, panel and on/off box that shows
// the telescope's state, filled from the shared state by the display timer.
//
// The model runs on the user-interface thread. It only reads the shared state,
// except that each slow refresh clears the tracking-rate-select input bit (0x80
// of StatusFlags3), which the input monitor sets again while that input is held.
// The window (or the headless program) shows `controls()` after each tick; the
// status-log lines taken over on each tick go to the log sink.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace orv {

class System;
class ChannelModes;

// The controls of the main window, under the window's own names. Texts are shown
// as they are; the on/off boxes show "On" (true) or "Off" (false).
struct DisplayControls {
    // Position and time.
    std::string TeleRADis, TeleHADis, TeleDecDis, TeleEpochDis, TeleMassDis, TeleZenithDis,
        TeleAzmDis, UTimeDis, STimeDis, UTDateDis, JulianDis, ModeDis;
    // Next object.
    std::string NextRADis, NextHADis, NextDecDis, NextEpochDis, NextMassDis, NextZenithDis;
    // Rates, arcseconds per second (trail length in arcseconds, position angle in degrees).
    std::string TrackRADis, TrackDecDis, GuideRADis, SetRADis, CorRADis, CorDecDis,
        TrailRateDis, TrailLenDis, TrailPADis;
    // Focus and dome.
    std::string FocusDis, EFocusDis, DomeAzmDis, DomeDis;
    // Activity messages.
    std::string MyStringDis, DomeStringDis, CommandNoStringDis;
    // Status texts.
    std::string StatusDis, SlewDis, Limit1Dis, Limit2Dis, SlewingDis, SettingDis, TrailingDis,
        TargetDis, CloudsDis, NSEWDis;
    std::string ExComModeDis = "Off", MNCPModeDis = "Off", TCPModeDis = "Off";
    // On/off boxes.
    bool TrackOnOff = false, DomeOnOff = false, CosDecOnOff = false, RateCorOnOff = false,
         DrivesOnOff = false;
};

// The on/off box text: "On" or "Off".
const char* OnOffText(bool on);

// 'MM DD YYYY' with leading zeros on month and day and the integral part of the
// year (year with fraction, e.g. 2001.18 -> '03 07 2001').
std::string FormatUTDate(int month, int day, double year);

class DisplayModel {
public:
    // Receives the status-log lines taken over on one tick, oldest first
    // (called only when there are any).
    using LogSink = std::function<void(const std::vector<std::string>&)>;

    // `channels` may be null: no remote channel exists, so ExCom and MNCP count
    // as mode 0 and the TCP/IP server as inactive.
    explicit DisplayModel(System& system, const ChannelModes* channels = nullptr,
                          LogSink logSink = {});

    void setChannels(const ChannelModes* channels) { channels_ = channels; }
    void setLogSink(LogSink sink) { logSink_ = std::move(sink); }

    // The display timer's tick (every 50 ms): RefreshDisplay.
    void Timer1Timer() { RefreshDisplay(); }
    // FastRefresh on every tick; SlowRefresh on the first tick and every 25th
    // after it (every 1.25 s at 50 ms).
    void RefreshDisplay();
    // Position, time, messages, corrections, focus and the status-log hand-over.
    void FastRefresh();
    // Clears the rate-select input bit; unless a slew is in progress, the status
    // words, rates, date, Julian Date and the next object.
    void SlowRefresh();
    // Rewrites each status-word group whose low byte changed since it was last shown.
    void ShowStatusWords();
    // The UT date of the shared state ('MM DD YYYY').
    std::string FormatUTDate() const;

    const DisplayControls& controls() const { return controls_; }
    // Writable for the window's own use of its controls; the model overwrites
    // what it owns on the next refresh that covers it.
    DisplayControls& controls() { return controls_; }
    uint32_t tickCount() const { return tick_; }

    // The low bytes of the three status words as last shown.
    static constexpr uint8_t StartShown1 = 0x40, StartShown2 = 0x01, StartShown3 = 0x01;

private:
    void ShowStatusWord1(uint8_t bits);
    void ShowStatusWord2(uint8_t bits);
    void ShowStatusWord3(uint8_t bits);
    void ShowChannelModes();

    System& system_;
    const ChannelModes* channels_;
    LogSink logSink_;
    DisplayControls controls_;
    uint32_t tick_ = 0;
    uint8_t shown1_ = StartShown1, shown2_ = StartShown2, shown3_ = StartShown3;
};

}  // namespace orv
