// The handicap ladder: the whole walk from 名人 to 12級 and back, the squares
// each step edits, the refusals in their order, the bounds and the texts.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <ostream>
#include <string>
#include <vector>

#include "support/play_support.h"

using namespace play_support;

namespace {

struct Square {
    int x, y;
};
// The square emptied on arriving at level -n / +n, n = 1..10.
constexpr Square kMinusSquares[11] = {{0, 0}, {2, 7}, {5, 8}, {1, 9}, {9, 9}, {2, 9},
                                      {8, 9}, {3, 9}, {7, 9}, {4, 9}, {6, 9}};
constexpr Square kPlusSquares[11] = {{0, 0}, {8, 3}, {5, 2}, {9, 1}, {1, 1}, {8, 1},
                                     {2, 1}, {7, 1}, {3, 1}, {6, 1}, {4, 1}};

// The position expected at a level: the starting position less the squares
// of every level between 0 and it.
void expected_board(int level, int out[10][10]) {
    for (int x = 0; x < 10; ++x)
        for (int y = 0; y < 10; ++y) out[x][y] = kStartBoard[x][y];
    for (int n = 1; n <= (level < 0 ? -level : level); ++n) {
        const Square& s = level < 0 ? kMinusSquares[n] : kPlusSquares[n];
        out[s.x][s.y] = Form1::EMPTY;
    }
}

::testing::AssertionResult board_at_level(const Form1& f, int level) {
    int want[10][10];
    expected_board(level, want);
    for (int x = 1; x <= 9; ++x)
        for (int y = 1; y <= 9; ++y)
            if (f.board[x][y] != want[x][y])
                return ::testing::AssertionFailure()
                       << "level " << level << ": (" << x << "," << y << ") holds " << f.board[x][y]
                       << ", expected " << want[x][y];
    return ::testing::AssertionSuccess();
}

int changed_squares(const int a[10][10], const Form1& f) {
    int n = 0;
    for (int x = 1; x <= 9; ++x)
        for (int y = 1; y <= 9; ++y) n += a[x][y] != f.board[x][y];
    return n;
}

// One step and what it must leave: the level, one square changed, one sound.
void step_and_check(Harness& h, bool up) {
    Form1& f = h.f();
    int before[10][10];
    std::copy(&f.board[0][0], &f.board[0][0] + 100, &before[0][0]);
    const int level = f.handicap_level;
    f.rec_len = 3;
    h.clear_log();
    if (up)
        f.LBEL_UP_Click();
    else
        f.LEBEL_DOWN_Click();
    const int want = level + (up ? 1 : -1);
    ASSERT_EQ(f.handicap_level, want);
    EXPECT_TRUE(board_at_level(f, want));
    EXPECT_EQ(changed_squares(before, f), 1) << "at level " << want;
    EXPECT_EQ(h.events, std::vector<std::string>{"play 駒打音"}) << "at level " << want;
    EXPECT_EQ(f.rec_len, 0);
    EXPECT_TRUE(f.handicap_flag);
}

TEST(HandicapLadder, WalkDownToMasterUpToTwelfthKyuAndBackRestoresTheStart) {
    Harness h;
    name_sounds(h);
    Form1& f = h.f();
    ASSERT_EQ(f.handicap_level, 0);
    for (int i = 0; i < 10; ++i) step_and_check(h, false);
    EXPECT_EQ(f.handicap_level, -10);
    for (int i = 0; i < 20; ++i) step_and_check(h, true);
    EXPECT_EQ(f.handicap_level, 10);
    for (int i = 0; i < 10; ++i) step_and_check(h, false);
    EXPECT_EQ(f.handicap_level, 0);
    EXPECT_TRUE(board_at_level(f, 0));
    // The hands, their totals and the turn are never touched.
    for (int k = 1; k <= 8; ++k) {
        EXPECT_EQ(f.hand_minus[k], 0);
        EXPECT_EQ(f.hand_plus[k], 0);
    }
    EXPECT_EQ(f.hand_count_minus, 0);
    EXPECT_EQ(f.hand_count_plus, 0);
    EXPECT_EQ(f.turn, Form1::NONE);
    EXPECT_TRUE(f.handicap_flag);
}

struct EditCase {
    const char* name;
    int from;
    bool up;
    Square square;
    int code;  // what the square holds afterwards
};
void PrintTo(const EditCase& c, std::ostream* os) { *os << c.name; }

class LadderEdit : public ::testing::TestWithParam<EditCase> {};

TEST_P(LadderEdit, EditsThisSquare) {
    const EditCase& c = GetParam();
    Harness h;
    name_sounds(h);
    Form1& f = h.f();
    while (f.handicap_level < c.from) f.LBEL_UP_Click();
    while (f.handicap_level > c.from) f.LEBEL_DOWN_Click();
    ASSERT_EQ(f.board[c.square.x][c.square.y],
              c.code == Form1::EMPTY ? kStartBoard[c.square.x][c.square.y] : Form1::EMPTY);
    if (c.up)
        f.LBEL_UP_Click();
    else
        f.LEBEL_DOWN_Click();
    EXPECT_EQ(f.board[c.square.x][c.square.y], c.code);
}

INSTANTIATE_TEST_SUITE_P(
    HandicapLadder, LadderEdit,
    ::testing::Values(EditCase{"DownToMinus1TakesSeniorDirector", 0, false, {2, 7}, Form1::EMPTY},
                      EditCase{"DownToMinus2TakesPresident", -1, false, {5, 8}, Form1::EMPTY},
                      EditCase{"DownToMinus3TakesDirector", -2, false, {1, 9}, Form1::EMPTY},
                      EditCase{"UpToMinus2ReturnsDirector", -3, true, {1, 9}, -Form1::DIRECTOR},
                      EditCase{"UpToMinus3ReturnsDeptHead", -4, true, {9, 9}, -Form1::DEPT_HEAD},
                      EditCase{"UpToMinus1ReturnsPresident", -2, true, {5, 8}, -Form1::PRESIDENT},
                      EditCase{"UpToZeroReturnsSeniorDirector", -1, true, {2, 7}, -Form1::SENIOR_DIRECTOR},
                      EditCase{"UpTo1TakesSeniorDirector", 0, true, {8, 3}, Form1::EMPTY},
                      EditCase{"UpTo2TakesPresident", 1, true, {5, 2}, Form1::EMPTY},
                      EditCase{"UpTo3TakesDirector", 2, true, {9, 1}, Form1::EMPTY},
                      EditCase{"DownTo3ReturnsDeptHead", 4, false, {1, 1}, +Form1::DEPT_HEAD},
                      EditCase{"DownTo2ReturnsDirector", 3, false, {9, 1}, +Form1::DIRECTOR},
                      EditCase{"DownToZeroReturnsSeniorDirector", 1, false, {8, 3}, +Form1::SENIOR_DIRECTOR},
                      EditCase{"UpTo10TakesLastSecretary", 9, true, {4, 1}, Form1::EMPTY},
                      EditCase{"DownTo9ReturnsSecretary", 10, false, {4, 1}, +Form1::SECRETARY},
                      EditCase{"DownToMinus10TakesLastSecretary", -9, false, {6, 9}, Form1::EMPTY}),
    [](const auto& i) { return std::string(i.param.name); });

TEST(HandicapLadder, StepsAtTheEndsChangeNothingButTheRecordAndTheFlag) {
    for (const bool up : {true, false}) {
        SCOPED_TRACE(up ? "at 10" : "at -10");
        Harness h;
        name_sounds(h);
        Form1& f = h.f();
        for (int i = 0; i < 10; ++i) up ? f.LBEL_UP_Click() : f.LEBEL_DOWN_Click();
        int before[10][10];
        std::copy(&f.board[0][0], &f.board[0][0] + 100, &before[0][0]);
        const QImage text = h.cell_image(11, 1, 4 * 33, 41);
        f.handicap_flag = false;
        f.rec_len = 4;
        h.clear_log();
        up ? f.LBEL_UP_Click() : f.LEBEL_DOWN_Click();
        EXPECT_EQ(f.handicap_level, up ? 10 : -10);
        EXPECT_EQ(changed_squares(before, f), 0);
        EXPECT_TRUE(h.events.empty());
        EXPECT_EQ(f.rec_len, 0);
        EXPECT_TRUE(f.handicap_flag);
        EXPECT_EQ(h.cell_image(11, 1, 4 * 33, 41), text);
    }
}

struct RefusalCase {
    const char* name;
    bool record_mode;
    int rec_pos;
    bool reversed;
    std::string message;
};
void PrintTo(const RefusalCase& c, std::ostream* os) { *os << c.name; }

class LadderRefusal : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(LadderRefusal, PlaysForbiddenShowsTheReasonAndChangesNothing) {
    const RefusalCase& c = GetParam();
    for (const bool up : {true, false}) {
        SCOPED_TRACE(up ? "△" : "▽");
        Harness h;
        name_sounds(h);
        Form1& f = h.f();
        f.LEBEL_DOWN_Click();  // level -1, so both directions could move
        f.record_mode = c.record_mode;
        f.rec_pos = c.rec_pos;
        f.rec_len = 7;
        f.reversed_flag = c.reversed;
        f.handicap_flag = false;
        int before[10][10];
        std::copy(&f.board[0][0], &f.board[0][0] + 100, &before[0][0]);
        // An open panel is closed even by a refused step.
        f.描画_可視(true, true, true);
        f.Text1->setText("x");
        h.clear_log();
        up ? f.LBEL_UP_Click() : f.LEBEL_DOWN_Click();
        EXPECT_EQ(h.events, (std::vector<std::string>{"play 禁止", "msg " + c.message + "|ﾊﾝﾃﾞｨｷｬｯﾌﾟ設定"}));
        EXPECT_EQ(h.messages.back().buttons, MB_OK);
        EXPECT_EQ(f.handicap_level, -1);
        EXPECT_EQ(changed_squares(before, f), 0);
        EXPECT_EQ(f.rec_len, 7);
        EXPECT_FALSE(f.handicap_flag);
        EXPECT_TRUE(f.Drive1->isHidden());
        EXPECT_TRUE(f.Dir1->isHidden());
        EXPECT_TRUE(f.File1->isHidden());
        EXPECT_TRUE(f.Text1->text().isEmpty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    HandicapLadder, LadderRefusal,
    ::testing::Values(
        RefusalCase{"RecordReplay", true, 0, false, "棋譜ﾓｰﾄﾞではできません\r\r局面→最初にして下さい"},
        RefusalCase{"AfterAMove", false, 1, false, "対局途中ではできません\r\r局面→最初にして下さい"},
        RefusalCase{"AfterReversal", false, 0, true, "反転後ではできません\r\r局面→最初にして下さい"},
        RefusalCase{"ReplayComesFirst", true, 3, true, "棋譜ﾓｰﾄﾞではできません\r\r局面→最初にして下さい"},
        RefusalCase{"MoveBeforeReversal", false, 2, true, "対局途中ではできません\r\r局面→最初にして下さい"}),
    [](const auto& i) { return std::string(i.param.name); });

TEST(HandicapLadder, OtherMessageNumbersHaveAnEmptyFirstLine) {
    Harness h;
    for (const int n : {0, 4, -1}) {
        h.clear_log();
        h.f().描画_メッセージ(n);
        EXPECT_EQ(h.events, std::vector<std::string>{"msg \r\r局面→最初にして下さい|ﾊﾝﾃﾞｨｷｬｯﾌﾟ設定"});
    }
}

TEST(HandicapLadder, ANewGameForgetsTheLadder) {
    Harness h;
    Form1& f = h.f();
    for (int i = 0; i < 4; ++i) f.LBEL_UP_Click();
    f.初期設定();
    EXPECT_EQ(f.handicap_level, 0);
    EXPECT_FALSE(f.handicap_flag);
    EXPECT_TRUE(board_at_level(f, 0));
}

TEST(HandicapLadder, AGameStartsFromTheEditedPosition) {
    Harness h;
    name_sounds(h);
    Form1& f = h.f();
    for (int i = 0; i < 3; ++i) f.LBEL_UP_Click();
    f.SENTE_Click();
    EXPECT_TRUE(board_at_level(f, 3));
    EXPECT_EQ(f.handicap_level, 3);
    // After the first move the ladder is closed.
    h.press(5, 6);
    h.press(5, 5);
    ASSERT_GE(f.rec_pos, 1);
    h.clear_log();
    f.LEBEL_DOWN_Click();
    EXPECT_EQ(h.events[0], "play 禁止");
    EXPECT_EQ(f.handicap_level, 3);
}

// Each of the 21 grades shows its own text beside the board, and the same
// text is shown again when the ladder comes back to the grade.
TEST(HandicapLadder, EveryGradeShowsItsOwnText) {
    Harness h;
    Form1& f = h.f();
    std::vector<QImage> shown(21);
    for (int level = -10; level <= 10; ++level) {
        f.描画_ハンデレベル(level);
        shown[level + 10] = h.cell_image(11, 1, 4 * 33, 41);
    }
    for (int a = 0; a < 21; ++a)
        for (int b = a + 1; b < 21; ++b)
            EXPECT_NE(shown[a], shown[b]) << "levels " << a - 10 << " and " << b - 10;
    for (int i = 0; i < 10; ++i) f.LEBEL_DOWN_Click();
    for (int level = -10; level <= 10; ++level) {
        EXPECT_EQ(h.cell_image(11, 1, 4 * 33, 41), shown[f.handicap_level + 10]) << "level " << level;
        f.LBEL_UP_Click();
    }
}

// Each grade's text, printed as the ladder prints it: shadow first 0.1 cell
// right and down, then the main colour, 120 and 160 twips into the cell.
TEST(HandicapLadder, EveryGradeShowsItsText) {
    static const char* const kTexts[21] = {
        "ﾊﾝﾃﾞｨｷｬｯﾌﾟ:名人", "ﾊﾝﾃﾞｨｷｬｯﾌﾟ:８段", "ﾊﾝﾃﾞｨｷｬｯﾌﾟ:７段", "ﾊﾝﾃﾞｨｷｬｯﾌﾟ:６段", "ﾊﾝﾃﾞｨｷｬｯﾌﾟ:５段",
        "ﾊﾝﾃﾞｨｷｬｯﾌﾟ:４段", "ﾊﾝﾃﾞｨｷｬｯﾌﾟ:３段", "ﾊﾝﾃﾞｨｷｬｯﾌﾟ:２段", "ﾊﾝﾃﾞｨｷｬｯﾌﾟ:初段", "ﾊﾝﾃﾞｨｷｬｯﾌﾟ:１級",
        "ﾊﾝﾃﾞｨｷｬｯﾌﾟ:２級", "ﾊﾝﾃﾞｨｷｬｯﾌﾟ:３級", "ﾊﾝﾃﾞｨｷｬｯﾌﾟ:４級", "ﾊﾝﾃﾞｨｷｬｯﾌﾟ:５級", "ﾊﾝﾃﾞｨｷｬｯﾌﾟ:６級",
        "ﾊﾝﾃﾞｨｷｬｯﾌﾟ:７級", "ﾊﾝﾃﾞｨｷｬｯﾌﾟ:８級", "ﾊﾝﾃﾞｨｷｬｯﾌﾟ:９級", "ﾊﾝﾃﾞｨｷｬｯﾌﾟ:10級", "ﾊﾝﾃﾞｨｷｬｯﾌﾟ:11級",
        "ﾊﾝﾃﾞｨｷｬｯﾌﾟ:12級"};
    Harness h;
    Harness ref;
    Form1& f = h.f();
    Form1& r = ref.f();
    for (const int bg : {Form1::BG_TATAMI, Form1::BG_MIDORI}) {
        f.bg_kind = r.bg_kind = bg;
        for (int level = -10; level <= 10; ++level) {
            f.描画_ハンデレベル(level);
            for (int x = 11; x <= 14; ++x) r.描画_絵(bg, x, 1);
            const QString text = QString::fromUtf8(kTexts[level + 10]);
            const int main = bg == Form1::BG_MIDORI ? Form1::LIGHT_BLUE : Form1::WHITE;
            const int shadow = bg == Form1::BG_MIDORI ? Form1::GREY : Form1::BLACK;
            r.描画_テキスト(r.board_left + 11.1 * r.cell_w + 120, r.board_top + 1.1 * r.cell_h + 160, text,
                            shadow, 10);
            r.描画_テキスト(r.board_left + 11 * r.cell_w + 120, r.board_top + 1 * r.cell_h + 160, text, main,
                            10);
            EXPECT_EQ(h.cell_image(11, 1, 4 * 33, 41), ref.cell_image(11, 1, 4 * 33, 41))
                << "level " << level << " on background " << bg;
        }
    }
}

}  // namespace

// A piece picked before a step of the ladder may be the one the step takes
// off: the pick is dropped, so no move can bring that piece back.
TEST(HandicapLadder, AStepDropsAPickMadeBeforeIt) {
    Harness h;
    Form1& f = h.f();
    f.START_Click();
    h.press(5, 8);  // the minus president
    ASSERT_EQ(f.click_phase, 1);
    f.LEBEL_DOWN_Click();
    f.LEBEL_DOWN_Click();  // 8段 takes the president off
    ASSERT_EQ(f.board[5][8], Form1::EMPTY);
    EXPECT_EQ(f.click_phase, 0);
    h.press(5, 7);
    EXPECT_EQ(f.board[5][7], Form1::EMPTY);
    EXPECT_EQ(f.rec_pos, 0);
}
