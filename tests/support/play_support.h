// Small helpers shared by the play tests: readable sound names, presses given
// in twips or sent as real mouse events, and position edits that keep every
// piece accounted for.
#pragma once

#include <QApplication>
#include <QMouseEvent>
#include <string>
#include <vector>

#include "support/harness.h"
#include "view/board_view.h"

namespace play_support {

// Until the sound loader hands out real buffers every handle is 0; give the
// four sounds distinct handles so the event log can tell them apart.
inline void name_sounds(Harness& h) {
    Form1& f = h.f();
    if (f.snd_other == 0 && f.snd_forbidden == 0 && f.snd_place == 0 && f.snd_bgm == 0) {
        f.snd_other = 901;
        f.snd_forbidden = 902;
        f.snd_place = 903;
        f.snd_bgm = 904;
    }
}

inline void press_twips(Harness& h, double x, double y) { h.f().Form_MouseDown(1, 0, x, y); }

// A real left-button press on the middle of grid cell (x, y), delivered to the
// board view as the window system would.
inline void click_view(Harness& h, int x, int y) {
    Form1& f = h.f();
    const QPointF pos((f.board_left + (x + 0.5) * f.cell_w) / Form1::TWIPS_PER_PIXEL,
                      (f.board_top + (y + 0.5) * f.cell_h) / Form1::TWIPS_PER_PIXEL);
    QMouseEvent ev(QEvent::MouseButtonPress, pos, f.view->mapToGlobal(pos), Qt::LeftButton, Qt::LeftButton,
                   Qt::NoModifier);
    QApplication::sendEvent(f.view, &ev);
}

// Moves the piece on (fx, fy) to the empty square (tx, ty) without a move.
inline void relocate(Form1& f, int fx, int fy, int tx, int ty) {
    f.board[tx][ty] = f.board[fx][fy];
    f.board[fx][fy] = Form1::EMPTY;
}

// Takes the piece on (x, y) off the board into the hand of its captor.
inline void capture_into_hand(Form1& f, int x, int y) {
    const int c = f.board[x][y];
    f.board[x][y] = Form1::EMPTY;
    if (c > 0) {
        f.hand_minus[c] += 1;
        f.hand_count_minus += 1;
    } else if (c < 0) {
        f.hand_plus[-c] += 1;
        f.hand_count_plus += 1;
    }
}

inline std::vector<std::string> msg_events(const Harness& h) {
    std::vector<std::string> out;
    for (const std::string& e : h.events)
        if (e.rfind("msg ", 0) == 0) out.push_back(e);
    return out;
}

}  // namespace play_support
