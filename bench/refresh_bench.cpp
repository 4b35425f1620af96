// The cost of one live display refresh on the real main window, offscreen:
// the refresh alone, and the refresh with the repaint it causes. Values
// alternate between two register images so that every text changes, as
// on a live line.
//
//   refresh_bench [refreshes]     (default 20000)
#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <optional>

#include "bench/Measures.h"
#include "device/RegisterMap.h"
#include "device/Utility.h"
#include "modbus/DB_Modbus.h"
#include "modbus/LinkHost.h"
#include "platform/UserInteraction.h"
#include "platform/virtual/VirtualPlatform.h"
#include "shell/Comselect.h"
#include "shell/Main.h"

namespace {

using namespace kestro;
using bench::threadCpuUs;
using namespace kestro::regmap;

// Nothing may wait for a user here: messages go to the terminal.
class NoUser : public UserInteraction {
  public:
    void beep(Beep) override {}
    Answer message(MessageKind, const QString& text, Buttons buttons) override {
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
        return buttons == Buttons::Ok ? Answer::Ok : Answer::No;
    }
    std::optional<QString> chooseFile(const FileDialogRequest&) override { return std::nullopt; }
};

struct Image {
    uint16_t registers[kInputReadCount];
};

// A plausible three-phase reading; `step` moves every value a little.
Image reading(float step) {
    Image image{};
    const float floats[][2] = {
        {kInIr, 4.2f},    {kInIs, 3.9f},       {kInIt, 4.4f},     {kInVr, 230.1f},  {kInVs, 229.4f},
        {kInVt, 231.0f},  {kInP, 2690.0f},     {kInQ, -410.0f},   {kInCos, 0.98f},  {kInF, 49.98f},
        {kInPr, 950.0f},  {kInQr, 120.0f},     {kInPs, 880.0f},   {kInQs, -300.0f}, {kInPt, 860.0f},
        {kInQt, -230.0f}, {kInPtot, 12345.0f}, {kInQTot, 987.0f}, {kInTemp, 36.0f},
    };
    for (const auto& f : floats)
        FloatToRegs(image.registers, int(f[0]), f[1] + step);
    image.registers[kInStatusWord] = step > 0 ? 0x0004 : 0x0000;
    image.registers[kInQuantityStateWord] = step > 0 ? 0x01F7 : 0x01FF;
    image.registers[kInClockMinSec] = step > 0 ? 0x3507 : 0x3508;
    image.registers[kInClockWeekdayHour] = 0x0314;
    image.registers[kInClockDate] = 0x0912;
    image.registers[kInClockYear] = 0x0026;
    return image;
}

struct Cost {
    double wallUs, cpuUs;  // per refresh
};

Cost costPerRefresh(int refreshes, const Image images[2], bool repaint) {
    QElapsedTimer timer;
    timer.start();
    const double cpuStart = threadCpuUs();
    for (int i = 0; i < refreshes; ++i) {
        std::memcpy(DB_Modbus.InputRegisterTable, images[i % 2].registers,
                    sizeof images[i % 2].registers);
        Host.refreshIfValid();
        if (repaint)
            QApplication::processEvents();
    }
    return {double(timer.nsecsElapsed()) / 1000.0 / refreshes,
            (threadCpuUs() - cpuStart) / refreshes};
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int refreshes = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20000;

    NoUser noUser;
    SetInteraction(&noUser);
    // Started as the program starts, on COM1 of a virtual line whose clock
    // never moves: the engine stays idle while the refresh is timed.
    ComSelectProbe = [](int port) { return PortProbeResult{port == 1, "virtual line"}; };
    RunComSelect = [](TfrmComSelect&) { return int(QDialog::Accepted); };
    QTemporaryDir folder;
    VirtualPlatform platform;
    TfrmMain window(platform, folder.path());
    window.show();
    QApplication::processEvents();
    window.cbSwapFloat->setChecked(false);
    DB_Modbus.InputRegistersValid = true;

    const Image images[2] = {reading(0.0f), reading(1.0f)};
    costPerRefresh(refreshes / 10 + 1, images, false);  // warm-up
    const Cost alone = costPerRefresh(refreshes, images, false);
    const Cost painted = costPerRefresh(refreshes / 10 + 1, images, true);
    std::printf("RefreshReadings on the main window, offscreen, %d refreshes (per refresh):\n",
                refreshes);
    std::printf("  refresh alone:        %8.1f us CPU  %8.1f us wall\n", alone.cpuUs, alone.wallUs);
    std::printf("  refresh and repaint:  %8.1f us CPU  %8.1f us wall\n", painted.cpuUs,
                painted.wallUs);
    window.close();
    SetInteraction(nullptr);
    return 0;
}
