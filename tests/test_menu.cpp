// The menu tree (captions, places, check marks) and the record-file panel:
// geometry, look, and which commands leave it open or closed.
#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <functional>

#include "support/harness.h"
#include "view/board_view.h"

namespace {
// The tree as text: one line per item, two blanks of indent per level, a
// checkable item marked with [ ] or [x].
void dump(const QList<QAction*>& actions, int depth, std::string& out) {
    for (QAction* a : actions) {
        out += std::string(2 * depth, ' ') + a->text().toStdString();
        if (a->isCheckable()) out += a->isChecked() ? " [x]" : " [ ]";
        out += "\n";
        if (QMenu* m = a->menu<QMenu*>()) dump(m->actions(), depth + 1, out);
    }
}
std::string tree(Form1& f) {
    std::string out;
    dump(f.menuBar()->actions(), 0, out);
    return out;
}

const char* const kTreeBeforeSettings =
    "対局\n"
    "  対局(人間)\n"
    "    スタート\n"
    "  対局(COM)\n"
    "    先手\n"
    "    後手\n"
    "  COM対局ﾚﾍﾞﾙ\n"
    "    LEVEL1 [ ]\n"
    "    LEVEL2 [ ]\n"
    "    LEVEL3 [x]\n"
    "  終わり\n"
    "局面\n"
    "  最初\n"
    "  反転\n"
    "戻\n"
    "進\n"
    "△\n"
    "▽\n"
    "棋譜\n"
    "  読込\n"
    "  書込\n"
    "ｵﾌﾟｼｮﾝ\n"
    "  背景画\n"
    "    労働 [ ]\n"
    "    畳 [x]\n"
    "    竹 [ ]\n"
    "    宇宙 [ ]\n"
    "    煉瓦 [ ]\n"
    "  移動指導 [ ]\n"
    "  経過時間 [ ]\n"
    "  BGM [ ]\n"
    "その他\n";

// Opens the save panel with something typed into every field.
void open_save_panel(Form1& f) {
    f.描画_可視(true, true, false);
    f.描画_棋譜_IO(0);
    f.Text1->setText("a.棋譜");
    f.Text2->setText("game");
    f.Text3->setText("first");
    f.Text4->setText("second");
}

struct PanelState {
    bool drive, dir, file, fields;
    bool operator==(const PanelState&) const = default;
};
std::ostream& operator<<(std::ostream& o, const PanelState& p) {
    return o << p.drive << p.dir << p.file << p.fields;
}
PanelState panel(Form1& f) {
    // Every save-panel control must agree with the others.
    const bool fields = !f.Text1->isHidden();
    for (QWidget* w : std::initializer_list<QWidget*>{f.Text1, f.Text2, f.Text3, f.Text4, f.Label1[0],
                                                      f.Label1[1], f.Label1[2], f.Label1[3], f.Command1})
        EXPECT_EQ(!w->isHidden(), fields) << w->metaObject()->className();
    return {!f.Drive1->isHidden(), !f.Dir1->isHidden(), !f.File1->isHidden(), fields};
}
bool fields_empty(Form1& f) {
    return f.Text1->text().isEmpty() && f.Text2->text().isEmpty() && f.Text3->text().isEmpty() &&
           f.Text4->text().isEmpty();
}
}  // namespace

TEST(MenuTree, CaptionsPlacesAndDesignTicks) {
    Harness h(false);
    EXPECT_EQ(tree(h.f()), kTreeBeforeSettings);
}

