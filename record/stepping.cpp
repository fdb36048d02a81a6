// Stepping through the record: "戻" takes the shown move back, "進" makes the
// next recorded move again, "最初" lays out a new game and keeps the record.
// Each step applies or reverts one entry from its stored columns alone.
#include <QTimer>

#include "app/form1.h"
#include "record/messages.h"

using namespace record_messages;

namespace {
bool 盤内(int v) { return v >= 1 && v <= Form1::BOARD_N; }
bool 駒コード(int c) { return c >= -Form1::CHAIRMAN && c <= Form1::CHAIRMAN; }
int 種類(int c) { return c < 0 ? -c : c; }
bool 駒台か(int x) { return x < 1 || x > Form1::BOARD_N; }

// The side that made entry n, read from the piece it put down, not from the
// alternation of the turns: a game may have ended on either side's move.
int 指した側(const Form1& f, int n) { return f.rec_piece_to[n] > 0 ? f.com_side : f.man_side; }
int 相手側(const Form1& f, int side) { return side == f.com_side ? f.man_side : f.com_side; }

// Whether entry n can be made (forward) or taken back on the position shown,
// without indexing outside the board or the hands and without losing a
// piece. The program's own entries always pass; a record file may carry
// anything the numeric reading produced.
bool 調査_棋譜データ(const Form1& f, int n, bool forward) {
    if (n < 1 || n > Form1::REC_MAX) return false;
    const int fx = f.rec_from_x[n], fy = f.rec_from_y[n], tx = f.rec_to_x[n], ty = f.rec_to_y[n];
    const int to = f.rec_piece_to[n], from = f.rec_piece_from[n], cap = f.rec_captured[n];
    if (!盤内(tx) || !盤内(ty)) return false;
    if (!駒コード(to) || !駒コード(from) || !駒コード(cap) || to == Form1::EMPTY) return false;
    // A capture takes an enemy piece.
    if (cap != Form1::EMPTY && (cap > 0) == (to > 0)) return false;
    const bool drop = 駒台か(fx);
    if (drop) {
        // Only ranks 1..8 are ever held; the plus hand is column -1, the minus hand 11.
        if (種類(to) > Form1::PRESIDENT) return false;
        if (fx != (to > 0 ? Form1::HAND_PLUS_X : Form1::HAND_MINUS_X)) return false;
        if (!盤内(fy)) return false;
    } else {
        if (!盤内(fy) || (fx == tx && fy == ty)) return false;
        // A step keeps its piece: no rank ever changes on the board.
        if (from != to) return false;
    }
    if (forward) {
        if (f.board[tx][ty] != cap) return false;
        if (drop) {
            const int held = to > 0 ? f.hand_plus[種類(to)] : f.hand_minus[種類(to)];
            if (held < 1) return false;
        } else if (f.board[fx][fy] != from) {
            return false;
        }
    } else {
        if (f.board[tx][ty] != to) return false;
        if (!drop && f.board[fx][fy] != Form1::EMPTY) return false;
        // The captured piece must still be in the capturer's hand.
        if (cap != Form1::EMPTY && 種類(cap) <= Form1::PRESIDENT) {
            const int held = cap < 0 ? f.hand_plus[種類(cap)] : f.hand_minus[種類(cap)];
            if (held < 1) return false;
        }
    }
    return true;
}
}  // namespace

