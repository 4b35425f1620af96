#include "tests/config/ConfigFixture.h"

#include <QFile>

namespace kestro::test {

void ConfigFixture::SetUp() {
    ASSERT_TRUE(dir_.isValid());
    locale_.emplace(GetParam());
    Config = sample();
    ConfigSaved = false;
    ConfigView.showFileName = [this](const QString& name) { shownFileNames.push_back(name); };
    ConfigView.setSlaveId = [this](int id) { slaveIds.push_back(id); };
    useFile("test.cfg");
}

void ConfigFixture::TearDown() {
    ConfigView = ConfigurationView();
    Settings = IniRecord();
}

void ConfigFixture::useFile(const QString& name) {
    Settings.Path = folder();
    Settings.FileName = name;
}

void ConfigFixture::put(const QString& name, const QByteArray& bytes) const {
    QFile file(path(name));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

QByteArray ConfigFixture::take(const QString& name) const {
    QFile file(path(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

ConfigRecord ConfigFixture::sample() {
    ConfigRecord record = numberedRecord("Sample", "FW 9", 42, 2400, 2.5f);
    record.CalControl = 0x1ff;
    return record;
}

void ConfigFixture::expectSame(const ConfigRecord& actual, const ConfigRecord& expected) {
    EXPECT_EQ(actual.Name, expected.Name);
    EXPECT_EQ(actual.FirmwareVersion, expected.FirmwareVersion);
    EXPECT_EQ(actual.SlaveID, expected.SlaveID);
    EXPECT_EQ(actual.Baud, expected.Baud);
    for (size_t i = 0; i < ConfigFloats.size(); ++i) {
        EXPECT_EQ(actual.*ConfigFloats[i], expected.*ConfigFloats[i]) << "float " << i;
    }
    EXPECT_EQ(actual.CalControl, expected.CalControl);
}

}  // namespace kestro::test
