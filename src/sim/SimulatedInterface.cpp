#include "sim/SimulatedInterface.h"

#include <charconv>
#include <cmath>

#include "astro/AstroConstants.h"
#include "core/Ports.h"

namespace orv {

namespace {


// Largest magnitude of a count we convert to an integer; far beyond any real
// travel, it only keeps a runaway value from overflowing the conversion.
constexpr double CountLimit = 4.0e18;

int64_t floorCount(double counts) {
    if (!std::isfinite(counts)) return 0;
    return static_cast<int64_t>(std::floor(std::clamp(counts, -CountLimit, CountLimit)));
}

int32_t signExtend24(uint32_t v) {
    v &= 0xFFFFFFu;
    return (v & 0x800000u) ? static_cast<int32_t>(v) - 0x1000000 : static_cast<int32_t>(v);
}

// A scale usable as a divisor: finite and not zero (a short state data file may
// give 0, which would otherwise make every count infinite).
bool usableScale(double s) { return std::isfinite(s) && s != 0.0; }

int counterOfDataPort(uint16_t port) {
    for (int c = 0; c < 4; ++c)
        if (port == ports::CounterData(c)) return c;
    return -1;
}

int counterOfControlPort(uint16_t port) {
    for (int c = 0; c < 4; ++c)
        if (port == ports::CounterControl(c)) return c;
    return -1;
}

void appendNumber(std::string& out, double v) {
    if (!std::isfinite(v)) {
        out += "null";
        return;
    }
    char buf[32];
    auto r = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, r.ptr);
}

void appendNumber(std::string& out, int64_t v) {
    char buf[24];
    auto r = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, r.ptr);
}

template <typename T, size_t N>
void appendArray(std::string& out, const char* key, const std::array<T, N>& values) {
    out += '"';
    out += key;
    out += "\":[";
    for (size_t i = 0; i < N; ++i) {
        if (i) out += ',';
        if constexpr (std::is_floating_point_v<T>)
            appendNumber(out, static_cast<double>(values[i]));
        else
            appendNumber(out, static_cast<int64_t>(values[i]));
    }
    out += ']';
}

}  // namespace

SimMechanics SimMechanics::FromParameters(const Parameters& p) {
    SimMechanics m;
    m.RAStepSize = p.RAStepSize.load();
    m.DecStepSize = p.DecStepSize.load();
    m.HAScale = p.HAScale.load();
    m.DecScale = p.DecScale.load();
    m.DomeCountScale = p.DomeCountScale.load();
    m.Latitude = p.Latitude.load();
    return m;
}

SimulatedInterface::SimulatedInterface(const Clock& clock, SimMechanics mechanics)
    : clock_(clock), mech_(mechanics), latch_(0x10000, 0xFF), mount_(SimMountErrors{}, mechanics.Latitude) {
    // Outputs power up high: every active-low motor and relay output is off.
    lastNow_ = clock_.nowMs();
    adc_.readyAt = lastNow_;
    // The KAV's guide probe rests at the centre of its travel (A/D channels 3 and 0).
    held_[GuideProbeXChannel] = GuideProbeCentreX;
    held_[GuideProbeYChannel] = GuideProbeCentreY;
}

int64_t SimulatedInterface::now() {
    // Accesses from several threads reach the lock in any order; time seen by the
    // machine never goes back.
    lastNow_ = std::max(lastNow_, clock_.nowMs());
    return lastNow_;
}

uint8_t SimulatedInterface::read(uint16_t port) {
    std::lock_guard lock(mutex_);
    return readLocked(port, now());
}

void SimulatedInterface::write(uint16_t port, uint8_t value) {
    std::lock_guard lock(mutex_);
    writeLocked(port, value, now());
}

uint8_t SimulatedInterface::modify(uint16_t port, uint8_t clearMask, uint8_t setMask) {
    std::lock_guard lock(mutex_);
    auto value = static_cast<uint8_t>((latch_[port] & ~clearMask) | setMask);
    writeLocked(port, value, now());
    return value;
}

