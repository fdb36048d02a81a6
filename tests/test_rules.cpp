// Rules: the capture matrix, the refusals of the move check in their order,
// drops, and the starting position.
#include "support/harness.h"

#include <gtest/gtest.h>

TEST(StartingPosition, SeventeenPiecesEachPointSymmetricEmptyHands) {
    Harness h;
    Form1& f = h.f();
    int plus = 0, minus = 0;
    for (int x = 1; x <= 9; ++x)
        for (int y = 1; y <= 9; ++y) {
            EXPECT_EQ(f.board[x][y], kStartBoard[x][y]) << x << "," << y;
            EXPECT_EQ(f.board[x][y], -f.board[10 - x][10 - y]);
            plus += f.board[x][y] > 0;
            minus += f.board[x][y] < 0;
        }
    EXPECT_EQ(plus, 17);
    EXPECT_EQ(minus, 17);
    for (int k = 1; k <= 8; ++k) {
        EXPECT_EQ(f.hand_minus[k], 0);
        EXPECT_EQ(f.hand_plus[k], 0);
    }
    EXPECT_EQ(f.hand_count_minus, 0);
    EXPECT_EQ(f.hand_count_plus, 0);
    EXPECT_NE(f.man_side, f.com_side);
    EXPECT_EQ(f.turn, Form1::NONE);
    EXPECT_TRUE(f.調査_局面整合());
}
