// The sound library (decoding, mixing, looping, handles), its binding in
// Module1 (start-up failures, file look-up, shutdown) and the generated wave
// files.
#include <dlfcn.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <chrono>
#include <cmath>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "support/harness.h"

namespace {

using Handle = std::intptr_t;
using Bytes = std::vector<unsigned char>;

const char* const kLibraryPath = VELMORA_BIN_DIR "/libVelmora.so";

// The library's C functions, taken from the built libVelmora.so.
struct Lib {
    Handle (*init)(Handle) = nullptr;
    Handle (*create)(Handle, const void*, Handle) = nullptr;
    Handle (*create_sized)(Handle, const void*, std::size_t, Handle) = nullptr;
    Handle (*create_file)(Handle, int, Handle) = nullptr;
    Handle (*play)(Handle) = nullptr;
    Handle (*loop)(Handle) = nullptr;
    Handle (*stop)(Handle) = nullptr;
    Handle (*free_buffer)(Handle) = nullptr;
    Handle (*terminate)(Handle) = nullptr;
    Handle (*mix)(Handle, Handle, float*) = nullptr;
    Handle (*format)(Handle, int*, int*) = nullptr;

    Lib() {
        void* h = dlopen(kLibraryPath, RTLD_NOW | RTLD_LOCAL);
        if (!h) return;
        auto get = [h](auto& fn, const char* name) {
            fn = reinterpret_cast<std::remove_reference_t<decltype(fn)>>(dlsym(h, name));
        };
        get(init, "dsInitialize");
        get(create, "dsCreateDSB");
        get(create_sized, "dsCreateDSBSized");
        get(create_file, "dsCreateDSBFromFile");
        get(play, "dsPlay");
        get(loop, "dsPlayLooping");
        get(stop, "dsStop");
        get(free_buffer, "dsFree");
        get(terminate, "dsTerminate");
        get(mix, "dsDebugMixFrames");
        get(format, "dsDebugFormat");
    }
    bool complete() const {
        return init && create && create_sized && create_file && play && loop && stop && free_buffer &&
               terminate && mix && format;
    }
};

Lib& lib() {
    static Lib l;
    return l;
}

// --- building wave images --------------------------------------------------

void put16(Bytes& b, unsigned v) {
    b.push_back(static_cast<unsigned char>(v & 0xFF));
    b.push_back(static_cast<unsigned char>((v >> 8) & 0xFF));
}
void put32(Bytes& b, std::uint32_t v) {
    put16(b, v & 0xFFFF);
    put16(b, v >> 16);
}
void put_id(Bytes& b, const char* id) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<unsigned char>(id[i]));
}

Bytes chunk(const char* id, const Bytes& body, bool pad = true) {
    Bytes b;
    put_id(b, id);
    put32(b, static_cast<std::uint32_t>(body.size()));
    b.insert(b.end(), body.begin(), body.end());
    if (pad && body.size() % 2) b.push_back(0);
    return b;
}

Bytes fmt_body(unsigned tag, unsigned channels, std::uint32_t rate, unsigned bits) {
    Bytes b;
    put16(b, tag);
    put16(b, channels);
    put32(b, rate);
    put32(b, rate * channels * (bits / 8));
    put16(b, channels * (bits / 8));
    put16(b, bits);
    return b;
}

Bytes extensible_body(unsigned sub, unsigned channels, std::uint32_t rate, unsigned bits) {
    Bytes b = fmt_body(0xFFFE, channels, rate, bits);
    put16(b, 22);
    put16(b, bits);
    put32(b, channels == 2 ? 3 : 4);
    put16(b, sub);
    const unsigned char tail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                    0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
    b.insert(b.end(), tail, tail + 14);
    return b;
}

Bytes riff(const std::vector<Bytes>& chunks) {
    Bytes body;
    put_id(body, "WAVE");
    for (const Bytes& c : chunks) body.insert(body.end(), c.begin(), c.end());
    Bytes b;
    put_id(b, "RIFF");
    put32(b, static_cast<std::uint32_t>(body.size()));
    b.insert(b.end(), body.begin(), body.end());
    return b;
}

// One sample in a given encoding.
void put_sample(Bytes& b, unsigned tag, unsigned bits, double v) {
    if (tag == 3 && bits == 32) {
        float f = static_cast<float>(v);
        std::uint32_t u;
        std::memcpy(&u, &f, 4);
        put32(b, u);
    } else if (tag == 3) {
        std::uint64_t u;
        std::memcpy(&u, &v, 8);
        put32(b, static_cast<std::uint32_t>(u));
        put32(b, static_cast<std::uint32_t>(u >> 32));
    } else if (bits == 8) {
        b.push_back(static_cast<unsigned char>(std::lround(128 + v * 128)));
    } else {
        const std::int64_t q = std::llround(v * std::ldexp(1.0, static_cast<int>(bits) - 1));
        for (unsigned i = 0; i < bits / 8; ++i)
            b.push_back(static_cast<unsigned char>((q >> (8 * i)) & 0xFF));
    }
}

// `frames` frames of 16-bit PCM with every channel holding `value`.
Bytes pcm16(unsigned channels, std::uint32_t rate, std::size_t frames, double value) {
    Bytes data;
    for (std::size_t f = 0; f < frames * channels; ++f) put_sample(data, 1, 16, value);
    return riff({chunk("fmt ", fmt_body(1, channels, rate, 16)), chunk("data", data)});
}

// A mono ramp 0, 1/N, 2/N ... in 16-bit PCM at the device's rate.
Bytes ramp(std::size_t frames, std::uint32_t rate) {
    Bytes data;
    for (std::size_t f = 0; f < frames; ++f)
        put_sample(data, 1, 16, 0.5 * static_cast<double>(f + 1) / frames);
    return riff({chunk("fmt ", fmt_body(1, 1, rate, 16)), chunk("data", data)});
}

// --- a context on the dummy device, mixed by the test ------------------------

class Mixer {
public:
    Mixer() {
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        ctx = lib().init(0);
        if (ctx) {
            lib().format(ctx, &rate, &channels);
            lib().mix(ctx, 0, nullptr);  // the test runs the mixer from now on
        }
    }
    ~Mixer() {
        if (ctx) lib().terminate(ctx);
    }
    Mixer(const Mixer&) = delete;
    Mixer& operator=(const Mixer&) = delete;

    Handle make(const Bytes& image, Handle flags = 3) {
        return lib().create_sized(ctx, image.data(), image.size(), flags);
    }
    // `frames` mixed frames, interleaved.
    std::vector<float> run(std::size_t frames) {
        std::vector<float> out(frames * static_cast<std::size_t>(channels));
        EXPECT_EQ(lib().mix(ctx, static_cast<Handle>(frames), out.data()), static_cast<Handle>(frames));
        return out;
    }
    // The left channel of `frames` mixed frames.
    std::vector<float> left(std::size_t frames) {
        std::vector<float> all = run(frames), l;
        for (std::size_t i = 0; i < frames; ++i) l.push_back(all[i * channels]);
        return l;
    }
    static bool silent(const std::vector<float>& v) {
        for (float x : v)
            if (x != 0.0f) return false;
        return true;
    }

    Handle ctx = 0;
    int rate = 0, channels = 0;
};

// A wave file on disk, handed to the library as an open file (closed again
// at once: the library keeps a descriptor of its own).
class WaveOnDisk {
public:
    explicit WaveOnDisk(const Bytes& image) : path(dir.filePath("music.wav")) {
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(reinterpret_cast<const char*>(image.data()), static_cast<qint64>(image.size()));
    }
    Handle open_in(Handle ctx, Handle flags) const {
        const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
        EXPECT_GE(fd, 0);
        const Handle h = lib().create_file(ctx, fd, flags);
        ::close(fd);
        return h;
    }
    // Writes `bytes` over the file's own from `at`, the file kept as it is.
    void overwrite(std::size_t at, const Bytes& bytes) const {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.seek(static_cast<qint64>(at)));
        f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
    }
    QTemporaryDir dir;
    QString path;
};

class SoundLibraryTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(lib().complete()) << dlerror();
        ASSERT_NE(m.ctx, 0) << "the dummy audio device did not open";
        ASSERT_EQ(m.channels, 2);
    }
    Mixer m;
};

