// Marks between the phases of the start, for the phase table of
// scripts/bench.sh. The program leaves the hook empty, so a mark costs one
// test; the bench's traced builds (VELMORA_STARTUP_MARKS) set it to
// write_mark, which writes the phase's name and the monotonic clock to
// descriptor 3, where the bench reads them and sets them against the exec.
#pragma once

#ifdef VELMORA_STARTUP_MARKS
#include <time.h>
#include <unistd.h>

#include <cstdio>
#endif

namespace startup_marks {

inline void (*hook)(const char* phase) = nullptr;

inline void mark(const char* phase) {
    if (hook) hook(phase);
}

#ifdef VELMORA_STARTUP_MARKS
constexpr int kMarkFd = 3;
inline void write_mark(const char* phase) {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    char line[128];
    const int n = std::snprintf(line, sizeof line, "%.3f %s\n", t.tv_sec * 1e3 + t.tv_nsec / 1e6, phase);
    if (n > 0 && n < static_cast<int>(sizeof line))
        (void)!::write(kMarkFd, line, static_cast<std::size_t>(n));
}
#endif

}  // namespace startup_marks
