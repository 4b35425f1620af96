// Program entry: no arguments are read; Kestro.ini is the only setting.
#include <QApplication>

#include "platform/QtPlatform.h"
#include "shell/Program.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("Kestro");
    kestro::QtPlatform platform;
    kestro::Program program(platform);
    return QApplication::exec();
}
