// Start-up against the yardstick: velmora_startup [--phases] ROUNDS PROGRAM BARE
//
// Runs PROGRAM (titled "Velmora") and BARE (a bare Qt window with a menu bar,
// titled "BareQt") as fresh processes under the current X display, one after
// the other, round by round. For each run it takes the time from just before
// exec to the X server's MapNotify of the program's top-level window, waiting
// on the X connection (no polling), then the process's resident memory 2 s
// later, and ends it. Prints every round, the medians and the median, lowest
// and highest of the per-round ratios and of the memory.
//
// With --phases the two programs are the traced builds, which write a mark
// at the end of each phase of their start to descriptor 3 (app/startup_marks.h);
// it prints, for each, the median time of every mark after exec (the map
// among them) and the phase that ends there.
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
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr double kTimeoutMs = 20000;
constexpr double kTargetRatio = 1.5;
constexpr double kStretchRatio = 1.25;
constexpr double kTargetMb = 46;
constexpr double kStretchMb = 42;

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

constexpr int kMarkFd = 3;
constexpr const char* kMapped = "window mapped (X server's MapNotify)";

struct Run {
    double map_ms = -1;
    long rss_kb = -1;
    std::vector<std::pair<std::string, double>> marks;  // name, ms after exec
};

// The marks a traced program wrote ("<monotonic ms> <phase>" lines), set
// against the exec at `t0`.
void read_marks(int fd, double t0, Run& r) {
    std::string all;
    char buf[4096];
    for (ssize_t n; (n = read(fd, buf, sizeof buf)) > 0;) all.append(buf, static_cast<std::size_t>(n));
    std::size_t at = 0;
    while (at < all.size()) {
        std::size_t end = all.find('\n', at);
        if (end == std::string::npos) end = all.size();
        const std::string line = all.substr(at, end - at);
        at = end + 1;
        char* rest = nullptr;
        const double t = std::strtod(line.c_str(), &rest);
        if (rest && *rest == ' ') r.marks.emplace_back(rest + 1, t - t0);
    }
}

// One fresh process of `program`; its window is the first top-level window
// called `title` that the X server maps.
Run run_once(Display* d, const char* title, const char* program, bool traced) {
    Run r;
    const Window root = DefaultRootWindow(d);
    XSelectInput(d, root, SubstructureNotifyMask);
    XSync(d, True);  // drop what came before
    int marks[2] = {-1, -1};
    if (traced && pipe2(marks, O_CLOEXEC | O_NONBLOCK) != 0) return r;
    const double t0 = now_ms();
    const pid_t pid = fork();
    if (pid == 0) {
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, STDOUT_FILENO);
        dup2(null, STDERR_FILENO);
        if (traced) dup2(marks[1], kMarkFd);  // dup2 clears close-on-exec
        execl(program, program, static_cast<char*>(nullptr));
        _exit(127);
    }
    if (traced) close(marks[1]);
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
    if (traced) {
        read_marks(marks[0], t0, r);
        close(marks[0]);
        if (r.map_ms >= 0) r.marks.emplace_back(kMapped, r.map_ms);
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

// "median (lowest-highest)"
std::string spread(const std::vector<double>& v, const char* format) {
    char m[32], lo[32], hi[32];
    std::snprintf(m, sizeof m, format, median(v));
    std::snprintf(lo, sizeof lo, format, *std::min_element(v.begin(), v.end()));
    std::snprintf(hi, sizeof hi, format, *std::max_element(v.begin(), v.end()));
    return std::string(m) + " (" + lo + "-" + hi + ")";
}

// Every mark's median time after exec over the rounds, in the order of those
// medians, with the phase that ends there (from the mark before).
void print_phases(const char* name, const std::vector<Run>& runs) {
    std::map<std::string, std::vector<double>> at;
    for (const Run& r : runs)
        for (const auto& [mark, ms] : r.marks) at[mark].push_back(ms);
    std::vector<std::pair<double, std::string>> order;
    for (const auto& [mark, times] : at) order.emplace_back(median(times), mark);
    std::sort(order.begin(), order.end());
    std::printf("%s, median of %zu rounds: ms after exec, then the phase that ends at the mark\n", name,
                runs.size());
    // The sound's thread ("[sound] ..." marks) is a chain of its own, from main.
    const double at_main = at.count("main") ? median(at["main"]) : 0;
    double before = 0, sound_before = at_main;
    for (const auto& [ms, mark] : order) {
        const bool sound = mark.rfind("[sound]", 0) == 0;
        double& last = sound ? sound_before : before;
        std::printf("  %7.1f  %+6.1f  %s%s\n", ms, ms - last,
                    mark == "main" ? "exec to main (dynamic loading): " : "", mark.c_str());
        last = ms;
    }
}

}  // namespace