// --- decoding: every accepted encoding gives the same level ------------------

struct Encoding {
    const char* name;
    unsigned tag, channels, bits;
    bool extensible;
};

TEST_F(SoundLibraryTest, EveryEncodingDecodesToTheSameLevelOnBothChannels) {
    const Encoding encodings[] = {
        {"8-bit mono", 1, 1, 8, false},
        {"16-bit stereo", 1, 2, 16, false},
        {"24-bit stereo", 1, 2, 24, false},
        {"32-bit mono", 1, 1, 32, false},
        {"float mono", 3, 1, 32, false},
        {"extensible 16-bit stereo", 1, 2, 16, true},
        {"extensible float mono", 3, 1, 32, true},
        {"four channels", 1, 4, 16, false},
        {"three channels", 1, 3, 24, false},
    };
    for (const Encoding& e : encodings) {
        SCOPED_TRACE(e.name);
        // Left-side channels carry 0.5, right-side ones -0.25.
        Bytes data;
        for (int f = 0; f < 256; ++f)
            for (unsigned c = 0; c < e.channels; ++c)
                put_sample(data, e.tag, e.bits, e.channels == 1 || c % 2 == 0 ? 0.5 : -0.25);
        const Bytes fmt = e.extensible
                              ? extensible_body(e.tag, e.channels, static_cast<std::uint32_t>(m.rate), e.bits)
                              : fmt_body(e.tag, e.channels, static_cast<std::uint32_t>(m.rate), e.bits);
        const Handle h = m.make(riff({chunk("fmt ", fmt), chunk("data", data)}));
        ASSERT_NE(h, 0);
        lib().play(h);
        const std::vector<float> out = m.run(256);
        const float right = e.channels == 1 ? 0.5f : -0.25f;
        // More channels than two are mixed down to stereo by SDL's matrix, which
        // lowers the level and blends the sides, but keeps the left side's sound
        // the stronger on the left and the right side's on the right.
        const bool downmixed =
            e.channels > 2 && (std::abs(out[0] - 0.5f) > 1.0f / 128 || std::abs(out[1] - right) > 1.0f / 128);
        for (int f = 0; f < 256; ++f) {
            if (downmixed) {
                ASSERT_NEAR(out[2 * f], out[0], 1.0f / 128) << "frame " << f;
                ASSERT_NEAR(out[2 * f + 1], out[1], 1.0f / 128) << "frame " << f;
                ASSERT_GT(out[2 * f], 0.25f) << "frame " << f;
                ASSERT_LT(out[2 * f + 1], 0.0f) << "frame " << f;
                continue;
            }
            ASSERT_NEAR(out[2 * f], 0.5f, 1.0f / 128) << "frame " << f;
            ASSERT_NEAR(out[2 * f + 1], right, 1.0f / 128) << "frame " << f;
        }
        EXPECT_TRUE(Mixer::silent(m.run(64))) << "plays beyond its end";
        lib().free_buffer(h);
    }
}

// Compressed music a user may put in place of BGM.wav: IMA ADPCM, four bits a
// sample. Each block starts at a level of 0.5 and holds it (every code 0 at
// the smallest step), so two blocks make 2 × 505 frames at 0.5.
TEST_F(SoundLibraryTest, ImaAdpcmIsDecoded) {
    const std::uint32_t rate = static_cast<std::uint32_t>(m.rate);
    const unsigned block = 256, per_block = (block - 4) * 2 + 1;
    Bytes fmt;
    put16(fmt, 0x11);
    put16(fmt, 1);
    put32(fmt, rate);
    put32(fmt, rate * block / per_block);
    put16(fmt, block);
    put16(fmt, 4);
    put16(fmt, 2);  // the extra bytes: samples per block
    put16(fmt, per_block);
    Bytes fact;
    put32(fact, 2 * per_block);
    Bytes data;
    for (int b = 0; b < 2; ++b) {
        put16(data, 0x4000);  // the block's first sample, 0.5
        data.push_back(0);    // step index
        data.push_back(0);
        data.insert(data.end(), block - 4, 0x00);
    }
    const Handle h = m.make(riff({chunk("fmt ", fmt), chunk("fact", fact), chunk("data", data)}), 1);
    ASSERT_NE(h, 0);
    lib().play(h);
    const std::vector<float> l = m.left(2 * per_block + 20);
    for (std::size_t i = 0; i < 2 * per_block; ++i) ASSERT_NEAR(l[i], 0.5f, 1e-3) << i;
    for (std::size_t i = 2 * per_block; i < l.size(); ++i) ASSERT_EQ(l[i], 0.0f) << i;
}

TEST_F(SoundLibraryTest, AnotherSampleRateIsResampledToTheDevice) {
    const std::uint32_t half = static_cast<std::uint32_t>(m.rate / 2);
    const Bytes image = pcm16(1, half, 1000, 0.4);
    const WaveOnDisk file(image);
    // As an effect's image, and as music streamed from its file.
    for (const Handle h : {m.make(image), file.open_in(m.ctx, 1)}) {
        ASSERT_NE(h, 0);
        lib().play(h);
        const std::vector<float> l = m.left(2200);
        // Twice as many frames at the device's rate, the level kept in the middle.
        for (std::size_t i = 200; i < 1800; ++i) ASSERT_NEAR(l[i], 0.4f, 0.02f) << i;
        for (std::size_t i = 2100; i < 2200; ++i) ASSERT_EQ(l[i], 0.0f) << i;
    }
}

TEST_F(SoundLibraryTest, ResampledMusicStaysSmoothAcrossItsLoopPoint) {
    // Exactly ten cycles of a sine at half the device's rate: a perfect loop.
    const std::uint32_t half = static_cast<std::uint32_t>(m.rate / 2);
    Bytes data;
    for (int f = 0; f < 1000; ++f) put_sample(data, 1, 16, 0.5 * std::sin(2 * M_PI * 10 * f / 1000.0));
    const Handle h = m.make(riff({chunk("fmt ", fmt_body(1, 1, half, 16)), chunk("data", data)}), 1);
    ASSERT_NE(h, 0);
    lib().loop(h);
    const std::vector<float> l = m.left(4000);
    auto largest_step = [&](std::size_t from, std::size_t to) {
        float d = 0;
        for (std::size_t i = from + 1; i < to; ++i) d = std::max(d, std::abs(l[i] - l[i - 1]));
        return d;
    };
    const float inside = largest_step(500, 1500);
    EXPECT_GT(inside, 0.01f);
    EXPECT_LE(largest_step(1980, 2020), inside * 1.05f) << "a click where the loop wraps";
    EXPECT_LE(largest_step(3980, 4000), inside * 1.05f);
}

struct Image {
    const char* name;
    Bytes bytes;
};

std::vector<Image> accepted_layouts() {
    const Bytes fmt = chunk("fmt ", fmt_body(1, 1, 44100, 16));
    const Bytes data = chunk("data", Bytes(64, 0x10));
    Bytes odd_data(63, 0x10);  // an odd length: the last frame is incomplete
    Bytes with_trailer = riff({fmt, data});
    with_trailer.insert(with_trailer.end(), {'J', 'U', 'N', 'K'});
    return {
        {"plain", riff({fmt, data})},
        {"a list chunk first", riff({chunk("LIST", Bytes(10, 'x')), fmt, data})},
        {"an odd-sized chunk with its pad", riff({chunk("odd ", Bytes(5, 'x')), fmt, data})},
        {"chunks after the data", riff({fmt, data, chunk("cue ", Bytes(4, 0))})},
        {"bytes after the image", with_trailer},
        {"an odd data length without its pad", riff({fmt, chunk("data", odd_data, false)})},
        {"a fact chunk between", riff({fmt, chunk("fact", Bytes(4, 1)), data})},
        {"a second fmt chunk, ignored", riff({fmt, chunk("fmt ", fmt_body(1, 2, 8000, 8)), data})},
    };
}

