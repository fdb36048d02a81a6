#include <QApplication>
#include <QEvent>
#include <QFont>
#include <QFontInfo>

#include "app/command_line.h"
#include "app/form1.h"
#include "app/startup_marks.h"
#include "view/board_view.h"
#include "view/face.h"
#ifdef VELMORA_STARTUP_MARKS
#include <QFontDatabase>
#include <QFontMetricsF>
#endif
#include <fcntl.h>
#include <unistd.h>

#include <QFileInfo>
#include <QIcon>
#include <QScreen>
#include <QSocketNotifier>
#include <QTimer>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <functional>

namespace {
// Sets the window icon once the window's first frame is painted: looking it up
// in the icon themes takes several milliseconds the first frame need not wait for.
// A record named on the command line is opened then too, over the window.
class IconAfterFirstFrame : public QObject {
public:
    std::function<void()> then;
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (e->type() == QEvent::Paint) {
            startup_marks::mark("first paint");
            watched->removeEventFilter(this);
            QTimer::singleShot(0, this, [this] {
                QApplication::setWindowIcon(QIcon::fromTheme("org.example.Velmora"));
                if (then) then();
            });
        }
        return false;
    }
};
// The end of a desktop session (SIGTERM, SIGHUP) or Ctrl+C in a terminal
// closes the window as its close box does: the handler only writes a byte,
// and the window's own closing runs in the event loop.
int end_pipe[2] = {-1, -1};
void on_end_signal(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(end_pipe[1], &byte, 1);
}
void close_on_end_signals(Form1& form) {
    if (::pipe2(end_pipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    struct sigaction sa {};
    sa.sa_handler = on_end_signal;
    ::sigemptyset(&sa.sa_mask);
    for (int sig : {SIGTERM, SIGHUP, SIGINT}) ::sigaction(sig, &sa, nullptr);
    auto* notifier = new QSocketNotifier(end_pipe[0], QSocketNotifier::Read, &form);
    QObject::connect(notifier, &QSocketNotifier::activated, &form, [&form] { form.Form_Unload(); });
}

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
    // thread of their own while Qt starts; Form_Load takes them over. With
    // words on the command line they wait until Qt has read them: a refused
    // command line then ends before any sound is started.
    SoundHead sound;
    const bool bare = argc <= 1;
    if (bare) sound.start();
    QApplication app(argc, argv);
    // Qt has taken its own options (-platform and the like) out of the command line.
    const command_line::指示 order = command_line::解釈(QCoreApplication::arguments().mid(1));
    if (!order.ok) {
        const QString program = QFileInfo(QString::fromLocal8Bit(argv[0])).fileName();
        std::fprintf(stderr, "%s\n", command_line::使い方(program).toLocal8Bit().constData());
        return 2;
    }
    if (!bare) sound.start();
    QApplication::setApplicationName("Velmora");
    QGuiApplication::setDesktopFileName("org.example.Velmora");
    fit_the_screen(argv);
    startup_marks::mark("QApplication");
#ifdef VELMORA_STARTUP_MARKS
    // The traced build asks for the font database and the first face here, so
    // that they show as phases of their own instead of inside Form1's.
    QFontDatabase::families();
    startup_marks::mark("font database");
    QFontMetricsF(QFont(書体_文字(), 9)).height();
    startup_marks::mark("first face");
#endif
    // Japanese in the desktop's font (menus, panel, message boxes) falls back
    // to the face the board draws with (the proportional IPA Mincho face), instead of
    // bringing in a second Mincho face as fontconfig's own fallback would.
    // (The desktop's family is named as fontconfig resolves it: an alias such
    // as "Sans Serif" in a list of families would be passed over.)
    QFont ui = QApplication::font();
    ui.setFamilies({QFontInfo(ui).family(), 書体_文字()});
    QApplication::setFont(ui);
    startup_marks::mark("desktop font with its Japanese fallback");
    Form1::読込_翻訳();
    Form1 form;
    startup_marks::mark("Form1");
    form.module1.head = &sound;
#ifdef VELMORA_STARTUP_MARKS
    // Form_Load waits for the sound's start first; the traced build shows that wait apart.
    sound.finish();
    startup_marks::mark("sound ready");
#endif
    form.Form_Load();
    close_on_end_signals(form);
    startup_marks::mark("Form_Load");
    IconAfterFirstFrame icon;
    if (!order.file.isEmpty()) icon.then = [&form, file = order.file] { form.読込_棋譜パス(file); };
    form.view->installEventFilter(&icon);
    form.show();
    startup_marks::mark("show");
    return app.exec();
}
