// libVelmora: buffers of sound mixed into one SDL audio device per context.
//
// Handles are numbers from one counter, looked up in tables, so a stale or
// invented handle finds nothing instead of touching freed memory. One mutex
// guards the tables and the play positions; the audio callback holds it for
// one chunk of mixing, the calls only for a lookup and a flag.
#include "velmora.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

namespace {

// The longest sound kept, in device frames (ten minutes at 48 kHz).
constexpr std::size_t kMaxFrames = 10u * 60u * 48000u;
// The longest image dsCreateDSB believes its header about.
constexpr std::size_t kMaxTrustedImage = std::size_t{1} << 30;
// Sample rates outside this range are refused: below it a short image would
// blow up when resampled, above it no device plays it.
constexpr int kMinRate = 1000;
constexpr int kMaxRate = 384000;
// What the buffers hold: 16-bit samples in the device's channels and rate.
constexpr SDL_AudioFormat kBufferFormat = AUDIO_S16SYS;
constexpr float kSampleScale = 1.0f / 32768.0f;

struct SdlFree {
    void operator()(void* p) const { SDL_free(p); }
};
using Samples = std::unique_ptr<Sint16[], SdlFree>;

struct Buffer {
    intptr_t context = 0;
    intptr_t flags = 0;
    Samples samples;  // interleaved, the device's channels
    std::size_t frames = 0;
    std::size_t pos = 0;  // next frame to play
    bool playing = false;
    bool looping = false;
};

struct Context {
    SDL_AudioDeviceID device = 0;
    int rate = 0;
    int channels = 0;
    bool manual = false;  // a test runs the mixer itself
    std::vector<intptr_t> buffers;
};

std::mutex g_lock;
intptr_t g_next_handle = 0;
std::unordered_map<intptr_t, Context> g_contexts;
std::unordered_map<intptr_t, std::unique_ptr<Buffer>> g_buffers;

intptr_t new_handle() {
    // Never 0, never reused.
    return ++g_next_handle;
}

// Adds `frames` frames of every playing buffer of `ctx` to `out` (zeroed by
// the caller), then clips. Called with g_lock held.
void mix(const Context& ctx, float* out, std::size_t frames) {
    const std::size_t ch = static_cast<std::size_t>(ctx.channels);
    for (intptr_t h : ctx.buffers) {
        auto it = g_buffers.find(h);
        if (it == g_buffers.end()) continue;
        Buffer& b = *it->second;
        std::size_t done = 0;
        while (b.playing && done < frames) {
            if (b.pos >= b.frames) {
                if (!b.looping) {
                    b.playing = false;
                    b.pos = 0;
                    break;
                }
                b.pos = 0;
            }
            const std::size_t n = std::min(frames - done, b.frames - b.pos);
            const Sint16* src = b.samples.get() + b.pos * ch;
            float* dst = out + done * ch;
            for (std::size_t i = 0; i < n * ch; ++i) dst[i] += static_cast<float>(src[i]) * kSampleScale;
            b.pos += n;
            done += n;
        }
        if (b.playing && !b.looping && b.pos >= b.frames) {
            b.playing = false;
            b.pos = 0;
        }
    }
    for (std::size_t i = 0; i < frames * ch; ++i) out[i] = std::clamp(out[i], -1.0f, 1.0f);
}

void SDLCALL audio_callback(void* userdata, Uint8* stream, int len) {
    const intptr_t handle = reinterpret_cast<intptr_t>(userdata);
    std::memset(stream, 0, static_cast<std::size_t>(len));
    std::lock_guard<std::mutex> lock(g_lock);
    auto it = g_contexts.find(handle);
    if (it == g_contexts.end() || it->second.manual) return;
    const std::size_t frames = static_cast<std::size_t>(len) / (sizeof(float) * it->second.channels);
    mix(it->second, reinterpret_cast<float*>(stream), frames);
}

// A wave image decoded by SDL: its own samples, in the file's format.
struct Decoded {
    SDL_AudioSpec wave_format{};
    Samples data;  // as SDL_LoadWAV_RW gives it, in wave_format's format
    Uint32 bytes = 0;
};

// The length the RIFF header claims for the whole image (8 + its size field),
// or 0 when the first 12 bytes are not a RIFF/WAVE header. Reads 12 bytes.
std::size_t riff_image_size(const void* image) {
    const auto* p = static_cast<const unsigned char*>(image);
    if (std::memcmp(p, "RIFF", 4) != 0 || std::memcmp(p + 8, "WAVE", 4) != 0) return 0;
    return (std::size_t{p[4]} | std::size_t{p[5]} << 8 | std::size_t{p[6]} << 16 | std::size_t{p[7]} << 24) + 8;
}

bool decode(const void* image, std::size_t size, Decoded& out) {
    // A header that claims more than there is: the image was cut short.
    if (size < 12 || size > static_cast<std::size_t>(SDL_MAX_SINT32)) return false;
    const std::size_t claimed = riff_image_size(image);
    if (claimed < 12 || claimed > size) return false;
    // SDL believes a chunk's length when it allocates room for the chunk: one
    // that claims more than the image holds is refused before SDL sees it.
    const auto* p = static_cast<const unsigned char*>(image);
    // (A chunk header that starts inside the RIFF size is read whole.)
    for (std::size_t pos = 12; pos < claimed && pos + 8 <= size;) {
        const std::size_t length = std::size_t{p[pos + 4]} | std::size_t{p[pos + 5]} << 8 |
                                   std::size_t{p[pos + 6]} << 16 | std::size_t{p[pos + 7]} << 24;
        if (length > size - (pos + 8)) return false;
        // Chunks are padded to even lengths; the pad of the last one is often missing.
        pos += 8 + length + (length & 1);
    }
    SDL_RWops* rw = SDL_RWFromConstMem(image, static_cast<int>(size));
    if (!rw) return false;
    Uint8* data = nullptr;
    // Frees the stream whatever happens.
    if (!SDL_LoadWAV_RW(rw, 1, &out.wave_format, &data, &out.bytes)) return false;
    out.data.reset(reinterpret_cast<Sint16*>(data));
    if (out.wave_format.freq < kMinRate || out.wave_format.freq > kMaxRate || out.wave_format.channels == 0) return false;
    const Uint32 frame = SDL_AUDIO_BITSIZE(out.wave_format.format) / 8u * out.wave_format.channels;
    if (frame == 0 || out.bytes / frame == 0) return false;
    out.bytes -= out.bytes % frame;  // whole frames only
    return true;
}

// Converts the decoded sound into the buffer's format, in place where SDL can
// (the block only grows by what the conversion needs). A sound made to loop
// and resampled is resampled as a circle: its end is put before its
// beginning and its beginning after its end, so the filter sees across the
// loop point instead of silence and the seam stays smooth.
bool convert(Decoded& d, int channels, int rate, bool circular, Buffer& b) {
    SDL_AudioCVT cvt;
    const int built = SDL_BuildAudioCVT(&cvt, d.wave_format.format, d.wave_format.channels, d.wave_format.freq, kBufferFormat,
                                        static_cast<Uint8>(channels), rate);
    if (built < 0) return false;
    const std::size_t in_frame = SDL_AUDIO_BITSIZE(d.wave_format.format) / 8u * d.wave_format.channels;
    const std::size_t out_frame = sizeof(Sint16) * static_cast<std::size_t>(channels);
    const std::size_t frames = d.bytes / in_frame;
    if (static_cast<double>(frames) * rate / d.wave_format.freq > static_cast<double>(kMaxFrames)) return false;
    if (built == 0) {  // already in the buffer's format
        b.samples = std::move(d.data);
        b.frames = frames;
        return true;
    }
    const std::size_t mult = static_cast<std::size_t>(std::max(cvt.len_mult, 1));
    const bool resampling = d.wave_format.freq != rate;
    const std::size_t wrap = circular && resampling ? std::min<std::size_t>(frames, 4096) : 0;
    const std::size_t in_bytes = (frames + 2 * wrap) * in_frame;
    if (in_bytes > static_cast<std::size_t>(SDL_MAX_SINT32) / mult) return false;
    Samples work;
    if (wrap == 0) {
        // In place: SDL_realloc keeps the samples and leaves the new room as it is.
        void* grown = SDL_realloc(d.data.get(), in_bytes * mult);
        if (!grown) return false;
        d.data.release();
        work.reset(static_cast<Sint16*>(grown));
    } else {
        work.reset(static_cast<Sint16*>(SDL_malloc(in_bytes * mult)));
        if (!work) return false;
        auto* w = reinterpret_cast<Uint8*>(work.get());
        const auto* src = reinterpret_cast<const Uint8*>(d.data.get());
        std::memcpy(w, src + (frames - wrap) * in_frame, wrap * in_frame);
        std::memcpy(w + wrap * in_frame, src, frames * in_frame);
        std::memcpy(w + (wrap + frames) * in_frame, src, wrap * in_frame);
        d.data.reset();
    }
    cvt.buf = reinterpret_cast<Uint8*>(work.get());
    cvt.len = static_cast<int>(in_bytes);
    if (SDL_ConvertAudio(&cvt) != 0 || cvt.len_cvt <= 0) return false;
    const std::size_t got = static_cast<std::size_t>(cvt.len_cvt) / out_frame;
    const double ratio = static_cast<double>(rate) / d.wave_format.freq;
    const std::size_t first = static_cast<std::size_t>(std::llround(static_cast<double>(wrap) * ratio));
    std::size_t keep = resampling ? static_cast<std::size_t>(std::llround(static_cast<double>(frames) * ratio))
                                  : frames;
    if (first >= got) return false;
    keep = std::min(keep, got - first);
    if (keep == 0) return false;
    if (first > 0) std::memmove(work.get(), work.get() + first * channels, keep * out_frame);
    // Gives back what the conversion needed beyond the sound itself.
    if (void* shrunk = SDL_realloc(work.get(), keep * out_frame)) {
        work.release();
        work.reset(static_cast<Sint16*>(shrunk));
    }
    b.samples = std::move(work);
    b.frames = keep;
    return true;
}

template <class F>
intptr_t with_buffer(intptr_t handle, F f) {
    std::lock_guard<std::mutex> lock(g_lock);
    auto it = g_buffers.find(handle);
    if (it == g_buffers.end()) return 0;
    f(*it->second);
    return 1;
}

void start(Buffer& b, bool loop) {
    const bool effect = (b.flags & DS_EFFECT) != 0;
    if (effect || !b.playing) b.pos = 0;
    b.playing = true;
    b.looping = loop;
}

}  // namespace

