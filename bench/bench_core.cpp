// Micro-benchmarks: the computer's search, the board scan and evaluation, a
// full redraw at ratio 1 and 2, and one human move from press to canvas.
#include "bench_support.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>

namespace {
double fake_now = 36000.0;
Form1* form = nullptr;

Form1& quiet_form() {
    if (!form) {
        form = new Form1;
        make_quiet(*form, &fake_now);
        form->Form_Load();
    }
    return *form;
}

void BM_Search(benchmark::State& state) {
    Form1& f = quiet_form();
    const Suite s = static_cast<Suite>(state.range(0));
    set_position(f, s);
    state.SetLabel(suite_name(s));
    for (auto _ : state) {
        f.com_探索();
        benchmark::DoNotOptimize(f.best_score);
    }
}
BENCHMARK(BM_Search)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

void BM_Scan(benchmark::State& state) {
    Form1& f = quiet_form();
    set_position(f, Suite::MiddleGame);
    for (auto _ : state) {
        f.勢力調査();
        benchmark::DoNotOptimize(f.near_minus[5][5]);
    }
}
BENCHMARK(BM_Scan)->Unit(benchmark::kNanosecond);

void BM_Evaluate(benchmark::State& state) {
    Form1& f = quiet_form();
    set_position(f, Suite::MiddleGame);
    // A trial step of the plus staff (4,5) -> (4,6), as the search makes it.
    const int captured = f.board[4][6];
    f.board[4][6] = f.board[4][5];
    f.board[4][5] = Form1::EMPTY;
    f.勢力調査();
    for (auto _ : state) benchmark::DoNotOptimize(f.盤評価(captured, 4, 5, 4, 6));
    f.board[4][5] = f.board[4][6];
    f.board[4][6] = captured;
}
BENCHMARK(BM_Evaluate)->Unit(benchmark::kNanosecond);

void BM_FullRedraw(benchmark::State& state) {
    Form1& f = quiet_form();
    const qreal dpr = static_cast<qreal>(state.range(0));
    f.準備_画面(dpr);
    set_position(f, Suite::MiddleGame);
    f.bg_kind = Form1::BG_MIDORI;
    state.SetLabel(dpr == 1 ? "ratio 1" : "ratio 2");
    for (auto _ : state) f.画面_再描画();
    f.準備_画面(1.0);
}
BENCHMARK(BM_FullRedraw)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

// One human move between two people: pick, place, scan and the mate test.
void BM_HumanMove(benchmark::State& state) {
    Form1& f = quiet_form();
    f.初期設定();
    f.START_Click();
    Snapshot snap;
    snap.take(f);
    auto press = [&f](int x, int y) {
        f.Form_MouseDown(1, 0, f.board_left + (x + 0.5) * f.cell_w, f.board_top + (y + 0.5) * f.cell_h);
    };
    for (auto _ : state) {
        press(7, 6);
        press(7, 5);
        f.勢力調査();
        benchmark::DoNotOptimize(f.詰めかCOM());
        state.PauseTiming();
        snap.restore(f);
        f.描画_盤();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_HumanMove)->Unit(benchmark::kMicrosecond);
}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    delete form;
    return 0;
}
