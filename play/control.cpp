// Game control: start or resume a game between two humans (スタート) or
// against the computer with the human first (先手) or second (後手).
#include "app/form1.h"
#include "play/messages.h"

using namespace play_messages;

void Form1::START_Click() {
    if (winner != NONE) {
        初期設定();
        refresh();
    }
    描画_棋譜読込み部分消去();
    for (int x = -2; x <= 0; ++x) 描画_絵(bg_kind, x, 0);
    描画_将棋盤桝();

    turn_start_time = day_clock();
    if (mnu.KEIKA->isChecked()) Timer1->start();
    play_mode = MODE_MAN;
    // The redraw above cleared any pick's outline; the pick goes with it, as
    // the player to move may change below.
    click_phase = 0;

    if (turn == NONE || move_no == 0) {
        man_side = SENTE;
        com_side = GOTE;
        turn = SENTE;
        MsgBox(kSenteToMove, kFreshTitle);
    } else if (turn == SENTE) {
        // A game in progress (perhaps against the computer) goes on by hand, sides unchanged.
        MsgBox(kSenteToMove, kFreshTitle);
    } else if (turn == GOTE) {
        MsgBox(kGoteToMove, kFreshTitle);
    }
    resume_pending = false;
}

void Form1::SENTE_Click() {
    if (winner != NONE) 初期設定();
    描画_棋譜読込み部分消去();
    描画_レベル(com_level);
    描画_将棋盤桝();

    click_phase = 0;
    play_mode = MODE_COM;
    record_mode = false;
    // Play goes on from the shown position: later moves leave the record.
    rec_len = rec_pos;

    turn_start_time = day_clock();
    // The clock runs against the computer whether or not it is shown.
    Timer1->start();

    if (turn == NONE || move_no == 0) {
        man_side = SENTE;
        com_side = GOTE;
        turn = SENTE;
        MsgBox(kManToMove, kFreshTitle);
    } else if (turn != man_side) {
        if (turn == com_side) com_ban();
        return;
    } else {
        // The human keeps the move and the minus pieces, and becomes the first player.
        man_side = SENTE;
        com_side = GOTE;
        turn = SENTE;
        MsgBox(kManToMove, kResumeTitle);
    }
    resume_pending = false;
}

void Form1::GOTE_Click() {
    if (winner != NONE) 初期設定();
    描画_棋譜読込み部分消去();
    描画_レベル(com_level);
    描画_将棋盤桝();

    Timer1->start();

    click_phase = 0;
    play_mode = MODE_COM;
    record_mode = false;
    rec_len = rec_pos;

    // When the computer moves first, its move starts the human's clock.
    if (turn == NONE || move_no == 0) {
        man_side = GOTE;
        com_side = SENTE;
        turn = SENTE;
        com_ban();
    } else if (turn == man_side) {
        // The human's turn starts now, not when the game was left.
        turn_start_time = day_clock();
        MsgBox(kManToMove, kResumeTitle);
        resume_pending = false;
    } else if (turn == com_side) {
        com_ban();
    }
}

void Form1::描画_棋譜読込み部分消去() {
    描画_桝_数値();
    // The strip below the board showed the loaded record's details.
    消去_棋譜見出し(true);
    // The strip shares row 10 with the top player's clock: show it whole again.
    描画_所有時間(com_side, com_secs);
}
