// Plays the whole program from a script. The first byte chooses the start:
// a new game, a record loaded from the bytes that follow, or a game whose
// record is nearly full (490 to 499 moves, either player having opened). Then each byte chooses a command
// and the next ones its arguments: every menu command, typing the four fields
// of the save panel and RETURN, a click on a listed file, a press on any grid
// cell (board, both hands, labels, far outside), the answer to the next
// question box, and time passing on the day clock.
//
// After every command the state of the game must hold together (board codes,
// hands and their totals, the 17 + 17 pieces outside a handicap set-up, the
// record's counters, sides, turn, winner), no command shows more than three
// boxes, a press never leaves the presser holding a board piece that is not
// its own, and stepping back to the start brings back the position the
// stepped game started from.
#include <QAction>
#include <QApplication>
#include <QByteArray>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "app/form1.h"
#include "fuzz/arguments.h"

namespace {
// A hundred commands and more, or a record of up to 510 bytes and fewer commands.
constexpr size_t kMaxBytes = 512;
constexpr int kMaxBoxesPerCommand = 3;
constexpr int kNearlyFull = 490;
constexpr double kMorning = 10 * 3600.0;
// Command codes: 0..27 the menu commands, answers and time; the rest (a third)
// are presses, the commonest thing a player does.
constexpr int kCommands = 42;

// The checks after every command are the same for every script: their
// branches tell the fuzzer nothing and are not instrumented.
#define VELMORA_UNCOVERED __attribute__((no_sanitize("coverage")))

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "fuzz_play: %s\n", what);
    std::abort();
}

// Everything of the game a command may change, to start each script from the
// same place.
struct Snapshot {
    int board[10][10];
    int hand_minus[9], hand_plus[9], hand_count_minus, hand_count_plus;
    int king_minus_x, king_minus_y, king_plus_x, king_plus_y;
    int man_side, com_side, turn, winner, play_mode, move_no, click_phase;
    bool resume_pending, record_mode;
    int last_pick_x, last_pick_y, sel_x, sel_y, sel_piece, dst_x, dst_y;
    int handicap_level;
    bool handicap_flag;
    int SENTE, GOTE, com_level;
    std::array<int, Form1::REC_MAX + 1> rec_from_x, rec_from_y, rec_to_x, rec_to_y, rec_captured,
        rec_piece_from, rec_piece_to;
    int rec_pos, rec_len;
    std::array<double, Form1::REC_MAX + 1> rec_man_before, rec_man_after, rec_com_before, rec_com_after;
    int bg_colour, grid_colour, guide_colour, bg_kind, guidance_on;
    bool reversed_flag;
    double turn_start_time, move_secs, com_secs, man_secs;
    int shown_sec;
    // The scan's maps are only as current as its last run; the strip's names
    // and where the settings go outlive a script too.
    int near_minus[10][10], near_plus[10][10], near_minus_kind[10][10][10], near_plus_kind[10][10][10];
    int low_attacker_code[10][10], low_attacker_x[10][10], low_attacker_y[10][10];
    QString strip_game_name, strip_bottom_name, settings_path;
    bool timer_on;
    std::array<bool, 11> checks;

    static std::array<QAction*, 11> checkable(Form1& f) {
        return {f.mnu.LEVEL1, f.mnu.LEVEL2, f.mnu.LEVEL3, f.mnu.MIDORI, f.mnu.TATAMI, f.mnu.TAKE,
                f.mnu.UCHU,   f.mnu.RENGA,  f.mnu.SIDOU,  f.mnu.KEIKA,  f.mnu.BGM};
    }

// clang-format off
#define VELMORA_FUZZ_FIELDS(X)                                                                            \
    X(hand_count_minus) X(hand_count_plus) X(king_minus_x) X(king_minus_y) X(king_plus_x) X(king_plus_y) \
    X(man_side) X(com_side) X(turn) X(winner) X(play_mode) X(move_no) X(click_phase) X(resume_pending)    \
    X(record_mode) X(last_pick_x) X(last_pick_y) X(sel_x) X(sel_y) X(sel_piece) X(dst_x) X(dst_y)         \
    X(handicap_level) X(handicap_flag) X(SENTE) X(GOTE) X(com_level) X(rec_from_x) X(rec_from_y)          \
    X(rec_to_x) X(rec_to_y) X(rec_captured) X(rec_piece_from) X(rec_piece_to) X(rec_pos) X(rec_len)       \
    X(rec_man_before) X(rec_man_after) X(rec_com_before) X(rec_com_after) X(bg_colour) X(grid_colour)    \
    X(guide_colour) X(bg_kind) X(guidance_on) X(reversed_flag) X(turn_start_time) X(move_secs)            \
    X(com_secs) X(man_secs) X(shown_sec) X(strip_game_name) X(strip_bottom_name) X(settings_path)
#define VELMORA_FUZZ_ARRAYS(X)                                                                            \
    X(board) X(hand_minus) X(hand_plus) X(near_minus) X(near_plus) X(near_minus_kind) X(near_plus_kind)  \
    X(low_attacker_code) X(low_attacker_x) X(low_attacker_y)
    // clang-format on

