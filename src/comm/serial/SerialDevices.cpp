#include "comm/serial/SerialDevices.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "comm/serial/CommPort.h"

namespace orv {

namespace fs = std::filesystem;

namespace {

// The number after `prefix` when the rest of `name` is only digits; -1 otherwise.
long NumberAfter(const std::string& name, const std::string& prefix) {
    if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) return -1;
    if (name.size() - prefix.size() > 6) return -1;
    long n = 0;
    for (size_t i = prefix.size(); i < name.size(); ++i) {
        if (name[i] < '0' || name[i] > '9') return -1;
        n = n * 10 + (name[i] - '0');
    }
    return n;
}

// 8250 ports that the kernel reserves without finding a UART report type 0.
bool HasUart(const std::string& ttyClassDir, const std::string& name) {
    std::ifstream type(fs::path(ttyClassDir) / name / "type");
    int value = -1;
    if (!(type >> value)) return true;
    return value != 0;
}

}  // namespace

std::vector<std::string> ListSerialDevices(const std::string& devDir, const std::string& ttyClassDir) {
    static const char* const groups[] = {"ttyS", "ttyUSB", "ttyACM"};
    std::vector<std::pair<long, std::string>> numbered[3];
    std::error_code ec;
    for (fs::directory_iterator it(devDir, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        for (int g = 0; g < 3; ++g) {
            const long n = NumberAfter(name, groups[g]);
            if (n < 0) continue;
            if (g == 0 && !HasUart(ttyClassDir, name)) break;
            numbered[g].emplace_back(n, it->path().string());
            break;
        }
    }
    std::vector<std::string> devices;
    for (auto& group : numbered) {
        std::sort(group.begin(), group.end());
        for (auto& [n, path] : group) devices.push_back(path);
    }
    std::vector<std::string> byId;
    for (fs::directory_iterator it(fs::path(devDir) / "serial" / "by-id", ec), end; !ec && it != end;
         it.increment(ec))
        byId.push_back(it->path().string());
    std::sort(byId.begin(), byId.end());
    devices.insert(devices.end(), byId.begin(), byId.end());
    return devices;
}

int TtySOrdinal(const std::string& path, const std::string& devDir) {
    const std::string prefix = (fs::path(devDir) / "ttyS").string();
    const long n = NumberAfter(path, prefix);
    if (n < 0 || n > MaxPortOrdinal) return -1;
    // "ttyS01" would not name the same device as ordinal 1.
    if (path.size() > prefix.size() + 1 && path[prefix.size()] == '0') return -1;
    return int(n);
}

}  // namespace orv
