// The sound library on a real sound server: a private PulseAudio the test
// starts itself (its own runtime folder, a null sink, a sink without a
// stream suspended after one second), read back through pactl. The rest of
// the suite plays to SDL's dummy driver; only these tests use PulseAudio.
#include <dlfcn.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <functional>
#include <thread>

namespace {

using Handle = std::intptr_t;
using Clock = std::chrono::steady_clock;
// Every wait for the server's state is bounded by this.
constexpr std::chrono::seconds kPatience{15};

struct Lib {
    Handle (*init)(Handle) = nullptr;
    Handle (*from_file)(Handle, int, Handle) = nullptr;
    Handle (*play)(Handle) = nullptr;
    Handle (*loop)(Handle) = nullptr;
    Handle (*stop)(Handle) = nullptr;
    Handle (*terminate)(Handle) = nullptr;
    Lib() {
        void* h = dlopen(VELMORA_BIN_DIR "/libVelmora.so", RTLD_NOW | RTLD_LOCAL);
        if (!h) return;
        init = reinterpret_cast<decltype(init)>(dlsym(h, "dsInitialize"));
        from_file = reinterpret_cast<decltype(from_file)>(dlsym(h, "dsCreateDSBFromFile"));
        play = reinterpret_cast<decltype(play)>(dlsym(h, "dsPlay"));
        loop = reinterpret_cast<decltype(loop)>(dlsym(h, "dsPlayLooping"));
        stop = reinterpret_cast<decltype(stop)>(dlsym(h, "dsStop"));
        terminate = reinterpret_cast<decltype(terminate)>(dlsym(h, "dsTerminate"));
    }
    bool complete() const { return init && from_file && play && loop && stop && terminate; }
    // One of the generated wave files, read by the library as the game has it read.
    Handle load(Handle ctx, const char* name, Handle flags) const {
        const QByteArray path =
            QFile::encodeName(QStringLiteral(VELMORA_BIN_DIR "/") + QString::fromUtf8(name));
        const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) return 0;
        const Handle b = from_file(ctx, fd, flags);
        ::close(fd);
        return b;
    }
};

Lib& lib() {
    static Lib l;
    return l;
}

// The icon the desktop entry names: the mixer shows the program with it.
QString desktop_icon() {
    const QStringList entries = QDir(QStringLiteral(VELMORA_SOURCE_DIR "/packaging"))
                                    .entryList({QStringLiteral("*.desktop"), QStringLiteral("*.desktop.in")});
    if (entries.isEmpty()) return {};
    QFile f(QStringLiteral(VELMORA_SOURCE_DIR "/packaging/") + entries.first());
    if (!f.open(QIODevice::ReadOnly)) return {};
    const auto m = QRegularExpression(QStringLiteral("^Icon=(.*)$"), QRegularExpression::MultilineOption)
                       .match(QString::fromUtf8(f.readAll()));
    return m.hasMatch() ? m.captured(1).trimmed() : QString();
}

class SoundServer : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(lib().complete());
        ASSERT_FALSE(QStandardPaths::findExecutable(QStringLiteral("pulseaudio")).isEmpty())
            << "pulseaudio is missing: run scripts/setup.sh";
        ASSERT_TRUE(dir.isValid());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"XDG_RUNTIME_DIR", "PULSE_RUNTIME_PATH", "HOME"})
            env.insert(name, dir.path());
        env.insert(QStringLiteral("PULSE_SERVER"), server_address());
        server.setProcessEnvironment(env);
        server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        server.setStandardOutputFile(QProcess::nullDevice());
        server.start(QStringLiteral("pulseaudio"),
                     {QStringLiteral("--daemonize=no"), QStringLiteral("-n"),
                      QStringLiteral("--exit-idle-time=-1"), QStringLiteral("--disallow-exit"),
                      QStringLiteral("--use-pid-file=no"), QStringLiteral("--log-level=error"),
                      QStringLiteral("--load=module-native-protocol-unix auth-anonymous=1 socket=") +
                          dir.filePath("native"),
                      QStringLiteral("--load=module-null-sink sink_name=velmora rate=44100 channels=2"),
                      QStringLiteral("--load=module-suspend-on-idle timeout=1")});
        ASSERT_TRUE(server.waitForStarted());
        ASSERT_TRUE(wait_for([this] {
            return !pactl({QStringLiteral("list"), QStringLiteral("sinks")}).isEmpty();
        })) << "the sound server did not come up";
        // This process alone plays to it, through SDL's PulseAudio driver.
        setenv("PULSE_SERVER", server_address().toUtf8().constData(), 1);
        setenv("SDL_AUDIODRIVER", "pulseaudio", 1);
        ctx = lib().init(0);
        ASSERT_NE(ctx, 0) << "the library found no sound server";
    }
    void TearDown() override {
        if (ctx) lib().terminate(ctx);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        unsetenv("PULSE_SERVER");
        if (recorder.state() != QProcess::NotRunning) {
            recorder.kill();
            recorder.waitForFinished();
        }
        if (server.state() != QProcess::NotRunning) {
            server.kill();
            server.waitForFinished();
        }
    }

    QString server_address() const { return QStringLiteral("unix:") + dir.filePath("native"); }

    // pactl's JSON answer to `args`, an empty array when it gives none.
    QJsonArray pactl(const QStringList& args) {
        QProcess p;
        p.setProcessEnvironment(server.processEnvironment());
        p.start(QStringLiteral("pactl"), QStringList{QStringLiteral("-f"), QStringLiteral("json")} + args);
        if (!p.waitForFinished(10000) || p.exitCode() != 0) return {};
        return QJsonDocument::fromJson(p.readAllStandardOutput()).array();
    }
    // The properties of every stream and client this process has on the server.
    QList<QJsonObject> ours(const char* what) {
        QList<QJsonObject> found;
        const QString pid = QString::number(::getpid());
        for (const QJsonValue v : pactl({QStringLiteral("list"), QString::fromLatin1(what)})) {
            const QJsonObject props = v.toObject().value(QStringLiteral("properties")).toObject();
            if (props.value(QStringLiteral("application.process.id")).toString() == pid) found << props;
        }
        return found;
    }
    QString sink_state() {
        const QJsonArray sinks = pactl({QStringLiteral("list"), QStringLiteral("sinks")});
        return sinks.isEmpty() ? QString()
                               : sinks.first().toObject().value(QStringLiteral("state")).toString();
    }
    // Polls `done` until it holds, kPatience at most.
    static bool wait_for(const std::function<bool()>& done) {
        const auto until = Clock::now() + kPatience;
        while (!done()) {
            if (Clock::now() > until) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return true;
    }

    QTemporaryDir dir;
    QProcess server;
    QProcess recorder;
    Handle ctx = 0;
};

