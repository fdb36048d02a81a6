// A new game: state reset and the starting position of the nine office ranks.
#include <QTimer>

#include "app/form1.h"

namespace {
// The plus player's set-up; the minus player's is the same turned through 180 degrees.
struct Placement {
    int x, y, code;
};
constexpr Placement kPlusSetUp[] = {
    {1, 1, Form1::DEPT_HEAD},     {2, 1, Form1::CLERK},           {3, 1, Form1::SECTION_CHIEF},
    {4, 1, Form1::SECRETARY},     {5, 1, Form1::CHAIRMAN},        {6, 1, Form1::SECRETARY},
    {7, 1, Form1::SECTION_CHIEF}, {8, 1, Form1::CLERK},           {9, 1, Form1::DIRECTOR},
    {5, 2, Form1::PRESIDENT},     {2, 3, Form1::SENIOR_DIRECTOR}, {8, 3, Form1::SENIOR_DIRECTOR},
    {1, 4, Form1::STAFF},         {3, 4, Form1::STAFF},           {5, 4, Form1::STAFF},
    {7, 4, Form1::STAFF},         {9, 4, Form1::STAFF},
};
}  // namespace

void Form1::初期設定() {
    handicap_level = 0;
    handicap_flag = false;
    play_mode = MODE_MAN;
    winner = NONE;
    turn = NONE;
    rec_pos = 0;
    move_no = 0;
    reversed_flag = false;

    if (Timer1) Timer1->stop();
    com_secs = 0;
    man_secs = 0;
    resume_pending = false;
    record_mode = false;
    shown_sec = 0;
    rec_piece_to[0] = +2;
    click_phase = 0;

    for (int k = 1; k <= 8; ++k) {
        hand_plus[k] = 0;
        hand_minus[k] = 0;
    }
    for (int x = 1; x <= BOARD_N; ++x)
        for (int y = 1; y <= BOARD_N; ++y) board[x][y] = EMPTY;
    for (const Placement& p : kPlusSetUp) {
        board[p.x][p.y] = p.code;
        board[10 - p.x][10 - p.y] = -p.code;
    }
    hand_count_plus = 0;
    hand_count_minus = 0;

    画面_再描画();
}

bool Form1::調査_局面整合() const {
    // Every piece of both sets is on the board or in a hand (a captured
    // chairman is in neither, and ends the game), and the totals match.
    static constexpr int kPerSet[10] = {0, 2, 5, 2, 2, 1, 1, 2, 1, 1};
    int on_board[10] = {};
    for (int x = 1; x <= BOARD_N; ++x)
        for (int y = 1; y <= BOARD_N; ++y) {
            const int c = board[x][y];
            if (c < -CHAIRMAN || c > CHAIRMAN) return false;
            if (c != EMPTY) ++on_board[c < 0 ? -c : c];
        }
    int total_minus = 0, total_plus = 0;
    for (int k = 1; k <= 8; ++k) {
        if (hand_minus[k] < 0 || hand_plus[k] < 0) return false;
        total_minus += hand_minus[k];
        total_plus += hand_plus[k];
        if (on_board[k] + hand_minus[k] + hand_plus[k] != 2 * kPerSet[k]) return false;
    }
    if (on_board[CHAIRMAN] > 2) return false;
    // A captured chairman is counted in the capturer's total but held nowhere.
    const int lost_chairmen = 2 - on_board[CHAIRMAN];
    const int extra = (hand_count_minus - total_minus) + (hand_count_plus - total_plus);
    return extra == lost_chairmen && hand_count_minus >= total_minus && hand_count_plus >= total_plus;
}