std::vector<Image> refused_images() {
    const Bytes fmt = chunk("fmt ", fmt_body(1, 1, 44100, 16));
    const Bytes data = chunk("data", Bytes(64, 0x10));
    auto with_fmt = [&](Bytes body) { return riff({chunk("fmt ", body), data}); };
    auto patched = [](Bytes b, std::size_t at, unsigned v) {
        b[at] = static_cast<unsigned char>(v & 0xFF);
        b[at + 1] = static_cast<unsigned char>(v >> 8);
        return b;
    };
    const Bytes good_fmt = fmt_body(1, 1, 44100, 16);
    Bytes truncated = riff({fmt, data});
    truncated.resize(truncated.size() - 10);
    Bytes not_riff = riff({fmt, data});
    not_riff[0] = 'X';
    Bytes not_wave = riff({fmt, data});
    not_wave[8] = 'A';
    Bytes bad_guid = extensible_body(1, 1, 44100, 16);
    bad_guid.back() ^= 0xFF;
    Bytes double_fmt = fmt_body(3, 2, 44100, 64);
    Bytes long_chunk = riff({fmt, data});
    long_chunk[40] = 0xFF;  // the data chunk's size now runs past the end
    const Bytes whole = riff({fmt, data});
    return {
        {"nothing", {}},
        {"eleven bytes", Bytes(whole.begin(), whole.begin() + 11)},
        {"not RIFF", not_riff},
        {"not WAVE", not_wave},
        {"cut short", truncated},
        {"data before fmt", riff({data, fmt})},
        {"no data", riff({fmt})},
        {"no fmt", riff({data})},
        {"a short fmt", with_fmt(Bytes(good_fmt.begin(), good_fmt.begin() + 14))},
        {"ADPCM", with_fmt(patched(good_fmt, 0, 2))},
        {"no channels", with_fmt(patched(good_fmt, 2, 0))},
        {"rate 0", with_fmt(patched(patched(good_fmt, 4, 0), 6, 0))},
        {"rate 500", with_fmt(patched(patched(good_fmt, 4, 500), 6, 0))},
        {"12 bits", with_fmt(patched(good_fmt, 14, 12))},
        {"float of 16 bits", with_fmt(patched(good_fmt, 0, 3))},
        {"wrong block size", with_fmt(patched(good_fmt, 12, 4))},
        {"extensible with a foreign GUID", with_fmt(bad_guid)},
        {"64-bit float", with_fmt(double_fmt)},
        {"a chunk running past the end", long_chunk},
        {"less than one frame", riff({fmt, chunk("data", Bytes(1, 0))})},
        {"empty data", riff({fmt, chunk("data", {})})},
    };
}

TEST_F(SoundLibraryTest, WellFormedLayoutsAreAcceptedAndPlay) {
    for (const Image& i : accepted_layouts()) {
        SCOPED_TRACE(i.name);
        const Handle h = m.make(i.bytes);
        ASSERT_NE(h, 0);
        lib().play(h);
        const std::vector<float> l = m.left(40);
        EXPECT_NEAR(l[0], 0x1010 / 32768.0, 1e-4);
        EXPECT_NEAR(l[30], 0x1010 / 32768.0, 1e-4);
        for (std::size_t f = 32; f < 40; ++f) EXPECT_EQ(l[f], 0.0f) << "plays more than its 31 or 32 frames";
        lib().free_buffer(h);
    }
}

TEST_F(SoundLibraryTest, MalformedImagesGiveNoBuffer) {
    for (const Image& i : refused_images()) {
        SCOPED_TRACE(i.name);
        EXPECT_EQ(m.make(i.bytes), 0);
        // The unsized call only where the header does not claim more than there is.
        if (i.bytes.size() >= 12) {
            std::uint32_t claimed;
            std::memcpy(&claimed, i.bytes.data() + 4, 4);
            if (std::size_t{claimed} + 8 <= i.bytes.size()) {
                EXPECT_EQ(lib().create(m.ctx, i.bytes.data(), 3), 0);
            }
        }
    }
    EXPECT_EQ(lib().create_sized(m.ctx, nullptr, 100, 3), 0);
    EXPECT_EQ(lib().create(m.ctx, nullptr, 3), 0);
}

TEST_F(SoundLibraryTest, TheUnsizedCallTakesTheLengthFromTheHeader) {
    // The image sits in a larger block whose rest is not sound.
    Bytes image = pcm16(1, static_cast<std::uint32_t>(m.rate), 20, 0.5);
    const std::size_t length = image.size();
    image.resize(length + 4000, 0x7F);
    const Handle h = lib().create(m.ctx, image.data(), 3);
    ASSERT_NE(h, 0);
    lib().play(h);
    const std::vector<float> l = m.left(30);
    EXPECT_NEAR(l[19], 0.5f, 1e-3);
    EXPECT_EQ(l[20], 0.0f);
}

// --- playing ------------------------------------------------------------------

TEST_F(SoundLibraryTest, AnEffectPlaysOnceAndDsPlayRestartsIt) {
    const std::size_t n = 500;
    const Handle h = m.make(ramp(n, static_cast<std::uint32_t>(m.rate)), 3);
    ASSERT_NE(h, 0);
    EXPECT_TRUE(Mixer::silent(m.run(100))) << "plays before it is asked";
    EXPECT_EQ(lib().play(h), 1);
    std::vector<float> l = m.left(300);
    EXPECT_NEAR(l[0], 0.5 / n, 1e-4);
    EXPECT_NEAR(l[299], 0.5 * 300 / n, 1e-4);
    lib().play(h);  // from the start again
    l = m.left(n + 50);
    EXPECT_NEAR(l[0], 0.5 / n, 1e-4);
    EXPECT_NEAR(l[n - 1], 0.5, 1e-4);
    for (std::size_t i = n; i < n + 50; ++i) ASSERT_EQ(l[i], 0.0f) << "still playing at " << i;
}

TEST_F(SoundLibraryTest, LoopingWrapsSeamlesslyUntilStopped) {
    const std::size_t n = 300;
    const Handle h = m.make(ramp(n, static_cast<std::uint32_t>(m.rate)), 1);
    ASSERT_NE(h, 0);
    EXPECT_EQ(lib().loop(h), 1);
    // Mixed in uneven pieces so the wrap falls inside a piece and between pieces.
    std::vector<float> all;
    for (std::size_t piece : {77u, 300u, 223u, 1u, 399u}) {
        const std::vector<float> l = m.left(piece);
        all.insert(all.end(), l.begin(), l.end());
    }
    ASSERT_EQ(all.size(), 1000u);
    for (std::size_t i = 0; i < all.size(); ++i) ASSERT_NEAR(all[i], 0.5 * ((i % n) + 1) / n, 1e-4) << i;

    // Asking the music to loop again while it loops does not restart it.
    lib().loop(h);
    EXPECT_NEAR(m.left(1)[0], 0.5 * ((1000 % n) + 1) / n, 1e-4);

    EXPECT_EQ(lib().stop(h), 1);
    EXPECT_TRUE(Mixer::silent(m.run(2 * n)));
    // After a stop the music starts from its beginning.
    lib().loop(h);
    EXPECT_NEAR(m.left(1)[0], 0.5 / n, 1e-4);
}

TEST_F(SoundLibraryTest, SeveralBuffersMixAndTheSumIsClipped) {
    const auto rate = static_cast<std::uint32_t>(m.rate);
    const Handle a = m.make(pcm16(1, rate, 400, 0.25));
    const Handle b = m.make(pcm16(2, rate, 200, 0.5));
    const Handle c = m.make(pcm16(1, rate, 100, 0.75), 1);
    ASSERT_TRUE(a && b && c);
    lib().play(a);
    lib().play(b);
    lib().loop(c);
    const std::vector<float> out = m.run(400);
    EXPECT_NEAR(out[0], 1.0f, 1e-6) << "0.25 + 0.5 + 0.75 is clipped to full scale";
    lib().stop(c);
    const std::vector<float> later = m.run(300);
    // Frames 400..699: b ended at 200, a at 400; nothing is left.
    EXPECT_TRUE(Mixer::silent(later));
    lib().play(a);
    lib().play(b);
    const std::vector<float> two = m.run(300);
    EXPECT_NEAR(two[0], 0.75f, 1e-4);
    EXPECT_NEAR(two[2 * 250], 0.25f, 1e-4);
}

