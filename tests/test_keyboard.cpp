// The board from the keyboard and for a screen reader: the cursor's Return is
// the mouse's press at the same cell, Esc takes back only a pick made from the
// keys, the cursor's ring comes and goes without a trace, and every cell is
// named in the game's words.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <functional>
#include <string>
#include <vector>

#include "support/harness.h"
#include "view/board_view.h"

namespace {

void send_key(Form1& f, int key, const QString& text = {}) {
    QKeyEvent e(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(f.view, &e);
}

// The cursor to a grid cell with the arrows (from the centre, Home), then Return.
void key_press_at(Form1& f, int x, int y) {
    send_key(f, Qt::Key_Home);
    const int bx = std::clamp(x, 1, 9);
    for (int i = 5; i < bx; ++i) send_key(f, Qt::Key_Right);
    for (int i = 5; i > bx; --i) send_key(f, Qt::Key_Left);
    for (int i = 5; i < y; ++i) send_key(f, Qt::Key_Down);
    for (int i = 5; i > y; --i) send_key(f, Qt::Key_Up);
    if (x != bx) send_key(f, x > bx ? Qt::Key_Right : Qt::Key_Left);
    EXPECT_EQ(f.cursor_x, x);
    EXPECT_EQ(f.cursor_y, y);
    send_key(f, Qt::Key_Return, QStringLiteral("\r"));
}

struct Cell {
    int x, y;
};

// What a scenario leaves: every message and sound, the board, both hands and the record.
std::string outcome(Harness& h) {
    const Form1& f = h.f();
    std::string s;
    for (const auto& e : h.events) s += e + "\n";
    for (int x = 1; x <= 9; ++x)
        for (int y = 1; y <= 9; ++y) s += std::to_string(f.board[x][y]) + ",";
    for (int k = 1; k <= 8; ++k)
        s += " " + std::to_string(f.hand_minus[k]) + "/" + std::to_string(f.hand_plus[k]);
    s += " moves " + std::to_string(f.move_no) + " rec " + std::to_string(f.rec_pos) + " turn " +
         std::to_string(f.turn) + " phase " + std::to_string(f.click_phase);
    for (int n = 1; n <= f.rec_pos; ++n)
        s += " " + std::to_string(f.rec_from_x[n]) + std::to_string(f.rec_from_y[n]) +
             std::to_string(f.rec_to_x[n]) + std::to_string(f.rec_to_y[n]);
    return s;
}

struct Scenario {
    const char* name;
    std::function<void(Form1&)> setup;
    std::vector<Cell> cells;
};

TEST(KeyboardCursor, ReturnIsThePressAtTheCellsCentre) {
    const Scenario scenarios[] = {
        {"no game yet", [](Form1&) {}, {{5, 5}}},
        {"a move against the computer and its reply", [](Form1& f) { f.SENTE_Click(); }, {{5, 6}, {5, 5}}},
        {"a refused move", [](Form1& f) { f.SENTE_Click(); }, {{5, 6}, {5, 8}}},
        {"a look at the computer's piece, then a pick", [](Form1& f) { f.SENTE_Click(); }, {{5, 4}, {3, 6}}},
        {"a drop from the bottom hand",
         [](Form1& f) {
             f.SENTE_Click();
             f.board[1][6] = Form1::EMPTY;
             f.hand_minus[Form1::STAFF] = 1;
             f.hand_count_minus = 1;
             f.描画_自持盤();
         },
         {{Form1::HAND_MINUS_X, 3}, {5, 5}}},
        {"a look into the top hand",
         [](Form1& f) {
             f.START_Click();
             f.board[9][4] = Form1::EMPTY;
             f.hand_plus[Form1::STAFF] = 1;
             f.hand_count_plus = 1;
             f.描画_敵持盤();
         },
         {{Form1::HAND_PLUS_X, 7}, {5, 5}}},
    };
    for (const auto& sc : scenarios) {
        SCOPED_TRACE(sc.name);
        Harness mouse, keys;
        sc.setup(mouse.f());
        sc.setup(keys.f());
        mouse.clear_log();
        keys.clear_log();
        for (const Cell& c : sc.cells) {
            mouse.press(c.x, c.y);
            key_press_at(keys.f(), c.x, c.y);
        }
        EXPECT_EQ(outcome(keys), outcome(mouse));
    }
}

TEST(KeyboardCursor, EscDropsOnlyAPickMadeFromTheKeys) {
    Harness h;
    Form1& f = h.f();
    int quits = 0;
    f.quit_program = [&quits] { ++quits; };
    f.SENTE_Click();
    const QImage before = h.cell_image(5, 5);
    key_press_at(f, 5, 6);
    ASSERT_EQ(f.click_phase, 1);
    send_key(f, Qt::Key_Escape, QStringLiteral("\x1b"));
    EXPECT_EQ(quits, 0);
    EXPECT_EQ(f.click_phase, 0);
    EXPECT_FALSE(f.key_pick);
    // The pick is gone: Return on an empty square is no move.
    send_key(f, Qt::Key_Up);
    send_key(f, Qt::Key_Return, QStringLiteral("\r"));
    EXPECT_EQ(f.move_no, 0);
    EXPECT_EQ(f.board[5][6], -Form1::STAFF);
    // The outlines went with the pick: only the cursor's ring is on 5五.
    EXPECT_NE(h.cell_image(5, 5), before);
    // Without a keyboard pick Esc ends the program, as does Esc after a mouse pick.
    send_key(f, Qt::Key_Escape, QStringLiteral("\x1b"));
    EXPECT_EQ(quits, 1);
    Harness m;
    int mouse_quits = 0;
    m.f().quit_program = [&mouse_quits] { ++mouse_quits; };
    m.f().SENTE_Click();
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(0, 0), QPointF(0, 0), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    key_press_at(m.f(), 5, 6);
    QApplication::sendEvent(m.f().view, &press);  // a press off the board: the keys' pick is the mouse's now
    m.press(5, 6);
    ASSERT_EQ(m.f().click_phase, 1);
    send_key(m.f(), Qt::Key_Escape, QStringLiteral("\x1b"));
    EXPECT_EQ(mouse_quits, 1);
}

TEST(KeyboardCursor, TheRingComesWithTheKeysAndGoesWithTheMouse) {
    Harness h;
    Form1& f = h.f();
    f.SENTE_Click();
    const QImage square = h.cell_image(5, 6), hand = h.cell_image(Form1::HAND_MINUS_X, 2);
    send_key(f, Qt::Key_Down);  // from the centre to 5六
    EXPECT_NE(h.cell_image(5, 6), square);
    // Typed digits name a square as the labels do: 1 then 2 is １二, the top right.
    send_key(f, Qt::Key_1, "1");
    send_key(f, Qt::Key_2, "2");
    EXPECT_EQ(f.cursor_x, 9);
    EXPECT_EQ(f.cursor_y, 2);
    EXPECT_EQ(h.cell_image(5, 6), square);
    send_key(f, Qt::Key_Right);  // into the bottom player's hand
    EXPECT_EQ(f.cursor_x, Form1::HAND_MINUS_X);
    EXPECT_NE(h.cell_image(Form1::HAND_MINUS_X, 2), hand);
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(1, 1), QPointF(1, 1), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(f.view, &press);
    EXPECT_FALSE(f.cursor_shown);
    EXPECT_EQ(h.cell_image(Form1::HAND_MINUS_X, 2), hand);
}

// The interface of a cell through Qt's accessibility, as a screen reader reads it.
QAccessibleInterface* table(Form1& f, int index) {
    QAccessibleInterface* view = QAccessible::queryAccessibleInterface(f.view);
    return view ? view->child(index) : nullptr;
}

TEST(ScreenReader, CellsAreNamedInTheGamesWords) {
    Harness h;
    Form1& f = h.f();
    QAccessibleInterface* board = table(f, 2);
    ASSERT_NE(board, nullptr);
    EXPECT_EQ(board->role(), QAccessible::Table);
    EXPECT_EQ(board->text(QAccessible::Name), "盤");
    ASSERT_NE(board->tableInterface(), nullptr);
    EXPECT_EQ(board->tableInterface()->rowCount(), 9);
    EXPECT_EQ(board->tableInterface()->columnCount(), 9);
    auto name = [&](int x, int y) {
        return board->tableInterface()->cellAt(y - 1, x - 1)->text(QAccessible::Name);
    };
    const struct {
        int x, y;
        const char* name;
    } start[] = {{5, 9, "５九 後手の会長"},
                 {5, 1, "５一 先手の会長"},
                 {1, 6, "９六 後手の平員"},
                 {9, 1, "１一 先手の常務"},
                 {5, 5, "５五 空き"}};
    for (const auto& c : start) EXPECT_EQ(name(c.x, c.y), QString::fromUtf8(c.name)) << c.x << c.y;

    h.start_with_a_move();  // 5六 to 5五 between two players: the bottom player moves first
    EXPECT_EQ(name(5, 5), "５五 先手の平員");
    EXPECT_EQ(name(5, 6), "５六 空き");
    EXPECT_EQ(f.spoken_move, "先手 ５五平");
    h.press(5, 4);
    h.press(5, 5);  // the top player's staff takes it: into the top hand
    QAccessibleInterface* top_hand = table(f, 1);
    ASSERT_NE(top_hand, nullptr);
    EXPECT_EQ(top_hand->text(QAccessible::Name), "後手の持駒");
    EXPECT_EQ(top_hand->child(9 - Form1::STAFF - 1)->text(QAccessible::Name), "後手の持駒 平員 1枚");
    EXPECT_EQ(top_hand->child(0)->text(QAccessible::Name), "後手の持駒 社長 なし");
    EXPECT_EQ(table(f, 3)->child(0)->text(QAccessible::Name), "先手の持駒 秘書 なし");
    // The board's status: whose turn, the move number, the last move.
    EXPECT_TRUE(table(f, 0)->text(QAccessible::Name).startsWith("先手の番、2手目、最後の手 後手 ５五平"))
        << table(f, 0)->text(QAccessible::Name).toStdString();
    // A pick is the selected cell.
    h.press(3, 6);
    EXPECT_TRUE(board->tableInterface()->cellAt(5, 2)->state().selected);
    EXPECT_EQ(board->tableInterface()->selectedCellCount(), 1);
    // The one-glyph commands are read with words; the bar shows the glyph alone.
    QAccessibleInterface* back = QAccessible::queryAccessibleInterface(f.mnu.REPLAY);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->text(QAccessible::Name), "戻 一手戻す");
    EXPECT_EQ(f.mnu.REPLAY->text(), "戻");
}

}  // namespace