TEST(MenuTree, ControlNamesPointAtTheirItems) {
    Harness h(false);
    Form1& f = h.f();
    const Form1::Menu& m = f.mnu;
    const struct {
        QAction* item;
        QMenu* parent;  // nullptr: on the menu bar
        const char* caption;
    } items[] = {
        {m.TAIKYOKU->menuAction(), nullptr, "対局"},
        {m.MATCH_MAN->menuAction(), m.TAIKYOKU, "対局(人間)"},
        {m.START, m.MATCH_MAN, "スタート"},
        {m.START2->menuAction(), m.TAIKYOKU, "対局(COM)"},
        {m.SENTE, m.START2, "先手"},
        {m.GOTE, m.START2, "後手"},
        {m.LEVEL->menuAction(), m.TAIKYOKU, "COM対局ﾚﾍﾞﾙ"},
        {m.LEVEL1, m.LEVEL, "LEVEL1"},
        {m.LEVEL2, m.LEVEL, "LEVEL2"},
        {m.LEVEL3, m.LEVEL, "LEVEL3"},
        {m.OWARI, m.TAIKYOKU, "終わり"},
        {m.STOP->menuAction(), nullptr, "局面"},
        {m.CANCEL, m.STOP, "最初"},
        {m.REVERSE, m.STOP, "反転"},
        {m.REPLAY, nullptr, "戻"},
        {m.AFTER, nullptr, "進"},
        {m.LBEL_UP, nullptr, "△"},
        {m.LEBEL_DOWN, nullptr, "▽"},
        {m.KIFU->menuAction(), nullptr, "棋譜"},
        {m.KIFU_READ, m.KIFU, "読込"},
        {m.KIFU_WRITE, m.KIFU, "書込"},
        {m.OPTION->menuAction(), nullptr, "ｵﾌﾟｼｮﾝ"},
        {m.HAIKEI_GA->menuAction(), m.OPTION, "背景画"},
        {m.MIDORI, m.HAIKEI_GA, "労働"},
        {m.TATAMI, m.HAIKEI_GA, "畳"},
        {m.TAKE, m.HAIKEI_GA, "竹"},
        {m.UCHU, m.HAIKEI_GA, "宇宙"},
        {m.RENGA, m.HAIKEI_GA, "煉瓦"},
        {m.SIDOU, m.OPTION, "移動指導"},
        {m.KEIKA, m.OPTION, "経過時間"},
        {m.BGM, m.OPTION, "BGM"},
        {m.VER, nullptr, "その他"},
    };
    for (const auto& i : items) {
        ASSERT_NE(i.item, nullptr) << i.caption;
        EXPECT_EQ(i.item->text().toStdString(), i.caption);
        const QList<QAction*> siblings = i.parent ? i.parent->actions() : f.menuBar()->actions();
        EXPECT_TRUE(siblings.contains(i.item)) << i.caption;
        EXPECT_TRUE(i.item->isEnabled() && i.item->isVisible()) << i.caption;
    }
}

TEST(MenuTree, ExactlyOneLevelAndOneBackgroundAfterTheSettings) {
    const struct {
        const char* name;
        QByteArray file;
        QAction* Form1::Menu::*background;
    } cases[] = {
        {"no file", {}, &Form1::Menu::MIDORI},
        {"bamboo", Harness::sjis(QStringLiteral("背景画=竹\r\n")), &Form1::Menu::TAKE},
        {"design tick kept", Harness::sjis(QStringLiteral("BGM=OFF\r\n")), &Form1::Menu::TATAMI},
    };
    for (const auto& c : cases) {
        Harness h(false);
        if (!c.file.isNull()) Harness::write_file(h.path("Velmora.ini"), c.file);
        Form1& f = h.f();
        f.Form_Load();
        const Form1::Menu& m = f.mnu;
        int levels = 0, backgrounds = 0;
        for (QAction* a : {m.LEVEL1, m.LEVEL2, m.LEVEL3}) levels += a->isChecked();
        for (QAction* a : {m.MIDORI, m.TATAMI, m.TAKE, m.UCHU, m.RENGA}) backgrounds += a->isChecked();
        EXPECT_EQ(levels, 1) << c.name;
        EXPECT_TRUE(m.LEVEL3->isChecked()) << c.name;
        EXPECT_EQ(f.com_level, 3) << c.name;
        EXPECT_EQ(backgrounds, 1) << c.name;
        EXPECT_TRUE((f.mnu.*c.background)->isChecked()) << c.name;
    }
}

TEST(MenuTree, OnlyTheOptionAndLevelItemsCarryTicks) {
    Harness h(false);
    Form1& f = h.f();
    const Form1::Menu& m = f.mnu;
    const std::vector<QAction*> checkable = {m.LEVEL1, m.LEVEL2, m.LEVEL3, m.MIDORI, m.TATAMI, m.TAKE,
                                             m.UCHU,   m.RENGA,  m.SIDOU,  m.KEIKA,  m.BGM};
    for (QAction* a : {m.START, m.SENTE, m.GOTE, m.OWARI, m.CANCEL, m.REVERSE, m.REPLAY, m.AFTER, m.LBEL_UP,
                       m.LEBEL_DOWN, m.KIFU_READ, m.KIFU_WRITE, m.VER})
        EXPECT_FALSE(a->isCheckable()) << a->text().toStdString();
    for (QAction* a : checkable) EXPECT_TRUE(a->isCheckable()) << a->text().toStdString();
}

