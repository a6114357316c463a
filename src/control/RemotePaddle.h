#pragma once
// The hand paddle that remote hosts press over a command channel. Its byte is
// ORed into the paddle byte the input monitor reads, as the on-screen paddle's
// is, so a remote press moves the telescope exactly as a button held down on
// the hand paddle would.
//
// A remote host may die or hang while it holds a button, so every press is
// held only as long as its holder keeps renewing it, and nothing it holds
// survives a stop:
// - dead man: a press not renewed within HoldMs of system time is released;
// - a stop from any source (StopGeneration moves) and an open drive interlock
//   release every press and pulse made before them; renewing one does not
//   bring it back, only a new press does;
// - a holder that goes away (its connection closed) is released at once.
//
// Pulse guiding: one direction at guide speed for a given time, as guiding
// programs ask for; one pulse per axis at a time, a new one on the same axis
// replaces it. Pulses end by themselves and need no renewal.
//
// Directions are the paddle byte's own bits: 0x04 north, 0x08 south, 0x10 east,
// 0x20 west. Every member may be called from any thread.

#include <cstdint>
#include <map>
#include <mutex>

#include "control/VirtualPaddle.h"

namespace orv {

class System;

class RemotePaddle {
public:
    static constexpr int64_t HoldMs = 1000;       // a press lives this long after its last renewal
    static constexpr int64_t MaxPulseMs = 10000;  // longer pulses are cut to this

    using Holder = uint64_t;   // one per remote connection

    // What releases everything held before it.
    struct Safety {
        uint32_t stopGeneration;
        bool interlockOpen;
    };

    // Presses `directions` at `speed` for `holder`, replacing what it pressed
    // before; no direction bit releases its press. Nothing is pressed while the
    // interlock is open. Returns the holder's part of the paddle byte now.
    uint8_t press(Holder holder, uint8_t directions, PaddleSpeed speed, int64_t nowMs, Safety safety);
    // Keeps the holder's press for another HoldMs if it is still held.
    uint8_t renew(Holder holder, int64_t nowMs, Safety safety);
    // A pulse of `durationMs` (1 ... MaxPulseMs) in one direction at guide speed.
    // A direction that is not exactly one of the four presses nothing.
    uint8_t pulse(Holder holder, uint8_t direction, int64_t durationMs, int64_t nowMs, Safety safety);
    // Lets go of everything the holder pressed.
    void release(Holder holder);

    // The holder's part of the paddle byte now (0: nothing held).
    uint8_t byteOf(Holder holder, int64_t nowMs, Safety safety);
    // The byte of every holder ORed together, as the input monitor reads it.
    uint8_t RemotePaddleByte(int64_t nowMs, Safety safety);

private:
    struct Timed {
        uint8_t direction = 0;
        int64_t endMs = 0;
    };
    struct Entry {
        uint32_t generation = 0;   // StopGeneration when the press or pulse was made
        uint8_t pressed = 0;       // direction bits of the press
        uint8_t speedBits = 0;     // its speed bits
        int64_t pressEndMs = 0;
        Timed pulseNS, pulseEW;
    };

    // Under mutex_: forgets what has expired or was stopped; the entry's byte.
    uint8_t refresh(Entry& e, int64_t nowMs, Safety safety);

    std::mutex mutex_;
    std::map<Holder, Entry> entries_;
};

// The safety state of `system` as the remote paddle needs it.
RemotePaddle::Safety RemotePaddleSafety(const System& system);

}  // namespace orv
