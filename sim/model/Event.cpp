#include "sim/model/Event.h"

#include <cmath>
#include <cstdio>

namespace kestro::sim {

std::string jsonString(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += char(c);
        } else if (c < 0x20 || c >= 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out += char(c);
        }
    }
    return out + "\"";
}

Event& Event::withInt(const std::string& key, int64_t value) {
    fields.emplace_back(key, std::to_string(value));
    return *this;
}

Event& Event::withNumber(const std::string& key, double value) {
    char text[32] = "null";
    if (std::isfinite(value))
        std::snprintf(text, sizeof text, "%.9g", value);
    fields.emplace_back(key, text);
    return *this;
}

Event& Event::withText(const std::string& key, const std::string& value) {
    fields.emplace_back(key, jsonString(value));
    return *this;
}

std::string Event::value(const std::string& key) const {
    for (const auto& [k, v] : fields)
        if (k == key)
            return v;
    return {};
}

std::string Event::json() const {
    std::string out = "{\"event\":" + jsonString(name);
    for (const auto& [key, value] : fields)
        out += "," + jsonString(key) + ":" + value;
    return out + "}";
}

}  // namespace kestro::sim
