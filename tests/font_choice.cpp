// Prints the text face the program chooses on this machine, asking twice:
// the CTests run it under private font configurations that hide IPA faces.
#include <QGuiApplication>
#include <cstdio>

#include "view/face.h"

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    std::printf("face: %s\n", 書体_文字().toUtf8().constData());
    std::printf("again: %s\n", 書体_文字().toUtf8().constData());
    return 0;
}
