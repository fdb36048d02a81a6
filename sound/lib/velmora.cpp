// libVelmora: buffers of sound mixed into one SDL audio device per context.
//
// Handles are numbers from one counter, looked up in tables, so a stale or
// invented handle finds nothing instead of touching freed memory. One mutex
// guards the tables and the play positions; the audio callback holds it for
// one chunk of mixing (and the read of a streamed file that chunk needs), the
// calls only for a lookup and a flag.
//
// Each context plays its music and its effects through two devices, and has
// a keeper thread that holds each only while a sound of its kind plays: it
// opens the device when one is asked for and closes it a while after the
// last has ended. Opening, pausing and closing a device go through
// a second mutex, taken before the first and never while it is held: SDL's
// callback runs under SDL's own lock and takes the first, so the first held
// around an SDL call that takes SDL's lock could deadlock.
#include "velmora.h"

#include <SDL.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>
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

// Music read from its file as it plays: one read of the data at a time goes
// through an SDL_AudioStream, which converts and resamples incrementally, so
// only a few kilobytes of it are ever held.
struct Stream {
    int fd = -1;                         // the library's own descriptor
    off_t data_start = 0;                // the data chunk's first byte in the file
    std::size_t data_bytes = 0;          // whole frames only
    std::size_t next = 0;                // the next byte of the data to read
    std::size_t held_back_bytes = 0;     // what the resampler keeps of the file's last frames
    Uint8 silence = 0;                   // the byte of silence in the file's format
    bool drained = false;                // the end was reached without looping: what is left plays out
    SDL_AudioStream* convert = nullptr;  // file format -> the device's float frames
    std::vector<Uint8> read;             // one read of the file, whole frames
    std::vector<float> piece;            // converted frames on their way into the mix
    Stream() = default;
    Stream(const Stream&) = delete;
    Stream& operator=(const Stream&) = delete;
    ~Stream() {
        if (convert) SDL_FreeAudioStream(convert);
        if (fd >= 0) ::close(fd);
    }
};

struct Buffer {
    intptr_t context = 0;
    intptr_t flags = 0;
    Samples samples;  // interleaved, the device's channels
    std::size_t frames = 0;
    std::size_t pos = 0;  // next frame to play
    bool playing = false;
    bool looping = false;
    std::unique_ptr<Stream> stream;  // streamed music: `samples` stays empty
};

// Converted frames taken from a stream at a time.
constexpr std::size_t kStreamPieceFrames = 1024;
// Bytes of the file read at a time (rounded down to whole frames): four
// device callbacks of 16-bit stereo.
constexpr std::size_t kStreamReadBytes = 16384;
// A streamed file's header (everything before its samples) is read whole to
// be checked; one larger than this is read whole, samples and all.
constexpr std::size_t kMaxStreamHeader = 65536;
// The frames of the file that SDL's reader checks along with the header.
constexpr std::size_t kStreamProbeFrames = 16;

// The program's name in the sound server's mixer.
constexpr char kProgramName[] = "Velmora";

// The music and the effects play through devices of their own (two streams
// at the sound server), each with a buffer of its own length. The server's
// buffer for a stream is as long as the device's (SDL asks it so): the
// music's is long, so that a loaded machine does not starve it, and switching
// it on or off is late by at most that; the effects' is short, so that a
// click is heard with its move.
enum Lane { kMusicLane, kEffectLane, kLanes };
constexpr Uint16 kLaneFrames[kLanes] = {8192, 1024};
// How long a device stays open after the last sound of its lane has ended: a
// click that follows soon after finds it running.
constexpr std::chrono::milliseconds kHoldAfterSound{1000};
// After a device failed to open, how long before the keeper tries again for
// music that is still on.
constexpr std::chrono::milliseconds kRetryOpen{2000};

using Clock = std::chrono::steady_clock;

struct Context {
    SDL_AudioDeviceID device[kLanes] = {};  // 0 while the lane's device is closed
    int rate = 0;
    int channels = 0;
    bool manual = false;                         // a test runs the mixer itself
    bool ending = false;                         // dsTerminate: the keeper leaves
    Clock::time_point quiet_since[kLanes] = {};  // the keeper saw the lane silent then
    Clock::time_point retry_at[kLanes] = {};     // a device that failed to open is tried again then
    std::vector<intptr_t> buffers;
    std::thread keeper;
};

