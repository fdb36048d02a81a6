// libVelmora: buffers of sound mixed into one SDL audio device per context.
//
// Handles are numbers from one counter, looked up in tables, so a stale or
// invented handle finds nothing instead of touching freed memory. One mutex
// guards the tables and the play positions; the audio callback holds it for
// one chunk of mixing, the calls only for a lookup and a flag.
#include "velmora.h"

#include <SDL.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "wave.h"

namespace {

using velmora::WaveData;

// The longest sound kept, in device frames (ten minutes at 48 kHz).
constexpr std::size_t kMaxFrames = 10u * 60u * 48000u;
// The longest image dsCreateDSB believes its header about.
constexpr std::size_t kMaxTrustedImage = std::size_t{1} << 30;

struct Buffer {
    intptr_t context = 0;
    intptr_t flags = 0;
    std::vector<float> samples;  // device format: float, the device's channels
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
            const float* src = b.samples.data() + b.pos * ch;
            float* dst = out + done * ch;
            for (std::size_t i = 0; i < n * ch; ++i) dst[i] += src[i];
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

// Spreads the wave's channels over the device's: mono goes to every channel,
// otherwise channel i goes to device channel i modulo their count, averaged.
std::vector<float> map_channels(const WaveData& w, int device_channels) {
    const std::size_t in = static_cast<std::size_t>(w.channels);
    const std::size_t dc = static_cast<std::size_t>(device_channels);
    std::vector<float> out(w.frames * dc, 0.0f);
    if (in == 1) {
        for (std::size_t f = 0; f < w.frames; ++f)
            for (std::size_t c = 0; c < dc; ++c) out[f * dc + c] = w.samples[f];
        return out;
    }
    std::vector<float> weight(dc, 0.0f);
    for (std::size_t c = 0; c < in; ++c) weight[c % dc] += 1.0f;
    for (std::size_t f = 0; f < w.frames; ++f) {
        const float* src = w.samples.data() + f * in;
        float* dst = out.data() + f * dc;
        for (std::size_t c = 0; c < in; ++c) dst[c % dc] += src[c];
        for (std::size_t c = 0; c < dc; ++c)
            if (weight[c] > 1.0f) dst[c] /= weight[c];
    }
    return out;
}

// Resamples interleaved float frames from `from` Hz to `to` Hz with SDL.
// A sound made to loop is resampled as a circle: its end is put before its
// beginning and its beginning after its end, so the filter sees across the
// loop point instead of silence and the seam stays smooth.
bool resample(std::vector<float>& samples, int channels, int from, int to, bool circular) {
    if (from == to) return true;
    const std::size_t ch = static_cast<std::size_t>(channels);
    const std::size_t frames = samples.size() / ch;
    if (static_cast<double>(frames) * to / from > static_cast<double>(kMaxFrames)) return false;
    const std::size_t wrap = circular ? std::min<std::size_t>(frames, 4096) : 0;
    std::vector<float> in;
    in.reserve((frames + 2 * wrap) * ch);
    in.insert(in.end(), samples.end() - static_cast<std::ptrdiff_t>(wrap * ch), samples.end());
    in.insert(in.end(), samples.begin(), samples.end());
    in.insert(in.end(), samples.begin(), samples.begin() + static_cast<std::ptrdiff_t>(wrap * ch));

    SDL_AudioCVT cvt;
    if (SDL_BuildAudioCVT(&cvt, AUDIO_F32SYS, static_cast<Uint8>(channels), from, AUDIO_F32SYS,
                          static_cast<Uint8>(channels), to) < 0)
        return false;
    const std::size_t bytes = in.size() * sizeof(float);
    if (bytes >
        static_cast<std::size_t>(SDL_MAX_SINT32) / static_cast<std::size_t>(std::max(cvt.len_mult, 1)))
        return false;
    in.resize(in.size() * static_cast<std::size_t>(std::max(cvt.len_mult, 1)));
    cvt.buf = reinterpret_cast<Uint8*>(in.data());
    cvt.len = static_cast<int>(bytes);
    if (SDL_ConvertAudio(&cvt) != 0 || cvt.len_cvt <= 0) return false;
    const std::size_t got = static_cast<std::size_t>(cvt.len_cvt) / (sizeof(float) * ch);
    const double ratio = static_cast<double>(to) / from;
    const std::size_t first = static_cast<std::size_t>(std::llround(static_cast<double>(wrap) * ratio));
    std::size_t keep = static_cast<std::size_t>(std::llround(static_cast<double>(frames) * ratio));
    if (first >= got) return false;
    keep = std::min(keep, got - first);
    if (keep == 0) return false;
    samples.assign(in.begin() + static_cast<std::ptrdiff_t>(first * ch),
                   in.begin() + static_cast<std::ptrdiff_t>((first + keep) * ch));
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
    WaveData wave;
    if (!velmora::parse_wave(static_cast<const unsigned char*>(image), size, wave)) return 0;
    if (wave.frames > kMaxFrames) return 0;
    auto b = std::make_unique<Buffer>();
    b->context = context;
    b->flags = flags;
    b->samples = map_channels(wave, channels);
    wave.samples = {};
    if (!resample(b->samples, channels, wave.rate, rate, (flags & DS_EFFECT) == 0)) return 0;
    b->frames = b->samples.size() / static_cast<std::size_t>(channels);
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
    const std::size_t size = velmora::riff_image_size(static_cast<const unsigned char*>(image));
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
