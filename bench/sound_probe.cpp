// The sound library on a real sound server, for scripts/sound_bench.sh.
//
//   sound_probe LIB play WAVES SECONDS
//       starts the library as the game does and plays the music (WAVES/BGM.wav,
//       read from its file) in a loop for SECONDS.
//   sound_probe LIB latency WAVES SOURCE ROUNDS
//       ROUNDS times, plays the piece's click (WAVES/駒打音.wav) with the
//       device idle (the music off for a few seconds), then again 0.2 s after
//       the click has ended (device running), and says when the first sample
//       of each reached the sink, recording SOURCE (the sink's monitor) itself.
//   sound_probe LIB play-kept WAVES SECONDS
//       the same with the music decoded whole and kept in memory, as an
//       effect is: no file is read while it plays.
//   sound_probe gaps WAVE [LABEL=]RECORDING...
//       reads recordings of sinks' monitors (raw float32le, stereo, 44100 Hz)
//       made at the same time and lists, for each, every run of digital
//       silence between the music's first and last sample that is longer than
//       the longest one WAVE has, marking those every stream shared.
//
// The library is taken from LIB with dlopen, so one probe measures any build.
#include <dlfcn.h>
#include <fcntl.h>
#include <pulse/error.h>
#include <pulse/simple.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using Handle = std::intptr_t;
using Clock = std::chrono::steady_clock;

constexpr int kRate = 44100;
constexpr int kChannels = 2;
constexpr Handle kEffect = 3;  // DS_STATIC | DS_EFFECT, as the game asks
constexpr Handle kMusic = 1;

struct Library {
    Handle (*init)(Handle) = nullptr;
    Handle (*from_file)(Handle, int, Handle) = nullptr;
    Handle (*from_image)(Handle, const void*, std::size_t, Handle) = nullptr;
    Handle (*play)(Handle) = nullptr;
    Handle (*loop)(Handle) = nullptr;
    Handle (*stop)(Handle) = nullptr;
    Handle (*terminate)(Handle) = nullptr;
    explicit Library(const char* path) {
        void* h = dlopen(path, RTLD_NOW | RTLD_LOCAL);
        if (!h) {
            std::fprintf(stderr, "%s\n", dlerror());
            std::exit(2);
        }
        init = reinterpret_cast<decltype(init)>(dlsym(h, "dsInitialize"));
        from_file = reinterpret_cast<decltype(from_file)>(dlsym(h, "dsCreateDSBFromFile"));
        from_image = reinterpret_cast<decltype(from_image)>(dlsym(h, "dsCreateDSBSized"));
        play = reinterpret_cast<decltype(play)>(dlsym(h, "dsPlay"));
        loop = reinterpret_cast<decltype(loop)>(dlsym(h, "dsPlayLooping"));
        stop = reinterpret_cast<decltype(stop)>(dlsym(h, "dsStop"));
        terminate = reinterpret_cast<decltype(terminate)>(dlsym(h, "dsTerminate"));
        if (!init || !from_file || !play || !loop || !stop || !terminate) {
            std::fprintf(stderr, "%s: not a complete sound library\n", path);
            std::exit(2);
        }
    }
    Handle load(Handle ctx, const std::string& file, Handle flags) const {
        const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
        const Handle b = fd >= 0 ? from_file(ctx, fd, flags) : 0;
        if (fd >= 0) ::close(fd);
        if (b == 0) {
            std::fprintf(stderr, "%s: not loaded\n", file.c_str());
            std::exit(2);
        }
        return b;
    }
};

Handle start(const Library& lib) {
    const Handle ctx = lib.init(0);
    if (ctx == 0) {
        std::fprintf(stderr, "no audio device\n");
        std::exit(2);
    }
    return ctx;
}

