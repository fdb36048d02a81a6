// The two clocks: the clock text, elapsed time across midnight, and the 50 ms
// tick that repaints only on a new whole second and only the side to move.
#include <gtest/gtest.h>

#include <QAction>
#include <QTimer>
#include <cmath>

#include "support/harness.h"

namespace {
// A running game: the minus player to move, the turn begun at the harness's time.
void start_turn(Harness& h, int side) {
    Form1& f = h.f();
    f.turn = side;
    f.winner = Form1::NONE;
    f.turn_start_time = h.now;
    f.shown_sec = 0;
    f.Timer1->start();
}

// Ticks every 50 ms of fake time for `seconds`.
void run_ticks(Harness& h, double seconds) {
    for (int i = 0; i < static_cast<int>(seconds * 20 + 0.5); ++i) {
        h.now += 0.05;
        h.f().Timer1_Timer();
    }
}
}  // namespace

TEST(ClockText, HoursMinutesSeconds) {
    Harness h;
    const struct {
        double secs;
        const char* text;
    } cases[] = {
        {0, "00:00:00"},
        {0.99, "00:00:00"},
        {59, "00:00:59"},
        {59.99, "00:00:59"},
        {60, "00:01:00"},
        {3599.9, "00:59:59"},
        {3600, "01:00:00"},
        {3661.7, "01:01:01"},
        {36000, "10:00:00"},
        {86399, "23:59:59"},
        {90061, "25:01:01"},
        {359999, "99:59:59"},
        // Three-digit hours leave the hour field empty.
        {360000, ":00:00"},
        {363661.5, ":01:01"},
        {-5, "00:00:00"},
    };
    for (const auto& c : cases) EXPECT_EQ(h.f().調査_時間秒追加結果(c.secs).toStdString(), c.text) << c.secs;
}

TEST(ClockText, TwoDigitFields) {
    Harness h;
    const struct {
        long long n;
        const char* text;
    } cases[] = {{0, "00"}, {7, "07"}, {9, "09"}, {10, "10"}, {59, "59"}, {99, "99"}, {100, ""}, {12345, ""}};
    for (const auto& c : cases) EXPECT_EQ(h.f().変換_数字から文字(c.n).toStdString(), c.text) << c.n;
}

TEST(ClockText, ElapsedSecondsAcrossMidnight) {
    Harness h;
    const struct {
        double start, end, secs;
    } cases[] = {
        {100, 160, 60},        {100, 100, 0}, {36000.25, 36001.75, 1.5},
        {86390, 5, 15},                        // 23:59:50 to 00:00:05
        {86399.5, 0.25, 0.75}, {1, 0, 86399},  // a move of almost a day
    };
    for (const auto& c : cases)
        EXPECT_DOUBLE_EQ(h.f().調査_経過秒(c.start, c.end), c.secs) << c.start << " " << c.end;
}

// The wall clock jumps while a player thinks for 2 s (summer time ends or
// begins, a time server corrects it): the move is charged 2 s. Across
// midnight the day clock wraps, and the move is still charged 2 s.
TEST(ClockSource, AMoveIsChargedTheMonotonicTimeWhateverTheWallClockDoes) {
    const struct {
        const char* name;
        double wall_at_start, wall_jump;
    } cases[] = {
        {"wall clock set back an hour", 36000, -3600},
        {"wall clock set forward an hour", 36000, 3600},
        {"across midnight", 86399, 0},
        {"set back across midnight", 1, -3600},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Harness h;
        Form1& f = h.f();
        double wall = c.wall_at_start;
        // The monotonic clock is the harness's own, which the program's waits advance.
        f.day_clock = Form1::作成_日時計([&wall] { return wall; }, [&h] { return h.now; });
        f.START_Click();
        h.now += 2;
        wall = std::fmod(wall + 2 + c.wall_jump + 86400, 86400);
        h.press(1, 6);
        h.press(1, 5);
        ASSERT_EQ(f.rec_pos, 1);
        EXPECT_DOUBLE_EQ(f.man_secs, 2);
        EXPECT_DOUBLE_EQ(f.rec_man_after[1], 2);
    }
}

