// Start-up against the yardstick: velmora_startup ROUNDS PROGRAM BARE
//
// Runs PROGRAM (titled "Velmora") and BARE (a bare Qt window with a menu bar,
// titled "BareQt") as fresh processes under the current X display, one after
// the other, round by round. For each run it takes the time from just before
// exec to the X server's MapNotify of the program's top-level window, waiting
// on the X connection (no polling), then the process's resident memory 2 s
// later, and ends it. Prints every round, the medians and the median of the
// per-round ratios.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr double kTimeoutMs = 20000;
constexpr double kTargetRatio = 1.5;
constexpr double kStretchRatio = 1.25;
constexpr double kTargetMb = 42;

double now_ms() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

bool named(Display* d, Window w, const char* name) {
    char* got = nullptr;
    const bool ok = XFetchName(d, w, &got) && got && std::strcmp(got, name) == 0;
    if (got) XFree(got);
    return ok;
}

long resident_kb(pid_t pid) {
    char path[64], line[256];
    std::snprintf(path, sizeof path, "/proc/%d/status", static_cast<int>(pid));
    long kb = -1;
    FILE* f = std::fopen(path, "r");
    while (f && std::fgets(line, sizeof line, f))
        if (std::sscanf(line, "VmRSS: %ld", &kb) == 1) break;
    if (f) std::fclose(f);
    return kb;
}

struct Run {
    double map_ms = -1;
    long rss_kb = -1;
};

// One fresh process of `program`; its window is the first top-level window
// called `title` that the X server maps.
Run run_once(Display* d, const char* title, const char* program) {
    Run r;
    const Window root = DefaultRootWindow(d);
    XSelectInput(d, root, SubstructureNotifyMask);
    XSync(d, True);  // drop what came before
    const double t0 = now_ms();
    const pid_t pid = fork();
    if (pid == 0) {
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, STDOUT_FILENO);
        dup2(null, STDERR_FILENO);
        execl(program, program, static_cast<char*>(nullptr));
        _exit(127);
    }
    const int fd = ConnectionNumber(d);
    bool ended = false;
    while (r.map_ms < 0 && !ended && now_ms() - t0 < kTimeoutMs) {
        while (XPending(d)) {
            XEvent e;
            XNextEvent(d, &e);
            if (e.type == MapNotify && named(d, e.xmap.window, title)) {
                r.map_ms = now_ms() - t0;
                break;
            }
        }
        if (r.map_ms >= 0) break;
        // Wakes on the X connection; the timeout only notices a child that died.
        pollfd p{fd, POLLIN, 0};
        poll(&p, 1, 100);
        ended = waitpid(pid, nullptr, WNOHANG) == pid;
    }
    if (!ended) {
        sleep(2);
        r.rss_kb = resident_kb(pid);
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
    }
    XSelectInput(d, root, NoEventMask);
    return r;
}

double median(std::vector<double> v) {
    if (v.empty()) return -1;
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: velmora_startup ROUNDS PROGRAM BARE\n");
        return 2;
    }
    const int rounds = std::max(1, std::atoi(argv[1]));
    Display* d = XOpenDisplay(nullptr);
    if (!d) {
        std::fprintf(stderr, "no X display\n");
        return 2;
    }
    std::vector<double> prog_ms, bare_ms, ratios, prog_mb, bare_mb;
    for (int i = 1; i <= rounds; ++i) {
        // The order within a round alternates, so neither always goes first.
        Run bare, prog;
        if (i % 2) {
            bare = run_once(d, "BareQt", argv[3]);
            prog = run_once(d, "Velmora", argv[2]);
        } else {
            prog = run_once(d, "Velmora", argv[2]);
            bare = run_once(d, "BareQt", argv[3]);
        }
        if (bare.map_ms < 0 || prog.map_ms < 0) {
            std::printf("  round %d: a window did not appear\n", i);
            continue;
        }
        bare_ms.push_back(bare.map_ms);
        prog_ms.push_back(prog.map_ms);
        ratios.push_back(prog.map_ms / bare.map_ms);
        bare_mb.push_back(bare.rss_kb / 1024.0);
        prog_mb.push_back(prog.rss_kb / 1024.0);
        std::printf("  round %2d: velmora %4.0f ms %5.1f MB   bare %4.0f ms %5.1f MB   ratio %.2f\n", i, prog.map_ms,
                    prog.rss_kb / 1024.0, bare.map_ms, bare.rss_kb / 1024.0, prog.map_ms / bare.map_ms);
        std::fflush(stdout);
    }
    XCloseDisplay(d);
    if (ratios.empty()) return 1;
    const double ratio = median(ratios);
    const double mb = median(prog_mb);
    std::printf("window mapped after exec (median of %zu, interleaved): velmora %.0f ms, bare Qt window %.0f ms, "
                "ratio %.2f (per-round median; range %.2f-%.2f)   target <= %.2f: %s, stretch <= %.2f: %s\n",
                ratios.size(), median(prog_ms), median(bare_ms), ratio,
                *std::min_element(ratios.begin(), ratios.end()), *std::max_element(ratios.begin(), ratios.end()),
                kTargetRatio, ratio <= kTargetRatio ? "ok" : "MISSED", kStretchRatio,
                ratio <= kStretchRatio ? "ok" : "MISSED");
    std::printf("resident memory 2 s after the window, music playing (median): %.1f MB (bare window %.1f MB)   "
                "target <= %.0f MB: %s\n",
                mb, median(bare_mb), kTargetMb, mb <= kTargetMb ? "ok" : "MISSED");
    return 0;
}