std::mutex& g_lock = *new std::mutex;
// Wakes the keepers: a sound was asked for, stopped, or ended (under g_lock).
std::condition_variable& g_wake = *new std::condition_variable;
// Serialises opening, pausing and closing devices; taken before g_lock.
std::mutex& g_device_lock = *new std::mutex;
intptr_t g_next_handle = 0;
auto& g_contexts = *new std::unordered_map<intptr_t, Context>;
auto& g_buffers = *new std::unordered_map<intptr_t, std::unique_ptr<Buffer>>;

intptr_t new_handle() {
    // Never 0, never reused.
    return ++g_next_handle;
}

// `n` bytes from `at`, or false when the file ends first or fails.
bool read_at(int fd, void* to, std::size_t n, off_t at) {
    auto* p = static_cast<unsigned char*>(to);
    while (n > 0) {
        const ssize_t r = ::pread(fd, p, n, at);
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) return false;
        p += r;
        n -= static_cast<std::size_t>(r);
        at += r;
    }
    return true;
}

// Back to the data's first byte, nothing converted held.
void rewind(Stream& s) {
    s.next = 0;
    s.drained = false;
    SDL_AudioStreamClear(s.convert);
}

// Puts one read of the file into the conversion. At the end of the data a
// looping buffer reads on from the data's first byte, so the conversion and
// its resampler run across the loop point as across any other frame; a buffer
// played once lets the conversion give out its last frames.
void feed(const Buffer& b, Stream& s) {
    if (s.next >= s.data_bytes) {
        if (!b.looping) {
            // SDL 2's resampler keeps the last frames it was given until more
            // come, and its flush gives back only frames it staged itself:
            // silence pushes the sound's own last frames out.
            for (std::size_t left = s.held_back_bytes; left > 0;) {
                const std::size_t n = std::min(left, s.read.size());
                std::memset(s.read.data(), s.silence, n);
                SDL_AudioStreamPut(s.convert, s.read.data(), static_cast<int>(n));
                left -= n;
            }
            SDL_AudioStreamFlush(s.convert);
            s.drained = true;
            return;
        }
        s.next = 0;
    }
    const std::size_t n = std::min(s.read.size(), s.data_bytes - s.next);
    if (!read_at(s.fd, s.read.data(), n, s.data_start + static_cast<off_t>(s.next)) ||
        SDL_AudioStreamPut(s.convert, s.read.data(), static_cast<int>(n)) != 0) {
        // The file was cut short or fails under us: what was read plays out.
        SDL_AudioStreamFlush(s.convert);
        s.drained = true;
        return;
    }
    s.next += n;
}

// Adds `frames` frames of a playing streamed buffer to `out`.
void mix_stream(std::size_t ch, Buffer& b, float* out, std::size_t frames) {
    Stream& s = *b.stream;
    std::size_t done = 0;
    while (b.playing && done < frames) {
        const std::size_t n = std::min(frames - done, kStreamPieceFrames);
        const int want = static_cast<int>(n * ch * sizeof(float));
        while (!s.drained && SDL_AudioStreamAvailable(s.convert) < want) feed(b, s);
        const int got = SDL_AudioStreamGet(s.convert, s.piece.data(), want);
        const std::size_t whole = got > 0 ? static_cast<std::size_t>(got) / (sizeof(float) * ch) : 0;
        float* dst = out + done * ch;
        // A float file may hold anything: beyond full scale it saturates, as
        // the samples kept at 16 bits do, and what is not a finite number is silence.
        for (std::size_t i = 0; i < whole * ch; ++i) {
            const float v = s.piece[i];
            dst[i] += std::isfinite(v) ? std::clamp(v, -1.0f, 1.0f) : 0.0f;
        }
        done += whole;
        if (got < want) b.playing = false;  // played once to its end
    }
}

