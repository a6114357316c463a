#include "controllers/AboutVersion.h"

#include <sys/stat.h>

#include <ctime>

namespace orv {

std::string AboutVersionLine(int year, int month, int day) {
    const int yy = ((year % 100) + 100) % 100;
    return "Version 0." + std::string(yy < 10 ? "0" : "") + std::to_string(yy) + "." + std::to_string(month) + "." +
           std::to_string(day);
}

std::optional<std::string> AboutVersionLineOfFile(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return std::nullopt;
    std::tm local{};
    if (!::localtime_r(&info.st_mtime, &local)) return std::nullopt;
    return AboutVersionLine(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
}

}  // namespace orv
