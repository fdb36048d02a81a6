// The board scan, the evaluation of one trial move (in tenths) and the two
// mate tests, on positions built square by square.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "support/harness.h"

namespace {

struct Piece {
    int x, y, code;
};

// An empty board with only the given pieces; both hands empty.
void set_up(Form1& f, const std::vector<Piece>& pieces) {
    for (int x = 1; x <= 9; ++x)
        for (int y = 1; y <= 9; ++y) f.board[x][y] = Form1::EMPTY;
    for (int k = 1; k <= 8; ++k) f.hand_plus[k] = f.hand_minus[k] = 0;
    f.hand_count_plus = f.hand_count_minus = 0;
    for (const Piece& p : pieces) f.board[p.x][p.y] = p.code;
}

// Tries a step the way the computer does: on the board, scanned, scored, taken back.
int score_step(Form1& f, int fx, int fy, int tx, int ty) {
    const int p = f.board[fx][fy];
    const int c = f.board[tx][ty];
    f.board[fx][fy] = Form1::EMPTY;
    f.board[tx][ty] = p;
    f.勢力調査();
    const int v = f.盤評価(c, fx, fy, tx, ty);
    f.board[tx][ty] = c;
    f.board[fx][fy] = p;
    return v;
}

int score_drop(Form1& f, int k, int tx, int ty) {
    f.board[tx][ty] = k;
    f.勢力調査();
    const int v = f.盤評価(Form1::EMPTY, Form1::HAND_PLUS_X, k, tx, ty);
    f.board[tx][ty] = Form1::EMPTY;
    return v;
}

// Both chairmen far from the action: plus in the top-left corner, minus in the bottom-right one.
const Piece kPlusKing{1, 1, 9};
const Piece kMinusKing{9, 9, -9};

struct EvalCase {
    const char* name;
    std::vector<Piece> pieces;
    int fx, fy, tx, ty;     // fx = -1: a drop of kind fy
    int minus_secretaries;  // plus secretaries held by the minus player
    int tenths;
};

int score_case(Form1& f, const EvalCase& c) {
    set_up(f, c.pieces);
    f.hand_minus[Form1::SECRETARY] = c.minus_secretaries;
    return c.fx < 0 ? score_drop(f, c.fy, c.tx, c.ty) : score_step(f, c.fx, c.fy, c.tx, c.ty);
}

}  // namespace

