#pragma once
// The MNCP link layer, pure code on bytes: packets framed by DLE STX ... DLE
// ETX, every DLE inside doubled, an address byte, a control byte (sequence
// number in the high nibble, packet type in the low one), the payload text and
// two Fletcher check bytes (modulo 255) over address, control and payload.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

namespace orv {

inline constexpr uint8_t DLE = 0x10, STX = 0x02, ETX = 0x03;

enum MNCPPacketType : uint8_t {
    MNCPReset = 0,       // host to device
    MNCPCommand = 1,     // host to device, with text
    MNCPReplyEmpty = 2,  // device to host
    MNCPReplyText = 3,   // device to host
};

// Longest payload text of a packet, and the longest packet on the wire,
// framing included: it is kept whole for a retransmission.
inline constexpr size_t MNCPMaxText = 254;
inline constexpr size_t MNCPPacketCapacity = 512;
// The receive buffer starts over when this many bytes have been stored: a
// frame holds at most 257 unstuffed bytes.
inline constexpr int MNCPRxLimit = 258;

// The two check bytes of `bytes` (address, control and payload, unstuffed).
std::pair<uint8_t, uint8_t> MNCPCheckBytes(const uint8_t* bytes, size_t count);
// Whether the sum of a received frame's bytes (address through the second
// check byte) is a multiple of 255.
bool MNCPFrameSumOK(const uint8_t* frame, size_t count);

// The whole packet on the wire, or nullopt when the text is longer than 254
// bytes or the stuffed packet would be longer than 512 bytes.
std::optional<std::vector<uint8_t>> BuildPacket(uint8_t address, int type, int sequence, std::string_view text);

// A received frame split into its fields.
struct MNCPFrame {
    uint8_t address;
    int sequence;
    int type;
    std::string_view payload;
};
// Splits `frame` (address through check bytes); nullopt when it is too short
// to hold address, control and the check bytes.
std::optional<MNCPFrame> SplitFrame(const uint8_t* frame, size_t count);

// The receiving side of the link, fed one byte at a time.
struct MNCPReceiver {
    bool DlePending = false;
    int RxCount = 0;
    bool InFrame = false;
    int LastFrameLength = 0;
    std::array<uint8_t, MNCPPacketCapacity> RxBuffer{};

    // Takes one received byte. Returns the frame's length when the byte ended
    // a frame; the frame is then in RxBuffer[0 ... length).
    std::optional<int> ReceiveByte(uint8_t b);
    void clear() {
        DlePending = false;
        RxCount = 0;
        InFrame = false;
    }
};

}  // namespace orv
