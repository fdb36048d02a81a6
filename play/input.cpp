// The board input: a press becomes a square or a hand cell, then a pick, a
// re-pick, a refusal, or a move that is recorded, made, shown and handed over.
#include <algorithm>
#include <cmath>

#include "app/form1.h"
#include "play/messages.h"

using namespace play_messages;

namespace {
constexpr int kSelectColour = Form1::LIGHT_RED;

// Twips to a grid index, floored towards minus infinity; far-away presses are
// clamped so the conversion to int stays defined.
int to_grid(double twips, int origin, int cell) {
    const double g = std::floor((twips - origin) / cell);
    return static_cast<int>(std::clamp(g, -1000.0, 1000.0));
}
}  // namespace

void Form1::Form_MouseDown(int Button, int Shift, double X, double Y) {
    (void)Button;  // any button
    (void)Shift;
    描画_可視(false, false, false);
    描画_棋譜_IO(1);

    if (record_mode) {
        if (MsgBox(kReplayText, kReplayTitle, MB_YESNO) == ID_NO) {
            再生(snd_forbidden);
            初期設定();
        }
        return;
    }
    if (winner != NONE) {
        MsgBox(kGameOverText, kGameOverTitle);
        return;
    }
    const int col = to_grid(X, board_left, cell_w);
    const int row = to_grid(Y, board_top, cell_h);
    if (turn == NONE) {
        再生(snd_forbidden);
        MsgBox(kNoGameText, kNoGameTitle);
        return;
    }
    // A full record holds the game where it stands: no move of either side can
    // be recorded, so a press only says so. Stepping back, a new game and
    // saving still work.
    if (!調査_棋譜余裕()) {
        click_phase = 0;
        return;
    }

    // Play resumed after stepping through the record: say who moves, restart the clock.
    if (play_mode == MODE_MAN) {
        if (resume_pending) {
            resume_pending = false;
            turn_start_time = day_clock();
            if (mnu.KEIKA->isChecked()) Timer1->start();
            if (turn == SENTE)
                MsgBox(kSenteToMove, kResumeTitle);
            else if (turn == GOTE)
                MsgBox(kGoteToMove, kResumeTitle);
        }
    } else if (play_mode == MODE_COM) {
        if (turn == com_side) {
            resume_pending = false;
            MsgBox(kComResumeText, kComResumeTitle);
            com_ban();
            // The computer's move may have ended the game: the press is not a move any more.
            if (winner != NONE) return;
        } else if (turn == man_side && resume_pending) {
            resume_pending = false;
            turn_start_time = day_clock();
            if (mnu.KEIKA->isChecked()) Timer1->start();
            MsgBox(kManToMove, kResumeTitle);
        }
    }

    const bool on_board = col >= 1 && col <= BOARD_N && row >= 1 && row <= BOARD_N;
    if (!on_board) {
        // Off the board: drop the highlights and the pick with them (a press
        // beside the board lets go), then perhaps pick from a hand.
        if (sel_piece != EMPTY) {
            描画_移動可能桝色(sel_x, sel_y, grid_colour, sel_piece);
            描画_桝輪郭(grid_colour, sel_x, sel_y);
            click_phase = 0;
        }
        if (col == HAND_MINUS_X && row >= 2 && row <= 9) {
            const int k = row - 1;
            if (hand_minus[k] <= 0) return;
            click_phase = 1;
            sel_x = last_pick_x = HAND_MINUS_X;
            sel_y = last_pick_y = row;
            sel_piece = -k;
            if (turn == man_side)
                描画_桝輪郭(kSelectColour, sel_x, sel_y);
            else if (turn == com_side)
                描画_桝輪郭(guide_colour, sel_x, sel_y);
            描画_移動可能桝色(sel_x, sel_y, guide_colour, sel_piece);
        } else if (col == HAND_PLUS_X && row >= 1 && row <= 8) {
            const int k = 9 - row;
            if (hand_plus[k] <= 0) return;
            click_phase = 1;
            sel_x = last_pick_x = HAND_PLUS_X;
            sel_y = last_pick_y = row;
            sel_piece = +k;
            if (turn == com_side)
                描画_桝輪郭(kSelectColour, sel_x, sel_y);
            else if (turn == man_side)
                描画_桝輪郭(guide_colour, sel_x, sel_y);
            描画_移動可能桝色(sel_x, sel_y, guide_colour, sel_piece);
        }
        return;
    }

    const auto own_piece = [this](int code) {
        return (turn == man_side && code <= -1) || (turn == com_side && code >= 1);
    };

    if (click_phase == 0) {
        const int p = board[col][row];
        if (p == EMPTY) return;
        sel_x = last_pick_x = col;
        sel_y = last_pick_y = row;
        sel_piece = p;
        描画_移動可能桝色(sel_x, sel_y, guide_colour, p);
        if (own_piece(p)) {
            描画_桝輪郭(kSelectColour, col, row);
            click_phase = 1;
        } else {
            // An opponent's piece only shows where it could go.
            描画_桝輪郭(guide_colour, col, row);
        }
        return;
    }

    dst_x = col;
    dst_y = row;
    if ((turn == man_side && sel_x == HAND_PLUS_X) || (turn == com_side && sel_x == HAND_MINUS_X)) {
        // Picked from the opponent's hand: only a look, never a drop.
        描画_移動可能桝色(sel_x, sel_y, grid_colour, sel_piece);
        描画_桝輪郭(grid_colour, sel_x, sel_y);
        click_phase = 0;
        return;
    }
    if (own_piece(board[dst_x][dst_y])) {
        描画_桝輪郭(grid_colour, sel_x, sel_y);
        sel_x = dst_x;
        sel_y = dst_y;
        sel_piece = board[dst_x][dst_y];
        描画_移動可能桝色(sel_x, sel_y, guide_colour, sel_piece);
        描画_桝輪郭(kSelectColour, sel_x, sel_y);
        return;
    }
    if (!移動チェック(sel_x, sel_y, dst_x, dst_y, sel_piece)) {
        再生(snd_forbidden);
        click_phase = 0;
        描画_将棋盤桝();
        return;
    }
    // The computer's reply to a resumption may have filled the record.
    if (!調査_棋譜余裕()) {
        click_phase = 0;
        描画_将棋盤桝();
        return;
    }
    // The time of this move, read from the day clock at the press itself, so the
    // charge is right whether or not the clock display is running.
    move_secs = 調査_経過秒(turn_start_time, day_clock());
    // The record keeps both clocks as they stand after the move: between two
    // humans the plus player's move is charged to its own clock.
    const bool plus_moves = play_mode == MODE_MAN && turn == com_side;
    手順保存(sel_x, sel_y, dst_x, dst_y, sel_piece, board[dst_x][dst_y], man_secs,
             plus_moves ? man_secs : man_secs + move_secs, com_secs,
             plus_moves ? com_secs + move_secs : com_secs);
    move_no += 1;
    描画_手数(move_no, WHITE);
    // Like the computer's entries, the human's hold the piece now on the destination.
    rec_piece_to[rec_pos] = sel_piece;
    click_phase = 0;
    描画_桝輪郭(grid_colour, sel_x, sel_y);
    描画_桝輪郭(grid_colour, dst_x, dst_y);
    描画_移動可能桝色(sel_x, sel_y, grid_colour, sel_piece);
    // The plus hand is addressed by kind from here on.
    if (sel_x < 0) sel_y = 9 - sel_y;
    const int captured = board[dst_x][dst_y];
    駒移動(sel_x, sel_y, dst_x, dst_y, sel_piece);
    再生(snd_place);
    描画_移動結果(sel_piece >= 1 ? com_side : man_side, dst_x, dst_y, sel_piece, WHITE);

    if (play_mode == MODE_COM) {
        Timer1->stop();
        man_secs += move_secs;
        // The time was read after the clock's last tick: show the total as charged.
        描画_所有時間(man_side, man_secs);
        勢力調査();
        if (winner != man_side && (詰めかCOM() || captured == +CHAIRMAN)) winner = man_side;
        // A winning move hands the turn over too, as every move does: a step back from the end
        // then leaves the winner to move again.
        turn = com_side;
        if (winner == man_side)
            MsgBox(kYouWin, kEndTitle);
        else
            com_ban();
    } else if (play_mode == MODE_MAN) {
        // Each player's own clock is charged: the minus player's to man_secs.
        if (turn == man_side) {
            man_secs += move_secs;
            描画_所有時間(man_side, man_secs);
        } else if (turn == com_side) {
            com_secs += move_secs;
            描画_所有時間(com_side, com_secs);
        }
        if (turn == SENTE)
            turn = GOTE;
        else if (turn == GOTE)
            turn = SENTE;
        turn_start_time = day_clock();
        if (winner == SENTE)
            MsgBox(kSenteWins, kEndTitle);
        else if (winner == GOTE)
            MsgBox(kGoteWins, kEndTitle);
    }
}

void Form1::描画_移動可能桝色(int 移動元X, int 移動元Y, int 描画色, int 移動駒) {
    描画_将棋盤桝();
    if (guidance_on == 0) return;
    for (int x = 1; x <= BOARD_N; ++x)
        for (int y = 1; y <= BOARD_N; ++y)
            if (移動チェック(移動元X, 移動元Y, x, y, 移動駒)) 描画_桝輪郭(描画色, x, y);
}
