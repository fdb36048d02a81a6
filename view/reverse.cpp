// Board reversal: the position turned about its centre, the hands exchanged.
#include <cstring>
#include <utility>

#include "app/form1.h"

namespace {
const QString kRecordModeText = QStringLiteral("棋譜ﾓｰﾄﾞではできません");
const QString kReverseTitle = QStringLiteral("反転");
}  // namespace

void Form1::REVERSE_Click() {
    if (record_mode) {
        再生(snd_forbidden);
        MsgBox(kRecordModeText, kReverseTitle);
        return;
    }
    reversed_flag = true;
    click_phase = 0;

    // Every piece goes to the point-symmetric square and changes owner.
    int before[10][10];
    std::memcpy(before, board, sizeof before);
    for (int x = 1; x <= BOARD_N; ++x)
        for (int y = 1; y <= BOARD_N; ++y) board[10 - x][10 - y] = -before[x][y];
    for (int k = 1; k <= 8; ++k) std::swap(hand_minus[k], hand_plus[k]);
    std::swap(hand_count_minus, hand_count_plus);

    // The full redraw leaves out the move counter.
    画面_再描画();
    描画_手数(move_no, WHITE);
    if (handicap_flag) {
        handicap_level = -handicap_level;
        描画_ハンデレベル(handicap_level);
    }
    再生(snd_place);
    turn = -turn;
    // The record no longer matches the position; the move counter stays.
    rec_pos = 0;
    rec_len = 0;
}
