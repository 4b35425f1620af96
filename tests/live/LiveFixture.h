#pragma once
// The main window with its live display, fed by the real engine polling a
// scripted slave on the virtual line.

#include <gtest/gtest.h>

#include <QLabel>
#include <QTemporaryDir>
#include <cstring>
#include <memory>

#include "shell/Main.h"
#include "tests/support/Locales.h"
#include "tests/support/ScriptedInteraction.h"
#include "tests/support/core/EngineHarness.h"

namespace kestro::test {

class LiveFixture : public ::testing::Test {
  protected:
    LiveFixture() : window(std::make_unique<TfrmMain>(rig.platform, folder.path())) {}

    // The window binds its live display itself.
    void SetUp() override { rig.start(); }

    // Input register images as the slave will answer them.
    void setWord(int address, uint16_t value) { rig.slave.inputRegisters[address] = value; }
    void setFloat(int address, float value, bool swapped = false) {
        uint32_t bits;
        std::memcpy(&bits, &value, sizeof bits);
        setFloatBits(address, bits, swapped);
    }
    void setFloatBits(int address, uint32_t bits, bool swapped = false) {
        const uint16_t high = uint16_t(bits >> 16), low = uint16_t(bits & 0xFFFF);
        setWord(address, swapped ? low : high);
        setWord(address + 1, swapped ? high : low);
    }

    // Lets the engine fetch the images as they are now and the display show
    // them: the request after the next one goes out only once the answer
    // to the next one has been processed.
    void poll() {
        const uint64_t served = rig.slave.requestCount;
        ASSERT_TRUE(rig.runUntil([&] { return rig.slave.requestCount >= served + 2; }, 5000));
    }

    static QColor colour(const QLabel* label) {
        return label->palette().color(QPalette::WindowText);
    }

    // Every message and question goes to the script, so none can block.
    ScriptedInteraction interaction;
    QTemporaryDir folder;
    EngineHarness rig;
    std::unique_ptr<TfrmMain> window;
};

}  // namespace kestro::test
