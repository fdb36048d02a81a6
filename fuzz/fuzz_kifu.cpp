// Fuzzes record files: the bytes are loaded as a record file's contents,
// every loaded move is stepped forward and then all of them back. Whatever
// the file holds, nothing may crash or index outside the board, and stepping
// back must bring back the starting position with empty hands.
//
// Speed: the bytes go to the loader in memory (the file system adds nothing
// but time), and the canvas is dropped: every drawing procedure still runs
// on every step, but its squares and pictures are clipped to nothing and no
// text is laid out. The sound library is never loaded and no box is shown.
#include <QApplication>
#include <QByteArray>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "app/form1.h"

namespace {
// A full record is about 16.5 KB (500 lines of 33 bytes); a little more lets
// the fuzzer reach "more than 500 moves" and lines longer than the fields.
constexpr size_t kMaxBytes = 24 * 1024;

struct World {
    std::unique_ptr<QApplication> app;
    std::unique_ptr<Form1> form;
    int start[10][10] = {};
};
World* world = nullptr;
int argc_ = 1;
char arg0_[] = "fuzz_kifu";
char* argv_[] = {arg0_, nullptr};

[[noreturn]] void fail(const char* what) {
    fprintf(stderr, "fuzz_kifu: %s\n", what);
    std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    world = new World;
    world->app = std::make_unique<QApplication>(argc_, argv_);
    world->form = std::make_unique<Form1>();
    Form1& f = *world->form;
    // Silent: no boxes, a still clock, no waits, nothing shown.
    f.msgbox = [](const QString&, const QString&, int, int) { return static_cast<int>(ID_OK); };
    f.day_clock = [] { return 36000.0; };
    f.idle = [](int) {};
    f.refresh = [] {};
    f.quit_program = [] {};
    f.canvas = QImage();
    f.初期設定();
    for (int x = 0; x < 10; ++x)
        for (int y = 0; y < 10; ++y) world->start[x][y] = f.board[x][y];
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > kMaxBytes) return -1;
    Form1& f = *world->form;
    // Every input starts from a new game with an empty record, so a refused
    // file meets the same game each time.
    f.初期設定();
    f.rec_len = 0;

    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const bool loaded = f.読込_棋譜データ(bytes);
    if (f.rec_len < 0 || f.rec_len > Form1::REC_MAX || f.rec_pos != 0) fail("record counters after loading");
    if (!loaded && f.rec_len != 0) fail("a refused file changed the record");

    // Forward over every move (a refused entry stops the way), then all the way back.
    for (int n = 0; n < f.rec_len && f.turn != Form1::NONE; ++n) {
        const int before = f.rec_pos;
        f.AFTER_Click();
        if (f.rec_pos == before) break;
        if (f.rec_pos != before + 1) fail("a step forward moved by more than one entry");
        // Every step keeps the 17 + 17 pieces between the board and the hands.
        if (!f.調査_局面整合()) fail("a step forward lost or made a piece");
    }
    const int reached = f.rec_pos;
    for (int n = 0; n < reached; ++n) {
        const int before = f.rec_pos;
        f.REPLAY_Click();
        if (f.rec_pos != before - 1) fail("a step back of an entry made forward was refused");
        if (!f.調査_局面整合()) fail("a step back lost or made a piece");
    }
    if (f.rec_pos != 0 || f.move_no != 0) fail("not back at the start");
    for (int x = 1; x <= 9; ++x)
        for (int y = 1; y <= 9; ++y)
            if (f.board[x][y] != world->start[x][y]) fail("the starting position is not back");
    for (int k = 1; k <= 8; ++k)
        if (f.hand_minus[k] != 0 || f.hand_plus[k] != 0) fail("a hand is not empty at the start");
    if (f.hand_count_minus != 0 || f.hand_count_plus != 0) fail("a hand total is not zero at the start");
    return 0;
}