TEST_F(SoundLibraryTest, FreedAndUnknownHandlesAndZeroDoNothing) {
    const Handle h = m.make(pcm16(1, static_cast<std::uint32_t>(m.rate), 1000, 0.5), 1);
    ASSERT_NE(h, 0);
    lib().loop(h);
    EXPECT_FALSE(Mixer::silent(m.run(10)));
    EXPECT_EQ(lib().free_buffer(h), 1);
    EXPECT_TRUE(Mixer::silent(m.run(10))) << "a freed buffer goes on playing";

    for (Handle bad : {Handle{0}, h, h + 1000, m.ctx, Handle{-1}}) {
        SCOPED_TRACE(bad);
        EXPECT_EQ(lib().play(bad), 0);
        EXPECT_EQ(lib().loop(bad), 0);
        EXPECT_EQ(lib().stop(bad), 0);
        EXPECT_EQ(lib().free_buffer(bad), 0);
    }
    const Bytes good = pcm16(1, 44100, 10, 0.5);
    for (Handle bad : {Handle{0}, h, m.ctx + 1000}) {
        SCOPED_TRACE(bad);
        EXPECT_EQ(lib().create_sized(bad, good.data(), good.size(), 3), 0);
        EXPECT_EQ(lib().create(bad, good.data(), 3), 0);
        EXPECT_EQ(lib().terminate(bad), 0);
        EXPECT_EQ(lib().mix(bad, 10, nullptr), 0);
    }
    EXPECT_TRUE(Mixer::silent(m.run(10)));
}

// --- music read from its file as it plays -------------------------------------

// Frames that differ everywhere, so a frame lost, repeated or taken from the
// wrong place in the file shows. `v` is in [-1, 1).
double pattern(std::size_t frame, unsigned channel) {
    const std::uint32_t x = static_cast<std::uint32_t>(frame * 2654435761u + channel * 40503u) >> 16;
    return (static_cast<double>(x) - 32768.0) / 32768.0;
}

// The frames of a file at the device's rate come out as the file holds them,
// loop after loop, read in uneven pieces so the loop point falls inside a
// piece, between pieces and inside one read of the file.
TEST_F(SoundLibraryTest, StreamedMusicIsTheFileFrameForFrameAcrossItsLoopPoint) {
    const struct {
        const char* name;
        unsigned tag, channels, bits;
        std::size_t frames;
        bool odd_tail;    // one byte more than whole frames, without its pad
        bool after_data;  // a chunk after the data, which is not sound
        float tolerance;  // 0: exactly the file's value
    } cases[] = {
        {"16-bit stereo, longer than one read of the file", 1, 2, 16, 5003, false, true, 0.0f},
        {"16-bit mono, shorter than one piece of mixing", 1, 1, 16, 300, false, false, 0.0f},
        {"8-bit stereo, a half frame at the end", 1, 2, 8, 777, true, true, 0.0f},
        {"32-bit float stereo", 3, 2, 32, 1500, false, false, 0.0f},
        {"32-bit integer mono", 1, 1, 32, 999, false, true, 1e-6f},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        // What each frame must sound like, quantised as the file quantises it.
        std::vector<float> expect;
        Bytes data;
        for (std::size_t f = 0; f < c.frames; ++f)
            for (unsigned ch = 0; ch < c.channels; ++ch) {
                const double v = c.bits == 8 ? std::floor(pattern(f, ch) * 128) / 128
                                             : std::floor(pattern(f, ch) * 32768) / 32768;
                put_sample(data, c.tag, c.bits, v);
                expect.push_back(static_cast<float>(v));
            }
        if (c.odd_tail) data.push_back(0x55);
        std::vector<Bytes> chunks = {
            chunk("fmt ", fmt_body(c.tag, c.channels, static_cast<std::uint32_t>(m.rate), c.bits)),
            chunk("data", data, !c.odd_tail)};
        if (c.after_data) chunks.push_back(chunk("cue ", Bytes(24, 0x7F)));
        const WaveOnDisk file(riff(chunks));
        const Handle h = file.open_in(m.ctx, 1);
        ASSERT_NE(h, 0);
        ASSERT_EQ(lib().loop(h), 1);
        const std::size_t total = c.frames * 5 / 2 + 17;
        std::vector<float> out;
        const std::size_t pieces[] = {1, 299, 1024, 4097, 3, 2048};
        for (std::size_t piece : pieces)
            for (float v : m.run(std::min(piece, total - out.size() / 2))) out.push_back(v);
        while (out.size() / 2 < total)
            for (float v : m.run(std::min<std::size_t>(1000, total - out.size() / 2))) out.push_back(v);
        for (std::size_t f = 0; f < total; ++f) {
            const std::size_t at = (f % c.frames) * c.channels;
            const float left = expect[at], right = expect[at + (c.channels - 1)];
            if (c.tolerance == 0.0f) {
                ASSERT_EQ(out[2 * f], left) << "frame " << f;
                ASSERT_EQ(out[2 * f + 1], right) << "frame " << f;
            } else {
                ASSERT_NEAR(out[2 * f], left, c.tolerance) << "frame " << f;
                ASSERT_NEAR(out[2 * f + 1], right, c.tolerance) << "frame " << f;
            }
        }
        lib().free_buffer(h);
    }
}

TEST_F(SoundLibraryTest, StreamedMusicResampledKeepsItsShapeAndPeriodAcrossLoops) {
    // Exactly ten cycles of a sine at half the device's rate: one loop is 2000
    // of the device's frames, a cycle 200.
    const std::uint32_t half = static_cast<std::uint32_t>(m.rate / 2);
    Bytes data;
    for (int f = 0; f < 1000; ++f) put_sample(data, 1, 16, 0.5 * std::sin(2 * M_PI * 10 * f / 1000.0));
    const WaveOnDisk file(riff({chunk("fmt ", fmt_body(1, 1, half, 16)), chunk("data", data)}));
    const Handle h = file.open_in(m.ctx, 1);
    ASSERT_NE(h, 0);
    lib().loop(h);
    std::vector<float> l;
    for (int i = 0; i < 9; ++i)
        for (float v : m.left(1111)) l.push_back(v);
    // After the resampler's first frames: no click anywhere, the level kept,
    // and every loop the same as the one before, so no frame of the file is
    // lost or repeated where it wraps.
    const float steepest = 0.5f * 2 * static_cast<float>(M_PI) / 200;
    float peak = 0;
    for (std::size_t i = 2500; i < l.size(); ++i) {
        ASSERT_LE(std::abs(l[i] - l[i - 1]), steepest * 1.05f) << "a click at " << i;
        ASSERT_NEAR(l[i], l[i - 2000], 2e-3f) << "the loop is not 2000 frames long at " << i;
        peak = std::max(peak, std::abs(l[i]));
    }
    EXPECT_NEAR(peak, 0.5f, 0.02f);
}

TEST_F(SoundLibraryTest, StreamedMusicStopsRestartsAndPlaysOnce) {
    const std::size_t n = 300;
    const WaveOnDisk file(ramp(n, static_cast<std::uint32_t>(m.rate)));
    const Handle h = file.open_in(m.ctx, 1);
    ASSERT_NE(h, 0);
    auto level = [n](std::size_t frame) { return 0.5 * ((frame % n) + 1) / n; };
    lib().loop(h);
    std::vector<float> l = m.left(450);
    EXPECT_NEAR(l[0], level(0), 1e-4) << "the music does not start at once";
    EXPECT_NEAR(l[449], level(449), 1e-4);
    lib().loop(h);  // again while it loops: it goes on
    EXPECT_NEAR(m.left(1)[0], level(450), 1e-4);
    EXPECT_EQ(lib().stop(h), 1);
    EXPECT_TRUE(Mixer::silent(m.run(2 * n)));
    lib().loop(h);
    EXPECT_NEAR(m.left(1)[0], level(0), 1e-4) << "after a stop the music starts from its beginning";
    lib().stop(h);

    // Played once: the file once, then silence, and again from the start.
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        lib().play(h);
        l = m.left(n + 50);
        for (std::size_t i = 0; i < n; ++i) ASSERT_NEAR(l[i], level(i), 1e-4) << i;
        for (std::size_t i = n; i < n + 50; ++i) ASSERT_EQ(l[i], 0.0f) << "still playing at " << i;
    }
    // Asked to loop while it plays once, it loops.
    lib().play(h);
    m.run(n - 10);
    lib().loop(h);
    l = m.left(n);
    for (std::size_t i = 0; i < n; ++i) ASSERT_NEAR(l[i], level(n - 10 + i), 1e-4) << i;
}

