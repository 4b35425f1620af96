#include "platform/core/PortMap.h"

#include <cctype>
#include <map>

namespace kestro {

namespace {

std::map<int, std::string>& entries() {
    static std::map<int, std::string> table;
    return table;
}

}  // namespace

void PortMap::setEntry(int portNumber, const std::string& device) {
    if (portNumber <= 0)
        return;
    if (device.empty())
        entries().erase(portNumber);
    else
        entries()[portNumber] = device;
}

bool PortMap::setEntry(const std::string& key, const std::string& device) {
    const int n = portNumberFromKey(key);
    if (n == 0)
        return false;
    setEntry(n, device);
    return true;
}

void PortMap::clear() {
    entries().clear();
}

std::string PortMap::devicePath(int portNumber) {
    const auto found = entries().find(portNumber);
    return found != entries().end() ? found->second : defaultPath(portNumber);
}

std::string PortMap::defaultPath(int portNumber) {
    if (portNumber <= 0)
        return {};
#if defined(_WIN32)
    return "COM" + std::to_string(portNumber);
#else
    struct Range {
        int first;
        const char* prefix;
    };
    static const Range kRanges[] = {{1, "/dev/ttyS"}, {17, "/dev/ttyUSB"}, {33, "/dev/ttyACM"}};
    for (const Range& r : kRanges) {
        if (portNumber >= r.first && portNumber < r.first + 16)
            return r.prefix + std::to_string(portNumber - r.first);
    }
    return {};
#endif
}

int PortMap::portNumberFromKey(const std::string& key) {
    if (key.size() < 4 || key.size() > 12)
        return 0;
    for (int i = 0; i < 3; ++i) {
        if (std::toupper(static_cast<unsigned char>(key[i])) != "COM"[i])
            return 0;
    }
    int n = 0;
    for (size_t i = 3; i < key.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(key[i])))
            return 0;
        n = n * 10 + (key[i] - '0');
    }
    return n;
}

}  // namespace kestro
