#pragma once
// The dome task: about every two seconds it works out where the dome slit must
// be (the telescope's line of sight, or in home mode the home azimuth plus the
// commanded offset), reports whether the dome is within its tolerance, and with
// automatic dome control on drives the dome relays until it is close enough.
// Angles in radians; the relays start at an error above the start threshold and
// stop below the smaller stop threshold.

#include <atomic>
#include <cstdint>

namespace orv {

class System;

// The in-position half-width (radians) of a slit of half-width `slitHalfWidth`
// on a dome of radius `radius` (same length unit) for a telescope at zenith
// distance `zenithDistanceDeg`: 2 pi near the zenith, where any dome azimuth serves.
double DomeToleranceFor(double zenithDistanceDeg, double slitHalfWidth, double radius);

// `a` (radians) reduced by whole turns into -pi..+pi.
double WrapDomeError(double a);

class DomeTask {
public:
    // Narrowest in-position half-width in home mode, radians; never below the stop threshold.
    static constexpr double HomeTolerance = 0.01;

    explicit DomeTask(System& system) : system_(system) {}
    void InitDomeTask();
    // Sleep 1 s, target, compare, perhaps move, sleep 1 s.
    void DomeTaskPass();
    // Sets DomeTarget and DomeTolerance.
    void ComputeDomeTarget();
    // Drives the dome while |DomeError| is above the start threshold, until it is
    // below the stop threshold or automatic control is switched off.
    void MoveDome();
    // Both dome relays off (also the task's last act when the system stops).
    void ReleaseRelays();

    double DomeTarget() const { return target_.load(); }
    double DomeNow() const { return now_.load(); }
    double DomeError() const { return error_.load(); }
    double DomeTolerance() const { return tolerance_.load(); }
    uint16_t DomePort() const { return port_; }

private:
    void measure();   // DomeNow and DomeError from the dome azimuth of the time task

    System& system_;
    uint16_t port_ = 0x689;
    // Written by the dome thread only; atomic so a display may read them.
    std::atomic<double> target_{0}, now_{0}, error_{0}, tolerance_{0};
};

}  // namespace orv
