#pragma once
// Where the KAV instrument link, which lives in a room above, plugs into the
// system: what codes 41 and 42 call on the state machine thread, and how the
// program's stop ends a KAV wait at once.

#include <condition_variable>
#include <functional>
#include <mutex>

namespace orv {

struct KAVCommands {
    std::function<bool(int device, int position)> setMotor;   // KAVSetMotor
    std::function<bool(int value)> setPort;                   // KAVSetPort
    std::function<void()> interrupt;                          // ends every KAV wait at once
};

class KAVSlot {
public:
    // Attaching replaces what was attached; detaching waits until a call in
    // progress has returned, so the link may go once it has detached.
    void attach(KAVCommands commands);
    void detach() { attach({}); }

    // False when no link is attached (the call changes nothing then).
    bool setMotor(int device, int position);
    bool setPort(int value);
    // The program's stop.
    void interrupt();

private:
    template <class Call>
    bool run(const Call& call);

    std::mutex mutex_;
    std::condition_variable idle_;
    KAVCommands commands_;
    int calls_ = 0;   // setMotor / setPort calls between their start and their return
};

}  // namespace orv