TEST(MenuTree, TriggeringACheckableItemLeavesTheTickToItsHandler) {
    // The options decide their own tick; Qt's automatic toggle must not add a second one.
    Harness h;
    Form1& f = h.f();
    const Form1::Menu& m = f.mnu;
    for (QAction* a : {m.SIDOU, m.KEIKA, m.BGM}) {
        for (int i = 0; i < 2; ++i) {
            const bool before = a->isChecked();
            a->trigger();
            EXPECT_NE(a->isChecked(), before) << a->text().toStdString();
        }
    }
    // A background item already ticked stays ticked, an unticked one takes the tick.
    m.MIDORI->trigger();
    EXPECT_TRUE(m.MIDORI->isChecked());
    m.UCHU->trigger();
    EXPECT_TRUE(m.UCHU->isChecked());
    EXPECT_FALSE(m.MIDORI->isChecked());
    EXPECT_EQ(f.bg_kind, Form1::BG_UCHU);
}

TEST(Panel, GeometryInTwips) {
    Harness h(false);
    Form1& f = h.f();
    const struct {
        QWidget* w;
        int left, top, width, height;
        const char* caption;  // nullptr: no caption
    } controls[] = {
        {f.Drive1, 240, 360, 2535, 300, nullptr},          {f.Dir1, 240, 600, 2535, 1710, nullptr},
        {f.File1, 240, 2280, 2535, 930, nullptr},          {f.Label1[3], 120, 2400, 855, 255, "対 局 名："},
        {f.Label1[2], 120, 2640, 855, 255, "先    手 ："}, {f.Label1[1], 120, 2880, 855, 255, "後    手 ："},
        {f.Label1[0], 120, 3120, 855, 255, "ﾌｧｲﾙ名 ："},   {f.Text2, 960, 2400, 2295, 270, nullptr},
        {f.Text3, 960, 2640, 2295, 270, nullptr},          {f.Text4, 960, 2880, 2295, 270, nullptr},
        {f.Text1, 960, 3120, 2295, 270, nullptr},          {f.Command1, 3360, 3000, 855, 375, "RETURN"},
    };
    for (const auto& c : controls) {
        ASSERT_NE(c.w, nullptr);
        EXPECT_EQ(c.w->geometry(), QRect(c.left / 15, c.top / 15, c.width / 15, c.height / 15)) << c.top;
        EXPECT_EQ(c.w->parentWidget(), f.centralWidget());
        if (c.caption) {
            QString text;
            if (auto* l = qobject_cast<QLabel*>(c.w)) text = l->text();
            if (auto* b = qobject_cast<QPushButton*>(c.w)) text = b->text();
            EXPECT_EQ(text.toStdString(), c.caption);
        }
    }
    // A file name and a short text fit; the fields take one line.
    for (QLineEdit* t : {f.Text1, f.Text2, f.Text3, f.Text4}) EXPECT_TRUE(t->text().isEmpty());
}

TEST(Panel, ListsAndFieldsAreLightYellow) {
    Harness h(false);
    Form1& f = h.f();
    const QColor yellow(255, 255, 192);
    for (QWidget* w :
         std::initializer_list<QWidget*>{f.Drive1, f.Dir1, f.File1, f.Text1, f.Text2, f.Text3, f.Text4}) {
        const QImage img = w->grab().toImage();
        ASSERT_FALSE(img.isNull());
        // Most of the control, frame and text aside, shows the yellow.
        int hits = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x) hits += img.pixelColor(x, y) == yellow;
        EXPECT_GT(hits * 2, img.width() * img.height()) << w->metaObject()->className() << " " << w->y();
    }
}

TEST(Panel, HiddenWhenTheWindowOpens) {
    Harness h;
    EXPECT_EQ(panel(h.f()), (PanelState{false, false, false, false}));
}

