#include "tests/wincom/ComOneFixture.h"

#include <QFile>
#include <QJsonDocument>
#include <QTest>

#include "config/Configuration.h"
#include "platform/core/PortMap.h"
#include "shell/Comselect.h"
#include "shell/MainState.h"
#include "tests/support/Waiting.h"

namespace kestro::test {

namespace {

// The user picks COM1 and presses OK; a list without it is a failure.
int ChooseCom1(TfrmComSelect& dialog) {
    const int com1 = dialog.cbComPorts->findText("COM1");
    if (com1 < 0) {
        ADD_FAILURE() << "COM1 is not offered in the port selection dialog";
        return int(QDialog::Rejected);
    }
    dialog.cbComPorts->setCurrentIndex(com1);
    QTest::mouseClick(dialog.btnOk, Qt::LeftButton);
    return dialog.result();
}

QList<QJsonObject> SimulatorEvents() {
    QFile file(qEnvironmentVariable("KESTRO_SIM_EVENTS"));
    QList<QJsonObject> events;
    if (!file.open(QIODevice::ReadOnly))
        return events;
    for (const QByteArray& line : file.readAll().split('\n'))
        if (!line.isEmpty())
            events.append(QJsonDocument::fromJson(line).object());
    return events;
}

}  // namespace

void ComOneTest::SetUp() {
    ASSERT_FALSE(qEnvironmentVariableIsEmpty("KESTRO_SIM_EVENTS"))
        << "needs rvx82a-sim on COM1 and its event file in KESTRO_SIM_EVENTS (script/windows "
           "--test)";
    ASSERT_TRUE(temp.isValid());
    QLocale::setDefault(GetParam().locale());  // the fixture puts it back
    Settings = IniRecord();
    Config = ConfigRecord();
    ConfigSaved = false;
    FullMode = false;
    PortMap::clear();
    RunComSelect = ChooseCom1;
}

void ComOneTest::TearDown() {
    for (const ShownMessage& message : interaction.messages)
        ADD_FAILURE() << "message shown: " << message.text.toStdString();
    status.reset();
    program.reset();
    RunComSelect = nullptr;
    PortMap::clear();
}

void ComOneTest::startKestro() {
    program = std::make_unique<Program>(platform, temp.path());
    status = std::make_unique<StatusWatch>(window().sbMainPanel(2));
    ASSERT_EQ(window().sbMainPanel(0)->text(), "COM1,9600,N,8,1");
    ASSERT_TRUE(window().tmrPoll->enabled()) << "polling did not start";
    ASSERT_TRUE(status->waitFor(kValid, kFirstAnswerMs)) << status->history().toStdString();
}

int ComOneTest::eventCount() {
    return int(SimulatorEvents().size());
}

QJsonObject ComOneTest::written(const QString& block, int since) {
    QJsonObject found;
    waitUntil(
        [&] {
            const QList<QJsonObject> events = SimulatorEvents();
            for (qsizetype i = since; i < events.size() && found.isEmpty(); ++i)
                if (events[i]["event"].toString() == "write" &&
                    events[i]["block"].toString() == block)
                    found = events[i];
            return !found.isEmpty();
        },
        kCommandMs);
    return found;
}

}  // namespace kestro::test
