// Stepping through the record: "戻", "進" and "最初", their messages and
// sounds, hands, clocks, the winner and the turn, and entries that would
// break the position.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <algorithm>

#include "record/kifu_format.h"
#include "support/harness.h"
#include "support/play_support.h"
#include "support/record_play.h"

using recplay::computer;
using recplay::human;
using recplay::Snapshot;

namespace {
struct Game {
    Harness h;
    Form1& f;
    Game() : f(h.f()) {
        recplay::name_sounds(h);
        f.man_side = f.SENTE;
        f.com_side = f.GOTE;
        f.turn = f.SENTE;
    }
};

bool at_start(const Form1& f) {
    for (int x = 1; x <= 9; ++x)
        for (int y = 1; y <= 9; ++y)
            if (f.board[x][y] != kStartBoard[x][y]) return false;
    for (int k = 1; k <= 8; ++k)
        if (f.hand_minus[k] || f.hand_plus[k]) return false;
    return f.hand_count_minus == 0 && f.hand_count_plus == 0;
}
}  // namespace

// The refusals of the message table, with what each leaves behind.
TEST(Stepping, MessagesAndSoundsOfTheRefusals) {
    const struct {
        const char* name;
        bool back;  // "戻" or "進"
        int turn;   // 0: NONE, 1: a game running
        bool record_mode;
        std::vector<std::string> events;
        bool resume_pending;
    } cases[] = {
        {"back at the start", true, 1, false, {"play 禁止", "msg できません|戻る"}, true},
        {"back at start-up", true, 0, false, {"play 禁止", "msg できません|戻る"}, true},
        {"forward before a game", false, 0, false, {"play 禁止", "msg 「対局」で始めて下さい|開始"}, false},
        {"forward at the end", false, 1, false, {"play 禁止", "msg できません|進む"}, true},
        {"forward at the end of a loaded record", false, 1, true, {"msg 終わり|進む"}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Game g;
        Form1& f = g.f;
        f.turn = c.turn ? f.SENTE : Form1::NONE;
        f.record_mode = c.record_mode;
        f.winner = f.com_side;
        f.KIFU_WRITE_Click();
        f.Text1->setText("x");
        const Snapshot before = Snapshot::of(f);
        g.h.clear_log();
        if (c.back)
            f.REPLAY_Click();
        else
            f.AFTER_Click();
        EXPECT_EQ(g.h.events, c.events);
        EXPECT_EQ(f.resume_pending, c.resume_pending);
        // "戻" always clears the winner; nothing else changes.
        EXPECT_EQ(f.winner, c.back ? Form1::NONE : f.com_side);
        Snapshot after = Snapshot::of(f);
        after.winner = before.winner;
        after.resume_pending = before.resume_pending;
        EXPECT_TRUE(after == before);
        // The panel is closed even so.
        EXPECT_TRUE(f.Text1->isHidden());
        EXPECT_TRUE(f.Text1->text().isEmpty());
    }
}

TEST(Stepping, CaptureTakenBackAndMadeAgainWithClocks) {
    Game g;
    Form1& f = g.f;
    human(f, 5, 6, 5, 5, 3.5);
    computer(f, 5, 4, 5, 5, 7.25);  // the clerk... the staff takes the minus staff
    const Snapshot after_two = Snapshot::of(f);
    ASSERT_EQ(f.hand_plus[2], 1);
    g.h.clear_log();

    f.REPLAY_Click();
    EXPECT_EQ(f.board[5][5], -2);  // the captured piece is back
    EXPECT_EQ(f.board[5][4], 2);   // the mover on its origin
    EXPECT_EQ(f.hand_plus[2], 0);
    EXPECT_EQ(f.hand_count_plus, 0);
    EXPECT_EQ(f.com_secs, 0);  // before move 2
    EXPECT_EQ(f.man_secs, 3.5);
    EXPECT_EQ(f.rec_pos, 1);
    EXPECT_EQ(f.rec_len, 2);
    EXPECT_EQ(f.move_no, 1);
    EXPECT_EQ(f.turn, after_two.turn * -1);
    EXPECT_EQ(g.h.events, std::vector<std::string>{"play 駒打音"});
    EXPECT_TRUE(f.resume_pending);
    EXPECT_TRUE(f.調査_局面整合());

    // Clocks that ran on meanwhile are set back to the values after the move.
    f.com_secs = 99;
    f.man_secs = 77;
    f.AFTER_Click();
    EXPECT_TRUE(recplay::same_position(Snapshot::of(f), after_two));
    EXPECT_EQ(f.com_secs, 7.25);
    EXPECT_EQ(f.man_secs, 3.5);
    EXPECT_EQ(f.turn, after_two.turn);
    EXPECT_EQ(f.move_no, 2);
}

TEST(Stepping, DropsOfBothHandsGoBackAndForth) {
    Game g;
    Form1& f = g.f;
    human(f, 5, 6, 5, 5, 1);
    computer(f, 5, 4, 5, 5, 1);  // plus takes a staff
    human(f, 3, 6, 3, 5, 1);
    computer(f, -1, 2, 4, 5, 1);  // the computer drops it: origin (-1, kind)
    human(f, 3, 5, 4, 5, 1);      // minus takes it back
    computer(f, 1, 4, 1, 5, 1);
    human(f, 11, 3, 6, 5, 1);  // and drops it from the minus hand (row kind + 1)
    ASSERT_TRUE(f.調査_局面整合());
    const struct {
        int hand_minus2, hand_plus2, count_minus, count_plus, square_45, square_65;
    } want[] = {
        // after move 7, 6, 5, 4 (stepping back from the end)
        {0, 0, 0, 0, -2, -2}, {1, 0, 1, 0, -2, 0}, {1, 0, 1, 0, -2, 0},
        {0, 0, 0, 0, 2, 0},   {0, 1, 0, 1, 0, 0},
    };
    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(f.hand_minus[2], want[i].hand_minus2);
        EXPECT_EQ(f.hand_plus[2], want[i].hand_plus2);
        EXPECT_EQ(f.hand_count_minus, want[i].count_minus);
        EXPECT_EQ(f.hand_count_plus, want[i].count_plus);
        EXPECT_EQ(f.board[4][5], want[i].square_45);
        EXPECT_EQ(f.board[6][5], want[i].square_65);
        EXPECT_TRUE(f.調査_局面整合());
        f.REPLAY_Click();
    }
    for (int i = 4; i >= 0; --i) {
        SCOPED_TRACE(i);
        f.AFTER_Click();
        EXPECT_EQ(f.hand_minus[2], want[i].hand_minus2);
        EXPECT_EQ(f.hand_plus[2], want[i].hand_plus2);
        EXPECT_EQ(f.board[4][5], want[i].square_45);
        EXPECT_EQ(f.board[6][5], want[i].square_65);
        EXPECT_TRUE(f.調査_局面整合());
    }
}

