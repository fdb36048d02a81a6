#include "bench_support.h"

#include <cstring>

void make_quiet(Form1& f, double* fake_now) {
    f.msgbox = [](const QString&, const QString&, int, int) { return static_cast<int>(ID_OK); };
    f.day_clock = [fake_now] { return *fake_now; };
    f.idle = [fake_now](int ms) { *fake_now += ms / 1000.0; };
    f.refresh = [] {};
    f.quit_program = [] {};
    f.module1.ds = SoundLibrary{};
    f.module1.ds.dsInitialize = [](SoundLibrary::Handle) -> SoundLibrary::Handle { return 0; };
}

namespace {
void clear(Form1& f) {
    for (int x = 1; x <= 9; ++x)
        for (int y = 1; y <= 9; ++y) f.board[x][y] = Form1::EMPTY;
    for (int k = 0; k <= 8; ++k) f.hand_minus[k] = f.hand_plus[k] = 0;
    f.hand_count_minus = f.hand_count_plus = 0;
}
}  // namespace

void set_position(Form1& f, Suite s) {
    f.初期設定();
    f.play_mode = Form1::MODE_COM;
    f.turn = f.com_side;
    switch (s) {
        case Suite::Start:
            break;
        case Suite::MiddleGame: {
            // Both sides have advanced and traded a few pieces.
            clear(f);
            const int cells[][3] = {
                {5, 1, 9},  {4, 2, 1},  {6, 1, 1},  {5, 3, 8},  {3, 3, 4},  {7, 2, 4},  {2, 4, 7},
                {8, 4, 7},  {1, 4, 2},  {4, 5, 2},  {6, 5, 3},  {9, 3, 6},  {1, 2, 5},  {5, 9, -9},
                {4, 9, -1}, {6, 8, -1}, {5, 7, -8}, {3, 7, -4}, {7, 7, -4}, {2, 6, -7}, {8, 6, -7},
                {5, 6, -2}, {9, 6, -2}, {3, 6, -3}, {1, 9, -6}, {9, 8, -5},
            };
            for (const auto& c : cells) f.board[c[0]][c[1]] = c[2];
            f.hand_plus[2] = 2;
            f.hand_plus[3] = 1;
            f.hand_minus[2] = 1;
            f.hand_minus[3] = 1;
            f.hand_count_plus = 3;
            f.hand_count_minus = 2;
            break;
        }
        case Suite::WorstCase: {
            // Every kind in the plus hand and a nearly empty board: the most drops.
            clear(f);
            f.board[5][1] = 9;
            f.board[5][9] = -9;
            f.board[4][8] = -2;
            f.board[6][8] = -2;
            f.board[5][2] = 2;
            for (int k = 1; k <= 8; ++k) f.hand_plus[k] = 1;
            f.hand_count_plus = 8;
            break;
        }
    }
}

const char* suite_name(Suite s) {
    switch (s) {
        case Suite::Start:
            return "start";
        case Suite::MiddleGame:
            return "middle";
        case Suite::WorstCase:
            return "worst";
    }
    return "?";
}

void Snapshot::take(const Form1& f) {
    std::memcpy(board, f.board, sizeof board);
    std::memcpy(hand_minus, f.hand_minus, sizeof hand_minus);
    std::memcpy(hand_plus, f.hand_plus, sizeof hand_plus);
    hand_count_minus = f.hand_count_minus;
    hand_count_plus = f.hand_count_plus;
    turn = f.turn;
    winner = f.winner;
    move_no = f.move_no;
    click_phase = f.click_phase;
    rec_pos = f.rec_pos;
    rec_len = f.rec_len;
    king_minus_x = f.king_minus_x;
    king_minus_y = f.king_minus_y;
    man_secs = f.man_secs;
    com_secs = f.com_secs;
}

void Snapshot::restore(Form1& f) const {
    std::memcpy(f.board, board, sizeof board);
    std::memcpy(f.hand_minus, hand_minus, sizeof hand_minus);
    std::memcpy(f.hand_plus, hand_plus, sizeof hand_plus);
    f.hand_count_minus = hand_count_minus;
    f.hand_count_plus = hand_count_plus;
    f.turn = turn;
    f.winner = winner;
    f.move_no = move_no;
    f.click_phase = click_phase;
    f.rec_pos = rec_pos;
    f.rec_len = rec_len;
    f.king_minus_x = king_minus_x;
    f.king_minus_y = king_minus_y;
    f.man_secs = man_secs;
    f.com_secs = com_secs;
}