TEST(Evaluation, ScoresInTenthsAtLevelThree) {
    const std::vector<EvalCase> cases = {
        // The worked values.
        {"staff forward", {kPlusKing, kMinusKing, {5, 5, 2}}, 5, 5, 5, 6, 0, 2},
        {"staff sideways", {kPlusKing, kMinusKing, {5, 5, 2}}, 5, 5, 4, 5, 0, -98},
        {"staff backwards", {kPlusKing, kMinusKing, {5, 5, 2}}, 5, 5, 5, 4, 0, -98},
        {"staff forward beside a minus clerk",
         {kPlusKing, kMinusKing, {5, 5, 2}, {5, 7, -3}},
         5,
         5,
         5,
         6,
         0,
         -100},
        {"clerk takes a staff", {kPlusKing, kMinusKing, {5, 5, 3}, {5, 6, -2}}, 5, 5, 5, 6, 0, 103},
        {"staff takes a staff", {kPlusKing, kMinusKing, {5, 5, 2}, {5, 6, -2}}, 5, 5, 5, 6, 0, 502},
        // Every drop costs half a point; a drop of kind k on a row up to k also counts as not advancing.
        {"staff dropped on row 5", {kPlusKing, kMinusKing}, -1, 2, 5, 5, 0, -48},
        {"dept head dropped on row 5", {kPlusKing, kMinusKing}, -1, 5, 5, 5, 0, -145},
        {"dept head dropped on row 6", {kPlusKing, kMinusKing}, -1, 5, 5, 6, 0, -45},
        // Flags.
        {"staff escapes a clerk", {kPlusKing, kMinusKing, {5, 5, 2}, {4, 4, -3}}, 5, 5, 6, 6, 0, 102},
        {"staff next to a weaker piece can strike",
         {kPlusKing, kMinusKing, {5, 5, 3}, {5, 7, -2}},
         5,
         5,
         5,
         6,
         0,
         23},
        {"in danger before and after", {kPlusKing, kMinusKing, {5, 5, 2}, {4, 5, -3}}, 5, 5, 4, 6, 0, 0},
        {"secretary flees", {kPlusKing, kMinusKing, {5, 5, 1}, {4, 4, -2}}, 5, 5, 6, 6, 0, 101},
        {"last secretary flees", {kPlusKing, kMinusKing, {5, 5, 1}, {4, 4, -2}}, 5, 5, 6, 6, 1, 5101},
        {"secretary walks into a staff", {kPlusKing, kMinusKing, {5, 5, 1}, {5, 7, -2}}, 5, 5, 5, 6, 0, -50},
        {"staff beside a minus secretary",
         {kPlusKing, kMinusKing, {5, 5, 2}, {6, 7, -1}},
         5,
         5,
         5,
         6,
         0,
         112},
        {"two minus secretaries around",
         {kPlusKing, kMinusKing, {5, 5, 2}, {6, 7, -1}, {4, 7, -1}},
         5,
         5,
         5,
         6,
         0,
         212},
        // Verdicts.
        {"takes the minus chairman", {kPlusKing, {5, 5, 1}, {5, 6, -9}}, 5, 5, 5, 6, 0, 99990},
        {"takes a minus secretary", {kPlusKing, kMinusKing, {5, 5, 2}, {5, 6, -1}}, 5, 5, 5, 6, 0, 99980},
        {"a minus staff beside the plus chairman",
         {kPlusKing, kMinusKing, {2, 2, -2}, {5, 5, 2}},
         5,
         5,
         5,
         6,
         0,
         -99980},
        {"drop beside the plus chairman's attacker",
         {kPlusKing, kMinusKing, {2, 2, -2}},
         -1,
         3,
         5,
         6,
         0,
         -99980},
        // Verdicts come in order: captures first, then the exposed plus chairman, then mate.
        {"chairman taken while exposed",
         {kPlusKing, {2, 2, -2}, {5, 5, 1}, {5, 6, -9}},
         5,
         5,
         5,
         6,
         0,
         99990},
        {"secretary taken while exposed",
         {kPlusKing, kMinusKing, {2, 2, -2}, {5, 5, 2}, {5, 6, -1}},
         5,
         5,
         5,
         6,
         0,
         99980},
        {"mate while exposed", {kPlusKing, {2, 2, -2}, {1, 5, -9}, {3, 4, 1}}, 3, 4, 2, 5, 0, -99980},
        {"mate", {kPlusKing, {1, 5, -9}, {3, 4, 1}}, 3, 4, 2, 5, 0, 99980},
        {"mating drop", {kPlusKing, {1, 5, -9}}, -1, 1, 2, 5, 0, 99980},
    };
    Harness h;
    Form1& f = h.f();
    ASSERT_EQ(f.com_level, 3);
    for (const EvalCase& c : cases) EXPECT_EQ(score_case(f, c), c.tenths) << c.name;
}

// The danger flags at their boundaries: equal ranks threaten each other, a
// weaker neighbour does not, and the chairman and the secretary have their own rules.
TEST(Evaluation, DangerFlagsAtEqualRankAndForTheTwoSpecialPieces) {
    const std::vector<EvalCase> cases = {
        {"staff escapes an equal staff", {kPlusKing, kMinusKing, {5, 5, 2}, {4, 4, -2}}, 5, 5, 6, 6, 0, 102},
        {"clerk leaves a weaker staff: no escape",
         {kPlusKing, kMinusKing, {5, 5, 3}, {4, 4, -2}},
         5,
         5,
         6,
         6,
         0,
         3},
        {"staff walks beside an equal staff",
         {kPlusKing, kMinusKing, {5, 5, 2}, {5, 7, -2}},
         5,
         5,
         5,
         6,
         0,
         -100},
        {"secretary walks beside a minus secretary",
         {kPlusKing, kMinusKing, {5, 5, 1}, {5, 7, -1}},
         5,
         5,
         5,
         6,
         0,
         -50},
        // A secretary leaving the minus chairman's side has fled too.
        {"secretary leaves the minus chairman", {kPlusKing, {4, 4, -9}, {5, 5, 1}}, 5, 5, 6, 6, 0, 101},
        // The chairman earns no escape bonus: 0.9 + 1 (advance) + 0.1 + 0.1 (closing in).
        {"chairman steps away from a minus secretary",
         {{5, 5, 9}, {4, 4, -1}, kMinusKing},
         5,
         5,
         6,
         6,
         0,
         21},
    };
    Harness h;
    Form1& f = h.f();
    ASSERT_EQ(f.com_level, 3);
    for (const EvalCase& c : cases) EXPECT_EQ(score_case(f, c), c.tenths) << c.name;
}

