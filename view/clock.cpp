// The two players' clocks and the 50 ms tick.
#include <cmath>
#include <utility>

#include "app/form1.h"

namespace {
constexpr double kSecondsPerDay = 86400.0;
// Far beyond any game (about 31 700 years), still exact in a long long.
constexpr double kLongestShown = 1e12;
struct ClockPlace {
    int first_cell;  // three cells of row 10 from here
    double shadow_x, main_x;
};
constexpr ClockPlace kManClock{13, 13.1, 13.0};
constexpr ClockPlace kComClock{-2, -1.5, -1.6};
constexpr double kClockShadowY = 10.3, kClockMainY = 10.2;
constexpr int kClockPoints = 12;
}  // namespace

void Form1::Timer1_Timer() {
    if (!Timer1 || !Timer1->isActive() || winner != NONE) return;
    move_secs = 調査_経過秒(turn_start_time, day_clock());
    const int whole = static_cast<int>(std::floor(move_secs));
    if (whole == shown_sec) return;
    shown_sec = whole;
    if (turn == com_side)
        描画_所有時間(com_side, move_secs + com_secs);
    else if (turn == man_side)
        描画_所有時間(man_side, move_secs + man_secs);
    refresh();
}

std::function<double()> Form1::作成_日時計(std::function<double()> 壁時計, std::function<double()> 単調時計) {
    const double start_of_day = 壁時計();
    const double start = 単調時計();
    return [start_of_day, start, steady = std::move(単調時計)] {
        const double r = std::fmod(start_of_day + (steady() - start), kSecondsPerDay);
        return r < 0 ? r + kSecondsPerDay : r;
    };
}

double Form1::調査_経過秒(double I_開始, double I_終了) const {
    if (I_開始 <= I_終了) return I_終了 - I_開始;
    return I_終了 + kSecondsPerDay - I_開始;
}

QString Form1::変換_数字から文字(long long I_数字) const {
    const QString s = QString::number(I_数字);
    if (s.size() == 1) return QStringLiteral("0") + s;
    if (s.size() == 2) return s;
    return {};
}

QString Form1::調査_時間秒追加結果(double IN_経過秒) const {
    // Whole seconds; a value that is no time at all (negative, NaN, beyond any
    // game) shows as zero hours or an empty hour field, never as garbage.
    const double whole = std::floor(IN_経過秒);
    const long long s = whole >= 0 && whole < kLongestShown ? static_cast<long long>(whole)
                        : whole >= kLongestShown            ? static_cast<long long>(kLongestShown)
                                                            : 0;
    const long long h = s < 3600 ? 0 : s / 3600;
    const long long m = (s - 3600 * h) / 60;
    const long long sec = s - 3600 * h - 60 * m;
    return 変換_数字から文字(h) + ":" + 変換_数字から文字(m) + ":" + 変換_数字から文字(sec);
}

void Form1::描画_所有時間(int IN_手番, double IN_思考時間) {
    if (!mnu.KEIKA->isChecked()) return;
    const QString text = 調査_時間秒追加結果(IN_思考時間);
    消去_所有時間(IN_手番);
    const ClockPlace* place = IN_手番 == man_side ? &kManClock : IN_手番 == com_side ? &kComClock : nullptr;
    if (!place) return;
    描画_数値(place->shadow_x, kClockShadowY, text, 色_影(), 0, kClockPoints);
    描画_数値(place->main_x, kClockMainY, text, 色_文字(), 0, kClockPoints);
}

void Form1::消去_所有時間(int IN_手番) {
    const ClockPlace* place = IN_手番 == man_side ? &kManClock : IN_手番 == com_side ? &kComClock : nullptr;
    if (!place) return;
    // The loaded record's game name stands where the top player's clock goes:
    // it goes whole, never leaving pieces round the clock.
    if (IN_手番 == com_side && !strip_game_name.isEmpty()) 消去_棋譜見出し(false);
    for (int i = 0; i < 3; ++i) 描画_絵(bg_kind, place->first_cell + i, 10);
}
