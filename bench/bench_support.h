// Fixed positions for measuring the computer and the drawing.
#pragma once

#include "app/form1.h"

// Puts the form into a quiet state for measuring: no boxes, a clock that only
// moves when the program waits, no sound library.
void make_quiet(Form1& f, double* fake_now);

// Lays out one of the fixed positions, plus player (the computer) to move.
enum class Suite { Start, MiddleGame, WorstCase };
void set_position(Form1& f, Suite s);
const char* suite_name(Suite s);

// Everything a move changes, so a benchmark can put it back.
struct Snapshot {
    int board[10][10];
    int hand_minus[9], hand_plus[9];
    int hand_count_minus, hand_count_plus;
    int turn, winner, move_no, click_phase, rec_pos, rec_len;
    int king_minus_x, king_minus_y;
    double man_secs, com_secs;
    void take(const Form1& f);
    void restore(Form1& f) const;
};
