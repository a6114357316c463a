#include "controllers/HeadlessStatus.h"

#include <cstdio>
#include <ostream>

#include "controllers/DisplayModel.h"

namespace orv {

namespace {

// s without leading and trailing blanks.
std::string Trimmed(const std::string& s) {
    const auto first = s.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    const auto last = s.find_last_not_of(' ');
    return s.substr(first, last - first + 1);
}

void AppendIfSet(std::string& list, const std::string& text) {
    std::string t = Trimmed(text);
    if (t.empty()) return;
    if (!list.empty()) list += ' ';
    list += t;
}

// Floor division, so that times before 1970 fall on the right day and second.
int64_t FloorDiv(int64_t a, int64_t b) {
    int64_t q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
    return q;
}

// Proleptic Gregorian calendar date of a day count from 1970-01-01.
void CivilFromDays(int64_t days, int64_t& year, int& month, int& day) {
    days += 719468;  // days from 0000-03-01 to 1970-01-01
    const int64_t era = FloorDiv(days, 146097);
    const int64_t dayOfEra = days - era * 146097;                                    // 0..146096
    const int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);  // from 1 March
    const int64_t mp = (5 * dayOfYear + 2) / 153;                                    // 0 = March
    day = static_cast<int>(dayOfYear - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
}

}  // namespace

std::string HeadlessStatusLine(const DisplayControls& c) {
    std::string line = "UT " + c.UTimeDis + "  ST " + c.STimeDis + "  RA " + c.TeleRADis +
                       "  Dec " + c.TeleDecDis + "  Code " + c.CommandNoStringDis;
    line += std::string("  Track ") + OnOffText(c.TrackOnOff);
    line += std::string("  Drives ") + OnOffText(c.DrivesOnOff);
    line += std::string("  Dome ") + OnOffText(c.DomeOnOff);

    std::string status;
    for (const std::string* text : {&c.StatusDis, &c.SlewDis, &c.SlewingDis, &c.SettingDis,
                                    &c.TrailingDis, &c.Limit1Dis, &c.Limit2Dis, &c.TargetDis,
                                    &c.CloudsDis}) {
        AppendIfSet(status, *text);
    }
    if (!status.empty()) line += " | " + status;
    const std::string message = Trimmed(c.MyStringDis);
    if (!message.empty()) line += (status.empty() ? " | | " : " | ") + message;
    return line;
}

std::string TimestampedLogLine(int64_t utcMs, const std::string& text) {
    const int64_t seconds = FloorDiv(utcMs, 1000);
    const int64_t days = FloorDiv(seconds, 86400);
    const int64_t secondOfDay = seconds - days * 86400;
    int64_t year = 0;
    int month = 0, day = 0;
    CivilFromDays(days, year, month, day);
    char stamp[48];
    std::snprintf(stamp, sizeof stamp, "%04lld-%02d-%02d %02d:%02d:%02dZ ", static_cast<long long>(year),
                  month, day, static_cast<int>(secondOfDay / 3600),
                  static_cast<int>(secondOfDay / 60 % 60), static_cast<int>(secondOfDay % 60));
    return stamp + text;
}

void WriteTimestampedLog(std::ostream& out, int64_t utcMs, const std::vector<std::string>& lines) {
    for (const auto& text : lines) out << TimestampedLogLine(utcMs, text) << '\n';
}

}  // namespace orv