TEST(Evaluation, LevelTwoDropsOnlyTheSecretaryAndChairmanTerms) {
    struct LevelCase {
        const char* name;
        EvalCase eval;
        int level2;  // levels 1 and 3 give eval.tenths
    };
    const std::vector<LevelCase> cases = {
        {"chairman advances diagonally", {"", {kMinusKing, {1, 1, 9}}, 1, 1, 2, 2, 0, 21}, 9},
        {"chairman sideways toward", {"", {kMinusKing, {1, 1, 9}}, 1, 1, 2, 1, 0, -90}, -91},
        {"secretary beside the minus chairman",
         {"", {kPlusKing, {5, 7, -9}, {5, 5, 1}}, 5, 5, 5, 6, 0, 201},
         1},
        {"secretary elsewhere", {"", {kPlusKing, kMinusKing, {5, 5, 1}}, 5, 5, 5, 6, 0, 1}, 1},
        {"staff", {"", {kPlusKing, kMinusKing, {5, 5, 2}}, 5, 5, 5, 6, 0, 2}, 2},
        {"clerk takes a staff",
         {"", {kPlusKing, kMinusKing, {5, 5, 3}, {5, 6, -2}}, 5, 5, 5, 6, 0, 103},
         103},
        {"president dropped", {"", {kPlusKing, kMinusKing}, -1, 8, 5, 9, 0, -42}, -42},
    };
    Harness h;
    Form1& f = h.f();
    for (const LevelCase& c : cases) {
        for (int level : {1, 2, 3}) {
            f.com_level = level;
            EXPECT_EQ(score_case(f, c.eval), level == 2 ? c.level2 : c.eval.tenths)
                << c.name << " level " << level;
        }
    }
}

TEST(BoardScan, TwoLoneChairmenTouchOnlyTheirNeighbours) {
    Harness h;
    Form1& f = h.f();
    set_up(f, {{5, 1, 9}, {4, 9, -9}});
    f.king_plus_x = f.king_plus_y = f.king_minus_x = f.king_minus_y = 0;
    f.勢力調査();
    EXPECT_EQ(f.king_plus_x, 5);
    EXPECT_EQ(f.king_plus_y, 1);
    EXPECT_EQ(f.king_minus_x, 4);
    EXPECT_EQ(f.king_minus_y, 9);
    auto next_to = [](int x, int y, int kx, int ky) {
        return (x != kx || y != ky) && std::abs(x - kx) <= 1 && std::abs(y - ky) <= 1;
    };
    for (int x = 1; x <= 9; ++x)
        for (int y = 1; y <= 9; ++y) {
            const int plus = next_to(x, y, 5, 1) ? 1 : 0;
            const int minus = next_to(x, y, 4, 9) ? 1 : 0;
            EXPECT_EQ(f.near_plus[x][y], plus) << x << "," << y;
            EXPECT_EQ(f.near_minus[x][y], minus) << x << "," << y;
            for (int k = 1; k <= 9; ++k) {
                EXPECT_EQ(f.near_plus_kind[x][y][k], k == 9 ? plus : 0) << x << "," << y << " kind " << k;
                EXPECT_EQ(f.near_minus_kind[x][y][k], k == 9 ? minus : 0) << x << "," << y << " kind " << k;
            }
            EXPECT_EQ(f.low_attacker_code[x][y], 999) << x << "," << y;
        }
}

TEST(BoardScan, CountsByKindAndKeepsAMissingChairmansSquare) {
    Harness h;
    Form1& f = h.f();
    set_up(f, {{5, 5, -3}, {4, 4, 2}, {6, 6, 2}, {5, 6, -3}, {5, 4, 7}});
    f.king_plus_x = 3;
    f.king_plus_y = 3;
    f.king_minus_x = 7;
    f.king_minus_y = 7;
    f.勢力調査();
    // No chairman on the board: the old squares stay.
    EXPECT_EQ(f.king_plus_x, 3);
    EXPECT_EQ(f.king_plus_y, 3);
    EXPECT_EQ(f.king_minus_x, 7);
    EXPECT_EQ(f.king_minus_y, 7);
    // (5,5) itself does not count; its neighbours: two plus staffs, a plus senior director, a minus clerk.
    EXPECT_EQ(f.near_plus[5][5], 3);
    EXPECT_EQ(f.near_plus_kind[5][5][2], 2);
    EXPECT_EQ(f.near_plus_kind[5][5][7], 1);
    EXPECT_EQ(f.near_minus[5][5], 1);
    EXPECT_EQ(f.near_minus_kind[5][5][3], 1);
    // Counts do not care what stands on the square: (4,4) holds a plus staff.
    EXPECT_EQ(f.near_minus[4][4], 1);
    EXPECT_EQ(f.near_plus[4][4], 1);
    EXPECT_EQ(f.near_plus_kind[4][4][7], 1);
    // The weakest attacker is recorded only on squares holding a minus piece.
    EXPECT_EQ(f.low_attacker_code[4][4], 999);
    EXPECT_EQ(f.low_attacker_code[5][6], 2);
    EXPECT_EQ(f.low_attacker_x[5][6], 6);
    EXPECT_EQ(f.low_attacker_y[5][6], 6);
}

