// Whole-program figures, measured on the real window (run it under Xvfb):
// resident memory after a 60-move game, and CPU use while idle with the clock
// running and during the computer's blink and pause. Start-up is measured on
// fresh processes by velmora_startup (startup.cpp).
#include <dlfcn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QIcon>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/form1.h"
#include "view/board_view.h"

namespace {
double resident_mb() {
    QFile f("/proc/self/status");
    if (!f.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    return -1;
}

// User and system time of every thread of this process (the sound thread included).
double cpu_seconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_utime.tv_sec + u.ru_utime.tv_usec / 1e6 + u.ru_stime.tv_sec + u.ru_stime.tv_usec / 1e6;
}

void run_events(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

std::string self_exe() {
    char buf[4096];
    const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return {};
    buf[n] = 0;
    return buf;
}

// The human's move: the first legal step of a minus piece in scan order that
// does not walk next to a plus piece that may take it; failing that, any step.
bool human_move(Form1& f) {
    int fx = 0, fy = 0, tx = 0, ty = 0;
    for (int pass = 0; pass < 2 && !fx; ++pass)
        for (int x = 1; x <= 9 && !fx; ++x)
            for (int y = 1; y <= 9 && !fx; ++y) {
                const int p = f.board[x][y];
                if (p >= 0) continue;
                for (int dx = -1; dx <= 1 && !fx; ++dx)
                    for (int dy = -1; dy <= 1 && !fx; ++dy) {
                        if (!f.移動チェック(x, y, x + dx, y + dy, p)) continue;
                        bool safe = true;
                        for (int ax = x + dx - 1; ax <= x + dx + 1; ++ax)
                            for (int ay = y + dy - 1; ay <= y + dy + 1; ++ay)
                                if (ax >= 1 && ax <= 9 && ay >= 1 && ay <= 9 && f.board[ax][ay] > 0 &&
                                    f.board[ax][ay] >= -p)
                                    safe = false;
                        if (pass == 1 || safe) fx = x, fy = y, tx = x + dx, ty = y + dy;
                    }
            }
    if (!fx) return false;
    auto press = [&f](int x, int y) {
        f.Form_MouseDown(1, 0, f.board_left + (x + 0.5) * f.cell_w, f.board_top + (y + 0.5) * f.cell_h);
    };
    press(fx, fy);
    press(tx, ty);
    return true;
}

// A second client of the X server that moves the pointer through XTest, the way
// a user's hand does: real input events that arrive while the program waits.
class PointerHand {
public:
    PointerHand() {
        x11_ = dlopen("libX11.so.6", RTLD_NOW | RTLD_LOCAL);
        xtst_ = dlopen("libXtst.so.6", RTLD_NOW | RTLD_LOCAL);
        if (!x11_ || !xtst_) return;
        open_ = reinterpret_cast<void* (*)(const char*)>(dlsym(x11_, "XOpenDisplay"));
        flush_ = reinterpret_cast<int (*)(void*)>(dlsym(x11_, "XFlush"));
        close_ = reinterpret_cast<int (*)(void*)>(dlsym(x11_, "XCloseDisplay"));
        motion_ = reinterpret_cast<int (*)(void*, int, int, int, unsigned long)>(
            dlsym(xtst_, "XTestFakeMotionEvent"));
        if (open_ && flush_ && close_ && motion_) display_ = open_(nullptr);
    }
    ~PointerHand() {
        if (display_) close_(display_);
        if (xtst_) dlclose(xtst_);
        if (x11_) dlclose(x11_);
    }
    bool ok() const { return display_ != nullptr; }
    void move_to(QPoint global) {
        if (!display_) return;
        motion_(display_, -1, global.x(), global.y(), 0);
        flush_(display_);
    }

private:
    void* x11_ = nullptr;
    void* xtst_ = nullptr;
    void* display_ = nullptr;
    void* (*open_)(const char*) = nullptr;
    int (*flush_)(void*) = nullptr;
    int (*close_)(void*) = nullptr;
    int (*motion_)(void*, int, int, int, unsigned long) = nullptr;
};

// Plays human moves (each returns after the computer's reply) until `count`
// moves are made; returns the CPU share over the time spent in them.
double play_moves(Form1& f, int count, int* replies, double* measured_s) {
    int moves = 0;
    double cpu = 0, secs = 0;
    QElapsedTimer wall;
    while (moves < count) {
        if (f.winner != Form1::NONE || f.turn == Form1::NONE) {
            f.初期設定();
            f.SENTE_Click();
        }
        const double c1 = cpu_seconds();
        wall.restart();
        const int before = f.move_no;
        if (!human_move(f)) {
            f.初期設定();
            f.SENTE_Click();
            continue;
        }
        cpu += cpu_seconds() - c1;
        secs += wall.elapsed() / 1000.0;
        const int made = f.move_no - before;
        moves += made;
        *replies += made >= 2 ? 1 : 0;
        QCoreApplication::processEvents();
    }
    *measured_s = secs;
    return 100.0 * cpu / secs;
}

const char* verdict(bool ok) { return ok ? "ok" : "MISSED"; }
}  // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);

