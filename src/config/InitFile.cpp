#include "config/InitFile.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <limits>

#include "astro/AstroConstants.h"
#include "astro/TextFormats.h"

namespace orv {

namespace {

constexpr const char* ColorsSection = "Colors";
constexpr const char* ExComSection = "ExComRS232";
constexpr const char* MNCPSection = "MNCPRS232";
constexpr const char* KAVSection = "KAVControlRS232";
constexpr const char* TCPSection = "TCPIPServer";
constexpr const char* KAVBitsSection = "KAVBits";
constexpr const char* SouthListSection = "SouthList";
constexpr const char* OnAxisListSection = "OnAxisList";
constexpr const char* TelescopeSection = "Telescope";
constexpr const char* RatesSection = "Rates";
constexpr const char* TimeUpdateSection = "TimeUpdate";


// The port layer's ordinal ranges (Port 256 = none).
constexpr int MaxBaudRate = 12, MaxDataBits = 4, MaxParity = 4, MaxStopBits = 2;

// A whole integer within [lo, hi]; anything else (missing, not a number, out of
// range) gives def.
long ReadInt(const ProfileFile& f, const char* section, const std::string& key, long def, long lo, long hi) {
    if (!f.hasKey(section, key)) return def;
    std::string text = f.readString(section, key, "");
    const char* b = text.data();
    const char* e = b + text.size();
    if (b != e && *b == '+') ++b;
    long v = 0;
    auto [end, ec] = std::from_chars(b, e, v);
    if (ec != std::errc() || end != e || b == e || v < lo || v > hi) return def;
    return v;
}

int ReadInt32(const ProfileFile& f, const char* section, const std::string& key, int def) {
    return static_cast<int>(
        ReadInt(f, section, key, def, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

bool ReadBool(const ProfileFile& f, const char* section, const char* key, bool def) {
    return ReadInt32(f, section, key, def ? 1 : 0) != 0;
}

// A real with "." or "," as the decimal separator; def when missing or not a finite number.
double ReadReal(const ProfileFile& f, const char* section, const char* key, double def) {
    if (!f.hasKey(section, key)) return def;
    std::string text = f.readString(section, key, "");
    double v = 0;
    if ((ParseReal(text, v, '.') || ParseReal(text, v, ',')) && std::isfinite(v)) return v;
    return def;
}

SerialSettings ReadSerial(const ProfileFile& f, const char* section) {
    const SerialSettings d;
    SerialSettings s;
    s.Port = static_cast<int>(ReadInt(f, section, "Port", d.Port, 0, SerialSettings::NoPort));
    s.BaudRate = static_cast<int>(ReadInt(f, section, "BaudRate", d.BaudRate, 0, MaxBaudRate));
    s.DataBits = static_cast<int>(ReadInt(f, section, "DataBits", d.DataBits, 0, MaxDataBits));
    s.Parity = static_cast<int>(ReadInt(f, section, "Parity", d.Parity, 0, MaxParity));
    s.StopBits = static_cast<int>(ReadInt(f, section, "StopBits", d.StopBits, 0, MaxStopBits));
    s.Mode = ReadInt32(f, section, "Mode", d.Mode);
    s.Device = f.readString(section, "Device", "");
    return s;
}

void WriteSerial(ProfileFile& f, const char* section, const SerialSettings& s) {
    f.writeInteger(section, "Port", s.Port);
    f.writeInteger(section, "BaudRate", s.BaudRate);
    f.writeInteger(section, "DataBits", s.DataBits);
    f.writeInteger(section, "Parity", s.Parity);
    f.writeInteger(section, "StopBits", s.StopBits);
    f.writeInteger(section, "Mode", s.Mode);
    // A device path cleared by the operator must not come back at the next read.
    if (s.Device.empty()) f.eraseKey(section, "Device");
    else f.writeString(section, "Device", s.Device);
}

std::string BitKey(size_t i) { return "Bit-" + std::to_string(i); }
std::string FilterKey(size_t i) { return "Filter-" + std::to_string(i + 1); }

template <size_t N>
void ReadList(const ProfileFile& f, const char* section, std::array<std::string, N>& list,
              std::string (*key)(size_t)) {
    for (size_t i = 0; i < N; ++i) list[i] = f.readString(section, key(i), key(i));
}

template <size_t N>
void WriteList(ProfileFile& f, const char* section, const std::array<std::string, N>& list,
               std::string (*key)(size_t)) {
    for (size_t i = 0; i < N; ++i) f.writeString(section, key(i), list[i]);
}

}  // namespace

KAVLabels KAVLabels::Defaults() {
    KAVLabels l;
    for (size_t i = 0; i < l.Bits.size(); ++i) l.Bits[i] = BitKey(i);
    for (size_t i = 0; i < l.SouthFilters.size(); ++i) l.SouthFilters[i] = FilterKey(i);
    for (size_t i = 0; i < l.OnAxisFilters.size(); ++i) l.OnAxisFilters[i] = FilterKey(i);
    return l;
}

UserDefaults ReadUserDefaults(const ProfileFile& f, const UserDefaults& current) {
    UserDefaults v;
    v.NightColors = ReadBool(f, ColorsSection, "NightColors", false);
    v.Form.FormWidth = ReadInt32(f, FormSection, "FormWidth", current.Form.FormWidth);
    v.Form.FormHeight = ReadInt32(f, FormSection, "FormHeight", current.Form.FormHeight);
    v.Form.LeftPos = ReadInt32(f, FormSection, "LeftPos", current.Form.LeftPos);
    v.Form.TopPos = ReadInt32(f, FormSection, "TopPos", current.Form.TopPos);
    v.TCPPort = static_cast<uint16_t>(ReadInt(f, TCPSection, "Port", UserDefaults::DefaultTCPPort, 0, 65535));
    v.ExCom = ReadSerial(f, ExComSection);
    v.MNCP = ReadSerial(f, MNCPSection);
    v.TCPMode = ReadInt32(f, TCPSection, "Mode", 0);
    ReadList(f, KAVBitsSection, v.Labels.Bits, BitKey);
    ReadList(f, SouthListSection, v.Labels.SouthFilters, FilterKey);
    ReadList(f, OnAxisListSection, v.Labels.OnAxisFilters, FilterKey);
    v.EastSideOperation = ReadBool(f, TelescopeSection, "Mode", false);
    v.GuideSpeed = ReadReal(f, RatesSection, "GuideSpeed", current.GuideSpeed);
    v.SetSpeed = ReadReal(f, RatesSection, "SetSpeed", current.SetSpeed);
    v.KAV = ReadSerial(f, KAVSection);
    return v;
}

void WriteUserDefaults(ProfileFile& f, const UserDefaults& v) {
    f.writeBool(ColorsSection, "NightColors", v.NightColors);
    WriteSerial(f, ExComSection, v.ExCom);
    WriteSerial(f, MNCPSection, v.MNCP);
    WriteSerial(f, KAVSection, v.KAV);
    f.writeInteger(TCPSection, "Port", v.TCPPort);
    f.writeInteger(TCPSection, "Mode", v.TCPMode);
    WriteList(f, KAVBitsSection, v.Labels.Bits, BitKey);
    WriteList(f, SouthListSection, v.Labels.SouthFilters, FilterKey);
    WriteList(f, OnAxisListSection, v.Labels.OnAxisFilters, FilterKey);
    f.writeBool(TelescopeSection, "Mode", v.EastSideOperation);
    IniWriteReal(f, RatesSection, "GuideSpeed", v.GuideSpeed);
    IniWriteReal(f, RatesSection, "SetSpeed", v.SetSpeed);
}

void WriteFormGeometry(ProfileFile& f, const FormGeometry& form) {
    f.writeInteger(FormSection, "FormWidth", form.FormWidth);
    f.writeInteger(FormSection, "FormHeight", form.FormHeight);
    f.writeInteger(FormSection, "LeftPos", form.LeftPos);
    f.writeInteger(FormSection, "TopPos", form.TopPos);
}

TimeUpdateSettings ReadTimeUpdate(const ProfileFile& f, const TimeUpdateSettings& current) {
    TimeUpdateSettings t;
    const long currentMs = std::lround(current.IntervalHours * astro::MsPerHour);
    t.IntervalHours = static_cast<double>(ReadInt(f, TimeUpdateSection, "Interval", currentMs,
                                                  std::numeric_limits<long>::min(),
                                                  std::numeric_limits<long>::max())) /
                      astro::MsPerHour;
    t.Enabled = ReadBool(f, TimeUpdateSection, "Enabled", current.Enabled);
    return t;
}

void WriteTimeUpdate(ProfileFile& f, const TimeUpdateSettings& t) {
    f.writeInteger(TimeUpdateSection, "Interval", std::lround(t.IntervalHours * astro::MsPerHour));
    f.writeBool(TimeUpdateSection, "Enabled", t.Enabled);
}

std::string InitFilePath(const std::optional<std::string>& dataDir) {
    namespace fs = std::filesystem;
    if (dataDir) return (fs::path(*dataDir) / InitFileName).string();
    // Relative values of the variables are ignored, as the base-directory convention asks.
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && fs::path(xdg).is_absolute())
        return (fs::path(xdg) / "orv" / InitFileName).string();
    if (const char* home = std::getenv("HOME"); home && fs::path(home).is_absolute())
        return (fs::path(home) / ".config" / "orv" / InitFileName).string();
    return InitFileName;
}

std::optional<ProfileFile> LoadInitFile(const std::string& path, std::string& why) {
    ProfileFile file;
    if (auto error = file.load(path)) {
        why = *error;
        return std::nullopt;
    }
    return file;
}

std::optional<std::string> UpdateInitFile(const std::string& path, const std::function<void(ProfileFile&)>& edit) {
    namespace fs = std::filesystem;
    std::string why;
    std::optional<ProfileFile> file = LoadInitFile(path, why);
    // A file that cannot be read could not be replaced faithfully either.
    if (!file) return std::string(InitFileWriteError);
    edit(*file);
    std::error_code ec;
    fs::path dir = fs::path(path).parent_path();
    if (!dir.empty()) fs::create_directories(dir, ec);
    if (ec || file->save()) return std::string(InitFileWriteError);
    return std::nullopt;
}

}  // namespace orv
