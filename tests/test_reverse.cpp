// Board reversal: the point-symmetric board with owners changed, the hands
// exchanged, the record emptied, the refusal during record replay.
#include <gtest/gtest.h>

#include <cstring>

#include "support/harness.h"

namespace {
// Distinct handles, so the sound log names the sound even without the binding.
void name_sounds(Form1& f) {
    f.snd_other = 201;
    f.snd_forbidden = 202;
    f.snd_place = 203;
    f.snd_bgm = 204;
}

struct Snapshot {
    int board[10][10];
    int hand_minus[9], hand_plus[9];
    int count_minus, count_plus;
    explicit Snapshot(const Form1& f) {
        std::memcpy(board, f.board, sizeof board);
        std::memcpy(hand_minus, f.hand_minus, sizeof hand_minus);
        std::memcpy(hand_plus, f.hand_plus, sizeof hand_plus);
        count_minus = f.hand_count_minus;
        count_plus = f.hand_count_plus;
    }
};
}  // namespace

TEST(Reverse, TurnsTheBoardAndExchangesTheHands) {
    Harness h;
    Form1& f = h.f();
    name_sounds(f);
    // A middle-game position: some pieces moved, some in hand.
    f.board[1][1] = +5;
    f.board[2][7] = Form1::EMPTY;
    f.board[5][5] = -4;
    f.board[9][1] = Form1::EMPTY;
    f.hand_plus[2] = 2;
    f.hand_plus[6] = 1;
    f.hand_minus[1] = 1;
    f.hand_count_plus = 3;
    f.hand_count_minus = 1;
    f.turn = f.man_side;
    f.move_no = 17;
    f.rec_pos = 12;
    f.rec_len = 16;
    f.click_phase = 1;
    const Snapshot before(f);
    h.clear_log();

    f.REVERSE_Click();

    for (int x = 1; x <= 9; ++x)
        for (int y = 1; y <= 9; ++y) EXPECT_EQ(f.board[10 - x][10 - y], -before.board[x][y]) << x << "," << y;
    EXPECT_EQ(f.board[9][9], -5);
    EXPECT_EQ(f.board[5][5], +4);
    for (int k = 1; k <= 8; ++k) {
        EXPECT_EQ(f.hand_minus[k], before.hand_plus[k]) << k;
        EXPECT_EQ(f.hand_plus[k], before.hand_minus[k]) << k;
    }
    EXPECT_EQ(f.hand_minus[2], 2);
    EXPECT_EQ(f.hand_count_minus, 3);
    EXPECT_EQ(f.hand_count_plus, 1);
    EXPECT_EQ(f.turn, f.com_side);
    EXPECT_EQ(f.rec_pos, 0);
    EXPECT_EQ(f.rec_len, 0);
    EXPECT_EQ(f.move_no, 17);
    EXPECT_EQ(f.click_phase, 0);
    EXPECT_TRUE(f.reversed_flag);
    EXPECT_EQ(h.events, std::vector<std::string>{"play 駒打音"});
}

TEST(Reverse, TwiceGivesTheStartingPositionBack) {
    Harness h;
    Form1& f = h.f();
    const int turns[] = {Form1::NONE, 1, -1};
    for (int t : turns) {
        f.初期設定();
        f.turn = t;
        f.rec_len = 4;
        f.rec_pos = 4;
        f.REVERSE_Click();
        EXPECT_EQ(f.turn, -t);
        f.REVERSE_Click();
        EXPECT_EQ(f.turn, t);
        for (int x = 1; x <= 9; ++x)
            for (int y = 1; y <= 9; ++y) EXPECT_EQ(f.board[x][y], kStartBoard[x][y]) << x << "," << y;
        EXPECT_EQ(f.rec_len, 0);
        EXPECT_EQ(f.rec_pos, 0);
        EXPECT_TRUE(f.reversed_flag);
        EXPECT_TRUE(f.調査_局面整合());
    }
    // A new game clears the mark.
    f.初期設定();
    EXPECT_FALSE(f.reversed_flag);
}

