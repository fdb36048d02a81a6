// The whole program under faults of its surroundings: no sound library, a
// library that cannot start, no audio device, missing and truncated wave
// files, a working folder it may not write, a settings file that is a folder,
// and a disk that fills up while a record is saved. In every case the program
// starts, says what it must, plays a game and loses nothing.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <csignal>
#include <cstdlib>
#include <functional>
#include <string>

#include "support/harness.h"

namespace {
const QString kNoSound = QStringLiteral("Direct Soundインターフェースが作成できません。");
const char* const kWaves[] = {"その他.wav", "禁止.wav", "駒打音.wav", "BGM.wav"};

// Sets an environment variable for one scope.
struct ScopedEnv {
    QByteArray name, old;
    bool had;
    ScopedEnv(const char* n, const QByteArray& value)
        : name(n), old(qgetenv(n)), had(qEnvironmentVariableIsSet(n)) {
        qputenv(n, value);
    }
    ~ScopedEnv() {
        if (had)
            qputenv(name.constData(), old);
        else
            qunsetenv(name.constData());
    }
};

// A window bound to the real sound library, as the program starts it.
struct RealWindow {
    explicit RealWindow(const std::function<void(Harness&)>& before_load = {}) : h(false, false) {
        Form1& f = h.f();
        f.module1.ds = SoundLibrary{};
        f.module1.search_beside_program = false;
        for (const char* n : kWaves)
            QFile::copy(QString(VELMORA_BIN_DIR "/") + n, h.path(QString::fromUtf8(n)));
        if (before_load) before_load(h);
        f.Form_Load();
    }
    ~RealWindow() { h.f().終了処理(); }
    Harness h;
};

int count_warnings(const Harness& h) {
    int n = 0;
    for (const auto& m : h.messages)
        n += m.text == kNoSound && m.title == "Velmora.dll" && m.icon == MB_ICONWARNING;
    return n;
}

// The human's move: the first legal step in scan order, pressed on the board.
void human_move(Harness& h) {
    Form1& f = h.f();
    for (int x = 1; x <= 9; ++x)
        for (int y = 1; y <= 9; ++y) {
            const int p = f.board[x][y];
            if (p >= 0) continue;
            for (int tx = x - 1; tx <= x + 1; ++tx)
                for (int ty = y - 1; ty <= y + 1; ++ty)
                    if (f.移動チェック(x, y, tx, ty, p)) {
                        h.press(x, y);
                        h.press(tx, ty);
                        return;
                    }
        }
    FAIL() << "the human has no move";
}

// Starts a game against the computer and plays one move each.
void play_a_move_each(Harness& h) {
    Form1& f = h.f();
    f.SENTE_Click();
    human_move(h);
    EXPECT_EQ(f.move_no, 2) << "the human's move and the computer's reply";
    EXPECT_EQ(f.rec_pos, 2);
    EXPECT_TRUE(f.調査_局面整合());
    EXPECT_EQ(f.turn, f.man_side);
}
}  // namespace

TEST(Faults, EverythingInPlaceStartsWithSoundAndNoMessage) {
    ScopedEnv driver("SDL_AUDIODRIVER", "dummy");
    RealWindow w;
    Form1& f = w.h.f();
    EXPECT_TRUE(w.h.messages.empty());
    EXPECT_NE(f.module1.ds_handle, 0);
    for (auto handle : {f.snd_other, f.snd_forbidden, f.snd_place, f.snd_bgm}) EXPECT_NE(handle, 0);
    play_a_move_each(w.h);
}