uint8_t SimulatedInterface::lastWritten(uint16_t port) {
    std::lock_guard lock(mutex_);
    return latch_[port];
}

void SimulatedInterface::setInput(uint16_t port, uint8_t value) {
    std::lock_guard lock(mutex_);
    switch (port) {
        case ports::FrontPanel: frontPanel_ = value; break;
        case ports::PaddleInput: paddle_ = value; break;
        case ports::CloudInput: cloud_ = value; break;
        default: break;
    }
}

void SimulatedInterface::holdADChannel(int channel, int value) {
    if (channel < 0 || channel >= ADChannels) return;
    value = std::clamp(value, 0, 4095);
    std::lock_guard lock(mutex_);
    if (channel == FocusChannel)
        focus_.setValue(now(), value);
    else
        held_[static_cast<size_t>(channel)] = value;
}

void SimulatedInterface::jamFocus(bool jammed) {
    std::lock_guard lock(mutex_);
    focusJammed_ = jammed;
    updateDrives(now());
}

void SimulatedInterface::setMountErrors(const SimMountErrors& errors) {
    MountErrorModel model(errors, mech_.Latitude);
    std::lock_guard lock(mutex_);
    mount_ = model;
}

SimMountErrors SimulatedInterface::mountErrors() {
    std::lock_guard lock(mutex_);
    return mount_.errors();
}

void SimulatedInterface::nudge(double haArcsec, double decArcsec) {
    std::lock_guard lock(mutex_);
    const int64_t t = now();
    axis_[0].setValue(t, axis_[0].at(t) + haArcsec);
    axis_[1].setValue(t, axis_[1].at(t) + (mech_.EastSide ? -decArcsec : decArcsec));
}

uint8_t SimulatedInterface::readLocked(uint16_t port, int64_t t) {
    switch (port) {
        case ports::FrontPanel: return frontPanel_;
        case ports::PaddleInput: return paddle_;
        case ports::CloudInput: return cloud_;
        case ports::ADSelect: {
            auto v = static_cast<uint8_t>(latch_[port] & ~ports::ADBusyBit);
            if (t < adc_.readyAt) v |= ports::ADBusyBit;
            return v;
        }
        case ports::ADHigh: {
            int r = adc_.result(t);
            return static_cast<uint8_t>(((r >> 8) & 0x0F) | (r & 0xF0));
        }
        case ports::ADLow: return static_cast<uint8_t>(adc_.result(t) & 0x0F);
        default: break;
    }
    if (int c = counterOfDataPort(port); c >= 0) {
        PositionCounter& pc = counters_[static_cast<size_t>(c)];
        auto byte = static_cast<uint8_t>((pc.latched >> (8 * pc.pointer)) & 0xFF);
        pc.pointer = (pc.pointer + 1) % 3;
        return byte;
    }
    return latch_[port];
}

void SimulatedInterface::writeLocked(uint16_t port, uint8_t value, int64_t t) {
    latch_[port] = value;
    switch (port) {
        case ports::DriveControl:
        case ports::DividerMode:
        case ports::DomeFocus:
        case ports::SlewShutter: updateDrives(t); return;
        case ports::ADHigh: startConversion(t); return;
        default: break;
    }
    for (int axis = 0; axis < 2; ++axis) {
        uint16_t base = axis == 0 ? ports::RATimerBase : ports::DecTimerBase;
        if (port == base || port == base + 1) {
            timers_[static_cast<size_t>(axis)].loadByte(port - base, value);
            updateDrives(t);
            return;
        }
        if (port == base + 3) {
            if (value == ports::TimerModeChannel0 || value == ports::TimerModeChannel1) {
                timers_[static_cast<size_t>(axis)].controlWord();
                updateDrives(t);
            }
            return;
        }
    }
    if (int c = counterOfDataPort(port); c >= 0) {
        PositionCounter& pc = counters_[static_cast<size_t>(c)];
        uint32_t shift = 8u * static_cast<uint32_t>(pc.pointer);
        pc.preset = (pc.preset & ~(0xFFu << shift)) | (static_cast<uint32_t>(value) << shift);
        pc.pointer = (pc.pointer + 1) % 3;
        return;
    }
    if (int c = counterOfControlPort(port); c >= 0) counterControl(c, value, t);
}

