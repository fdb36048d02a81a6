// The computer's turn: which move it picks, what it shows, plays and records,
// how it waits and how its clock runs. Every wait runs on the fake clock.
#include <gtest/gtest.h>

#include <QTimer>
#include <algorithm>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "support/harness.h"

namespace {

struct Piece {
    int x, y, code;
};

struct Move {
    int from_x, from_y, to_x, to_y, piece;
    bool operator==(const Move&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Move& m) {
    return os << "(" << m.from_x << "," << m.from_y << ")->(" << m.to_x << "," << m.to_y << ") piece "
              << m.piece;
}

// Sounds are told apart by their handles; give them distinct ones if loading left them all unset.
void name_sounds(Form1& f) {
    if (f.snd_other || f.snd_forbidden || f.snd_place || f.snd_bgm) return;
    f.snd_other = 901;
    f.snd_forbidden = 902;
    f.snd_place = 903;
    f.snd_bgm = 904;
}

// A game against the computer on an otherwise empty board, the computer to move.
// Positions with pieces missing are handicap positions as far as the set check goes.
void set_up(Harness& h, const std::vector<Piece>& pieces, const std::vector<int>& plus_hand = {}) {
    Form1& f = h.f();
    for (int x = 1; x <= 9; ++x)
        for (int y = 1; y <= 9; ++y) f.board[x][y] = Form1::EMPTY;
    for (int k = 1; k <= 8; ++k) f.hand_plus[k] = f.hand_minus[k] = 0;
    f.hand_count_plus = f.hand_count_minus = 0;
    for (const Piece& p : pieces) f.board[p.x][p.y] = p.code;
    for (int k : plus_hand) {
        f.hand_plus[k] += 1;
        f.hand_count_plus += 1;
    }
    f.handicap_flag = true;
    f.play_mode = Form1::MODE_COM;
    f.winner = Form1::NONE;
    f.turn = f.com_side;
    f.mnu.KEIKA->setChecked(false);
    f.勢力調査();
    name_sounds(f);
    h.clear_log();
}

// The start position, the human (minus) having played one step.
void start_with(Harness& h, int fx, int fy, int tx, int ty) {
    Form1& f = h.f();
    f.play_mode = Form1::MODE_COM;
    f.mnu.KEIKA->setChecked(false);
    const int p = f.board[fx][fy];
    f.手順保存(fx, fy, tx, ty, p, p, 0, 0, 0, 0);
    f.move_no += 1;
    f.駒移動(fx, fy, tx, ty, p);
    f.turn = f.com_side;
    name_sounds(f);
    h.clear_log();
}

Move last_move(Form1& f) {
    const int n = f.rec_pos;
    return {f.rec_from_x[n], f.rec_from_y[n], f.rec_to_x[n], f.rec_to_y[n], f.rec_piece_to[n]};
}

const Piece kPlusKingTopRight{9, 1, 9};
const Piece kMinusKingLeftEdge{1, 5, -9};

}  // namespace

TEST(ComputerChoice, FirstBestCandidateAndStepsBeforeDrops) {
    struct Case {
        const char* name;
        std::vector<Piece> pieces;
        std::vector<int> hand;
        Move expected;
    };
    const std::vector<Case> cases = {
        // Both staffs can advance for 0.2; the first destination of the first origin wins.
        {"equal staff steps", {{9, 9, 9}, {1, 1, -9}, {3, 5, 2}, {6, 5, 2}}, {}, {3, 5, 2, 6, 2}},
        // Every step and every drop leaves the plus chairman beside the minus secretary (-9998).
        {"all lose: the first step", {{5, 1, 9}, {5, 2, -1}, {5, 9, -9}}, {2, 3}, {5, 1, 4, 1, 9}},
        // Taking a secretary (9998) is found first; the mating drop only equals it.
        {"a drop must beat the steps",
         {kPlusKingTopRight, kMinusKingLeftEdge, {7, 7, 2}, {7, 8, -1}},
         {1},
         {7, 7, 7, 8, 2}},
        // The same mating drop is played when no step reaches 9998.
        {"a mating drop", {kPlusKingTopRight, kMinusKingLeftEdge}, {1}, {-1, 1, 2, 5, 1}},
        // The same position with an empty hand: the chairman steps toward the minus chairman.
        {"no drops from an empty hand", {kPlusKingTopRight, kMinusKingLeftEdge}, {}, {9, 1, 8, 2, 9}},
        // A secretary capture earlier in the order gives way to the chairman capture.
        {"the chairman capture replaces a secretary capture",
         {kPlusKingTopRight, {2, 2, 2}, {2, 3, -1}, {6, 6, 1}, {6, 7, -9}},
         {},
         {6, 6, 6, 7, 1}},
    };
    for (const Case& c : cases) {
        Harness h;
        set_up(h, c.pieces, c.hand);
        h.f().com_ban();
        EXPECT_EQ(last_move(h.f()), c.expected) << c.name;
    }
}

TEST(ComputerChoice, SearchTicksTheClockPerColumnAndPerDropKindAndStopsOnTheChairman) {
    struct Case {
        const char* name;
        std::vector<Piece> pieces;
        std::vector<int> hand;
        int ticks;
    };
    const std::vector<Case> cases = {
        {"steps only", {kPlusKingTopRight, kMinusKingLeftEdge, {4, 4, 2}}, {}, 9},
        {"steps and drops", {kPlusKingTopRight, kMinusKingLeftEdge, {4, 4, 2}}, {5}, 9 + 8},
        // The mating secretary drop (kind 1) ends the drop search.
        {"a mating drop stops the drops", {kPlusKingTopRight, kMinusKingLeftEdge}, {1, 5}, 9 + 1},
        // Taking the chairman in column 4 ends the whole search, drops included.
        {"chairman capture", {kPlusKingTopRight, {4, 4, 1}, {4, 5, -9}, {7, 7, 2}, {7, 8, -1}}, {5}, 4},
    };
    // The tick reads the day clock only while Timer1 runs, that is with 経過時間 ticked:
    // the difference in clock readings before the first wait counts the ticks.
    auto readings_before_first_wait = [](const Case& c, bool keika) {
        Harness h;
        set_up(h, c.pieces, c.hand);
        Form1& f = h.f();
        f.mnu.KEIKA->setChecked(keika);
        int readings = 0, at_first_wait = -1;
        f.day_clock = [&] {
            ++readings;
            return h.now;
        };
        auto idle = f.idle;
        f.idle = [&, idle](int ms) {
            if (at_first_wait < 0) at_first_wait = readings;
            idle(ms);
        };
        f.com_ban();
        return at_first_wait;
    };
    for (const Case& c : cases)
        EXPECT_EQ(readings_before_first_wait(c, true) - readings_before_first_wait(c, false), c.ticks)
            << c.name;
}

TEST(ComputerTurn, AnnouncesMateCheckAndWin) {
    struct Case {
        const char* name;
        std::vector<Piece> pieces;
        std::vector<int> hand;
        Move expected;
        std::vector<std::string> events;
        int winner_is_com;
    };
    const std::vector<Case> cases = {
        {"plain move", {{9, 9, 9}, {1, 1, -9}, {3, 5, 2}}, {}, {3, 5, 2, 6, 2}, {"play 駒打音"}, 0},
        // A secretary beside the chairman it mates: only the mate box.
        {"mate",
         {kPlusKingTopRight, kMinusKingLeftEdge, {3, 4, 1}},
         {},
         {3, 4, 2, 5, 1},
         {"play 駒打音", "msg よし！!|詰め ?"},
         0},
        {"mating drop",
         {kPlusKingTopRight, kMinusKingLeftEdge},
         {1},
         {-1, 1, 2, 5, 1},
         {"play 駒打音", "msg よし！!|詰め ?"},
         0},
        {"check",
         {kPlusKingTopRight, {5, 9, -9}, {3, 7, 1}},
         {},
         {3, 7, 4, 8, 1},
         {"play 駒打音", "msg    ** 訴訟！（王手） **|"},
         0},
        {"chairman taken",
         {kPlusKingTopRight, {4, 4, 1}, {4, 5, -9}},
         {},
         {4, 4, 4, 5, 1},
         {"play 駒打音", "msg ｺﾝﾋﾟｭｰﾀの勝ちです|終了"},
         1},
        // The second secretary wins even where a secretary drop would also mate.
        {"second secretary taken",
         {{1, 1, 9}, {9, 9, -9}, {5, 5, 2}, {5, 6, -1}},
         {1},
         {5, 5, 5, 6, 2},
         {"play 駒打音", "msg ｺﾝﾋﾟｭｰﾀの勝ちです|終了"},
         1},
    };
    for (const Case& c : cases) {
        Harness h;
        set_up(h, c.pieces, c.hand);
        Form1& f = h.f();
        f.mnu.KEIKA->setChecked(true);
        f.com_secs = 30;
        f.com_ban();
        EXPECT_EQ(last_move(f), c.expected) << c.name;
        EXPECT_EQ(h.events, c.events) << c.name;
        EXPECT_EQ(f.turn, f.man_side) << c.name;
        EXPECT_EQ(f.winner, c.winner_is_com ? f.com_side : Form1::NONE) << c.name;
        // A decided game keeps its clocks stopped; otherwise the human's clock runs.
        EXPECT_EQ(f.Timer1->isActive(), !c.winner_is_com) << c.name;
        EXPECT_EQ(f.com_secs, 30) << c.name;
        EXPECT_EQ(f.move_no, 1) << c.name;
        EXPECT_EQ(f.rec_pos, 1) << c.name;
    }
}

TEST(ComputerTurn, DropBlinksItsHandCellBeforeThePieceAppears) {
    struct Case {
        const char* name;
        std::vector<Piece> pieces;
        std::vector<int> hand;
        Move expected;
        int blink_x, blink_y;
    };
    const std::vector<Case> cases = {
        {"secretary", {kPlusKingTopRight, kMinusKingLeftEdge}, {1}, {-1, 1, 2, 5, 1}, -1, 8},
        // A staff beside a lone minus secretary scores 6.2, more than any chairman step.
        {"staff", {{9, 9, 9}, {1, 9, -9}, {5, 5, -1}}, {2}, {-1, 2, 4, 4, 2}, -1, 7},
        {"step", {{9, 9, 9}, {1, 1, -9}, {3, 5, 2}}, {2}, {3, 5, 2, 6, 2}, 3, 5},
    };
    for (const Case& c : cases) {
        Harness h;
        set_up(h, c.pieces, c.hand);
        Form1& f = h.f();
        // What each repaint shows: the destination square and the time waited so far.
        std::vector<std::pair<int, int>> shown;
        f.refresh = [&] { shown.push_back({f.board[c.expected.to_x][c.expected.to_y], h.waits_ms}); };
        f.com_ban();
        EXPECT_EQ(last_move(f), c.expected) << c.name;
        EXPECT_EQ(f.blink_x, c.blink_x) << c.name;
        EXPECT_EQ(f.blink_y, c.blink_y) << c.name;
        // "思考中" first, then two blinks of two halves, 0.2 s apart, with the piece not yet moved.
        const std::vector<std::pair<int, int>> blinks = {{0, 0}, {0, 0}, {0, 200}, {0, 400}, {0, 600}};
        ASSERT_GE(shown.size(), blinks.size()) << c.name;
        using Shown = std::vector<std::pair<int, int>>;
        EXPECT_EQ(Shown(shown.begin(), shown.begin() + 5), blinks) << c.name;
        EXPECT_EQ(f.board[c.expected.to_x][c.expected.to_y], c.expected.piece) << c.name;
        EXPECT_EQ(h.waits_ms, 1300) << c.name;
    }
}

TEST(ComputerTurn, ClockTimerFollowsTheElapsedTimeOption) {
    for (bool keika : {false, true}) {
        Harness h;
        set_up(h, {{9, 9, 9}, {1, 1, -9}, {3, 5, 2}});
        Form1& f = h.f();
        f.mnu.KEIKA->setChecked(keika);
        bool ran_while_waiting = false;
        auto idle = f.idle;
        f.idle = [&, idle](int ms) {
            ran_while_waiting = ran_while_waiting || f.Timer1->isActive();
            idle(ms);
        };
        f.com_ban();
        EXPECT_EQ(ran_while_waiting, keika) << keika;
        EXPECT_EQ(f.Timer1->isActive(), keika) << keika;
    }
}

TEST(ComputerTurn, WaitsRunOnTheDayClockAndCountTheMoveTime) {
    struct Case {
        const char* name;
        double start;
        double thinking;  // seconds the search takes
        double after;     // the day clock after the move
    };
    const std::vector<Case> cases = {
        {"morning", 36000.0, 0.0, 36001.3},
        {"across midnight", 86399.5, 0.0, 0.8},
        {"a slow search", 36000.0, 2.5, 36003.8},
    };
    for (const Case& c : cases) {
        Harness h;
        set_up(h, {{9, 9, 9}, {1, 1, -9}, {3, 5, 2}});
        Form1& f = h.f();
        h.now = c.start;
        f.com_secs = 100;
        f.man_secs = 40;
        f.move_secs = 7;  // left over from an earlier turn
        // The second reading, at the end of the search, comes c.thinking seconds after the first.
        int readings = 0;
        f.day_clock = [&] {
            if (++readings == 2) h.now += c.thinking;
            if (h.now >= 86400.0) h.now -= 86400.0;
            return h.now;
        };
        f.com_ban();
        EXPECT_EQ(h.waits_ms, 1300) << c.name;
        EXPECT_NEAR(h.now, c.after, 1e-6) << c.name;
        EXPECT_NEAR(f.turn_start_time, h.now, 1e-6) << c.name;
        // A move time left over from an earlier turn is not counted again.
        EXPECT_NEAR(f.com_secs, 100 + c.thinking, 1e-6) << c.name;
        EXPECT_NEAR(f.rec_com_before[1], 100, 1e-6) << c.name;
        EXPECT_NEAR(f.rec_com_after[1], 100 + c.thinking, 1e-6) << c.name;
        EXPECT_NEAR(f.rec_man_before[1], 40, 1e-6) << c.name;
        EXPECT_NEAR(f.rec_man_after[1], 40, 1e-6) << c.name;
    }
}

// With the clock shown, the timer keeps ticking while the chosen piece blinks;
// after the move the computer's clock shows the total it was charged, not the
// time the blinks and the pause added on the screen.
TEST(ComputerTurn, ComputersClockShowsTheChargedTotalAfterItsMove) {
    for (double thinking : {0.5, 2.5}) {
        Harness h;
        set_up(h, {{9, 9, 9}, {1, 1, -9}, {3, 5, 2}});
        Form1& f = h.f();
        f.mnu.KEIKA->setChecked(true);
        f.com_secs = 100;
        int readings = 0;
        f.day_clock = [&] {
            if (++readings == 2) h.now += thinking;
            return h.now;
        };
        auto idle = f.idle;
        f.idle = [&, idle](int ms) {
            idle(ms);
            f.Timer1_Timer();  // the real wait lets the clock timer run
        };
        f.com_ban();
        ASSERT_NEAR(f.com_secs, 100 + thinking, 1e-6);
        std::vector<QImage> shown;
        for (int x = -2; x <= 0; ++x) shown.push_back(h.cell_image(x, 10));
        f.描画_所有時間(f.com_side, f.com_secs);
        for (int x = -2; x <= 0; ++x)
            EXPECT_EQ(h.cell_image(x, 10), shown[x + 2]) << thinking << " cell " << x;
    }
}

TEST(ComputerTurn, WaitEndsAfterItsTimeInSmallSlices) {
    struct Case {
        double seconds, start;
        int waited_ms;
    };
    const std::vector<Case> cases = {{0.5, 36000, 500}, {0.2, 86399.9, 200}, {0.03, 100, 30}, {0, 100, 0}};
    for (const Case& c : cases) {
        Harness h;
        Form1& f = h.f();
        h.now = c.start;
        int longest = 0;
        auto idle = f.idle;
        f.idle = [&, idle](int ms) {
            longest = std::max(longest, ms);
            idle(ms);
        };
        f.待ち時間(c.seconds);
        EXPECT_EQ(h.waits_ms, c.waited_ms) << c.seconds;
        EXPECT_LE(longest, 50) << c.seconds;
    }
}

TEST(ComputerTurn, NothingHappensAfterTheGameOrWithAFullRecord) {
    for (int full : {0, 1}) {
        Harness h;
        start_with(h, 5, 6, 5, 5);
        Form1& f = h.f();
        if (full)
            f.rec_pos = Form1::REC_MAX;
        else
            f.winner = f.man_side;
        int before[10][10];
        std::copy(&f.board[0][0], &f.board[0][0] + 100, &before[0][0]);
        const int rec_pos = f.rec_pos, move_no = f.move_no, winner = f.winner;
        f.com_ban();
        EXPECT_TRUE(std::equal(&f.board[0][0], &f.board[0][0] + 100, &before[0][0])) << full;
        EXPECT_EQ(f.rec_pos, rec_pos) << full;
        EXPECT_EQ(f.move_no, move_no) << full;
        EXPECT_EQ(f.winner, winner) << full;
        EXPECT_EQ(h.waits_ms, 0) << full;
        EXPECT_EQ(h.count_events("play 駒打音"), 0) << full;
        if (full) {
            ASSERT_EQ(h.messages.size(), 1u);
            EXPECT_EQ(h.messages[0].title, QStringLiteral("棋譜"));
        } else {
            EXPECT_TRUE(h.events.empty());
        }
    }
}

TEST(ComputerTurn, NoLegalMoveLosesTheGame) {
    Harness h;
    // The plus chairman in its corner may not take the three minus secretaries around it.
    set_up(h, {{1, 1, 9}, {1, 2, -1}, {2, 1, -1}, {2, 2, -1}, {9, 9, -9}});
    Form1& f = h.f();
    f.mnu.KEIKA->setChecked(true);
    f.com_ban();
    EXPECT_EQ(f.winner, f.man_side);
    EXPECT_EQ(f.turn, f.man_side);
    EXPECT_EQ(h.events, std::vector<std::string>{"msg あなたの勝ちです|終了"});
    EXPECT_EQ(f.rec_pos, 0);
    EXPECT_EQ(f.move_no, 0);
    EXPECT_EQ(h.waits_ms, 0);
    EXPECT_FALSE(f.Timer1->isActive());
    EXPECT_EQ(f.board[1][1], 9);
}

// A drop made when no step was legal still records a plus origin piece: taking
// the move back reads its sign to clear the computer's last-move text.
TEST(ComputerTurn, DropWithoutAnyLegalStepRecordsAPlusOriginPiece) {
    Harness h;
    set_up(h, {{1, 1, 9}, {1, 2, -1}, {2, 1, -1}, {2, 2, -1}, {9, 9, -9}}, {Form1::STAFF});
    Form1& f = h.f();
    f.com_ban();
    ASSERT_EQ(f.rec_pos, 1);
    EXPECT_EQ(f.rec_from_x[1], Form1::HAND_PLUS_X);
    EXPECT_EQ(f.rec_piece_to[1], Form1::STAFF);
    EXPECT_GT(f.rec_piece_from[1], 0);
    // Taken back, the computer's last-move text goes and the minus player's stays.
    f.描画_移動結果(f.man_side, 5, 5, -Form1::STAFF, Form1::WHITE);
    const QImage minus_text = h.cell_image(14, 2);
    const QImage plus_text = h.cell_image(-1, 9);
    f.REPLAY_Click();
    EXPECT_EQ(h.cell_image(14, 2), minus_text);
    EXPECT_NE(h.cell_image(-1, 9), plus_text);
}

TEST(ComputerTurn, OneMoveRecordedAndTheSearchLeavesTheBoardAsItWas) {
    Harness h;
    start_with(h, 5, 6, 5, 5);
    Form1& f = h.f();
    int before[10][10];
    std::copy(&f.board[0][0], &f.board[0][0] + 100, &before[0][0]);
    f.com_ban();
    const Move m = last_move(f);
    EXPECT_EQ(f.rec_pos, 2);
    EXPECT_EQ(f.rec_len, 2);
    EXPECT_EQ(f.move_no, 2);
    EXPECT_EQ(f.rec_piece_from[2], before[m.from_x][m.from_y]);
    EXPECT_EQ(f.rec_captured[2], before[m.to_x][m.to_y]);
    EXPECT_EQ(h.events, std::vector<std::string>{"play 駒打音"});
    for (int x = 1; x <= 9; ++x)
        for (int y = 1; y <= 9; ++y) {
            int expected = before[x][y];
            if (x == m.from_x && y == m.from_y) expected = Form1::EMPTY;
            if (x == m.to_x && y == m.to_y) expected = m.piece;
            EXPECT_EQ(f.board[x][y], expected) << x << "," << y;
        }
}

TEST(ComputerTurn, PinnedMovesFromTheStartAndInAMiddleGame) {
    struct Case {
        const char* name;
        std::vector<Move> human;  // minus moves, each answered by the computer
        std::vector<Move> computer;
    };
    const std::vector<Case> cases = {
        // The computer's staff takes the staff that came forward.
        {"centre staff", {{5, 6, 5, 5, -2}}, {{5, 4, 5, 5, 2}}},
        {"edge staff", {{1, 6, 1, 5, -2}}, {{1, 4, 1, 5, 2}}},
        // A middle game with captures, a drop and a wandering chairman.
        {"middle game",
         {{8, 9, 9, 8, -3},
          {9, 6, 8, 5, -2},
          {7, 6, 8, 5, -2},
          {6, 9, 7, 8, -1},
          {8, 7, 8, 6, -7},
          {8, 6, 8, 5, -7},
          {5, 6, 6, 5, -2},
          {7, 9, 7, 8, -4},
          {8, 5, 7, 4, -7},
          {4, 9, 4, 8, -1},
          {9, 8, 8, 7, -3},
          {8, 7, 9, 6, -3},
          {9, 9, 8, 8, -5},
          {8, 8, 9, 7, -5}},
         {{5, 1, 4, 2, 9},
          {7, 4, 8, 5, 2},
          {9, 4, 8, 5, 2},
          {4, 2, 5, 3, 9},
          {5, 3, 4, 4, 9},
          {-1, 2, 7, 7, 2},
          {7, 7, 7, 8, 2},
          {5, 4, 6, 5, 2},
          {8, 3, 7, 4, 7},
          {4, 4, 5, 5, 9},
          {5, 5, 5, 6, 9},
          {7, 4, 8, 5, 7},
          {8, 5, 9, 6, 7},
          {9, 6, 9, 7, 7}}},
    };
    for (const Case& c : cases) {
        Harness h;
        Form1& f = h.f();
        f.play_mode = Form1::MODE_COM;
        f.mnu.KEIKA->setChecked(false);
        for (std::size_t i = 0; i < c.human.size(); ++i) {
            const Move& hm = c.human[i];
            ASSERT_EQ(f.board[hm.from_x][hm.from_y], hm.piece) << c.name << " move " << i;
            ASSERT_TRUE(f.移動チェック(hm.from_x, hm.from_y, hm.to_x, hm.to_y, hm.piece))
                << c.name << " move " << i;
            f.手順保存(hm.from_x, hm.from_y, hm.to_x, hm.to_y, hm.piece, hm.piece, 0, 0, 0, 0);
            f.move_no += 1;
            f.駒移動(hm.from_x, hm.from_y, hm.to_x, hm.to_y, hm.piece);
            f.turn = f.com_side;
            f.com_ban();
            EXPECT_EQ(last_move(f), c.computer[i]) << c.name << " move " << i;
        }
    }
}

TEST(ComputerTurn, ThinkingIsShownBeforeTheSearchAndReplacedByTheMove) {
    Harness h;
    Form1& f = h.f();
    // The status cells (-2, 9) .. (0, 9) below the plus hand.
    auto status = [&] { return h.cell_image(-2, 9, 99, 41); };
    f.消去_思考中();
    const QImage cleared = status();
    f.描画_思考中();
    const QImage thinking = status();
    EXPECT_NE(thinking, cleared);
    f.消去_思考中();
    EXPECT_EQ(status(), cleared);

    start_with(h, 5, 6, 5, 5);
    std::vector<QImage> shown;
    f.refresh = [&] { shown.push_back(status()); };
    f.com_ban();
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown.front(), thinking);
    EXPECT_NE(status(), thinking);
    EXPECT_NE(status(), cleared);
}

// The real wait lets the window paint, and with it the clock's timer could
// fire; during the computer's blink and pause the tick is held back, so its
// clock shows only what the search used.
TEST(ComputerTurn, ClockTickIsHeldDuringTheBlinkAndPause) {
    Harness h;
    Form1& f = h.f();
    f.SENTE_Click();
    ASSERT_TRUE(f.mnu.KEIKA->isChecked());
    int waits = 0, unblocked = 0;
    const auto fake_idle = f.idle;
    f.idle = [&](int ms) {
        ++waits;
        unblocked += !f.Timer1->signalsBlocked();
        fake_idle(ms);
    };
    h.press(7, 6);
    h.press(7, 5);
    ASSERT_EQ(f.move_no, 2);
    EXPECT_GT(waits, 0);
    EXPECT_EQ(unblocked, 0);
    EXPECT_FALSE(f.Timer1->signalsBlocked()) << "the tick runs again once the computer has moved";
    EXPECT_TRUE(f.Timer1->isActive());
}
