#include "control/System.h"

#include <filesystem>

#include "config/MarkTable.h"
#include "config/PointList.h"
#include "config/StateDataFile.h"
#include "control/AxisTask.h"
#include "control/DeviceHandlers.h"
#include "control/DomeTask.h"
#include "control/InputMonitor.h"
#include "control/RemotePaddle.h"
#include "control/StateMachine.h"
#include "control/TimeTask.h"
#include "control/VirtualPaddle.h"
#include "core/PortLayer.h"

namespace orv {

namespace {
constexpr int64_t IdlePollMs = 50;   // the pass of a serial poll whose channel is not there
}  // namespace

std::string FailedFilesWarning(const std::string& failedFileList) {
    return "These initialization files could not be loaded: \r\n\r\n" + failedFileList + "\r\n" +
           "Using default parameters.";
}

System::System(Clock& clk, PortBus& portBus, SystemOptions opts, SystemHooks hks)
    : clock(clk),
      bus(portBus),
      options(std::move(opts)),
      hooks(std::move(hks)),
      UTClock(clk),
      LSTClock(clk),
      marks(std::make_unique<MarkTable>()),
      points(std::make_unique<PointList>()),
      paddle(std::make_unique<VirtualPaddle>()),
      remotePaddle(std::make_unique<RemotePaddle>()),
      timeTask(std::make_unique<TimeTask>(*this)),
      stateMachine(std::make_unique<StateMachine>(*this)),
      axis1(std::make_unique<AxisTask>(*this, 1)),
      axis2(std::make_unique<AxisTask>(*this, 2)),
      inputMonitor(std::make_unique<InputMonitor>(*this)),
      domeTask(std::make_unique<DomeTask>(*this)) {}

System::~System() { StopSystem(); }

void System::beep() const {
    if (hooks.beep) hooks.beep();
}

void System::showMessage(const std::string& text) const {
    if (hooks.showMessage) hooks.showMessage(text);
}

void System::beginClosing() {
    closing = true;
    clock.wakeAll();
}

void System::StartSystem() {
    if (running_) return;
    // The locks and the two clocks exist with the System object itself.
    UTClock.set(0);
    LSTClock.set(0);
    InitSharedState();
    StartTasks();
    running_ = true;
}

void System::InitSharedState() {
    auto& s = state;
    FailedFileList.clear();
    StateDataError.reset();
    s.StopRequest = 0;
    s.ThroughPole = 0;
    s.EastSideOperation = 1;
    s.SlewInProgress = 0;
    s.CloudDetected = 0;
    s.CloudHandled = 0;
    s.Month = 1;
    s.Day = 1;

    SetStateDefaults(params);
    if (options.loadStateData) {
        const auto path = (std::filesystem::path(options.dataDir) / StateDataFileName).string();
        const StateDataSource source =
            stateData_ ? *stateData_ : ReadStateDataFile(path, StateDataFileName);
        StateDataError = ApplyStateData(source, StateDataFileName, params, FailedFileList).message();
        if (StateDataError) showMessage(*StateDataError);
    }
    DeriveStateValues(params);

    s.NextHA = 0;
    s.NextDec = 0;
    s.NextRA = 0;
    s.NextEpoch = 2000.0;
    s.Epoch = 1900.0;
    s.Year = 1900.0;
    s.TrackRateRA = 15.041;
    s.TrackRateDec = 0;
    s.AuxTrackRateRA = 0;
    s.AuxTrackRateDec = 0;
    s.ActiveTrackRateRA = 0;
    s.ActiveTrackRateDec = 0;
    s.GuideRate = 5.0;
    s.SetRate = 100.0;
    s.TrailRate = 0;
    s.TrailLength = 0;
    s.TrailAngle = 0;
    s.StatusFlags1 = 0;
    s.StatusFlags3 = 0;
    s.StatusFlags2 = 0x60;

    if (!FailedFileList.empty()) showMessage(FailedFilesWarning(FailedFileList));

    s.HARate = 0;
    s.DecRate = 0;
    InitialiseInterface(bus);
}

void System::StartTasks() {
    timeTask->InitTimeTask();
    stateMachine->InitStateMachine();
    axis1->InitAxisTask();
    axis2->InitAxisTask();
    inputMonitor->InitInputMonitor();
    domeTask->InitDomeTask();
    // The remote-command ports open with their channels, which are off at start.

    terminating = false;
    closing = false;
    threads_[0] = std::make_unique<TThreadCapsule>([this](TThreadCapsule&) { timeTask->TimeTaskPass(); });
    // Each task that drives something leaves it stopped as its last act, whatever
    // it was doing when the system stopped: the drives must not run on after Orv.
    threads_[1] = std::make_unique<TThreadCapsule>([this](TThreadCapsule&) { stateMachine->StateMachinePass(); },
                                                   [this] { ReleaseFocusDrive(*this); });
    threads_[2] = std::make_unique<TThreadCapsule>([this](TThreadCapsule&) { axis1->AxisTaskPass(); },
                                                   [this] { axis1->StopStepOutput(); });
    threads_[3] = std::make_unique<TThreadCapsule>([this](TThreadCapsule&) { axis2->AxisTaskPass(); },
                                                   [this] { axis2->StopStepOutput(); });
    threads_[4] = std::make_unique<TThreadCapsule>([this](TThreadCapsule&) { inputMonitor->InputMonitorPass(); });
    threads_[5] = std::make_unique<TThreadCapsule>([this](TThreadCapsule&) { domeTask->DomeTaskPass(); },
                                                   [this] { domeTask->ReleaseRelays(); });
    // ExCom and MNCP polls: a channel that has not attached its poll only waits.
    threads_[6] = std::make_unique<TThreadCapsule>([this](TThreadCapsule&) { ChannelPollPass(channelPolls_[0]); });
    threads_[7] = std::make_unique<TThreadCapsule>([this](TThreadCapsule&) { ChannelPollPass(channelPolls_[1]); });
}

void System::AttachChannelPoll(ChannelThread thread, ChannelPoll poll) {
    PollSlot& slot = channelPolls_[size_t(thread)];
    std::unique_lock lock(slot.mutex);
    slot.idle.wait(lock, [&] { return !slot.inPass; });
    slot.poll = std::move(poll);
}

void System::DetachChannelPoll(ChannelThread thread) { AttachChannelPoll(thread, {}); }

void System::ChannelPollPass(PollSlot& slot) {
    bool attached = false;
    {
        std::lock_guard lock(slot.mutex);
        attached = slot.inPass = static_cast<bool>(slot.poll.pass);
    }
    if (!attached) {
        sleep(IdlePollMs);
        return;
    }
    struct EndOfPass {
        PollSlot& slot;
        ~EndOfPass() {
            std::lock_guard lock(slot.mutex);
            slot.inPass = false;
            slot.idle.notify_all();
        }
    } end{slot};
    // Attaching waits for inPass to clear, so the procedure stays as it is meanwhile.
    slot.poll.pass();
}

void System::StopSystem() {
    if (!running_ && !threads_[0]) return;
    state.StopRequest = 1;
    closing = true;
    terminating = true;
    for (auto& t : threads_)
        if (t) t->terminate();
    clock.wakeAll();
    kav.interrupt();
    for (auto& slot : channelPolls_) {
        std::lock_guard lock(slot.mutex);
        if (slot.poll.interrupt) slot.poll.interrupt();
    }
    for (auto& t : threads_) {
        if (!t) continue;
        t->waitFor();
        t.reset();
    }
    running_ = false;
}

}  // namespace orv
