// Whole-program figures, measured on the real window (run it under Xvfb):
// time from process start to the first painted frame, resident memory after
// start and after a 60-move game, and CPU use while idle with the clock running
// and during the computer's blink and pause.
#include "app/form1.h"
#include "view/board_view.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace {
double seconds_since_process_start() {
    QFile stat("/proc/self/stat");
    QFile uptime("/proc/uptime");
    if (!stat.open(QIODevice::ReadOnly) || !uptime.open(QIODevice::ReadOnly)) return -1;
    const QByteArray s = stat.readAll();
    const QList<QByteArray> fields = s.mid(s.lastIndexOf(')') + 2).split(' ');
    // Field 22 of the whole line is the start time; after the name it is index 19.
    const double start = fields.value(19).toDouble() / sysconf(_SC_CLK_TCK);
    const double now = uptime.readAll().split(' ').value(0).toDouble();
    return now - start;
}

double resident_mb() {
    QFile f("/proc/self/status");
    if (!f.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    return -1;
}

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
}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QString bin = QCoreApplication::applicationDirPath();
    for (const char* n : {"その他.wav", "禁止.wav", "駒打音.wav", "BGM.wav"})
        QFile::copy(bin + "/" + QString::fromUtf8(n), dir.filePath(QString::fromUtf8(n)));
    QDir::setCurrent(dir.path());

    Form1 form;
    double first_frame = -1;
    struct PaintWatch : QObject {
        double* out;
        explicit PaintWatch(double* o) : out(o) {}
        bool eventFilter(QObject*, QEvent* e) override {
            if (e->type() == QEvent::Paint && *out < 0) *out = seconds_since_process_start();
            return false;
        }
    } watch(&first_frame);
    form.view->installEventFilter(&watch);
    form.msgbox = [](const QString&, const QString&, int, int) { return static_cast<int>(ID_OK); };
    form.Form_Load();
    form.show();
    while (first_frame < 0) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    std::printf("first frame after process start: %.0f ms\n", first_frame * 1000);
    run_events(1000);
    std::printf("resident memory after start: %.1f MB\n", resident_mb());

    // Idle with the clock running: a game against the computer, the human to move.
    form.SENTE_Click();
    double c0 = cpu_seconds();
    QElapsedTimer wall;
    wall.start();
    run_events(5000);
    std::printf("CPU while idle with the clock running: %.2f %% of a core\n",
                100.0 * (cpu_seconds() - c0) / (wall.elapsed() / 1000.0));

    // A 60-move game; the computer's blink and pause are measured on real time.
    int moves = 0;
    double pause_cpu = 0, pause_wall = 0;
    while (moves < 60) {
        if (form.winner != Form1::NONE || form.turn == Form1::NONE) {
            form.初期設定();
            form.SENTE_Click();
        }
        const double c1 = cpu_seconds();
        wall.restart();
        if (!human_move(form)) {
            form.初期設定();
            form.SENTE_Click();
            continue;
        }
        pause_cpu += cpu_seconds() - c1;
        pause_wall += wall.elapsed() / 1000.0;
        moves += form.winner == Form1::NONE ? 2 : 1;
        QCoreApplication::processEvents();
    }
    std::printf("CPU during the computer's blink and pause: %.2f %% of a core (%.1f s measured)\n",
                100.0 * pause_cpu / pause_wall, pause_wall);
    std::printf("resident memory after a 60-move game: %.1f MB\n", resident_mb());
    form.終了処理();
    return 0;
}
