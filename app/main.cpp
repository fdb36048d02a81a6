#include "app/form1.h"
#include "view/board_view.h"

#include <QApplication>
#include <QEvent>
#include <QIcon>
#include <QScreen>
#include <QTimer>

#include <unistd.h>

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
// Set for the program started again at a smaller scale, so it is started again only once.
constexpr char kFitted[] = "VELMORA_SCALED_TO_FIT";

// On a screen too small for the window at the desktop's scale (2x on a
// 1920 x 1080 screen, 1.5x on 1024 x 768) the program starts itself again
// at the largest scale that fits, never below 1: Qt fixes its scale when it starts.
void fit_the_screen(char** argv) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen || qEnvironmentVariableIsSet(kFitted)) return;
    const qreal ratio = screen->devicePixelRatio();
    const qreal fit = Form1::倍率_画面に収まる(screen->availableGeometry().size(), ratio);
    if (!(fit < ratio)) return;
    bool set = false;
    const double factor = qEnvironmentVariable("QT_SCALE_FACTOR").toDouble(&set);
    const double scaled = (set && factor > 0 ? factor : 1.0) * fit / ratio;
    qputenv("QT_SCALE_FACTOR", QByteArray::number(scaled, 'g', 10));
    qputenv(kFitted, "1");
    ::execv("/proc/self/exe", argv);
    // Should the program not start again, it goes on at the desktop's scale.
}
}  // namespace

int main(int argc, char** argv) {
    // The sound library, the audio device and the wave files are started on a
    // thread of their own while Qt starts; Form_Load takes them over.
    SoundHead sound;
    sound.start();
    QApplication app(argc, argv);
    QApplication::setApplicationName("Velmora");
    QGuiApplication::setDesktopFileName("org.example.Velmora");
    fit_the_screen(argv);
    Form1 form;
    form.module1.head = &sound;
    form.Form_Load();
    IconAfterFirstFrame icon;
    form.view->installEventFilter(&icon);
    form.show();
    return app.exec();
}
