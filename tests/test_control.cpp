// Game control: スタート, 先手 and 後手 from start-up, during a game, after a
// finished game and when the computer is to move; the clock timer they leave.
#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QTimer>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "support/play_support.h"

using namespace play_support;

namespace {

bool board_is_start(const Form1& f) {
    for (int x = 1; x <= 9; ++x)
        for (int y = 1; y <= 9; ++y)
            if (f.board[x][y] != kStartBoard[x][y]) return false;
    return true;
}

// A game against the computer after two moves, the human (minus, first) to move.
void human_to_move_after_two_moves(Harness& h) {
    Form1& f = h.f();
    f.SENTE_Click();
    relocate(f, 5, 6, 5, 5);
    relocate(f, 5, 4, 4, 5);
    f.move_no = 2;
    f.rec_pos = 2;
    f.rec_len = 2;
    f.turn = f.man_side;
}

TEST(GameControl, SenteRightAfterStartUp) {
    Harness h;
    name_sounds(h);
    Form1& f = h.f();
    h.clear_log();
    f.SENTE_Click();
    EXPECT_EQ(h.events, std::vector<std::string>{"msg MANの番です| "});
    EXPECT_EQ(f.man_side, f.SENTE);
    EXPECT_EQ(f.com_side, f.GOTE);
    EXPECT_EQ(f.turn, f.SENTE);
    EXPECT_EQ(f.play_mode, Form1::MODE_COM);
    EXPECT_EQ(f.move_no, 0);  // the computer waits for the human
    EXPECT_TRUE(board_is_start(f));
    EXPECT_FALSE(f.record_mode);
    EXPECT_EQ(f.click_phase, 0);
    EXPECT_DOUBLE_EQ(f.turn_start_time, h.now);
    // The human can move at once.
    h.press(5, 6);
    EXPECT_EQ(f.click_phase, 1);
}

// Needs the computer's move.
TEST(GameControl, GoteRightAfterStartUpLetsTheComputerOpen) {
    Harness h;
    name_sounds(h);
    Form1& f = h.f();
    h.clear_log();
    f.GOTE_Click();
    EXPECT_TRUE(msg_events(h).empty());
    EXPECT_EQ(f.man_side, f.GOTE);
    EXPECT_EQ(f.com_side, f.SENTE);
    EXPECT_EQ(f.play_mode, Form1::MODE_COM);
    EXPECT_EQ(f.move_no, 1);
    EXPECT_EQ(f.rec_pos, 1);
    EXPECT_EQ(f.turn, f.man_side);
    EXPECT_GT(f.rec_piece_to[1], 0);  // a plus piece moved
    EXPECT_FALSE(board_is_start(f));
}

TEST(GameControl, StartAfterStartUpIsAFreshGameBetweenHumans) {
    Harness h;
    name_sounds(h);
    Form1& f = h.f();
    f.rec_len = 7;  // moves of an earlier game stay for replay
    h.clear_log();
    f.START_Click();
    EXPECT_EQ(h.events, std::vector<std::string>{"msg 先手の番です| "});
    EXPECT_EQ(f.play_mode, Form1::MODE_MAN);
    EXPECT_EQ(f.man_side, f.SENTE);
    EXPECT_EQ(f.com_side, f.GOTE);
    EXPECT_EQ(f.turn, f.SENTE);
    EXPECT_EQ(f.rec_len, 7);
    EXPECT_FALSE(f.resume_pending);
}

struct StartDuringCase {
    const char* name;
    bool human_first;
    std::string message;
};
void PrintTo(const StartDuringCase& c, std::ostream* os) { *os << c.name; }

class StartDuringComputerGame : public ::testing::TestWithParam<StartDuringCase> {};

TEST_P(StartDuringComputerGame, ContinuesByHandWithoutReset) {
    const StartDuringCase& c = GetParam();
    Harness h;
    name_sounds(h);
    Form1& f = h.f();
    if (c.human_first) {
        human_to_move_after_two_moves(h);
    } else {
        // The human plays second: sides swapped, the human (GOTE) to move.
        f.SENTE_Click();
        f.man_side = f.GOTE;
        f.com_side = f.SENTE;
        relocate(f, 5, 4, 5, 5);
        f.move_no = f.rec_pos = f.rec_len = 1;
        f.turn = f.man_side;
    }
    int before[10][10];
    std::copy(&f.board[0][0], &f.board[0][0] + 100, &before[0][0]);
    const int man = f.man_side, com = f.com_side, turn = f.turn;
    f.resume_pending = true;
    h.clear_log();
    f.START_Click();
    EXPECT_EQ(h.events, std::vector<std::string>{c.message});
    EXPECT_EQ(f.play_mode, Form1::MODE_MAN);
    EXPECT_TRUE(std::equal(&f.board[0][0], &f.board[0][0] + 100, &before[0][0]));
    EXPECT_EQ(f.man_side, man);
    EXPECT_EQ(f.com_side, com);
    EXPECT_EQ(f.turn, turn);
    EXPECT_FALSE(f.resume_pending);
    EXPECT_EQ(f.rec_len, f.rec_pos);
    // The same position goes on with the other side moved by hand too.
    // Each player's time goes to that player's own clock, whichever side moves first.
    h.clear_log();
    f.man_secs = 100;
    f.com_secs = 200;
    h.now += 5;
    h.press(5, 9);
    h.press(4, 8);
    EXPECT_EQ(f.board[4][8], -Form1::CHAIRMAN);
    EXPECT_EQ(f.turn, f.com_side);
    EXPECT_DOUBLE_EQ(f.man_secs, 105);
    EXPECT_DOUBLE_EQ(f.com_secs, 200);
    h.now += 2;
    h.press(5, 1);
    h.press(4, 2);
    EXPECT_EQ(f.board[4][2], +Form1::CHAIRMAN);
    EXPECT_EQ(f.turn, f.man_side);
    EXPECT_DOUBLE_EQ(f.man_secs, 105);
    EXPECT_DOUBLE_EQ(f.com_secs, 202);
    EXPECT_EQ(h.events, (std::vector<std::string>{"play 駒打音", "play 駒打音"}));
}

INSTANTIATE_TEST_SUITE_P(GameControl, StartDuringComputerGame,
                         ::testing::Values(StartDuringCase{"HumanFirst", true, "msg 先手の番です| "},
                                           StartDuringCase{"HumanSecond", false, "msg 後手の番です| "}),
                         [](const auto& i) { return std::string(i.param.name); });

struct AfterFinishCase {
    const char* name;
    std::function<void(Form1&)> command;
};
void PrintTo(const AfterFinishCase& c, std::ostream* os) { *os << c.name; }

class CommandAfterFinishedGame : public ::testing::TestWithParam<AfterFinishCase> {};

TEST_P(CommandAfterFinishedGame, StartsAFreshGameFromTheStartingPosition) {
    Harness h;
    name_sounds(h);
    Form1& f = h.f();
    f.SENTE_Click();
    relocate(f, 4, 9, 4, 2);
    h.press(4, 2);
    h.press(5, 1);
    ASSERT_EQ(f.winner, f.man_side);
    h.clear_log();
    GetParam().command(f);
    EXPECT_EQ(f.winner, Form1::NONE);
    EXPECT_EQ(f.hand_count_minus, 0);
    EXPECT_EQ(f.hand_minus[Form1::SECRETARY], 0);
    EXPECT_EQ(f.rec_pos, f.move_no);
    EXPECT_NE(f.turn, Form1::NONE);
}

INSTANTIATE_TEST_SUITE_P(GameControl, CommandAfterFinishedGame,
                         ::testing::Values(AfterFinishCase{"Sente",
                                                           [](Form1& f) {
                                                               f.SENTE_Click();
                                                               EXPECT_TRUE(board_is_start(f));
                                                               EXPECT_EQ(f.move_no, 0);
                                                               EXPECT_EQ(f.rec_len, 0);
                                                               EXPECT_EQ(f.turn, f.man_side);
                                                               EXPECT_EQ(f.man_side, f.SENTE);
                                                           }},
                                           AfterFinishCase{"Start",
                                                           [](Form1& f) {
                                                               f.START_Click();
                                                               EXPECT_TRUE(board_is_start(f));
                                                               EXPECT_EQ(f.move_no, 0);
                                                               EXPECT_EQ(f.play_mode, Form1::MODE_MAN);
                                                               EXPECT_EQ(f.turn, f.SENTE);
                                                           }},
                                           // Needs the computer: it opens the fresh game.
                                           AfterFinishCase{"Gote",
                                                           [](Form1& f) {
                                                               f.GOTE_Click();
                                                               EXPECT_EQ(f.move_no, 1);
                                                               EXPECT_EQ(f.man_side, f.GOTE);
                                                               EXPECT_EQ(f.turn, f.man_side);
                                                           }}),
                         [](const auto& i) { return std::string(i.param.name); });

TEST(GameControl, SenteAfterFinishedGameShowsTheFreshMessage) {
    Harness h;
    name_sounds(h);
    Form1& f = h.f();
    f.START_Click();
    f.winner = f.com_side;
    h.clear_log();
    f.SENTE_Click();
    EXPECT_EQ(h.events, std::vector<std::string>{"msg MANの番です| "});
}

// Needs the computer's move.
TEST(GameControl, SenteWhenTheComputerIsToMoveLetsItMoveSilently) {
    Harness h;
    name_sounds(h);
    Form1& f = h.f();
    human_to_move_after_two_moves(h);
    f.turn = f.com_side;
    f.move_no = f.rec_pos = f.rec_len = 3;
    f.resume_pending = true;
    f.play_mode = Form1::MODE_MAN;
    h.clear_log();
    f.SENTE_Click();
    EXPECT_TRUE(msg_events(h).empty());
    EXPECT_TRUE(f.resume_pending);  // left for the next press
    EXPECT_EQ(f.play_mode, Form1::MODE_COM);
    EXPECT_EQ(f.move_no, 4);
    EXPECT_EQ(f.turn, f.man_side);
}

TEST(GameControl, SenteWithTheHumanToMoveKeepsThePositionAndMakesHimFirst) {
    Harness h;
    name_sounds(h);
    Form1& f = h.f();
    // A game between humans in which the minus player is to move as GOTE.
    f.START_Click();
    f.man_side = f.GOTE;
    f.com_side = f.SENTE;
    f.turn = f.man_side;
    relocate(f, 5, 4, 5, 5);
    f.move_no = f.rec_pos = 1;
    f.rec_len = 6;  // five moves taken back
    f.resume_pending = true;
    f.record_mode = true;
    f.click_phase = 1;
    h.clear_log();
    f.SENTE_Click();
    EXPECT_EQ(h.events, std::vector<std::string>{"msg MANの番です|対局"});
    EXPECT_EQ(f.man_side, f.SENTE);
    EXPECT_EQ(f.com_side, f.GOTE);
    EXPECT_EQ(f.turn, f.SENTE);
    EXPECT_EQ(f.rec_len, 1);
    EXPECT_EQ(f.board[5][5], +Form1::STAFF);
    EXPECT_FALSE(f.resume_pending);
    EXPECT_FALSE(f.record_mode);
    EXPECT_EQ(f.click_phase, 0);
}

TEST(GameControl, GoteWithTheHumanToMoveOnlyAnnounces) {
    Harness h;
    name_sounds(h);
    Form1& f = h.f();
    human_to_move_after_two_moves(h);
    f.rec_len = 9;
    f.resume_pending = true;
    h.clear_log();
    f.GOTE_Click();
    EXPECT_EQ(h.events, std::vector<std::string>{"msg MANの番です|対局"});
    EXPECT_EQ(f.man_side, f.SENTE);  // sides unchanged
    EXPECT_EQ(f.turn, f.man_side);
    EXPECT_EQ(f.move_no, 2);
    EXPECT_EQ(f.rec_len, 2);
    EXPECT_FALSE(f.resume_pending);
}

struct TimerCase {
    const char* name;
    bool keika;
    std::function<void(Form1&)> command;
    bool active;
};
void PrintTo(const TimerCase& c, std::ostream* os) { *os << c.name; }

class TimerAfterCommand : public ::testing::TestWithParam<TimerCase> {};

TEST_P(TimerAfterCommand, LeavesTheClockTimerSo) {
    const TimerCase& c = GetParam();
    Harness h;
    name_sounds(h);
    Form1& f = h.f();
    f.mnu.KEIKA->setChecked(c.keika);
    f.Timer1->stop();
    c.command(f);
    EXPECT_EQ(f.Timer1->isActive(), c.active);
}

INSTANTIATE_TEST_SUITE_P(
    GameControl, TimerAfterCommand,
    ::testing::Values(
        TimerCase{"StartWithClocks", true, [](Form1& f) { f.START_Click(); }, true},
        TimerCase{"StartWithoutClocks", false, [](Form1& f) { f.START_Click(); }, false},
        TimerCase{"SenteWithClocks", true, [](Form1& f) { f.SENTE_Click(); }, true},
        TimerCase{"SenteWithoutClocks", false, [](Form1& f) { f.SENTE_Click(); }, true},
        // The computer opens and restarts the timer only with the clocks shown.
        TimerCase{"GoteWithClocks", true, [](Form1& f) { f.GOTE_Click(); }, true},
        TimerCase{"GoteHumanToMoveWithoutClocks", false,
                  [](Form1& f) {
                      f.SENTE_Click();
                      f.move_no = f.rec_pos = 1;
                      f.Timer1->stop();
                      f.GOTE_Click();
                  },
                  true},
        // Stopped at the human's move; the computer's reply restarts it only
        // with the clocks shown.
        TimerCase{"HumanMoveAgainstComputerWithoutClocks", false,
                  [](Form1& f) {
                      f.SENTE_Click();
                      f.Form_MouseDown(1, 0, f.board_left + 5.5 * f.cell_w, f.board_top + 6.5 * f.cell_h);
                      f.Form_MouseDown(1, 0, f.board_left + 5.5 * f.cell_w, f.board_top + 5.5 * f.cell_h);
                  },
                  false},
        TimerCase{"HumanMoveBetweenHumansKeepsItRunning", true,
                  [](Form1& f) {
                      f.START_Click();
                      f.Form_MouseDown(1, 0, f.board_left + 5.5 * f.cell_w, f.board_top + 6.5 * f.cell_h);
                      f.Form_MouseDown(1, 0, f.board_left + 5.5 * f.cell_w, f.board_top + 5.5 * f.cell_h);
                  },
                  true},
        TimerCase{"ResumeBetweenHumansWithClocks", true,
                  [](Form1& f) {
                      f.START_Click();
                      f.Timer1->stop();
                      f.resume_pending = true;
                      f.Form_MouseDown(1, 0, 0, 0);
                  },
                  true},
        TimerCase{"ResumeBetweenHumansWithoutClocks", false,
                  [](Form1& f) {
                      f.START_Click();
                      f.resume_pending = true;
                      f.Form_MouseDown(1, 0, 0, 0);
                  },
                  false},
        TimerCase{"ResumeAgainstComputerWithClocks", true,
                  [](Form1& f) {
                      f.SENTE_Click();
                      f.Timer1->stop();
                      f.resume_pending = true;
                      f.Form_MouseDown(1, 0, 0, 0);
                  },
                  true}),
    [](const auto& i) { return std::string(i.param.name); });

TEST(GameControl, ResumptionRestartsTheTurnClock) {
    Harness h;
    name_sounds(h);
    Form1& f = h.f();
    f.START_Click();
    f.resume_pending = true;
    h.now += 100;
    f.Form_MouseDown(1, 0, 0, 0);
    EXPECT_DOUBLE_EQ(f.turn_start_time, h.now);
}

// The game commands leave an open record-file panel as it is.
TEST(GameControl, CommandsLeaveTheRecordFilePanelOpen) {
    for (int which = 0; which < 3; ++which) {
        Harness h;
        Form1& f = h.f();
        f.描画_可視(true, true, false);
        f.描画_棋譜_IO(0);
        f.Text2->setText("game");
        if (which == 0) f.START_Click();
        if (which == 1) f.SENTE_Click();
        if (which == 2) f.GOTE_Click();
        EXPECT_FALSE(f.Drive1->isHidden()) << which;
        EXPECT_FALSE(f.Dir1->isHidden()) << which;
        EXPECT_FALSE(f.Text2->isHidden()) << which;
        EXPECT_EQ(f.Text2->text(), QStringLiteral("game")) << which;
    }
}

// Resuming a game against the computer with the human to move restarts the
// human's turn: the time the game stood still is charged to nobody.
TEST(GameControl, ResumingWithTheHumanToMoveChargesOnlyTheTimeAfterwards) {
    struct Case {
        const char* name;
        std::function<void(Form1&)> command;
    };
    const std::vector<Case> cases = {
        {"先手", [](Form1& f) { f.SENTE_Click(); }},
        {"後手", [](Form1& f) { f.GOTE_Click(); }},
        {"スタート", [](Form1& f) { f.START_Click(); }},
    };
    for (const Case& c : cases) {
        Harness h;
        name_sounds(h);
        Form1& f = h.f();
        f.GOTE_Click();  // the computer opens; the human is to move
        ASSERT_EQ(f.turn, f.man_side) << c.name;
        const double man_before = f.man_secs;
        h.now += 1000;  // the game stands still (stepping through the record, say)
        f.resume_pending = true;
        c.command(f);
        h.now += 5;  // the human thinks 5 s
        h.press(1, 6);
        h.press(1, 5);
        ASSERT_GE(f.rec_pos, 2) << c.name;  // the human's move is the second
        EXPECT_DOUBLE_EQ(f.rec_man_after[2] - f.rec_man_before[2], 5) << c.name;
        EXPECT_DOUBLE_EQ(f.rec_man_after[2] - man_before, 5) << c.name;
    }
}

// Whatever order the game commands come in, with moves between them, the two
// players always carry opposite side identifiers and the side to move is one of them.
TEST(GameControl, SidesStayOppositeThroughEveryCommand) {
    struct Step {
        const char* name;
        std::function<void(Harness&)> act;
    };
    auto minus_moves = [](Harness& h) {
        Form1& f = h.f();
        for (int x = 1; x <= 9; ++x)
            for (int y = 9; y >= 2; --y)
                if (f.board[x][y] == -Form1::STAFF && f.board[x][y - 1] == Form1::EMPTY) {
                    h.press(x, y);
                    h.press(x, y - 1);
                    return;
                }
    };
    const std::vector<Step> steps = {
        {"後手", [](Harness& h) { h.f().GOTE_Click(); }},
        {"human move", minus_moves},
        {"スタート", [](Harness& h) { h.f().START_Click(); }},
        {"human move", minus_moves},
        {"先手 with the computer to move", [](Harness& h) { h.f().SENTE_Click(); }},
        {"human move", minus_moves},
        {"後手 with the human to move", [](Harness& h) { h.f().GOTE_Click(); }},
        {"スタート", [](Harness& h) { h.f().START_Click(); }},
        {"先手 with the human to move", [](Harness& h) { h.f().SENTE_Click(); }},
        {"human move", minus_moves},
    };
    Harness h;
    name_sounds(h);
    Form1& f = h.f();
    for (const Step& s : steps) {
        s.act(h);
        ASSERT_EQ(f.winner, Form1::NONE) << s.name;
        EXPECT_NE(f.man_side, f.com_side) << s.name;
        EXPECT_TRUE(f.man_side == f.SENTE || f.man_side == f.GOTE) << s.name;
        EXPECT_TRUE(f.com_side == f.SENTE || f.com_side == f.GOTE) << s.name;
        EXPECT_TRUE(f.turn == f.man_side || f.turn == f.com_side) << s.name;
    }
    EXPECT_EQ(f.man_side, f.SENTE);  // 先手 with the human to move made the human first
}

}  // namespace

