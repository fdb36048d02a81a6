#include "harness.h"

#include <QDir>
#include <QFile>
#include <QStringDecoder>
#include <QStringEncoder>
#include <algorithm>

const int kStartBoard[10][10] = {
    // kStartBoard[x][y]
    {},
    {0, 5, 0, 0, 2, 0, -2, 0, 0, -6},
    {0, 3, 0, 7, 0, 0, 0, -7, 0, -3},
    {0, 4, 0, 0, 2, 0, -2, 0, 0, -4},
    {0, 1, 0, 0, 0, 0, 0, 0, 0, -1},
    {0, 9, 8, 0, 2, 0, -2, 0, -8, -9},
    {0, 1, 0, 0, 0, 0, 0, 0, 0, -1},
    {0, 4, 0, 0, 2, 0, -2, 0, 0, -4},
    {0, 3, 0, 7, 0, 0, 0, -7, 0, -3},
    {0, 6, 0, 0, 2, 0, -2, 0, 0, -5},
};

Harness::Harness(bool load, bool wave_files) {
    old_cwd = QDir::currentPath();
    QDir::setCurrent(dir.path());
    if (wave_files) {
        for (const char* n : {"その他.wav", "禁止.wav", "駒打音.wav", "BGM.wav"})
            write_file(path(QString::fromUtf8(n)), QByteArray("RIFF----WAVEfake"));
    }
    form = std::make_unique<Form1>();
    Form1& fm = *form;
    // Tests reach into the record-file panel's controls without opening it first.
    fm.作成_パネル();

    real_msgbox = fm.msgbox;
    fm.msgbox = [this](const QString& text, const QString& title, int buttons, int icon) {
        messages.push_back({text, title, buttons, icon});
        events.push_back("msg " + text.toStdString() + "|" + title.toStdString());
        if (buttons == MB_YESNO) {
            int a = ID_YES;
            if (!answers.empty()) {
                a = answers.front();
                answers.pop_front();
            }
            return a;
        }
        return static_cast<int>(ID_OK);
    };
    fm.day_clock = [this] { return now; };
    fm.idle = [this](int ms) {
        waits_ms += ms;
        now += ms / 1000.0;
        if (now >= 86400.0) now -= 86400.0;
    };
    fm.refresh = [] {};
    fm.quit_program = [] {};
    // The working folder alone decides which wave files exist: the generated
    // ones beside the test program are not looked for.
    fm.module1.search_beside_program = false;

    // A recording stand-in for libVelmora: handles 101.. in creation order.
    SoundLibrary& ds = fm.module1.ds;
    auto next = std::make_shared<std::intptr_t>(100);
    ds.dsInitialize = [this](std::intptr_t) -> std::intptr_t {
        sound_calls.push_back({"dsInitialize", 0});
        return library_starts ? 7 : 0;
    };
    ds.dsCreateDSB = [this, next](std::intptr_t, const void*, std::size_t, std::intptr_t) -> std::intptr_t {
        sound_calls.push_back({"dsCreateDSB", ++*next});
        return *next;
    };
    auto recorder = [this](const char* fn, const char* verb) {
        return [this, fn, verb](std::intptr_t h) -> std::intptr_t {
            sound_calls.push_back({fn, h});
            if (verb) events.push_back(std::string(verb) + " " + sound_name(h));
            return 0;
        };
    };
    ds.dsPlay = recorder("dsPlay", "play");
    ds.dsPlayLooping = recorder("dsPlayLooping", "loop");
    ds.dsStop = recorder("dsStop", "stop");
    ds.dsFree = recorder("dsFree", nullptr);
    ds.dsTerminate = recorder("dsTerminate", nullptr);

    if (load) fm.Form_Load();
}

Harness::~Harness() {
    form.reset();
    QDir::setCurrent(old_cwd);
}

std::string Harness::sound_name(std::intptr_t h) const {
    if (h == 0) return "none";
    if (h == form->snd_other) return "その他";
    if (h == form->snd_forbidden) return "禁止";
    if (h == form->snd_place) return "駒打音";
    if (h == form->snd_bgm) return "BGM";
    return "handle" + std::to_string(h);
}

int Harness::count_events(const std::string& e) const {
    return static_cast<int>(std::count(events.begin(), events.end(), e));
}

void Harness::clear_log() {
    messages.clear();
    events.clear();
    sound_calls.clear();
}

void Harness::press(int x, int y) {
    Form1& fm = *form;
    const double tx = fm.board_left + (x + 0.5) * fm.cell_w;
    const double ty = fm.board_top + (y + 0.5) * fm.cell_h;
    fm.Form_MouseDown(1, 0, tx, ty);
}

void Harness::start_with_a_move() {
    form->START_Click();
    press(5, 6);
    press(5, 5);
}

QImage Harness::cell_image(double x, double y, int w, int h) const {
    const Form1& fm = *form;
    const double px = (fm.board_left + x * fm.cell_w) / Form1::TWIPS_PER_PIXEL;
    const double py = (fm.board_top + y * fm.cell_h) / Form1::TWIPS_PER_PIXEL;
    const qreal dpr = fm.canvas_dpr;
    QImage part = fm.canvas.copy(QRect(qRound(px * dpr), qRound(py * dpr), qRound(w * dpr), qRound(h * dpr)));
    part.setDevicePixelRatio(1.0);
    return part.convertToFormat(QImage::Format_ARGB32);
}

void Harness::write_file(const QString& p, const QByteArray& bytes) {
    QFile f(p);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) f.write(bytes);
}

QByteArray Harness::read_file(const QString& p) {
    QFile f(p);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.readAll();
}

QByteArray Harness::sjis(const QString& s) {
    QStringEncoder enc("Shift_JIS");
    return enc.encode(s);
}

QString Harness::from_sjis(const QByteArray& b) {
    QStringDecoder dec("Shift_JIS");
    return dec.decode(b);
}
