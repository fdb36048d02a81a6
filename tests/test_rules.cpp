// Rules: the capture matrix, the refusals of the move check in their order,
// drops, the starting position, and what a move does to board, hands and winner.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "support/harness.h"

namespace {

using Square = std::pair<int, int>;

void clear_board(Form1& f) {
    for (int x = 0; x <= 9; ++x)
        for (int y = 0; y <= 9; ++y) f.board[x][y] = Form1::EMPTY;
}

// Brings a piece of `code` onto (x, y) by exchanging two squares, so both sets
// stay complete; squares in `keep` are never taken from.
void put(Form1& f, int x, int y, int code, std::vector<Square>& keep) {
    if (f.board[x][y] != code) {
        bool found = false;
        for (int i = 1; i <= 9 && !found; ++i)
            for (int j = 1; j <= 9 && !found; ++j) {
                if (f.board[i][j] != code || (i == x && j == y)) continue;
                bool kept = false;
                for (const Square& s : keep) kept = kept || (s.first == i && s.second == j);
                if (kept) continue;
                std::swap(f.board[i][j], f.board[x][y]);
                found = true;
            }
        ASSERT_TRUE(found) << "no spare piece " << code;
    }
    keep.push_back({x, y});
}

// Takes a piece of `code` off the board into the matching hand, as a capture would have.
void into_hand(Form1& f, int code) {
    for (int i = 1; i <= 9; ++i)
        for (int j = 1; j <= 9; ++j)
            if (f.board[i][j] == code) {
                f.board[i][j] = Form1::EMPTY;
                if (code > 0) {
                    f.hand_minus[code] += 1;
                    f.hand_count_minus += 1;
                } else {
                    f.hand_plus[-code] += 1;
                    f.hand_count_plus += 1;
                }
                return;
            }
    FAIL() << "no piece " << code << " on the board";
}

// Whether the capturer of kind a may take the enemy piece of kind b.
constexpr bool kMayCapture[10][10] = {
    {},
    {false, true, false, false, false, false, false, false, false, true},  // 1 secretary
    {false, true, true, false, false, false, false, false, false, false},  // 2 staff
    {false, true, true, true, false, false, false, false, false, false},   // 3 clerk
    {false, true, true, true, true, false, false, false, false, false},    // 4 section chief
    {false, true, true, true, true, true, false, false, false, false},     // 5 department head
    {false, true, true, true, true, true, true, false, false, false},      // 6 director
    {false, true, true, true, true, true, true, true, false, false},       // 7 senior director
    {false, true, true, true, true, true, true, true, true, false},        // 8 president
    {false, false, true, true, true, true, true, true, true, true},        // 9 chairman
};

}  // namespace

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

TEST(StartingPosition, NewGameResetsAPlayedPosition) {
    Harness h;
    Form1& f = h.f();
    f.board[5][5] = -2;
    f.board[5][6] = Form1::EMPTY;
    f.hand_plus[3] = 2;
    f.hand_count_plus = 2;
    f.winner = f.com_side;
    f.move_no = 12;
    f.初期設定();
    for (int x = 1; x <= 9; ++x)
        for (int y = 1; y <= 9; ++y) EXPECT_EQ(f.board[x][y], kStartBoard[x][y]) << x << "," << y;
    EXPECT_EQ(f.hand_plus[3], 0);
    EXPECT_EQ(f.hand_count_plus, 0);
    EXPECT_EQ(f.winner, Form1::NONE);
    EXPECT_EQ(f.move_no, 0);
}

