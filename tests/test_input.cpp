// The board input: every message of the press handler, picks and re-picks,
// refusals, drops from both hands, wrong-hand picks, the twips-to-grid
// conversion and the human's wins against the computer.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <algorithm>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "support/play_support.h"

using namespace play_support;

namespace {

struct Press {
    int x, y;
};

struct MessageCase {
    const char* name;
    std::function<void(Harness&)> setup;
    std::vector<Press> presses;
    std::vector<std::string> expected_events;  // every message and sound, in order
    std::function<void(Harness&)> check;
};

// A minus secretary next to the plus chairman: (4,9) -> (4,2).
void secretary_at_plus_chairman(Form1& f) { relocate(f, 4, 9, 4, 2); }
// A plus secretary next to the minus chairman: (6,1) -> (6,8).
void secretary_at_minus_chairman(Form1& f) { relocate(f, 6, 1, 6, 8); }

const std::vector<MessageCase>& message_cases() {
    static const std::vector<MessageCase> cases = {
        {"ReplayAnsweredYesDoesNothing",
         [](Harness& h) {
             h.f().START_Click();
             h.f().record_mode = true;
             h.answers.push_back(ID_YES);
         },
         {{5, 7}},
         {"msg 棋譜を '進 'で進めて下さい|棋譜"},
         [](Harness& h) {
             EXPECT_TRUE(h.f().record_mode);
             EXPECT_EQ(h.f().turn, h.f().SENTE);
             EXPECT_EQ(h.f().click_phase, 0);
             EXPECT_EQ(h.messages.back().buttons, MB_YESNO);
         }},
        {"ReplayAnsweredNoStartsNewGame",
         [](Harness& h) {
             h.f().START_Click();
             h.f().record_mode = true;
             h.f().board[5][5] = h.f().board[5][6];
             h.f().board[5][6] = Form1::EMPTY;
             h.answers.push_back(ID_NO);
         },
         {{5, 7}},
         {"msg 棋譜を '進 'で進めて下さい|棋譜", "play 禁止"},
         [](Harness& h) {
             EXPECT_FALSE(h.f().record_mode);
             EXPECT_EQ(h.f().turn, Form1::NONE);
             EXPECT_EQ(h.f().board[5][6], kStartBoard[5][6]);
             EXPECT_EQ(h.f().board[5][5], Form1::EMPTY);
         }},
        {"ReplayComesBeforeGameOver",
         [](Harness& h) {
             h.f().START_Click();
             h.f().winner = h.f().man_side;
             h.f().record_mode = true;
         },
         {{5, 6}},
         {"msg 棋譜を '進 'で進めて下さい|棋譜"},
         nullptr},
        {"GameOverComesBeforeNoGame",
         [](Harness& h) { h.f().winner = h.f().com_side; },
         {{5, 6}},
         {"msg 新規に対局してください|終局"},
         nullptr},
        {"GameOver",
         [](Harness& h) {
             h.f().START_Click();
             h.f().winner = h.f().man_side;
         },
         {{5, 7}},
         {"msg 新規に対局してください|終局"},
         [](Harness& h) { EXPECT_EQ(h.f().click_phase, 0); }},
        {"NoGameStarted",
         [](Harness&) {},
         {{5, 7}},
         {"play 禁止", "msg 「対局」で始めて下さい|開始"},
         [](Harness& h) { EXPECT_EQ(h.f().click_phase, 0); }},
        {"NoGameStartedOffTheBoard",
         [](Harness&) {},
         {{-3, 12}},
         {"play 禁止", "msg 「対局」で始めて下さい|開始"},
         nullptr},
        {"HumansResumeSenteToMove",
         [](Harness& h) {
             h.f().START_Click();
             h.f().resume_pending = true;
         },
         {{5, 6}},
         {"msg 先手の番です|対局"},
         [](Harness& h) {
             EXPECT_FALSE(h.f().resume_pending);
             // The press is still a pick after the announcement.
             EXPECT_EQ(h.f().click_phase, 1);
         }},
        {"HumansResumeGoteToMove",
         [](Harness& h) {
             h.f().START_Click();
             h.f().turn = h.f().GOTE;
             h.f().resume_pending = true;
         },
         {{5, 4}},
         {"msg 後手の番です|対局"},
         [](Harness& h) {
             EXPECT_FALSE(h.f().resume_pending);
             EXPECT_EQ(h.f().click_phase, 1);
         }},
        {"ComputerToMoveAsksFirst",
         [](Harness& h) {
             h.f().SENTE_Click();
             h.f().turn = h.f().com_side;
             h.f().resume_pending = true;
         },
         {{-3, 12}},
         {"msg OKですか？|再開(COM)", "play 駒打音"},
         [](Harness& h) {
             // Needs the computer's move: it moves once and hands the turn back.
             EXPECT_FALSE(h.f().resume_pending);
             EXPECT_EQ(h.f().move_no, 1);
             EXPECT_EQ(h.f().turn, h.f().man_side);
         }},
        // Needs the computer's move: it takes the human's chairman, and the
        // press that let it move is not taken as a pick any more.
        {"ComputerWinsWhenAskedToMove",
         [](Harness& h) {
             h.f().SENTE_Click();
             secretary_at_minus_chairman(h.f());
             h.f().turn = h.f().com_side;
         },
         {{5, 6}},
         {"msg OKですか？|再開(COM)", "play 駒打音", "msg ｺﾝﾋﾟｭｰﾀの勝ちです|終了"},
         [](Harness& h) {
             EXPECT_EQ(h.f().winner, h.f().com_side);
             EXPECT_EQ(h.f().click_phase, 0);
         }},
        {"HumanResumesAgainstComputer",
         [](Harness& h) {
             h.f().SENTE_Click();
             h.f().resume_pending = true;
         },
         {{5, 6}},
         {"msg MANの番です|対局"},
         [](Harness& h) {
             EXPECT_FALSE(h.f().resume_pending);
             EXPECT_EQ(h.f().click_phase, 1);
         }},
        {"HumanCapturesComputersChairman",
         [](Harness& h) {
             h.f().SENTE_Click();
             secretary_at_plus_chairman(h.f());
         },
         {{4, 2}, {5, 1}},
         {"play 駒打音", "msg あなたの勝ちです|終了"},
         [](Harness& h) {
             EXPECT_EQ(h.f().winner, h.f().man_side);
             EXPECT_EQ(h.f().move_no, 1);            // the computer does not move
             EXPECT_EQ(h.f().turn, h.f().com_side);  // though the winning move handed it the turn
         }},
        {"SenteWinsBetweenHumans",
         [](Harness& h) {
             h.f().START_Click();
             secretary_at_plus_chairman(h.f());
         },
         {{4, 2}, {5, 1}},
         {"play 駒打音", "msg 先手の勝ちです|終了"},
         [](Harness& h) { EXPECT_EQ(h.f().winner, h.f().SENTE); }},
        // A game the human played second against the computer, continued by hand:
        // the minus player is GOTE and wins as such.
        {"MinusPlayerWinsAsGoteBetweenHumans",
         [](Harness& h) {
             Form1& f = h.f();
             f.START_Click();
             f.man_side = f.GOTE;
             f.com_side = f.SENTE;
             f.turn = f.man_side;
             secretary_at_plus_chairman(f);
         },
         {{4, 2}, {5, 1}},
         {"play 駒打音", "msg 後手の勝ちです|終了"},
         [](Harness& h) { EXPECT_EQ(h.f().winner, h.f().man_side); }},
        {"GoteWinsBetweenHumans",
         [](Harness& h) {
             h.f().START_Click();
             h.f().turn = h.f().GOTE;
             secretary_at_minus_chairman(h.f());
         },
         {{6, 8}, {5, 9}},
         {"play 駒打音", "msg 後手の勝ちです|終了"},
         [](Harness& h) { EXPECT_EQ(h.f().winner, h.f().GOTE); }},
    };
    return cases;
}

class MessageTable : public ::testing::TestWithParam<size_t> {};

TEST_P(MessageTable, ShowsExactlyTheseMessagesAndSounds) {
    const MessageCase& c = message_cases()[GetParam()];
    Harness h;
    name_sounds(h);
    c.setup(h);
    h.clear_log();
    for (const Press& p : c.presses) h.press(p.x, p.y);
    EXPECT_EQ(h.events, c.expected_events);
    if (c.check) c.check(h);
}

INSTANTIATE_TEST_SUITE_P(BoardInput, MessageTable, ::testing::Range<size_t>(0, message_cases().size()),
                         [](const ::testing::TestParamInfo<size_t>& i) {
                             return std::string(message_cases()[i.param].name);
                         });

TEST(BoardInput, TheNextPressAfterAWinOnlyAsksForANewGame) {
    Harness h;
    name_sounds(h);
    h.f().SENTE_Click();
    secretary_at_plus_chairman(h.f());
    h.press(4, 2);
    h.press(5, 1);
    h.clear_log();
    h.press(5, 7);
    EXPECT_EQ(h.events, std::vector<std::string>{"msg 新規に対局してください|終局"});
    EXPECT_EQ(h.f().click_phase, 0);
}

TEST(BoardInput, EmptySquareWithNothingPickedDoesNothing) {
    Harness h;
    name_sounds(h);
    h.f().SENTE_Click();
    h.clear_log();
    h.press(5, 5);
    EXPECT_TRUE(h.events.empty());
    EXPECT_EQ(h.f().click_phase, 0);
    EXPECT_EQ(h.f().sel_piece, 0);
}

TEST(BoardInput, OpponentsPieceIsOnlyShownNeverPicked) {
    Harness h;
    name_sounds(h);
    Form1& f = h.f();
    f.SENTE_Click();
    h.clear_log();
    h.press(5, 2);  // the computer's president
    EXPECT_EQ(f.click_phase, 0);
    EXPECT_EQ(f.sel_piece, +Form1::PRESIDENT);
    EXPECT_EQ(f.sel_x, 5);
    EXPECT_EQ(f.sel_y, 2);
    // The next press on the board is again a pick, not a move of that piece.
    h.press(5, 3);
    EXPECT_EQ(f.board[5][3], Form1::EMPTY);
    EXPECT_EQ(f.board[5][2], +Form1::PRESIDENT);
    EXPECT_EQ(f.move_no, 0);
    h.press(5, 6);
    EXPECT_EQ(f.click_phase, 1);
    EXPECT_EQ(f.sel_piece, -Form1::STAFF);
    EXPECT_TRUE(h.events.empty());
}

TEST(BoardInput, RepickSwitchesWithoutSound) {
    Harness h;
    name_sounds(h);
    Form1& f = h.f();
    f.SENTE_Click();
    h.clear_log();
    h.press(5, 6);
    h.press(2, 7);
    EXPECT_EQ(f.click_phase, 1);
    EXPECT_EQ(f.sel_x, 2);
    EXPECT_EQ(f.sel_y, 7);
    EXPECT_EQ(f.sel_piece, -Form1::SENIOR_DIRECTOR);
    EXPECT_TRUE(h.events.empty());
    // The new pick is the one that moves.
    h.press(2, 6);
    EXPECT_EQ(f.board[2][6], -Form1::SENIOR_DIRECTOR);
    EXPECT_EQ(f.board[5][6], -Form1::STAFF);
}

struct RefusedCase {
    const char* name;
    Press from, to;
};
void PrintTo(const RefusedCase& c, std::ostream* os) { *os << c.name; }

class RefusedMove : public ::testing::TestWithParam<RefusedCase> {};

TEST_P(RefusedMove, PlaysForbiddenAndDropsThePick) {
    const RefusedCase& c = GetParam();
    Harness h;
    name_sounds(h);
    Form1& f = h.f();
    f.START_Click();
    // A minus staff face to face with a plus clerk, a plus staff beside.
    relocate(f, 3, 6, 3, 5);
    relocate(f, 2, 1, 4, 4);
    int before[10][10];
    std::copy(&f.board[0][0], &f.board[0][0] + 100, &before[0][0]);
    h.clear_log();
    h.press(c.from.x, c.from.y);
    ASSERT_EQ(f.click_phase, 1);
    h.press(c.to.x, c.to.y);
    EXPECT_EQ(h.events, std::vector<std::string>{"play 禁止"});
    EXPECT_EQ(f.click_phase, 0);
    EXPECT_EQ(f.move_no, 0);
    EXPECT_EQ(f.rec_pos, 0);
    EXPECT_EQ(f.turn, f.SENTE);
    EXPECT_TRUE(std::equal(&f.board[0][0], &f.board[0][0] + 100, &before[0][0]));
    // The pick is gone: the same destination again is a press on a square, not a move.
    h.clear_log();
    h.press(c.to.x, c.to.y);
    EXPECT_TRUE(std::equal(&f.board[0][0], &f.board[0][0] + 100, &before[0][0]));
}

INSTANTIATE_TEST_SUITE_P(BoardInput, RefusedMove,
                         ::testing::Values(RefusedCase{"TwoRows", {5, 6}, {5, 4}},
                                           RefusedCase{"TwoColumns", {5, 6}, {7, 5}},
                                           RefusedCase{"HigherRank", {3, 5}, {4, 4}},
                                           RefusedCase{"FarSquare", {5, 9}, {5, 5}}),
                         [](const auto& i) { return std::string(i.param.name); });

class HandDrop : public ::testing::TestWithParam<int> {};

// Kind k is dropped from the minus hand's row k + 1 and from the plus hand's row 9 - k.
TEST_P(HandDrop, TakesTheKindOfTheClickedRow) {
    const int k = GetParam();
    // A plus piece of kind k, and a minus one, to take into the hands.
    int px = 0, py = 0;
    for (int x = 1; x <= 9 && !px; ++x)
        for (int y = 1; y <= 4; ++y)
            if (kStartBoard[x][y] == k) {
                px = x;
                py = y;
                break;
            }
    ASSERT_NE(px, 0);
    const int mx = 10 - px, my = 10 - py;

    for (const bool plus_hand : {false, true}) {
        SCOPED_TRACE(plus_hand ? "plus hand" : "minus hand");
        Harness h;
        name_sounds(h);
        Form1& f = h.f();
        f.START_Click();
        capture_into_hand(f, px, py);
        capture_into_hand(f, mx, my);
        if (plus_hand) f.turn = f.GOTE;  // the plus player moves second between humans
        const int row = plus_hand ? 9 - k : k + 1;
        const int column = plus_hand ? Form1::HAND_PLUS_X : Form1::HAND_MINUS_X;
        h.clear_log();
        h.press(column, row);
        ASSERT_EQ(f.click_phase, 1);
        EXPECT_EQ(f.sel_piece, plus_hand ? +k : -k);
        h.press(5, 5);
        EXPECT_EQ(h.events, std::vector<std::string>{"play 駒打音"});
        EXPECT_EQ(f.board[5][5], plus_hand ? +k : -k);
        EXPECT_EQ(f.hand_plus[k], plus_hand ? 0 : 1);
        EXPECT_EQ(f.hand_minus[k], plus_hand ? 1 : 0);
        EXPECT_EQ(f.hand_count_plus, plus_hand ? 0 : 1);
        EXPECT_EQ(f.hand_count_minus, plus_hand ? 1 : 0);
        EXPECT_TRUE(f.調査_局面整合());
        EXPECT_EQ(f.move_no, 1);
        ASSERT_EQ(f.rec_pos, 1);
        EXPECT_EQ(f.rec_len, 1);
        EXPECT_EQ(f.rec_from_x[1], column);
        EXPECT_EQ(f.rec_from_y[1], row);  // the clicked hand row
        EXPECT_EQ(f.rec_to_x[1], 5);
        EXPECT_EQ(f.rec_to_y[1], 5);
        EXPECT_EQ(f.rec_piece_from[1], plus_hand ? +k : -k);
        EXPECT_EQ(f.rec_piece_to[1], plus_hand ? +k : -k);
        EXPECT_EQ(f.rec_captured[1], Form1::EMPTY);
        EXPECT_EQ(f.turn, plus_hand ? f.SENTE : f.GOTE);
    }
}

INSTANTIATE_TEST_SUITE_P(BoardInput, HandDrop, ::testing::Range(1, 9));

TEST(BoardInput, EmptyHandCellPicksNothing) {
    Harness h;
    name_sounds(h);
    Form1& f = h.f();
    f.START_Click();
    h.clear_log();
    for (int row = 1; row <= 9; ++row) {
        h.press(Form1::HAND_MINUS_X, row);
        h.press(Form1::HAND_PLUS_X, row);
    }
    EXPECT_EQ(f.click_phase, 0);
    EXPECT_EQ(f.sel_piece, 0);
    EXPECT_TRUE(h.events.empty());
}

// A press beside the board (the coordinate labels, below the board, an empty
// hand cell, far off) erases the pick's outline and lets go of the pick: the
// next press on a square is a new pick, never a move of the piece let go.
TEST(BoardInput, PressBesideTheBoardLetsGoOfThePick) {
    const Press beside[] = {{5, 0},  {10, 5}, {5, 10}, {Form1::HAND_MINUS_X, 5}, {Form1::HAND_PLUS_X, 4},
                            {15, 12}};
    for (const Press& p : beside) {
        SCOPED_TRACE(testing::Message() << p.x << "," << p.y);
        Harness h;
        name_sounds(h);
        Form1& f = h.f();
        f.START_Click();
        h.press(5, 6);
        ASSERT_EQ(f.click_phase, 1);
        h.clear_log();
        h.press(p.x, p.y);
        EXPECT_EQ(f.click_phase, 0);
        h.press(5, 5);
        EXPECT_EQ(f.board[5][6], -Form1::STAFF);
        EXPECT_EQ(f.board[5][5], Form1::EMPTY);
        EXPECT_EQ(f.rec_pos, 0);
        EXPECT_TRUE(h.events.empty());
        // The piece is picked again with one press and moves with the next.
        h.press(5, 6);
        h.press(5, 5);
        EXPECT_EQ(f.board[5][5], -Form1::STAFF);
    }
}

TEST(BoardInput, ComputersHandCanBeLookedAtButNotDroppedFrom) {
    Harness h;
    name_sounds(h);
    Form1& f = h.f();
    f.SENTE_Click();
    capture_into_hand(f, 3, 9);  // a minus section chief into the computer's hand
    h.clear_log();
    h.press(Form1::HAND_PLUS_X, 9 - Form1::SECTION_CHIEF);
    EXPECT_EQ(f.click_phase, 1);
    EXPECT_EQ(f.sel_piece, +Form1::SECTION_CHIEF);
    h.press(5, 5);
    EXPECT_TRUE(h.events.empty());
    EXPECT_EQ(f.click_phase, 0);
    EXPECT_EQ(f.board[5][5], Form1::EMPTY);
    EXPECT_EQ(f.hand_plus[Form1::SECTION_CHIEF], 1);
    EXPECT_EQ(f.move_no, 0);
    EXPECT_EQ(f.rec_pos, 0);
    EXPECT_EQ(f.turn, f.man_side);
    // Between humans the same holds for the side to move and the other hand.
    f.play_mode = Form1::MODE_MAN;
    f.turn = f.com_side;
    capture_into_hand(f, 4, 1);  // a plus secretary into the minus hand
    h.press(Form1::HAND_MINUS_X, 2);
    EXPECT_EQ(f.click_phase, 1);
    h.press(5, 5);
    EXPECT_EQ(f.click_phase, 0);
    EXPECT_EQ(f.board[5][5], Form1::EMPTY);
    EXPECT_EQ(f.hand_minus[Form1::SECRETARY], 1);
    EXPECT_TRUE(h.events.empty());
}

struct TwipCase {
    const char* name;
    double x, y;
    int picked_x, picked_y;  // 0, 0: nothing picked
};
void PrintTo(const TwipCase& c, std::ostream* os) { *os << c.name; }

class TwipsToGrid : public ::testing::TestWithParam<TwipCase> {};

// Column = floor((X - 1050) / 495), row = floor((Y - 100) / 615), seen through
// which hand cell a press picks.
TEST_P(TwipsToGrid, FloorsTowardsMinusInfinity) {
    const TwipCase& c = GetParam();
    Harness h;
    name_sounds(h);
    Form1& f = h.f();
    f.START_Click();
    for (int k = 1; k <= 8; ++k) {
        f.hand_plus[k] = 1;
        f.hand_minus[k] = 1;
    }
    h.clear_log();
    press_twips(h, c.x, c.y);
    if (c.picked_x == 0) {
        EXPECT_EQ(f.click_phase, 0);
        EXPECT_EQ(f.sel_piece, 0);
    } else {
        EXPECT_EQ(f.click_phase, 1);
        EXPECT_EQ(f.sel_x, c.picked_x);
        EXPECT_EQ(f.sel_y, c.picked_y);
    }
    EXPECT_TRUE(h.events.empty());
}

INSTANTIATE_TEST_SUITE_P(BoardInput, TwipsToGrid,
                         ::testing::Values(TwipCase{"JustLeftOfTheBoard", 1049.5, 100 + 1.5 * 615, -1, 1},
                                           TwipCase{"OneTwipLeftOfTheBoard", 1049, 100 + 5.5 * 615, -1, 5},
                                           TwipCase{"LeftEdgeOfThePlusHand", 555, 100 + 8.5 * 615, -1, 8},
                                           TwipCase{"LeftOfThePlusHand", 554.9, 100 + 8.5 * 615, 0, 0},
                                           TwipCase{"PlusHandCountColumn", 1050, 100 + 1.5 * 615, 0, 0},
                                           TwipCase{"LabelRowAbovePlusHand", 800, 714.9, 0, 0},
                                           TwipCase{"TopEdgeOfRowOne", 800, 715, -1, 1},
                                           TwipCase{"AboveTheBoard", 800, 99, 0, 0},
                                           TwipCase{"BottomOfRowEight", 800, 5634.9, -1, 8},
                                           TwipCase{"RowNineOfPlusHand", 800, 5635, 0, 0},
                                           TwipCase{"RowLabelColumn", 6494.9, 100 + 2.5 * 615, 0, 0},
                                           TwipCase{"LeftEdgeOfMinusHand", 6495, 100 + 2.5 * 615, 11, 2},
                                           TwipCase{"RowOneOfMinusHand", 6700, 1329.9, 0, 0},
                                           TwipCase{"TopEdgeOfMinusHandRowTwo", 6700, 1330, 11, 2},
                                           TwipCase{"BottomOfMinusHand", 6989.9, 6249.9, 11, 9}),
                         [](const auto& i) { return std::string(i.param.name); });

TEST(BoardInput, PressOnTheBoardEdgesHitsTheRightSquare) {
    Harness h;
    name_sounds(h);
    Form1& f = h.f();
    f.START_Click();
    // The top-left twip of (5,6) and the last twip of (5,6) both pick the staff.
    press_twips(h, 1050 + 5 * 495, 100 + 6 * 615);
    EXPECT_EQ(f.click_phase, 1);
    EXPECT_EQ(f.sel_x, 5);
    EXPECT_EQ(f.sel_y, 6);
    press_twips(h, 1050 + 5 * 495 + 494.9, 100 + 6 * 615 + 614.9);
    EXPECT_EQ(f.sel_x, 5);
    EXPECT_EQ(f.sel_y, 6);
    // The first twip of the row below is (5,7): the staff steps back there.
    press_twips(h, 1050 + 5 * 495 + 10, 100 + 7 * 615);
    EXPECT_EQ(f.board[5][7], -Form1::STAFF);
    EXPECT_EQ(f.board[5][6], Form1::EMPTY);
}

TEST(BoardInput, MoveIsRecordedWithClocksAndShownCounter) {
    Harness h;
    name_sounds(h);
    Form1& f = h.f();
    f.START_Click();
    f.man_secs = 30;
    f.com_secs = 40;
    f.turn_start_time = h.now;
    h.now += 12.5;  // the minus player thinks 12.5 s
    h.press(8, 7);
    h.press(8, 6);
    ASSERT_EQ(f.rec_pos, 1);
    EXPECT_EQ(f.rec_from_x[1], 8);
    EXPECT_EQ(f.rec_from_y[1], 7);
    EXPECT_EQ(f.rec_to_x[1], 8);
    EXPECT_EQ(f.rec_to_y[1], 6);
    EXPECT_EQ(f.rec_captured[1], Form1::EMPTY);
    EXPECT_EQ(f.rec_piece_from[1], f.rec_piece_to[1]);
    EXPECT_EQ(f.rec_piece_to[1], -Form1::SENIOR_DIRECTOR);
    EXPECT_DOUBLE_EQ(f.rec_man_before[1], 30);
    EXPECT_DOUBLE_EQ(f.rec_man_after[1], 42.5);
    EXPECT_DOUBLE_EQ(f.rec_com_before[1], 40);
    EXPECT_DOUBLE_EQ(f.rec_com_after[1], 40);
    EXPECT_DOUBLE_EQ(f.man_secs, 42.5);
    EXPECT_DOUBLE_EQ(f.com_secs, 40);
    EXPECT_EQ(f.turn, f.GOTE);
    EXPECT_DOUBLE_EQ(f.turn_start_time, h.now);
    // The plus player answers with a capture after 3 s: its clock is charged.
    h.now += 3;
    f.board[7][5] = +Form1::PRESIDENT;
    f.board[5][2] = Form1::EMPTY;
    h.press(7, 5);
    h.press(8, 6);
    ASSERT_EQ(f.rec_pos, 2);
    EXPECT_EQ(f.rec_captured[2], -Form1::SENIOR_DIRECTOR);
    EXPECT_EQ(f.rec_piece_to[2], +Form1::PRESIDENT);
    EXPECT_EQ(f.hand_plus[Form1::SENIOR_DIRECTOR], 1);
    EXPECT_EQ(f.hand_count_plus, 1);
    EXPECT_DOUBLE_EQ(f.com_secs, 43);
    EXPECT_DOUBLE_EQ(f.man_secs, 42.5);
    EXPECT_EQ(f.move_no, 2);
    EXPECT_EQ(f.turn, f.SENTE);
    EXPECT_TRUE(f.調査_局面整合());
}

TEST(BoardInput, FullRecordRefusesTheMoveAndDropsThePick) {
    Harness h;
    name_sounds(h);
    Form1& f = h.f();
    f.START_Click();
    f.rec_pos = f.rec_len = Form1::REC_MAX;
    f.move_no = Form1::REC_MAX;
    h.clear_log();
    h.press(5, 6);
    EXPECT_EQ(f.click_phase, 0);
    h.press(5, 5);
    EXPECT_EQ(f.board[5][6], -Form1::STAFF);
    EXPECT_EQ(f.board[5][5], Form1::EMPTY);
    EXPECT_EQ(f.click_phase, 0);
    EXPECT_EQ(f.move_no, Form1::REC_MAX);
    EXPECT_EQ(f.turn, f.SENTE);
    // Each press says it once.
    ASSERT_EQ(msg_events(h).size(), 2u);
    EXPECT_EQ(h.events.front(), "play 禁止");
}

// The 500th move is the human's: the game stops there cleanly. Every press
// says so once and moves nothing, for either side; stepping back, saving and
// a new game still work.
struct FullRecordCase {
    const char* name;
    void (Form1::*start)();
    int mode;
};

class FullRecord : public ::testing::TestWithParam<FullRecordCase> {};

TEST_P(FullRecord, HoldsTheGameUntilSteppedBackOrRestarted) {
    const FullRecordCase& c = GetParam();
    Harness h;
    name_sounds(h);
    Form1& f = h.f();
    (f.*c.start)();
    ASSERT_EQ(f.play_mode, c.mode);
    ASSERT_EQ(f.turn, f.man_side);
    const int before[2] = {f.board[5][3], f.board[4][7]};
    f.rec_pos = f.rec_len = f.move_no = Form1::REC_MAX - 1;
    const std::string full = "msg 棋譜が一杯です（500手まで）。これ以上は指せません|棋譜";

    h.clear_log();
    h.press(5, 6);
    h.press(5, 5);
    ASSERT_EQ(f.rec_pos, Form1::REC_MAX);
    EXPECT_EQ(f.board[5][5], -Form1::STAFF);
    EXPECT_EQ(h.count_events(full), c.mode == Form1::MODE_COM ? 1 : 0);
    const int stuck_turn = f.turn;

    // Pieces of both sides, a hand cell and an empty square: one box each, nothing picked.
    const Press presses[] = {{4, 7}, {4, 6}, {5, 3}, {5, 4}, {5, 5}, {5, 4}};
    for (const Press& p : presses) {
        h.clear_log();
        h.press(p.x, p.y);
        EXPECT_EQ(h.events, (std::vector<std::string>{"play 禁止", full})) << p.x << "," << p.y;
        EXPECT_EQ(f.click_phase, 0);
    }
    EXPECT_EQ(f.turn, stuck_turn);
    EXPECT_EQ(f.board[5][3], before[0]);
    EXPECT_EQ(f.board[4][7], before[1]);
    EXPECT_EQ(f.board[5][4], +Form1::STAFF);
    EXPECT_EQ(f.rec_pos, Form1::REC_MAX);
    EXPECT_EQ(f.move_no, Form1::REC_MAX);

    // Saving keeps working: the whole record goes to the file.
    f.KIFU_WRITE_Click();
    f.Text1->setText(QStringLiteral("full"));
    h.clear_log();
    f.Command1_Click();
    EXPECT_EQ(h.events, (std::vector<std::string>{"msg 棋譜を書き込みました|  "}));
    EXPECT_EQ(Harness::read_file(h.path(QStringLiteral("full.棋譜"))).count("\r\n"), 3 + Form1::REC_MAX);

    // One step back and the human plays on.
    f.REPLAY_Click();
    EXPECT_EQ(f.rec_pos, Form1::REC_MAX - 1);
    EXPECT_EQ(f.board[5][6], -Form1::STAFF);
    EXPECT_EQ(f.turn, f.man_side);
    h.clear_log();
    h.press(5, 6);
    EXPECT_EQ(h.count_events(full), 0);
    EXPECT_EQ(f.click_phase, 1);
    h.press(5, 5);
    EXPECT_EQ(f.board[5][5], -Form1::STAFF);
    EXPECT_EQ(f.rec_pos, Form1::REC_MAX);

    // A new game starts from an empty record.
    f.CANCEL_Click();
    (f.*c.start)();
    h.clear_log();
    h.press(5, 6);
    EXPECT_EQ(f.click_phase, 1);
    h.press(5, 5);
    EXPECT_EQ(h.count_events(full), 0);
    const int human_entry = f.com_side == f.SENTE ? 2 : 1;
    EXPECT_GE(f.rec_pos, human_entry);
    EXPECT_EQ(f.rec_from_y[human_entry], 6);
    EXPECT_EQ(f.rec_to_y[human_entry], 5);
}

INSTANTIATE_TEST_SUITE_P(
    BoardInput, FullRecord,
    ::testing::Values(FullRecordCase{"ComputerSecond", &Form1::SENTE_Click, Form1::MODE_COM},
                      FullRecordCase{"ComputerFirst", &Form1::GOTE_Click, Form1::MODE_COM},
                      FullRecordCase{"TwoHumans", &Form1::START_Click, Form1::MODE_MAN}),
    [](const ::testing::TestParamInfo<FullRecordCase>& i) { return i.param.name; });

TEST(BoardInput, SecondSecretaryCapturedWinsAndTheComputerDoesNotMove) {
    Harness h;
    name_sounds(h);
    Form1& f = h.f();
    f.SENTE_Click();
    capture_into_hand(f, 4, 1);  // the first plus secretary is already in the human's hand
    relocate(f, 6, 9, 6, 2);     // a minus secretary beside the second one at (6,1)
    h.clear_log();
    h.press(6, 2);
    h.press(6, 1);
    EXPECT_EQ(h.events, (std::vector<std::string>{"play 駒打音", "msg あなたの勝ちです|終了"}));
    EXPECT_EQ(f.winner, f.man_side);
    EXPECT_EQ(f.hand_minus[Form1::SECRETARY], 2);
    EXPECT_EQ(f.move_no, 1);
    EXPECT_EQ(f.turn, f.com_side);
    EXPECT_FALSE(f.Timer1->isActive());
}

// Needs the board scan and the mate test of the computer player.
TEST(BoardInput, MatingTheComputersChairmanWins) {
    Harness h;
    name_sounds(h);
    Form1& f = h.f();
    f.SENTE_Click();
    // The plus chairman on (5,1) is boxed in by its own secretaries and president;
    // a minus staff on (6,3) covers its one free square (6,2).
    relocate(f, 4, 9, 4, 3);
    relocate(f, 5, 6, 6, 3);
    h.clear_log();
    h.press(4, 3);
    h.press(4, 2);  // the secretary steps next to the chairman, which cannot take it
    EXPECT_EQ(f.board[5][1], +Form1::CHAIRMAN);
    EXPECT_EQ(f.winner, f.man_side);
    EXPECT_EQ(h.events, (std::vector<std::string>{"play 駒打音", "msg あなたの勝ちです|終了"}));
    EXPECT_EQ(f.move_no, 1);
}

// Every press closes the record-file panel and empties its fields first, even
// one that is then refused.
TEST(BoardInput, EveryPressClosesTheRecordFilePanel) {
    for (const bool game : {false, true}) {
        SCOPED_TRACE(game ? "during a game" : "before a game");
        Harness h;
        Form1& f = h.f();
        if (game) f.START_Click();
        f.描画_可視(true, true, true);
        f.描画_棋譜_IO(0);
        f.Text1->setText("a");
        f.Text2->setText("b");
        f.Text3->setText("c");
        f.Text4->setText("d");
        h.press(5, 5);
        EXPECT_TRUE(f.Drive1->isHidden());
        EXPECT_TRUE(f.Dir1->isHidden());
        EXPECT_TRUE(f.File1->isHidden());
        EXPECT_TRUE(f.Command1->isHidden());
        for (QLineEdit* t : {f.Text1, f.Text2, f.Text3, f.Text4}) {
            EXPECT_TRUE(t->isHidden());
            EXPECT_TRUE(t->text().isEmpty());
        }
    }
}

// ---------------------------------------------------------------------------
// What the presses show: outlines of the pick and of the guidance, the move
// counter and the last-move text, read from the canvas.

// The colour of the top edge and of the left edge of square (x, y): the first
// pixel row and column of the cell, in the middle.
QRgb top_edge(const Harness& h, int x, int y) { return h.cell_image(x, y).pixel(16, 0) & 0xffffff; }
QRgb left_edge(const Harness& h, int x, int y) { return h.cell_image(x, y).pixel(0, 20) & 0xffffff; }

constexpr QRgb kRed = 0xff0000, kWhite = 0xffffff, kGreen = 0x008000;

// Every shared edge of the board after a pick: red beside the pick (drawn last),
// else white beside a square the piece may go to, else the grid's green.
void expect_outlines(const Harness& h, int pick_x, int pick_y, QRgb pick_colour, bool guidance, int piece) {
    const Form1& f = *h.form;
    auto kind = [&](int x, int y) {
        if (x == pick_x && y == pick_y) return 2;
        if (x >= 1 && x <= 9 && y >= 1 && y <= 9 && guidance && f.移動チェック(pick_x, pick_y, x, y, piece))
            return 1;
        return 0;
    };
    auto colour = [&](int a, int b) {
        return std::max(a, b) == 2 ? pick_colour : std::max(a, b) == 1 ? kWhite : kGreen;
    };
    for (int x = 1; x <= 9; ++x)
        for (int y = 1; y <= 9; ++y) {
            EXPECT_EQ(top_edge(h, x, y), colour(kind(x, y - 1), kind(x, y)))
                << "top edge of " << x << "," << y;
            EXPECT_EQ(left_edge(h, x, y), colour(kind(x - 1, y), kind(x, y)))
                << "left edge of " << x << "," << y;
        }
}

struct OutlineCase {
    const char* name;
    bool guidance;
    Press pick;
    bool own;
};
void PrintTo(const OutlineCase& c, std::ostream* os) { *os << c.name; }

class PickOutlines : public ::testing::TestWithParam<OutlineCase> {};

TEST_P(PickOutlines, ShowThePickAndWhereItMayGo) {
    const OutlineCase& c = GetParam();
    Harness h;
    Form1& f = h.f();
    f.guidance_on = c.guidance ? 1 : 0;
    f.guide_colour = c.guidance ? Form1::WHITE : f.grid_colour;
    f.SENTE_Click();
    relocate(f, 5, 4, 5, 5);  // a plus staff to capture, and a square taken
    h.press(c.pick.x, c.pick.y);
    const int piece = f.board[c.pick.x][c.pick.y];
    expect_outlines(h, c.pick.x, c.pick.y, c.own ? kRed : (c.guidance ? kWhite : kGreen), c.guidance, piece);
}

INSTANTIATE_TEST_SUITE_P(BoardInput, PickOutlines,
                         ::testing::Values(OutlineCase{"OwnStaffWithGuidance", true, {5, 6}, true},
                                           OutlineCase{"OwnChairmanWithGuidance", true, {5, 9}, true},
                                           OutlineCase{"OwnStaffWithoutGuidance", false, {5, 6}, true},
                                           OutlineCase{"OpponentsStaffWithGuidance", true, {5, 5}, false},
                                           OutlineCase{
                                               "OpponentsStaffWithoutGuidance", false, {5, 5}, false}),
                         [](const auto& i) { return std::string(i.param.name); });

TEST(BoardInput, HandPickOutlinesTheCellAndEveryEmptySquare) {
    Harness h;
    Form1& f = h.f();
    f.guidance_on = 1;
    f.guide_colour = Form1::WHITE;
    f.SENTE_Click();
    capture_into_hand(f, 4, 1);
    f.描画_自持盤();
    h.press(Form1::HAND_MINUS_X, 2);
    ASSERT_EQ(f.click_phase, 1);
    EXPECT_EQ(top_edge(h, Form1::HAND_MINUS_X, 2), kRed);
    EXPECT_EQ(left_edge(h, Form1::HAND_MINUS_X, 2), kRed);
    expect_outlines(h, Form1::HAND_MINUS_X, 2, kRed, true, -Form1::SECRETARY);
}

TEST(BoardInput, RefusedAndMadeMovesLeaveOnlyTheGrid) {
    Harness h;
    name_sounds(h);
    Form1& f = h.f();
    f.guidance_on = 1;
    f.guide_colour = Form1::WHITE;
    f.START_Click();
    h.press(5, 6);
    h.press(5, 4);  // refused
    ASSERT_EQ(h.count_events("play 禁止"), 1);
    expect_outlines(h, 0, 0, kRed, false, 0);
    h.press(5, 6);
    h.press(5, 5);  // made
    ASSERT_EQ(f.move_no, 1);
    expect_outlines(h, 0, 0, kRed, false, 0);
}

// The move counter and the last-move text after a press look exactly as the
// drawing procedures draw them for that move.
TEST(BoardInput, MoveShowsTheCounterAndTheLastMoveText) {
    Harness h;
    name_sounds(h);
    Form1& f = h.f();
    f.START_Click();
    h.press(8, 7);
    h.press(8, 6);
    h.press(5, 4);
    h.press(5, 5);
    Harness ref;
    ref.f().START_Click();
    ref.f().描画_手数(2, Form1::WHITE);
    ref.f().描画_移動結果(ref.f().man_side, 8, 6, -Form1::SENIOR_DIRECTOR, Form1::WHITE);
    ref.f().描画_移動結果(ref.f().com_side, 5, 5, +Form1::STAFF, Form1::WHITE);
    EXPECT_EQ(h.cell_image(13, 3, 66), ref.cell_image(13, 3, 66));
    EXPECT_EQ(h.cell_image(13, 2, 99), ref.cell_image(13, 2, 99));
    EXPECT_EQ(h.cell_image(-2, 9, 99), ref.cell_image(-2, 9, 99));
    // Something is written there at all.
    Harness blank;
    blank.f().START_Click();
    EXPECT_NE(h.cell_image(13, 3, 66), blank.cell_image(13, 3, 66));
    EXPECT_NE(h.cell_image(13, 2, 99), blank.cell_image(13, 2, 99));
}

}  // namespace

