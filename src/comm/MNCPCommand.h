#pragma once
// The MNCP command interpreter: short text commands ('get ra', 'set
// objectra=10.5 objectdec=-20.25', 'goto' ...) answered with "ok ..." or
// "error ..." and CR LF. Commands go through the channel's held-command queue
// to StateCode; reports read the shared state.

#include <string>
#include <string_view>

namespace orv {

class System;
class SerialHeldCommands;

// The largest hour text in tenths of a second: 99h59m59.9s, and for a right
// ascension 23h59m59.9s (a value that rounds to 24 h is shown as the last
// tenth before it, never as 24h00m00.0s).
inline constexpr long MNCPMaxHourTenths = 3599999;
inline constexpr long MNCPMaxRATenths = 863999;

// Hours as '05h15m00.0s': tenths of a second rounded, at most `maxTenths`. A
// negative value gets "-" before the magnitude ('-01h30m00.0s'); a positive
// one no sign.
std::string MNCPHourText(double hours, long maxTenths = MNCPMaxHourTenths);
// Degrees as '+45d00m00s' or '-30d30m00s': whole arcseconds (the tenths are
// dropped), at most 99d59m59s.
std::string MNCPDegreeText(double degrees);

// The first number in the 50 characters of `payload` from `pos` (0 when none;
// characters past the end count as absent).
double MNCPScan(std::string_view payload, size_t pos);
// From `pos`: past any spaces, then past the word that follows; returns where
// the next scan starts (the space that ends the word, or the end).
size_t MNCPSkipWord(std::string_view payload, size_t pos);

class MNCPInterpreter {
public:
    MNCPInterpreter(System& system, SerialHeldCommands& commands) : system_(system), commands_(commands) {}

    // Runs one command; returns the reply text (empty: a reply without text).
    std::string ExecuteMNCPCommand(std::string_view payload);

    // The coordinates of the last "sync" or "set", kept between commands.
    double HeldRA = 0, HeldDec = 0;

private:
    std::string Get(std::string_view payload);
    // "sync" and "set": RA from `raPos`, Dec after "dec=" if the command has one.
    void TakeCoordinates(std::string_view payload, size_t raPos);

    System& system_;
    SerialHeldCommands& commands_;
};

}  // namespace orv
