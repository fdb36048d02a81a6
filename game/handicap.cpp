// The handicap ladder: 21 grades from 名人 (-10) to 12級 (10). Each step away
// from level 0 takes one piece of the handicapped player's set-up off the
// board; each step back puts the same piece back where it stood.
#include <cstdlib>

#include "app/form1.h"

namespace {
struct Edit {
    int x, y, start_code;
};
// The square emptied on arriving at level -n (minus player) or +n (plus
// player), n = 1..10, with the code the starting position has there.
constexpr Edit kMinusEdits[11] = {
    {0, 0, 0},
    {2, 7, -Form1::SENIOR_DIRECTOR},
    {5, 8, -Form1::PRESIDENT},
    {1, 9, -Form1::DIRECTOR},
    {9, 9, -Form1::DEPT_HEAD},
    {2, 9, -Form1::CLERK},
    {8, 9, -Form1::CLERK},
    {3, 9, -Form1::SECTION_CHIEF},
    {7, 9, -Form1::SECTION_CHIEF},
    {4, 9, -Form1::SECRETARY},
    {6, 9, -Form1::SECRETARY},
};
constexpr Edit kPlusEdits[11] = {
    {0, 0, 0},
    {8, 3, +Form1::SENIOR_DIRECTOR},
    {5, 2, +Form1::PRESIDENT},
    {9, 1, +Form1::DIRECTOR},
    {1, 1, +Form1::DEPT_HEAD},
    {8, 1, +Form1::CLERK},
    {2, 1, +Form1::CLERK},
    {7, 1, +Form1::SECTION_CHIEF},
    {3, 1, +Form1::SECTION_CHIEF},
    {6, 1, +Form1::SECRETARY},
    {4, 1, +Form1::SECRETARY},
};
constexpr int kTopLevel = 10;

const QString kMessageTitle = QStringLiteral("ﾊﾝﾃﾞｨｷｬｯﾌﾟ設定");
const QString kMessageTail = QStringLiteral("局面→最初にして下さい");
const QString kNotInReplay = QStringLiteral("棋譜ﾓｰﾄﾞではできません");
const QString kNotDuringGame = QStringLiteral("対局途中ではできません");
const QString kNotAfterReverse = QStringLiteral("反転後ではできません");
constexpr int kHandicapPoints = 10;

// One step of the ladder, up (+1, "△") or down (-1, "▽").
void ladder_step(Form1& f, int direction) {
    f.描画_可視(false, false, false);
    f.描画_棋譜_IO(1);
    int refusal = 0;
    if (f.record_mode)
        refusal = 1;
    else if (f.rec_pos > 0)
        refusal = 2;
    else if (f.reversed_flag)
        refusal = 3;
    if (refusal != 0) {
        f.再生(f.snd_forbidden);
        f.描画_メッセージ(refusal);
        return;
    }
    f.rec_len = 0;
    // A pick made before the step may name a piece the step takes away: it is dropped.
    if (f.click_phase == 1) {
        f.描画_移動可能桝色(f.sel_x, f.sel_y, f.grid_colour, f.sel_piece);
        f.描画_桝輪郭(f.grid_colour, f.sel_x, f.sel_y);
        f.click_phase = 0;
    }

    const int from = f.handicap_level;
    const int to = from + direction;
    if (to >= -kTopLevel && to <= kTopLevel) {
        f.handicap_level = to;
        f.描画_ハンデレベル(to);
        // Away from 0 the arriving level names the piece to take; back toward 0
        // the level left names the piece to return.
        const bool away = std::abs(to) > std::abs(from);
        const int level = away ? to : from;
        const Edit& e = level < 0 ? kMinusEdits[-level] : kPlusEdits[level];
        const int code = away ? Form1::EMPTY : e.start_code;
        f.board[e.x][e.y] = code;
        f.描画_絵(code, e.x, e.y);
        f.描画_桝輪郭(f.bg_colour, e.x, e.y);
        f.再生(f.snd_place);
    }
    f.handicap_flag = true;
}
}  // namespace

void Form1::LBEL_UP_Click() { ladder_step(*this, +1); }

void Form1::LEBEL_DOWN_Click() { ladder_step(*this, -1); }

void Form1::描画_ハンデレベル(int IN_ハンデレベル) {
    const int main = 色_文字();
    const int shadow = 色_影();
    for (int x = 11; x <= 14; ++x) 描画_絵(bg_kind, x, 1);
    描画_文字列(11.1, 1.1, IN_ハンデレベル, shadow, kHandicapPoints);
    描画_文字列(11, 1, IN_ハンデレベル, main, kHandicapPoints);
}

void Form1::描画_メッセージ(int IN_メッセージ番号) {
    QString first;
    switch (IN_メッセージ番号) {
        case 1:
            first = kNotInReplay;
            break;
        case 2:
            first = kNotDuringGame;
            break;
        case 3:
            first = kNotAfterReverse;
            break;
        default:
            break;
    }
    MsgBox(first + QStringLiteral("\r\r") + kMessageTail, kMessageTitle);
}
