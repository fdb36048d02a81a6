// The computer's move: a one-ply search over every step, then every drop, on
// the real board; the best candidate blinks, moves and is announced.
#include <QSignalBlocker>
#include <algorithm>
#include <cmath>

#include "app/form1.h"

namespace {
const QString kComputerWins = QStringLiteral("ｺﾝﾋﾟｭｰﾀの勝ちです");
const QString kHumanWins = QStringLiteral("あなたの勝ちです");
const QString kGameOverTitle = QStringLiteral("終了");
const QString kMateText = QStringLiteral("よし！!");
const QString kMateTitle = QStringLiteral("詰め ?");
const QString kCheckText = QStringLiteral("   ** 訴訟！（王手） **");
const QString kThinking = QStringLiteral("思考中");

// Below every score the evaluation can give (tenths of -99999).
constexpr int kNoCandidate = -999990;
// Tenths: a drop scoring this much (a secretary taken or a mate) ends the drop search.
constexpr int kStopDrops = 99980;
constexpr int kBlinks = 2;
constexpr double kBlinkHalf = 0.2;
constexpr double kPauseBeforeSound = 0.5;
constexpr int kWaitSliceMs = 50;
constexpr int kThinkingPoints = 12;
}  // namespace

void Form1::com_ban() {
    if (winner != NONE) return;
    if (!調査_棋譜余裕()) return;

    turn_start_time = day_clock();
    if (mnu.KEIKA->isChecked()) Timer1->start();

    消去_思考中();
    描画_思考中();

    refresh();
    com_探索();

    // Nothing to step and nothing to drop: the computer cannot move and loses.
    if (best_piece == EMPTY) {
        Timer1->stop();
        winner = man_side;
        消去_移動結果(com_side);
        MsgBox(kHumanWins, kGameOverTitle);
        turn = man_side;
        return;
    }

    // The time is read once so that the record and the stored total agree.
    move_secs = 調査_経過秒(turn_start_time, day_clock());
    const double spent = move_secs;
    // A drop keeps the origin piece of the last best step; when no step was
    // legal there is none, and the dropped piece stands in: taking the move
    // back reads the sign to know whose last-move text to clear.
    const int origin_piece =
        best_from_x == HAND_PLUS_X && best_origin_piece == EMPTY ? best_piece : best_origin_piece;
    手順保存(best_from_x, best_from_y, best_to_x, best_to_y, origin_piece, best_piece, man_secs, man_secs,
             com_secs, com_secs + spent);

    move_no += 1;
    描画_手数(move_no, WHITE);

    if (best_from_x == HAND_PLUS_X)
        描画_駒点滅(best_piece, HAND_PLUS_X, 9 - best_from_y, kBlinks);
    else
        描画_駒点滅(best_origin_piece, best_from_x, best_from_y, kBlinks);

    駒移動(best_from_x, best_from_y, best_to_x, best_to_y, best_piece);

    待ち時間(kPauseBeforeSound);
    再生(snd_place);

    Timer1->stop();
    勢力調査();

    if (winner == com_side) {
        消去_移動結果(com_side);
        MsgBox(kComputerWins, kGameOverTitle);
        turn = man_side;
        return;
    }

    if (詰めかMAN())
        MsgBox(kMateText, kMateTitle);
    else if (near_plus_kind[king_minus_x][king_minus_y][SECRETARY] > 0)
        MsgBox(kCheckText, QString());

    描画_移動結果(com_side, best_to_x, best_to_y, best_piece, WHITE);
    描画_桝輪郭(WHITE, best_to_x, best_to_y);

    com_secs += spent;
    // The clock ran on while the piece blinked: show the total as charged.
    描画_所有時間(com_side, com_secs);
    turn_start_time = day_clock();
    turn = man_side;
    if (mnu.KEIKA->isChecked()) Timer1->start();
}