void SimulatedInterface::counterControl(int channel, uint8_t command, int64_t t) {
    PositionCounter& pc = counters_[static_cast<size_t>(channel)];
    switch (command) {
        case ports::CounterStartTransfer: pc.pointer = 0; break;
        case ports::CounterLatch: pc.latched = static_cast<uint32_t>(count(channel, t)) & 0xFFFFFFu; break;
        case ports::CounterPresetToCount:
            // The count becomes the preset; motion from here on adds to it.
            pc.offset = signExtend24(pc.preset) - floorCount(motionCounts(channel, t));
            break;
        default: break;  // mode set-up commands: nothing to simulate
    }
}

void SimulatedInterface::startConversion(int64_t t) {
    // Sample and hold at the start; the result shows once the conversion ends.
    int channel = latch_[ports::ADSelect] & (ADChannels - 1);
    int sample = channel == FocusChannel
                     ? static_cast<int>(std::lround(focus_.at(t)))
                     : held_[static_cast<size_t>(channel)];
    adc_.previous = adc_.result(t);
    adc_.pending = std::clamp(sample, 0, 4095);
    adc_.readyAt = t + ADConversionMs;
}

double SimulatedInterface::stepHz(int axis) const {
    uint8_t singleBit = axis == 0 ? ports::RADividerBit : ports::DecDividerBit;
    bool single = (latch_[ports::DividerMode] & singleBit) != 0;
    return timers_[static_cast<size_t>(axis)].stepHz(single);
}

double SimulatedInterface::axisRate(int axis) const {
    double hz = stepHz(axis);
    if (hz > MaxStepHz) return 0.0;  // stalled
    uint8_t bits = latch_[ports::DriveControl];
    bool fine = (bits & (axis == 0 ? ports::RAFineStepBit : ports::DecFineStepBit)) != 0;
    bool dirSet = (bits & (axis == 0 ? ports::RADirectionBit : ports::DecDirectionBit)) != 0;
    double step = axis == 0 ? mech_.RAStepSize : mech_.DecStepSize;
    double speed = hz * step * (fine ? 1.0 : 4.0);
    // RA: direction bit set counts up (west). Dec: direction bit set counts down.
    bool positive = axis == 0 ? dirSet : !dirSet;
    return positive ? speed : -speed;
}

void SimulatedInterface::updateDrives(int64_t t) {
    axis_[0].setRate(t, axisRate(0));
    axis_[1].setRate(t, axisRate(1));

    uint8_t relays = latch_[ports::DomeFocus];
    bool larger = !(relays & ports::DomeLargerBit) && (relays & ports::DomeSmallerBit);
    bool smaller = !(relays & ports::DomeSmallerBit) && (relays & ports::DomeLargerBit);
    double domeCountsPerSecond =
        usableScale(mech_.DomeCountScale) ? DomeDegPerSecond * astro::DegToRad / mech_.DomeCountScale : 0.0;
    dome_.setRate(t, larger ? domeCountsPerSecond : smaller ? -domeCountsPerSecond : 0.0);

    bool decrease = !(relays & ports::FocusDecreaseBit), increase = !(relays & ports::FocusIncreaseBit);
    double focusSpeed = (relays & ports::FocusSlowBit) ? FocusSlowPerSecond : FocusFastPerSecond;
    focus_.setRate(t, increase == decrease || focusJammed_ ? 0.0 : increase ? focusSpeed : -focusSpeed);

    bool open = !(latch_[ports::DriveControl] & ports::ShutterOpenDriveBit);
    bool close = !(latch_[ports::SlewShutter] & ports::ShutterCloseDriveBit);
    // Travel is kept in milliseconds of drive time: 1000 per second, exact.
    shutter_.setRate(t, open == close ? 0.0 : open ? 1000.0 : -1000.0);
}