// Between two humans every move charges the mover's own clock, and the record
// keeps the clocks exactly as they stand after the move, so stepping forward
// (which restores them from the record) and saved files give the same times.
TEST(BoardInput, HumanGameRecordKeepsTheClocksAsCharged) {
    struct Case {
        const char* name;
        std::function<void(Harness&)> start;  // leaves a human game, the minus player to move
    };
    const std::vector<Case> cases = {
        {"minus player first", [](Harness& h) { h.f().START_Click(); }},
        // After the computer's opening the game goes on by hand: the minus player is second.
        {"minus player second",
         [](Harness& h) {
             h.f().GOTE_Click();
             h.f().START_Click();
         }},
    };
    for (const Case& c : cases) {
        Harness h;
        name_sounds(h);
        Form1& f = h.f();
        c.start(h);
        ASSERT_EQ(f.play_mode, Form1::MODE_MAN) << c.name;
        ASSERT_EQ(f.turn, f.man_side) << c.name;
        f.man_secs = 30;
        f.com_secs = 40;
        const int first = f.rec_pos + 1;
        f.turn_start_time = h.now;
        h.now += 12.5;  // the minus player thinks 12.5 s
        h.press(1, 6);
        h.press(1, 5);
        ASSERT_EQ(f.rec_pos, first) << c.name;
        ASSERT_EQ(f.turn, f.com_side) << c.name;
        h.now += 3;  // the plus player thinks 3 s
        h.press(9, 4);
        h.press(9, 5);
        ASSERT_EQ(f.rec_pos, first + 1) << c.name;
        EXPECT_DOUBLE_EQ(f.man_secs, 42.5) << c.name;
        EXPECT_DOUBLE_EQ(f.com_secs, 43) << c.name;
        const double man[3] = {30, 42.5, 42.5}, com[3] = {40, 40, 43};
        for (int i = 0; i < 2; ++i) {
            const int n = first + i;
            EXPECT_DOUBLE_EQ(f.rec_man_before[n], man[i]) << c.name << " move " << i + 1;
            EXPECT_DOUBLE_EQ(f.rec_man_after[n], man[i + 1]) << c.name << " move " << i + 1;
            EXPECT_DOUBLE_EQ(f.rec_com_before[n], com[i]) << c.name << " move " << i + 1;
            EXPECT_DOUBLE_EQ(f.rec_com_after[n], com[i + 1]) << c.name << " move " << i + 1;
        }
    }
}