    static Snapshot of(Form1& f) {
        Snapshot s;
#define VELMORA_TAKE_ARRAY(name) std::memcpy(s.name, f.name, sizeof s.name);
        VELMORA_FUZZ_ARRAYS(VELMORA_TAKE_ARRAY)
#undef VELMORA_TAKE_ARRAY
#define VELMORA_TAKE(name) s.name = f.name;
        VELMORA_FUZZ_FIELDS(VELMORA_TAKE)
#undef VELMORA_TAKE
        s.timer_on = f.Timer1->isActive();
        const auto items = checkable(f);
        for (size_t i = 0; i < items.size(); ++i) s.checks[i] = items[i]->isChecked();
        return s;
    }

    void restore(Form1& f) const {
#define VELMORA_PUT_ARRAY(name) std::memcpy(f.name, name, sizeof name);
        VELMORA_FUZZ_ARRAYS(VELMORA_PUT_ARRAY)
#undef VELMORA_PUT_ARRAY
#define VELMORA_PUT(name) f.name = name;
        VELMORA_FUZZ_FIELDS(VELMORA_PUT)
#undef VELMORA_PUT
        if (timer_on)
            f.Timer1->start();
        else
            f.Timer1->stop();
        const auto items = checkable(f);
        for (size_t i = 0; i < items.size(); ++i) items[i]->setChecked(checks[i]);
    }

    // The name of the first field that differs, or nullptr.
    const char* differs(const Snapshot& o) const {
#define VELMORA_SAME_ARRAY(name) \
    if (std::memcmp(name, o.name, sizeof name) != 0) return #name;
        VELMORA_FUZZ_ARRAYS(VELMORA_SAME_ARRAY)
#undef VELMORA_SAME_ARRAY
#define VELMORA_SAME(name) \
    if (!(name == o.name)) return #name;
        VELMORA_FUZZ_FIELDS(VELMORA_SAME)
#undef VELMORA_SAME
        if (timer_on != o.timer_on) return "timer_on";
        if (checks != o.checks) return "checks";
        return nullptr;
    }
};

// The position a stepped game starts from.
struct Position {
    int board[10][10];
    int hand_minus[9], hand_plus[9], hand_count_minus, hand_count_plus;
    VELMORA_UNCOVERED static Position of(const Form1& f) {
        Position p;
        std::memcpy(p.board, f.board, sizeof p.board);
        std::memcpy(p.hand_minus, f.hand_minus, sizeof p.hand_minus);
        std::memcpy(p.hand_plus, f.hand_plus, sizeof p.hand_plus);
        p.hand_count_minus = f.hand_count_minus;
        p.hand_count_plus = f.hand_count_plus;
        return p;
    }
    VELMORA_UNCOVERED bool operator==(const Position& o) const {
        return std::memcmp(board, o.board, sizeof board) == 0 &&
               std::memcmp(hand_minus, o.hand_minus, sizeof hand_minus) == 0 &&
               std::memcmp(hand_plus, o.hand_plus, sizeof hand_plus) == 0 &&
               hand_count_minus == o.hand_count_minus && hand_count_plus == o.hand_count_plus;
    }
};

QString temp_template() {
    const QString shm = QStringLiteral("/dev/shm");
    const QString base = QFileInfo(shm).isDir() && QFileInfo(shm).isWritable() ? shm : QDir::tempPath();
    return base + QStringLiteral("/fuzz_play-XXXXXX");
}