// The library missing, refusing to start, or finding no audio device: one
// warning, no wave file read, and a silent game.
TEST(Faults, NoSoundGivesOneWarningAndASilentGame) {
    struct Case {
        const char* name;
        const char* driver;
        const char* disk_file;
        const char* library;
    } cases[] = {
        {"no library", "dummy", "", "libVelmoraMissing.so"},
        {"an audio driver that does not exist", "no-such-driver", "", nullptr},
        {"no audio device to write to", "disk", "/nonexistent-folder/velmora-audio.raw", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScopedEnv driver("SDL_AUDIODRIVER", c.driver);
        ScopedEnv disk("SDL_DISKAUDIOFILE", c.disk_file);
        RealWindow w([&c](Harness& h) {
            if (c.library) h.f().module1.library_file = QString::fromUtf8(c.library);
        });
        Form1& f = w.h.f();
        EXPECT_EQ(count_warnings(w.h), 1);
        EXPECT_EQ(w.h.messages.size(), 1u);
        EXPECT_EQ(f.module1.ds_handle, 0);
        for (auto handle : {f.snd_other, f.snd_forbidden, f.snd_place, f.snd_bgm}) EXPECT_EQ(handle, 0);
        EXPECT_TRUE(f.mnu.BGM->isChecked()) << "the option stays as the settings say";
        play_a_move_each(w.h);
        f.BGM_Click();
        f.BGM_Click();
        f.VER_Click();
        EXPECT_EQ(count_warnings(w.h), 1) << "the warning is shown once only";
    }
}

// Missing or cut-short wave files: those sounds are silent, the others play,
// and nothing is said.
TEST(Faults, MissingAndTruncatedWaveFilesAreSilent) {
    ScopedEnv driver("SDL_AUDIODRIVER", "dummy");
    RealWindow w([](Harness& h) {
        QFile::remove(h.path(QStringLiteral("BGM.wav")));
        QFile::remove(h.path(QStringLiteral("その他.wav")));
        for (const char* n : {"禁止.wav"}) {
            const QString p = h.path(QString::fromUtf8(n));
            const QByteArray whole = Harness::read_file(p);
            Harness::write_file(p, whole.left(whole.size() / 2));
        }
        Harness::write_file(h.path(QStringLiteral("駒打音.wav")), QByteArray("RIFF"));
    });
    Form1& f = w.h.f();
    EXPECT_TRUE(w.h.messages.empty());
    EXPECT_NE(f.module1.ds_handle, 0);
    EXPECT_EQ(f.snd_bgm, 0);
    EXPECT_EQ(f.snd_other, 0);
    EXPECT_EQ(f.snd_forbidden, 0);
    EXPECT_EQ(f.snd_place, 0);
    play_a_move_each(w.h);
    f.BGM_Click();
    f.BGM_Click();
    EXPECT_EQ(count_warnings(w.h), 0);
}

// A working folder that cannot hold the settings, or a settings "file" that is
// a folder: the options go to the configuration folder and survive a restart.
TEST(Faults, UnwritableWorkingFolderKeepsSettingsInTheConfigurationFolder) {
    QTemporaryDir config;
    ScopedEnv home("XDG_CONFIG_HOME", config.path().toUtf8());
    ScopedEnv driver("SDL_AUDIODRIVER", "dummy");
    struct Case {
        const char* name;
        bool folder_named_like_the_file;
    } cases[] = {{"read-only working folder", false}, {"settings file is a folder", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QDir(config.path()).removeRecursively();
        QDir().mkpath(config.path());
        auto prepare = [&c](Harness& h) {
            if (c.folder_named_like_the_file)
                QDir(h.dir.path()).mkdir(QStringLiteral("Velmora.ini"));
            else
                h.f().settings_writable = [work = h.dir.path()](const QString& p) {
                    return !p.startsWith(work);
                };
        };
        {
            RealWindow w(prepare);
            Form1& f = w.h.f();
            EXPECT_TRUE(w.h.messages.empty());
            f.UCHU_Click();
            f.SIDOU_Click();
            EXPECT_TRUE(w.h.messages.empty());
            play_a_move_each(w.h);
            EXPECT_TRUE(QFile::exists(QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) +
                                      "/Velmora.ini"));
        }
        RealWindow again(prepare);
        EXPECT_EQ(again.h.f().bg_kind, Form1::BG_UCHU);
        EXPECT_TRUE(again.h.f().mnu.SIDOU->isChecked());
    }
}

// The disk fills up while a record is saved over an earlier one: the earlier
// file is kept byte for byte, the user is told, and the game is untouched.
TEST(Faults, FullDiskWhileSavingKeepsThePreviousRecord) {
    ScopedEnv driver("SDL_AUDIODRIVER", "dummy");
    RealWindow w;
    Form1& f = w.h.f();
    play_a_move_each(w.h);
    auto save = [&f](const char* name) {
        f.KIFU_WRITE_Click();
        f.Text2->setText(QStringLiteral("対局"));
        f.Text3->setText(QStringLiteral("私"));
        f.Text4->setText(QStringLiteral("ｺﾝﾋﾟｭｰﾀ"));
        f.Text1->setText(QString::fromUtf8(name));
        f.Command1_Click();
    };
    save("game");
    const QString path = w.h.path(QStringLiteral("game.棋譜"));
    const QByteArray before = Harness::read_file(path);
    ASSERT_FALSE(before.isEmpty());
    ASSERT_EQ(before.count("\r\n"), 3 + 2);

    for (int i = 0; i < 3 && f.winner == Form1::NONE; ++i) human_move(w.h);
    const int moves = f.rec_pos;
    ASSERT_GT(moves, 2);
    w.h.clear_log();

    // Files may grow to 120 bytes only: the new record does not fit.
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit tiny = saved;
    tiny.rlim_cur = 120;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &tiny), 0);
    save("game");
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, old_handler);

    EXPECT_EQ(Harness::read_file(path), before) << "the earlier record must survive";
    ASSERT_EQ(w.h.messages.size(), 1u);
    EXPECT_TRUE(w.h.messages[0].text.startsWith(QStringLiteral("棋譜を書き込めませんでした")));
    EXPECT_EQ(f.rec_pos, moves);
    EXPECT_TRUE(f.調査_局面整合());
    QDir folder(w.h.dir.path());
    for (const QString& name : folder.entryList(QDir::Files))
        EXPECT_FALSE(name.contains(QStringLiteral("game.棋譜")) && name != QStringLiteral("game.棋譜"))
            << "no temporary file is left behind: " << name.toStdString();

    // With room again the same save goes through.
    save("game");
    EXPECT_EQ(Harness::read_file(path).count("\r\n"), 3 + moves);
}
