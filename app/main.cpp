#include "app/form1.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char** argv) {
    // The sound library, the audio device and the wave files are started on a
    // thread of their own while Qt starts; Form_Load takes them over.
    SoundHead sound;
    sound.start();
    QApplication app(argc, argv);
    QApplication::setApplicationName("Velmora");
    QGuiApplication::setDesktopFileName("org.example.Velmora");
    QApplication::setWindowIcon(QIcon::fromTheme("org.example.Velmora"));
    Form1 form;
    form.module1.head = &sound;
    form.Form_Load();
    form.show();
    return app.exec();
}