struct World {
    QTemporaryDir dir{temp_template()};
    std::unique_ptr<QApplication> app;
    std::unique_ptr<Form1> form;
    double now = kMorning;
    int boxes = 0;        // boxes shown by the current command
    int answer = ID_YES;  // the answer to the next question box
    bool ended = false;   // the program was told to end
    bool settings_read_only = false;
    bool files_written = false;  // record files may lie in the folder
    Snapshot fresh{};
    Snapshot nearly_full{};
    Snapshot nearly_full_plus_first{};
    Position start{};  // the starting position of a new game
    // VELMORA_FUZZ_TRACE=1 prints every command and the state after it.
    bool trace = std::getenv("VELMORA_FUZZ_TRACE") != nullptr;
};
World* world = nullptr;
int argc_ = 1;
char arg0_[] = "fuzz_play";
char* argv_[] = {arg0_, nullptr};

// A press in the middle of grid cell (x, y).
void press(Form1& f, double x, double y) {
    f.Form_MouseDown(1, 0, f.board_left + (x + 0.5) * f.cell_w, f.board_top + (y + 0.5) * f.cell_h);
}

// The shuffle that fills the record: the two secretaries on the left of each
// back row step out and back, minus player first.
// With plus_first the plus player opens (as the computer does after 後手).
void shuffle_move(Form1& f, int n, bool plus_first = false) {
    static constexpr int kMoves[4][4] = {{4, 9, 4, 8}, {6, 1, 6, 2}, {4, 8, 4, 9}, {6, 2, 6, 1}};
    static constexpr int kPlusFirst[4][4] = {{6, 1, 6, 2}, {4, 9, 4, 8}, {6, 2, 6, 1}, {4, 8, 4, 9}};
    const int* m = plus_first ? kPlusFirst[n % 4] : kMoves[n % 4];
    press(f, m[0], m[1]);
    press(f, m[2], m[3]);
}

// Every file of the folder goes (the settings file is never written, the
// configuration folder is a folder): no wildcard to compile at every script.
void clear_folder(const QString& path) {
    QDir d(path);
    for (const QString& name : d.entryList(QDir::Files | QDir::Hidden)) d.remove(name);
}

// The invariants of the game after any command.
VELMORA_UNCOVERED void check_state(const Form1& f) {
    auto side = [](int s) { return s == 1 || s == -1; };
    for (int x = 1; x <= Form1::BOARD_N; ++x)
        for (int y = 1; y <= Form1::BOARD_N; ++y)
            if (f.board[x][y] < -Form1::CHAIRMAN || f.board[x][y] > Form1::CHAIRMAN)
                fail("a board code out of range");
    int sum_minus = 0, sum_plus = 0;
    for (int k = 1; k <= 8; ++k) {
        if (f.hand_minus[k] < 0 || f.hand_minus[k] > 17 || f.hand_plus[k] < 0 || f.hand_plus[k] > 17)
            fail("a hand count out of range");
        sum_minus += f.hand_minus[k];
        sum_plus += f.hand_plus[k];
    }
    // A captured chairman is counted in its capturer's total but held nowhere.
    const int extra_minus = f.hand_count_minus - sum_minus, extra_plus = f.hand_count_plus - sum_plus;
    if (extra_minus < 0 || extra_minus > 1 || extra_plus < 0 || extra_plus > 1)
        fail("a hand total is not its sum");
    if (!f.handicap_flag && !f.調査_局面整合()) fail("the 17 + 17 pieces are not all there");
    if (f.rec_pos < 0 || f.rec_pos > f.rec_len || f.rec_len > Form1::REC_MAX)
        fail("record counters out of order");
    if (f.move_no < 0) fail("a negative move number");
    if (f.turn != Form1::NONE && !side(f.turn)) fail("turn out of range");
    if (f.winner != Form1::NONE && !side(f.winner)) fail("winner out of range");
    if (!side(f.man_side) || !side(f.com_side) || f.man_side == f.com_side) fail("the players' sides");
    if (!side(f.SENTE) || !side(f.GOTE) || f.SENTE == f.GOTE) fail("the first and second sides");
    if (f.play_mode != Form1::MODE_MAN && f.play_mode != Form1::MODE_COM) fail("play mode out of range");
    if (f.click_phase != 0 && f.click_phase != 1) fail("click phase out of range");
    if (f.com_level < 1 || f.com_level > 3) fail("level out of range");
    if (f.handicap_level < -10 || f.handicap_level > 10) fail("handicap level out of range");
}

