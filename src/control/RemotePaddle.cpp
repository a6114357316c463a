#include "control/RemotePaddle.h"

#include <algorithm>

#include "control/System.h"
#include "core/Ports.h"

namespace orv {

namespace {

uint8_t SpeedBits(PaddleSpeed speed) {
    switch (speed) {
    case PaddleSpeed::Set: return ports::PaddleSetSpeed;
    case PaddleSpeed::Slew: return ports::PaddleSlewSpeed;
    case PaddleSpeed::Guide: break;
    }
    return 0;
}

bool IsOneDirection(uint8_t d) {
    return d == ports::PaddleNorth || d == ports::PaddleSouth || d == ports::PaddleEast ||
           d == ports::PaddleWest;
}

}  // namespace

uint8_t RemotePaddle::refresh(Entry& e, int64_t nowMs, Safety safety) {
    if (safety.interlockOpen || e.generation != safety.stopGeneration) {
        e = Entry{};
        e.generation = safety.stopGeneration;
        return 0;
    }
    if (e.pressed && nowMs >= e.pressEndMs) e.pressed = 0;   // not renewed in time
    for (Timed* p : {&e.pulseNS, &e.pulseEW})
        if (p->direction && nowMs >= p->endMs) p->direction = 0;
    const uint8_t directions = e.pressed | e.pulseNS.direction | e.pulseEW.direction;
    if (!directions) return 0;
    // Pulses run at guide speed (no speed bit); a press brings its own speed.
    return directions | (e.pressed ? e.speedBits : 0);
}

uint8_t RemotePaddle::press(Holder holder, uint8_t directions, PaddleSpeed speed, int64_t nowMs,
                            Safety safety) {
    std::lock_guard lock(mutex_);
    Entry& e = entries_[holder];
    refresh(e, nowMs, safety);
    directions &= ports::PaddleDirectionMask;
    if (safety.interlockOpen) directions = 0;
    e.pressed = directions;
    e.speedBits = SpeedBits(speed);
    e.pressEndMs = nowMs + HoldMs;
    return refresh(e, nowMs, safety);
}

uint8_t RemotePaddle::renew(Holder holder, int64_t nowMs, Safety safety) {
    std::lock_guard lock(mutex_);
    const auto found = entries_.find(holder);
    if (found == entries_.end()) return 0;
    Entry& e = found->second;
    if (refresh(e, nowMs, safety) && e.pressed) e.pressEndMs = nowMs + HoldMs;
    return refresh(e, nowMs, safety);
}

uint8_t RemotePaddle::pulse(Holder holder, uint8_t direction, int64_t durationMs, int64_t nowMs,
                            Safety safety) {
    std::lock_guard lock(mutex_);
    Entry& e = entries_[holder];
    refresh(e, nowMs, safety);
    if (IsOneDirection(direction) && durationMs > 0 && !safety.interlockOpen) {
        const bool ns = direction == ports::PaddleNorth || direction == ports::PaddleSouth;
        Timed& t = ns ? e.pulseNS : e.pulseEW;
        t.direction = direction;
        t.endMs = nowMs + std::min(durationMs, MaxPulseMs);
    }
    return refresh(e, nowMs, safety);
}

void RemotePaddle::release(Holder holder) {
    std::lock_guard lock(mutex_);
    entries_.erase(holder);
}

uint8_t RemotePaddle::byteOf(Holder holder, int64_t nowMs, Safety safety) {
    std::lock_guard lock(mutex_);
    const auto found = entries_.find(holder);
    return found == entries_.end() ? 0 : refresh(found->second, nowMs, safety);
}

uint8_t RemotePaddle::RemotePaddleByte(int64_t nowMs, Safety safety) {
    std::lock_guard lock(mutex_);
    uint8_t byte = 0;
    for (auto& [holder, e] : entries_) byte |= refresh(e, nowMs, safety);
    return byte;
}

RemotePaddle::Safety RemotePaddleSafety(const System& system) {
    return {system.state.StopGeneration.load(), system.state.InterlockOpen.load() != 0};
}

}  // namespace orv
