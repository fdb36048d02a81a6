// Helpers of the record tests: moves made the way the board input and the
// computer make them, and a snapshot of everything a failed command must
// leave alone.
#pragma once

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "harness.h"

namespace recplay {

// Distinct sound handles even while the sound binding hands out none, so
// "play 禁止" and "play 駒打音" can be told apart.
inline void name_sounds(Harness& h) {
    Form1& f = h.f();
    if (f.snd_other == 0) f.snd_other = 901;
    if (f.snd_forbidden == 0) f.snd_forbidden = 902;
    if (f.snd_place == 0) f.snd_place = 903;
    if (f.snd_bgm == 0) f.snd_bgm = 904;
}

// A human move or drop as the board input records and makes it; `secs` is the
// time the move took. Hand cells: minus hand (11, k + 1), plus hand (-1, 9 - k).
inline void human(Form1& f, int fx, int fy, int tx, int ty, double secs) {
    int piece = 0, origin_y = fy;
    if (fx == Form1::HAND_MINUS_X) {
        piece = -(fy - 1);
    } else if (fx == Form1::HAND_PLUS_X) {
        piece = 9 - fy;
        origin_y = 9 - fy;  // the mouse handler passes the kind for the plus hand
    } else {
        piece = f.board[fx][fy];
    }
    f.手順保存(fx, fy, tx, ty, piece, f.board[tx][ty], f.man_secs, f.man_secs + secs, f.com_secs, f.com_secs);
    f.rec_piece_to[f.rec_pos] = piece;
    f.move_no += 1;
    f.駒移動(fx, origin_y, tx, ty, piece);
    f.man_secs += secs;
    f.turn = -f.turn;
}

// The computer's move: origin (-1, kind) for a drop.
inline void computer(Form1& f, int fx, int fy, int tx, int ty, double secs) {
    const int piece = fx == Form1::HAND_PLUS_X ? fy : f.board[fx][fy];
    const int origin_piece = fx == Form1::HAND_PLUS_X ? 7 : f.board[fx][fy];  // what the search left
    f.手順保存(fx, fy, tx, ty, origin_piece, piece, f.man_secs, f.man_secs, f.com_secs, f.com_secs + secs);
    f.move_no += 1;
    f.駒移動(fx, fy, tx, ty, piece);
    f.com_secs += secs;
    f.turn = -f.turn;
}

struct Snapshot {
    std::array<std::array<int, 10>, 10> board{};
    std::array<int, 9> hand_minus{}, hand_plus{};
    int hand_count_minus = 0, hand_count_plus = 0, turn = 0, winner = 0, play_mode = 0, move_no = 0;
    int sente = 0, gote = 0, man_side = 0, com_side = 0, rec_pos = 0, rec_len = 0, click_phase = 0;
    bool record_mode = false, resume_pending = false;
    double man_secs = 0, com_secs = 0;
    std::vector<std::array<double, 11>> record;

    static Snapshot of(const Form1& f) {
        Snapshot s;
        for (int x = 0; x < 10; ++x)
            for (int y = 0; y < 10; ++y) s.board[x][y] = f.board[x][y];
        for (int k = 0; k < 9; ++k) {
            s.hand_minus[k] = f.hand_minus[k];
            s.hand_plus[k] = f.hand_plus[k];
        }
        s.hand_count_minus = f.hand_count_minus;
        s.hand_count_plus = f.hand_count_plus;
        s.turn = f.turn;
        s.winner = f.winner;
        s.play_mode = f.play_mode;
        s.move_no = f.move_no;
        s.sente = f.SENTE;
        s.gote = f.GOTE;
        s.man_side = f.man_side;
        s.com_side = f.com_side;
        s.rec_pos = f.rec_pos;
        s.rec_len = f.rec_len;
        s.click_phase = f.click_phase;
        s.record_mode = f.record_mode;
        s.resume_pending = f.resume_pending;
        s.man_secs = f.man_secs;
        s.com_secs = f.com_secs;
        for (int n = 0; n <= Form1::REC_MAX; ++n)
            s.record.push_back({double(f.rec_from_x[n]), double(f.rec_from_y[n]), double(f.rec_to_x[n]),
                                double(f.rec_to_y[n]), double(f.rec_captured[n]), double(f.rec_piece_from[n]),
                                double(f.rec_piece_to[n]), f.rec_man_before[n], f.rec_man_after[n],
                                f.rec_com_before[n], f.rec_com_after[n]});
        return s;
    }
    bool operator==(const Snapshot&) const = default;
};

// Position only: board, hands and totals.
inline bool same_position(const Snapshot& a, const Snapshot& b) {
    return a.board == b.board && a.hand_minus == b.hand_minus && a.hand_plus == b.hand_plus &&
           a.hand_count_minus == b.hand_count_minus && a.hand_count_plus == b.hand_count_plus;
}

}  // namespace recplay
