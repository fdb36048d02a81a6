// The move record and the notation: where moves are stored, what a new move
// does to taken-back ones, the full record, and the last-move texts.
#include <gtest/gtest.h>

#include "support/harness.h"
#include "support/record_play.h"

using recplay::computer;
using recplay::human;

namespace {
void start_game(Harness& h) {
    recplay::name_sounds(h);
    Form1& f = h.f();
    f.man_side = f.SENTE;
    f.com_side = f.GOTE;
    f.turn = f.SENTE;
}
}  // namespace

TEST(Record, FirstMoveIsEntryOneWithEveryColumn) {
    Harness h;
    start_game(h);
    Form1& f = h.f();
    f.board[7][6] = Form1::EMPTY;
    f.board[7][7] = -Form1::STAFF;
    f.man_secs = 4;
    f.com_secs = 9.5;
    // As the board input does: the destination's code, then the picked piece over it.
    ASSERT_TRUE(f.手順保存(7, 7, 7, 6, -2, f.board[7][6], 4, 7.25, 9.5, 9.5));
    f.rec_piece_to[f.rec_pos] = -2;
    EXPECT_EQ(f.rec_pos, 1);
    EXPECT_EQ(f.rec_len, 1);
    const double got[11] = {double(f.rec_from_x[1]),   double(f.rec_from_y[1]),   double(f.rec_to_x[1]),
                            double(f.rec_to_y[1]),     double(f.rec_captured[1]), double(f.rec_piece_from[1]),
                            double(f.rec_piece_to[1]), f.rec_man_before[1],       f.rec_man_after[1],
                            f.rec_com_before[1],       f.rec_com_after[1]};
    const double want[11] = {7, 7, 7, 6, Form1::EMPTY, -2, -2, 4, 7.25, 9.5, 9.5};
    for (int i = 0; i < 11; ++i) EXPECT_EQ(got[i], want[i]) << "column " << i;
    EXPECT_EQ(f.rec_from_x[0], 0);  // entry 0 is never written

    // The captured piece is read from the board before the move is made.
    ASSERT_TRUE(f.手順保存(5, 4, 5, 5, 2, 2, 4, 4, 9.5, 11));
    EXPECT_EQ(f.rec_captured[2], Form1::EMPTY);
    f.board[5][5] = -Form1::CLERK;
    ASSERT_TRUE(f.手順保存(5, 4, 5, 5, 2, 2, 4, 4, 9.5, 11));
    EXPECT_EQ(f.rec_captured[3], -Form1::CLERK);
}

TEST(Record, ANewMoveDropsTheTakenBackOnes) {
    Harness h;
    start_game(h);
    Form1& f = h.f();
    for (int i = 0; i < 10; ++i) {
        if (i % 2 == 0)
            human(f, 2, 7 - (i / 2) % 2, 2, 6 + (i / 2) % 2, 1);
        else
            computer(f, 8, 3 + (i / 2) % 2, 8, 4 - (i / 2) % 2, 1);
    }
    ASSERT_EQ(f.rec_len, 10);
    f.REPLAY_Click();
    f.REPLAY_Click();
    ASSERT_EQ(f.rec_pos, 8);
    human(f, 5, 6, 5, 5, 2);
    EXPECT_EQ(f.rec_pos, 9);
    EXPECT_EQ(f.rec_len, 9);
    EXPECT_EQ(f.rec_from_x[9], 5);
    EXPECT_EQ(f.rec_to_y[9], 5);
    h.clear_log();
    f.AFTER_Click();  // move 10 is gone
    EXPECT_EQ(h.events, (std::vector<std::string>{"play 禁止", "msg できません|進む"}));
}

TEST(Record, FullRecordRefusesTheFiveHundredAndFirstMove) {
    Harness h;
    start_game(h);
    Form1& f = h.f();
    f.rec_pos = f.rec_len = 499;
    h.clear_log();
    EXPECT_TRUE(f.調査_棋譜余裕());
    EXPECT_TRUE(h.events.empty());
    ASSERT_TRUE(f.手順保存(5, 6, 5, 5, -2, -2, 0, 1, 0, 0));
    EXPECT_EQ(f.rec_pos, 500);
    EXPECT_EQ(f.rec_from_x[500], 5);

    EXPECT_FALSE(f.調査_棋譜余裕());
    EXPECT_EQ(h.events, (std::vector<std::string>{
                            "play 禁止", "msg 棋譜が一杯です（500手まで）。これ以上は指せません|棋譜"}));
    EXPECT_FALSE(f.手順保存(1, 6, 1, 5, -2, -2, 0, 1, 0, 0));
    EXPECT_EQ(f.rec_pos, 500);
    EXPECT_EQ(f.rec_len, 500);
    EXPECT_EQ(f.rec_from_x[500], 5);
}