// The program's window makes the panel's controls the first time the panel
// is shown, by either of its two procedures; hiding a panel never made makes
// nothing, and a panel made late looks and lays out as one made at once.
TEST(Panel, MadeTheFirstTimeItIsShown) {
    Harness eager;
    const struct {
        const char* name;
        std::function<void(Form1&)> show;
        PanelState shown;
    } cases[] = {
        {"the lists", [](Form1& f) { f.描画_可視(true, true, false); }, {true, true, false, false}},
        {"the fields", [](Form1& f) { f.描画_棋譜_IO(0); }, {false, false, false, true}},
        {"the record-reading command", [](Form1& f) { f.KIFU_READ_Click(); }, {true, true, true, false}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Form1 f;
        EXPECT_EQ(f.Drive1, nullptr);
        f.描画_可視(false, false, false);
        f.描画_棋譜_IO(1);
        f.TAIKYOKU_Click();
        EXPECT_EQ(f.Drive1, nullptr) << "made to be hidden";
        EXPECT_EQ(f.Text1, nullptr);
        c.show(f);
        ASSERT_NE(f.Drive1, nullptr);
        ASSERT_NE(f.Text1, nullptr);
        EXPECT_EQ(panel(f), c.shown);
        const QList<QWidget*> made = f.view->findChildren<QWidget*>(),
                              early = eager.f().view->findChildren<QWidget*>();
        ASSERT_EQ(made.size(), early.size());
        for (qsizetype i = 0; i < made.size(); ++i) {
            EXPECT_EQ(made[i]->metaObject(), early[i]->metaObject()) << i;
            EXPECT_EQ(made[i]->geometry(), early[i]->geometry()) << i;
            EXPECT_EQ(made[i]->styleSheet(), early[i]->styleSheet()) << i;
        }
        QWidget* const before = f.Drive1;
        c.show(f);
        EXPECT_EQ(f.Drive1, before) << "made twice";
    }
}

TEST(Panel, VisibilityAndFieldProcedures) {
    Harness h;
    Form1& f = h.f();
    const struct {
        bool a, b, c;
    } lists[] = {{true, true, true}, {true, true, false}, {false, true, false}, {false, false, false}};
    for (const auto& l : lists) {
        f.描画_可視(l.a, l.b, l.c);
        EXPECT_EQ(panel(f), (PanelState{l.a, l.b, l.c, false}));
    }
    // Showing the fields keeps what they hold; hiding them empties them in order.
    f.描画_棋譜_IO(0);
    f.Text1->setText("x");
    f.描画_棋譜_IO(1);
    open_save_panel(f);
    f.描画_棋譜_IO(0);
    EXPECT_EQ(f.Text2->text(), "game");
    EXPECT_TRUE(panel(f).fields);
    std::vector<QLineEdit*> emptied;
    for (QLineEdit* t : {f.Text1, f.Text2, f.Text3, f.Text4})
        QObject::connect(t, &QLineEdit::textChanged, [&emptied, t](const QString& s) {
            if (s.isEmpty()) emptied.push_back(t);
        });
    for (int flag : {1, 2, -1}) {
        open_save_panel(f);
        emptied.clear();
        f.描画_棋譜_IO(flag);
        EXPECT_FALSE(panel(f).fields) << flag;
        EXPECT_TRUE(fields_empty(f)) << flag;
        EXPECT_EQ(emptied, (std::vector<QLineEdit*>{f.Text1, f.Text2, f.Text3, f.Text4})) << flag;
    }
}

TEST(Panel, CommandsThatCloseIt) {
    Harness h;
    Form1& f = h.f();
    const Form1::Menu& m = f.mnu;
    const struct {
        const char* name;
        std::function<void()> run;
    } closers[] = {
        {"対局 opened", [&] { emit m.TAIKYOKU->aboutToShow(); }},
        {"局面 opened", [&] { emit m.STOP->aboutToShow(); }},
        {"ｵﾌﾟｼｮﾝ opened", [&] { emit m.OPTION->aboutToShow(); }},
        {"その他", [&] { m.VER->trigger(); }},
        {"TAIKYOKU_Click", [&] { f.TAIKYOKU_Click(); }},
        {"STOP_Click", [&] { f.STOP_Click(); }},
        {"OPTION_Click", [&] { f.OPTION_Click(); }},
    };
    for (const auto& c : closers) {
        for (bool save : {true, false}) {
            if (save)
                open_save_panel(f);
            else
                f.描画_可視(true, true, true);
            c.run();
            EXPECT_EQ(panel(f), (PanelState{false, false, false, false})) << c.name;
            EXPECT_TRUE(fields_empty(f)) << c.name;
        }
    }
}

TEST(Panel, CommandsThatLeaveItOpen) {
    Harness h;
    Form1& f = h.f();
    const Form1::Menu& m = f.mnu;
    f.record_mode = true;  // keeps 反転 from doing anything but refusing
    const struct {
        const char* name;
        std::function<void()> run;
    } others[] = {
        {"棋譜 opened", [&] { emit m.KIFU->aboutToShow(); }},
        {"背景画 opened", [&] { emit m.HAIKEI_GA->aboutToShow(); }},
        {"反転", [&] { m.REVERSE->trigger(); }},
        {"移動指導", [&] { m.SIDOU->trigger(); }},
        {"経過時間", [&] { m.KEIKA->trigger(); }},
        {"BGM", [&] { m.BGM->trigger(); }},
        {"竹", [&] { m.TAKE->trigger(); }},
    };
    for (const auto& c : others) {
        open_save_panel(f);
        c.run();
        EXPECT_EQ(panel(f), (PanelState{true, true, false, true})) << c.name;
        EXPECT_EQ(f.Text3->text(), "first") << c.name;
    }
}

// The record commands and the game commands that close the panel first, even
// when they then refuse; "読込" and "書込" open it; a refused "書込" leaves it.
TEST(Panel, RecordAndGameCommandsOpenAndClose) {
    Harness h;
    Form1& f = h.f();
    const Form1::Menu& m = f.mnu;
    const PanelState closed{false, false, false, false};
    const PanelState load{true, true, true, false};
    const PanelState save{true, true, false, true};
    const struct {
        const char* name;
        std::function<void()> run;
    } closers[] = {
        {"戻 (refused at the start)", [&] { m.REPLAY->trigger(); }},
        {"進 (refused before a game)", [&] { m.AFTER->trigger(); }},
        {"△", [&] { m.LBEL_UP->trigger(); }},
        {"▽", [&] { m.LEBEL_DOWN->trigger(); }},
        {"a press on the board before a game", [&] { h.press(5, 5); }},
    };
    for (const auto& c : closers) {
        for (bool saving : {true, false}) {
            if (saving)
                open_save_panel(f);
            else
                m.KIFU_READ->trigger();
            c.run();
            EXPECT_EQ(panel(f), closed) << c.name;
            EXPECT_TRUE(fields_empty(f)) << c.name;
        }
    }

    f.初期設定();
    m.KIFU_READ->trigger();
    EXPECT_EQ(panel(f), load);
    m.KIFU_WRITE->trigger();
    EXPECT_EQ(panel(f), save) << "読込 then 書込 turns the load panel into the save panel";

    // After the handicap ladder or a reversal "書込" refuses and leaves the panel alone.
    for (const auto& refuse : std::initializer_list<std::pair<const char*, std::function<void()>>>{
             {"ﾊﾝﾃﾞｷｬｯﾌﾟ設定後は書き込みできません", [&] { m.LBEL_UP->trigger(); }},
             {"反転後は書き込みできません", [&] { m.REVERSE->trigger(); }}}) {
        f.初期設定();
        refuse.second();
        m.KIFU_READ->trigger();
        h.clear_log();
        m.KIFU_WRITE->trigger();
        EXPECT_EQ(panel(f), load) << refuse.first;
        EXPECT_EQ(h.events, (std::vector<std::string>{std::string("msg ") + refuse.first + "|棋譜書込"}));
        // And the ladder refuses after a reversal too.
        if (f.reversed_flag) {
            h.clear_log();
            m.LBEL_UP->trigger();
            EXPECT_EQ(h.events,
                      (std::vector<std::string>{
                          "play 禁止", "msg 反転後ではできません\r\r局面→最初にして下さい|ﾊﾝﾃﾞｨｷｬｯﾌﾟ設定"}));
        }
    }
}