TEST(BoardScan, WeakestAttackerIsTheLowestCodeFirstInColumnThenRowOrder) {
    struct TieCase {
        const char* name;
        std::vector<Piece> attackers;  // around a minus clerk on (5,5)
        int code, x, y;
    };
    const std::vector<TieCase> cases = {
        {"smaller column wins a tie", {{6, 4, 2}, {4, 6, 2}}, 2, 4, 6},
        {"smaller row wins a tie in one column", {{4, 6, 2}, {4, 4, 2}}, 2, 4, 4},
        {"three equal", {{6, 6, 3}, {5, 6, 3}, {5, 4, 3}}, 3, 5, 4},
        {"a lower code beats an earlier square", {{4, 4, 3}, {6, 6, 2}}, 2, 6, 6},
        {"a secretary beats a chairman", {{4, 5, 9}, {6, 5, 1}}, 1, 6, 5},
    };
    Harness h;
    Form1& f = h.f();
    for (const TieCase& c : cases) {
        std::vector<Piece> pieces = c.attackers;
        pieces.push_back({5, 5, -3});
        set_up(f, pieces);
        f.勢力調査();
        EXPECT_EQ(f.low_attacker_code[5][5], c.code) << c.name;
        EXPECT_EQ(f.low_attacker_x[5][5], c.x) << c.name;
        EXPECT_EQ(f.low_attacker_y[5][5], c.y) << c.name;
    }
    // A new scan resets the code but leaves the square of the last attacker.
    set_up(f, {{5, 5, -3}});
    f.勢力調査();
    EXPECT_EQ(f.low_attacker_code[5][5], 999);
    EXPECT_EQ(f.low_attacker_x[5][5], 6);
    EXPECT_EQ(f.low_attacker_y[5][5], 5);
}

TEST(MateTests, MinusChairmanAndPlusChairman) {
    struct MateCase {
        const char* name;
        std::vector<Piece> pieces;
        int man, com;  // 詰めかMAN, 詰めかCOM
    };
    // The minus chairman stands on the left edge at (1,5); the plus chairman on the top edge at (5,1).
    const Piece man{1, 5, -9};
    const Piece com{5, 1, 9};
    const std::vector<MateCase> cases = {
        {"nobody near", {man, com}, 0, 0},
        {"a secretary closes every escape", {man, com, {2, 5, 1}}, 1, 0},
        {"a plus staff can be taken by the chairman", {man, com, {2, 5, 2}}, 0, 0},
        // Other plus pieces beside an escape square do not close it.
        {"a clerk does not close a square", {man, com, {2, 4, 1}, {1, 7, 3}}, 0, 0},
        {"a minus staff takes the secretary", {man, com, {2, 5, 1}, {3, 4, -2}}, 0, 0},
        // Only the weakest attacker's capture counts: taking the staff on (1,4) does not help.
        {"a defender of the wrong attacker", {man, com, {2, 5, 1}, {1, 4, 2}, {1, 3, -5}}, 1, 0},
        {"the defender reaches the weakest", {man, com, {2, 5, 1}, {1, 4, 2}, {3, 4, -5}}, 0, 0},
        // Two secretaries: the one met first in the scan (2,4) is the attacker that must be taken.
        {"two secretaries, the later one taken", {man, com, {2, 4, 1}, {2, 6, 1}, {3, 7, -2}}, 1, 0},
        {"two secretaries, the first one taken", {man, com, {2, 4, 1}, {2, 6, 1}, {3, 3, -2}}, 0, 0},
        // The plus chairman: any minus piece makes a square unsafe, and capturing is no defence.
        {"a minus staff beside the plus chairman", {man, com, {5, 2, -2}}, 0, 0},
        {"two minus staffs in a file", {man, com, {5, 2, -2}, {5, 3, -2}}, 0, 1},
        {"the attacker could be taken by a plus piece", {man, com, {5, 2, -2}, {5, 3, -2}, {6, 3, 7}}, 0, 1},
        {"the plus chairman may not take a secretary", {man, com, {5, 2, -1}}, 0, 1},
        // The mirror of the plus chairman's mate does not mate the minus chairman.
        {"mirror: two plus staffs in a file", {{5, 9, -9}, com, {5, 8, 2}, {5, 7, 2}}, 0, 0},
        {"mirror: two plus secretaries in a file", {{5, 9, -9}, {9, 1, 9}, {5, 8, 1}, {5, 7, 1}}, 1, 0},
    };
    Harness h;
    Form1& f = h.f();
    for (const MateCase& c : cases) {
        set_up(f, c.pieces);
        f.勢力調査();
        EXPECT_EQ(f.詰めかMAN(), c.man) << c.name;
        EXPECT_EQ(f.詰めかCOM(), c.com) << c.name;
    }
}
