#pragma once
// The simulated interface electronics: a virtual telescope behind the same port
// map as the real hardware. It holds every register, runs the four position
// counters, turns the step rates programmed into the axis interval timers into
// axis motion, drives the dome, the focus and the shutter from their relay bits,
// converts analogue channels, and holds the input lines at settable levels.
//
// There is no physics thread: every moving quantity is a linear function of the
// clock between two port writes, evaluated at the moment of each access. One
// mutex guards the whole state, so any number of threads may use the bus.
//
// Signs of the true positions: the RA axis is positive towards the west (hour
// angle increasing, the RA counter counting up); the Dec axis is positive in the
// sense in which the Dec counter counts up (direction bit clear).
//
// The mount stands at power-up with its axes at the zenith (where Orv's first
// date setting puts its position); from there the axes' hour angle and
// declination follow their motion. The optical axis differs from the axes by
// the mount's mechanical errors, none by default.

#include <array>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "core/Clock.h"
#include "core/Parameters.h"
#include "core/PortBus.h"
#include "sim/SimMotion.h"
#include "sim/SimMountErrors.h"

namespace orv {

// The mount, encoder and dome constants the simulated machine is built with.
struct SimMechanics {
    double RAStepSize = 0.10756564, DecStepSize = 0.10756564;  // arcseconds per (fine) step
    double HAScale = 1.062566 / 15 / 3600;                      // hours per RA count
    double DecScale = 1.0125 / 3600;                            // degrees per Dec count
    double DomeCountScale = 0.00000342;                         // radians per dome count
    double Latitude = 40.0;                                     // degrees: the zenith and the flexure
    double StartHA = 0.0;                                       // hours: the axes at power-up
    std::optional<double> StartDec;                             // degrees; default the latitude
    // The telescope on the east side of the pier: the Dec counter counts down as
    // the declination grows (Orv's default side).
    bool EastSide = true;
    static SimMechanics FromParameters(const Parameters& p);
};

class SimulatedInterface final : public PortBus {
public:
    // A step output faster than this (Hz) stalls the stepper: the axis does not
    // move. Orv's fastest rate needs about 2.4 kHz; the limit also keeps the
    // microsecond-long intermediate timer states of a reprogramming (a cascade
    // prescaler of 2 briefly seen as a single divider: 5 MHz) from moving an
    // axis by hundreds of arcseconds when a clock tick falls inside them.
    static constexpr double MaxStepHz = 50000.0;
    static constexpr double DomeDegPerSecond = 2.0;
    // Focus drive speeds in A/D units per second. The focus command polls a
    // reading that is refreshed only every ~130 ms and up to ~135 ms old: at
    // 100 units/s the position moves 13 units per reading, less than the
    // 20-unit-wide coarse band (|d| < 10), so the coarse approach cannot jump
    // over it and overshoots by at most ~14; at 20 units/s the fine approach
    // moves 2.6 units per reading within its 10-unit band and ends within about
    // 8 units of the target.
    static constexpr double FocusFastPerSecond = 100.0;
    static constexpr double FocusSlowPerSecond = 20.0;
    static constexpr double FocusStart = 1300.0;
    static constexpr int FocusChannel = 4;
    static constexpr int64_t ShutterTravelMs = 60000;  // closed to open, or back
    static constexpr int64_t ADConversionMs = 2;       // busy time after a start
    static constexpr int ADChannels = 8;
    // The guide probe's potentiometers at the centre of its travel.
    static constexpr int GuideProbeXChannel = 3, GuideProbeYChannel = 0;
    static constexpr int GuideProbeCentreX = 2403, GuideProbeCentreY = 152;
    // Input levels at power-up: interlock closed, drives on, track switch on,
    // main tracking rates, dome-on and dome-track active, slew button and hand
    // paddle released, no clouds.
    static constexpr uint8_t DefaultFrontPanel = 0x63, DefaultPaddle = 0xFF, DefaultCloud = 0xFF;

    explicit SimulatedInterface(const Clock& clock, SimMechanics mechanics = {});

    uint8_t read(uint16_t port) override;
    void write(uint16_t port, uint8_t value) override;
    // Works on the output latch of `port`: (latch & ~clearMask) | setMask is
    // written as one access; returns the byte written.
    uint8_t modify(uint16_t port, uint8_t clearMask, uint8_t setMask) override;

