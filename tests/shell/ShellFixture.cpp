#include "tests/shell/ShellFixture.h"

#include <QFile>
#include <QTest>

#include "config/Configuration.h"
#include "platform/IniStore.h"
#include "platform/core/PortMap.h"

namespace kestro::test {

DialogAnswer PressOk(const QString& entry) {
    return [entry](TfrmComSelect& dialog) {
        if (!entry.isEmpty())
            dialog.cbComPorts->setCurrentText(entry);
        QTest::mouseClick(dialog.btnOk, Qt::LeftButton);
        return dialog.result();
    };
}

DialogAnswer PressCancel() {
    return [](TfrmComSelect& dialog) {
        QTest::mouseClick(dialog.btnCancel, Qt::LeftButton);
        return dialog.result();
    };
}

void ShellTest::SetUp() {
    ASSERT_TRUE(temp.isValid());
    QDir root(temp.path());
    ASSERT_TRUE(root.mkpath("program") && root.mkpath("config"));
    programDir = QDir(root.filePath("program"));
    userConfigDir = QDir(root.filePath("config"));
    home_.emplace("HOME", temp.path().toLocal8Bit());
    xdgConfig_.emplace("XDG_CONFIG_HOME", userConfigDir.path().toLocal8Bit());

    Settings = IniRecord();
    Config = ConfigRecord();
    ConfigSaved = false;
    FullMode = false;
    PortMap::clear();
    ComSelectProbe = [this](int n) {
        return PortProbeResult{availablePorts.count(n) > 0, QString("/dev/ttyV%1").arg(n)};
    };
    RunComSelect = [this](TfrmComSelect& dialog) {
        QStringList entries;
        for (int i = 0; i < dialog.cbComPorts->count(); ++i)
            entries << dialog.cbComPorts->itemText(i);
        dialogLists.push_back(entries);
        if (dialogAnswers.empty()) {
            ADD_FAILURE() << "unscripted port selection dialog";
            return int(QDialog::Rejected);
        }
        const DialogAnswer answer = dialogAnswers.front();
        dialogAnswers.pop_front();
        return answer(dialog);
    };
}

void ShellTest::TearDown() {
    window.reset();
    RunComSelect = nullptr;
    ComSelectProbe = ProbePort;
    PortMap::clear();
    EXPECT_TRUE(dialogAnswers.empty()) << "port selection answers left over";
}

void ShellTest::start(std::deque<DialogAnswer> answers) {
    dialogAnswers = std::move(answers);
    window = std::make_unique<TfrmMain>(platform, programDir.path());
    window->show();
}

void ShellTest::close() {
    window->close();
}

void ShellTest::reselect(DialogAnswer answer) {
    dialogAnswers.push_back(std::move(answer));
    QTest::mouseDClick(window->sbMainPanel(0), Qt::LeftButton);
}

std::vector<uint8_t> ShellTest::FirstRequest() {
    platform.clock.runUntil([this] { return platform.port && platform.port->written.size() >= 8; },
                            2000);
    return platform.port ? platform.port->written : std::vector<uint8_t>();
}

void ShellTest::writeIni(const QString& folder, const QByteArray& text) const {
    QFile file(QDir(folder).filePath("Kestro.ini"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
}

QByteArray ShellTest::readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QMap<QString, QString> ShellTest::section(const QString& file, const QString& name) {
    IniStore store(file);
    store.Open();
    QMap<QString, QString> keys;
    for (const auto& [key, value] : store.ReadSection(name))
        keys[key] = value;
    return keys;
}

}  // namespace kestro::test