// Every pair of kinds, for a plus and a minus capturer, in all eight directions;
// a piece of one's own colour is never taken.
TEST(MoveCheck, CaptureMatrixFromBothSides) {
    Harness h;
    Form1& f = h.f();
    const int dirs[8][2] = {{-1, -1}, {0, -1}, {1, -1}, {-1, 0}, {1, 0}, {-1, 1}, {0, 1}, {1, 1}};
    for (int sign : {+1, -1})
        for (int a = 1; a <= 9; ++a)
            for (int b = 1; b <= 9; ++b)
                for (const auto& d : dirs) {
                    clear_board(f);
                    const int tx = 5 + d[0], ty = 5 + d[1];
                    f.board[5][5] = sign * a;
                    f.board[tx][ty] = -sign * b;
                    EXPECT_EQ(f.移動チェック(5, 5, tx, ty, sign * a), kMayCapture[a][b] ? 1 : 0)
                        << "capturer " << sign * a << " target " << -sign * b;
                    f.board[tx][ty] = sign * b;
                    EXPECT_EQ(f.移動チェック(5, 5, tx, ty, sign * a), 0) << "own piece " << sign * b;
                    f.board[tx][ty] = Form1::EMPTY;
                    EXPECT_EQ(f.移動チェック(5, 5, tx, ty, sign * a), 1) << "step of " << sign * a;
                }
}

// Each refusal in the order the move check makes it: a wrong order would let
// one of these through (index 0 of the board reads as an empty square).
TEST(MoveCheck, RefusalsAndDropsInTheirOrder) {
    struct Case {
        const char* what;
        int from_x, from_y, to_x, to_y, code;
        int occupant;  // code put on the destination first, when it is a square
        int expected;
    };
    const Case cases[] = {
        {"step off the left edge", 1, 5, 0, 5, -2, 0, 0},
        {"step off the right edge", 9, 5, 10, 5, 2, 0, 0},
        {"step off the top", 5, 1, 5, 0, -2, 0, 0},
        {"step off the bottom", 5, 9, 5, 10, 2, 0, 0},
        {"minus drop onto column 0", 11, 3, 0, 5, -2, 0, 0},
        {"minus drop onto row 0", 11, 3, 5, 0, -2, 0, 0},
        {"minus drop onto row 10", 11, 3, 5, 10, -2, 0, 0},
        {"minus drop onto its own hand", 11, 3, 11, 3, -2, 0, 0},
        {"plus drop onto column 10", -1, 4, 10, 4, 5, 0, 0},
        {"plus drop onto its own hand", -1, 4, -1, 4, 5, 0, 0},
        {"plus drop onto the other hand", -1, 4, 11, 4, 5, 0, 0},
        {"origin itself, empty there", 5, 5, 5, 5, -3, 0, 0},
        {"origin itself, plus", 4, 6, 4, 6, 3, 0, 0},
        {"minus drop far away onto an empty square", 11, 2, 9, 1, -1, 0, 1},
        {"plus drop far away onto an empty square", -1, 8, 1, 9, 1, 0, 1},
        {"drop with the other side's code", 11, 5, 5, 5, 4, 0, 1},
        {"drop next to the enemy chairman", 11, 2, 5, 2, -1, 0, 1},
        {"drop onto an enemy piece", 11, 3, 5, 5, -2, 2, 0},
        {"drop onto an own piece", -1, 7, 5, 5, 2, 2, 0},
        {"two squares down", 5, 4, 5, 6, 2, 0, 0},
        {"two squares up", 5, 6, 5, 4, -9, 0, 0},
        {"two squares sideways", 3, 5, 5, 5, -1, 0, 0},
        {"two squares diagonally", 3, 3, 5, 5, 8, 0, 0},
        {"knight's jump", 5, 5, 6, 7, -8, 0, 0},
        {"two squares onto a capturable piece", 5, 3, 5, 5, 9, -2, 0},
        {"origin need not hold the piece", 4, 4, 5, 5, 9, -2, 1},
    };
    Harness h;
    Form1& f = h.f();
    for (const Case& c : cases) {
        clear_board(f);
        f.board[5][1] = 9;  // the plus chairman, for the drop beside it
        if (c.to_x >= 1 && c.to_x <= 9 && c.to_y >= 1 && c.to_y <= 9 && c.occupant != 0)
            f.board[c.to_x][c.to_y] = c.occupant;
        EXPECT_EQ(f.移動チェック(c.from_x, c.from_y, c.to_x, c.to_y, c.code), c.expected) << c.what;
    }
}