TEST_F(SoundServer, TheStreamAndItsClientsCarryTheProgramsNameIconAndRole) {
    const QString icon = desktop_icon();
    ASSERT_FALSE(icon.isEmpty()) << "no Icon= in the desktop entry";
    const Handle music = lib().load(ctx, "BGM.wav", 1);
    ASSERT_NE(music, 0);
    lib().loop(music);
    ASSERT_TRUE(wait_for([this] { return ours("sink-inputs").size() == 1; }))
        << "the music's stream never came";
    const struct {
        const char* key;
        QString value;
    } expected[] = {{"application.name", QStringLiteral("Velmora")},
                    {"application.icon_name", icon},
                    {"media.role", QStringLiteral("game")}};
    const QJsonObject stream = ours("sink-inputs").first();
    EXPECT_EQ(stream.value(QStringLiteral("media.name")).toString().toStdString(), "Velmora");
    const QList<QJsonObject> clients = ours("clients");
    ASSERT_FALSE(clients.isEmpty());
    for (const auto& e : expected) {
        SCOPED_TRACE(e.key);
        const std::string value = e.value.toStdString();
        EXPECT_EQ(stream.value(QString::fromLatin1(e.key)).toString().toStdString(), value) << "the stream";
        for (const QJsonObject& client : clients)
            EXPECT_EQ(client.value(QString::fromLatin1(e.key)).toString().toStdString(), value) << "a client";
    }
}

TEST_F(SoundServer, WithNothingPlayingTheSinkSuspendsAndAClickStillPlays) {
    const Handle music = lib().load(ctx, "BGM.wav", 1);
    const Handle click = lib().load(ctx, "駒打音.wav", 3);
    ASSERT_NE(music, 0);
    ASSERT_NE(click, 0);
    lib().loop(music);
    ASSERT_TRUE(wait_for([this] { return sink_state() == QStringLiteral("RUNNING"); }));
    lib().stop(music);
    EXPECT_TRUE(wait_for([this] { return ours("sink-inputs").isEmpty(); })) << "the device is still held";
    EXPECT_TRUE(wait_for([this] { return sink_state() == QStringLiteral("SUSPENDED"); }))
        << "the sink never suspended; it is " << sink_state().toStdString();

    // The click is asked for with the device let go: it reaches the sink.
    recorder.setProcessEnvironment(server.processEnvironment());
    recorder.start(QStringLiteral("parec"),
                   {QStringLiteral("-d"), QStringLiteral("velmora.monitor"), QStringLiteral("--raw"),
                    QStringLiteral("--format=float32le"), QStringLiteral("--channels=2"),
                    QStringLiteral("--rate=44100"), QStringLiteral("--latency-msec=20")});
    ASSERT_TRUE(recorder.waitForStarted());
    ASSERT_TRUE(wait_for([this] { return sink_state() != QStringLiteral("SUSPENDED"); }));
    lib().play(click);
    bool heard = false;
    QByteArray carry;
    const auto until = Clock::now() + kPatience;
    while (!heard && Clock::now() < until && recorder.state() == QProcess::Running) {
        recorder.waitForReadyRead(100);
        carry += recorder.readAllStandardOutput();
        for (qsizetype i = 0; i + 4 <= carry.size() && !heard; i += 4) {
            float v;
            std::memcpy(&v, carry.constData() + i, 4);
            heard = v != 0.0f;
        }
        carry = carry.right(carry.size() % 4);
    }
    EXPECT_TRUE(heard) << "the click asked for while idle never reached the sink";
    // And once it has ended the device is let go again.
    EXPECT_TRUE(wait_for([this] { return ours("sink-inputs").isEmpty(); }))
        << "the device is held after the click";
}

}  // namespace
