// Whole-program figures, measured on the real window (run it under Xvfb):
// time from process start to the first painted frame, resident memory after
// start and after a 60-move game, and CPU use while idle with the clock running
// and during the computer's blink and pause.
//
// The start-up time is measured on fresh processes: this program runs itself
// again (once per sample) with the moment just before exec in its environment,
// and the child reports when its first frame has been painted and flushed. The
// same is done for a bare Qt window with a menu bar, as the yardstick.
#include "app/form1.h"
#include "view/board_view.h"

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

#include <dlfcn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {
constexpr const char* kLaunchEnv = "VELMORA_PERF_LAUNCH_NS";
constexpr int kStartSamples = 7;

long long monotonic_ns() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1000000000LL + ts.tv_nsec;
}

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

// Watches a widget for its first paint; once that paint and the flush to the
// window that follows it are over (the next turn of the event loop), stores
// the time and leaves the event loop.
struct FirstFrame : QObject {
    long long done_ns = 0;
    double done_cpu = 0, done_mb = 0;
    bool seen = false;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint && !seen) {
            seen = true;
            QTimer::singleShot(0, this, [this] {
                done_ns = monotonic_ns();
                done_cpu = cpu_seconds();
                done_mb = resident_mb();
                QCoreApplication::quit();
            });
        }
        return false;
    }
};

// A child: start the way app/main.cpp does (or as a bare window), paint the
// first frame and leave. It prints the milliseconds since the parent's exec at
// the first frame, the resident megabytes then, and the milliseconds at which
// each step of the start was over: QApplication, the window icon, Form1's
// construction, Form_Load, show().
int child_start(const char* mode, int argc, char** argv) {
    const char* launch = std::getenv(kLaunchEnv);
    if (!launch) return 2;
    const long long launch_ns = std::atoll(launch);
    auto since_launch = [launch_ns](long long ns) { return (ns - launch_ns) / 1e6; };
    double steps[5] = {};
    double after_1s_mb = 0;
    FirstFrame watch;
    QApplication app(argc, argv);
    steps[0] = since_launch(monotonic_ns());
    if (std::strcmp(mode, "bare") == 0) {
        QMainWindow w;
        w.menuBar()->addMenu(QStringLiteral("File"))->addAction(QStringLiteral("Quit"));
        auto* central = new QWidget(&w);
        central->setFixedSize(600, 533);
        w.setCentralWidget(central);
        central->installEventFilter(&watch);
        w.show();
        app.exec();
        run_events(1000);
        after_1s_mb = resident_mb();
    } else {
        QApplication::setApplicationName("Velmora");
        QGuiApplication::setDesktopFileName("org.example.Velmora");
        QApplication::setWindowIcon(QIcon::fromTheme("org.example.Velmora"));
        steps[1] = since_launch(monotonic_ns());
        Form1 form;
        steps[2] = since_launch(monotonic_ns());
        form.msgbox = [](const QString&, const QString&, int, int) { return static_cast<int>(ID_OK); };
        form.view->installEventFilter(&watch);
        form.Form_Load();
        steps[3] = since_launch(monotonic_ns());
        form.show();
        steps[4] = since_launch(monotonic_ns());
        app.exec();
        run_events(1000);
        after_1s_mb = resident_mb();
        form.終了処理();
    }
    const double frame = since_launch(watch.done_ns);
    const double cpu_ms = watch.done_cpu * 1000.0;
    if (steps[1] == 0) steps[1] = steps[2] = steps[3] = steps[4] = steps[0];
    std::printf("%.2f %.1f %.2f %.2f %.2f %.2f %.2f %.2f %.2f %.1f\n", frame, watch.done_mb, cpu_ms, steps[0],
                steps[1] - steps[0], steps[2] - steps[1], steps[3] - steps[2], steps[4] - steps[3], frame - steps[4],
                after_1s_mb);
    return 0;
}

// Medians over the samples: the first frame (ms), resident MB, CPU ms, then the
// time each step took: QApplication (from exec), icon, Form1(), Form_Load, show, first frame;
// then resident MB one second after the first frame.
struct StartFigures {
    static constexpr int kColumns = 10;
    double median[kColumns] = {-1, -1, -1, -1, -1, -1, -1, -1, -1, -1};
    double best_ms = -1;
};