// Every step of every plus piece, then every drop, each tried on the real
// board and scored; the first of equal scores is kept.
void Form1::com_探索() {
    best_score = kNoCandidate;
    best_from_x = best_from_y = best_to_x = best_to_y = 0;
    best_piece = best_origin_piece = EMPTY;

    // Only a strictly better score replaces the best: the first of equals stays.
    auto keep = [this](int v, int fx, int fy, int tx, int ty, int p) {
        if (v <= best_score) return false;
        best_score = v;
        best_from_x = fx;
        best_from_y = fy;
        best_to_x = tx;
        best_to_y = ty;
        best_piece = p;
        return true;
    };

    bool stop = false;
    for (int x = 1; x <= BOARD_N && !stop; ++x) {
        // The search never returns to the event loop, so it ticks the clock itself.
        Timer1_Timer();
        for (int y = 1; y <= BOARD_N && !stop; ++y) {
            const int p = board[x][y];
            if (p < 1) continue;
            for (int tx = x - 1; tx <= x + 1 && !stop; ++tx)
                for (int ty = y - 1; ty <= y + 1 && !stop; ++ty) {
                    if (tx < 1 || tx > BOARD_N || ty < 1 || ty > BOARD_N) continue;
                    if (!移動チェック(x, y, tx, ty, p)) continue;
                    const int c = board[tx][ty];
                    board[x][y] = EMPTY;
                    board[tx][ty] = p;
                    勢力調査();
                    const int v = 盤評価(c, x, y, tx, ty);
                    board[tx][ty] = c;
                    board[x][y] = p;
                    if (keep(v, x, y, tx, ty, p)) {
                        best_origin_piece = p;
                        if (c == -CHAIRMAN) stop = true;
                    }
                }
        }
    }

    if (!stop && hand_count_plus > 0) {
        for (int k = 1; k <= PRESIDENT && !stop; ++k) {
            Timer1_Timer();
            if (hand_plus[k] <= 0) continue;
            const int p = k;
            for (int tx = 1; tx <= BOARD_N && !stop; ++tx)
                for (int ty = 1; ty <= BOARD_N && !stop; ++ty) {
                    if (!移動チェック(HAND_PLUS_X, k, tx, ty, p)) continue;
                    board[tx][ty] = p;
                    勢力調査();
                    const int v = 盤評価(EMPTY, HAND_PLUS_X, k, tx, ty);
                    board[tx][ty] = EMPTY;
                    if (keep(v, HAND_PLUS_X, k, tx, ty, p) && best_score >= kStopDrops) stop = true;
                }
        }
    }
}

void Form1::待ち時間(double IN_秒) {
    // The window keeps painting, but the clock's tick waits: while the computer
    // blinks and pauses its clock shows what the search alone has used.
    const QSignalBlocker hold_clock(Timer1);
    const double start = day_clock();
    for (;;) {
        const double elapsed = 調査_経過秒(start, day_clock());
        // A microsecond of slack absorbs the rounding of the clock's sums; NaN ends at once too.
        const double remaining_ms = (IN_秒 - elapsed) * 1000.0;
        if (!(remaining_ms >= 1e-3)) break;
        const int slice = std::clamp(static_cast<int>(std::ceil(remaining_ms - 1e-3)), 1, kWaitSliceMs);
        idle(slice);
    }
}

void Form1::描画_駒点滅(int 入力_駒, int 入力_X, int 入力_Y, int 入力_点滅回数) {
    blink_x = 入力_X;
    blink_y = 入力_Y;
    for (int i = 0; i < 入力_点滅回数; ++i) {
        描画_絵(EMPTY, 入力_X, 入力_Y);
        描画_桝輪郭(bg_colour, 入力_X, 入力_Y);
        refresh();
        待ち時間(kBlinkHalf);
        描画_絵(入力_駒, 入力_X, 入力_Y);
        描画_桝輪郭(bg_colour, 入力_X, 入力_Y);
        refresh();
        待ち時間(kBlinkHalf);
    }
}

void Form1::消去_思考中() {
    for (int x = -2; x <= 0; ++x) 描画_絵(bg_kind, x, 9);
    描画_桝輪郭(bg_colour, -1, 8);
}

void Form1::描画_思考中() {
    描画_数値(-1.5, 9.5, kThinking, 色_影(), 0, kThinkingPoints);
    描画_数値(-1.6, 9.4, kThinking, 色_文字(), 0, kThinkingPoints);
    描画_桝輪郭(bg_colour, -1, 8);
    描画_桝輪郭(bg_colour, 1, 9);
}
