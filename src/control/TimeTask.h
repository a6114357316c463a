#pragma once
// The time and coordinate task: keeps UT, sidereal time and the calendar date,
// and ten times a second turns the axis counters into the observed, apparent and
// mean place, the horizon quantities, the dome azimuth and the focus reading.

#include <array>
#include <cstdint>

namespace orv {

class System;

// Sign-extends a 24-bit counter reading given as its three bytes, low first.
int32_t CounterValueFromBytes(uint8_t low, uint8_t middle, uint8_t high);

// Moves a calendar date one day forward; every fourth year is a leap year here,
// without the century rule.
void AdvanceDate(int& day, int& month, int& year);

// Brings a dome azimuth in degrees into 0..360 (360 itself stays).
double WrapDomeAzimuth(double degrees);

class TimeTask {
public:
    explicit TimeTask(System& system) : system_(system) {}
    void InitTimeTask();
    void TimeTaskPass();
    // ReadPositionCounters followed by the reverse chain, under ParameterLock.
    void UpdateCoordinates();
    // Latches and reads the four counters, then the two clocks with their roll-overs.
    void ReadPositionCounters();

    // Working values of the last pass (only this task writes them).
    double RACount() const { return raCount_; }
    double DecCount() const { return decCount_; }
    double DomeCount() const { return domeCount_; }

private:
    System& system_;
    double raCount_ = 0, decCount_ = 0, domeCount_ = 0;
};

}  // namespace orv