// Runs the child kStartSamples times and takes the medians.
StartFigures measure_start(const char* mode) {
    const std::string exe = self_exe();
    std::vector<double> columns[StartFigures::kColumns];
    for (int i = 0; i < kStartSamples; ++i) {
        int fds[2];
        if (pipe(fds) != 0) break;
        const pid_t pid = fork();
        if (pid == 0) {
            dup2(fds[1], STDOUT_FILENO);
            close(fds[0]);
            close(fds[1]);
            const std::string at = std::to_string(monotonic_ns());
            setenv(kLaunchEnv, at.c_str(), 1);
            execl(exe.c_str(), exe.c_str(), "--start", mode, static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        std::string out;
        char buf[256];
        for (ssize_t n; (n = read(fds[0], buf, sizeof buf)) > 0;) out.append(buf, static_cast<size_t>(n));
        close(fds[0]);
        int status = 0;
        waitpid(pid, &status, 0);
        double v[StartFigures::kColumns];
        if (WIFEXITED(status) && WEXITSTATUS(status) == 0 &&
            std::sscanf(out.c_str(), "%lf %lf %lf %lf %lf %lf %lf %lf %lf %lf", &v[0], &v[1], &v[2], &v[3], &v[4],
                        &v[5], &v[6], &v[7], &v[8], &v[9]) == StartFigures::kColumns)
            for (int c = 0; c < StartFigures::kColumns; ++c) columns[c].push_back(v[c]);
    }
    StartFigures f;
    for (int c = 0; c < StartFigures::kColumns; ++c) {
        auto& col = columns[c];
        if (col.empty()) continue;
        std::sort(col.begin(), col.end());
        f.median[c] = col[col.size() / 2];
    }
    if (!columns[0].empty()) f.best_ms = columns[0].front();
    return f;
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
    if (argc == 3 && std::strcmp(argv[1], "--start") == 0) return child_start(argv[2], argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);

    // The program finds its sound library next to itself and its wave files in
    // the working folder, as an installed copy does.
    QTemporaryDir dir;
    const QString bin = QFileInfo(QString::fromStdString(self_exe())).absolutePath();
    for (const char* n : {"その他.wav", "禁止.wav", "駒打音.wav", "BGM.wav"})
        QFile::link(bin + "/" + QString::fromUtf8(n), dir.filePath(QString::fromUtf8(n)));
    QDir::setCurrent(dir.path());

    // Fresh processes first, before this one has a QApplication of its own.
    const StartFigures bare = measure_start("bare");
    const StartFigures prog = measure_start("program");
    std::printf("first frame after process start: %.0f ms (median of %d, best %.0f; %.0f ms of CPU)   "
                "target < 150 ms: %s\n",
                prog.median[0], kStartSamples, prog.best_ms, prog.median[2],
                verdict(prog.median[0] > 0 && prog.median[0] < 150));
    std::printf("  a bare Qt window with a menu bar:  %.0f ms (median of %d, best %.0f; %.0f ms of CPU)\n",
                bare.median[0], kStartSamples, bare.best_ms, bare.median[2]);
    double load = 0;
    if (FILE* f = std::fopen("/proc/loadavg", "r")) {
        if (std::fscanf(f, "%lf", &load) != 1) load = 0;
        std::fclose(f);
    }
    if (load > 0.5 * static_cast<double>(sysconf(_SC_NPROCESSORS_ONLN)))
        std::printf("  (the machine is busy, load %.1f: the times above are inflated; the CPU time is the steadier "
                    "figure)\n",
                    load);
    std::printf("  each step (median ms): to QApplication %.1f, window icon %.1f, Form1() %.1f, Form_Load %.1f, "
                "show %.1f, first frame %.1f\n",
                prog.median[3], prog.median[4], prog.median[5], prog.median[6], prog.median[7], prog.median[8]);
    std::printf("resident memory after start (1 s after the first frame): %.1f MB (%.1f MB at the first frame; "
                "bare window %.1f MB)   target < 60 MB: %s\n",
                prog.median[9], prog.median[1], bare.median[9], verdict(prog.median[9] > 0 && prog.median[9] < 60));

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
    std::printf("CPU while idle with the clock running: %.2f %% of a core (5 s measured, clock %s)   "
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
    std::printf("CPU during the computer's blink and pause: %.2f %% of a core (%d replies, %.1f s)   "
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
    std::printf("  the same with the pointer moving:        %.2f %% of a core (%d replies, %.1f s)   "
                "target < 5 %%: %s (%d pointer moves reached the board)\n",
                moving_pct, replies, secs, verdict(moving_pct < 5.0), seen.n);
    const double game_mb = resident_mb();
    std::printf("resident memory after a 60-move game: %.1f MB (this process: %.1f MB after start, %+.1f MB)   "
                "target < 60 MB: %s\n",
                game_mb, start_mb, game_mb - start_mb, verdict(game_mb > 0 && game_mb < 60));
    form.終了処理();
    return 0;
}
