#pragma once
// The model of the KAV window, without a toolkit: the labels of the port bits
// and filters, what each Apply button sends, the status panel's text and
// colour, the eight display fields and the guide probe position. The window
// binds to it: it calls the actions from its buttons and shows Refresh() on its
// 250 ms timer. Nothing here blocks the caller: every exchange runs on the
// link's worker, the guide probe is read on a thread of its own while the
// window is shown, and Close ends an exchange that waits for the instrument.

#include <array>
#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "comm/KAVLink.h"
#include "core/Clock.h"

namespace orv {

class KAVDialogModel final : public KAVStatusObserver {
public:
    static constexpr int SouthFilters = 8;
    static constexpr int OnAxisFilters = 6;
    static constexpr int PortBits = 8;
    static constexpr int64_t RefreshMs = 250;   // KAVTimer

    static constexpr const char* Caption = "Zev Engineering, Inc. Kavallo Control";
    static constexpr std::array<const char*, 4> MirrorNames{"North", "West", "South", "East"};

    explicit KAVDialogModel(KAVLink& link, Clock& clock);
    ~KAVDialogModel() override;
    KAVDialogModel(const KAVDialogModel&) = delete;
    KAVDialogModel& operator=(const KAVDialogModel&) = delete;

    // Labels, replaced by the initialisation file at start-up: "Bit-0" ...
    // "Bit-7"; "1st Filter" ... for rows 1 ... 8 (south) and 1 ... 6 (on axis).
    std::array<std::string, PortBits> bitLabels;
    std::array<std::string, SouthFilters> southFilters;
    std::array<std::string, OnAxisFilters> onAxisFilters;

    // What the window shows at each refresh.
    struct View {
        std::string statusText;
        KAVColour statusColour = KAVColour::Lime;
        KAVDisplay devices;
        GuideProbePosition guideProbe;
    };
    View Refresh() const;

    // The window became visible / was hidden: the guide probe is read only meanwhile.
    void FormShow();
    void FormHide();
    // "&Close": hides the window and ends an exchange that waits for the instrument.
    void Close();

    // The Apply buttons and "Update KAV status". Each clears the status panel and
    // queues its exchange; false when the link's queue refused it.
    bool ApplySouth(int row);             // row 1 ... 8 of the south list
    bool ApplyTransStage(bool stow);      // "Stow" or on axis
    bool ApplyMirror(int index);          // 0 North, 1 West, 2 South, 3 East
    bool ApplyAxisFilter(int row);        // row 1 ... 6 of the on-axis list
    bool ApplyPort(int value);            // 0 ... 255
    bool UpdateKAVStatus();               // every device, then the port

    // The "Log Communication Details" box.
    void SetLogCommunicationDetails(bool on) { link_.LogCommunicationDetails = on; }

    void KAVStatusChanged(const std::string& text, KAVColour colour) override;

private:
    bool queue(std::function<void()> exchange);
    void sampleGuideProbe();

    KAVLink& link_;
    Clock& clock_;
    mutable std::mutex mutex_;   // the status panel as last told
    std::string statusText_;
    KAVColour statusColour_ = KAVColour::Lime;
    std::atomic<int> probeX_{0}, probeY_{0};
    std::atomic<bool> hidden_{true};
    std::thread sampler_;
};

}  // namespace orv