TEST(Reverse, HandicapGradeIsTurnedOnlyWhenInUse) {
    Harness h;
    Form1& f = h.f();
    const struct {
        bool flag;
        int level, after;
    } cases[] = {{true, 3, -3}, {true, -10, 10}, {true, 0, 0}, {false, 3, 3}, {false, -7, -7}};
    for (const auto& c : cases) {
        f.初期設定();
        f.handicap_flag = c.flag;
        f.handicap_level = c.level;
        f.REVERSE_Click();
        EXPECT_EQ(f.handicap_level, c.after) << c.flag << " " << c.level;
    }
}

TEST(Reverse, RefusedWhileARecordIsReplayed) {
    Harness h;
    Form1& f = h.f();
    name_sounds(f);
    f.record_mode = true;
    f.turn = f.man_side;
    f.rec_len = 9;
    f.rec_pos = 3;
    f.click_phase = 1;
    f.hand_plus[2] = 1;
    f.hand_count_plus = 1;
    const Snapshot before(f);
    h.clear_log();

    f.REVERSE_Click();

    EXPECT_EQ(h.events, (std::vector<std::string>{"play 禁止", "msg 棋譜ﾓｰﾄﾞではできません|反転"}));
    ASSERT_EQ(h.messages.size(), 1u);
    EXPECT_EQ(h.messages[0].buttons, MB_OK);
    EXPECT_EQ(std::memcmp(before.board, f.board, sizeof before.board), 0);
    EXPECT_EQ(f.hand_plus[2], 1);
    EXPECT_EQ(f.hand_count_plus, 1);
    EXPECT_EQ(f.turn, f.man_side);
    EXPECT_EQ(f.rec_len, 9);
    EXPECT_EQ(f.rec_pos, 3);
    EXPECT_EQ(f.click_phase, 1);
    EXPECT_FALSE(f.reversed_flag);
}

TEST(Reverse, EverythingIsDrawnAgainWithTheMoveCounter) {
    Harness h;
    Form1& f = h.f();
    f.move_no = 12;
    f.hand_plus[3] = 1;
    f.hand_count_plus = 1;
    f.board[2][1] = Form1::EMPTY;
    f.canvas.fill(Qt::magenta);
    f.REVERSE_Click();
    const QImage magenta = [&] {
        QImage m(33, 41, QImage::Format_ARGB32);
        m.fill(Qt::magenta);
        return m;
    }();
    // Board, hands, labels and the move counter cells are all painted.
    for (auto [x, y] : {std::pair{5, 5}, {8, 9}, {-1, 1}, {11, 4}, {5, 0}, {10, 5}, {13, 3}, {14, 3}})
        EXPECT_NE(h.cell_image(x, y), magenta) << x << "," << y;
    // The counter cells hold more than the background: the number and "手目".
    // (Two pixels in, clear of the hand-count tile that overlaps the first column.)
    const double inside = 13 + 2.0 / 33;
    const QImage counter = h.cell_image(inside, 3, 60, 41);
    f.描画_絵(f.bg_kind, 13, 3);
    f.描画_絵(f.bg_kind, 14, 3);
    EXPECT_NE(h.cell_image(inside, 3, 60, 41), counter);
    // The captured clerk now stands in the minus hand (row 4), the square (8, 9) is empty.
    EXPECT_EQ(f.hand_minus[3], 1);
    EXPECT_EQ(f.board[8][9], 0);
}

// The record is emptied by a reversal: play resumed from there starts a new
// record, never the moves made before it.
TEST(Reverse, PlayAfterwardsStartsAFreshRecord) {
    for (void (Form1::*resume)() : {&Form1::SENTE_Click, &Form1::GOTE_Click}) {
        Harness h;
        Form1& f = h.f();
        h.start_with_a_move();
        ASSERT_EQ(f.rec_pos, 1);
        f.REVERSE_Click();
        EXPECT_EQ(f.move_no, 1);
        // The human is to move on the turned board.
        (f.*resume)();
        ASSERT_EQ(f.turn, f.man_side);
        EXPECT_EQ(f.rec_len, 0);
        h.clear_log();
        f.AFTER_Click();  // nothing recorded lies ahead
        EXPECT_EQ(h.count_events("msg できません|進む"), 1);
    }
}