TEST(Stepping, ChairmanCaptureSetsTheWinnerAndOneStepBackClearsIt) {
    for (const bool minus_takes : {true, false}) {
        SCOPED_TRACE(minus_takes);
        Game g;
        Form1& f = g.f;
        // A secretary moved next to the enemy chairman (the piece count stays whole).
        if (minus_takes) {
            f.board[4][9] = Form1::EMPTY;
            f.board[4][2] = -Form1::SECRETARY;
            human(f, 4, 2, 5, 1, 1);
        } else {
            f.board[4][1] = Form1::EMPTY;
            f.board[4][8] = Form1::SECRETARY;
            computer(f, 4, 8, 5, 9, 1);
        }
        const int won = minus_takes ? f.man_side : f.com_side;
        ASSERT_EQ(f.winner, won);
        f.REPLAY_Click();
        EXPECT_EQ(f.winner, Form1::NONE);
        EXPECT_EQ(f.board[minus_takes ? 5 : 5][minus_takes ? 1 : 9], minus_takes ? 9 : -9);
        EXPECT_EQ(f.hand_count_minus + f.hand_count_plus, 0);
        f.AFTER_Click();
        EXPECT_EQ(f.winner, won);
        EXPECT_EQ(minus_takes ? f.hand_count_minus : f.hand_count_plus, 1);
        EXPECT_EQ(f.hand_minus[1] + f.hand_plus[1], 0);  // a chairman is held nowhere
    }
}