int play(const Library& lib, const std::string& waves, double seconds, bool kept) {
    const Handle ctx = start(lib);
    Handle music = 0;
    if (kept) {
        // The music decoded whole and kept, as the library keeps an effect.
        std::ifstream in(waves + "/BGM.wav", std::ios::binary);
        const std::vector<char> image((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        music = lib.from_image ? lib.from_image(ctx, image.data(), image.size(), kMusic) : 0;
    } else {
        music = lib.load(ctx, waves + "/BGM.wav", kMusic);
    }
    lib.loop(music);
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    // As the game ends: the buffers go, then the context.
    lib.stop(music);
    const Clock::time_point t0 = Clock::now();
    lib.terminate(ctx);
    std::printf("dsTerminate took %.0f ms\n",
                std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
    return 0;
}

// The monitor read in small pieces, each stamped when it arrived: a piece's
// last frame reached the sink about then (less the recording's own latency,
// the same for every measurement).
class Recorder {
public:
    explicit Recorder(const char* source) {
        const pa_sample_spec format{PA_SAMPLE_FLOAT32LE, kRate, kChannels};
        pa_buffer_attr attr{};
        attr.maxlength = static_cast<std::uint32_t>(-1);
        attr.fragsize = kPiece * kChannels * sizeof(float);
        int error = 0;
        pa = pa_simple_new(nullptr, "sound_probe", PA_STREAM_RECORD, source, "monitor", &format, nullptr,
                           &attr, &error);
        if (!pa) {
            std::fprintf(stderr, "recording %s: %s\n", source, pa_strerror(error));
            std::exit(2);
        }
        worker = std::thread([this] { run(); });
    }
    ~Recorder() {
        done = true;
        worker.join();
        pa_simple_free(pa);
    }
    // When the first non-silent frame after `since` reached the sink, or
    // Clock::time_point{} when none came within `limit`.
    Clock::time_point first_sound_after(Clock::time_point since, std::chrono::milliseconds limit) {
        std::unique_lock<std::mutex> lock(m);
        heard = Clock::time_point{};
        listen_from = since;
        changed.wait_until(lock, Clock::now() + limit, [this] { return heard != Clock::time_point{}; });
        listen_from = Clock::time_point::max();
        return heard;
    }
    // Waits until `quiet` of silence has reached the sink.
    bool wait_quiet(std::chrono::milliseconds quiet, std::chrono::milliseconds limit) {
        std::unique_lock<std::mutex> lock(m);
        return changed.wait_until(lock, Clock::now() + limit,
                                  [&] { return silent_frames >= quiet.count() * kRate / 1000; });
    }

private:
    static constexpr std::size_t kPiece = 64;
    void run() {
        std::vector<float> piece(kPiece * kChannels);
        while (!done) {
            int error = 0;
            if (pa_simple_read(pa, piece.data(), piece.size() * sizeof(float), &error) < 0) break;
            const Clock::time_point now = Clock::now();
            std::lock_guard<std::mutex> lock(m);
            for (std::size_t f = 0; f < kPiece; ++f) {
                const bool sound = piece[f * 2] != 0.0f || piece[f * 2 + 1] != 0.0f;
                silent_frames = sound ? 0 : silent_frames + 1;
                if (sound && heard == Clock::time_point{} && now > listen_from) {
                    heard = now - std::chrono::microseconds((kPiece - 1 - f) * 1000000 / kRate);
                }
            }
            changed.notify_all();
        }
    }
    pa_simple* pa = nullptr;
    std::thread worker;
    std::atomic<bool> done{false};
    std::mutex m;
    std::condition_variable changed;
    Clock::time_point listen_from = Clock::time_point::max();
    Clock::time_point heard{};
    long long silent_frames = 0;
};

// The state of the sink the library plays to (PULSE_SINK, else the first).
std::string sink_state() {
    const char* name = std::getenv("PULSE_SINK");
    std::string out;
    if (FILE* p = popen("pactl list short sinks 2>/dev/null", "r")) {
        char line[512];
        while (std::fgets(line, sizeof line, p)) {
            const std::string l = line;
            if (out.empty() && (!name || l.find(std::string("\t") + name + "\t") != std::string::npos))
                out = l;
        }
        pclose(p);
    }
    for (const char* s : {"SUSPENDED", "RUNNING", "IDLE"})
        if (out.find(s) != std::string::npos) return s;
    return "?";
}

double median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

int latency(const Library& lib, const std::string& waves, const char* source, int rounds) {
    const Handle ctx = start(lib);
    const Handle click = lib.load(ctx, waves + "/駒打音.wav", kEffect);
    const Handle music = lib.load(ctx, waves + "/BGM.wav", kMusic);
    using std::chrono::milliseconds;
    // As in the game: music on, then switched off.
    lib.loop(music);
    std::this_thread::sleep_for(milliseconds(500));
    lib.stop(music);
    std::vector<double> idle, running;
    auto measure = [&](Recorder& rec, std::vector<double>& into, const char* what, const std::string& state) {
        rec.wait_quiet(milliseconds(50), milliseconds(2000));
        const Clock::time_point asked = Clock::now();
        lib.play(click);
        const Clock::time_point heard = rec.first_sound_after(asked, milliseconds(3000));
        if (heard == Clock::time_point{}) {
            std::printf("%-8s sink before: %-9s  never heard\n", what, state.c_str());
            return;
        }
        const double ms = std::chrono::duration<double, std::milli>(heard - asked).count();
        into.push_back(ms);
        std::printf("%-8s sink before: %-9s  %6.1f ms\n", what, state.c_str(), ms);
        rec.wait_quiet(milliseconds(100), milliseconds(3000));
    };
    for (int r = 0; r < rounds; ++r) {
        // Nothing records meanwhile (a recording of the monitor keeps the
        // sink awake): long enough for the device to go idle and the sink to
        // suspend. The recording then wakes the sink, before the click is asked.
        std::this_thread::sleep_for(milliseconds(3500));
        const std::string state = sink_state();
        Recorder rec(source);
        measure(rec, idle, "idle", state);
        std::this_thread::sleep_for(milliseconds(200));
        measure(rec, running, "running", sink_state());
    }
    std::printf("median   idle %.1f ms, running %.1f ms (%d rounds)\n", median(idle), median(running),
                rounds);
    lib.terminate(ctx);
    return 0;
}

// Frames of a canonical 16-bit PCM wave file, as booleans "silent".
std::vector<bool> wave_silence(const std::string& file, int& rate) {
    std::ifstream in(file, std::ios::binary);
    std::vector<unsigned char> b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (b.size() < 44) return {};
    const int channels = b[22] | b[23] << 8;
    rate = b[24] | b[25] << 8 | b[26] << 16 | b[27] << 24;
    std::vector<bool> silent;
    for (std::size_t i = 44; i + 2u * channels <= b.size(); i += 2u * channels) {
        bool s = true;
        for (int c = 0; c < channels; ++c) s = s && b[i + 2 * c] == 0 && b[i + 2 * c + 1] == 0;
        silent.push_back(s);
    }
    return silent;
}

struct Gap {
    double at_s, ms;
};

// The runs of digital silence in a recording between the music's first and
// last sample that are longer than `file_ms`.
std::vector<Gap> find_gaps(const std::string& recording, double file_ms, double& heard_s) {
    std::ifstream in(recording, std::ios::binary);
    std::vector<char> raw((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::size_t frames = raw.size() / (kChannels * sizeof(float));
    std::vector<bool> silent(frames);
    for (std::size_t f = 0; f < frames; ++f) {
        float v[kChannels];
        std::memcpy(v, raw.data() + f * sizeof v, sizeof v);
        silent[f] = v[0] == 0.0f && v[1] == 0.0f;
    }
    std::size_t first = 0, last = frames;
    while (first < frames && silent[first]) ++first;
    while (last > first && silent[last - 1]) --last;
    heard_s = static_cast<double>(last - first) / kRate;
    std::vector<Gap> found;
    std::size_t run = 0;
    for (std::size_t f = first; f <= last; ++f) {
        if (f < last && silent[f]) {
            ++run;
            continue;
        }
        const double ms = 1000.0 * static_cast<double>(run) / kRate;
        if (ms > file_ms + 0.1) found.push_back({static_cast<double>(f - run) / kRate, ms});
        run = 0;
    }
    return found;
}

// One line per recording (LABEL=FILE); a gap marked * falls within 0.1 s of
// a gap in another recording: a stall every stream shared.
int gaps(const std::string& wave, const std::vector<std::string>& recordings) {
    int rate = kRate;
    const std::vector<bool> file = wave_silence(wave, rate);
    if (file.empty()) return 2;
    // The file's longest run of silence, its loop point included.
    std::size_t longest = 0, run = 0;
    for (std::size_t i = 0; i < 2 * file.size(); ++i) {
        run = file[i % file.size()] ? run + 1 : 0;
        longest = std::max(longest, std::min(run, file.size()));
    }
    const double file_ms = 1000.0 * static_cast<double>(longest) / rate;
    std::printf(
        "the file's own longest run of silence: %.2f ms; gaps are longer runs, * = at the same moment in "
        "another stream\n",
        file_ms);
    std::vector<std::string> labels;
    std::vector<std::vector<Gap>> all;
    std::vector<double> heard;
    for (const std::string& r : recordings) {
        const std::size_t eq = r.find('=');
        labels.push_back(eq == std::string::npos ? r : r.substr(0, eq));
        heard.push_back(0);
        all.push_back(find_gaps(eq == std::string::npos ? r : r.substr(eq + 1), file_ms, heard.back()));
    }
    std::printf("%-22s %7s %5s %10s %12s  %s\n", "stream", "heard", "gaps", "over 5 ms", "longest",
                "lengths (ms) @ s");
    for (std::size_t i = 0; i < all.size(); ++i) {
        double longest_gap = 0;
        int over5 = 0;
        for (const Gap& g : all[i]) {
            longest_gap = std::max(longest_gap, g.ms);
            over5 += g.ms > 5.0;
        }
        std::printf("%-22s %6.1fs %5zu %10d %9.2f ms ", labels[i].c_str(), heard[i], all[i].size(), over5,
                    longest_gap);
        for (std::size_t k = 0; k < all[i].size() && k < 30; ++k) {
            const Gap& g = all[i][k];
            bool shared = false;
            for (std::size_t j = 0; j < all.size(); ++j)
                for (const Gap& o : all[j]) shared = shared || (j != i && std::abs(o.at_s - g.at_s) < 0.1);
            std::printf(" %.1f@%.2f%s", g.ms, g.at_s, shared ? "*" : "");
        }
        if (all[i].size() > 30) std::printf(" ...");
        std::printf("\n");
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 2 ? argv[2] : "";
    if (argc >= 4 && std::string(argv[1]) == "gaps")
        return gaps(argv[2], std::vector<std::string>(argv + 3, argv + argc));
    if (argc == 5 && (mode == "play" || mode == "play-kept"))
        return play(Library(argv[1]), argv[3], std::stod(argv[4]), mode == "play-kept");
    if (argc == 6 && mode == "latency")
        return latency(Library(argv[1]), argv[3], argv[4], std::stoi(argv[5]));
    std::fprintf(
        stderr,
        "usage: sound_probe LIB play|play-kept WAVES SECONDS | LIB latency WAVES SOURCE ROUNDS | gaps WAVE "
        "[LABEL=]RECORDING...\n");
    return 2;
}
