// Making a move or a drop that was already judged legal: captures go into the
// capturer's hand, and the two capture wins are decided here.
#include <cassert>

#include "app/form1.h"

void Form1::駒移動(int 移動元X, int 移動元Y, int 移動先X, int 移動先Y, int 移動駒) {
    assert(移動先X >= 1 && 移動先X <= BOARD_N && 移動先Y >= 1 && 移動先Y <= BOARD_N);
    const int t = board[移動先X][移動先Y];
    if (t <= -1) {
        hand_count_plus += 1;
        駒取得(t);
        描画_敵持盤();
    } else if (t >= 1) {
        hand_count_minus += 1;
        駒取得(t);
        描画_自持盤();
    }

    描画_絵(EMPTY, 移動元X, 移動元Y);
    描画_桝輪郭(bg_colour, 移動元X, 移動元Y);

    board[移動先X][移動先Y] = 移動駒;
    // The plus chairman's square is only refreshed by the board scan.
    if (移動駒 == -CHAIRMAN) {
        king_minus_x = 移動先X;
        king_minus_y = 移動先Y;
    }

    if (移動元X == HAND_PLUS_X) {
        assert(移動元Y >= 1 && 移動元Y <= 8);
        hand_count_plus -= 1;
        hand_plus[移動元Y] -= 1;
        描画_敵持盤();
    } else if (移動元X == HAND_MINUS_X) {
        assert(移動元Y >= 2 && 移動元Y <= 9);
        hand_count_minus -= 1;
        hand_minus[移動元Y - 1] -= 1;
        描画_自持盤();
    } else {
        board[移動元X][移動元Y] = EMPTY;
    }

    描画_絵(移動駒, 移動先X, 移動先Y);
    描画_桝輪郭(bg_colour, 移動先X, 移動先Y);
#ifdef VELMORA_CHECKS
    // The handicap ladder takes pieces off the board, so only full sets are checked.
    assert(handicap_flag || 調査_局面整合());
#endif
}

void Form1::駒取得(int 取得駒) {
    const int c = 取得駒;
    if (c == SECRETARY) {
        hand_minus[SECRETARY] += 1;
        if (調査_持駒数(man_side, SECRETARY) >= 2) winner = man_side;
    } else if (c >= STAFF && c <= PRESIDENT) {
        hand_minus[c] += 1;
    } else if (c == CHAIRMAN) {
        winner = man_side;
    } else if (c == -SECRETARY) {
        hand_plus[SECRETARY] += 1;
        if (調査_持駒数(com_side, -SECRETARY) >= 2) winner = com_side;
    } else if (c <= -STAFF && c >= -PRESIDENT) {
        hand_plus[-c] += 1;
    } else if (c == -CHAIRMAN) {
        winner = com_side;
    }
}

int Form1::調査_持駒数(int I_手番, int I_駒) const {
    const int k = I_駒 < 0 ? -I_駒 : I_駒;
    if (k < 0 || k > 8) return 0;
    if (I_手番 == com_side) return hand_plus[k];
    if (I_手番 == man_side) return hand_minus[k];
    return 0;
}
