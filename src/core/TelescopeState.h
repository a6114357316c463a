#pragma once
// The shared telescope state: every variable that the commanders, the task
// threads and the display exchange, under its own name. Scalars are atomics;
// status words change bit by bit with fetch_or / fetch_and so that no update by
// another thread is lost; the three texts sit behind a small mutex.

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

namespace orv {

using SharedDouble = std::atomic<double>;
using SharedFlag = std::atomic<uint8_t>;   // 0 or 1
using SharedInt = std::atomic<int32_t>;
using StatusWord = std::atomic<uint32_t>;

// A text shared between threads.
class SharedText {
public:
    std::string get() const {
        std::lock_guard lock(mutex_);
        return text_;
    }
    void set(std::string text) {
        std::lock_guard lock(mutex_);
        text_ = std::move(text);
    }

private:
    mutable std::mutex mutex_;
    std::string text_;
};

// Bits of StatusFlags1.
namespace status1 {
inline constexpr uint32_t Initialized = 0x001, TrackingSwitch = 0x004, SlewEnabled = 0x008,
                          DomeOnIndicator = 0x010, ApproachingLimits = 0x020,
                          LimitReached = 0x040, Slewing = 0x080, CommandBusy = 0x100;
}
// Bits of StatusFlags2.
namespace status2 {
inline constexpr uint32_t Setting = 0x001, Trailing = 0x002, FrontPanelInput5 = 0x004,
                          DomeInPosition = 0x008, TargetOutOfRange = 0x010,
                          CosineDeclination = 0x020, RateCorrection = 0x040, DrivesOn = 0x080,
                          FocusMoving = 0x100;
}
// Bits of StatusFlags3.
namespace status3 {
inline constexpr uint32_t DomeTrack = 0x002, PaddleNorth = 0x004, PaddleSouth = 0x008,
                          PaddleEast = 0x010, PaddleWest = 0x020, TargetLoaded = 0x040,
                          RateSelectInput = 0x080;
}

// ShutterState values.
namespace shutter {
inline constexpr int32_t Closed = 0, Opening = 1, Open = 2, Closing = 3, Unknown = 4;
}

inline void setBits(StatusWord& word, uint32_t mask) { word.fetch_or(mask); }
inline void clearBits(StatusWord& word, uint32_t mask) { word.fetch_and(~mask); }
inline void assignBits(StatusWord& word, uint32_t mask, bool on) {
    if (on) setBits(word, mask); else clearBits(word, mask);
}
inline bool testBits(const StatusWord& word, uint32_t mask) { return (word.load() & mask) != 0; }

struct TelescopeState {
    // Command interface.
    SharedInt StateCode{0};
    SharedText StateText;
    std::array<SharedDouble, 12> CommandParam{};
    // The state machine's latest pick-up: (number of commands taken << 32) | code.
    // A handler that ends sets StateCode to 0 whatever was written meanwhile, so
    // a commander that must know its command ran looks here (TakenCount, TakenCode).
    std::atomic<uint64_t> LastTaken{0};

    // Status words.
    StatusWord StatusFlags1{0};
    StatusWord StatusFlags2{0x60};
    StatusWord StatusFlags3{0};

    // Motion and safety flags.
    SharedFlag StopRequest{0};
    // Counts the stops from every source (Commander::stop, the interlock opening,
    // the safety close): a command held before a stop carries an older count and
    // is discarded.
    std::atomic<uint32_t> StopGeneration{0};
    SharedFlag SlewInProgress{0};
    SharedFlag HATargetMode{0};
    SharedFlag LimitWarning{0};
    SharedFlag InterlockOpen{0};
    SharedFlag ThroughPole{0};
    SharedFlag InhibitNorth{0}, InhibitSouth{0}, InhibitEast{0}, InhibitWest{0};
    SharedInt HAMoveWest{0};     // 1 west, 0 east
    SharedInt DecMoveNorth{0};   // 1 north, 0 south
    SharedFlag EastSideOperation{1};
    SharedFlag DomeOn{0};
    SharedFlag DomeTrack{0};
    SharedFlag CloudDetected{0};
    SharedFlag CloudHandled{0};

    // Time and position.
    SharedInt Day{1}, Month{1};
    SharedDouble Year{1900.0};       // year with fraction
    SharedDouble Epoch{1900.0};      // display equinox
    SharedDouble UT{0}, LST{0};      // hours
    SharedDouble RA{0}, HA{0};       // hours
    SharedDouble Dec{0};             // degrees
    // Apparent place of date (true equator and equinox of date, aberration
    // included, no refraction or pointing model) from the same pass as RA/Dec.
    SharedDouble ApparentRA{0};      // hours
    SharedDouble ApparentDec{0};     // degrees
    SharedDouble ZenithDistance{0};  // degrees
    SharedDouble Azimuth{270.0};     // degrees
    SharedDouble AirMass{0};
    SharedDouble TargetRA{0}, TargetDec{0};
    SharedDouble NextRA{0}, NextDec{0}, NextEpoch{2000.0}, NextHA{0};
    SharedDouble HACorrection{0};    // hours
    SharedDouble DecCorrection{0};   // degrees
    SharedDouble HARateCorrection{0}, DecRateCorrection{0};  // arcsec/s
    SharedDouble DomeAzimuth{0};         // degrees, 0..360
    SharedDouble DomeAzimuthRad{0};      // radians
    SharedDouble DomeAzimuthOffset{0};   // radians, relative to DomeHomeAzimuth
    SharedDouble FocusReading{0};        // A/D channel 4
    SharedFlag FocusStopRequest{0};      // ends a focus move only, leaving every other motion alone
    SharedDouble ReportedFocus{0};       // focus reported by the MNCP host
    SharedDouble ReportedFocus2{0};      // second focus value shown with it
    SharedDouble DecCountOffset{0};      // counts that a Dec counter reading of 0 stands for
    SharedDouble FourthCount{0};         // fourth counter, read and kept

    // Rates, arcseconds per second.
    SharedDouble HARate{0}, DecRate{0};
    SharedDouble TrackRateRA{15.041}, TrackRateDec{0};
    SharedDouble AuxTrackRateRA{0}, AuxTrackRateDec{0};
    SharedDouble ActiveTrackRateRA{0}, ActiveTrackRateDec{0};
    SharedDouble GuideRate{5.0}, SetRate{100.0};
    SharedDouble TrailRate{0}, TrailLength{0}, TrailAngle{0};

    // Messages shown by the main window.
    SharedText TelescopeMessage;
    SharedText ShutterMessage;
    // Clock time (ms) at which a running shutter close releases its drive; 0 when
    // no close runs. The shut-down sequence waits for it and shows the time left.
    std::atomic<int64_t> ShutterCloseEndMs{0};
    // What the shutter is doing, as far as Orv's own commands and their travel
    // time tell (there is no end-position input); one of shutter::*.
    SharedInt ShutterState{shutter::Unknown};
};

inline uint32_t TakenCount(uint64_t lastTaken) { return static_cast<uint32_t>(lastTaken >> 32); }
inline int32_t TakenCode(uint64_t lastTaken) { return static_cast<int32_t>(lastTaken & 0xFFFFFFFFu); }
// Records that the state machine took `code` (called once per pick-up).
inline void RecordTaken(std::atomic<uint64_t>& lastTaken, int32_t code) {
    const uint64_t count = TakenCount(lastTaken.load()) + 1ull;
    lastTaken = (count << 32) | static_cast<uint32_t>(code);
}

}  // namespace orv