// Nothing of the music is held but what is about to play: bytes written into
// the file after it was handed over are what the device gets.
TEST_F(SoundLibraryTest, StreamedMusicIsReadFromItsFileAsItPlays) {
    const std::size_t frames = 40000, changed_from = 30000;
    const Bytes image = pcm16(2, static_cast<std::uint32_t>(m.rate), frames, 0.25);
    const WaveOnDisk file(image);
    const Handle h = file.open_in(m.ctx, 1);
    ASSERT_NE(h, 0);
    lib().loop(h);
    const std::vector<float> first = m.left(1000);
    EXPECT_NEAR(first[999], 0.25f, 1e-4);
    Bytes louder;
    for (std::size_t f = changed_from; f < frames; ++f) {
        put_sample(louder, 1, 16, 0.5);
        put_sample(louder, 1, 16, 0.5);
    }
    file.overwrite(44 + changed_from * 4, louder);
    const std::vector<float> later = m.left(frames - 1000);
    EXPECT_NEAR(later[changed_from - 1000 - 1], 0.25f, 1e-4);
    EXPECT_NEAR(later[changed_from - 1000], 0.5f, 1e-4) << "the music was read before it played";
    // The effect, from the same bytes, is kept as it was when it was made.
    const WaveOnDisk effect_file(image);
    const Handle e = effect_file.open_in(m.ctx, 3);
    ASSERT_NE(e, 0);
    effect_file.overwrite(44 + changed_from * 4, louder);
    lib().stop(h);
    lib().play(e);
    EXPECT_NEAR(m.left(frames)[frames - 1], 0.25f, 1e-4) << "an effect read after it was made";
}

// The file entry accepts and refuses exactly what the image entry does, as
// music (streamed where it can be) and as an effect, and plays the same.
TEST_F(SoundLibraryTest, TheFileEntryTakesWhatTheImageEntryTakes) {
    for (Handle flags : {Handle{1}, Handle{3}}) {
        SCOPED_TRACE(flags);
        for (const Image& i : refused_images()) {
            SCOPED_TRACE(i.name);
            const WaveOnDisk file(i.bytes);
            EXPECT_EQ(file.open_in(m.ctx, flags), 0);
        }
        for (const Image& i : accepted_layouts()) {
            SCOPED_TRACE(i.name);
            const WaveOnDisk file(i.bytes);
            const Handle h = file.open_in(m.ctx, flags);
            ASSERT_NE(h, 0);
            lib().play(h);
            const std::vector<float> l = m.left(40);
            EXPECT_NEAR(l[0], 0x1010 / 32768.0, 1e-4);
            EXPECT_NEAR(l[30], 0x1010 / 32768.0, 1e-4);
            for (std::size_t f = 32; f < 40; ++f)
                EXPECT_EQ(l[f], 0.0f) << "plays more than its 31 or 32 frames";
            lib().free_buffer(h);
        }
    }
    EXPECT_EQ(lib().create_file(m.ctx, -1, 1), 0);
    EXPECT_EQ(lib().create_file(0, 0, 1), 0);
    QTemporaryDir dir;  // a folder is not a wave file
    const int fd = ::open(QFile::encodeName(dir.path()).constData(), O_RDONLY | O_DIRECTORY);
    EXPECT_EQ(lib().create_file(m.ctx, fd, 1), 0);
    ::close(fd);
}

// A float file's samples beyond full scale saturate in the streamed music,
// as in the samples kept at 16 bits, and what is not a finite number is silence.
TEST_F(SoundLibraryTest, StreamedFloatMusicStaysWithinFullScale) {
    const float odd[] = {0.5f, NAN, INFINITY, -INFINITY, 2.0f, -3.0f, -0.25f, 1.0f};
    const float heard[] = {0.5f, 0.0f, 0.0f, 0.0f, 1.0f, -1.0f, -0.25f, 1.0f};
    Bytes data;
    for (float v : odd) put_sample(data, 3, 32, v);
    const WaveOnDisk file(
        riff({chunk("fmt ", fmt_body(3, 1, static_cast<std::uint32_t>(m.rate), 32)), chunk("data", data)}));
    const Handle h = file.open_in(m.ctx, 1);
    ASSERT_NE(h, 0);
    lib().play(h);
    const std::vector<float> l = m.left(std::size(odd));
    for (std::size_t i = 0; i < std::size(odd); ++i) EXPECT_EQ(l[i], heard[i]) << i;
}

// Music of every encoding sounds the same from its file as from its image,
// whether it is streamed or (24 bits, more channels, extensible) read whole.
TEST_F(SoundLibraryTest, MusicSoundsTheSameFromItsFileInEveryEncoding) {
    const Encoding encodings[] = {
        {"8-bit mono", 1, 1, 8, false},     {"16-bit stereo", 1, 2, 16, false},
        {"24-bit stereo", 1, 2, 24, false}, {"32-bit mono", 1, 1, 32, false},
        {"float mono", 3, 1, 32, false},    {"extensible 16-bit stereo", 1, 2, 16, true},
        {"four channels", 1, 4, 16, false},
    };
    for (const Encoding& e : encodings) {
        SCOPED_TRACE(e.name);
        Bytes data;
        for (int f = 0; f < 600; ++f)
            for (unsigned c = 0; c < e.channels; ++c) put_sample(data, e.tag, e.bits, 0.6 * pattern(f, c));
        const Bytes fmt = e.extensible
                              ? extensible_body(e.tag, e.channels, static_cast<std::uint32_t>(m.rate), e.bits)
                              : fmt_body(e.tag, e.channels, static_cast<std::uint32_t>(m.rate), e.bits);
        const Bytes image = riff({chunk("fmt ", fmt), chunk("data", data)});
        const Handle kept = m.make(image, 1);
        const WaveOnDisk file(image);
        const Handle streamed = file.open_in(m.ctx, 1);
        ASSERT_TRUE(kept && streamed);
        lib().loop(kept);
        const std::vector<float> a = m.run(1500);
        lib().stop(kept);
        lib().loop(streamed);
        const std::vector<float> b = m.run(1500);
        lib().stop(streamed);
        // The image's samples are kept at 16 bits.
        for (std::size_t i = 0; i < a.size(); ++i) ASSERT_NEAR(a[i], b[i], 1.0f / 16384) << i;
    }
}

TEST(SoundLibrary, TerminateEndsTheContextAndItsBuffers) {
    ASSERT_TRUE(lib().complete());
    Handle h;
    Handle ctx;
    {
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        ctx = lib().init(0);
        ASSERT_NE(ctx, 0);
        const Bytes image = pcm16(1, 44100, 100, 0.5);
        h = lib().create_sized(ctx, image.data(), image.size(), 3);
        ASSERT_NE(h, 0);
        lib().loop(h);
        EXPECT_EQ(lib().terminate(ctx), 1);
    }
    EXPECT_EQ(lib().play(h), 0);
    EXPECT_EQ(lib().free_buffer(h), 0);
    EXPECT_EQ(lib().terminate(ctx), 0) << "terminated twice";
    EXPECT_EQ(lib().format(ctx, nullptr, nullptr), 0);
}

TEST(SoundLibrary, StartingLeavesTheProgramsSignalsAlone) {
    ASSERT_TRUE(lib().complete());
    const int stop_signals[] = {SIGINT, SIGTERM};
    struct sigaction before[2], after[2];
    for (int i = 0; i < 2; ++i) sigaction(stop_signals[i], nullptr, &before[i]);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    const Handle ctx = lib().init(0);
    ASSERT_NE(ctx, 0);
    for (int i = 0; i < 2; ++i) sigaction(stop_signals[i], nullptr, &after[i]);
    lib().terminate(ctx);
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(stop_signals[i]);
        EXPECT_EQ(after[i].sa_handler, before[i].sa_handler) << "the program could no longer be stopped";
    }
}

TEST(SoundLibrary, NoAudioDriverMeansNoContext) {
    ASSERT_TRUE(lib().complete());
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    const Handle ctx = lib().init(0);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    EXPECT_EQ(ctx, 0);
    if (ctx) lib().terminate(ctx);
}

