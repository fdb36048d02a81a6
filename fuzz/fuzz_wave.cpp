// Arbitrary bytes as a wave image: the library (SDL's wave reader, then our
// conversion to the buffer's format and our mixer) must refuse or play them,
// never read past them, and always mix finite samples within full scale. The
// same bytes go in as an open file too, where music is streamed from them.
#include <sys/mman.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "velmora.h"

namespace {
intptr_t g_context = 0;
std::vector<float> g_out;

void mix_and_check(intptr_t frames) {
    int rate = 0, channels = 0;
    dsDebugFormat(g_context, &rate, &channels);
    g_out.assign(static_cast<std::size_t>(frames * channels), 0.0f);
    if (dsDebugMixFrames(g_context, frames, g_out.data()) != frames) std::abort();
    for (float v : g_out)
        if (!std::isfinite(v) || v < -1.0f || v > 1.0f) std::abort();
}

void exercise(intptr_t buffer) {
    dsPlay(buffer);
    mix_and_check(700);
    dsPlay(buffer);
    dsPlayLooping(buffer);
    mix_and_check(3000);
    dsStop(buffer);
    mix_and_check(64);
    for (float v : g_out)
        if (v != 0.0f) std::abort();  // a stopped buffer is silent
    dsFree(buffer);
    dsPlay(buffer);
}
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    g_context = dsInitialize(0);
    if (!g_context) std::abort();
    dsDebugMixFrames(g_context, 0, nullptr);  // the fuzzer runs the mixer
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // As an effect and as music: they are resampled differently.
    for (intptr_t flags : {intptr_t{3}, intptr_t{1}}) {
        const intptr_t h = dsCreateDSBSized(g_context, data, size, flags);
        if (h) exercise(h);
    }
    // As a file (in memory, so the fuzzer stays off the disk).
    const int fd = memfd_create("fuzz_wave", MFD_CLOEXEC);
    if (fd < 0) std::abort();
    if (size > 0 && write(fd, data, size) != static_cast<ssize_t>(size)) std::abort();
    for (intptr_t flags : {intptr_t{3}, intptr_t{1}}) {
        const intptr_t h = dsCreateDSBFromFile(g_context, fd, flags);
        if (h) exercise(h);
    }
    close(fd);
    // The unsized entry only where the header stays inside the bytes given.
    if (size >= 12) {
        std::uint32_t riff;
        std::memcpy(&riff, data + 4, 4);
        if (std::uint64_t{riff} + 8 <= size) {
            const intptr_t h = dsCreateDSB(g_context, data, 3);
            if (h) exercise(h);
        }
    }
    return 0;
}
