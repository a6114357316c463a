#include "control/KAVSlot.h"

namespace orv {

void KAVSlot::attach(KAVCommands commands) {
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [this] { return calls_ == 0; });
    commands_ = std::move(commands);
}

template <class Call>
bool KAVSlot::run(const Call& call) {
    KAVCommands commands;
    {
        std::lock_guard lock(mutex_);
        commands = commands_;
        ++calls_;
    }
    const bool result = call(commands);
    std::lock_guard lock(mutex_);
    if (--calls_ == 0) idle_.notify_all();
    return result;
}

bool KAVSlot::setMotor(int device, int position) {
    return run([&](const KAVCommands& c) { return c.setMotor && c.setMotor(device, position); });
}

bool KAVSlot::setPort(int value) {
    return run([&](const KAVCommands& c) { return c.setPort && c.setPort(value); });
}

void KAVSlot::interrupt() {
    std::lock_guard lock(mutex_);
    if (commands_.interrupt) commands_.interrupt();
}

}  // namespace orv
