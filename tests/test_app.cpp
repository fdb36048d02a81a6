// Start-up order, the three ways to end (終わり, Esc, the close box) and the
// About message.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QTimer>

#include "support/harness.h"
#include "view/board_view.h"

namespace {
const char* const kAboutLines[] = {
    "Velmora  Version 1.0    [03/2001]",
    "",
    "Home page",
    "https://velmora.example.org/",
    "",
    "e-mail",
    "velmora@example.org",
};

// Distinct handles and a context, so the log names them even without the binding.
void name_sounds(Form1& f) {
    f.snd_other = 201;
    f.snd_forbidden = 202;
    f.snd_place = 203;
    f.snd_bgm = 204;
    f.module1.ds_handle = 7;
}

std::vector<std::string> calls(const Harness& h, std::initializer_list<const char*> functions) {
    std::vector<std::string> out;
    for (const auto& c : h.sound_calls)
        for (const char* fn : functions)
            if (c.function == fn) out.push_back(c.function + " " + std::to_string(c.handle));
    return out;
}

// The sound binding (Module1) may still be a stand-in in this branch.
void send_key(Form1& f, int key, const QString& text) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(&f, &press);
}
}  // namespace

TEST(StartUp, SoundThenSettingsThenTheFirstGame) {
    Harness h;
    Form1& f = h.f();
    // Sound first (the four files in their order), then the settings start the music.
    std::vector<std::string> seen;
    for (const auto& c : h.sound_calls) seen.push_back(c.function + " " + std::to_string(c.handle));
    EXPECT_EQ(seen, (std::vector<std::string>{"dsInitialize 0", "dsCreateDSB 101", "dsCreateDSB 102",
                                              "dsCreateDSB 103", "dsCreateDSB 104", "dsPlayLooping 104"}));
    EXPECT_EQ(f.snd_other, 101);
    EXPECT_EQ(f.snd_forbidden, 102);
    EXPECT_EQ(f.snd_place, 103);
    EXPECT_EQ(f.snd_bgm, 104);
}

TEST(StartUp, FormValuesWindowAndNoMessages) {
    Harness h(false);
    Form1& f = h.f();
    f.move(120, 80);
    f.com_level = 1;
    f.mnu.LEVEL3->setChecked(false);
    f.guidance_on = 1;
    f.Form_Load();
    EXPECT_TRUE(h.messages.empty());
    EXPECT_EQ(f.windowTitle(), "Velmora");
    EXPECT_EQ(f.com_level, 3);
    EXPECT_TRUE(f.mnu.LEVEL3->isChecked());
    EXPECT_EQ(f.guidance_on, 0);
    EXPECT_EQ(f.SENTE, 1);
    EXPECT_EQ(f.GOTE, -1);
    EXPECT_EQ(f.com_side, 1);
    EXPECT_EQ(f.man_side, -1);
    EXPECT_EQ((std::array{f.bg_colour, f.grid_colour, f.guide_colour}),
              (std::array{Form1::GREEN, Form1::GREEN, Form1::GREEN}));
    EXPECT_EQ((std::array{f.board_left, f.board_top, f.cell_w, f.cell_h}), (std::array{1050, 100, 495, 615}));
    // The client area is green; the menu bar keeps the desktop's look.
    EXPECT_EQ(f.view->palette().color(QPalette::Window), Form1::色_RGB(Form1::GREEN));
    // Top-left corner, 9000 x 8000 twips of client area.
    EXPECT_EQ(f.pos(), QPoint(0, 0));
    EXPECT_EQ(f.centralWidget()->size(), QSize(600, 533));
    // The first game is laid out and the clocks are off.
    for (int x = 1; x <= 9; ++x)
        for (int y = 1; y <= 9; ++y) EXPECT_EQ(f.board[x][y], kStartBoard[x][y]);
    EXPECT_EQ(f.turn, Form1::NONE);
    EXPECT_FALSE(f.Timer1->isActive());
    // The settings were read before the game: the default file is there.
    EXPECT_EQ(f.bg_kind, Form1::BG_MIDORI);
}

