// The window's real message boxes, as the user meets them: the captions of
// their buttons and the texts the program's own failures give, in Japanese
// whatever the desktop's language.
#include "support/harness.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>

#include <functional>

#include <gtest/gtest.h>

namespace {

struct SeenBox {
    QString title, text;
    QStringList buttons;
};

// Runs `action`; the first message box it opens is read and answered with the
// button captioned `press`.
SeenBox answer_box(const std::function<void()>& action, const QString& press) {
    SeenBox seen;
    bool found = false;
    QTimer poll;
    poll.setInterval(0);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || found) return;
        found = true;
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
    poll.start();
    action();
    poll.stop();
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
         [](Harness& h) { h.press(5, 7); }, "いいえ",
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
         [](Harness& h) { h.press(5, 7); }, "はい",
         {"棋譜", "棋譜を '進 'で進めて下さい", {"はい", "いいえ"}},
         [](Harness& h) {
             EXPECT_TRUE(h.f().record_mode);
             EXPECT_EQ(h.f().turn, h.f().SENTE);
         }},
        {"FileGoneBeforeLoading", [](Harness&) {}, [](Harness& h) { h.f().File1_Click("無い.棋譜"); }, "OK",
         {"棋譜", "棋譜ファイルを読み込めませんでした\nファイルが見つかりません。移動または削除された可能性があります。",
          {"OK"}},
         nullptr},
        {"NotARecord",
         [](Harness& h) { Harness::write_file(h.path("手紙.棋譜"), "Hello,\r\nhow are you?\r\nI am fine.\r\nBye.\r\n"); },
         [](Harness& h) { h.f().File1_Click("手紙.棋譜"); }, "OK",
         {"棋譜", "棋譜ファイルではありません\n4行目が指し手の行として読めません", {"OK"}},
         [](Harness& h) { EXPECT_FALSE(h.f().record_mode); }},
        {"NameTooLongToSave",
         [](Harness& h) {
             Form1& f = h.f();
             f.START_Click();
             h.press(5, 6);
             h.press(5, 5);
             f.KIFU_WRITE_Click();
             f.Text1->setText(QString(300, u'長'));
         },
         [](Harness& h) { h.f().Command1_Click(); }, "OK",
         {"棋譜書込", "棋譜を書き込めませんでした\nファイル名が長すぎます。", {"OK"}}, nullptr},
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
                         [](const ::testing::TestParamInfo<size_t>& i) { return dialog_cases()[i.param].name; });

}  // namespace