TEST(MoveCheck, DropsReachEveryEmptySquareAndNoOccupiedOne) {
    Harness h;
    Form1& f = h.f();
    for (int hand_x : {Form1::HAND_PLUS_X, Form1::HAND_MINUS_X})
        for (int x = 1; x <= 9; ++x)
            for (int y = 1; y <= 9; ++y) {
                const int code = hand_x == Form1::HAND_PLUS_X ? 4 : -4;
                EXPECT_EQ(f.移動チェック(hand_x, 5, x, y, code), kStartBoard[x][y] == 0 ? 1 : 0)
                    << hand_x << " -> " << x << "," << y;
            }
}

// A capture files the piece into the capturer's hand by kind and keeps the totals.
TEST(MakeMove, CapturesGoIntoTheCapturersHand) {
    for (int sign : {+1, -1})
        for (int kind = 1; kind <= 8; ++kind) {
            Harness h;
            Form1& f = h.f();
            std::vector<Square> keep;
            // The capturer: a chairman takes anything but a secretary, a secretary takes a secretary.
            const int mover = sign * (kind == 1 ? 1 : 9);
            put(f, 5, 5, mover, keep);
            put(f, 6, 6, -sign * kind, keep);
            f.駒移動(5, 5, 6, 6, mover);
            SCOPED_TRACE("capturer " + std::to_string(mover) + " kind " + std::to_string(kind));
            EXPECT_EQ(f.board[5][5], Form1::EMPTY);
            EXPECT_EQ(f.board[6][6], mover);
            int* gained = sign > 0 ? f.hand_plus : f.hand_minus;
            int* other = sign > 0 ? f.hand_minus : f.hand_plus;
            for (int k = 1; k <= 8; ++k) {
                EXPECT_EQ(gained[k], k == kind ? 1 : 0) << k;
                EXPECT_EQ(other[k], 0) << k;
            }
            EXPECT_EQ(sign > 0 ? f.hand_count_plus : f.hand_count_minus, 1);
            EXPECT_EQ(sign > 0 ? f.hand_count_minus : f.hand_count_plus, 0);
            EXPECT_EQ(f.winner, Form1::NONE);
            EXPECT_TRUE(f.調査_局面整合());
        }
}

// The two hands read their row differently: the plus hand gets the kind, the
// minus hand its row (kind + 1).
TEST(MakeMove, DropsFromBothHands) {
    struct Case {
        int hand_x, from_y, code, taken_kind;
    };
    const Case cases[] = {
        {Form1::HAND_PLUS_X, 3, 3, 3},   {Form1::HAND_PLUS_X, 2, 2, 2},   {Form1::HAND_PLUS_X, 8, 8, 8},
        {Form1::HAND_MINUS_X, 3, -2, 2}, {Form1::HAND_MINUS_X, 4, -3, 3}, {Form1::HAND_MINUS_X, 2, -1, 1},
    };
    for (const Case& c : cases) {
        Harness h;
        Form1& f = h.f();
        // The dropping player holds one each of three neighbouring kinds.
        const bool plus = c.hand_x == Form1::HAND_PLUS_X;
        for (int k = c.taken_kind - 1; k <= c.taken_kind + 1; ++k)
            if (k >= 1 && k <= 8) into_hand(f, plus ? -k : k);
        int* hand = plus ? f.hand_plus : f.hand_minus;
        int before[9];
        std::copy(hand, hand + 9, before);
        const int total_before = plus ? f.hand_count_plus : f.hand_count_minus;
        // The dropped piece comes from the enemy's captured set: its code is the dropper's own.
        f.駒移動(c.hand_x, c.from_y, 5, 5, c.code);
        SCOPED_TRACE("hand " + std::to_string(c.hand_x) + " row " + std::to_string(c.from_y));
        EXPECT_EQ(f.board[5][5], c.code);
        for (int k = 1; k <= 8; ++k) EXPECT_EQ(hand[k], before[k] - (k == c.taken_kind ? 1 : 0)) << k;
        EXPECT_EQ(plus ? f.hand_count_plus : f.hand_count_minus, total_before - 1);
        EXPECT_EQ(f.winner, Form1::NONE);
    }
}