// The one test on a real audio thread: SDL's disk driver writes what the
// device plays into a file at the pace of the sound itself.
TEST(SoundLibrary, PlayedSoundReachesTheDevice) {
    ASSERT_TRUE(lib().complete());
    QTemporaryDir dir;
    const QByteArray out = QFile::encodeName(dir.filePath("device.raw"));
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", out.constData(), 1);
    const Handle ctx = lib().init(0);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    ASSERT_NE(ctx, 0);
    const Bytes image = pcm16(2, 44100, 4410, 0.5);
    const Handle h = lib().create_sized(ctx, image.data(), image.size(), 1);
    ASSERT_NE(h, 0);
    lib().loop(h);
    // Polls until the device has played it; bounded, and generous for a loaded machine.
    bool heard = false;
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(5000);
    while (!heard && std::chrono::steady_clock::now() < until) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        const QByteArray raw = Harness::read_file(QFile::decodeName(out));
        for (qsizetype i = 0; i + 4 <= raw.size(); i += 4) {
            float v;
            std::memcpy(&v, raw.constData() + i, 4);
            if (std::abs(v - 0.5f) < 1e-3f) {
                heard = true;
                break;
            }
        }
    }
    lib().terminate(ctx);
    unsetenv("SDL_DISKAUDIOFILE");
    EXPECT_TRUE(heard) << "the looping sound never reached the device";
}

// --- Module1 through the window ---------------------------------------------

const QString kCannotStart = QStringLiteral("Direct Soundインターフェースが作成できません。");
const QString kLibraryTitle = QStringLiteral("Velmora.dll");

std::vector<std::string> calls(const Harness& h) {
    std::vector<std::string> out;
    for (const auto& c : h.sound_calls) out.push_back(c.function + " " + std::to_string(c.handle));
    return out;
}

TEST(Module1, ShutdownFreesTheFourBuffersInOrderAndTerminatesOnce) {
    Harness h;
    ASSERT_TRUE(h.messages.empty());
    Form1& f = h.f();
    ASSERT_EQ(f.module1.ds_handle, 7);
    const std::vector<Handle> buffers = {f.snd_other, f.snd_forbidden, f.snd_place, f.snd_bgm};
    EXPECT_EQ(buffers, (std::vector<Handle>{101, 102, 103, 104})) << "loaded out of order";
    h.clear_log();
    f.終了処理();
    f.module1.sound_term();
    f.終了処理();
    EXPECT_EQ(calls(h), (std::vector<std::string>{"dsFree 101", "dsFree 102", "dsFree 103", "dsFree 104",
                                                  "dsTerminate 7"}));
    EXPECT_EQ(f.module1.ds_handle, 0);
}

