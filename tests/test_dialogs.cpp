// The window's real message boxes, as the user meets them: the captions of
// their buttons and the texts the program's own failures give, in Japanese
// whatever the desktop's language.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QTimer>
#include <functional>

#include "support/harness.h"

namespace {

struct SeenBox {
    QString title, text;
    QStringList buttons;
};

// Runs `action`; `handle` is given the first message box it shows, while the
// box is up. Returns whether a box was shown.
bool on_first_box(const std::function<void()>& action, const std::function<void(QMessageBox*)>& handle) {
    bool found = false;
    QTimer poll;
    poll.setInterval(0);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible() || found) return;
        found = true;
        poll.stop();
        handle(box);
    });
    poll.start();
    action();
    poll.stop();
    return found;
}

// Runs `action`; the first message box it opens is read and answered with the
// button captioned `press`.
SeenBox answer_box(const std::function<void()>& action, const QString& press) {
    SeenBox seen;
    const bool found = on_first_box(action, [&](QMessageBox* box) {
        seen.title = box->windowTitle();
        seen.text = box->text();
        for (QAbstractButton* b : box->buttons()) seen.buttons << b->text();
        for (QAbstractButton* b : box->buttons())
            if (b->text() == press) {
                b->click();
                return;
            }
        box->reject();
    });
    EXPECT_TRUE(found) << "no message box was shown";
    return seen;
}

struct DialogCase {
    const char* name;
    std::function<void(Harness&)> setup;
    std::function<void(Harness&)> action;
    QString press;
    SeenBox expected;
    std::function<void(Harness&)> check;
};

const std::vector<DialogCase>& dialog_cases() {
    static const std::vector<DialogCase> cases = {
        {"ReplayQuestionAnsweredNo",
         [](Harness& h) {
             h.f().START_Click();
             h.f().record_mode = true;
         },
         [](Harness& h) { h.press(5, 7); },
         "いいえ",
         {"棋譜", "棋譜を '進 'で進めて下さい", {"はい", "いいえ"}},
         [](Harness& h) {
             EXPECT_FALSE(h.f().record_mode);
             EXPECT_EQ(h.f().turn, Form1::NONE);
         }},
        {"ReplayQuestionAnsweredYes",
         [](Harness& h) {
             h.f().START_Click();
             h.f().record_mode = true;
         },
         [](Harness& h) { h.press(5, 7); },
         "はい",
         {"棋譜", "棋譜を '進 'で進めて下さい", {"はい", "いいえ"}},
         [](Harness& h) {
             EXPECT_TRUE(h.f().record_mode);
             EXPECT_EQ(h.f().turn, h.f().SENTE);
         }},
        {"FileGoneBeforeLoading",
         [](Harness&) {},
         [](Harness& h) { h.f().File1_Click("無い.棋譜"); },
         "OK",
         {"棋譜",
          "棋譜ファイルを読み込めませんでした\nファイルが見つかりません。移動または削除された可能性があります"
          "。",
          {"OK"}},
         nullptr},
        {"NotARecord",
         [](Harness& h) {
             Harness::write_file(h.path("手紙.棋譜"), "Hello,\r\nhow are you?\r\nI am fine.\r\nBye.\r\n");
         },
         [](Harness& h) { h.f().File1_Click("手紙.棋譜"); },
         "OK",
         {"棋譜", "棋譜ファイルではありません\n4行目が指し手の行として読めません", {"OK"}},
         [](Harness& h) { EXPECT_FALSE(h.f().record_mode); }},
        // The check's box has no title: its title bar shows a blank, not the program's name.
        {"CheckHasABlankTitle",
         [](Harness&) {},
         [](Harness& h) { h.f().MsgBox(QStringLiteral("** 訴訟！（王手） **"), QString()); },
         "OK",
         {" ", "** 訴訟！（王手） **", {"OK"}},
         nullptr},
        {"NameTooLongToSave",
         [](Harness& h) {
             Form1& f = h.f();
             h.start_with_a_move();
             f.KIFU_WRITE_Click();
             f.Text1->setText(QString(300, u'長'));
         },
         [](Harness& h) { h.f().Command1_Click(); },
         "OK",
         {"棋譜書込", "棋譜を書き込めませんでした\nファイル名が長すぎます。", {"OK"}},
         nullptr},
    };
    return cases;
}

class RealMessageBox : public ::testing::TestWithParam<size_t> {};

TEST_P(RealMessageBox, ShowsJapaneseAndTakesTheAnswer) {
    const DialogCase& c = dialog_cases()[GetParam()];
    Harness h;
    c.setup(h);
    h.f().msgbox = h.real_msgbox;
    const SeenBox seen = answer_box([&] { c.action(h); }, c.press);
    EXPECT_EQ(seen.title, c.expected.title);
    EXPECT_EQ(seen.text, c.expected.text);
    EXPECT_EQ(seen.buttons, c.expected.buttons);
    if (c.check) c.check(h);
}

INSTANTIATE_TEST_SUITE_P(Dialogs, RealMessageBox, ::testing::Range<size_t>(0, dialog_cases().size()),
                         [](const ::testing::TestParamInfo<size_t>& i) {
                             return dialog_cases()[i.param].name;
                         });