// スタート before the first move gives the move to the first player: a piece
// the other player had picked is dropped, so the first player cannot move it.
TEST(GameControl, StartDropsAPickOfThePlayerWhoLosesTheMove) {
    Harness h;
    Form1& f = h.f();
    f.START_Click();
    f.turn = f.com_side;  // the plus player to move, as after a step back
    h.press(6, 1);        // picks its secretary
    ASSERT_EQ(f.click_phase, 1);
    f.START_Click();
    ASSERT_EQ(f.turn, f.man_side);
    EXPECT_EQ(f.click_phase, 0);
    h.press(6, 2);
    EXPECT_EQ(f.board[6][1], Form1::SECRETARY);
    EXPECT_EQ(f.board[6][2], Form1::EMPTY);
    EXPECT_EQ(f.rec_pos, 0);
}

// After a reversal the move counter runs on but the record starts again:
// 先手 cuts the record at the shown entry, not at the move counter.
TEST(GameControl, SenteAfterAReversalKeepsTheRecordWithinItsEntries) {
    Harness h;
    Form1& f = h.f();
    f.START_Click();
    h.press(7, 6);
    h.press(7, 5);
    f.REVERSE_Click();
    ASSERT_EQ(f.move_no, 1);
    ASSERT_EQ(f.rec_pos, 0);
    f.SENTE_Click();
    EXPECT_EQ(f.rec_len, 0);
}
