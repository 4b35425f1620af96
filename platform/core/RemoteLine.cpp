#include "platform/core/RemoteLine.h"

#include <cctype>

namespace kestro {

namespace {

constexpr char kScheme[] = "tcp://";
constexpr size_t kSchemeLength = sizeof kScheme - 1;
constexpr int kMaxTcpPort = 65535;

bool allDigits(const std::string& text) {
    if (text.empty())
        return false;
    for (char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c)))
            return false;
    }
    return true;
}

}  // namespace

bool IsRemoteLine(const std::string& device) {
    if (device.size() < kSchemeLength)
        return false;
    for (size_t i = 0; i < kSchemeLength; ++i) {
        if (std::tolower(static_cast<unsigned char>(device[i])) != kScheme[i])
            return false;
    }
    return true;
}

std::optional<RemoteLine> ParseRemoteLine(const std::string& device) {
    if (!IsRemoteLine(device))
        return std::nullopt;
    const std::string rest = device.substr(kSchemeLength);
    const size_t colon = rest.rfind(':');
    if (colon == std::string::npos)
        return std::nullopt;
    std::string host = rest.substr(0, colon);
    const std::string port = rest.substr(colon + 1);
    if (host.size() >= 2 && host.front() == '[' && host.back() == ']')
        host = host.substr(1, host.size() - 2);
    else if (host.find_first_of("[]:/") != std::string::npos)
        return std::nullopt;  // an IPv6 address needs its brackets
    if (host.empty() || host.find_first_of(" \t/") != std::string::npos)
        return std::nullopt;
    if (!allDigits(port) || port.size() > 5)
        return std::nullopt;
    const int number = std::stoi(port);
    if (number < 1 || number > kMaxTcpPort)
        return std::nullopt;
    return RemoteLine{host, number};
}

}  // namespace kestro