// What the user may do to a Yes/No box before answering it: Esc and the title
// bar's close do nothing (the box has no cancel), Y and N answer like the
// buttons, Return takes the default はい.
TEST(RealMessageBox, YesNoBoxIsAnsweredOnlyByItsButtons) {
    enum Step { ESC, CLOSE, KEY_Y, KEY_N, RETURN };
    const struct {
        const char* name;
        std::vector<Step> steps;
        const char* then_click;  // the button clicked if the box is still open, or nullptr
        bool kept;               // the loaded record is kept (はい)
    } cases[] = {
        {"EscThenYes", {ESC}, "はい", true},
        {"EscThenNo", {ESC}, "いいえ", false},
        {"CloseThenYes", {CLOSE}, "はい", true},
        {"EscCloseThenY", {ESC, CLOSE, KEY_Y}, nullptr, true},
        {"CloseEscThenN", {CLOSE, ESC, KEY_N}, nullptr, false},
        {"ReturnTakesYes", {ESC, RETURN}, nullptr, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Harness h;
        h.f().START_Click();
        h.f().record_mode = true;
        h.f().msgbox = h.real_msgbox;
        int boxes = 0;
        bool open_before_click = false;
        on_first_box([&] { h.press(5, 7); },
                     [&](QMessageBox* box) {
                         ++boxes;
                         auto key = [box](Qt::Key k) {
                             QWidget* to = box->focusWidget() ? box->focusWidget() : box;
                             QKeyEvent press(QEvent::KeyPress, k, Qt::NoModifier,
                                             k == Qt::Key_Escape ? QString() : QString(QChar(k)).toLower());
                             QApplication::sendEvent(to, &press);
                             QKeyEvent release(QEvent::KeyRelease, k, Qt::NoModifier);
                             QApplication::sendEvent(to, &release);
                         };
                         for (const Step step : c.steps) {
                             if (!box->isVisible()) break;
                             if (step == ESC) key(Qt::Key_Escape);
                             if (step == CLOSE) box->close();
                             if (step == KEY_Y) key(Qt::Key_Y);
                             if (step == KEY_N) key(Qt::Key_N);
                             if (step == RETURN) key(Qt::Key_Return);
                         }
                         open_before_click = box->isVisible();
                         if (!box->isVisible() || !c.then_click) return;
                         for (QAbstractButton* b : box->buttons())
                             if (b->text() == QString::fromUtf8(c.then_click)) b->click();
                     });
        EXPECT_EQ(boxes, 1);
        if (c.then_click) {
            EXPECT_TRUE(open_before_click) << "the box was answered before its buttons";
        }
        EXPECT_EQ(h.f().record_mode, c.kept);
        EXPECT_EQ(h.f().turn, c.kept ? h.f().SENTE : Form1::NONE);
    }
}

// The toolkit's own texts are Japanese too: the menu of every text field.
TEST(ToolkitTexts, TextFieldMenusAreJapanese) {
    ASSERT_TRUE(Form1::読込_翻訳()) << "Qt's Japanese catalogue qtbase_ja is missing";
    Harness h;
    Form1& f = h.f();
    f.KIFU_WRITE_Click();
    // The captions without their shortcuts, which vary with the desktop.
    const QStringList want = {"元に戻す(&U)", "やり直す(&R)", "", "切り取り(&T)", "コピー(&C)",
                              "貼り付け(&P)", "削除",         "", "すべてを選択"};
    for (QLineEdit* field : {f.Text1, f.Text2, f.Text3, f.Text4}) {
        SCOPED_TRACE(field == f.Text1   ? "Text1"
                     : field == f.Text2 ? "Text2"
                     : field == f.Text3 ? "Text3"
                                        : "Text4");
        field->setText("abc");
        QContextMenuEvent menu_event(QContextMenuEvent::Mouse, QPoint(5, 5),
                                     field->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(field, &menu_event);
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr) << "no menu was shown";
        QStringList seen;
        for (QAction* a : menu->actions())
            seen << (a->isSeparator() ? QString() : a->text().section(u'\t', 0, 0));
        menu->close();
        EXPECT_EQ(seen, want);
    }
}

// Every title the program gives a box fits the box with room for a window
// manager's title bar: the title in a bold face of 11 points (what title bars
// commonly use) and 120 pixels for the window icon and three buttons. Under
// openbox the boxes of "対局", "進む", "戻る", "再開(COM)" and "ﾊﾝﾃﾞｨｷｬｯﾌﾟ設定"
// were narrower and cut their titles short.
TEST(RealMessageBox, WideEnoughForItsTitle) {
    const char* const titles[] = {"対局", "進む", "戻る",    "再開(COM)",  "ﾊﾝﾃﾞｨｷｬｯﾌﾟ設定", "棋譜",
                                  "開始", "終局", "終了",    "詰め ?",     "棋譜書込",       "棋譜保存",
                                  "ｴﾗｰ",  "反転", "Velmora", "Velmora.dll"};
    Harness h;
    h.f().msgbox = h.real_msgbox;
    QFont bar = QApplication::font();
    bar.setBold(true);
    if (bar.pointSizeF() < 11) bar.setPointSizeF(11);
    const QFontMetrics fm(bar);
    for (const char* t : titles) {
        const QString title = QString::fromUtf8(t);
        SCOPED_TRACE(t);
        int width = 0;
        on_first_box([&] { h.f().MsgBox(QStringLiteral("終わり"), title); },
                     [&](QMessageBox* box) {
                         width = box->width();
                         box->button(QMessageBox::Ok)->click();
                     });
        EXPECT_GE(width, fm.horizontalAdvance(title) + 120);
    }
}

}  // namespace
