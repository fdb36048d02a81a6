// Options and the settings file: reading (every line takes effect as read,
// exact comparisons, recovery), writing byte for byte in Shift-JIS with CR LF,
// the eight menu handlers, and where the file goes when the working folder
// cannot take it.
#include <gtest/gtest.h>

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <cstring>

#include "support/harness.h"

namespace {

// The defaults, spelled out as Shift-JIS bytes so the encoder is checked too.
const QByteArray kDefaultBytes = QByteArray(
    "\x94w\x8ci\x89\xe6=\x93\xad\r\n"
    "\x88\xda\x93\xae\x8ew\x93\xb1=OFF\r\n"
    "\x8co\x89\xdf\x8e\x9e\x8a\xd4=ON\r\n"
    "BGM=ON\r\n");

QByteArray sjis_lines(std::initializer_list<const char*> lines) {
    QString s;
    for (const char* l : lines) s += QString::fromUtf8(l) + "\r\n";
    return Harness::sjis(s);
}

// An environment variable set for the duration of a test.
struct ScopedEnv {
    const char* name;
    QByteArray old;
    bool had;
    ScopedEnv(const char* n, const QString& value)
        : name(n), old(qgetenv(n)), had(qEnvironmentVariableIsSet(n)) {
        qputenv(name, value.toUtf8());
    }
    ~ScopedEnv() {
        if (had)
            qputenv(name, old);
        else
            qunsetenv(name);
    }
};

// The user's configuration folder, redirected into a private folder for the
// duration of a test.
struct ConfigHome {
    QTemporaryDir home;
    ScopedEnv env;
    explicit ConfigHome(const QString& where = {})
        : env("XDG_CONFIG_HOME", where.isEmpty() ? home.path() : where) {}
    static QString file() {
        return QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) + "/Velmora.ini";
    }
};

int loops(const Harness& h) {
    int n = 0;
    for (const auto& c : h.sound_calls) n += c.function == "dsPlayLooping" && c.handle == h.form->snd_bgm;
    return n;
}
int stops(const Harness& h) {
    int n = 0;
    for (const auto& c : h.sound_calls) n += c.function == "dsStop" && c.handle == h.form->snd_bgm;
    return n;
}

struct Ticks {
    bool midori, tatami, take, uchu, renga, sidou, keika, bgm;
};
Ticks ticks(Form1& f) {
    return {f.mnu.MIDORI->isChecked(), f.mnu.TATAMI->isChecked(), f.mnu.TAKE->isChecked(),
            f.mnu.UCHU->isChecked(),   f.mnu.RENGA->isChecked(),  f.mnu.SIDOU->isChecked(),
            f.mnu.KEIKA->isChecked(),  f.mnu.BGM->isChecked()};
}
std::string show(const Ticks& t) {
    std::string s;
    for (bool b : {t.midori, t.tatami, t.take, t.uchu, t.renga, t.sidou, t.keika, t.bgm}) s += b ? '1' : '0';
    return s;
}

}  // namespace

// ---------------------------------------------------------------------------
// Reading: a file's content and what the program looks like afterwards.
// ---------------------------------------------------------------------------
struct ReadCase {
    const char* name;
    QByteArray file;  // empty: no file at all
    bool file_exists;
    int bg_kind;
    const char* ticks;  // MIDORI TATAMI TAKE UCHU RENGA SIDOU KEIKA BGM
    int guidance_on;
    int guide_colour;
    int music_loops;
    bool rewritten_to_defaults;
};

class SettingsRead : public ::testing::TestWithParam<ReadCase> {};

TEST_P(SettingsRead, AppliesEachLineOrFallsBackToDefaults) {
    const ReadCase& c = GetParam();
    ConfigHome cfg;
    Harness h(false);
    if (c.file_exists) Harness::write_file(h.path("Velmora.ini"), c.file);
    Form1& f = h.f();
    f.Form_Load();

    EXPECT_EQ(f.bg_kind, c.bg_kind);
    EXPECT_EQ(show(ticks(f)), c.ticks);
    EXPECT_EQ(f.guidance_on, c.guidance_on);
    EXPECT_EQ(f.guide_colour, c.guide_colour);
    EXPECT_EQ(loops(h), c.music_loops);
    EXPECT_TRUE(h.messages.empty());
    const QByteArray now = Harness::read_file(h.path("Velmora.ini"));
    if (c.rewritten_to_defaults)
        EXPECT_EQ(now, kDefaultBytes);
    else
        EXPECT_EQ(now, c.file) << "reading must not rewrite the file";
    EXPECT_EQ(f.settings_path, QDir(h.dir.path()).absoluteFilePath("Velmora.ini"));
    EXPECT_FALSE(QFileInfo::exists(ConfigHome::file()));
}