// The board input asks for room before it records, moves or counts anything.
TEST(Record, BoardInputStopsAtAFullRecord) {
    Harness h;
    start_game(h);
    Form1& f = h.f();
    f.play_mode = Form1::MODE_MAN;
    h.press(5, 6);
    h.press(5, 5);

    Harness full;
    start_game(full);
    Form1& g = full.f();
    g.play_mode = Form1::MODE_MAN;
    g.rec_pos = g.rec_len = Form1::REC_MAX;
    full.clear_log();
    full.press(5, 6);
    EXPECT_EQ(g.click_phase, 0);
    EXPECT_EQ(full.count_events("msg 棋譜が一杯です（500手まで）。これ以上は指せません|棋譜"), 1);
    full.press(5, 5);
    EXPECT_EQ(g.board[5][5], Form1::EMPTY);
    EXPECT_EQ(g.board[5][6], -Form1::STAFF);
    EXPECT_EQ(g.rec_pos, Form1::REC_MAX);
    EXPECT_EQ(g.move_no, 0);
}

TEST(Notation, CharacterTable) {
    const struct {
        int in;
        const char* out;
    } cases[] = {
        {1, "秘"},
        {-1, "秘"},
        {2, "平"},
        {-2, "平"},
        {3, "係"},
        {4, "課"},
        {5, "部"},
        {6, "常"},
        {7, "専"},
        {8, "社"},
        {-8, "社"},
        {9, "会"},
        {-9, "会"},
        {101, "１"},
        {105, "５"},
        {109, "９"},
        {1001, "一"},
        {1005, "五"},
        {1009, "九"},
        // Outside the table: no value.
        {0, ""},
        {10, ""},
        {-10, ""},
        {100, ""},
        {110, ""},
        {1000, ""},
        {1010, ""},
        {99, ""},
        {-101, ""},
        {2147483647, ""},
        {-2147483647 - 1, ""},
    };
    Harness h(false);
    for (const auto& c : cases) EXPECT_EQ(h.f().文字列変換(c.in), QString::fromUtf8(c.out)) << c.in;
    // Column x is written as the digit of 10 - x, row y as the numeral of y.
    EXPECT_EQ(h.f().文字列変換(110 - 1), "９");
    EXPECT_EQ(h.f().文字列変換(110 - 9), "１");
}

