// The live display tests drive the real main window offscreen. Every
// message and question goes to a scripted service, so none can block.
#include <gtest/gtest.h>

#include <QApplication>

#include "ScriptedInteraction.h"

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    kestro::test::ScriptedInteraction interaction;
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
