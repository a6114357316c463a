#pragma once
// The initialisation file "WinOrv.ini": the operator's defaults (serial settings
// and modes of the remote channels, the server port and mode, colours, window
// geometry, KAV labels, side of the pier, paddle rates, clock synchronisation).
//
// Nothing in the file is needed to run: a missing file reads as an empty one and
// every key has a default. A value that is not a valid number, or a number
// outside what its key can hold, reads as the key's default. Reals are written
// with "." and read with "." or ",". Every save replaces the whole file (see
// AtomicFile.h); on failure the old file stays as it was.

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "config/ProfileFile.h"
#include "core/ChannelDefaults.h"

namespace orv {

inline constexpr const char* InitFileName = "WinOrv.ini";
// The operator message of a refused save.
inline constexpr const char* InitFileWriteError = "Unable to write to WinOrv.ini";

// One serial section: the ordinals of the port layer, the connection mode and,
// on Linux, the device path that wins over the port ordinal when set.
struct SerialSettings {
    static constexpr int NoPort = 256;   // "None"; 0..255 are Com1..Com256
    int Port = NoPort;
    int BaudRate = 6;   // 0 = 110 ... 6 = 9600 ... 12 = 115200
    int DataBits = 4;   // 0 = 4 ... 4 = 8
    int Parity = 0;     // none, odd, even, mark, space
    int StopBits = 0;   // 1, 1.5, 2
    int Mode = 0;       // 0 no connection, 1 serial port (other values keep the port closed)
    std::string Device;
    bool operator==(const SerialSettings&) const = default;
};

// The main window's size and position in pixels.
struct FormGeometry {
    int FormWidth = 0, FormHeight = 0, LeftPos = 0, TopPos = 0;
    bool operator==(const FormGeometry&) const = default;
};

// The labels the KAV dialog shows: its eight port bits and the descriptions of
// the two filter wheels' rows.
struct KAVLabels {
    std::array<std::string, 8> Bits;
    std::array<std::string, 8> SouthFilters;
    std::array<std::string, 6> OnAxisFilters;
    // "Bit-0" ... "Bit-7", "Filter-1" ...: the texts a first start shows.
    static KAVLabels Defaults();
    bool operator==(const KAVLabels&) const = default;
};

// Everything GetUserDefaults reads and SaveUserDefaults writes, plus the window
// geometry of SaveSizePosition.
struct UserDefaults {
    static constexpr uint16_t DefaultTCPPort = orv::DefaultTCPPort;
    bool NightColors = false;
    FormGeometry Form;
    uint16_t TCPPort = DefaultTCPPort;
    int TCPMode = 0;      // any non-zero value activates the server
    SerialSettings ExCom, MNCP, KAV;
    KAVLabels Labels = KAVLabels::Defaults();
    bool EastSideOperation = false;
    double GuideSpeed = 5.0;   // arcsec/s
    double SetSpeed = 100.0;   // arcsec/s
    bool operator==(const UserDefaults&) const = default;
};

// The file's values; `current` gives the defaults of the keys that default to
// what is in force (the window geometry and the two paddle rates).
UserDefaults ReadUserDefaults(const ProfileFile& file, const UserDefaults& current);

// Writes the sections of "Save User Defaults" in their order: Colors, ExComRS232,
// MNCPRS232, KAVControlRS232, TCPIPServer, KAVBits, SouthList, OnAxisList,
// Telescope, Rates. The Form section is not written. A serial section gets a
// Device key only when its channel has a device path.
void WriteUserDefaults(ProfileFile& file, const UserDefaults& values);

// The Form section: FormWidth, FormHeight, LeftPos, TopPos.
void WriteFormGeometry(ProfileFile& file, const FormGeometry& form);
inline constexpr const char* FormSection = "Form";

// The clock synchronisation settings of the TimeUpdate section.
struct TimeUpdateSettings {
    double IntervalHours = 1.0;
    bool Enabled = false;
};
// Interval in milliseconds divided by 3600000; the defaults come from `current`.
TimeUpdateSettings ReadTimeUpdate(const ProfileFile& file, const TimeUpdateSettings& current);
// Interval stored as hours x 3600000 ms, rounded to the nearest integer.
void WriteTimeUpdate(ProfileFile& file, const TimeUpdateSettings& settings);

// Where the file lives: in `dataDir` when one was given, else in
// $XDG_CONFIG_HOME/orv (default ~/.config/orv; the working directory when
// neither variable is set).
std::string InitFilePath(const std::optional<std::string>& dataDir);

// Reads the file; a missing file gives an empty profile. nullopt with `why`
// filled when the file exists but cannot be read.
std::optional<ProfileFile> LoadInitFile(const std::string& path, std::string& why);

// Reads the file, lets `edit` change it, and replaces it whole, creating its
// directory on the first save. Returns InitFileWriteError when the file cannot
// be read or written; the file on disk is then unchanged.
std::optional<std::string> UpdateInitFile(const std::string& path, const std::function<void(ProfileFile&)>& edit);

}  // namespace orv
