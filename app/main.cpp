#include "app/form1.h"
#include "view/board_view.h"

#include <QApplication>
#include <QEvent>
#include <QIcon>
#include <QTimer>

namespace {
// Sets the window icon once the window's first frame is painted: looking it up
// in the icon themes takes several milliseconds the first frame need not wait for.
class IconAfterFirstFrame : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (e->type() == QEvent::Paint) {
            watched->removeEventFilter(this);
            QTimer::singleShot(0, this, [] { QApplication::setWindowIcon(QIcon::fromTheme("org.example.Velmora")); });
        }
        return false;
    }
};
}  // namespace

int main(int argc, char** argv) {
    // The sound library, the audio device and the wave files are started on a
    // thread of their own while Qt starts; Form_Load takes them over.
    SoundHead sound;
    sound.start();
    QApplication app(argc, argv);
    QApplication::setApplicationName("Velmora");
    QGuiApplication::setDesktopFileName("org.example.Velmora");
    Form1::読込_翻訳();
    Form1 form;
    form.module1.head = &sound;
    form.Form_Load();
    IconAfterFirstFrame icon;
    form.view->installEventFilter(&icon);
    form.show();
    return app.exec();
}
