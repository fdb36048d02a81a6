// Move legality: every piece steps one square; captures only of equal or lower
// rank, except that a secretary may take the enemy chairman and a chairman may
// not take the enemy secretary. A piece in hand may drop on any empty square.
#include <cstdlib>

#include "app/form1.h"

int Form1::移動チェック(int 移動元X, int 移動元Y, int 移動先X, int 移動先Y, int 移動駒種類) const {
    if (移動先X < 1 || 移動先X > BOARD_N || 移動先Y < 1 || 移動先Y > BOARD_N) return FALSE_;
    if (移動元X == 移動先X && 移動元Y == 移動先Y) return FALSE_;
    if (移動元X == HAND_MINUS_X || 移動元X == HAND_PLUS_X)
        return board[移動先X][移動先Y] == EMPTY ? TRUE_ : FALSE_;
    if (std::abs(移動元X - 移動先X) > 1 || std::abs(移動元Y - 移動先Y) > 1) return FALSE_;

    const int t = board[移動先X][移動先Y];
    if (移動駒種類 >= 1) {
        if (t >= 1) return FALSE_;
        if (移動駒種類 == CHAIRMAN && t == -SECRETARY) return FALSE_;
        if (移動駒種類 == SECRETARY && t == -CHAIRMAN) return TRUE_;
        return std::abs(t) > 移動駒種類 ? FALSE_ : TRUE_;
    }
    if (t <= -1) return FALSE_;
    if (移動駒種類 == -CHAIRMAN && t == SECRETARY) return FALSE_;
    if (移動駒種類 == -SECRETARY && t == CHAIRMAN) return TRUE_;
    return t > std::abs(移動駒種類) ? FALSE_ : TRUE_;
}
