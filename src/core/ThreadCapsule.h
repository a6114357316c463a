#pragma once
// A task thread: calls its pass procedure again and again until told to end.
// All pacing (sleeps) is inside the procedure; terminating only sets the request,
// the pass in progress finishes first, then the thread's last act (if any) runs
// on it, so a task can leave its drive stopped. Destruction waits for the thread.

#include <atomic>
#include <functional>
#include <thread>

namespace orv {

class TThreadCapsule {
public:
    using Procedure = std::function<void(TThreadCapsule&)>;
    using LastAct = std::function<void()>;

    // Starts running at once.
    explicit TThreadCapsule(Procedure procedure, LastAct lastAct = {});
    ~TThreadCapsule();
    TThreadCapsule(const TThreadCapsule&) = delete;
    TThreadCapsule& operator=(const TThreadCapsule&) = delete;

    void terminate() { terminated_ = true; }
    bool terminated() const { return terminated_.load(); }
    // Waits for the thread to finish its current pass and end.
    void waitFor();

private:
    Procedure procedure_;
    LastAct lastAct_;
    std::atomic<bool> terminated_{false};
    std::thread thread_;
};

}  // namespace orv