TEST(StartUp, TheFirstGameIsDrawnOnTheSavedBackground) {
    // The settings come before the first full redraw: the labels stand on the
    // saved background instead of being painted over by it.
    Harness h(false);
    Form1& f = h.f();
    Harness::write_file(h.path("Velmora.ini"), Harness::sjis(QStringLiteral("背景画=煉瓦\r\n")));
    f.Form_Load();
    const double inside = 5 + 2.0 / 33;  // clear of the neighbours' overlapping tile column
    const QImage label = h.cell_image(inside, 0, 30, 41);
    f.描画_絵(Form1::BG_RENGA, 5, 0);
    const QImage plain = h.cell_image(inside, 0, 30, 41);
    EXPECT_NE(label, plain);  // the column label is there
    // Away from every text the window shows the brick tile.
    const QImage free_cell = h.cell_image(15, 6);
    f.描画_絵(Form1::BG_RENGA, 15, 6);
    EXPECT_EQ(h.cell_image(15, 6), free_cell);
}

TEST(StartUp, WindowPlacement) {
    const struct {
        QPoint before, after;
    } cases[] = {{{120, 80}, {0, 0}},
                 {{0, 0}, {0, 0}},
                 {{50, -3}, {0, 0}},
                 {{50, -5}, {0, 0}},
                 // A top edge at -60 twips (4 pixels above the screen) is left where it is.
                 {{50, -4}, {50, -4}}};
    for (const auto& c : cases) {
        Harness h(false);
        Form1& f = h.f();
        f.winId();  // the native window exists before it is placed
        f.move(c.before);
        ASSERT_EQ(f.pos(), c.before);
        f.Form_Load();
        EXPECT_EQ(f.pos(), c.after) << c.before.x() << "," << c.before.y();
        EXPECT_EQ(f.centralWidget()->size(), QSize(600, 533));
    }
}

TEST(StartUp, SavedGuidanceSurvivesTheFirstGame) {
    Harness h(false);
    Harness::write_file(h.path("Velmora.ini"),
                        Harness::sjis(QStringLiteral("移動指導=ON\r\n経過時間=ON\r\n")));
    Form1& f = h.f();
    f.Form_Load();
    EXPECT_EQ(f.guidance_on, 1);
    EXPECT_EQ(f.guide_colour, Form1::WHITE);
    EXPECT_TRUE(f.mnu.SIDOU->isChecked());
    EXPECT_TRUE(f.mnu.KEIKA->isChecked());
    EXPECT_FALSE(f.Timer1->isActive());
}

TEST(Ending, ThreeWaysFreeTheSoundsInOrderAndEnd) {
    const struct {
        const char* name;
        std::function<void(Form1&)> end;
    } ways[] = {
        {"終わり", [](Form1& f) { f.mnu.OWARI->trigger(); }},
        {"Esc", [](Form1& f) { send_key(f, Qt::Key_Escape, QStringLiteral("\x1b")); }},
        {"close box", [](Form1& f) { f.close(); }},
        {"Esc then close",
         [](Form1& f) {
             send_key(f, Qt::Key_Escape, QStringLiteral("\x1b"));
             f.close();
         }},
        {"close then 終わり",
         [](Form1& f) {
             f.close();
             f.OWARI_Click();
         }},
    };
    for (const auto& w : ways) {
        Harness h;
        Form1& f = h.f();
        name_sounds(f);
        int quits = 0;
        f.quit_program = [&quits] { ++quits; };
        h.clear_log();
        w.end(f);
        EXPECT_GE(quits, 1) << w.name;
        EXPECT_EQ(calls(h, {"dsFree"}),
                  (std::vector<std::string>{"dsFree 201", "dsFree 202", "dsFree 203", "dsFree 204"}))
            << w.name;
        EXPECT_TRUE(h.messages.empty()) << w.name;
        EXPECT_TRUE(h.events.empty()) << w.name;  // nothing played, nothing asked
    }
}

TEST(Ending, SoundContextEndsExactlyOnce) {
    Harness h;
    Form1& f = h.f();
    f.quit_program = [] {};
    h.clear_log();
    send_key(f, Qt::Key_Escape, QStringLiteral("\x1b"));
    f.close();
    f.OWARI_Click();
    EXPECT_EQ(
        calls(h, {"dsFree", "dsTerminate"}),
        (std::vector<std::string>{"dsFree 101", "dsFree 102", "dsFree 103", "dsFree 104", "dsTerminate 7"}));
}