// After a press: a piece picked on the board belongs to whoever pressed
// (against the computer always the human, the minus player; between two
// humans the player to move). A pick from a hand may be the other player's.
VELMORA_UNCOVERED void check_pick(const Form1& f) {
    if (f.click_phase != 1 || f.turn == Form1::NONE) return;
    if (f.sel_x < 1 || f.sel_x > Form1::BOARD_N) return;
    const int presser = f.play_mode == Form1::MODE_COM ? f.man_side : f.turn;
    const bool own = presser == f.man_side ? f.sel_piece <= -1 : f.sel_piece >= 1;
    if (!own) fail("a press left a piece of the other player picked as the presser's own");
}

// Closes the record panel and empties its file list and fields, and stops the
// clock (each script's start sets it again): a script that ends holding what
// it took would be run twice by the fuzzer's leak check.
void tidy(Form1& f) {
    f.描画_可視(false, false, false);
    f.描画_棋譜_IO(1);  // which empties the four fields
    if (f.File1->count() > 0) f.File1->clear();
    f.Timer1->stop();
}

const char* const kNames[] = {"", "a", "対局", "名人", " ", "x/y", "a\nb", "長い名前の対局者です", "?*"};

// A window as every script finds it: the platform replaced, no canvas, a new game laid out.
std::unique_ptr<Form1> make_window() {
    auto form = std::make_unique<Form1>();
    Form1& f = *form;
    f.作成_パネル();  // the scripts reach into the panel's controls directly
    f.msgbox = [](const QString&, const QString&, int buttons, int) {
        if (++world->boxes > kMaxBoxesPerCommand) fail("a command showed more than three boxes");
        if (buttons != MB_YESNO) return static_cast<int>(ID_OK);
        const int a = world->answer;
        world->answer = ID_YES;
        return a;
    };
    f.day_clock = [] { return world->now; };
    f.idle = [](int ms) { world->now = std::fmod(world->now + ms / 1000.0, 86400.0); };
    f.refresh = [] {};
    f.quit_program = [] { world->ended = true; };
    // The private folder is writable; only the scripts' read-only half says otherwise.
    f.settings_writable = [](const QString&) { return !world->settings_read_only; };
    // The settings file is not written: writing it through the system calls at
    // every option took a third of the time, and nothing reads it back. The
    // tests write the real one.
    f.settings_save = [](const QString&, const QByteArray&) {
        if (world->settings_read_only) fail("the settings were saved where they cannot be written");
        return true;
    };
    f.canvas = QImage();
    f.初期設定();
    return form;
}

// What the script before may have left: record files, the panel, the clock,
// its answers and its end. The game itself comes back from a snapshot.
void reset(World& w, Form1& f) {
    if (w.files_written) clear_folder(w.dir.path());
    w.files_written = false;
    tidy(f);
    f.terminated = false;
    w.ended = false;
    w.now = kMorning;
    w.answer = ID_YES;
    w.boxes = 0;
}

// The window's widgets a script touches, beside the game's state.
struct Widgets {
    std::array<bool, 12> hidden;
    int files;
    std::array<QString, 4> texts;
    static Widgets of(const Form1& f) {
        Widgets g;
        const QWidget* const all[] = {f.Drive1,    f.Dir1,      f.File1,     f.Text1,
                                      f.Text2,     f.Text3,     f.Text4,     f.Command1,
                                      f.Label1[0], f.Label1[1], f.Label1[2], f.Label1[3]};
        for (size_t i = 0; i < g.hidden.size(); ++i) g.hidden[i] = all[i]->isHidden();
        g.files = f.File1->count();
        g.texts = {f.Text1->text(), f.Text2->text(), f.Text3->text(), f.Text4->text()};
        return g;
    }
    bool operator==(const Widgets& o) const {
        return hidden == o.hidden && files == o.files && texts == o.texts;
    }
};

