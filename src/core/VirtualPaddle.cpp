#include "core/VirtualPaddle.h"

#include "core/Ports.h"
#include "core/System.h"

namespace orv {

uint8_t ReadPaddleByte(System& system) {
    uint8_t byte = static_cast<uint8_t>(~system.bus.read(ports::PaddleInput));
    if (system.paddle && system.paddle->PaddleWindowVisible) byte |= system.paddle->VirtualPaddleByte();
    return byte;
}

}  // namespace orv