TEST(Ending, OtherKeysDoNothing) {
    Harness h;
    Form1& f = h.f();
    name_sounds(f);
    int quits = 0;
    f.quit_program = [&quits] { ++quits; };
    h.clear_log();
    const struct {
        int key;
        const char* text;
    } keys[] = {{Qt::Key_A, "a"},           {Qt::Key_Return, "\r"},   {Qt::Key_Space, " "},
                {Qt::Key_Q, "q"},           {Qt::Key_F1, ""},         {Qt::Key_Escape + 1, ""},
                {Qt::Key_BracketLeft, "["}, {Qt::Key_Backspace, "\b"}};
    for (const auto& k : keys) send_key(f, k.key, QString::fromUtf8(k.text));
    EXPECT_EQ(quits, 0);
    EXPECT_TRUE(h.sound_calls.empty());
    EXPECT_FALSE(f.terminated);
    // Esc itself, as a key code, still ends.
    f.Form_KeyPress(27);
    EXPECT_EQ(quits, 1);
    EXPECT_EQ(calls(h, {"dsFree"}).size(), 4u);
}

TEST(Ending, EscInTheFilePanelStaysThere) {
    Harness h;
    Form1& f = h.f();
    int quits = 0;
    f.quit_program = [&quits] { ++quits; };
    f.描画_可視(true, true, false);
    f.描画_棋譜_IO(0);
    const struct {
        const char* name;
        QWidget* control;
        int quits_after;
    } cases[] = {{"file name", f.Text1, 0},
                 {"game name", f.Text2, 0},
                 {"folders", f.Dir1, 0},
                 {"board", f.centralWidget(), 1}};
    for (const auto& c : cases) {
        c.control->setFocus();
        ASSERT_EQ(f.focusWidget(), c.control) << c.name;
        send_key(f, Qt::Key_Escape, QStringLiteral("\x1b"));
        EXPECT_EQ(quits, c.quits_after) << c.name;
    }
    // Once the panel is closed, Esc ends the program again.
    f.terminated = false;
    f.Text1->setFocus();
    f.描画_棋譜_IO(1);
    send_key(f, Qt::Key_Escape, QStringLiteral("\x1b"));
    EXPECT_EQ(quits, 2);
}

TEST(About, ChimeThenTheSevenLines) {
    Harness h;
    Form1& f = h.f();
    name_sounds(f);
    // The panel, open with something typed, is closed before the chime.
    f.描画_可視(true, true, false);
    f.描画_棋譜_IO(0);
    f.Text2->setText("game");
    bool panel_open_at_chime = true;
    auto play = f.module1.ds.dsPlay;
    f.module1.ds.dsPlay = [&](SoundLibrary::Handle handle) {
        panel_open_at_chime = !f.Drive1->isHidden() || !f.Text2->isHidden();
        return play(handle);
    };
    h.clear_log();

    f.mnu.VER->trigger();

    ASSERT_EQ(h.events.size(), 2u);
    EXPECT_EQ(h.events[0], "play その他");
    EXPECT_FALSE(panel_open_at_chime);
    EXPECT_TRUE(f.Text2->text().isEmpty());
    ASSERT_EQ(h.messages.size(), 1u);
    const Harness::Message& m = h.messages[0];
    EXPECT_EQ(m.title, "Velmora");
    EXPECT_EQ(m.buttons, MB_OK);
    EXPECT_EQ(m.icon, MB_NOICON);
    const QStringList lines = m.text.split('\r');
    ASSERT_EQ(lines.size(), 7) << m.text.toStdString();
    for (int i = 0; i < 7; ++i) EXPECT_EQ(lines[i].toStdString(), kAboutLines[i]) << "line " << i + 1;
    EXPECT_FALSE(m.text.contains('\n'));
    EXPECT_FALSE(m.text.endsWith('\r'));
    EXPECT_FALSE(f.terminated);
}

// The scale a window too large for its screen comes at: the largest quarter
// step at which it fits, never below 1, the desktop's own when it fits.
TEST(App, ScaleThatFitsTheScreen) {
    struct Case {
        QSize available;  // logical pixels at the desktop's ratio
        qreal ratio, expected;
    } const cases[] = {
        {{1024, 768}, 1.0, 1.0}, {{800, 600}, 1.0, 1.0},  {{640, 480}, 1.0, 1.0},  {{1920, 1040}, 2.0, 2.0},
        {{960, 540}, 2.0, 1.75}, {{960, 510}, 2.0, 1.5},  {{682, 512}, 1.5, 1.25}, {{1536, 864}, 1.25, 1.25},
        {{512, 384}, 2.0, 1.25}, {{400, 300}, 1.25, 1.0}, {{1280, 720}, 1.5, 1.5}, {{1280, 680}, 1.5, 1.5},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Form1::倍率_画面に収まる(c.available, c.ratio), c.expected)
            << c.available.width() << "x" << c.available.height() << " at " << c.ratio;
}