TEST(Stepping, ThreeStepsBackThenANewMoveCutsTheRecord) {
    Game g;
    Form1& f = g.f;
    for (int i = 0; i < 5; ++i) {
        if (i % 2 == 0)
            human(f, 1, 6 - i / 2, 1, 5 - i / 2, 1);
        else
            computer(f, 9, 4 + i / 2, 9, 5 + i / 2, 1);
    }
    ASSERT_EQ(f.rec_len, 5);
    for (int i = 0; i < 3; ++i) f.REPLAY_Click();
    EXPECT_EQ(f.rec_pos, 2);
    EXPECT_EQ(f.rec_len, 5);
    human(f, 3, 6, 3, 5, 1);
    EXPECT_EQ(f.rec_pos, 3);
    EXPECT_EQ(f.rec_len, 3);
    g.h.clear_log();
    f.AFTER_Click();
    EXPECT_EQ(g.h.events, (std::vector<std::string>{"play 禁止", "msg できません|進む"}));
    EXPECT_EQ(f.rec_pos, 3);
}

TEST(Stepping, FortyMoveFileReplaysToItsEndWithoutASound) {
    Harness h;
    recplay::name_sounds(h);
    Form1& f = h.f();
    QByteArray bytes = "四十手\r\n上\r\n下\r\n";
    for (int i = 0; i < 40; ++i) {
        const int r = i % 4;
        // minus and plus senior directors step out and back again.
        const kifu::指し手行 m =
            r == 0   ? kifu::指し手行{2, 7, 2, 6, -7, -7, 0, double(i), double(i + 1), 0, 0}
            : r == 1 ? kifu::指し手行{2, 3, 2, 4, 7, 7, 0, 0, 0, double(i), double(i + 2)}
            : r == 2 ? kifu::指し手行{2, 6, 2, 7, -7, -7, 0, double(i), double(i + 1), 0, 0}
                     : kifu::指し手行{2, 4, 2, 3, 7, 7, 0, 0, 0, double(i), double(i + 2)};
        bytes += kifu::書式_指し手行(m) + "\r\n";
    }
    Harness::write_file(h.path("四十.棋譜"), bytes);
    f.File1_Click("四十.棋譜");
    ASSERT_EQ(f.rec_len, 40);
    h.clear_log();
    for (int n = 1; n <= 40; ++n) {
        const int before = f.turn;
        f.AFTER_Click();
        EXPECT_EQ(f.turn, -before);
    }
    EXPECT_EQ(h.count_events("play 駒打音"), 40);
    EXPECT_TRUE(h.messages.empty());
    EXPECT_EQ(f.move_no, 40);
    EXPECT_EQ(f.com_secs, 41);
    EXPECT_EQ(f.man_secs, 0);  // move 40's MAN columns: whatever the line says
    EXPECT_TRUE(at_start(f));  // every piece stepped back home
    h.clear_log();
    f.AFTER_Click();
    EXPECT_EQ(h.events, std::vector<std::string>{"msg 終わり|進む"});
    EXPECT_EQ(f.move_no, 40);
}

TEST(Stepping, CancelResetsThePositionKeepsTheRecordAndForwardWaitsForAStart) {
    Game g;
    Form1& f = g.f;
    human(f, 5, 6, 5, 5, 2);
    computer(f, 5, 4, 5, 5, 2);
    f.KIFU_WRITE_Click();
    g.h.clear_log();
    f.CANCEL_Click();
    EXPECT_EQ(g.h.events, std::vector<std::string>{"play 駒打音"});
    EXPECT_TRUE(at_start(f));
    EXPECT_EQ(f.rec_pos, 0);
    EXPECT_EQ(f.rec_len, 2);
    EXPECT_EQ(f.turn, Form1::NONE);
    EXPECT_EQ(f.man_secs + f.com_secs, 0);
    EXPECT_FALSE(f.Text1->isHidden());  // "最初" leaves the panel open
    g.h.clear_log();
    f.AFTER_Click();
    EXPECT_EQ(g.h.events, (std::vector<std::string>{"play 禁止", "msg 「対局」で始めて下さい|開始"}));
    EXPECT_FALSE(f.resume_pending);
    // Once a game is running the old moves replay from the start.
    f.turn = f.SENTE;
    f.AFTER_Click();
    f.AFTER_Click();
    EXPECT_EQ(f.board[5][5], 2);
    EXPECT_EQ(f.hand_plus[2], 1);
}

