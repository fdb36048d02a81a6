// A whole game against the computer, played with real mouse presses on the
// board view from "先手" to a result. At every move the record, the move
// counter, the clocks and the hands must tell the same story as the board.
#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>
#include <string>
#include <utility>
#include <vector>

#include "support/play_support.h"

using namespace play_support;

namespace {

constexpr double kHumanThinks = 7.0;  // seconds the human spends on every move
constexpr int kMaxHumanMoves = 240;   // leaves room in the record for both sides

struct Candidate {
    int from_x = 0, from_y = 0, to_x = 0, to_y = 0, piece = 0, captured = 0;
    bool found = false;
};

// May the plus piece p take the minus piece t (t < 0)?
bool plus_takes(int p, int t) {
    if (p == Form1::SECRETARY && t == -Form1::CHAIRMAN) return true;
    if (p == Form1::CHAIRMAN && t == -Form1::SECRETARY) return false;
    return -t <= p;
}

// After the human's candidate move, can the computer take the minus chairman,
// or a second minus secretary, at once?
bool obviously_losing(const Form1& f, const Candidate& c) {
    int b[10][10];
    std::copy(&f.board[0][0], &f.board[0][0] + 100, &b[0][0]);
    if (c.from_x >= 1 && c.from_x <= 9) b[c.from_x][c.from_y] = Form1::EMPTY;
    b[c.to_x][c.to_y] = c.piece;
    for (int x = 1; x <= 9; ++x)
        for (int y = 1; y <= 9; ++y) {
            const int t = b[x][y];
            const bool target =
                t == -Form1::CHAIRMAN || (t == -Form1::SECRETARY && f.hand_plus[Form1::SECRETARY] >= 1);
            if (!target) continue;
            for (int ax = x - 1; ax <= x + 1; ++ax)
                for (int ay = y - 1; ay <= y + 1; ++ay)
                    if (ax >= 1 && ax <= 9 && ay >= 1 && ay <= 9 && b[ax][ay] > 0 && plus_takes(b[ax][ay], t))
                        return true;
        }
    return false;
}

// Every legal move of the minus player, steps in scan order, then drops.
std::vector<Candidate> human_moves(const Form1& f) {
    std::vector<Candidate> out;
    for (int x = 1; x <= 9; ++x)
        for (int y = 1; y <= 9; ++y) {
            const int p = f.board[x][y];
            if (p >= 0) continue;
            for (int tx = x - 1; tx <= x + 1; ++tx)
                for (int ty = y - 1; ty <= y + 1; ++ty)
                    if (f.移動チェック(x, y, tx, ty, p))
                        out.push_back({x, y, tx, ty, p, f.board[tx][ty], true});
        }
    for (int k = 1; k <= 8; ++k) {
        if (f.hand_minus[k] <= 0) continue;
        for (int tx = 1; tx <= 9; ++tx)
            for (int ty = 1; ty <= 9; ++ty)
                if (f.移動チェック(Form1::HAND_MINUS_X, k + 1, tx, ty, -k))
                    out.push_back({Form1::HAND_MINUS_X, k + 1, tx, ty, -k, Form1::EMPTY, true});
    }
    return out;
}

// Take the chairman or the second secretary when possible; otherwise the
// safe capture of the highest rank; otherwise the first safe step towards the
// computer's side; otherwise the first safe move.
Candidate choose(const Form1& f) {
    const std::vector<Candidate> all = human_moves(f);
    for (const Candidate& c : all)
        if (c.captured == Form1::CHAIRMAN ||
            (c.captured == Form1::SECRETARY && f.hand_minus[Form1::SECRETARY] >= 1))
            return c;
    Candidate best, forward, first_safe;
    for (const Candidate& c : all) {
        if (obviously_losing(f, c)) continue;
        if (!first_safe.found) first_safe = c;
        if (!forward.found && c.from_x != Form1::HAND_MINUS_X && c.to_y < c.from_y) forward = c;
        if (c.captured > 0 && (!best.found || c.captured > best.captured)) best = c;
    }
    if (best.found) return best;
    if (forward.found) return forward;
    if (first_safe.found) return first_safe;
    return all.empty() ? Candidate{} : all.front();
}

// Replays the record from the starting position and compares it with the
// board and the hands; also checks that the clock columns join up.
::testing::AssertionResult record_tells_the_board(const Form1& f, bool human_first) {
    int b[10][10];
    std::copy(&kStartBoard[0][0], &kStartBoard[0][0] + 100, &b[0][0]);
    int minus[9] = {}, plus[9] = {};
    for (int n = 1; n <= f.rec_pos; ++n) {
        const int fx = f.rec_from_x[n], fy = f.rec_from_y[n], tx = f.rec_to_x[n], ty = f.rec_to_y[n];
        const int piece = f.rec_piece_to[n];
        // Odd entries are the first player's moves.
        if ((n % 2 == 1) != (human_first == (piece < 0)))
            return ::testing::AssertionFailure() << "move " << n << " is by the wrong side: " << piece;
        if (b[tx][ty] != f.rec_captured[n])
            return ::testing::AssertionFailure() << "move " << n << " captured " << f.rec_captured[n]
                                                 << " but " << b[tx][ty] << " stood there";
        const int t = b[tx][ty];
        if (t < 0 && t != -Form1::CHAIRMAN) plus[-t] += 1;
        if (t > 0 && t != Form1::CHAIRMAN) minus[t] += 1;
        if (fx == Form1::HAND_PLUS_X) {
            plus[piece] -= 1;
        } else if (fx == Form1::HAND_MINUS_X) {
            minus[-piece] -= 1;
        } else {
            if (b[fx][fy] != f.rec_piece_from[n] || f.rec_piece_from[n] != piece)
                return ::testing::AssertionFailure()
                       << "move " << n << " left from a square holding " << b[fx][fy];
            b[fx][fy] = Form1::EMPTY;
        }
        b[tx][ty] = piece;
        if (n > 1 &&
            (f.rec_man_before[n] != f.rec_man_after[n - 1] || f.rec_com_before[n] != f.rec_com_after[n - 1]))
            return ::testing::AssertionFailure()
                   << "the clocks of move " << n << " do not follow move " << n - 1;
        const double man_spent = f.rec_man_after[n] - f.rec_man_before[n];
        const double com_spent = f.rec_com_after[n] - f.rec_com_before[n];
        if (piece < 0 && (man_spent != kHumanThinks || com_spent != 0))
            return ::testing::AssertionFailure()
                   << "the human's move " << n << " charged " << man_spent << " / " << com_spent;
        if (piece > 0 && man_spent != 0)
            return ::testing::AssertionFailure() << "the computer's move " << n << " charged the human";
    }
    for (int x = 1; x <= 9; ++x)
        for (int y = 1; y <= 9; ++y)
            if (b[x][y] != f.board[x][y])
                return ::testing::AssertionFailure() << "(" << x << "," << y << ") holds " << f.board[x][y]
                                                     << " but the record says " << b[x][y];
    for (int k = 1; k <= 8; ++k)
        if (minus[k] != f.hand_minus[k] || plus[k] != f.hand_plus[k])
            return ::testing::AssertionFailure() << "hands of kind " << k << " differ from the record";
    return ::testing::AssertionSuccess();
}

class WholeGame : public ::testing::TestWithParam<bool> {};

TEST_P(WholeGame, AgainstTheComputerToAResultWithMousePresses) {
    const bool human_first = GetParam();
    Harness h;
    name_sounds(h);
    Form1& f = h.f();
    h.clear_log();
    if (human_first) {
        f.SENTE_Click();
        ASSERT_EQ(f.move_no, 0);
    } else {
        f.GOTE_Click();
        ASSERT_EQ(f.move_no, 1);
        ASSERT_TRUE(msg_events(h).empty());
    }
    ASSERT_EQ(f.turn, f.man_side);

    int human_moves_made = 0;
    while (f.winner == Form1::NONE && human_moves_made < kMaxHumanMoves) {
        ASSERT_EQ(f.turn, f.man_side) << "after " << f.move_no << " moves";
        const Candidate c = choose(f);
        ASSERT_TRUE(c.found) << "the human has no move after " << f.move_no << " moves";
        const int moves_before = f.move_no;
        h.now += kHumanThinks;
        if (c.from_x == Form1::HAND_MINUS_X)
            click_view(h, Form1::HAND_MINUS_X, c.from_y);
        else
            click_view(h, c.from_x, c.from_y);
        ASSERT_EQ(f.click_phase, 1);
        click_view(h, c.to_x, c.to_y);
        ++human_moves_made;

        EXPECT_EQ(f.click_phase, 0);
        // One move if the human's move ended the game, else the computer's reply as well.
        if (f.winner == f.man_side && f.move_no == moves_before + 1) {
            EXPECT_EQ(f.rec_piece_to[f.rec_pos], c.piece);
        } else {
            ASSERT_EQ(f.move_no, moves_before + 2) << "the computer did not answer";
            EXPECT_EQ(f.rec_piece_to[moves_before + 1], c.piece);
            EXPECT_GT(f.rec_piece_to[moves_before + 2], 0);
        }
        ASSERT_TRUE(f.調査_局面整合()) << "after " << f.move_no << " moves";
        ASSERT_EQ(f.rec_pos, f.move_no);
        ASSERT_EQ(f.rec_len, f.rec_pos);
        ASSERT_TRUE(record_tells_the_board(f, human_first)) << "after " << f.move_no << " moves";
        if (f.winner == Form1::NONE) {
            EXPECT_DOUBLE_EQ(f.man_secs, f.rec_man_after[f.rec_pos]);
            EXPECT_DOUBLE_EQ(f.com_secs, f.rec_com_after[f.rec_pos]);
            EXPECT_DOUBLE_EQ(f.man_secs, kHumanThinks * human_moves_made);
        }
    }
    ASSERT_NE(f.winner, Form1::NONE) << "no result after " << f.move_no << " moves";
    EXPECT_EQ(h.count_events("play 禁止"), 0);
    // Every move made, the human's and the computer's, played the placing sound once.
    EXPECT_EQ(h.count_events("play 駒打音"), f.move_no);
    const std::string last = msg_events(h).back();
    if (f.winner == f.man_side)
        EXPECT_EQ(last, "msg あなたの勝ちです|終了");
    else
        EXPECT_EQ(last, "msg ｺﾝﾋﾟｭｰﾀの勝ちです|終了");
    // The winning move handed the turn over, whoever made it.
    EXPECT_EQ(f.turn, f.winner == f.man_side ? f.com_side : f.man_side);
    EXPECT_FALSE(f.Timer1->isActive());

    // The game is over: presses only ask for a new game, and nothing moves.
    const int moves = f.move_no;
    h.clear_log();
    click_view(h, 5, 9);
    click_view(h, 5, 8);
    EXPECT_EQ(h.events, (std::vector<std::string>{"msg 新規に対局してください|終局",
                                                  "msg 新規に対局してください|終局"}));
    EXPECT_EQ(f.move_no, moves);
    std::cout << "[ result   ] " << (f.winner == f.man_side ? "the human" : "the computer") << " won after "
              << moves << " moves\n";
}

INSTANTIATE_TEST_SUITE_P(Velmora, WholeGame, ::testing::Values(true, false),
                         [](const auto& i) { return std::string(i.param ? "HumanFirst" : "HumanSecond"); });

// Two humans play by hand, each taking its own time; stepping all the way back
// and forward again brings back exactly the clocks of the game, whoever moved first.
TEST(WholeGame, HumansGameSteppedBackAndForthKeepsBothClocks) {
    struct Move {
        int fx, fy, tx, ty;
        double secs;
    };
    // The minus player's and the plus player's moves in turn, starting with the minus player.
    const std::vector<Move> moves = {
        {1, 6, 1, 5, 4.0}, {9, 4, 9, 5, 11.5}, {3, 6, 3, 5, 2.25}, {7, 4, 7, 5, 30.0}, {5, 6, 5, 5, 1.0},
    };
    for (bool minus_first : {true, false}) {
        Harness h;
        name_sounds(h);
        Form1& f = h.f();
        if (minus_first) {
            f.START_Click();
        } else {
            f.GOTE_Click();  // the computer opens, then the game goes on by hand
            f.START_Click();
        }
        const int first = f.rec_pos;
        std::vector<std::pair<double, double>> clocks = {{f.man_secs, f.com_secs}};  // after each move
        for (size_t i = 0; i < moves.size(); ++i) {
            const Move& m = moves[i];
            ASSERT_EQ(f.turn, i % 2 == 0 ? f.man_side : f.com_side) << minus_first << " move " << i;
            h.now += m.secs;
            h.press(m.fx, m.fy);
            h.press(m.tx, m.ty);
            ASSERT_EQ(f.rec_pos, first + static_cast<int>(i) + 1) << minus_first << " move " << i;
            auto [man, com] = clocks.back();
            (i % 2 == 0 ? man : com) += m.secs;
            clocks.push_back({man, com});
            EXPECT_DOUBLE_EQ(f.man_secs, man) << minus_first << " move " << i;
            EXPECT_DOUBLE_EQ(f.com_secs, com) << minus_first << " move " << i;
        }
        for (size_t i = moves.size(); i-- > 0;) {
            f.REPLAY_Click();
            EXPECT_DOUBLE_EQ(f.man_secs, clocks[i].first) << minus_first << " back to " << i;
            EXPECT_DOUBLE_EQ(f.com_secs, clocks[i].second) << minus_first << " back to " << i;
        }
        for (size_t i = 1; i <= moves.size(); ++i) {
            f.AFTER_Click();
            EXPECT_EQ(f.rec_pos, first + static_cast<int>(i)) << minus_first;
            EXPECT_DOUBLE_EQ(f.man_secs, clocks[i].first) << minus_first << " forward to " << i;
            EXPECT_DOUBLE_EQ(f.com_secs, clocks[i].second) << minus_first << " forward to " << i;
        }
    }
}

}  // namespace
