#pragma once
// A configuration unit wired to a scratch folder: Settings name a file in
// it, the main window's status panel and Slave ID field are recorded, and
// messages go to a scripted interaction. Parameterised by the locale, so
// every case runs with a point and with a comma as decimal separator.

#include <gtest/gtest.h>

#include <QLocale>
#include <QString>
#include <QTemporaryDir>
#include <optional>
#include <vector>

#include "config/Configuration.h"
#include "shell/MainState.h"
#include "tests/support/Locales.h"
#include "tests/support/SampleRecords.h"
#include "tests/support/ScriptedInteraction.h"

namespace kestro::test {

class ConfigFixture : public ::testing::TestWithParam<LocaleCase> {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Settings.Path is the scratch folder, Settings.FileName `name`.
    void useFile(const QString& name);
    QString path(const QString& name) const { return folder() + name; }
    QString folder() const { return dir_.path() + '/'; }
    void put(const QString& name, const QByteArray& bytes) const;
    QByteArray take(const QString& name) const;
    // "0.1" as the locale writes it.
    QString local(QString number) const { return number.replace('.', GetParam().separator); }

    // A record unlike the defaults in every field.
    static ConfigRecord sample();
    static void expectSame(const ConfigRecord& actual, const ConfigRecord& expected);

    ScriptedInteraction interaction;
    std::vector<QString> shownFileNames;
    std::vector<int> slaveIds;

  private:
    QTemporaryDir dir_;
    std::optional<LocaleScope> locale_;
};

}  // namespace kestro::test
