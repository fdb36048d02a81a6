#include "app/form1.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("Velmora");
    QGuiApplication::setDesktopFileName("org.example.Velmora");
    QApplication::setWindowIcon(QIcon::fromTheme("org.example.Velmora"));
    Form1 form;
    form.Form_Load();
    form.show();
    return app.exec();
}
