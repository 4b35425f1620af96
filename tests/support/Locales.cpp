#include "tests/support/Locales.h"

namespace kestro::test {

namespace {

void put(const char* name, const std::optional<QByteArray>& value) {
    if (value)
        qputenv(name, *value);
    else
        qunsetenv(name);
}

}  // namespace

EnvScope::EnvScope(const char* name, const std::optional<QByteArray>& value) : name_(name) {
    if (qEnvironmentVariableIsSet(name))
        saved_ = qgetenv(name);
    put(name, value);
}

EnvScope::~EnvScope() {
    put(name_, saved_);
}

}  // namespace kestro::test
