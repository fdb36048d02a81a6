// The two mate tests. They read the maps of the last board scan, which the
// caller runs right before. The minus chairman may defend by capturing its
// weakest attacker and fears only secretaries on its escape squares; the plus
// chairman may only flee, and to a square no minus piece touches.
#include "app/form1.h"

namespace {
bool on_board(int x, int y) { return x >= 1 && x <= Form1::BOARD_N && y >= 1 && y <= Form1::BOARD_N; }
}  // namespace

int Form1::詰めかMAN() {
    const int kx = king_minus_x, ky = king_minus_y;
    if (!on_board(kx, ky) || near_plus[kx][ky] == 0) return FALSE_;

    for (int x = kx - 1; x <= kx + 1; ++x)
        for (int y = ky - 1; y <= ky + 1; ++y)
            if (on_board(x, y) && 移動チェック(kx, ky, x, y, -CHAIRMAN) && near_plus_kind[x][y][SECRETARY] == 0)
                return FALSE_;

    const int ax = low_attacker_x[kx][ky], ay = low_attacker_y[kx][ky];
    for (int x = ax - 1; x <= ax + 1; ++x)
        for (int y = ay - 1; y <= ay + 1; ++y)
            if (on_board(x, y) && 移動チェック(x, y, ax, ay, board[x][y])) return FALSE_;
    return TRUE_;
}

int Form1::詰めかCOM() {
    const int kx = king_plus_x, ky = king_plus_y;
    if (!on_board(kx, ky) || near_minus[kx][ky] == 0) return FALSE_;

    for (int x = kx - 1; x <= kx + 1; ++x)
        for (int y = ky - 1; y <= ky + 1; ++y)
            if (on_board(x, y) && 移動チェック(kx, ky, x, y, CHAIRMAN) && near_minus[x][y] == 0) return FALSE_;
    return TRUE_;
}