void Form1::REPLAY_Click() {
    描画_可視(false, false, false);
    描画_棋譜_IO(1);

    if (rec_pos < 1) {
        resume_pending = true;
        winner = NONE;
        再生(snd_forbidden);
        MsgBox(kMsgCannot, kTitleBack);
        return;
    }
    const int n = rec_pos;
    if (!調査_棋譜データ(*this, n, false)) {
        再生(snd_forbidden);
        MsgBox(kMsgBadEntry, kTitleBack);
        return;
    }
    resume_pending = true;
    winner = NONE;

    click_phase = 0;
    if (Timer1) Timer1->stop();
    描画_将棋盤桝();

    // Origin: the piece goes back to its square, or a dropped piece to its hand.
    if (!駒台か(rec_from_x[n])) {
        board[rec_from_x[n]][rec_from_y[n]] = rec_piece_from[n];
        描画_絵(rec_piece_from[n], rec_from_x[n], rec_from_y[n]);
        描画_桝輪郭(bg_colour, rec_from_x[n], rec_from_y[n]);
    } else {
        const int c = rec_piece_to[n];
        if (c <= -1 && c >= -PRESIDENT) hand_minus[-c] += 1;
        if (c >= 1 && c <= PRESIDENT) hand_plus[c] += 1;
        if (c >= 1)
            hand_count_plus += 1;
        else if (c <= -1)
            hand_count_minus += 1;
    }

    // The captured piece leaves the capturer's hand.
    const int cap = rec_captured[n];
    if (cap <= -1 && cap >= -PRESIDENT) hand_plus[-cap] -= 1;
    if (cap >= 1 && cap <= PRESIDENT) hand_minus[cap] -= 1;
    if (cap <= -1)
        hand_count_plus -= 1;
    else if (cap >= 1)
        hand_count_minus -= 1;

    com_secs = rec_com_before[n];
    描画_所有時間(com_side, com_secs);
    man_secs = rec_man_before[n];
    描画_所有時間(man_side, man_secs);

    board[rec_to_x[n]][rec_to_y[n]] = cap;
    描画_自持盤();
    描画_敵持盤();
    描画_絵(EMPTY, rec_to_x[n], rec_to_y[n]);
    描画_桝輪郭(bg_colour, rec_to_x[n], rec_to_y[n]);
    if (cap != EMPTY) {
        描画_絵(cap, rec_to_x[n], rec_to_y[n]);
        描画_桝輪郭(bg_colour, rec_to_x[n], rec_to_y[n]);
    }

    再生(snd_place);
    消去_移動結果(rec_piece_from[n] > 0 ? com_side : man_side);

    rec_pos -= 1;
    move_no -= 1;
    // The player who made move n is to move again.
    turn = 指した側(*this, n);
    描画_手数(move_no, WHITE);
    refresh();
}

void Form1::AFTER_Click() {
    描画_可視(false, false, false);
    描画_棋譜_IO(1);

    if (turn == NONE) {
        再生(snd_forbidden);
        MsgBox(kMsgStartFirst, kTitleStart);
        return;
    }
    if (rec_pos >= rec_len) {
        resume_pending = true;
        if (record_mode) {
            MsgBox(kMsgEnd, kTitleForward);
        } else {
            再生(snd_forbidden);
            MsgBox(kMsgCannot, kTitleForward);
        }
        return;
    }
    if (!調査_棋譜データ(*this, rec_pos + 1, true)) {
        再生(snd_forbidden);
        MsgBox(kMsgBadEntry, kTitleForward);
        return;
    }
    resume_pending = true;

    click_phase = 0;
    if (Timer1) Timer1->stop();
    描画_将棋盤桝();

    rec_pos += 1;
    move_no += 1;
    描画_手数(move_no, WHITE);
    const int n = rec_pos;

    const int c = rec_piece_to[n];
    if (!駒台か(rec_from_x[n])) {
        board[rec_from_x[n]][rec_from_y[n]] = EMPTY;
        描画_絵(EMPTY, rec_from_x[n], rec_from_y[n]);
        描画_桝輪郭(bg_colour, rec_from_x[n], rec_from_y[n]);
    } else {
        if (c <= -1 && c >= -PRESIDENT) hand_minus[-c] -= 1;
        if (c >= 1 && c <= PRESIDENT) hand_plus[c] -= 1;
        if (c >= 1)
            hand_count_plus -= 1;
        else if (c <= -1)
            hand_count_minus -= 1;
    }

    board[rec_to_x[n]][rec_to_y[n]] = c;

    // The captured piece joins the capturer's hand; a chairman ends the game.
    const int cap = rec_captured[n];
    if (cap <= -1 && cap >= -PRESIDENT) hand_plus[-cap] += 1;
    if (cap >= 1 && cap <= PRESIDENT) hand_minus[cap] += 1;
    if (cap <= -1) {
        hand_count_plus += 1;
        if (cap == -CHAIRMAN) winner = com_side;
    } else if (cap >= 1) {
        hand_count_minus += 1;
        if (cap == CHAIRMAN) winner = man_side;
    }

    com_secs = rec_com_after[n];
    描画_所有時間(com_side, com_secs);
    man_secs = rec_man_after[n];
    描画_所有時間(man_side, man_secs);

    描画_絵(EMPTY, rec_from_x[n], rec_from_y[n]);
    描画_桝輪郭(bg_colour, rec_from_x[n], rec_from_y[n]);
    描画_絵(c, rec_to_x[n], rec_to_y[n]);
    描画_桝輪郭(bg_colour, rec_to_x[n], rec_to_y[n]);
    描画_自持盤();
    描画_敵持盤();

    再生(snd_place);
    描画_移動結果(c > 0 ? com_side : man_side, rec_to_x[n], rec_to_y[n], c, WHITE);

    turn = 相手側(*this, 指した側(*this, n));
    描画_手数(move_no, WHITE);
    refresh();
}

void Form1::CANCEL_Click() {
    初期設定();
    再生(snd_place);
}