INSTANTIATE_TEST_SUITE_P(
    Files, SettingsRead,
    ::testing::Values(
        ReadCase{"NoFile", {}, false, Form1::BG_MIDORI, "10000011", 0, Form1::GREEN, 1, true},
        ReadCase{"OnlyMusicOff", sjis_lines({"BGM=OFF"}), true, 0, "01000000", 0, Form1::GREEN, 0, false},
        ReadCase{"UnknownBackgroundIgnored", sjis_lines({"背景画=紫", "BGM=OFF"}), true, 0, "01000000", 0,
                 Form1::GREEN, 0, false},
        ReadCase{"LowerCaseOnIsOff", sjis_lines({"移動指導=on", "経過時間=on", "BGM=on"}), true, 0,
                 "01000000", 0, Form1::GREEN, 0, false},
        ReadCase{"AnyOrderAllOn", sjis_lines({"BGM=ON", "移動指導=ON", "経過時間=ON", "背景画=煉瓦"}), true,
                 Form1::BG_RENGA, "00001111", 1, Form1::WHITE, 1, false},
        ReadCase{"EachBackground_Take", sjis_lines({"背景画=竹"}), true, Form1::BG_TAKE, "00100000", 0,
                 Form1::GREEN, 0, false},
        ReadCase{"EachBackground_Uchu", sjis_lines({"背景画=宇宙"}), true, Form1::BG_UCHU, "00010000", 0,
                 Form1::GREEN, 0, false},
        ReadCase{"EachBackground_Tatami", sjis_lines({"背景画=畳"}), true, Form1::BG_TATAMI, "01000000", 0,
                 Form1::GREEN, 0, false},
        ReadCase{"EachBackground_Midori", sjis_lines({"背景画=働"}), true, Form1::BG_MIDORI, "10000000", 0,
                 Form1::GREEN, 0, false},
        ReadCase{"FullNameOfMidoriIsNotAValue", sjis_lines({"背景画=労働"}), true, 0, "01000000", 0,
                 Form1::GREEN, 0, false},
        ReadCase{"LaterLineWins", sjis_lines({"背景画=竹", "背景画=宇宙", "BGM=ON", "BGM=OFF"}), true,
                 Form1::BG_UCHU, "00010000", 0, Form1::GREEN, 1, false},
        ReadCase{"FirstEqualsSplits", sjis_lines({"背景画=竹=x", "BGM=ON=1"}), true, 0, "01000000", 0,
                 Form1::GREEN, 0, false},
        // The key ends at the first "=": the rest, "=" included, is the value.
        ReadCase{"ValueMayHoldEquals", sjis_lines({"経過時間=ON", "BGM=ON", "経過時間=ON=1", "BGM==ON"}),
                 true, 0, "01000000", 0, Form1::GREEN, 1, false},
        ReadCase{"TrailingBlankCountsAsOff", sjis_lines({"BGM=ON ", "経過時間=ON"}), true, 0, "01000010", 0,
                 Form1::GREEN, 0, false},
        ReadCase{"UnknownKeyIgnored", sjis_lines({"色=赤", "経過時間=ON"}), true, 0, "01000010", 0,
                 Form1::GREEN, 0, false},
        ReadCase{"LineFeedOnlyLines", Harness::sjis(QStringLiteral("背景画=竹\nBGM=ON\n")), true,
                 Form1::BG_TAKE, "00100001", 0, Form1::GREEN, 1, false},
        ReadCase{"LastLineWithoutEnd", Harness::sjis(QStringLiteral("経過時間=ON\r\nBGM=ON")), true, 0,
                 "01000011", 0, Form1::GREEN, 1, false},
        ReadCase{"EmptyFileChangesNothing", QByteArray(), true, 0, "01000000", 0, Form1::GREEN, 0, false},
        // A line without "=" throws away everything read so far.
        ReadCase{"LineWithoutEquals", sjis_lines({"BGM"}), true, Form1::BG_MIDORI, "10000011", 0,
                 Form1::GREEN, 1, true},
        ReadCase{"EarlierLinesOverridden",
                 sjis_lines({"背景画=竹", "移動指導=ON", "経過時間=OFF", "BGM=OFF", "x"}), true,
                 Form1::BG_MIDORI, "10000011", 0, Form1::GREEN, 1, true},
        ReadCase{"EmptyLineInTheMiddle", sjis_lines({"BGM=OFF", "", "経過時間=OFF"}), true, Form1::BG_MIDORI,
                 "10000011", 0, Form1::GREEN, 1, true}),
    [](const ::testing::TestParamInfo<ReadCase>& i) { return std::string(i.param.name); });

