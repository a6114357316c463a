// The port sequences on a recording bus: what reaches the interface, in order.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "core/Clock.h"
#include "core/Locks.h"
#include "core/PortLayer.h"
#include "core/Ports.h"

namespace orv {
namespace {

using Access = RecordingBus::Access;

std::vector<Access> W(std::initializer_list<std::pair<uint16_t, uint8_t>> list) {
    std::vector<Access> out;
    for (auto [port, value] : list) out.push_back({Access::Write, port, value});
    return out;
}

TEST(PortLayer, InitialisationWritesTheSetUpSequenceInOrder) {
    RecordingBus bus;
    bus.setInput(ports::DividerMode, 0xFF);
    InitialiseInterface(bus);
    auto expected = W({{0xA8C, 0x00},
                       {0x8281, 0xC3}, {0x8681, 0xC3}, {0x8A81, 0xC3}, {0x8E81, 0xC3},
                       {0x8281, 0x80}, {0x8681, 0x80}, {0x8A81, 0x80}, {0x8E81, 0x80},
                       {0x8281, 0x68}, {0x8681, 0x68}, {0x8A81, 0x68}, {0x8E81, 0x68},
                       {0x8281, 0x01}, {0x8681, 0x01}, {0x8A81, 0x01}, {0x8E81, 0x01},
                       {0x283, 0xFF}, {0x284, 0xFF}, {0x683, 0xFF}, {0xA83, 0xFF}, {0xA84, 0xEF},
                       {0x28C, 0xEF}, {0x28C, 0xFF}});
    EXPECT_EQ(bus.writes(), expected);
}

TEST(PortLayer, CounterPresetWritesCommandBytesAndCommand) {
    RecordingBus bus;
    LoadCounterChannel(bus, 2, -1.0);
    EXPECT_EQ(bus.writes(), W({{0x8A81, 0x01}, {0x8A80, 0xFF}, {0x8A80, 0xFF}, {0x8A80, 0xFF}, {0x8A81, 0x08}}));
}

TEST(PortLayer, CounterPresetRoundsHalvesToEvenAndKeepsTheLow24Bits) {
    auto lowByteLoaded = [](double value) {
        RecordingBus bus;
        LoadCounterChannel(bus, 0, value);
        auto data = bus.writesTo(0x8280);
        return static_cast<uint32_t>(data[0]) | (uint32_t{data[1]} << 8) | (uint32_t{data[2]} << 16);
    };
    EXPECT_EQ(lowByteLoaded(2.5), 2u);
    EXPECT_EQ(lowByteLoaded(3.5), 4u);
    EXPECT_EQ(lowByteLoaded(-2.5), 0xFFFFFEu);
    EXPECT_EQ(lowByteLoaded(16777216.0 + 5), 5u);
    // A zero scale gives a non-finite preset: the counter is loaded with 0, not garbage.
    EXPECT_EQ(lowByteLoaded(std::numeric_limits<double>::infinity()), 0u);
    EXPECT_EQ(lowByteLoaded(std::nan("")), 0u);
}

TEST(PortLayer, ConversionResultCombinesTheNibbles) {
    EXPECT_EQ(DecodeADResult(0xAB, 0x0C), 0xBAC);
    EXPECT_EQ(DecodeADResult(0xFF, 0xFF), 0xFFF);
}

TEST(PortLayer, ConversionSelectsStartsWaitsAndReads) {
    ManualClock clock(0, true);
    RecordingBus bus;
    SystemLock adc;
    bus.queueInput(ports::ADSelect, {0x00});  // not busy
    bus.queueInput(ports::ADHigh, {0xAB});
    bus.queueInput(ports::ADLow, {0x0C});
    EXPECT_EQ(ReadADChannel(bus, clock, adc, 4, nullptr), 0xBAC);
    EXPECT_EQ(clock.nowMs(), 30);  // 25 ms after the select, 5 ms after the start
    auto w = bus.writes();
    ASSERT_GE(w.size(), 2u);
    EXPECT_EQ(w[0], (Access{Access::Write, 0xA8C, 4}));
    EXPECT_EQ(w[1], (Access{Access::Write, 0xE80, 0}));
}

TEST(PortLayer, ConversionThatStaysBusyIsReadAfterTheTimeout) {
    ManualClock clock(0, true);
    RecordingBus bus;
    SystemLock adc;
    bus.queueInput(ports::ADSelect, std::vector<uint8_t>(1000, 0x10));  // busy for ever
    bus.queueInput(ports::ADHigh, {0x12});
    bus.queueInput(ports::ADLow, {0x03});
    int value = ReadADChannel(bus, clock, adc, 0, nullptr);
    EXPECT_EQ(value, DecodeADResult(0x12, 0x03));
    EXPECT_GT(clock.nowMs(), 30 + 10);
    EXPECT_LT(clock.nowMs(), 30 + 20);
}

}  // namespace
}  // namespace orv