// Every kind of command once, leaving behind what it can: a move and the
// computer's reply, options, answers, time, levels, the ladder, the menus,
// About, a new game the computer opens, steps, a save, the file list and a
// load of that file, a step into it, another save and the panel left open.
const uint8_t kBusyScript[] = {0,  1, 28, 7, 11, 28, 7, 10, 16, 20, 21, 22, 26, 1, 27, 50, 4, 10, 11, 24, 0,
                               23, 2, 3,  8, 9,  13, 1, 2,  3,  1,  12, 14, 0,  9, 13, 2,  1, 1,  1,  12};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    // The working folder changes below; libFuzzer reads its arguments later.
    fuzz_arguments::resolve(argc, argv);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    world = new World;
    World& w = *world;
    w.app = std::make_unique<QApplication>(argc_, argv_);
    QDir::setCurrent(w.dir.path());
    setenv("XDG_CONFIG_HOME", QDir(w.dir.path()).filePath("config").toLocal8Bit().constData(), 1);
    w.form = make_window();
    Form1& f = *w.form;
    w.fresh = Snapshot::of(f);
    w.start = Position::of(f);
    // The set-up below is no command of a script: its boxes are not counted.
    w.boxes = -1000000;

    // Games between two humans played to the edge of a full record: one the
    // minus player opened, one the plus player opened (the board turned
    // before the first move), so that either player may make the 500th move.
    f.START_Click();
    for (int n = 0; n < kNearlyFull; ++n) shuffle_move(f, n);
    if (f.rec_pos != kNearlyFull) fail("the shuffle did not fill the record");
    w.nearly_full = Snapshot::of(f);
    w.fresh.restore(f);
    f.START_Click();
    f.REVERSE_Click();  // the same position, the plus player to move
    for (int n = 0; n < kNearlyFull; ++n) shuffle_move(f, n, true);
    if (f.rec_pos != kNearlyFull || f.rec_piece_from[1] < 1)
        fail("the plus player's shuffle did not fill the record");
    w.nearly_full_plus_first = Snapshot::of(f);
    w.boxes = 0;

    // One window serves every script, so its reset must be as good as a new
    // window: after a busy script, the next one's start equals one built afresh.
    LLVMFuzzerTestOneInput(kBusyScript, sizeof kBusyScript);
    reset(w, f);
    w.fresh.restore(f);
    const std::unique_ptr<Form1> afresh = make_window();
    if (const char* field = Snapshot::of(f).differs(Snapshot::of(*afresh))) {
        std::fprintf(stderr, "fuzz_play: after the reset, %s is not what a new window has\n", field);
        std::abort();
    }
    if (!(Widgets::of(f) == Widgets::of(*afresh)))
        fail("after the reset, the panel is not what a new window shows");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > kMaxBytes) return -1;
    World& w = *world;
    Form1& f = *w.form;
    size_t at = 0;
    auto next = [&]() -> int { return at < size ? data[at++] : 0; };

    // The same place for every script.
    reset(w, f);
    const int opening = next();
    // Half the scripts run in a folder the settings cannot be written to: the
    // options then stay in memory, as on a read-only folder.
    w.settings_read_only = (opening / 4) % 2 == 1;
    switch (opening % 4) {
        case 0:
            w.fresh.restore(f);
            break;
        case 1: {
            w.fresh.restore(f);
            const size_t len = std::min<size_t>(static_cast<size_t>(next()) * 2, size - at);
            const QByteArray bytes(reinterpret_cast<const char*>(data + at), static_cast<qsizetype>(len));
            at += len;
            // Also a file of the folder, so a click on the list loads it again.
            w.files_written = true;
            QFile out(QDir(w.dir.path()).filePath(QStringLiteral("script.棋譜")));
            if (out.open(QIODevice::WriteOnly)) out.write(bytes);
            out.close();
            f.読込_棋譜データ(bytes);
            break;
        }
        default: {
            const bool plus_first = opening % 4 == 3;
            (plus_first ? w.nearly_full_plus_first : w.nearly_full).restore(f);
            const int extra = next() % 10;
            for (int n = 0; n < extra; ++n) shuffle_move(f, kNearlyFull + n, plus_first);
            break;
        }
    }
    w.boxes = 0;
    check_state(f);
    // The nearly full game began at the starting position like any other.
    Position start = f.rec_pos == 0 ? Position::of(f) : w.start;

    while (at < size && !w.ended) {
        const int command = next();
        const int before_pos = f.rec_pos;
        // 後手 may lay out a new game and let the computer open within one command.
        const Position before = Position::of(f);
        const bool finished_before = f.winner != Form1::NONE;
        const bool unstarted_before = f.turn == Form1::NONE || f.move_no == 0;
        bool computer_opened = false;
        bool stepped_back = false, pressed = false;
        w.boxes = 0;
        switch (command % kCommands) {
            case 0:
                f.mnu.START->trigger();
                break;
            case 1:
                f.mnu.SENTE->trigger();
                break;
            case 2:
                f.mnu.GOTE->trigger();
                computer_opened = (finished_before || unstarted_before) && f.rec_pos == 1;
                break;
            case 3:
                f.mnu.LEVEL1->trigger();
                break;
            case 4:
                f.mnu.LEVEL2->trigger();
                break;
            case 5:
                f.mnu.LEVEL3->trigger();
                break;
            case 6:
                f.mnu.CANCEL->trigger();
                break;
            case 7:
                f.mnu.REVERSE->trigger();
                break;
            case 8:
                f.mnu.REPLAY->trigger();
                stepped_back = true;
                break;
            case 9:
                f.mnu.AFTER->trigger();
                break;
            case 10:
                f.mnu.LBEL_UP->trigger();
                break;
            case 11:
                f.mnu.LEBEL_DOWN->trigger();
                break;
            case 12:
                f.mnu.KIFU_READ->trigger();
                break;
            case 13: {
                // The save panel: the four fields, then RETURN while it is shown.
                f.mnu.KIFU_WRITE->trigger();
                QLineEdit* const fields[] = {f.Text1, f.Text2, f.Text3, f.Text4};
                const int count = static_cast<int>(sizeof kNames / sizeof kNames[0]);
                for (QLineEdit* t : fields) t->setText(QString::fromUtf8(kNames[next() % count]));
                if (!f.Command1->isHidden()) {
                    w.files_written = true;
                    f.Command1->click();
                }
                break;
            }
            case 14: {
                // A click on a file of the list, while the list is shown.
                const int pick = next();
                if (!f.File1->isHidden() && f.File1->count() > 0) {
                    QListWidgetItem* it = f.File1->item(pick % f.File1->count());
                    emit f.File1->itemClicked(it);
                }
                break;
            }
            case 15:
                f.mnu.MIDORI->trigger();
                break;
            case 16:
                f.mnu.TATAMI->trigger();
                break;
            case 17:
                f.mnu.TAKE->trigger();
                break;
            case 18:
                f.mnu.UCHU->trigger();
                break;
            case 19:
                f.mnu.RENGA->trigger();
                break;
            case 20:
                f.mnu.SIDOU->trigger();
                break;
            case 21:
                f.mnu.KEIKA->trigger();
                break;
            case 22:
                f.mnu.BGM->trigger();
                break;
            case 23:
                f.mnu.VER->trigger();
                break;
            case 24: {
                // The menus' own opening: each hides the record panel.
                const int which = next() % 3;
                if (which == 0)
                    f.TAIKYOKU_Click();
                else if (which == 1)
                    f.STOP_Click();
                else
                    f.OPTION_Click();
                break;
            }
            case 25:
                f.mnu.OWARI->trigger();
                break;
            case 26:
                w.answer = next() % 2 ? ID_NO : ID_YES;
                break;
            case 27: {
                // Time passes (up to about 40 minutes; midnight may come); the clock ticks.
                w.now = std::fmod(w.now + next() * 10.0 + 0.25, 86400.0);
                f.Timer1_Timer();
                break;
            }
            default: {
                // A press: columns -3..14 and rows -2..11 cover the board, both
                // hands, the labels and beyond; a high byte goes far outside.
                const int a = next(), b = next();
                pressed = true;
                if (a >= 250) {
                    const double far = (a - 252) * 1e7;
                    f.Form_MouseDown(1, 0, far, b >= 128 ? -far : far);
                } else {
                    press(f, a % 18 - 3, b % 14 - 2);
                }
                break;
            }
        }
        if (w.trace)
            std::fprintf(stderr,
                         "command %d: turn %d man %d com %d mode %d rec %d/%d move %d phase %d sel %d,%d=%d "
                         "winner %d boxes %d\n",
                         command % kCommands, f.turn, f.man_side, f.com_side, f.play_mode, f.rec_pos,
                         f.rec_len, f.move_no, f.click_phase, f.sel_x, f.sel_y, f.sel_piece, f.winner,
                         w.boxes);
        check_state(f);
        if (pressed) check_pick(f);
        if (computer_opened) start = finished_before ? w.start : before;
        if (f.rec_pos == 0) {
            // Back at the start of what was stepped: it must be where that game began.
            // Any other way to rec_pos 0 (a new game, a load, a reversal, a
            // handicap step) starts a new game from what stands now.
            if (stepped_back && before_pos == 1) {
                if (!(Position::of(f) == start))
                    fail("stepping back did not bring back the starting position");
            } else {
                start = Position::of(f);
            }
        }
    }
    // What the script opened goes away with it, so an execution gives back
    // what it took and the fuzzer's leak check stays quiet.
    tidy(f);
    return 0;
}
