// Fuzzes record files: the bytes are saved as a record file, loaded through
// the file list, stepped forward over every loaded move and back to the start.
// Whatever the file holds, nothing may crash or index outside the board, and
// stepping back must bring back the starting position.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "app/form1.h"

namespace {
struct World {
    std::unique_ptr<QApplication> app;
    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<Form1> form;
    int start[10][10] = {};
};

World& world() {
    static World* w = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "fuzz_kifu";
        static char* argv[] = {name, nullptr};
        auto* made = new World;
        made->app = std::make_unique<QApplication>(argc, argv);
        made->dir = std::make_unique<QTemporaryDir>();
        made->form = std::make_unique<Form1>();
        Form1& f = *made->form;
        // Silent: no boxes, no clock, no sound library.
        f.msgbox = [](const QString&, const QString&, int, int) { return static_cast<int>(ID_OK); };
        f.day_clock = [] { return 36000.0; };
        f.idle = [](int) {};
        f.refresh = [] {};
        f.quit_program = [] {};
        f.初期設定();
        for (int x = 0; x < 10; ++x)
            for (int y = 0; y < 10; ++y) made->start[x][y] = f.board[x][y];
        return made;
    }();
    return *w;
}
}  // namespace

// The font library keeps its caches for the whole run; that is no leak of ours.
extern "C" __attribute__((used)) const char* __lsan_default_suppressions() {
    return "leak:libfontconfig\nleak:libQt6Gui\n";
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    World& w = world();
    Form1& f = *w.form;
    const QString name = QStringLiteral("fuzz.棋譜");
    {
        QFile out(QDir(w.dir->path()).filePath(name));
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)) return 0;
        out.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    }
    f.file_dir = w.dir->path();
    f.File1_Click(name);
    if (f.rec_len < 0 || f.rec_len > Form1::REC_MAX || f.rec_pos != 0) std::abort();

    // Forward over every move (refused entries stop the way), then all the way back.
    for (int n = 0; n < f.rec_len && f.turn != Form1::NONE; ++n) {
        const int before = f.rec_pos;
        f.AFTER_Click();
        if (f.rec_pos == before) break;
    }
    const int reached = f.rec_pos;
    for (int n = 0; n < reached; ++n) f.REPLAY_Click();
    if (f.rec_pos != 0) std::abort();
    for (int x = 1; x <= 9; ++x)
        for (int y = 1; y <= 9; ++y)
            if (f.board[x][y] != w.start[x][y]) std::abort();
    for (int k = 1; k <= 8; ++k)
        if (f.hand_minus[k] != 0 || f.hand_plus[k] != 0) std::abort();
    if (f.hand_count_minus != 0 || f.hand_count_plus != 0) std::abort();
    return 0;
}