// Entries that would index outside the board or the hands, carry codes that
// are no pieces, or do not fit the position shown: refused, nothing changes.
TEST(Stepping, BrokenEntriesAreRefusedAndChangeNothing) {
    const kifu::指し手行 good{7, 6, 7, 5, -2, -2, 0, 0, 1, 0, 0};
    const struct {
        const char* name;
        kifu::指し手行 m;
        bool structural;  // wrong whatever the position
    } cases[] = {
        {"destination column 0", {7, 6, 0, 5, -2, -2, 0, 0, 1, 0, 0}, true},
        {"destination row 0", {7, 6, 7, 0, -2, -2, 0, 0, 1, 0, 0}, true},
        {"destination column 10", {7, 6, 10, 5, -2, -2, 0, 0, 1, 0, 0}, true},
        {"origin row 0", {7, 0, 7, 5, -2, -2, 0, 0, 1, 0, 0}, true},
        {"origin column 0", {0, 6, 7, 5, -2, -2, 0, 0, 1, 0, 0}, true},
        {"origin column 99", {99, 6, 7, 5, -2, -2, 0, 0, 1, 0, 0}, true},
        {"origin column -99", {-99, 6, 7, 5, -2, -2, 0, 0, 1, 0, 0}, true},
        {"origin is the destination", {7, 6, 7, 6, -2, -2, 0, 0, 1, 0, 0}, true},
        {"piece code 10", {7, 6, 7, 5, -10, -2, 0, 0, 1, 0, 0}, true},
        {"piece code -99", {7, 6, 7, 5, -99, -99, 0, 0, 1, 0, 0}, true},
        {"empty piece", {7, 6, 7, 5, 0, 0, 0, 0, 1, 0, 0}, true},
        {"captured code 50", {7, 6, 7, 5, -2, -2, 50, 0, 1, 0, 0}, true},
        {"origin not holding the piece", {7, 7, 7, 5, -2, -2, 0, 0, 1, 0, 0}, false},
        {"capture of a piece not there", {7, 6, 7, 5, -2, -2, 3, 0, 1, 0, 0}, false},
        {"capture of an own piece", {7, 6, 7, 7, -2, -2, -7, 0, 1, 0, 0}, true},
        {"drop from an empty hand", {11, 3, 5, 5, -2, -2, 0, 0, 1, 0, 0}, false},
        {"drop of a chairman", {11, 3, 5, 5, -9, -9, 0, 0, 1, 0, 0}, true},
        {"drop from the wrong hand", {-1, 3, 5, 5, -2, -2, 0, 0, 1, 0, 0}, true},
        {"drop onto a piece", {11, 3, 7, 6, -2, -2, 0, 0, 1, 0, 0}, false},
        {"drop from column 10", {10, 3, 5, 5, -2, -2, 0, 0, 1, 0, 0}, true},
        {"drop from hand row 0", {11, 0, 5, 5, -2, -2, 0, 0, 1, 0, 0}, true},
        {"sides mixed up", {7, 6, 7, 5, 2, -2, 0, 0, 1, 0, 0}, true},
        {"a piece that changes its rank", {7, 6, 7, 5, -2, -3, 0, 0, 1, 0, 0}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Harness h;
        recplay::name_sounds(h);
        Form1& f = h.f();
        QByteArray bytes =
            "a\r\nb\r\nc\r\n" + kifu::書式_指し手行(good) + "\r\n" + kifu::書式_指し手行(c.m) + "\r\n";
        Harness::write_file(h.path("bad.棋譜"), bytes);
        f.File1_Click("bad.棋譜");
        // Some entries cannot even be written in the line layout; put them in directly.
        f.rec_from_x[2] = c.m.from_x;
        f.rec_from_y[2] = c.m.from_y;
        f.rec_to_x[2] = c.m.to_x;
        f.rec_to_y[2] = c.m.to_y;
        f.rec_piece_to[2] = c.m.piece_to;
        f.rec_piece_from[2] = c.m.piece_from;
        f.rec_captured[2] = c.m.captured;
        f.AFTER_Click();
        ASSERT_EQ(f.board[7][5], -2);
        const Snapshot before = Snapshot::of(f);
        h.clear_log();
        f.AFTER_Click();
        EXPECT_EQ(h.events,
                  (std::vector<std::string>{"play 禁止", "msg 棋譜のデータが正しくありません|進む"}));
        EXPECT_TRUE(Snapshot::of(f) == before);
        EXPECT_TRUE(f.調査_局面整合());

        // The same entry as the move to take back: refused as well.
        if (!c.structural) continue;
        f.rec_pos = 2;
        const Snapshot before_back = Snapshot::of(f);
        h.clear_log();
        f.REPLAY_Click();
        EXPECT_EQ(h.events,
                  (std::vector<std::string>{"play 禁止", "msg 棋譜のデータが正しくありません|戻る"}));
        EXPECT_TRUE(Snapshot::of(f) == before_back);
    }
}

// A taken-back entry that no longer fits the position (the captured piece
// is not in the hand any more) is refused too.
TEST(Stepping, TakingBackACaptureWhosePieceWasDroppedIsRefused) {
    Game g;
    Form1& f = g.f;
    human(f, 5, 6, 5, 5, 1);
    computer(f, 5, 4, 5, 5, 1);
    f.hand_plus[2] = 0;  // as if the record had been edited under it
    f.hand_count_plus = 0;
    const Snapshot before = Snapshot::of(f);
    g.h.clear_log();
    f.REPLAY_Click();
    EXPECT_EQ(g.h.events, (std::vector<std::string>{"play 禁止", "msg 棋譜のデータが正しくありません|戻る"}));
    EXPECT_TRUE(Snapshot::of(f) == before);
}

// Each step repaints only what it changed, and what it shows is exactly what a
// full redraw of the stepped-to position paints: the squares, both hands with
// their counts, and both clocks.
TEST(Stepping, EveryStepShowsWhatAFullRedrawWouldShow) {
    Game g;
    Form1& f = g.f;
    // Captures into both hands, a second piece of a kind, drops from both hands.
    human(f, 5, 6, 5, 5, 1);
    computer(f, 5, 4, 5, 5, 2);  // plus takes a staff
    human(f, 3, 6, 3, 5, 1);
    computer(f, 3, 4, 3, 5, 2);  // and a second one: the count shows 2
    human(f, 4, 9, 4, 8, 1);
    computer(f, -1, 2, 6, 5, 2);  // plus drops one: the count goes back to 1
    human(f, 7, 6, 6, 5, 1);      // minus takes it back
    computer(f, -1, 2, 4, 5, 2);  // plus drops its last staff: empty cell, no number
    human(f, 11, 3, 5, 6, 1);     // minus drops the staff from its hand
    ASSERT_TRUE(f.調査_局面整合());
    ASSERT_EQ(f.rec_len, 9);
    f.画面_再描画();

    // The regions a step may touch: board, hands with counts, clocks.
    struct Region {
        double x, y;
        int w, h;
    };
    const Region regions[] = {{1, 1, 33 * 9, 41 * 9},
                              {-1, 1, 33 * 2, 41 * 8},
                              {11, 2, 33 * 2, 41 * 8},
                              {-2, 10, 33 * 3, 41},
                              {13, 10, 33 * 3, 41}};
    auto shown = [&] {
        std::vector<QImage> parts;
        for (const Region& r : regions) parts.push_back(g.h.cell_image(r.x, r.y, r.w, r.h));
        return parts;
    };
    auto check = [&](const char* what, int n) {
        SCOPED_TRACE(std::string(what) + " to move " + std::to_string(n));
        const std::vector<QImage> stepped = shown();
        f.画面_再描画();
        const std::vector<QImage> redrawn = shown();
        for (std::size_t i = 0; i < stepped.size(); ++i)
            EXPECT_TRUE(stepped[i] == redrawn[i]) << "region " << i;
    };
    for (int n = 8; n >= 0; --n) {
        f.REPLAY_Click();
        ASSERT_EQ(f.rec_pos, n);
        check("back", n);
    }
    for (int n = 1; n <= 9; ++n) {
        f.AFTER_Click();
        ASSERT_EQ(f.rec_pos, n);
        check("forward", n);
    }
}

// A game against the computer won by either side, then "戻" ×3 and "進" ×1:
// after every step the side to move is the one that did not make the last
// move shown, and the next press on the board lets that side, and only it, move.
struct WonGameCase {
    const char* name;
    bool human_wins;
};

class WonGame : public ::testing::TestWithParam<WonGameCase> {};

TEST_P(WonGame, StepsHandTheTurnToTheSideThatDidNotMakeTheLastMoveShown) {
    Harness h;
    recplay::name_sounds(h);
    Form1& f = h.f();
    f.SENTE_Click();
    human(f, 1, 6, 1, 5, 1);
    computer(f, 9, 4, 9, 5, 1);
    if (GetParam().human_wins) {
        // The plus chairman on (5,1) is boxed in; a minus secretary steps beside it and mates.
        play_support::relocate(f, 4, 9, 4, 3);
        play_support::relocate(f, 5, 6, 6, 3);
        h.press(4, 3);
        h.press(4, 2);
        ASSERT_EQ(f.winner, f.man_side);
    } else {
        // The minus chairman steps beside the plus secretary and chairman, which take it.
        play_support::relocate(f, 5, 9, 4, 3);
        h.press(4, 3);
        h.press(4, 2);
        ASSERT_EQ(f.winner, f.com_side);
    }
    const int last = f.rec_pos;
    // Whoever won, the side that made the winning move is not to move.
    EXPECT_EQ(f.turn, f.rec_piece_to[last] > 0 ? f.man_side : f.com_side);

    // At the start the player of move 1 is to move again, as after any step back.
    const auto side_to_move = [&f] {
        const int n = std::max(f.rec_pos, 1);
        const int mover = f.rec_piece_to[n] > 0 ? f.com_side : f.man_side;
        return f.rec_pos == 0 ? mover : -mover;
    };
    for (int i = 0; i < 3; ++i) {
        f.REPLAY_Click();
        EXPECT_EQ(f.turn, side_to_move()) << "after 戻 to move " << f.rec_pos;
    }
    f.AFTER_Click();
    EXPECT_EQ(f.rec_pos, last - 2);
    EXPECT_EQ(f.turn, side_to_move()) << "after 進 to move " << f.rec_pos;

    // A press on an empty square: the side to move is named, or the computer moves.
    const bool computer_to_move = f.turn == f.com_side;
    h.clear_log();
    h.press(5, 5);
    ASSERT_FALSE(h.messages.empty());
    if (computer_to_move) {
        EXPECT_EQ(h.messages.front().text, "OKですか？");
        EXPECT_EQ(f.rec_pos, last - 1);
        EXPECT_GT(f.rec_piece_to[f.rec_pos], 0);
    } else {
        EXPECT_EQ(h.messages.front().text, "MANの番です");
        EXPECT_EQ(f.rec_pos, last - 2);
    }
    EXPECT_EQ(f.turn, f.man_side);
}

INSTANTIATE_TEST_SUITE_P(Stepping, WonGame,
                         ::testing::Values(WonGameCase{"HumanWins", true},
                                           WonGameCase{"ComputerWins", false}),
                         [](const ::testing::TestParamInfo<WonGameCase>& i) { return i.param.name; });

// A loaded record whose first move is the plus player's, replayed from the
// start after "最初" and "スタート": after the first "進" the minus player moves.
TEST(Stepping, ALoadedRecordReplayedAfterAStartGivesTheTurnByTheMover) {
    Harness h;
    recplay::name_sounds(h);
    Form1& f = h.f();
    QByteArray bytes = "対局\r\n上\r\n下\r\n";
    bytes += kifu::書式_指し手行({9, 4, 9, 5, 2, 2, 0, 0, 0, 0, 3}) + "\r\n";
    bytes += kifu::書式_指し手行({1, 6, 1, 5, -2, -2, 0, 0, 4, 3, 3}) + "\r\n";
    Harness::write_file(h.path("上から.棋譜"), bytes);
    f.File1_Click("上から.棋譜");
    ASSERT_EQ(f.rec_len, 2);
    f.CANCEL_Click();
    f.START_Click();
    f.AFTER_Click();
    ASSERT_EQ(f.board[9][5], Form1::STAFF);
    EXPECT_EQ(f.turn, f.man_side);
    // The minus staff on (3,6) can be picked; the plus one on (7,4) cannot.
    h.press(7, 4);
    EXPECT_EQ(f.click_phase, 0);
    h.press(3, 6);
    EXPECT_EQ(f.click_phase, 1);
    f.AFTER_Click();
    EXPECT_EQ(f.turn, f.com_side);
}
