// The board, the hands, the labels, the background and the move counter,
// each painted from the state with the drawing primitives.
#include "app/form1.h"

namespace {
// Sizes in points.
constexpr int kColumnLabelPoints = 16, kRowLabelPoints = 12, kHandCountPoints = 14;
constexpr int kMoveNumberPoints = 12, kMoveSuffixPoints = 10;
constexpr int kMoveSuffixCode = 99;
constexpr int kHandKinds = 8;  // a chairman is never held in hand
// The background covers these cells, board squares excepted.
constexpr int kBackgroundFirstX = -3, kBackgroundLastX = 28, kBackgroundFirstY = -2, kBackgroundLastY = 17;
}  // namespace

void Form1::描画_手数(int 数値, int) {
    描画_絵(bg_kind, 13, 3);
    描画_絵(bg_kind, 14, 3);
    描画_桝輪郭(bg_colour, 11, 3);
    // Each extra digit starts 0.1 cell further left, so the last digit stays put.
    const double shift = 数値 < 10 ? 0.0 : 数値 < 100 ? 0.1 : 0.2;
    描画_数値(13.3 - shift, 3.4, 数値, 色_影(), 0, kMoveNumberPoints);
    描画_数値(13.2 - shift, 3.3, 数値, 色_文字(), 0, kMoveNumberPoints);
    描画_文字列(13.9, 3.2, kMoveSuffixCode, 色_影(), kMoveSuffixPoints);
    描画_文字列(13.8, 3.1, kMoveSuffixCode, 色_文字(), kMoveSuffixPoints);
}

void Form1::描画_桝_数値() {
    const int main = 色_文字(), shadow = 色_影();
    // Bold from here on, for every text on the board.
    text_font.setBold(true);
    for (int x = 1; x <= BOARD_N; ++x) {
        描画_絵(bg_kind, x, 0);
        // Columns read 9 .. 1 from the left.
        描画_数値(x + 0.2, 0.5, 10 - x, shadow, 0, kColumnLabelPoints);
        描画_数値(x + 0.1, 0.4, 10 - x, main, 0, kColumnLabelPoints);
        描画_絵(bg_kind, 10, x);
        描画_数値(10.2, x + 0.4, x, shadow, 1, kRowLabelPoints);
        描画_数値(10.1, x + 0.3, x, main, 1, kRowLabelPoints);
        描画_桝輪郭(bg_colour, 9, x);
    }
    for (int i = 1; i <= kHandKinds; ++i) 描画_桝輪郭(bg_colour, HAND_MINUS_X, i + 1);
}

void Form1::描画_盤() {
    for (int x = 1; x <= BOARD_N; ++x)
        for (int y = 1; y <= BOARD_N; ++y) {
            描画_絵(board[x][y], x, y);
            描画_桝輪郭(bg_colour, x, y);
        }
}

void Form1::描画_自持盤() {
    // Kind i sits in row i + 1: the secretary at the top, the president at the bottom.
    for (int i = 1; i <= kHandKinds; ++i) {
        const int row = i + 1;
        描画_絵(EMPTY, HAND_MINUS_X, row);
        描画_絵(bg_kind, HAND_MINUS_X + 1, row);
        描画_桝輪郭(bg_colour, HAND_MINUS_X, row);
        if (hand_minus[i] > 0) {
            描画_絵(-i, HAND_MINUS_X, row);
            描画_桝輪郭(bg_colour, HAND_MINUS_X, row);
            描画_数値(12.1, i + 1.3, hand_minus[i], BLACK, 0, kHandCountPoints);
            描画_数値(12.0, i + 1.2, hand_minus[i], LIGHT_RED, 0, kHandCountPoints);
        }
    }
}

void Form1::描画_敵持盤() {
    // Row j holds kind 9 - j: the president at the top, the secretary at the bottom.
    for (int j = 1; j <= kHandKinds; ++j) {
        const int k = 9 - j;
        描画_絵(EMPTY, HAND_PLUS_X, j);
        描画_絵(bg_kind, HAND_PLUS_X + 1, j);
        描画_桝輪郭(bg_colour, HAND_PLUS_X, j);
        if (hand_plus[k] > 0) {
            描画_絵(k, HAND_PLUS_X, j);
            描画_桝輪郭(bg_colour, HAND_PLUS_X, j);
            描画_数値(0.1, j + 0.3, hand_plus[k], BLACK, 0, kHandCountPoints);
            描画_数値(0.0, j + 0.2, hand_plus[k], LIGHT_RED, 0, kHandCountPoints);
        }
        // The count cell's tile covers the board's left edge: draw it again.
        描画_桝輪郭(bg_colour, 1, j);
    }
}

void Form1::描画_背景(int IN_背景種類) {
    for (int x = kBackgroundFirstX; x <= kBackgroundLastX; ++x)
        for (int y = kBackgroundFirstY; y <= kBackgroundLastY; ++y)
            if (x < 1 || x > BOARD_N || y < 1 || y > BOARD_N) 描画_絵(IN_背景種類, x, y);
}

void Form1::描画_将棋盤桝() {
    for (int x = 1; x <= BOARD_N; ++x)
        for (int y = 1; y <= BOARD_N; ++y) 描画_桝輪郭(grid_colour, x, y);
}

void Form1::画面_再描画() {
    描画_背景(bg_kind);
    strip_game_name.clear();
    strip_bottom_name.clear();
    描画_桝_数値();
    描画_自持盤();
    描画_敵持盤();
    描画_盤();
    描画_所有時間(com_side, com_secs);
    描画_所有時間(man_side, man_secs);
    if (play_mode == MODE_COM) 描画_レベル(com_level);
    if (handicap_flag) 描画_ハンデレベル(handicap_level);
    描画_絵(PIC_LOGO, 10.8, 0);
    通知_盤();
}