    // The program finds its sound library next to itself and its wave files in
    // the working folder, as an installed copy does.
    QTemporaryDir dir;
    const QString bin = QFileInfo(QString::fromStdString(self_exe())).absolutePath();
    for (const char* n : {"その他.wav", "禁止.wav", "駒打音.wav", "BGM.wav"})
        QFile::link(bin + "/" + QString::fromUtf8(n), dir.filePath(QString::fromUtf8(n)));
    QDir::setCurrent(dir.path());

    // The rest in this process, started the same way.
    QApplication app(argc, argv);
    QApplication::setApplicationName("Velmora");
    QGuiApplication::setDesktopFileName("org.example.Velmora");
    QApplication::setWindowIcon(QIcon::fromTheme("org.example.Velmora"));
    Form1 form;
    form.msgbox = [](const QString&, const QString&, int, int) { return static_cast<int>(ID_OK); };
    form.Form_Load();
    form.show();
    run_events(1000);
    const double start_mb = resident_mb();

    // Idle with the clock running: a game against the computer, the human to move.
    form.SENTE_Click();
    if (!form.Timer1->isActive()) std::printf("  (the clock is not running!)\n");
    const double c0 = cpu_seconds();
    QElapsedTimer wall;
    wall.start();
    run_events(5000);
    const double idle_pct = 100.0 * (cpu_seconds() - c0) / (wall.elapsed() / 1000.0);
    std::printf(
        "CPU while idle with the clock running: %.2f %% of a core (5 s measured, clock %s)   "
        "target < 1 %%: %s\n",
        idle_pct, form.mnu.KEIKA->isChecked() ? "shown" : "hidden", verdict(idle_pct < 1.0));

    // A 60-move game. The human's move returns after the computer's reply, so
    // each sample holds the human's move, the search, the blink and the pause.
    // The first half with the pointer still, the second with the pointer moving
    // over the board every 40 ms: input held back until the wait is over must
    // not make the wait spin.
    int replies = 0;
    double secs = 0;
    const double still_pct = play_moves(form, 30, &replies, &secs);
    std::printf(
        "CPU during the computer's blink and pause: %.2f %% of a core (%d replies, %.1f s)   "
        "target < 5 %%: %s\n",
        still_pct, replies, secs, verdict(still_pct < 5.0));
    PointerHand hand;
    QTimer wiggle;
    int step = 0;
    QObject::connect(&wiggle, &QTimer::timeout, [&] {
        // Off the board, right of the hands: a move there changes nothing.
        const QPoint at(560 + (step++ % 2) * 20, 40);
        hand.move_to(form.view->mapToGlobal(at));
    });
    // Counts what reaches the program, to show the pointer really moves.
    struct InputCount : QObject {
        int n = 0;
        bool eventFilter(QObject*, QEvent* e) override {
            if (e->type() == QEvent::MouseMove || e->type() == QEvent::HoverMove) ++n;
            return false;
        }
    } seen;
    form.view->setMouseTracking(true);
    form.view->installEventFilter(&seen);
    wiggle.start(40);
    replies = 0;
    const double moving_pct = play_moves(form, 30, &replies, &secs);
    wiggle.stop();
    form.view->removeEventFilter(&seen);
    form.view->setMouseTracking(false);
    std::printf(
        "  the same with the pointer moving:        %.2f %% of a core (%d replies, %.1f s)   "
        "target < 5 %%: %s (%d pointer moves reached the board)\n",
        moving_pct, replies, secs, verdict(moving_pct < 5.0), seen.n);
    const double game_mb = resident_mb();
    std::printf(
        "resident memory after a 60-move game: %.1f MB (this process: %.1f MB after start, %+.1f MB)   "
        "target < 60 MB: %s\n",
        game_mb, start_mb, game_mb - start_mb, verdict(game_mb > 0 && game_mb < 60));
    form.終了処理();
    return 0;
}