int main(int argc, char** argv) {
    const bool phases = argc > 1 && std::strcmp(argv[1], "--phases") == 0;
    if (phases) {
        --argc;
        ++argv;
    }
    if (argc != 4) {
        std::fprintf(stderr, "usage: velmora_startup [--phases] ROUNDS PROGRAM BARE\n");
        return 2;
    }
    const int rounds = std::max(1, std::atoi(argv[1]));
    Display* d = XOpenDisplay(nullptr);
    if (!d) {
        std::fprintf(stderr, "no X display\n");
        return 2;
    }
    std::vector<double> prog_ms, bare_ms, ratios, prog_mb, bare_mb;
    std::vector<Run> prog_runs, bare_runs;
    for (int i = 1; i <= rounds; ++i) {
        // The order within a round alternates, so neither always goes first.
        Run bare, prog;
        if (i % 2) {
            bare = run_once(d, "BareQt", argv[3], phases);
            prog = run_once(d, "Velmora", argv[2], phases);
        } else {
            prog = run_once(d, "Velmora", argv[2], phases);
            bare = run_once(d, "BareQt", argv[3], phases);
        }
        if (bare.map_ms < 0 || prog.map_ms < 0) {
            std::printf("  round %d: a window did not appear\n", i);
            continue;
        }
        prog_runs.push_back(prog);
        bare_runs.push_back(bare);
        bare_ms.push_back(bare.map_ms);
        prog_ms.push_back(prog.map_ms);
        ratios.push_back(prog.map_ms / bare.map_ms);
        bare_mb.push_back(bare.rss_kb / 1024.0);
        prog_mb.push_back(prog.rss_kb / 1024.0);
        std::printf("  round %2d: velmora %4.0f ms %5.1f MB   bare %4.0f ms %5.1f MB   ratio %.2f\n", i,
                    prog.map_ms, prog.rss_kb / 1024.0, bare.map_ms, bare.rss_kb / 1024.0,
                    prog.map_ms / bare.map_ms);
        std::fflush(stdout);
    }
    XCloseDisplay(d);
    if (ratios.empty()) return 1;
    if (phases) {
        print_phases("velmora (traced build)", prog_runs);
        print_phases("bare Qt window (traced build)", bare_runs);
        std::printf("window mapped after exec, traced builds: velmora %s ms, bare %s ms, ratio %s\n",
                    spread(prog_ms, "%.0f").c_str(), spread(bare_ms, "%.0f").c_str(),
                    spread(ratios, "%.2f").c_str());
        return 0;
    }
    const double ratio = median(ratios);
    const double mb = median(prog_mb);
    std::printf(
        "window mapped after exec, %zu interleaved rounds, median (lowest-highest): velmora %s ms, bare Qt "
        "window %s ms\n",
        ratios.size(), spread(prog_ms, "%.0f").c_str(), spread(bare_ms, "%.0f").c_str());
    std::printf("  per-round ratio %s   target <= %.2f: %s, stretch <= %.2f: %s\n",
                spread(ratios, "%.2f").c_str(), kTargetRatio, ratio <= kTargetRatio ? "ok" : "MISSED",
                kStretchRatio, ratio <= kStretchRatio ? "ok" : "MISSED");
    std::printf(
        "resident memory 2 s after the window, music playing, median (lowest-highest): velmora %s MB, bare "
        "window %s MB   target <= %.0f MB: %s, stretch <= %.0f MB: %s\n",
        spread(prog_mb, "%.1f").c_str(), spread(bare_mb, "%.1f").c_str(), kTargetMb,
        mb <= kTargetMb ? "ok" : "MISSED", kStretchMb, mb <= kStretchMb ? "ok" : "MISSED");
    return 0;
}