double SimulatedInterface::motionCounts(int channel, int64_t t) const {
    switch (channel) {
        case 0: {
            double arcsecPerCount = mech_.HAScale * 15.0 * 3600.0;
            return usableScale(arcsecPerCount) ? axis_[0].at(t) / arcsecPerCount : 0.0;
        }
        case 1: {
            double arcsecPerCount = mech_.DecScale * 3600.0;
            return usableScale(arcsecPerCount) ? axis_[1].at(t) / arcsecPerCount : 0.0;
        }
        case 2: return dome_.at(t);
        default: return 0.0;
    }
}

int64_t SimulatedInterface::count(int channel, int64_t t) const {
    return counters_[static_cast<size_t>(channel)].offset + floorCount(motionCounts(channel, t));
}

SimulatedInterface::Truth SimulatedInterface::truthLocked(int64_t t) const {
    Truth tr;
    tr.t_ms = t;
    for (int c = 0; c < 4; ++c)
        tr.counters[static_cast<size_t>(c)] = signExtend24(static_cast<uint32_t>(count(c, t)));
    for (int a = 0; a < 2; ++a) {
        auto i = static_cast<size_t>(a);
        tr.axis_rate_arcsec[i] = axis_[i].rate();
        tr.step_hz[i] = stepHz(a);
        tr.axis_arcsec[i] = axis_[i].at(t);
    }
    const double decSense = mech_.EastSide ? -1.0 : 1.0;
    tr.axes.ha = mech_.StartHA + tr.axis_arcsec[0] / 54000.0;
    tr.axes.dec = mech_.StartDec.value_or(mech_.Latitude) + decSense * tr.axis_arcsec[1] / 3600.0;
    tr.optical = mount_.opticalAxis(tr.axes);
    double domeCounts = static_cast<double>(counters_[2].offset) + dome_.at(t);
    double deg = std::fmod(domeCounts * mech_.DomeCountScale / astro::DegToRad, 360.0);
    if (deg < 0) deg += 360.0;
    tr.dome_deg = std::isfinite(deg) && deg < 360.0 ? deg : 0.0;
    tr.focus = focus_.at(t);
    double travel = shutter_.at(t);
    tr.shutter_fraction = travel / static_cast<double>(ShutterTravelMs);
    if (shutter_.rate() > 0 && travel < ShutterTravelMs)
        tr.shutter = "opening";
    else if (shutter_.rate() < 0 && travel > 0)
        tr.shutter = "closing";
    else
        tr.shutter = travel <= 0 ? "closed" : "open";  // stopped part-way counts as open
    return tr;
}

SimulatedInterface::Truth SimulatedInterface::truth() {
    std::lock_guard lock(mutex_);
    return truthLocked(now());
}

std::string SimulatedInterface::truthJson() {
    Truth tr = truth();
    std::string out = "{\"t_ms\":";
    appendNumber(out, tr.t_ms);
    out += ',';
    appendArray(out, "counters", tr.counters);
    out += ',';
    appendArray(out, "axis_rate_arcsec", tr.axis_rate_arcsec);
    out += ',';
    appendArray(out, "step_hz", tr.step_hz);
    out += ',';
    appendArray(out, "axis_arcsec", tr.axis_arcsec);
    out += ',';
    appendArray(out, "axes_ha_dec", std::array<double, 2>{tr.axes.ha, tr.axes.dec});
    out += ',';
    appendArray(out, "optical_ha_dec", std::array<double, 2>{tr.optical.ha, tr.optical.dec});
    out += ",\"dome_deg\":";
    appendNumber(out, tr.dome_deg);
    out += ",\"focus\":";
    appendNumber(out, tr.focus);
    out += ",\"shutter\":\"" + tr.shutter + "\",\"shutter_fraction\":";
    appendNumber(out, tr.shutter_fraction);
    out += '}';
    return out;
}

}  // namespace orv