// The last-move texts, compared with the characters printed by hand at the
// places and in the colours they belong to.
TEST(Notation, LastMoveTextsOfBothPlayers) {
    Harness h;
    const struct {
        bool plus;
        int x, y, piece, bg;
        const char* chars[3];
    } cases[] = {
        {true, 3, 4, Form1::STAFF, Form1::BG_TATAMI, {"７", "四", "平"}},
        {false, 9, 9, -Form1::CHAIRMAN, Form1::BG_TATAMI, {"１", "九", "会"}},
        {true, 1, 1, Form1::SECRETARY, Form1::BG_MIDORI, {"９", "一", "秘"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.chars[2]);
        Harness shown, drawn;
        for (Harness* w : {&shown, &drawn}) {
            w->f().bg_kind = c.bg;
            w->f().画面_再描画();
        }
        Form1& f = shown.f();
        f.描画_移動結果(c.plus ? f.com_side : f.man_side, c.x, c.y, c.piece, Form1::WHITE);

        Form1& g = drawn.f();
        g.消去_移動結果(c.plus ? g.com_side : g.man_side);
        const double xs[3] = {c.plus ? -1.5 : 13.5, c.plus ? -1.1 : 13.9, c.plus ? -0.5 : 14.5};
        const double y = c.plus ? 9.5 : 2.5;
        const int main = c.bg == Form1::BG_MIDORI ? Form1::LIGHT_BLUE : Form1::WHITE;
        const int shadow = c.bg == Form1::BG_MIDORI ? Form1::GREY : Form1::BLACK;
        for (int i = 0; i < 3; ++i) {
            g.描画_移動駒種類(xs[i], y, QString::fromUtf8(c.chars[i]), shadow);
            g.描画_移動駒種類(xs[i] - 0.1, y - 0.1, QString::fromUtf8(c.chars[i]), main);
        }
        if (c.plus) g.描画_桝輪郭(g.bg_colour, 1, 9);
        const double cell_x = c.plus ? -2 : 13, cell_y = c.plus ? 9 : 2;
        EXPECT_EQ(shown.cell_image(cell_x, cell_y, 33 * 3, 41), drawn.cell_image(cell_x, cell_y, 33 * 3, 41));
        // The other player's area is untouched.
        const double other_x = c.plus ? 13 : -2, other_y = c.plus ? 2 : 9;
        EXPECT_EQ(shown.cell_image(other_x, other_y, 33 * 3, 41),
                  drawn.cell_image(other_x, other_y, 33 * 3, 41));
    }
}

TEST(Notation, ANewTextErasesOnlyItsOwnPlayersAreaAndNoneDrawsNothing) {
    Harness h;
    Form1& f = h.f();
    const QImage clean = f.canvas;
    f.描画_移動結果(f.man_side, 9, 9, -Form1::CHAIRMAN, Form1::WHITE);
    const QImage minus_only = f.canvas;
    EXPECT_NE(minus_only, clean);
    f.描画_移動結果(f.com_side, 3, 4, Form1::STAFF, Form1::WHITE);
    f.描画_移動結果(f.com_side, 5, 2, Form1::PRESIDENT, Form1::WHITE);
    // The same as drawing only the second plus text next to the minus text.
    Harness other;
    Form1& g = other.f();
    g.描画_移動結果(g.man_side, 9, 9, -Form1::CHAIRMAN, Form1::WHITE);
    g.描画_移動結果(g.com_side, 5, 2, Form1::PRESIDENT, Form1::WHITE);
    EXPECT_EQ(h.cell_image(-2, 9, 99, 41), other.cell_image(-2, 9, 99, 41));
    EXPECT_EQ(h.cell_image(13, 2, 99, 41), other.cell_image(13, 2, 99, 41));
    // NONE erases nothing and prints nothing.
    const QImage before = f.canvas;
    f.描画_移動結果(Form1::NONE, 5, 5, Form1::STAFF, Form1::WHITE);
    f.消去_移動結果(Form1::NONE);
    EXPECT_EQ(f.canvas, before);
    // Erasing leaves no trace of what was written there before.
    f.消去_移動結果(f.com_side);
    g.消去_移動結果(g.com_side);
    EXPECT_EQ(h.cell_image(-2, 9, 99, 41), other.cell_image(-2, 9, 99, 41));
    EXPECT_EQ(h.cell_image(13, 2, 99, 41), other.cell_image(13, 2, 99, 41));
}

// "進" shows the move's text for the player who moved, "戻" erases it.
TEST(Notation, SteppingShowsAndErasesTheMoversText) {
    Harness h;
    start_game(h);
    Form1& f = h.f();
    human(f, 5, 6, 5, 5, 1);
    f.描画_移動結果(f.man_side, 5, 5, -2, Form1::WHITE);
    const QImage minus_area = h.cell_image(13, 2, 99, 41);
    f.REPLAY_Click();
    const QImage erased = h.cell_image(13, 2, 99, 41);
    EXPECT_NE(erased, minus_area);
    f.AFTER_Click();
    EXPECT_EQ(h.cell_image(13, 2, 99, 41), minus_area);
}

// What the board input hands to the record, move by move, for moves made with
// the mouse in a game between two humans: the picked square or hand cell, the
// destination, the piece that stood there, the picked piece over it, and both
// clocks as they stand before and after, each move charged to its mover.
TEST(Record, MovesMadeWithTheMouseAreStoredColumnByColumn) {
    Harness h;
    recplay::name_sounds(h);
    Form1& f = h.f();
    f.START_Click();
    ASSERT_EQ(f.turn, f.man_side);
    const struct {
        int fx, fy, tx, ty;
        // from_x, from_y, to_x, to_y, captured, piece_from, piece_to, man before/after, com before/after
        double want[11];
    } moves[] = {
        {5, 6, 5, 5, {5, 6, 5, 5, Form1::EMPTY, -2, -2, 0, 3, 0, 0}},  // minus staff, nothing taken
        {5, 4, 5, 5, {5, 4, 5, 5, -2, 2, 2, 3, 3, 0, 3}},              // plus staff takes it
        {4, 9, 4, 8, {4, 9, 4, 8, Form1::EMPTY, -1, -1, 3, 6, 3, 3}},  // minus secretary
        {-1, 7, 4, 5, {-1, 7, 4, 5, Form1::EMPTY, 2, 2, 6, 6, 3, 6}},  // plus drops the staff: hand row 9 - 2
    };
    int n = 0;
    for (const auto& m : moves) {
        ++n;
        SCOPED_TRACE(n);
        h.press(m.fx, m.fy);
        h.now += 3;
        h.press(m.tx, m.ty);
        ASSERT_EQ(f.rec_pos, n);
        ASSERT_EQ(f.rec_len, n);
        const double got[11] = {
            double(f.rec_from_x[n]),   double(f.rec_from_y[n]),   double(f.rec_to_x[n]),
            double(f.rec_to_y[n]),     double(f.rec_captured[n]), double(f.rec_piece_from[n]),
            double(f.rec_piece_to[n]), f.rec_man_before[n],       f.rec_man_after[n],
            f.rec_com_before[n],       f.rec_com_after[n]};
        for (int i = 0; i < 11; ++i) EXPECT_EQ(got[i], m.want[i]) << "column " << i;
        EXPECT_EQ(f.move_no, n);
    }
    EXPECT_EQ(f.board[4][5], 2);
    EXPECT_EQ(f.hand_plus[2], 0);
}
