#pragma once
// One telescope controller: the shared state, the parameters, the locks, the two
// software clocks, the port bus and the eight task threads. Everything lives here
// (no globals), so tests can run several systems in one process.

#include <array>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "control/KAVSlot.h"
#include "core/Clock.h"
#include "core/Commander.h"
#include "core/Locks.h"
#include "core/Parameters.h"
#include "core/PortBus.h"
#include "core/StatusLog.h"
#include "core/TelescopeState.h"
#include "core/ThreadCapsule.h"
#include "core/Timeout.h"

namespace orv {

class TimeTask;
class StateMachine;
class AxisTask;
class InputMonitor;
class DomeTask;
class MarkTable;
class PointList;
class VirtualPaddle;
class RemotePaddle;
struct StateDataSource;

// Where the system reports to the operator; the windows or the headless program fill these.
struct SystemHooks {
    std::function<void()> beep;                                 // the system asterisk sound
    std::function<void(const std::string&)> showMessage;        // an operator-facing message box
};

// The seventh and eighth task threads run the polls of the serial command
// channels, which live in a room above and attach themselves here.
enum class ChannelThread { ExCom = 0, MNCP = 1 };
struct ChannelPoll {
    std::function<void()> pass;        // one poll pass; it paces itself and catches its own errors
    std::function<void()> interrupt;   // ends a wait inside the pass at once (the program's stop)
};

struct SystemOptions {
    std::string dataDir = ".";       // where WinOrv.DAT is read
    bool loadStateData = true;       // false: built-in defaults only (tests)
};

class System {
public:
    System(Clock& clock, PortBus& bus, SystemOptions options = {}, SystemHooks hooks = {});
    ~System();
    System(const System&) = delete;
    System& operator=(const System&) = delete;

    // The state data file as the caller has read it already (the program reads
    // it once for the simulator and the system); without it InitSharedState
    // reads WinOrv.DAT from the data directory.
    void useStateData(std::shared_ptr<const StateDataSource> source) { stateData_ = std::move(source); }

    // Creates the clocks, runs InitSharedState and StartTasks.
    void StartSystem();
    // StopRequest, then ends the eight threads in creation order. Idempotent.
    void StopSystem();
    bool running() const { return running_; }

    // Fills the shared state with its start values, loads the state data file,
    // derives the dependent values and initialises the interface electronics.
    void InitSharedState();
    // Runs the task init procedures and starts the eight threads.
    void StartTasks();

    // Sleeps on the system clock; returns false at once when the system stops.
    bool sleep(int64_t ms) { return clock.sleepMs(ms, &terminating); }
    // True once the stop sequence has begun ("the application is terminating").
    bool isTerminating() const { return terminating.load(); }
    // Marks the program as closing (the shut-down sequence has begun): a running
    // shutter open ends; everything else carries on until StopSystem.
    void beginClosing();
    bool isClosing() const { return closing.load(); }

    void beep() const;
    void showMessage(const std::string& text) const;

    // Lets the channel's thread run `poll`; until then (and after detaching) the
    // thread only waits, 50 ms a pass. Attaching and detaching wait until a pass
    // in progress has ended, so a channel may go once it has detached.
    void AttachChannelPoll(ChannelThread thread, ChannelPoll poll);
    void DetachChannelPoll(ChannelThread thread);

    Clock& clock;
    PortBus& bus;
    SystemOptions options;
    SystemHooks hooks;

    Parameters params;
    TelescopeState state;
    Locks locks;
    TRealCounter UTClock;
    TRealCounter LSTClock;
    StatusLog log;
    std::atomic<bool> terminating{false};
    // The one door to StateCode for every commander.
    Commander commander{state, clock, log, terminating};
    std::atomic<bool> closing{false};   // set by beginClosing() and by StopSystem

    // The KAV instrument link, once one is attached: codes 41 and 42 go there.
    KAVSlot kav;

    // Set by the Misc dialog's "Disable Cloud Sensor Input" box.
    std::atomic<bool> DisableCloudSensorInput{false};

    // Files that could not be loaded, each name followed by "\r\n".
    std::string FailedFileList;
    // What was wrong with the state data file, if anything ("Invalid value in ...").
    std::optional<std::string> StateDataError;

    std::unique_ptr<MarkTable> marks;
    // The pointing points the operator collects (user-interface thread only).
    std::unique_ptr<PointList> points;
    std::unique_ptr<VirtualPaddle> paddle;
    std::unique_ptr<RemotePaddle> remotePaddle;   // pressed by remote hosts

    std::unique_ptr<TimeTask> timeTask;
    std::unique_ptr<StateMachine> stateMachine;
    std::unique_ptr<AxisTask> axis1, axis2;
    std::unique_ptr<InputMonitor> inputMonitor;
    std::unique_ptr<DomeTask> domeTask;

private:
    struct PollSlot {
        std::mutex mutex;
        std::condition_variable idle;
        ChannelPoll poll;
        bool inPass = false;
    };
    void ChannelPollPass(PollSlot& slot);

    std::array<PollSlot, 2> channelPolls_;
    std::shared_ptr<const StateDataSource> stateData_;
    std::array<std::unique_ptr<TThreadCapsule>, 8> threads_;
    bool running_ = false;
};

// The warning shown when files could not be loaded at start.
std::string FailedFilesWarning(const std::string& failedFileList);

}  // namespace orv
