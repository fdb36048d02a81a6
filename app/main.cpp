#include "app/form1.h"
#include "app/startup_marks.h"
#include "view/board_view.h"

#include <QApplication>
#include <QEvent>
#include <QFont>
#include <QFontInfo>
#ifdef VELMORA_STARTUP_MARKS
#include <QFontDatabase>
#include <QFontMetricsF>
#endif
#include <QIcon>
#include <QTimer>

#include <cstdlib>

namespace {
// Sets the window icon once the window's first frame is painted: looking it up
// in the icon themes takes several milliseconds the first frame need not wait for.
class IconAfterFirstFrame : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (e->type() == QEvent::Paint) {
            startup_marks::mark("first paint");
            watched->removeEventFilter(this);
            QTimer::singleShot(0, this, [] { QApplication::setWindowIcon(QIcon::fromTheme("org.example.Velmora")); });
        }
        return false;
    }
};
}  // namespace

int main(int argc, char** argv) {
#ifdef VELMORA_STARTUP_MARKS
    startup_marks::hook = startup_marks::write_mark;
#endif
    startup_marks::mark("main");
    // Where no session bus runs, SDL's start (on the sound's thread) and Qt's
    // menu bar would each have libdbus fork a dbus-launch to start one, while
    // the window is being made; the game needs none. A desktop's own bus is
    // left as it is.
    setenv("DBUS_SESSION_BUS_ADDRESS", "disabled:", 0);
    // The sound library, the audio device and the wave files are started on a
    // thread of their own while Qt starts; Form_Load takes them over.
    SoundHead sound;
    sound.start();
    QApplication app(argc, argv);
    QApplication::setApplicationName("Velmora");
    QGuiApplication::setDesktopFileName("org.example.Velmora");
    startup_marks::mark("QApplication");
#ifdef VELMORA_STARTUP_MARKS
    // The traced build asks for the font database and the first face here, so
    // that they show as phases of their own instead of inside Form1's.
    QFontDatabase::families();
    startup_marks::mark("font database");
    QFontMetricsF(QFont(QStringLiteral("IPAPMincho"), 9)).height();
    startup_marks::mark("first face");
#endif
    // Japanese in the desktop's font (menus, panel, message boxes) falls back
    // to the proportional IPA Mincho face the board draws with, instead of
    // bringing in a second Mincho face as fontconfig's own fallback would.
    // (The desktop's family is named as fontconfig resolves it: an alias such
    // as "Sans Serif" in a list of families would be passed over.)
    QFont ui = QApplication::font();
    ui.setFamilies({QFontInfo(ui).family(), QStringLiteral("IPAPMincho")});
    QApplication::setFont(ui);
    startup_marks::mark("desktop font with its Japanese fallback");
    Form1 form;
    startup_marks::mark("Form1");
    form.module1.head = &sound;
#ifdef VELMORA_STARTUP_MARKS
    // Form_Load waits for the sound's start first; the traced build shows that wait apart.
    sound.finish();
    startup_marks::mark("sound ready");
#endif
    form.Form_Load();
    startup_marks::mark("Form_Load");
    IconAfterFirstFrame icon;
    form.view->installEventFilter(&icon);
    form.show();
    startup_marks::mark("show");
    return app.exec();
}
