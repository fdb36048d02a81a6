// The command line: no words, or one record file, which then loads exactly as
// a click on it in the record panel's file list loads it (the same checks,
// messages and refusals); anything else is refused before the window is made.
#include <gtest/gtest.h>

#include <QDir>
#include <QListWidget>

#include "app/command_line.h"
#include "support/harness.h"
#include "support/record_play.h"

using recplay::Snapshot;

namespace {

const QByteArray kRecord = Harness::sjis(QStringLiteral("名人戦\r\n上\r\n下\r\n")) +
                           " 7776-2-2 0    0    3    0    0\r\n 5152 9 9 0    3    3    0    4\r\n";

// A game under way: two moves made, so a refusal has something to lose.
void play_two_moves(Form1& f) {
    f.turn = f.SENTE;
    recplay::human(f, 3, 6, 3, 5, 2.5);
    recplay::computer(f, 3, 4, 3, 5, 1.25);
    f.record_mode = false;
}

struct Outcome {
    std::vector<std::string> messages;
    Snapshot state;
    QImage screen;
};

Outcome outcome(const Harness& h) {
    Outcome o;
    for (const auto& m : h.messages) o.messages.push_back((m.text + "|" + m.title).toStdString());
    o.state = Snapshot::of(*h.form);
    o.screen = h.form->canvas.copy();
    return o;
}

// The files of a case: a record, a text file, a folder, a record whose name starts with "-".
void make_files(const Harness& h) {
    Harness::write_file(h.path("一局.棋譜"), kRecord);
    Harness::write_file(h.path("-一局.棋譜"), kRecord);
    Harness::write_file(h.path("メモ.txt"), "only a note\r\n");
    QDir(h.dir.path()).mkdir("フォルダ.棋譜");
}

}  // namespace

TEST(CommandLine, OneRecordFileLoadsAsTheFileListLoadsItAnythingElseIsRefused) {
    struct Case {
        const char* name;
        QStringList words;  // "@" stands for the working folder
        bool taken;
        const char* same_as;  // the file-list entry it must load like; nullptr: none
        bool loads;
    } cases[] = {
        {"nothing", {}, true, nullptr, false},
        {"a record by its name", {"一局.棋譜"}, true, "一局.棋譜", true},
        {"a record by its whole path", {"@/一局.棋譜"}, true, "一局.棋譜", true},
        {"a name starting with - after --", {"--", "-一局.棋譜"}, true, "-一局.棋譜", true},
        {"a text file", {"メモ.txt"}, true, "メモ.txt", false},
        {"a missing file", {"無い.棋譜"}, true, "無い.棋譜", false},
        {"a folder", {"フォルダ.棋譜"}, true, "フォルダ.棋譜", false},
        {"two files", {"一局.棋譜", "一局.棋譜"}, false, nullptr, false},
        {"an option", {"--help"}, false, nullptr, false},
        {"a short option", {"-x"}, false, nullptr, false},
        {"a name starting with -", {"-一局.棋譜"}, false, nullptr, false},
        {"an empty word", {""}, false, nullptr, false},
        {"-- and two files", {"--", "一局.棋譜", "一局.棋譜"}, false, nullptr, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Harness by_argument;
        make_files(by_argument);
        Form1& f = by_argument.f();
        play_two_moves(f);
        by_argument.clear_log();
        QStringList words = c.words;
        words.replaceInStrings("@", by_argument.dir.path());
        const command_line::指示 order = command_line::解釈(words);
        EXPECT_EQ(order.ok, c.taken);
        EXPECT_EQ(order.file.isEmpty(), c.same_as == nullptr);
        const Outcome before = outcome(by_argument);
        if (order.ok && !order.file.isEmpty()) {
            EXPECT_EQ(f.読込_棋譜パス(order.file), c.loads);
        }
        const Outcome after = outcome(by_argument);

        if (!c.same_as) {
            // Refused or nothing asked: no message, the game as it was.
            EXPECT_TRUE(after.messages.empty());
            EXPECT_TRUE(after.state == before.state);
            continue;
        }
        // The same file chosen in the record panel, in a game alike.
        Harness by_panel;
        make_files(by_panel);
        Form1& g = by_panel.f();
        play_two_moves(g);
        g.KIFU_READ_Click();
        by_panel.clear_log();
        g.File1_Click(QString::fromUtf8(c.same_as));
        const Outcome panel = outcome(by_panel);
        EXPECT_EQ(after.messages, panel.messages);
        EXPECT_TRUE(after.state == panel.state);
        EXPECT_TRUE(after.screen == panel.screen);
        EXPECT_EQ(f.record_mode, c.loads);
        if (c.loads) {
            EXPECT_EQ(f.rec_len, 2);
            EXPECT_EQ(after.messages.size(), 2u);
        } else {
            // Refused: one message, and the game in progress is kept.
            EXPECT_EQ(after.messages.size(), 1u);
            EXPECT_TRUE(after.state == before.state);
            EXPECT_TRUE(after.screen == before.screen);
        }
    }
}
