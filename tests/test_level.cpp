// The computer's level: the menu items and their check marks, and what the
// level changes in the computer's choice of move.
#include <gtest/gtest.h>

#include <QAction>
#include <vector>

#include "support/harness.h"

namespace {

int checked_level(Form1& f) {
    int n = 0, level = 0;
    QAction* items[] = {f.mnu.LEVEL1, f.mnu.LEVEL2, f.mnu.LEVEL3};
    for (int i = 0; i < 3; ++i)
        if (items[i]->isChecked()) {
            ++n;
            level = i + 1;
        }
    return n == 1 ? level : -n;  // -n: none or several checked
}

void click(Form1& f, int level) {
    if (level == 1) f.LEVEL1_Click();
    if (level == 2) f.LEVEL2_Click();
    if (level == 3) f.LEVEL3_Click();
}

struct Piece {
    int x, y, code;
};

}  // namespace

TEST(Level, StartsAtThreeWithItsItemChecked) {
    Harness h;
    EXPECT_EQ(h.f().com_level, 3);
    EXPECT_EQ(checked_level(h.f()), 3);
}

TEST(Level, EveryChoiceChecksExactlyItsItemInEitherMode) {
    const std::vector<int> clicks = {1, 2, 3, 2, 1, 1, 3};
    for (int mode : {Form1::MODE_MAN, Form1::MODE_COM}) {
        Harness h;
        Form1& f = h.f();
        f.play_mode = mode;
        for (int level : clicks) {
            click(f, level);
            EXPECT_EQ(f.com_level, level) << "mode " << mode;
            EXPECT_EQ(checked_level(f), level) << "mode " << mode;
        }
        // The menu's own trigger goes through the same handler.
        f.mnu.LEVEL2->trigger();
        EXPECT_EQ(f.com_level, 2) << "mode " << mode;
        EXPECT_EQ(checked_level(f), 2) << "mode " << mode;
    }
}

TEST(Level, OutOfRangeClearsTheMarksAndKeepsTheLevel) {
    for (int bad : {0, 4, -1, 99}) {
        Harness h;
        Form1& f = h.f();
        f.LEVEL1_Click();
        f.レベル_設定(bad);
        EXPECT_EQ(f.com_level, 1) << bad;
        EXPECT_EQ(checked_level(f), 0) << bad;  // none checked
    }
}

TEST(Level, SurvivesANewGame) {
    Harness h;
    Form1& f = h.f();
    f.LEVEL2_Click();
    f.初期設定();
    EXPECT_EQ(f.com_level, 2);
    EXPECT_EQ(checked_level(f), 2);
}

TEST(Level, LevelTwoDiffersOnlyOnSecretaryAndChairmanMoves) {
    struct Case {
        const char* name;
        std::vector<Piece> pieces;  // empty: the start position after the minus staff (5,6)->(5,5)
        int level13[4], level2[4];  // from x, from y, to x, to y
    };
    const std::vector<Case> cases = {
        {"secretary beside the minus chairman",
         {{9, 1, 9}, {5, 9, -9}, {3, 7, 1}},
         {3, 7, 4, 8},
         {9, 1, 8, 2}},
        // Level 2 takes the first of three equal advances; 1 and 3 close in by column and row.
        {"chairman closing in", {{5, 5, 9}, {9, 9, -9}}, {5, 5, 6, 6}, {5, 5, 4, 6}},
        {"start position", {}, {5, 4, 5, 5}, {5, 4, 5, 5}},
    };
    for (const Case& c : cases)
        for (int level : {1, 2, 3}) {
            Harness h;
            Form1& f = h.f();
            f.play_mode = Form1::MODE_COM;
            click(f, level);
            if (c.pieces.empty()) {
                f.手順保存(5, 6, 5, 5, -2, -2, 0, 0, 0, 0);
                f.駒移動(5, 6, 5, 5, -2);
            } else {
                for (int x = 1; x <= 9; ++x)
                    for (int y = 1; y <= 9; ++y) f.board[x][y] = Form1::EMPTY;
                for (const Piece& p : c.pieces) f.board[p.x][p.y] = p.code;
                f.handicap_flag = true;  // pieces are missing from the sets
            }
            f.turn = f.com_side;
            f.com_ban();
            const int n = f.rec_pos;
            const int* want = level == 2 ? c.level2 : c.level13;
            EXPECT_EQ(f.rec_from_x[n], want[0]) << c.name << " level " << level;
            EXPECT_EQ(f.rec_from_y[n], want[1]) << c.name << " level " << level;
            EXPECT_EQ(f.rec_to_x[n], want[2]) << c.name << " level " << level;
            EXPECT_EQ(f.rec_to_y[n], want[3]) << c.name << " level " << level;
        }
}

TEST(LevelDisplay, ShownAgainstTheComputerOnlyAndFollowsTheLevel) {
    Harness h;
    Form1& f = h.f();
    // The three cells (-2, 0) .. (0, 0) above the plus hand.
    auto display = [&] { return h.cell_image(-2, 0, 99, 41); };
    f.play_mode = Form1::MODE_MAN;
    f.LEVEL1_Click();
    const QImage blank = display();
    f.LEVEL2_Click();
    EXPECT_EQ(display(), blank) << "between two humans the level is not drawn";
    f.play_mode = Form1::MODE_COM;
    f.LEVEL1_Click();
    const QImage one = display();
    f.LEVEL2_Click();
    const QImage two = display();
    EXPECT_NE(one, blank);
    EXPECT_NE(two, blank);
    EXPECT_NE(one, two);
    // "LEVEL" stands in the cell left of the digit and does not change.
    const QImage label_two = h.cell_image(-1, 0);
    f.LEVEL1_Click();
    EXPECT_EQ(h.cell_image(-1, 0), label_two);
    EXPECT_EQ(display(), one);
}