TEST(ClockTick, RepaintsOncePerWholeSecond) {
    Harness h;
    Form1& f = h.f();
    int refreshes = 0;
    f.refresh = [&refreshes] { ++refreshes; };
    start_turn(h, f.man_side);

    run_ticks(h, 0.9);
    EXPECT_EQ(refreshes, 0);
    EXPECT_EQ(f.shown_sec, 0);
    EXPECT_NEAR(f.move_secs, 0.9, 1e-6);
    run_ticks(h, 0.2);
    EXPECT_EQ(refreshes, 1);
    EXPECT_EQ(f.shown_sec, 1);
    run_ticks(h, 3);
    EXPECT_EQ(refreshes, 4);
    EXPECT_EQ(f.shown_sec, 4);
    // The stored totals do not grow with the tick.
    EXPECT_EQ(f.man_secs, 0);
    EXPECT_EQ(f.com_secs, 0);
}

TEST(ClockTick, StopsWhenDecidedOrDisabled) {
    Harness h;
    Form1& f = h.f();
    int refreshes = 0;
    f.refresh = [&refreshes] { ++refreshes; };
    struct Case {
        const char* name;
        bool timer_on;
        int winner;
    } cases[] = {{"timer off", false, Form1::NONE}, {"won by plus", true, 1}, {"won by minus", true, -1}};
    for (const Case& c : cases) {
        start_turn(h, f.man_side);
        if (!c.timer_on) f.Timer1->stop();
        f.winner = c.winner;
        f.move_secs = 0;
        refreshes = 0;
        run_ticks(h, 5);
        EXPECT_EQ(refreshes, 0) << c.name;
        EXPECT_EQ(f.move_secs, 0) << c.name;
        EXPECT_EQ(f.shown_sec, 0) << c.name;
    }
}

TEST(ClockTick, MidnightWrap) {
    Harness h;
    Form1& f = h.f();
    h.now = 86390;  // 23:59:50
    start_turn(h, f.man_side);
    h.now = 5;  // 00:00:05
    f.Timer1_Timer();
    EXPECT_DOUBLE_EQ(f.move_secs, 15);
    EXPECT_EQ(f.shown_sec, 15);
}

TEST(ClockTick, ClocksOptionOffStillCountsButDrawsNothing) {
    // The game commands may start the timer with the clocks hidden.
    Harness h;
    Form1& f = h.f();
    f.KEIKA_Click();
    ASSERT_FALSE(f.mnu.KEIKA->isChecked());
    start_turn(h, f.man_side);
    const QImage before = f.canvas.copy();
    run_ticks(h, 2.5);
    EXPECT_EQ(f.shown_sec, 2);
    EXPECT_EQ(f.canvas, before);
}

TEST(ClockDrawing, OnlyTheSideToMoveIsRepainted) {
    Harness h;
    Form1& f = h.f();
    const struct {
        const char* name;
        int side;
        int drawn_x;  // first clock cell of the side that changes
        int still_x;
    } cases[] = {{"minus to move", f.man_side, 13, -2}, {"plus to move", f.com_side, -2, 13}};
    for (const auto& c : cases) {
        f.com_secs = 100;
        f.man_secs = 200;
        start_turn(h, c.side);
        f.画面_再描画();
        const QImage drawn_before = h.cell_image(c.drawn_x, 10, 99, 41);
        const QImage still_before = h.cell_image(c.still_x, 10, 99, 41);
        run_ticks(h, 1.05);
        EXPECT_NE(h.cell_image(c.drawn_x, 10, 99, 41), drawn_before) << c.name;
        EXPECT_EQ(h.cell_image(c.still_x, 10, 99, 41), still_before) << c.name;
    }
}

TEST(ClockDrawing, ShowsTheTotalsWhenSwitchedOnAndClearsWhenOff) {
    Harness h;
    Form1& f = h.f();
    f.com_secs = 3661.7;
    f.man_secs = 59;
    // The clock cells as the background alone paints them.
    f.KEIKA_Click();  // off
    const QImage com_empty = h.cell_image(-2, 10, 99, 41);
    const QImage man_empty = h.cell_image(13, 10, 99, 41);
    f.KEIKA_Click();  // on: both totals at once
    EXPECT_TRUE(f.Timer1->isActive());
    EXPECT_NE(h.cell_image(-2, 10, 99, 41), com_empty);
    EXPECT_NE(h.cell_image(13, 10, 99, 41), man_empty);
    const QImage com_shown = h.cell_image(-2, 10, 99, 41);
    // A full redraw shows the same totals.
    f.画面_再描画();
    EXPECT_EQ(h.cell_image(-2, 10, 99, 41), com_shown);
    f.KEIKA_Click();  // off again: background only
    EXPECT_FALSE(f.Timer1->isActive());
    EXPECT_EQ(h.cell_image(-2, 10, 99, 41), com_empty);
    EXPECT_EQ(h.cell_image(13, 10, 99, 41), man_empty);
}