TEST(SettingsRead, GuidanceFromAnEarlierLineIsUndoneByRecovery) {
    // The recovered file says guidance is off; the flags that the drawing reads
    // must agree with it, not only the tick.
    ConfigHome cfg;
    Harness h(false);
    Harness::write_file(h.path("Velmora.ini"), sjis_lines({"移動指導=ON", "BGM"}));
    h.f().Form_Load();
    EXPECT_FALSE(h.f().mnu.SIDOU->isChecked());
    EXPECT_EQ(h.f().guidance_on, 0);
    EXPECT_EQ(h.f().guide_colour, Form1::GREEN);
    EXPECT_EQ(Harness::read_file(h.path("Velmora.ini")), kDefaultBytes);
}

TEST(SettingsRead, BackgroundLineIsPaintedAtOnce) {
    ConfigHome cfg;
    Harness h(false);
    Harness::write_file(h.path("Velmora.ini"), sjis_lines({"背景画=宇宙", "BGM=OFF"}));
    h.f().Form_Load();
    // A cell outside the board shows the star tile: painting it again changes nothing.
    const QImage shown = h.cell_image(15, 6);
    h.f().描画_絵(Form1::BG_UCHU, 15, 6);
    EXPECT_EQ(h.cell_image(15, 6), shown);
    h.f().描画_絵(Form1::BG_TATAMI, 15, 6);
    EXPECT_NE(h.cell_image(15, 6), shown);
}

// ---------------------------------------------------------------------------
// Writing and the handlers.
// ---------------------------------------------------------------------------
struct BackgroundCase {
    const char* name;
    void (Form1::*click)();
    QAction* Form1::Menu::*item;
    int code;
    const char* value;
};

class BackgroundChoice : public ::testing::TestWithParam<BackgroundCase> {};

