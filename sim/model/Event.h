#pragma once
// What the device did or what was done to its line, as one flat record that
// prints as one JSON line: {"event":"write","block":"clock",...}.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace kestro::sim {

struct Event {
    explicit Event(std::string name) : name(std::move(name)) {}

    Event& withInt(const std::string& key, int64_t value);
    Event& withNumber(const std::string& key, double value);  // non-finite prints as null
    Event& withText(const std::string& key, const std::string& value);

    // The value's JSON text ("\"clock\"", "5"), empty when the key is absent.
    std::string value(const std::string& key) const;
    std::string json() const;

    std::string name;
    std::vector<std::pair<std::string, std::string>> fields;  // key, JSON text
};

std::string jsonString(const std::string& text);

}  // namespace kestro::sim
