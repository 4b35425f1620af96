#pragma once
// Numbers, dates and files are tested under a point and a comma locale.
// The scopes here put the default locale and environment variables back
// however the test ends.

#include <gtest/gtest.h>

#include <QByteArray>
#include <QLocale>
#include <optional>
#include <ostream>
#include <string>

namespace kestro::test {

struct LocaleCase {
    const char* name;
    QLocale::Language language;
    QLocale::Territory territory;
    char separator;  // the decimal separator

    QLocale locale() const { return QLocale(language, territory); }
};

inline const LocaleCase kPointLocale{"Point", QLocale::English, QLocale::UnitedKingdom, '.'};
inline const LocaleCase kCommaLocale{"Comma", QLocale::German, QLocale::Germany, ','};

inline void PrintTo(const LocaleCase& locale, std::ostream* os) {
    *os << locale.name;
}
// The name of a case in INSTANTIATE_TEST_SUITE_P.
inline std::string LocaleName(const ::testing::TestParamInfo<LocaleCase>& info) {
    return info.param.name;
}

// The default locale is `locale` for the scope's life, then what it was.
class LocaleScope {
  public:
    explicit LocaleScope(const QLocale& locale) { QLocale::setDefault(locale); }
    explicit LocaleScope(const LocaleCase& locale) : LocaleScope(locale.locale()) {}
    ~LocaleScope() { QLocale::setDefault(saved_); }
    LocaleScope(const LocaleScope&) = delete;
    LocaleScope& operator=(const LocaleScope&) = delete;

  private:
    QLocale saved_;
};

// An environment variable set (or removed) for the scope's life, then put
// back as it was, unset included.
class EnvScope {
  public:
    EnvScope(const char* name, const std::optional<QByteArray>& value);
    ~EnvScope();
    EnvScope(const EnvScope&) = delete;
    EnvScope& operator=(const EnvScope&) = delete;

  private:
    const char* name_;
    std::optional<QByteArray> saved_;
};

}  // namespace kestro::test