// Holding two enemy secretaries at once wins; one dropped back does not count.
// The winner is named by side, whichever side moved first.
TEST(MakeMove, SecondSecretaryWinsOnlyWhileTheFirstIsInHand) {
    for (bool swapped : {false, true})
        for (int sign : {+1, -1})
            for (bool dropped_first : {false, true}) {
                Harness h;
                Form1& f = h.f();
                if (swapped) std::swap(f.man_side, f.com_side);
                // The capturer already holds one enemy secretary.
                into_hand(f, -sign * 1);
                if (dropped_first) {
                    ASSERT_EQ(f.board[5][5], Form1::EMPTY);
                    if (sign > 0)
                        f.駒移動(Form1::HAND_PLUS_X, 1, 5, 5, 1);
                    else
                        f.駒移動(Form1::HAND_MINUS_X, 2, 5, 5, -1);
                }
                std::vector<Square> keep{{5, 5}};
                put(f, 4, 5, sign * 1, keep);
                put(f, 3, 5, -sign * 1, keep);
                f.駒移動(4, 5, 3, 5, sign * 1);
                const int capturer_side = sign > 0 ? f.com_side : f.man_side;
                SCOPED_TRACE(std::string(swapped ? "swapped " : "") + (sign > 0 ? "plus" : "minus") +
                             (dropped_first ? " after a drop" : " with one in hand"));
                EXPECT_EQ(f.調査_持駒数(capturer_side, 1), dropped_first ? 1 : 2);
                EXPECT_EQ(f.winner, dropped_first ? Form1::NONE : capturer_side);
            }
}

TEST(MakeMove, CapturingAChairmanWinsAndFillsNoHand) {
    for (int sign : {+1, -1}) {
        Harness h;
        Form1& f = h.f();
        std::vector<Square> keep;
        put(f, 5, 5, sign * 1, keep);
        put(f, 5, 6, -sign * 9, keep);
        f.駒移動(5, 5, 5, 6, sign * 1);
        EXPECT_EQ(f.winner, sign > 0 ? f.com_side : f.man_side) << sign;
        for (int k = 1; k <= 8; ++k) {
            EXPECT_EQ(f.hand_plus[k], 0);
            EXPECT_EQ(f.hand_minus[k], 0);
        }
        EXPECT_EQ(sign > 0 ? f.hand_count_plus : f.hand_count_minus, 1);
        EXPECT_TRUE(f.調査_局面整合());
    }
}

// The move keeps the minus chairman's square; the plus one waits for the board scan.
TEST(MakeMove, OnlyTheMinusChairmansSquareIsKept) {
    Harness h;
    Form1& f = h.f();
    f.king_minus_x = 5, f.king_minus_y = 9;
    f.king_plus_x = 5, f.king_plus_y = 1;
    f.駒移動(5, 9, 4, 8, -9);
    EXPECT_EQ(f.king_minus_x, 4);
    EXPECT_EQ(f.king_minus_y, 8);
    f.駒移動(5, 1, 4, 2, 9);
    EXPECT_EQ(f.board[4][2], 9);
    EXPECT_EQ(f.king_plus_x, 5);
    EXPECT_EQ(f.king_plus_y, 1);
    // Another minus piece leaves it alone.
    f.駒移動(5, 8, 5, 7, -8);
    EXPECT_EQ(f.king_minus_x, 4);
    EXPECT_EQ(f.king_minus_y, 8);
}

TEST(MakeMove, HandCountsBySide) {
    Harness h;
    Form1& f = h.f();
    f.hand_plus[2] = 3;
    f.hand_minus[2] = 1;
    f.hand_minus[7] = 2;
    struct Case {
        int side, piece, expected;
    };
    const Case cases[] = {
        {f.com_side, 2, 3}, {f.com_side, -2, 3}, {f.man_side, 2, 1}, {f.man_side, -7, 2},
        {f.man_side, 3, 0}, {Form1::NONE, 2, 0}, {f.com_side, 9, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(f.調査_持駒数(c.side, c.piece), c.expected) << c.side << " " << c.piece;
}