    // The byte last written to `port` (power-up 0xFF), without the side effects
    // of a read; for an input port, what was written to it, not its level.
    uint8_t lastWritten(uint16_t port);

    // Level of one of the input ports 0x288, 0x688, 0xA88; other ports are ignored.
    void setInput(uint16_t port, uint8_t value);
    // Holds analogue channel 0..7 at `value` (clamped to 0..4095). Channel 4 is
    // the focus potentiometer: holding it puts the focus at that position.
    void holdADChannel(int channel, int value);
    // Jams the focus (a seized lens cell, a focus at its end stop): the relays
    // still switch, but the focus and its reading stay where they are.
    void jamFocus(bool jammed);

    // The mechanical errors of the mount; they change only where the optical axis
    // points, never what the counters read.
    void setMountErrors(const SimMountErrors& errors);
    SimMountErrors mountErrors();
    // Turns the axes by hand: hour angle west and declination north, arcseconds of
    // axis rotation. The counters follow as they follow a drive.
    void nudge(double haArcsec, double decArcsec);

    struct Truth {
        int64_t t_ms;
        std::array<int32_t, 4> counters;          // current counts, sign-extended from 24 bits
        std::array<double, 2> axis_rate_arcsec;   // signed axis rates, arcsec/s
        std::array<double, 2> step_hz;            // programmed step output frequencies
        std::array<double, 2> axis_arcsec;        // true axis positions, arcsec from start
        SkyPlace axes;                            // where the axes stand, hours and degrees
        SkyPlace optical;                         // where the optical axis points
        double dome_deg;                          // dome azimuth, 0..360
        double focus;                             // focus position, A/D units
        std::string shutter;                      // "closed", "opening", "open", "closing"
        double shutter_fraction;                  // 0 closed .. 1 open
    };
    Truth truth();
    // The truth as one line of JSON (no newline).
    std::string truthJson();

private:
    struct PositionCounter {
        int64_t offset = 0;      // count minus floor(motion counts), set by a preset
        uint32_t preset = 0;     // 24-bit preset register
        uint32_t latched = 0;    // 24-bit output latch
        int pointer = 0;         // byte of the three-byte transfer: 0 low, 1 middle, 2 high
    };
    struct Converter {
        int previous = 0;        // result shown while a conversion runs
        int pending = 0;         // result of the conversion in progress
        int64_t readyAt = 0;     // end of the conversion in progress (ms)
        int result(int64_t now) const { return now >= readyAt ? pending : previous; }
    };

    int64_t now();
    uint8_t readLocked(uint16_t port, int64_t now);
    void writeLocked(uint16_t port, uint8_t value, int64_t now);
    void counterControl(int channel, uint8_t command, int64_t now);
    void startConversion(int64_t now);
    // Recomputes every drive's rate from the registers, in force from `now`.
    void updateDrives(int64_t now);
    double stepHz(int axis) const;
    double axisRate(int axis) const;
    double motionCounts(int channel, int64_t now) const;  // unbounded, fractional
    int64_t count(int channel, int64_t now) const;        // offset + floor(motion)
    Truth truthLocked(int64_t now) const;

    const Clock& clock_;
    const SimMechanics mech_;
    std::mutex mutex_;
    int64_t lastNow_ = 0;
    std::vector<uint8_t> latch_;                 // last byte written to each of the 65536 ports
    uint8_t frontPanel_ = DefaultFrontPanel, paddle_ = DefaultPaddle, cloud_ = DefaultCloud;
    std::array<PositionCounter, 4> counters_{};
    std::array<IntervalTimerPair, 2> timers_{};
    std::array<LinearMotion, 2> axis_{};         // arcsec
    MountErrorModel mount_;
    LinearMotion dome_{};                        // dome counts from the start position
    LinearMotion focus_{FocusStart, 0.0, 4095.0};
    LinearMotion shutter_{0.0, 0.0, static_cast<double>(ShutterTravelMs)};  // ms of travel
    bool focusJammed_ = false;
    std::array<int, ADChannels> held_{};
    Converter adc_{};
};

}  // namespace orv