extern "C" {

intptr_t dsInitialize(intptr_t) {
    // SDL's audio brings up its events, whose SIGINT and SIGTERM handlers
    // would only queue a quit event nobody reads: the program could then no
    // longer be interrupted or terminated. The host program keeps its signals.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return 0;
    intptr_t handle;
    {
        std::lock_guard<std::mutex> lock(g_lock);
        handle = new_handle();
    }
    SDL_AudioSpec want{}, have{};
    want.freq = 44100;
    want.format = AUDIO_F32SYS;
    want.channels = 2;
    want.samples = 1024;
    want.callback = audio_callback;
    want.userdata = reinterpret_cast<void*>(handle);
    const SDL_AudioDeviceID dev =
        SDL_OpenAudioDevice(nullptr, 0, &want, &have, SDL_AUDIO_ALLOW_FREQUENCY_CHANGE);
    if (dev == 0 || have.freq <= 0 || have.channels == 0) {
        if (dev) SDL_CloseAudioDevice(dev);
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return 0;
    }
    {
        std::lock_guard<std::mutex> lock(g_lock);
        Context& c = g_contexts[handle];
        c.device = dev;
        c.rate = have.freq;
        c.channels = have.channels;
    }
    SDL_PauseAudioDevice(dev, 0);
    return handle;
}

intptr_t dsCreateDSBSized(intptr_t context, const void* image, size_t size, intptr_t flags) {
    if (context == 0 || !image) return 0;
    int rate, channels;
    {
        std::lock_guard<std::mutex> lock(g_lock);
        auto it = g_contexts.find(context);
        if (it == g_contexts.end()) return 0;
        rate = it->second.rate;
        channels = it->second.channels;
    }
    // The work is done without the lock: the music keeps playing meanwhile.
    Decoded wave;
    if (!decode(image, size, wave)) return 0;
    auto b = std::make_unique<Buffer>();
    b->context = context;
    b->flags = flags;
    if (!convert(wave, channels, rate, (flags & DS_EFFECT) == 0, *b)) return 0;
    if (b->frames == 0 || b->frames > kMaxFrames) return 0;

    std::lock_guard<std::mutex> lock(g_lock);
    auto it = g_contexts.find(context);
    if (it == g_contexts.end()) return 0;  // terminated meanwhile
    const intptr_t handle = new_handle();
    it->second.buffers.push_back(handle);
    g_buffers.emplace(handle, std::move(b));
    return handle;
}

intptr_t dsCreateDSB(intptr_t context, const void* image, intptr_t flags) {
    if (context == 0 || !image) return 0;
    const std::size_t size = riff_image_size(image);
    if (size == 0 || size > kMaxTrustedImage) return 0;
    return dsCreateDSBSized(context, image, size, flags);
}

intptr_t dsPlay(intptr_t buffer) {
    return with_buffer(buffer, [](Buffer& b) { start(b, false); });
}

intptr_t dsPlayLooping(intptr_t buffer) {
    return with_buffer(buffer, [](Buffer& b) { start(b, true); });
}

intptr_t dsStop(intptr_t buffer) {
    return with_buffer(buffer, [](Buffer& b) {
        b.playing = false;
        b.looping = false;
        b.pos = 0;
    });
}

intptr_t dsFree(intptr_t buffer) {
    std::unique_ptr<Buffer> gone;
    {
        std::lock_guard<std::mutex> lock(g_lock);
        auto it = g_buffers.find(buffer);
        if (it == g_buffers.end()) return 0;
        gone = std::move(it->second);
        g_buffers.erase(it);
        auto c = g_contexts.find(gone->context);
        if (c != g_contexts.end()) std::erase(c->second.buffers, buffer);
    }
    return 1;  // the samples are released here, outside the lock
}

intptr_t dsTerminate(intptr_t context) {
    SDL_AudioDeviceID dev;
    std::vector<std::unique_ptr<Buffer>> gone;
    {
        std::lock_guard<std::mutex> lock(g_lock);
        auto it = g_contexts.find(context);
        if (it == g_contexts.end()) return 0;
        dev = it->second.device;
        for (intptr_t h : it->second.buffers) {
            auto b = g_buffers.find(h);
            if (b == g_buffers.end()) continue;
            gone.push_back(std::move(b->second));
            g_buffers.erase(b);
        }
        g_contexts.erase(it);
    }
    // Closing waits for the callback to finish, so it must not hold the lock.
    SDL_CloseAudioDevice(dev);
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return 1;
}

intptr_t dsDebugMixFrames(intptr_t context, intptr_t frames, float* out) {
    if (frames < 0) return 0;
    SDL_AudioDeviceID dev;
    {
        std::lock_guard<std::mutex> lock(g_lock);
        auto it = g_contexts.find(context);
        if (it == g_contexts.end()) return 0;
        it->second.manual = true;
        dev = it->second.device;
    }
    SDL_PauseAudioDevice(dev, 1);
    std::lock_guard<std::mutex> lock(g_lock);
    auto it = g_contexts.find(context);
    if (it == g_contexts.end()) return 0;
    const std::size_t n = static_cast<std::size_t>(frames);
    std::vector<float> mixed(n * static_cast<std::size_t>(it->second.channels), 0.0f);
    mix(it->second, mixed.data(), n);
    if (out) std::copy(mixed.begin(), mixed.end(), out);
    return frames;
}

intptr_t dsDebugFormat(intptr_t context, int* rate, int* channels) {
    std::lock_guard<std::mutex> lock(g_lock);
    auto it = g_contexts.find(context);
    if (it == g_contexts.end()) return 0;
    if (rate) *rate = it->second.rate;
    if (channels) *channels = it->second.channels;
    return 1;
}

}  // extern "C"