Lane lane_of(const Buffer& b) { return (b.flags & DS_EFFECT) != 0 ? kEffectLane : kMusicLane; }

// Adds `frames` frames of every playing buffer of `ctx` in `lane` (kLanes:
// all of them) to `out` (zeroed by the caller), then clips. Called with
// g_lock held.
void mix(const Context& ctx, int lane, float* out, std::size_t frames) {
    const std::size_t ch = static_cast<std::size_t>(ctx.channels);
    for (intptr_t h : ctx.buffers) {
        auto it = g_buffers.find(h);
        if (it == g_buffers.end()) continue;
        Buffer& b = *it->second;
        if (lane != kLanes && lane_of(b) != lane) continue;
        if (b.stream) {
            if (b.playing) mix_stream(ch, b, out, frames);
            continue;
        }
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

// Whether a buffer of `c` in `lane` plays. Called with g_lock held.
bool sounding(const Context& c, int lane) {
    return std::any_of(c.buffers.begin(), c.buffers.end(), [lane](intptr_t h) {
        auto it = g_buffers.find(h);
        return it != g_buffers.end() && it->second->playing && lane_of(*it->second) == lane;
    });
}

// A device's callback is told its context and lane in one pointer.
void* device_tag(intptr_t handle, int lane) { return reinterpret_cast<void*>(handle * kLanes + lane); }

void SDLCALL audio_callback(void* userdata, Uint8* stream, int len) {
    const intptr_t tag = reinterpret_cast<intptr_t>(userdata);
    const intptr_t handle = tag / kLanes;
    const int lane = static_cast<int>(tag % kLanes);
    std::memset(stream, 0, static_cast<std::size_t>(len));
    std::lock_guard<std::mutex> lock(g_lock);
    auto it = g_contexts.find(handle);
    if (it == g_contexts.end() || it->second.manual) return;
    const std::size_t frames = static_cast<std::size_t>(len) / (sizeof(float) * it->second.channels);
    mix(it->second, lane, reinterpret_cast<float*>(stream), frames);
    // The lane's last sound has ended: the keeper starts counting.
    if (it->second.quiet_since[lane] == Clock::time_point{} && !sounding(it->second, lane))
        g_wake.notify_all();
}

// Opens the default device for `lane` of `handle`. `rate` and `channels` 0
// take what the device offers; otherwise SDL converts to them, as the
// context's buffers were made for them. Called with g_device_lock held.
SDL_AudioDeviceID open_device(intptr_t handle, int lane, int rate, int channels, SDL_AudioSpec& have) {
    SDL_AudioSpec want{};
    want.freq = rate > 0 ? rate : 44100;
    want.format = AUDIO_F32SYS;
    want.channels = static_cast<Uint8>(channels > 0 ? channels : 2);
    want.samples = kLaneFrames[lane];
    want.callback = audio_callback;
    want.userdata = device_tag(handle, lane);
    const int changes = rate > 0 ? 0 : SDL_AUDIO_ALLOW_FREQUENCY_CHANGE;
    const SDL_AudioDeviceID dev = SDL_OpenAudioDevice(nullptr, 0, &want, &have, changes);
    if (dev != 0 && (have.freq <= 0 || have.channels == 0)) {
        SDL_CloseAudioDevice(dev);
        return 0;
    }
    return dev;
}

// The keeper of `handle`'s devices: opens a lane's device while a sound of
// the lane plays, closes it kHoldAfterSound after the lane's last sound has
// ended. Leaves when the context ends or a test takes the mixer over.
void keep_devices(intptr_t handle) {
    std::unique_lock<std::mutex> lock(g_lock);
    for (;;) {
        auto it = g_contexts.find(handle);
        if (it == g_contexts.end() || it->second.ending || it->second.manual) return;
        Context& c = it->second;
        const Clock::time_point now = Clock::now();
        int to_open = -1, to_close = -1;
        Clock::time_point wake_at = Clock::time_point::max();
        for (int lane = 0; lane < kLanes; ++lane) {
            if (sounding(c, lane)) {
                c.quiet_since[lane] = Clock::time_point{};
                if (c.device[lane] != 0) continue;
                if (now >= c.retry_at[lane])
                    to_open = lane;
                else
                    wake_at = std::min(wake_at, c.retry_at[lane]);
            } else if (c.device[lane] != 0) {
                if (c.quiet_since[lane] == Clock::time_point{}) c.quiet_since[lane] = now;
                const Clock::time_point close_at = c.quiet_since[lane] + kHoldAfterSound;
                if (now >= close_at)
                    to_close = lane;
                else
                    wake_at = std::min(wake_at, close_at);
            }
        }
        if (to_open >= 0) {
            const int rate = c.rate, channels = c.channels;
            lock.unlock();
            std::unique_lock<std::mutex> device_lock(g_device_lock);
            SDL_AudioSpec have{};
            const SDL_AudioDeviceID dev = open_device(handle, to_open, rate, channels, have);
            lock.lock();
            it = g_contexts.find(handle);
            const bool wanted = it != g_contexts.end() && !it->second.ending && !it->second.manual;
            if (dev != 0 && wanted) {
                it->second.device[to_open] = dev;
                lock.unlock();
                SDL_PauseAudioDevice(dev, 0);
                lock.lock();
                continue;
            }
            if (dev != 0) {
                lock.unlock();
                SDL_CloseAudioDevice(dev);
                return;
            }
            device_lock.unlock();
            if (!wanted) return;
            // No device now: the effects asked for are dropped (they would
            // come late), music still on is tried again in a while.
            for (intptr_t h : it->second.buffers) {
                auto b = g_buffers.find(h);
                if (b != g_buffers.end() && lane_of(*b->second) == to_open && !b->second->looping)
                    b->second->playing = false;
            }
            it->second.retry_at[to_open] = Clock::now() + kRetryOpen;
            continue;
        }
        if (to_close >= 0) {
            const SDL_AudioDeviceID dev = c.device[to_close];
            c.device[to_close] = 0;
            lock.unlock();
            {
                // Closing waits for the callback to finish, so g_lock is free.
                std::lock_guard<std::mutex> device_lock(g_device_lock);
                SDL_CloseAudioDevice(dev);
            }
            lock.lock();
            continue;
        }
        if (wake_at == Clock::time_point::max())
            g_wake.wait(lock);
        else
            g_wake.wait_until(lock, wake_at);
    }
}

// Takes every device of `c` (called with g_lock held); the caller closes
// them with g_device_lock held and g_lock free.
std::vector<SDL_AudioDeviceID> take_devices(Context& c) {
    std::vector<SDL_AudioDeviceID> taken;
    for (SDL_AudioDeviceID& d : c.device) {
        if (d != 0) taken.push_back(d);
        d = 0;
    }
    return taken;
}

void close_devices(const std::vector<SDL_AudioDeviceID>& devices) {
    std::lock_guard<std::mutex> device_lock(g_device_lock);
    for (SDL_AudioDeviceID d : devices) SDL_CloseAudioDevice(d);
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
    return (std::size_t{p[4]} | std::size_t{p[5]} << 8 | std::size_t{p[6]} << 16 | std::size_t{p[7]} << 24) +
           8;
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
    if (out.wave_format.freq < kMinRate || out.wave_format.freq > kMaxRate || out.wave_format.channels == 0)
        return false;
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
    const int built =
        SDL_BuildAudioCVT(&cvt, d.wave_format.format, d.wave_format.channels, d.wave_format.freq,
                          kBufferFormat, static_cast<Uint8>(channels), rate);
    if (built < 0) return false;
    const std::size_t in_frame = SDL_AUDIO_BITSIZE(d.wave_format.format) / 8u * d.wave_format.channels;
    const std::size_t out_frame = sizeof(Sint16) * static_cast<std::size_t>(channels);
    const std::size_t frames = d.bytes / in_frame;
    if (static_cast<double>(frames) * rate / d.wave_format.freq > static_cast<double>(kMaxFrames))
        return false;
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
    std::size_t keep =
        resampling ? static_cast<std::size_t>(std::llround(static_cast<double>(frames) * ratio)) : frames;
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

// Runs `f` on the buffer and wakes the keepers, who open or let go of the
// device as the change asks.
template <class F>
intptr_t with_buffer(intptr_t handle, F f) {
    std::lock_guard<std::mutex> lock(g_lock);
    auto it = g_buffers.find(handle);
    if (it == g_buffers.end()) return 0;
    f(*it->second);
    g_wake.notify_all();
    return 1;
}

void start(Buffer& b, bool loop) {
    const bool effect = (b.flags & DS_EFFECT) != 0;
    if (effect || !b.playing) b.pos = 0;
    // A stream that was played once and is giving out its last frames starts again.
    if (b.stream && (!b.playing || b.stream->drained)) rewind(*b.stream);
    b.playing = true;
    b.looping = loop;
}

std::uint32_t le32(const unsigned char* p) {
    return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
           std::uint32_t{p[3]} << 24;
}
unsigned le16(const unsigned char* p) { return unsigned{p[0]} | unsigned{p[1]} << 8; }

// The SDL format a wave file's samples already have, for the encodings that
// are read as they play; 0 for the others (read whole by SDL's reader).
SDL_AudioFormat stream_format(unsigned tag, unsigned bits) {
    constexpr unsigned kPcm = 1, kFloat = 3;
    if (tag == kPcm && bits == 8) return AUDIO_U8;
    if (tag == kPcm && bits == 16) return AUDIO_S16LSB;
    if (tag == kPcm && bits == 32) return AUDIO_S32LSB;
    if (tag == kFloat && bits == 32) return AUDIO_F32LSB;
    return 0;
}

// A stream over the file `fd` of `size` bytes, converting into `channels` and
// `rate`, or null when the file is not one that is read as it plays (it is
// then read whole, and refused there if it is malformed). The chunks are
// walked as decode() walks them, and the header with a few frames goes
// through SDL's own reader, so a file streams only where SDL reads it the
// same way.
std::unique_ptr<Stream> open_stream(int fd, std::size_t size, int channels, int rate) {
    if (size < 12 || size > static_cast<std::size_t>(SDL_MAX_SINT32)) return nullptr;
    unsigned char riff[12];
    if (!read_at(fd, riff, sizeof riff, 0)) return nullptr;
    const std::size_t claimed = riff_image_size(riff);
    if (claimed < 12 || claimed > size) return nullptr;
    std::size_t fmt_at = 0, fmt_len = 0, data_at = 0, data_len = 0;
    for (std::size_t pos = 12; pos < claimed && pos + 8 <= size;) {
        unsigned char h[8];
        if (!read_at(fd, h, sizeof h, static_cast<off_t>(pos))) return nullptr;
        const std::size_t length = le32(h + 4);
        if (length > size - (pos + 8)) return nullptr;
        if (fmt_at == 0 && std::memcmp(h, "fmt ", 4) == 0) {
            fmt_at = pos + 8;
            fmt_len = length;
        } else if (std::memcmp(h, "data", 4) == 0) {
            if (fmt_at == 0) return nullptr;
            data_at = pos + 8;
            data_len = length;
            break;
        }
        pos += 8 + length + (length & 1);
    }
    if (data_at == 0 || fmt_len < 16 || data_at > kMaxStreamHeader || data_at + data_len > claimed)
        return nullptr;

    std::vector<unsigned char> image(data_at);
    if (!read_at(fd, image.data(), data_at, 0)) return nullptr;
    const unsigned char* fmt = image.data() + fmt_at;
    const unsigned file_channels = le16(fmt + 2), block = le16(fmt + 12), bits = le16(fmt + 14);
    const int file_rate = static_cast<int>(le32(fmt + 4));
    const SDL_AudioFormat format = stream_format(le16(fmt), bits);
    if (format == 0 || file_channels == 0 || block != file_channels * bits / 8) return nullptr;
    const std::size_t frames = data_len / block;
    if (frames == 0) return nullptr;

    // The probe: the header and the first frames, the lengths made to fit.
    const std::size_t probe = std::min(frames, kStreamProbeFrames) * block;
    image.resize(data_at + probe);
    if (!read_at(fd, image.data() + data_at, probe, static_cast<off_t>(data_at))) return nullptr;
    const auto put32 = [&image](std::size_t at, std::size_t v) {
        for (int i = 0; i < 4; ++i) image[at + i] = static_cast<unsigned char>(v >> (8 * i));
    };
    put32(data_at - 4, probe);
    put32(4, image.size() - 8);
    Decoded wave;
    if (!decode(image.data(), image.size(), wave)) return nullptr;
    if (wave.wave_format.format != format || wave.wave_format.channels != file_channels ||
        wave.wave_format.freq != file_rate)
        return nullptr;

    auto s = std::make_unique<Stream>();
    s->convert = SDL_NewAudioStream(format, static_cast<Uint8>(file_channels), file_rate, AUDIO_F32SYS,
                                    static_cast<Uint8>(channels), rate);
    if (!s->convert) return nullptr;
    s->fd = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    if (s->fd < 0) return nullptr;
    s->data_start = static_cast<off_t>(data_at);
    s->data_bytes = frames * block;
    // SDL 2's resampler holds back 512 frames of its input when it raises the
    // rate, 512 of its output when it lowers it.
    constexpr std::size_t kResamplerHeldBack = 512;
    if (file_rate != rate) {
        const auto lowered = static_cast<std::size_t>(std::max(1, (file_rate + rate - 1) / rate));
        s->held_back_bytes = (kResamplerHeldBack * lowered + 1) * block;
    }
    s->silence = format == AUDIO_U8 ? 0x80 : 0;
    s->read.resize(std::max<std::size_t>(block, kStreamReadBytes / block * block));
    s->piece.resize(kStreamPieceFrames * static_cast<std::size_t>(channels));
    return s;
}

// The context's device format, or false for no such context.
bool context_format(intptr_t context, int& rate, int& channels) {
    std::lock_guard<std::mutex> lock(g_lock);
    auto it = g_contexts.find(context);
    if (it == g_contexts.end()) return false;
    rate = it->second.rate;
    channels = it->second.channels;
    return true;
}

// Gives `b` a handle in `context`; 0 when the context ended meanwhile.
intptr_t add_buffer(intptr_t context, std::unique_ptr<Buffer> b) {
    std::lock_guard<std::mutex> lock(g_lock);
    auto it = g_contexts.find(context);
    if (it == g_contexts.end()) return 0;
    const intptr_t handle = new_handle();
    it->second.buffers.push_back(handle);
    g_buffers.emplace(handle, std::move(b));
    return handle;
}

}  // namespace

extern "C" {

intptr_t dsInitialize(intptr_t) {
    // SDL's audio brings up its events, whose SIGINT and SIGTERM handlers
    // would only queue a quit event nobody reads: the program could then no
    // longer be interrupted or terminated. The host program keeps its signals.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    // The name the sound server shows for the client and the stream. SDL's
    // PulseAudio driver reads the role from the environment only.
    SDL_SetHint(SDL_HINT_APP_NAME, kProgramName);
    SDL_SetHint(SDL_HINT_AUDIO_DEVICE_APP_NAME, kProgramName);
    SDL_SetHint(SDL_HINT_AUDIO_DEVICE_STREAM_NAME, kProgramName);
    SDL_SetHint(SDL_HINT_AUDIO_DEVICE_STREAM_ROLE, VELMORA_SOUND_ROLE);
    velmora_sound_environment();
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return 0;
    intptr_t handle;
    {
        std::lock_guard<std::mutex> lock(g_lock);
        handle = new_handle();
    }
    // The music's device opens first and sets the rate every buffer is made for.
    std::unique_lock<std::mutex> device_lock(g_device_lock);
    SDL_AudioSpec have{};
    const SDL_AudioDeviceID dev = open_device(handle, kMusicLane, 0, 0, have);
    if (dev == 0) {
        device_lock.unlock();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return 0;
    }
    {
        std::lock_guard<std::mutex> lock(g_lock);
        Context& c = g_contexts[handle];
        c.device[kMusicLane] = dev;
        c.rate = have.freq;
        c.channels = have.channels;
        c.keeper = std::thread(keep_devices, handle);
    }
    SDL_PauseAudioDevice(dev, 0);
    return handle;
}

intptr_t dsCreateDSBSized(intptr_t context, const void* image, size_t size, intptr_t flags) {
    if (context == 0 || !image) return 0;
    int rate, channels;
    if (!context_format(context, rate, channels)) return 0;
    // The work is done without the lock: the music keeps playing meanwhile.
    Decoded wave;
    if (!decode(image, size, wave)) return 0;
    auto b = std::make_unique<Buffer>();
    b->context = context;
    b->flags = flags;
    if (!convert(wave, channels, rate, (flags & DS_EFFECT) == 0, *b)) return 0;
    if (b->frames == 0 || b->frames > kMaxFrames) return 0;
    return add_buffer(context, std::move(b));
}

intptr_t dsCreateDSBFromFile(intptr_t context, int fd, intptr_t flags) {
    if (context == 0 || fd < 0) return 0;
    int rate, channels;
    if (!context_format(context, rate, channels)) return 0;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size < 0) return 0;
    const std::size_t size = static_cast<std::size_t>(st.st_size);
    if ((flags & DS_EFFECT) == 0) {
        if (std::unique_ptr<Stream> s = open_stream(fd, size, channels, rate)) {
            auto b = std::make_unique<Buffer>();
            b->context = context;
            b->flags = flags;
            b->stream = std::move(s);
            return add_buffer(context, std::move(b));
        }
    }
    if (size > kMaxTrustedImage) return 0;
    std::vector<unsigned char> image(size);
    if (!read_at(fd, image.data(), size, 0)) return 0;
    return dsCreateDSBSized(context, image.data(), size, flags);
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
    std::thread keeper;
    {
        std::lock_guard<std::mutex> lock(g_lock);
        auto it = g_contexts.find(context);
        if (it == g_contexts.end() || it->second.ending) return 0;
        it->second.ending = true;
        keeper = std::move(it->second.keeper);
        g_wake.notify_all();
    }
    // The keeper closes no device after this: one it was opening it closes itself.
    if (keeper.joinable()) keeper.join();
    std::vector<SDL_AudioDeviceID> devices;
    std::vector<std::unique_ptr<Buffer>> gone;
    {
        std::lock_guard<std::mutex> lock(g_lock);
        auto it = g_contexts.find(context);
        if (it == g_contexts.end()) return 0;
        devices = take_devices(it->second);
        for (intptr_t h : it->second.buffers) {
            auto b = g_buffers.find(h);
            if (b == g_buffers.end()) continue;
            gone.push_back(std::move(b->second));
            g_buffers.erase(b);
        }
        g_contexts.erase(it);
    }
    // Closing waits for the callback to finish, so it must not hold the lock.
    close_devices(devices);
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return 1;
}

intptr_t dsDebugMixFrames(intptr_t context, intptr_t frames, float* out) {
    if (frames < 0) return 0;
    std::thread keeper;
    {
        std::lock_guard<std::mutex> lock(g_lock);
        auto it = g_contexts.find(context);
        if (it == g_contexts.end() || it->second.ending) return 0;
        if (!it->second.manual) {
            // The test owns the mixer from now on: no device, no keeper.
            it->second.manual = true;
            keeper = std::move(it->second.keeper);
            g_wake.notify_all();
        }
    }
    if (keeper.joinable()) {
        keeper.join();
        std::vector<SDL_AudioDeviceID> devices;
        {
            std::lock_guard<std::mutex> lock(g_lock);
            auto it = g_contexts.find(context);
            if (it != g_contexts.end()) devices = take_devices(it->second);
        }
        close_devices(devices);
    }
    std::lock_guard<std::mutex> lock(g_lock);
    auto it = g_contexts.find(context);
    if (it == g_contexts.end()) return 0;
    const std::size_t n = static_cast<std::size_t>(frames);
    std::vector<float> mixed(n * static_cast<std::size_t>(it->second.channels), 0.0f);
    mix(it->second, kLanes, mixed.data(), n);
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
