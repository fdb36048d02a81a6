// The board from the keyboard: a cursor over the squares and the two hand
// columns, and Return or Space as a press at the centre of its cell, so the
// keys go through exactly the mouse's rules, messages, sounds and clocks.
#include <QKeyEvent>
#include <algorithm>

#include "app/form1.h"

namespace {
// The cells of each hand a press can pick.
constexpr int kPlusHandFirstRow = 1, kPlusHandLastRow = 8;
constexpr int kMinusHandFirstRow = 2, kMinusHandLastRow = 9;
constexpr int kCentre = 5;

bool on_board(int x, int y) { return x >= 1 && x <= Form1::BOARD_N && y >= 1 && y <= Form1::BOARD_N; }

// The cell an arrow leads to: squares stop at the board's edge, except that
// left of the first column lies the top player's hand and right of the last
// the bottom player's, as they stand on the screen.
void step(int& x, int& y, int dx, int dy) {
    if (x == Form1::HAND_PLUS_X) {
        if (dx > 0) x = 1;
        y = std::clamp(y + dy, kPlusHandFirstRow, kPlusHandLastRow);
        return;
    }
    if (x == Form1::HAND_MINUS_X) {
        if (dx < 0) x = Form1::BOARD_N;
        y = std::clamp(y + dy, kMinusHandFirstRow, kMinusHandLastRow);
        return;
    }
    if (x + dx < 1) {
        x = Form1::HAND_PLUS_X;
        y = std::clamp(y, kPlusHandFirstRow, kPlusHandLastRow);
    } else if (x + dx > Form1::BOARD_N) {
        x = Form1::HAND_MINUS_X;
        y = std::clamp(y, kMinusHandFirstRow, kMinusHandLastRow);
    } else {
        x += dx;
        y = std::clamp(y + dy, 1, Form1::BOARD_N);
    }
}
}  // namespace

bool Form1::盤_キー(int key, const QString& text) {
    int x = cursor_x, y = cursor_y;
    const int digit = text.size() == 1 && text.at(0) >= QLatin1Char('1') && text.at(0) <= QLatin1Char('9')
                          ? text.at(0).unicode() - '0'
                          : 0;
    if (digit == 0) typed_column = 0;
    switch (key) {
        case Qt::Key_Left:
            step(x, y, -1, 0);
            break;
        case Qt::Key_Right:
            step(x, y, +1, 0);
            break;
        case Qt::Key_Up:
            step(x, y, 0, -1);
            break;
        case Qt::Key_Down:
            step(x, y, 0, +1);
            break;
        case Qt::Key_Home:
            x = kCentre;
            y = kCentre;
            break;
        case Qt::Key_End: {
            // The chairman of the side to move; the bottom player's when the top's is not to move.
            const int chairman = play_mode == MODE_MAN && turn == com_side ? +CHAIRMAN : -CHAIRMAN;
            for (int cx = 1; cx <= BOARD_N; ++cx)
                for (int cy = 1; cy <= BOARD_N; ++cy)
                    if (board[cx][cy] == chairman) {
                        x = cx;
                        y = cy;
                    }
            break;
        }
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Space: {
            const int moves_before = move_no;
            const bool was_look = click_phase == 0;
            Form_MouseDown(Qt::LeftButton, 0, board_left + (cursor_x + 0.5) * cell_w,
                           board_top + (cursor_y + 0.5) * cell_h);
            // A pick, or a look at where an opponent's piece could go, left outlines
            // that Esc takes away; a move or a refusal left none.
            key_pick =
                click_phase == 1 || (was_look && move_no == moves_before && on_board(cursor_x, cursor_y) &&
                                     sel_x == cursor_x && sel_y == cursor_y && winner == NONE &&
                                     turn != NONE && !record_mode && board[cursor_x][cursor_y] != EMPTY);
            通知_盤();
            return true;
        }
        case Qt::Key_Escape:
            if (!key_pick) return false;
            取消_キー選択();
            return true;
        default:
            if (digit == 0) return false;
            // Two digits name a square as the labels do: the column, then the row.
            if (typed_column == 0) {
                typed_column = digit;
                return true;
            }
            x = 10 - typed_column;
            y = digit;
            typed_column = 0;
            break;
    }
    移動_カーソル(x, y);
    return true;
}

void Form1::移動_カーソル(int x, int y) {
    if (cursor_shown) 描画_カーソル(false);
    cursor_x = x;
    cursor_y = y;
    cursor_shown = true;
    spoken_fresh = false;
    描画_カーソル(true);
    通知_カーソル();
}

void Form1::取消_キー選択() {
    key_pick = false;
    if (sel_piece != EMPTY) {
        描画_移動可能桝色(sel_x, sel_y, grid_colour, sel_piece);
        描画_桝輪郭(grid_colour, sel_x, sel_y);
    }
    click_phase = 0;
    通知_盤();
}

void Form1::消去_カーソル() {
    key_pick = false;
    typed_column = 0;
    if (!cursor_shown) return;
    描画_カーソル(false);
    cursor_shown = false;
}
