#include "comm/MNCPLink.h"

namespace orv {

namespace {

// Bytes before the payload (address, control) and after it (two check bytes).
constexpr size_t HeaderBytes = 2, CheckBytes = 2;

// a + b reduced below 255 once, as the check sum runs.
int AddMod255(int a, int b) {
    int s = a + b;
    return s >= 255 ? s - 255 : s;
}

}  // namespace

std::pair<uint8_t, uint8_t> MNCPCheckBytes(const uint8_t* bytes, size_t count) {
    int s1 = 0, s2 = 0;
    for (size_t i = 0; i < count; ++i) {
        s1 = AddMod255(s1, bytes[i]);
        s2 = (s2 + s1) % 255;
    }
    const int t = AddMod255(s1, s2);
    const int c1 = 255 - t;
    const int u = AddMod255(c1, s1);
    const int c2 = 255 - u;
    return {uint8_t(c1), uint8_t(c2)};
}

bool MNCPFrameSumOK(const uint8_t* frame, size_t count) {
    unsigned long sum = 0;
    for (size_t i = 0; i < count; ++i) sum += frame[i];
    return sum % 255 == 0;
}

std::optional<std::vector<uint8_t>> BuildPacket(uint8_t address, int type, int sequence, std::string_view text) {
    if (text.size() > MNCPMaxText) return std::nullopt;
    std::vector<uint8_t> body;
    body.reserve(HeaderBytes + text.size() + CheckBytes);
    body.push_back(address);
    body.push_back(uint8_t(((sequence & 0x0F) << 4) | (type & 0x0F)));
    body.insert(body.end(), text.begin(), text.end());
    const auto [c1, c2] = MNCPCheckBytes(body.data(), body.size());
    body.push_back(c1);
    body.push_back(c2);

    std::vector<uint8_t> packet{DLE, STX};
    for (uint8_t b : body) {
        packet.push_back(b);
        if (b == DLE) packet.push_back(DLE);
    }
    packet.push_back(DLE);
    packet.push_back(ETX);
    if (packet.size() > MNCPPacketCapacity) return std::nullopt;
    return packet;
}

std::optional<MNCPFrame> SplitFrame(const uint8_t* frame, size_t count) {
    if (count < HeaderBytes + CheckBytes) return std::nullopt;
    return MNCPFrame{frame[0], frame[1] >> 4, frame[1] & 0x0F,
                     std::string_view(reinterpret_cast<const char*>(frame + HeaderBytes),
                                      count - HeaderBytes - CheckBytes)};
}

std::optional<int> MNCPReceiver::ReceiveByte(uint8_t b) {
    if (DlePending) {
        if (b == STX) {
            RxCount = 0;
            LastFrameLength = 0;
            InFrame = true;
        } else if (b == ETX) {
            if (InFrame) {
                LastFrameLength = RxCount;
                RxCount = 0;
                InFrame = false;
                DlePending = false;
                return LastFrameLength;
            }
        } else if (b == DLE) {
            RxBuffer[size_t(RxCount++)] = DLE;
        }
        // Any other byte after a DLE: both are dropped.
        DlePending = false;
    } else if (b == DLE) {
        DlePending = true;
    } else {
        // Stored also outside a frame; DLE STX starts the buffer over.
        RxBuffer[size_t(RxCount++)] = b;
    }
    if (RxCount >= MNCPRxLimit) {
        RxCount = 0;
        InFrame = false;
    }
    return std::nullopt;
}

}  // namespace orv