// Each way the library can fail to start: one warning, no file read, silence.
TEST(Module1, ALibraryThatCannotStartLeavesTheGameSilent) {
    const struct {
        const char* name;
        bool bind_fails;
    } cases[] = {{"dsInitialize answers 0", false}, {"no library to load", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Harness h(false, true);
        Form1& f = h.f();
        h.library_starts = false;
        if (c.bind_fails) {
            f.module1.ds = SoundLibrary{};
            f.module1.library_file = QStringLiteral("libVelmora-not-here.so");
        }
        // Reading this one would warn: it must not be read at all.
        QFile::remove(h.path("禁止.wav"));
        ASSERT_TRUE(QDir(h.dir.path()).mkdir("禁止.wav"));
        f.Form_Load();
        ASSERT_EQ(h.messages.size(), 1u);
        EXPECT_EQ(h.messages[0].text, kCannotStart);
        EXPECT_EQ(h.messages[0].title, kLibraryTitle);
        EXPECT_EQ(h.messages[0].buttons, MB_OK);
        EXPECT_EQ(h.messages[0].icon, MB_ICONWARNING);
        EXPECT_EQ(f.module1.ds_handle, 0);
        EXPECT_EQ(f.snd_other | f.snd_forbidden | f.snd_place | f.snd_bgm, 0);
        EXPECT_EQ(f.module1.ds.loaded(), !c.bind_fails);
        if (c.bind_fails) {
            EXPECT_FALSE(f.module1.library_error.isEmpty());
        }
        for (const auto& call : h.sound_calls) EXPECT_NE(call.function, "dsCreateDSB");
        // Playing, ticking the music and shutting down stay harmless.
        f.再生(f.snd_place);
        f.終了処理();
        for (const auto& call : h.sound_calls) {
            EXPECT_NE(call.function, "dsTerminate");
            EXPECT_EQ(call.handle, 0) << call.function;
        }
        EXPECT_EQ(h.messages.size(), 1u);
    }
}

TEST(Module1, UnboundCallsAreHarmless) {
    Harness h(false, true);
    Form1& f = h.f();
    f.module1.ds = SoundLibrary{};
    f.module1.ds_handle = 5;  // even with a stale context
    EXPECT_EQ(f.module1.sound_load(QStringLiteral("BGM.wav"), 1), 0);
    f.再生(3);
    f.module1.sound_term();
    EXPECT_EQ(f.module1.ds_handle, 0);
    EXPECT_TRUE(h.messages.empty());
}

TEST(Module1, AMissingFileGivesNoBufferAndNoMessage) {
    Harness h;
    h.clear_log();
    EXPECT_EQ(h.f().module1.sound_load(QStringLiteral("どこにも無い.wav"), 3), 0);
    EXPECT_TRUE(h.messages.empty());
    EXPECT_TRUE(h.sound_calls.empty());
}

TEST(Module1, AnUnreadableFileSaysWhyInJapanese) {
    Harness h;
    h.clear_log();
    ASSERT_TRUE(QDir(h.dir.path()).mkdir("棚.wav"));
    const QString system_text = QStringLiteral("ファイルではなくフォルダです。");

    EXPECT_EQ(h.f().module1.sound_load(QStringLiteral("棚.wav"), 3), 0);
    ASSERT_EQ(h.messages.size(), 1u);
    EXPECT_EQ(h.messages[0].text, system_text);
    // The error number of the failing call is kept with the text.
    const SoundFile got = Module1::load_file(h.f().module1.ds, 7, {h.path("棚.wav")}, 3);
    EXPECT_TRUE(got.unreadable);
    EXPECT_EQ(got.error_number, EISDIR);
    EXPECT_EQ(got.error, system_text);
    EXPECT_EQ(h.messages[0].title, kLibraryTitle);
    EXPECT_EQ(h.messages[0].icon, MB_ICONWARNING);
    EXPECT_TRUE(h.sound_calls.empty());

    // A file without read permission, where permissions apply (not as root).
    if (geteuid() != 0) {
        h.clear_log();
        Harness::write_file(h.path("閉.wav"), QByteArray("RIFF"));
        QFile::setPermissions(h.path("閉.wav"), QFileDevice::WriteOwner);
        EXPECT_EQ(h.f().module1.sound_load(QStringLiteral("閉.wav"), 3), 0);
        ASSERT_EQ(h.messages.size(), 1u);
        EXPECT_EQ(h.messages[0].text, QStringLiteral("このファイルを読む権限がありません。"));
    }
}

TEST(Module1, StartUpWithOneUnreadableFileWarnsOnceAndLoadsTheRest) {
    Harness h(false, true);
    QFile::remove(h.path("禁止.wav"));
    ASSERT_TRUE(QDir(h.dir.path()).mkdir("禁止.wav"));
    h.f().Form_Load();
    ASSERT_EQ(h.messages.size(), 1u);
    EXPECT_EQ(h.messages[0].title, kLibraryTitle);
    EXPECT_EQ(h.f().snd_forbidden, 0);
    EXPECT_NE(h.f().snd_other, 0);
    EXPECT_NE(h.f().snd_place, 0);
    EXPECT_NE(h.f().snd_bgm, 0);
}

// A library that reads files itself is handed each one open, effects and
// music alike, never its image, and the program's descriptor is closed after.
TEST(Module1, ALibraryThatReadsFilesIsHandedTheOpenFile) {
    Harness h;
    h.clear_log();
    SoundLibrary& ds = h.f().module1.ds;
    std::vector<QByteArray> read;
    int last_fd = -1;
    ds.dsCreateDSBFromFile = [&](Handle, int fd, Handle flags) -> Handle {
        QByteArray bytes(4096, '\0');
        const ssize_t n = ::pread(fd, bytes.data(), bytes.size(), 0);
        bytes.resize(n > 0 ? n : 0);
        read.push_back(bytes);
        last_fd = fd;
        return 10 + flags;
    };
    ds.dsCreateDSB = [](Handle, const void*, std::size_t, Handle) -> Handle {
        ADD_FAILURE() << "handed an image";
        return 0;
    };
    Harness::write_file(h.path("BGM.wav"), "RIFF----WAVEmusic");
    EXPECT_EQ(h.f().module1.sound_load(QStringLiteral("BGM.wav"), 1), 11);
    EXPECT_EQ(h.f().module1.sound_load(QStringLiteral("駒打音.wav"), 3), 13);
    EXPECT_EQ(read, (std::vector<QByteArray>{"RIFF----WAVEmusic", Harness::read_file(h.path("駒打音.wav"))}));
    EXPECT_EQ(::fcntl(last_fd, F_GETFD), -1) << "the program kept the file open";
    EXPECT_TRUE(h.messages.empty());
}

// Before an image goes to a library that trusts its header for the length.
TEST(Module1, AnImageFitsOnlyWhenItsHeaderClaimsNoMoreThanItHolds) {
    const Bytes image = pcm16(1, 44100, 4, 0.5);  // 44 + 8 bytes, header exact
    const struct {
        const char* name;
        std::size_t extra, given;
        bool fits;
    } cases[] = {
        {"exact", 0, image.size(), true},
        {"with bytes after it", 7, image.size() + 7, true},
        {"one byte short", 0, image.size() - 1, false},
        {"only the header", 0, 12, false},
        {"eleven bytes", 0, 11, false},
        {"nothing", 0, 0, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes copy = image;
        copy.resize(copy.size() + c.extra, 0);
        EXPECT_EQ(Module1::wave_image_fits(copy.data(), c.given), c.fits);
    }
    Bytes not_riff = image;
    not_riff[1] = 'X';
    EXPECT_FALSE(Module1::wave_image_fits(not_riff.data(), not_riff.size()));
    Bytes not_wave = image;
    not_wave[11] = 'X';
    EXPECT_FALSE(Module1::wave_image_fits(not_wave.data(), not_wave.size()));
    EXPECT_FALSE(Module1::wave_image_fits(nullptr, 100));
}

// Only the harness's working folder decides which sounds exist.
TEST(Module1, AHarnessLoadsExactlyTheWaveFilesOfItsFolder) {
    {
        Harness h(true, false);
        EXPECT_TRUE(h.messages.empty());
        EXPECT_EQ(h.f().snd_other | h.f().snd_forbidden | h.f().snd_place | h.f().snd_bgm, 0);
        for (const auto& call : h.sound_calls) EXPECT_NE(call.function, "dsCreateDSB");
    }
    {
        Harness h(false, true);
        QFile::remove(h.path("BGM.wav"));
        h.f().Form_Load();
        EXPECT_TRUE(h.messages.empty());
        EXPECT_EQ(h.f().snd_bgm, 0);
        EXPECT_NE(h.f().snd_other, 0);
        EXPECT_NE(h.f().snd_forbidden, 0);
        EXPECT_NE(h.f().snd_place, 0);
    }
}

TEST(Module1, TheWorkingFolderComesBeforeTheProgramsFolder) {
    Harness h;
    h.f().module1.search_beside_program = true;
    std::vector<std::size_t> sizes;
    h.f().module1.ds.dsCreateDSB = [&](Handle, const void*, std::size_t size, Handle) -> Handle {
        sizes.push_back(size);
        return 1;
    };
    // The harness put a 16-byte "駒打音.wav" in the working folder.
    EXPECT_EQ(h.f().module1.sound_load(QStringLiteral("駒打音.wav"), 3), 1);
    QFile::remove(h.path("駒打音.wav"));
    // Now the one beside the program is taken.
    EXPECT_EQ(h.f().module1.sound_load(QStringLiteral("駒打音.wav"), 3), 1);
    const auto beside = static_cast<std::size_t>(QFileInfo(VELMORA_BIN_DIR "/駒打音.wav").size());
    EXPECT_EQ(sizes, (std::vector<std::size_t>{16, beside}));
    EXPECT_TRUE(h.messages.empty());
}

TEST(Module1, LibraryAndSoundsAreLookedForBesideTheProgramThenInTheInstalledLayout) {
    Harness h(false, false);
    const QString bin = QDir(QString::fromUtf8(VELMORA_BIN_DIR)).canonicalPath();
    const QString top = QFileInfo(bin).path();
    EXPECT_EQ(h.f().module1.library_candidates(),
              (QStringList{bin + "/libVelmora.so", top + "/lib/velmora/libVelmora.so", "libVelmora.so"}));
    h.f().module1.search_beside_program = true;
    EXPECT_EQ(h.f().module1.sound_candidates("BGM.wav"),
              (QStringList{"BGM.wav", bin + "/BGM.wav", top + "/share/velmora/BGM.wav"}));
    h.f().module1.search_beside_program = false;
    EXPECT_EQ(h.f().module1.sound_candidates("BGM.wav"), QStringList{"BGM.wav"});
}

// The real library behind the window: start-up, a move's click, shutdown.
TEST(Module1, TheRealLibraryPlaysThroughTheWindow) {
    ASSERT_TRUE(lib().complete());
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    Harness h(false, false);  // no wave files in the working folder
    // Music off in the settings, so nothing plays until asked.
    Harness::write_file(h.path("Velmora.ini"), Harness::sjis(QStringLiteral("BGM=OFF\r\n")));
    Form1& f = h.f();
    f.module1.search_beside_program = true;
    f.module1.ds = SoundLibrary{};
    ASSERT_TRUE(f.module1.bind_library()) << f.module1.library_error.toStdString();
    f.Form_Load();
    EXPECT_TRUE(h.messages.empty());
    const Handle ctx = f.module1.ds_handle;
    ASSERT_NE(ctx, 0);
    // The generated files beside the program were found and accepted.
    EXPECT_NE(f.snd_other, 0);
    EXPECT_NE(f.snd_forbidden, 0);
    EXPECT_NE(f.snd_place, 0);
    EXPECT_NE(f.snd_bgm, 0);

    int rate = 0, channels = 0;
    ASSERT_EQ(lib().format(ctx, &rate, &channels), 1) << "bound to another copy of the library";
    lib().mix(ctx, 0, nullptr);
    std::vector<float> out(static_cast<std::size_t>(rate / 10 * channels));
    lib().mix(ctx, rate / 10, out.data());
    EXPECT_TRUE(Mixer::silent(out)) << "a sound plays before it is asked";
    f.再生(f.snd_place);
    lib().mix(ctx, rate / 10, out.data());
    EXPECT_FALSE(Mixer::silent(out)) << "the piece's click is not heard";
    f.module1.ds.dsPlayLooping(f.snd_bgm);
    lib().mix(ctx, rate, nullptr);
    lib().mix(ctx, rate / 10, out.data());
    EXPECT_FALSE(Mixer::silent(out)) << "the music is not heard";

    f.終了処理();
    EXPECT_EQ(f.module1.ds_handle, 0);
    EXPECT_EQ(lib().format(ctx, nullptr, nullptr), 0) << "the context outlived the shutdown";
    EXPECT_EQ(lib().play(f.snd_place), 0) << "a buffer outlived the shutdown";
}

// --- the generated wave files -------------------------------------------------

struct WaveFile {
    int channels = 0, rate = 0;
    std::vector<double> samples;  // interleaved, in [-1, 1]
    double seconds() const { return static_cast<double>(samples.size()) / channels / rate; }
    double peak() const {
        double p = 0;
        for (double v : samples) p = std::max(p, std::abs(v));
        return p;
    }
};

std::uint32_t le(const QByteArray& b, int at, int n) {
    std::uint32_t v = 0;
    for (int i = n - 1; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(b[at + i]);
    return v;
}

// Reads a canonical 44-byte-header 16-bit PCM file, checking every header field.
WaveFile read_generated(const QString& path) {
    WaveFile w;
    const QByteArray b = Harness::read_file(path);
    EXPECT_GE(b.size(), 46);
    if (b.size() < 46) return w;
    EXPECT_EQ(b.mid(0, 4), "RIFF");
    EXPECT_EQ(le(b, 4, 4), static_cast<std::uint32_t>(b.size() - 8));
    EXPECT_EQ(b.mid(8, 8), "WAVEfmt ");
    EXPECT_EQ(le(b, 16, 4), 16u);
    EXPECT_EQ(le(b, 20, 2), 1u) << "not integer PCM";
    w.channels = static_cast<int>(le(b, 22, 2));
    w.rate = static_cast<int>(le(b, 24, 4));
    EXPECT_TRUE(w.channels == 1 || w.channels == 2);
    EXPECT_TRUE(w.rate == 44100 || w.rate == 22050);
    EXPECT_EQ(le(b, 28, 4), static_cast<std::uint32_t>(w.rate * w.channels * 2));
    EXPECT_EQ(le(b, 32, 2), static_cast<std::uint32_t>(w.channels * 2));
    EXPECT_EQ(le(b, 34, 2), 16u);
    EXPECT_EQ(b.mid(36, 4), "data");
    EXPECT_EQ(le(b, 40, 4), static_cast<std::uint32_t>(b.size() - 44));
    if (w.channels < 1 || w.rate < 1) return w;
    for (int i = 44; i + 1 < b.size(); i += 2)
        w.samples.push_back(static_cast<std::int16_t>(le(b, i, 2)) / 32768.0);
    return w;
}

TEST(GeneratedWaves, HeadersLengthsAndLevels) {
    const struct {
        const char* name;
        double min_s, max_s, min_peak, max_peak;
        bool ends_silent;
    } files[] = {
        // Effects peak near -6 dBFS; the music stays well below them.
        {"その他.wav", 0.5, 2.5, 0.40, 0.56, true},
        {"禁止.wav", 0.15, 0.8, 0.40, 0.56, true},
        {"駒打音.wav", 0.03, 0.3, 0.40, 0.56, true},
        {"BGM.wav", 20.0, 120.0, 0.10, 0.36, false},
    };
    for (const auto& f : files) {
        SCOPED_TRACE(f.name);
        const WaveFile w = read_generated(QString::fromUtf8(VELMORA_BIN_DIR "/") + QString::fromUtf8(f.name));
        ASSERT_FALSE(w.samples.empty());
        EXPECT_GE(w.seconds(), f.min_s);
        EXPECT_LE(w.seconds(), f.max_s);
        EXPECT_GE(w.peak(), f.min_peak);
        EXPECT_LE(w.peak(), f.max_peak);
        if (f.ends_silent) {
            for (int c = 0; c < w.channels; ++c)
                EXPECT_LT(std::abs(w.samples[w.samples.size() - 1 - c]), 0.002);
        }
    }
}

TEST(GeneratedWaves, TheMusicLoopsWithoutAJump) {
    const WaveFile w = read_generated(QString::fromUtf8(VELMORA_BIN_DIR "/BGM.wav"));
    ASSERT_GE(w.samples.size(), 4u);
    const std::size_t ch = static_cast<std::size_t>(w.channels);
    const std::size_t frames = w.samples.size() / ch;
    // The largest step between neighbouring samples anywhere inside the file.
    double inner = 0;
    for (std::size_t i = ch; i < w.samples.size(); ++i)
        inner = std::max(inner, std::abs(w.samples[i] - w.samples[i - ch]));
    for (std::size_t c = 0; c < ch; ++c) {
        const double seam = std::abs(w.samples[(frames - 1) * ch + c] - w.samples[c]);
        EXPECT_LT(seam, 0.01) << "channel " << c;
        EXPECT_LE(seam, inner) << "channel " << c;
        // Slope continuity: the step over the seam continues the last step.
        const double last_step = w.samples[(frames - 1) * ch + c] - w.samples[(frames - 2) * ch + c];
        const double seam_step = w.samples[c] - w.samples[(frames - 1) * ch + c];
        EXPECT_LT(std::abs(seam_step - last_step), 0.005) << "channel " << c;
    }
}

TEST(GeneratedWaves, TheGeneratorWritesTheSameBytesEveryTime) {
    QTemporaryDir dir;
    QProcess gen;
    gen.start(QString::fromUtf8(VELMORA_BIN_DIR "/../tools/velmora_wavegen"), {dir.path()});
    ASSERT_TRUE(gen.waitForFinished(120000));
    ASSERT_EQ(gen.exitCode(), 0);
    for (const char* n : {"その他.wav", "禁止.wav", "駒打音.wav", "BGM.wav"}) {
        SCOPED_TRACE(n);
        const QByteArray again = Harness::read_file(dir.filePath(QString::fromUtf8(n)));
        EXPECT_FALSE(again.isEmpty());
        EXPECT_TRUE(again ==
                    Harness::read_file(QString::fromUtf8(VELMORA_BIN_DIR "/") + QString::fromUtf8(n)));
    }
}

}  // namespace

// The settings turn the music on at start-up; without "BGM.wav" that is
// silent, shows nothing, and the "BGM" item keeps its tick.
TEST(Module1, MusicOnWithoutItsFileIsSilentAndKeepsTheTick) {
    const struct {
        const char* name;
        bool music_file;
        const char* loop_event;
    } cases[] = {{"with BGM.wav", true, "loop BGM"}, {"without BGM.wav", false, "loop none"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Harness h(false, true);
        if (!c.music_file) QFile::remove(h.path("BGM.wav"));
        Harness::write_file(h.path("Velmora.ini"), "BGM=ON\r\n");
        h.f().Form_Load();
        EXPECT_TRUE(h.messages.empty());
        EXPECT_TRUE(h.f().mnu.BGM->isChecked());
        EXPECT_EQ(h.f().snd_bgm != 0, c.music_file);
        EXPECT_EQ(h.count_events(c.loop_event), 1);
        EXPECT_EQ(h.count_events("loop BGM"), c.music_file ? 1 : 0);
        // Unticking stops whatever handle the music has.
        h.f().mnu.BGM->trigger();
        EXPECT_FALSE(h.f().mnu.BGM->isChecked());
        EXPECT_EQ(h.count_events(c.music_file ? "stop BGM" : "stop none"), 1);
    }
}

// The start main() makes ahead, on its own thread: the load step gets the same
// sounds from it and shows the same warnings, in their order.
TEST(Module1, TheStartMadeAheadGivesTheSameSoundsAndWarnings) {
    {
        SCOPED_TRACE("an unreadable 禁止.wav");
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        Harness h(false, false);
        ASSERT_TRUE(QDir(h.dir.path()).mkdir("禁止.wav"));
        QFile probe(h.path("禁止.wav"));
        ASSERT_FALSE(probe.open(QIODevice::ReadOnly));
        SoundHead head;
        head.start();
        Form1& f = h.f();
        f.module1.ds = SoundLibrary{};
        f.module1.head = &head;
        f.Form_Load();
        ASSERT_EQ(h.messages.size(), 1u);
        EXPECT_EQ(h.messages[0].text, QStringLiteral("ファイルではなくフォルダです。"));
        EXPECT_EQ(h.messages[0].title, kLibraryTitle);
        ASSERT_NE(f.module1.ds_handle, 0);
        EXPECT_EQ(lib().format(f.module1.ds_handle, nullptr, nullptr), 1) << "not the real library's context";
        EXPECT_EQ(f.snd_forbidden, 0);
        // The others were found beside the program and accepted, in their order.
        EXPECT_NE(f.snd_other, 0);
        EXPECT_GT(f.snd_place, f.snd_other);
        EXPECT_GT(f.snd_bgm, f.snd_place);
        f.終了処理();
        EXPECT_EQ(lib().format(head.context, nullptr, nullptr), 0);
    }
    {
        SCOPED_TRACE("no audio device");
        setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
        Harness h(false, false);
        ASSERT_TRUE(QDir(h.dir.path()).mkdir("禁止.wav"));  // would warn if it were read
        SoundHead head;
        head.start();
        head.finish();
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        Form1& f = h.f();
        f.module1.ds = SoundLibrary{};
        f.module1.head = &head;
        f.Form_Load();
        ASSERT_EQ(h.messages.size(), 1u);
        EXPECT_EQ(h.messages[0].text, kCannotStart);
        EXPECT_EQ(f.module1.ds_handle, 0);
        EXPECT_EQ(f.snd_other | f.snd_forbidden | f.snd_place | f.snd_bgm, 0);
    }
}
