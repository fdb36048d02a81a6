// Micro-benchmarks: the computer's search, the board scan and evaluation, a
// full redraw at ratio 1 and 2, the pictures made at start, and one human move
// from press to canvas. Each benchmark first checks that it measures what it
// says (a search that finds a move, a press that moves the piece) and stops
// with an error otherwise. The figures with a target are repeated at the end.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench_support.h"
#include "view/pictures.h"

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
    const Snapshot before = [&f] {
        Snapshot b;
        b.take(f);
        return b;
    }();
    f.com_探索();
    Snapshot after;
    after.take(f);
    if (f.best_piece == Form1::EMPTY) state.SkipWithError("the search found no move");
    // The search tries every move on the real board: it must put it back.
    if (std::memcmp(before.board, after.board, sizeof before.board) != 0)
        state.SkipWithError("the search left the board changed");
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

// The pictures the window makes when it opens, or moves to a screen of another density.
void BM_Pictures(benchmark::State& state) {
    Form1& f = quiet_form();
    const qreal dpr = static_cast<qreal>(state.range(0));
    state.SetLabel(dpr == 1 ? "ratio 1" : "ratio 2");
    // However they are made, the pictures are the ones the picture maker paints.
    f.準備_画面(dpr);
    for (int code = -9; code <= 16; ++code)
        if (f.絵(code) != 作成_絵(code, dpr)) {
            state.SkipWithError(("picture " + std::to_string(code) + " differs").c_str());
            break;
        }
    for (auto _ : state) f.準備_画面(dpr);
    f.準備_画面(1.0);
}
BENCHMARK(BM_Pictures)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

// One human move between two people, the minus staff (7,6) -> (7,5): pick,
// place (record, board, canvas), then the scan and the mate test.
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
        if (f.board[7][5] != -Form1::STAFF || f.board[7][6] != Form1::EMPTY ||
            f.move_no != snap.move_no + 1) {
            state.SkipWithError("the presses did not make the move");
            break;
        }
        snap.restore(f);
        f.描画_盤();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_HumanMove)->Unit(benchmark::kMicrosecond);

// The usual table, then the figures that have a target, in CPU time per call.
class TargetReporter : public benchmark::ConsoleReporter {
public:
    TargetReporter() : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_Defaults : OO_Tabular) {}
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs) {
            if (r.error_occurred || r.run_type != Run::RT_Iteration) continue;
            const double us = r.GetAdjustedCPUTime() * 1e6 / benchmark::GetTimeUnitMultiplier(r.time_unit);
            for (const Target& t : kTargets)
                if (r.benchmark_name() == t.name) found_.push_back({t, us});
        }
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        std::printf("\n%-40s %12s %12s\n", "figure (CPU time per call)", "measured", "target");
        for (const Found& f : found_)
            std::printf("%-40s %9.0f us %9.0f us  %s\n", f.target.what, f.us, f.target.limit_us,
                        f.us < f.target.limit_us ? "ok" : "MISSED");
    }

private:
    struct Target {
        const char* name;
        const char* what;
        double limit_us;
    };
    static constexpr Target kTargets[] = {
        {"BM_Search/2", "search, worst case", 1000},
        {"BM_FullRedraw/1", "full redraw, ratio 1", 3000},
        {"BM_HumanMove", "one human move, press to canvas", 2000},
    };
    struct Found {
        Target target;
        double us;
    };
    std::vector<Found> found_;
};
}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    benchmark::Initialize(&argc, argv);
    TargetReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    delete form;
    return 0;
}