TEST_P(BackgroundChoice, TicksOneSavesAndRedraws) {
    const BackgroundCase& c = GetParam();
    ConfigHome cfg;
    Harness h;  // no file: defaults, 労働
    Form1& f = h.f();
    QFile::remove(h.path("Velmora.ini"));

    (f.*c.click)();
    EXPECT_EQ(f.bg_kind, c.code);
    int ticked = 0;
    for (QAction* a : {f.mnu.MIDORI, f.mnu.TATAMI, f.mnu.TAKE, f.mnu.UCHU, f.mnu.RENGA})
        ticked += a->isChecked();
    EXPECT_EQ(ticked, 1);
    EXPECT_TRUE((f.mnu.*c.item)->isChecked());
    const QByteArray expected =
        sjis_lines({(std::string("背景画=") + c.value).c_str(), "移動指導=OFF", "経過時間=ON", "BGM=ON"});
    EXPECT_EQ(Harness::read_file(h.path("Velmora.ini")), expected);

    // The same choice again still writes the file.
    QFile::remove(h.path("Velmora.ini"));
    (f.*c.click)();
    EXPECT_EQ(f.bg_kind, c.code);
    EXPECT_TRUE((f.mnu.*c.item)->isChecked());
    EXPECT_EQ(Harness::read_file(h.path("Velmora.ini")), expected);
    EXPECT_TRUE(h.messages.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Items, BackgroundChoice,
    ::testing::Values(
        BackgroundCase{"Midori", &Form1::MIDORI_Click, &Form1::Menu::MIDORI, Form1::BG_MIDORI, "働"},
        BackgroundCase{"Tatami", &Form1::TATAMI_Click, &Form1::Menu::TATAMI, Form1::BG_TATAMI, "畳"},
        BackgroundCase{"Take", &Form1::TAKE_Click, &Form1::Menu::TAKE, Form1::BG_TAKE, "竹"},
        BackgroundCase{"Uchu", &Form1::UCHU_Click, &Form1::Menu::UCHU, Form1::BG_UCHU, "宇宙"},
        BackgroundCase{"Renga", &Form1::RENGA_Click, &Form1::Menu::RENGA, Form1::BG_RENGA, "煉瓦"}),
    [](const ::testing::TestParamInfo<BackgroundCase>& i) { return std::string(i.param.name); });

TEST(BackgroundChoice, ChoosingTheTickedOneRedrawsTheWindow) {
    ConfigHome cfg;
    Harness h;
    Form1& f = h.f();
    f.TATAMI_Click();
    // Scribble over the window, then choose 畳 again: the whole window comes back.
    const QImage drawn = f.canvas.copy();
    f.canvas.fill(Qt::magenta);
    f.TATAMI_Click();
    EXPECT_EQ(f.canvas, drawn);
}

TEST(BackgroundChoice, BackgroundLineFollowsTheMenuOrder) {
    // With several items ticked the first in menu-file order wins: 働, 竹, 畳, 宇宙, 煉瓦.
    ConfigHome cfg;
    Harness h;
    Form1& f = h.f();
    struct {
        std::vector<QAction*> ticked;
        const char* line;
    } cases[] = {
        {{f.mnu.TATAMI, f.mnu.TAKE}, "背景画=竹"},
        {{f.mnu.RENGA, f.mnu.TATAMI}, "背景画=畳"},
        {{f.mnu.RENGA, f.mnu.UCHU}, "背景画=宇宙"},
        {{f.mnu.RENGA, f.mnu.MIDORI}, "背景画=働"},
        {{f.mnu.RENGA}, "背景画=煉瓦"},
    };
    for (const auto& c : cases) {
        f.チェック設定(0);
        for (QAction* a : c.ticked) a->setChecked(true);
        f.書込_環境設定ファイル();
        EXPECT_EQ(Harness::read_file(h.path("Velmora.ini")),
                  sjis_lines({c.line, "移動指導=OFF", "経過時間=ON", "BGM=ON"}))
            << c.line;
    }
    // None ticked: no background line at all.
    f.チェック設定(0);
    EXPECT_FALSE(f.mnu.MIDORI->isChecked() || f.mnu.TATAMI->isChecked() || f.mnu.TAKE->isChecked() ||
                 f.mnu.UCHU->isChecked() || f.mnu.RENGA->isChecked());
    f.書込_環境設定ファイル();
    EXPECT_EQ(Harness::read_file(h.path("Velmora.ini")),
              sjis_lines({"移動指導=OFF", "経過時間=ON", "BGM=ON"}));
}

TEST(OptionHandlers, GuidanceClocksAndMusicToggleAndSave) {
    ConfigHome cfg;
    Harness h;
    Form1& f = h.f();
    h.clear_log();
    struct Step {
        void (Form1::*click)();
        const char* file[4];
        int guidance_on, guide_colour;
        bool timer_active;
        int loops, stops;
    } steps[] = {
        {&Form1::SIDOU_Click,
         {"背景画=働", "移動指導=ON", "経過時間=ON", "BGM=ON"},
         1,
         Form1::WHITE,
         false,
         0,
         0},
        {&Form1::KEIKA_Click,
         {"背景画=働", "移動指導=ON", "経過時間=OFF", "BGM=ON"},
         1,
         Form1::WHITE,
         false,
         0,
         0},
        {&Form1::BGM_Click,
         {"背景画=働", "移動指導=ON", "経過時間=OFF", "BGM=OFF"},
         1,
         Form1::WHITE,
         false,
         0,
         1},
        {&Form1::SIDOU_Click,
         {"背景画=働", "移動指導=OFF", "経過時間=OFF", "BGM=OFF"},
         0,
         Form1::GREEN,
         false,
         0,
         1},
        {&Form1::KEIKA_Click,
         {"背景画=働", "移動指導=OFF", "経過時間=ON", "BGM=OFF"},
         0,
         Form1::GREEN,
         true,
         0,
         1},
        {&Form1::BGM_Click,
         {"背景画=働", "移動指導=OFF", "経過時間=ON", "BGM=ON"},
         0,
         Form1::GREEN,
         true,
         1,
         1},
    };
    int n = 0;
    for (const Step& s : steps) {
        (f.*s.click)();
        EXPECT_EQ(Harness::read_file(h.path("Velmora.ini")),
                  sjis_lines({s.file[0], s.file[1], s.file[2], s.file[3]}))
            << "step " << n;
        EXPECT_EQ(f.mnu.SIDOU->isChecked(), s.guidance_on == 1) << "step " << n;
        EXPECT_EQ(f.guidance_on, s.guidance_on) << "step " << n;
        EXPECT_EQ(f.guide_colour, s.guide_colour) << "step " << n;
        EXPECT_EQ(f.Timer1->isActive(), s.timer_active) << "step " << n;
        EXPECT_EQ(loops(h), s.loops) << "step " << n;
        EXPECT_EQ(stops(h), s.stops) << "step " << n;
        ++n;
    }
    EXPECT_TRUE(h.messages.empty());
}

TEST(OptionHandlers, GuideColourOffIsTheGridColour) {
    ConfigHome cfg;
    Harness h;
    Form1& f = h.f();
    f.SIDOU_Click();
    f.grid_colour = Form1::BROWN;
    f.SIDOU_Click();
    EXPECT_EQ(f.guide_colour, Form1::BROWN);
}

TEST(OptionHandlers, MusicWithoutASoundLibraryIsHarmless) {
    ConfigHome cfg;
    Harness h;
    Form1& f = h.f();
    f.module1.ds = SoundLibrary{};
    f.BGM_Click();
    EXPECT_FALSE(f.mnu.BGM->isChecked());
    f.BGM_Click();
    EXPECT_TRUE(f.mnu.BGM->isChecked());
    QFile::remove(h.path("Velmora.ini"));
    f.読込_環境設定ファイル();  // recovery starts the music again
    EXPECT_EQ(Harness::read_file(h.path("Velmora.ini")), kDefaultBytes);
}

TEST(OptionHandlers, MenuTriggerToggleOnce) {
    // A click on a ticked item reaches the handler with the tick as it was.
    ConfigHome cfg;
    Harness h;
    Form1& f = h.f();
    for (QAction* a : {f.mnu.SIDOU, f.mnu.KEIKA, f.mnu.BGM}) {
        const bool before = a->isChecked();
        a->trigger();
        EXPECT_EQ(a->isChecked(), !before) << a->text().toStdString();
        a->trigger();
        EXPECT_EQ(a->isChecked(), before) << a->text().toStdString();
    }
    f.mnu.RENGA->trigger();
    EXPECT_EQ(f.bg_kind, Form1::BG_RENGA);
    EXPECT_TRUE(f.mnu.RENGA->isChecked());
    EXPECT_FALSE(f.mnu.MIDORI->isChecked());
    f.mnu.RENGA->trigger();  // the ticked one again stays ticked
    EXPECT_TRUE(f.mnu.RENGA->isChecked());
    EXPECT_EQ(Harness::read_file(h.path("Velmora.ini")),
              sjis_lines({"背景画=煉瓦", "移動指導=OFF", "経過時間=ON", "BGM=ON"}));
}

TEST(OptionHandlers, GuidanceOffRepaintsAllButTheSecretaryHandCells) {
    ConfigHome cfg;
    Harness h;
    Form1& f = h.f();
    f.SIDOU_Click();
    // Every outline white, as guidance for a piece in hand leaves them.
    for (int x = 1; x <= 9; ++x)
        for (int y = 1; y <= 9; ++y) f.描画_桝輪郭(Form1::WHITE, x, y);
    for (int i = 1; i <= 8; ++i) {
        f.描画_桝輪郭(Form1::WHITE, -1, i);
        f.描画_桝輪郭(Form1::WHITE, 11, i + 1);
    }
    f.SIDOU_Click();
    // The middle of a cell's left edge belongs to that cell and its left neighbour only.
    auto left_edge = [&](int x, int y) { return h.cell_image(x, y).pixelColor(0, 20); };
    const QColor green(0, 128, 0), white(255, 255, 255);
    EXPECT_EQ(left_edge(5, 5), green);
    EXPECT_EQ(left_edge(9, 9), green);
    EXPECT_EQ(left_edge(-1, 1), green);
    EXPECT_EQ(left_edge(-1, 7), green);
    EXPECT_EQ(left_edge(11, 3), green);
    EXPECT_EQ(left_edge(11, 9), green);
    EXPECT_EQ(left_edge(-1, 8), white);
    EXPECT_EQ(left_edge(11, 2), white);
}

// ---------------------------------------------------------------------------
// Where the file lives when the working folder cannot take it.
// ---------------------------------------------------------------------------
TEST(SettingsPlace, NameTakenByAFolderMovesToTheConfigurationFolder) {
    ConfigHome cfg;
    ASSERT_TRUE(ConfigHome::file().startsWith(cfg.home.path() + "/"))
        << "the tests must not touch the real folder";
    Harness h(false);
    QDir(h.dir.path()).mkdir("Velmora.ini");
    Form1& f = h.f();
    f.Form_Load();
    EXPECT_TRUE(h.messages.empty());
    EXPECT_EQ(f.settings_path, ConfigHome::file());
    EXPECT_EQ(Harness::read_file(ConfigHome::file()), kDefaultBytes);
    EXPECT_TRUE(QFileInfo(h.path("Velmora.ini")).isDir());
    EXPECT_EQ(f.bg_kind, Form1::BG_MIDORI);

    // Changes go there too, and the next start reads them from there.
    f.BGM_Click();
    f.TAKE_Click();
    const QByteArray changed = sjis_lines({"背景画=竹", "移動指導=OFF", "経過時間=ON", "BGM=OFF"});
    EXPECT_EQ(Harness::read_file(ConfigHome::file()), changed);
    f.チェック設定(Form1::BG_MIDORI);
    f.bg_kind = 0;
    f.mnu.BGM->setChecked(true);
    f.読込_環境設定ファイル();
    EXPECT_EQ(f.bg_kind, Form1::BG_TAKE);
    EXPECT_FALSE(f.mnu.BGM->isChecked());
    EXPECT_EQ(Harness::read_file(ConfigHome::file()), changed);
    EXPECT_TRUE(h.messages.empty());
}

TEST(SettingsPlace, WriteFailingDuringTheRunMovesTheFile) {
    ConfigHome cfg;
    Harness h;
    Form1& f = h.f();
    const QString work = QDir(h.dir.path()).absoluteFilePath("Velmora.ini");
    EXPECT_EQ(f.settings_path, work);
    QFile::remove(work);
    QDir(h.dir.path()).mkdir("Velmora.ini");
    f.KEIKA_Click();
    EXPECT_EQ(f.settings_path, ConfigHome::file());
    EXPECT_EQ(Harness::read_file(ConfigHome::file()),
              sjis_lines({"背景画=働", "移動指導=OFF", "経過時間=OFF", "BGM=ON"}));
    EXPECT_TRUE(h.messages.empty());
}

TEST(SettingsPlace, ReadOnlyWorkingFolder) {
    // Root can write anywhere, so the folder's write permission is stood in for.
    ConfigHome cfg;
    Harness h(false);
    Form1& f = h.f();
    const QString folder = QDir(h.dir.path()).absolutePath();
    f.settings_writable = [folder](const QString& p) { return QFileInfo(p).absoluteFilePath() != folder; };
    f.Form_Load();
    EXPECT_EQ(f.settings_path, ConfigHome::file());
    EXPECT_EQ(Harness::read_file(ConfigHome::file()), kDefaultBytes);
    EXPECT_FALSE(QFileInfo::exists(h.path("Velmora.ini")));
    f.SIDOU_Click();
    EXPECT_EQ(Harness::read_file(ConfigHome::file()),
              sjis_lines({"背景画=働", "移動指導=ON", "経過時間=ON", "BGM=ON"}));
    EXPECT_FALSE(QFileInfo::exists(h.path("Velmora.ini")));
    EXPECT_TRUE(h.messages.empty());
}

TEST(SettingsPlace, ReadableWorkingFileIsUsedFirst) {
    struct Case {
        const char* name;
        bool folder_writable;
        bool config_copy;
        int bg_kind;  // which file was read
        bool from_config;
    } cases[] = {
        {"writable, no copy", true, false, Form1::BG_TATAMI, false},
        {"writable, copy", true, true, Form1::BG_TATAMI, false},
        {"read-only, no copy", false, false, Form1::BG_TATAMI, false},
        // The copy holds what was changed after the working file could no longer be written.
        {"read-only, copy", false, true, Form1::BG_RENGA, true},
    };
    for (const Case& c : cases) {
        ConfigHome cfg;
        Harness h(false);
        Form1& f = h.f();
        const QString folder = QDir(h.dir.path()).absolutePath();
        const QByteArray work_bytes = sjis_lines({"背景画=畳", "BGM=OFF"});
        Harness::write_file(h.path("Velmora.ini"), work_bytes);
        if (c.config_copy) {
            QDir().mkpath(QFileInfo(ConfigHome::file()).absolutePath());
            Harness::write_file(ConfigHome::file(), sjis_lines({"背景画=煉瓦", "BGM=OFF"}));
        }
        if (!c.folder_writable)
            f.settings_writable = [folder](const QString& p) {
                return QFileInfo(p).absoluteFilePath() != folder;
            };
        f.Form_Load();
        EXPECT_EQ(f.bg_kind, c.bg_kind) << c.name;
        EXPECT_EQ(f.settings_path,
                  c.from_config ? ConfigHome::file() : QDir(folder).absoluteFilePath("Velmora.ini"))
            << c.name;
        EXPECT_EQ(Harness::read_file(h.path("Velmora.ini")), work_bytes) << c.name;
        if (!c.folder_writable) {
            // A change cannot replace the working file: it goes to the configuration folder.
            f.KEIKA_Click();
            EXPECT_EQ(Harness::read_file(h.path("Velmora.ini")), work_bytes) << c.name;
            EXPECT_EQ(f.settings_path, ConfigHome::file()) << c.name;
            EXPECT_EQ(Harness::read_file(ConfigHome::file()),
                      sjis_lines({c.from_config ? "背景画=煉瓦" : "背景画=畳", "移動指導=OFF", "経過時間=ON",
                                  "BGM=OFF"}))
                << c.name;
        }
    }
}

TEST(SettingsPlace, NowhereToWriteKeepsOptionsInMemory) {
    QTemporaryDir blocker;
    const QString file_in_the_way = blocker.filePath("not-a-folder");
    Harness::write_file(file_in_the_way, "x");
    ConfigHome cfg(file_in_the_way + "/config");
    Harness h(false);
    QDir(h.dir.path()).mkdir("Velmora.ini");
    Form1& f = h.f();
    f.Form_Load();
    EXPECT_TRUE(h.messages.empty());
    EXPECT_EQ(f.bg_kind, Form1::BG_MIDORI);
    EXPECT_TRUE(f.mnu.KEIKA->isChecked());
    EXPECT_EQ(loops(h), 1);
    f.BGM_Click();
    f.UCHU_Click();
    EXPECT_FALSE(f.mnu.BGM->isChecked());
    EXPECT_EQ(f.bg_kind, Form1::BG_UCHU);
    EXPECT_TRUE(h.messages.empty());
    EXPECT_TRUE(QFileInfo(h.path("Velmora.ini")).isDir());
    EXPECT_EQ(QDir(h.dir.path()).entryList(QDir::Files).filter("Velmora").size(), 0);
}

TEST(SettingsPlace, NoHalfWrittenFileIsLeftBehind) {
    // The file is replaced in one step: no temporary files stay in the folder.
    ConfigHome cfg;
    Harness h;
    Form1& f = h.f();
    for (int i = 0; i < 3; ++i) f.KEIKA_Click();
    const QStringList names = QDir(h.dir.path()).entryList(QDir::Files | QDir::Hidden);
    EXPECT_EQ(names.filter("Velmora").size(), 1) << names.join(",").toStdString();
}

// A new background repaints the window from the state: the position, the
// hands and the clocks stay as they were and are shown again, but the move
// counter is not part of the full redraw, so its cells show the background.
TEST(BackgroundChoice, NewBackgroundKeepsTheGameAndLeavesTheMoveCounterOut) {
    ConfigHome cfg;
    Harness h;
    Form1& f = h.f();
    // A game under way: a piece moved, one in each hand, clocks running.
    f.board[5][5] = f.board[5][6];
    f.board[5][6] = Form1::EMPTY;
    f.hand_minus[3] = 1;
    f.hand_plus[4] = 2;
    f.hand_count_minus = 1;
    f.hand_count_plus = 2;
    f.man_secs = 75;
    f.com_secs = 3700;
    f.move_no = 12;
    f.画面_再描画();
    f.描画_手数(f.move_no, Form1::WHITE);

    const struct {
        void (Form1::*click)();
        int code;
    } choices[] = {{&Form1::UCHU_Click, Form1::BG_UCHU},
                   {&Form1::MIDORI_Click, Form1::BG_MIDORI},
                   {&Form1::MIDORI_Click, Form1::BG_MIDORI}};
    for (const auto& c : choices) {
        SCOPED_TRACE(c.code);
        int board[10][10];
        std::memcpy(board, f.board, sizeof board);
        const auto hand_minus = f.hand_minus, hand_plus = f.hand_plus;
        (f.*c.click)();
        EXPECT_EQ(f.bg_kind, c.code);
        EXPECT_EQ(std::memcmp(board, f.board, sizeof board), 0);
        EXPECT_EQ(f.hand_minus, hand_minus);
        EXPECT_EQ(f.hand_plus, hand_plus);
        EXPECT_EQ(f.man_secs, 75);
        EXPECT_EQ(f.com_secs, 3700);
        EXPECT_EQ(f.move_no, 12);

        // What the window shows is the full redraw of that state...
        const QImage shown = f.canvas.copy();
        f.画面_再描画();
        EXPECT_TRUE(f.canvas == shown);
        // ...with the background, not the counter, in the counter's cells.
        const QImage counter = h.cell_image(13, 3, 66, 41);
        f.描画_絵(c.code, 13, 3);
        f.描画_絵(c.code, 14, 3);
        EXPECT_TRUE(h.cell_image(13, 3, 66, 41) == counter);
        f.描画_手数(f.move_no, Form1::WHITE);
        EXPECT_FALSE(h.cell_image(13, 3, 66, 41) == counter);
    }
}

// ---------------------------------------------------------------------------
// Started from the home folder, as a desktop menu starts it: the home folder
// itself is never written into; a run folder of its own keeps its file.
// ---------------------------------------------------------------------------
TEST(SettingsPlace, HomeFolderIsNeverWrittenIntoButARunFolderIs) {
    struct Case {
        const char* name;
        const char* working;  // below the home folder; "" is the home folder itself
        bool in_config;
    } cases[] = {
        {"home", "", true},
        {"run folder", "build/bin", false},
        {"portable copy", "Velmora", false},
    };
    for (const Case& c : cases) {
        ConfigHome cfg;
        Harness h(false);
        ScopedEnv home("HOME", h.dir.path());
        const QString work = h.path(c.working);
        QDir().mkpath(work);
        QDir::setCurrent(work);
        Form1& f = h.f();
        f.Form_Load();
        f.SIDOU_Click();
        const QByteArray changed = sjis_lines({"背景画=働", "移動指導=ON", "経過時間=ON", "BGM=ON"});
        const QString there = c.in_config ? ConfigHome::file() : QDir(work).absoluteFilePath("Velmora.ini");
        EXPECT_EQ(f.settings_path, there) << c.name;
        EXPECT_EQ(Harness::read_file(there), changed) << c.name;
        EXPECT_FALSE(QFileInfo::exists(h.path("Velmora.ini"))) << c.name << ": nothing in the home folder";
        EXPECT_EQ(QFileInfo::exists(ConfigHome::file()), c.in_config) << c.name;
        EXPECT_TRUE(h.messages.empty()) << c.name;
    }
}

// A home-folder file of an earlier version: read at the first start from the
// home folder, copied unchanged, and from then on neither read nor touched.
TEST(SettingsPlace, OldHomeFileIsCarriedOverOnceAndLeftAlone) {
    struct Case {
        const char* name;
        QByteArray old_file;
        int bg_kind;
        bool music;
        QByteArray carried;  // what the configuration folder then holds
    } cases[] = {
        {"settings", sjis_lines({"背景画=竹", "BGM=OFF"}), Form1::BG_TAKE, false,
         sjis_lines({"背景画=竹", "BGM=OFF"})},
        {"all four", sjis_lines({"背景画=宇宙", "移動指導=ON", "経過時間=OFF", "BGM=ON"}), Form1::BG_UCHU,
         true, sjis_lines({"背景画=宇宙", "移動指導=ON", "経過時間=OFF", "BGM=ON"})},
        {"broken", sjis_lines({"BGM"}), Form1::BG_MIDORI, true, kDefaultBytes},
    };
    for (const Case& c : cases) {
        ConfigHome cfg;
        Harness h(false);
        ScopedEnv home("HOME", h.dir.path());
        Harness::write_file(h.path("Velmora.ini"), c.old_file);
        Form1& f = h.f();
        f.Form_Load();
        EXPECT_EQ(f.bg_kind, c.bg_kind) << c.name;
        EXPECT_EQ(f.mnu.BGM->isChecked(), c.music) << c.name;
        EXPECT_EQ(f.settings_path, ConfigHome::file()) << c.name;
        EXPECT_EQ(Harness::read_file(ConfigHome::file()), c.carried) << c.name;
        EXPECT_EQ(Harness::read_file(h.path("Velmora.ini")), c.old_file)
            << c.name << ": the old file is left";

        // Later changes go to the configuration folder, and the next start
        // reads them there, not the old file again.
        f.RENGA_Click();
        EXPECT_EQ(Harness::read_file(h.path("Velmora.ini")), c.old_file) << c.name;
        f.チェック設定(Form1::BG_TATAMI);
        f.bg_kind = 0;
        f.読込_環境設定ファイル();
        EXPECT_EQ(f.bg_kind, Form1::BG_RENGA) << c.name;
        EXPECT_EQ(Harness::read_file(h.path("Velmora.ini")), c.old_file) << c.name;
        EXPECT_TRUE(h.messages.empty()) << c.name;
    }
}
