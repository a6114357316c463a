#pragma once
// The on-screen hand paddle and the paddle byte that the input monitor reads.

#include <atomic>
#include <cstdint>

namespace orv {

class System;

class VirtualPaddle {
public:
    uint8_t VirtualPaddleByte() const { return byte_.load(); }
    std::atomic<bool> PaddleWindowVisible{false};

private:
    std::atomic<uint8_t> byte_{0};
};

// The hardware paddle (inverted port 0x688) ORed with the on-screen paddle while it is shown.
uint8_t ReadPaddleByte(System& system);

}  // namespace orv