// The move time is read when the move is made, after the clock's last tick:
// the mover's clock then shows the total it was charged, in both modes.
TEST(BoardInput, MoversClockShowsTheChargedTotalAfterTheMove) {
    struct Case {
        const char* name;
        std::function<void(Form1&)> command;
    };
    const std::vector<Case> cases = {
        {"between humans", [](Form1& f) { f.START_Click(); }},
        {"against the computer", [](Form1& f) { f.SENTE_Click(); }},
    };
    for (const Case& c : cases) {
        Harness h;
        name_sounds(h);
        Form1& f = h.f();
        f.mnu.KEIKA->setChecked(true);
        c.command(f);
        f.man_secs = 100;
        f.turn_start_time = h.now;
        h.press(1, 6);
        h.now += 4.99;
        f.Timer1_Timer();  // the last tick shows 100 + 4 whole seconds
        h.now += 0.02;
        h.press(1, 5);
        ASSERT_NEAR(f.man_secs, 105.01, 1e-6) << c.name;
        std::vector<QImage> shown;
        for (int x = 13; x <= 15; ++x) shown.push_back(h.cell_image(x, 10));
        f.描画_所有時間(f.man_side, f.man_secs);
        for (int x = 13; x <= 15; ++x)
            EXPECT_EQ(h.cell_image(x, 10), shown[x - 13]) << c.name << " cell " << x;
    }
}
