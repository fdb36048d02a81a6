// The move record (eleven columns) and the last-move notation.
#include <cassert>

#include "app/form1.h"
#include "record/messages.h"

using namespace record_messages;

namespace {
const char* const kPieceLetters[10] = {"", "秘", "平", "係", "課", "部", "常", "専", "社", "会"};
const char* const kFullWidthDigits[10] = {"", "１", "２", "３", "４", "５", "６", "７", "８", "９"};
const char* const kKanjiNumerals[10] = {"", "一", "二", "三", "四", "五", "六", "七", "八", "九"};

// Where each player's last-move text stands: cells to clear, then the three characters.
struct MoveTextPlace {
    double digit_x, numeral_x, letter_x, y;
};
constexpr MoveTextPlace kPlusPlace{-1.5, -1.1, -0.5, 9.5};
constexpr MoveTextPlace kMinusPlace{13.5, 13.9, 14.5, 2.5};
}  // namespace

bool Form1::手順保存(int 元X, int 元Y, int 先X, int 先Y, int 元駒, int 先駒, double 前秒M, double 後秒M,
                     double 前秒C, double 後秒C) {
    if (rec_pos >= REC_MAX) return false;
    // The captured piece is read from the destination, which must be a square.
    assert(先X >= 1 && 先X <= BOARD_N && 先Y >= 1 && 先Y <= BOARD_N);
    rec_pos += 1;
    const int n = rec_pos;
    rec_from_x[n] = 元X;
    rec_from_y[n] = 元Y;
    rec_to_x[n] = 先X;
    rec_to_y[n] = 先Y;
    rec_piece_from[n] = 元駒;
    rec_piece_to[n] = 先駒;
    rec_captured[n] = board[先X][先Y];
    rec_man_before[n] = 前秒M;
    rec_man_after[n] = 後秒M;
    rec_com_before[n] = 前秒C;
    rec_com_after[n] = 後秒C;
    rec_len = rec_pos;
    return true;
}

bool Form1::調査_棋譜余裕() {
    if (rec_pos < REC_MAX) return true;
    再生(snd_forbidden);
    MsgBox(kMsgRecordFull.arg(REC_MAX), kTitleKifu);
    return false;
}

QString Form1::文字列変換(int IN_文字列) const {
    const int v = IN_文字列;
    if (v >= -9 && v <= 9 && v != 0) return QString::fromUtf8(kPieceLetters[v < 0 ? -v : v]);
    if (v >= 101 && v <= 109) return QString::fromUtf8(kFullWidthDigits[v - 100]);
    if (v >= 1001 && v <= 1009) return QString::fromUtf8(kKanjiNumerals[v - 1000]);
    return {};
}

void Form1::描画_移動結果(int IN_手番, int 移動先X, int 移動先Y, int 移動駒, int 駒色) {
    (void)駒色;  // the colours follow the background
    const int main = 色_文字();
    const int shadow = 色_影();
    消去_移動結果(IN_手番);
    const MoveTextPlace* place = nullptr;
    if (IN_手番 == com_side)
        place = &kPlusPlace;
    else if (IN_手番 == man_side)
        place = &kMinusPlace;
    else
        return;
    const QString chars[3] = {文字列変換(110 - 移動先X), 文字列変換(1000 + 移動先Y), 文字列変換(移動駒)};
    const double xs[3] = {place->digit_x, place->numeral_x, place->letter_x};
    for (int i = 0; i < 3; ++i) {
        描画_移動駒種類(xs[i], place->y, chars[i], shadow);
        描画_移動駒種類(xs[i] - 0.1, place->y - 0.1, chars[i], main);
    }
    if (place == &kPlusPlace) 描画_桝輪郭(bg_colour, 1, 9);
    告知_指し手(IN_手番, chars[0] + chars[1] + chars[2]);
}

void Form1::消去_移動結果(int IN_手番) {
    if (IN_手番 == com_side) {
        for (int x = -2; x <= 0; ++x) 描画_絵(bg_kind, x, 9);
        描画_桝輪郭(bg_colour, -1, 8);
        描画_桝輪郭(bg_colour, 1, 9);
    } else if (IN_手番 == man_side) {
        for (int x = 13; x <= 15; ++x) 描画_絵(bg_kind, x, 2);
    }
}

void Form1::描画_移動駒種類(double 入力X, double 入力Y, const QString& 駒文字, int 色) {
    if (駒文字.isEmpty()) return;
    描画_テキスト(board_left + 入力X * cell_w, board_top + 入力Y * cell_h, 駒文字, 色, 12);
}
