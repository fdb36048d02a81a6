// Record files: the move-line layout byte for byte, saving with "RETURN",
// loading with a click in the file list, the panel, and everything the file
// system can refuse.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <cmath>
#include <csignal>

#include "record/kifu_format.h"
#include "support/harness.h"
#include "support/play_support.h"
#include "support/record_play.h"

using recplay::Snapshot;

namespace {
// The four example lines of the format, "·" for a blank, and their values.
struct ExampleLine {
    const char* text;
    kifu::指し手行 values;
};
const ExampleLine kExamples[] = {
    {"·7776-2-2·0····0····3····0····0", {7, 7, 7, 6, -2, -2, 0, 0, 3, 0, 0}},
    {"11355-2-2·0···12···20····5····5", {11, 3, 5, 5, -2, -2, 0, 12, 20, 5, 5}},
    {"·5152·9·9·0···20···20····5····9", {5, 1, 5, 2, 9, 9, 0, 20, 20, 5, 9}},
    {"·5655·3·3-2··1234··1240···88···95", {5, 6, 5, 5, 3, 3, -2, 1234, 1240, 88, 95}},
};

QByteArray dots(const char* s) { return QByteArray(s).replace("·", " "); }

// Puts a line's values into record entry n, as the game would have.
void put(Form1& f, int n, const kifu::指し手行& m) {
    f.rec_from_x[n] = m.from_x;
    f.rec_from_y[n] = m.from_y;
    f.rec_to_x[n] = m.to_x;
    f.rec_to_y[n] = m.to_y;
    f.rec_piece_to[n] = m.piece_to;
    f.rec_piece_from[n] = m.piece_from;
    f.rec_captured[n] = m.captured;
    f.rec_man_before[n] = m.man_before;
    f.rec_man_after[n] = m.man_after;
    f.rec_com_before[n] = m.com_before;
    f.rec_com_after[n] = m.com_after;
}

kifu::指し手行 entry(const Form1& f, int n) {
    return {f.rec_from_x[n],    f.rec_from_y[n],     f.rec_to_x[n],     f.rec_to_y[n],
            f.rec_piece_to[n],  f.rec_piece_from[n], f.rec_captured[n], f.rec_man_before[n],
            f.rec_man_after[n], f.rec_com_before[n], f.rec_com_after[n]};
}

// Saves through the panel: "書込", the four fields, "RETURN".
void save(Harness& h, const QString& file, const QString& game = "対局", const QString& first = "先の人",
          const QString& second = "後の人") {
    Form1& f = h.f();
    f.KIFU_WRITE_Click();
    f.Text1->setText(file);
    f.Text2->setText(game);
    f.Text3->setText(first);
    f.Text4->setText(second);
    f.Command1_Click();
}

QByteArray header(const QString& a, const QString& b, const QString& c) {
    return Harness::sjis(a) + "\r\n" + Harness::sjis(b) + "\r\n" + Harness::sjis(c) + "\r\n";
}

bool running_as_root() { return ::geteuid() == 0; }
}  // namespace

// ---------------------------------------------------------------------------
// The move line, both ways

TEST(MoveLine, ExamplesAreWrittenByteForByteAndReadBack) {
    for (const ExampleLine& e : kExamples) {
        SCOPED_TRACE(e.text);
        EXPECT_EQ(kifu::書式_指し手行(e.values), dots(e.text));
        EXPECT_EQ(kifu::読取_指し手行(QString::fromLatin1(dots(e.text))), e.values);
    }
    EXPECT_EQ(dots(kExamples[0].text).size(), 31);
}

TEST(MoveLine, TimeFieldBlanksByDigits) {
    const struct {
        double secs;
        const char* field;
    } cases[] = {
        {0, "    0"},
        {9.99, "    9"},
        {10, "   10"},
        {99, "   99"},
        {100, "  100"},
        {999.5, "  999"},
        {1000, "  1000"},
        {9999, "  9999"},
        // Five digits and more: the whole number after one blank, nothing cut off.
        {10000, " 10000"},
        {99999, " 99999"},
        {100000, " 100000"},
        {1234567.8, " 1234567"},
        // Broken totals still make a readable field: the sign counts as a digit.
        {-1, "   -1"},
        {-0.5, "   -1"},
        {-1e20, " -1000000000000000"},
        {1e300, " 1000000000000000"},
        {std::nan(""), "    0"},
    };
    for (const auto& c : cases) EXPECT_EQ(kifu::書式_時間欄(c.secs), QByteArray(c.field)) << c.secs;
    // The widest codes are written in full.
    EXPECT_EQ(kifu::書式_指し手行({-2147483647 - 1, 2147483647, 0, -1, -10, 10, 0, 0, 0, 0, 0}),
              dots("-214748364821474836470-1-1010·0····0····0····0····0"));
}

// Totals of any length read back as written: four-digit totals on every
// clock, and five digits and more, which stand one blank apart.
TEST(MoveLine, TotalsOfAnyLengthReadBackAsWritten) {
    const struct {
        kifu::指し手行 values;
        const char* text;  // the line, where its layout is pinned
    } cases[] = {
        {{5, 6, 5, 5, 3, 3, -2, 1000, 1001, 1002, 1003}, "·5655·3·3-2··1000··1001··1002··1003"},
        {{5, 6, 5, 5, 3, 3, 0, 9999, 9999, 9999, 9999}, nullptr},
        {{5, 6, 5, 5, 3, 3, -2, 10000, 10001, 0, 0}, "·5655·3·3-2·10000·10001····0····0"},
        {{11, 3, 5, 5, -2, -2, 0, 10001, 10003, 99999, 123456}, "11355-2-2·0·10001·10003·99999·123456"},
        {{-1, 7, 4, 5, 7, 7, 0, 0, 0, 2147483647.0, 1e15}, nullptr},
        {{5, 6, 5, 5, 3, 3, 0, -12345, 7, 1234, 12}, nullptr},
    };
    for (const auto& c : cases) {
        const QByteArray line = kifu::書式_指し手行(c.values);
        SCOPED_TRACE(line.constData());
        if (c.text) EXPECT_EQ(line, dots(c.text));
        EXPECT_TRUE(kifu::調査_指し手行(QString::fromLatin1(line)));
        EXPECT_EQ(kifu::読取_指し手行(QString::fromLatin1(line)), c.values);
    }
}

TEST(MoveLine, NumericReading) {
    const struct {
        const char* text;
        double value;
    } cases[] = {
        {"", 0},     {"   ", 0}, {"abc", 0},   {"-2", -2},   {" 1 2", 12}, {"\t7\n", 7},
        {"+5", 5},   {"-", 0},   {"1.5", 1.5}, {"12a3", 12}, {"- 3", -3},  {"x1", 0},
        {"0009", 9}, {"1-2", 1}, {"--5", 0},   {".5", 0.5},  {"９", 0},    {"1e3", 1},
    };
    for (const auto& c : cases)
        EXPECT_DOUBLE_EQ(kifu::読取_数値(QString::fromUtf8(c.text)), c.value) << c.text;
    const double huge = kifu::読取_数値(QString(5000, u'9'));
    EXPECT_TRUE(std::isfinite(huge));
    EXPECT_GT(huge, 1e14);
    EXPECT_EQ(kifu::整数化(1e300), 2147483647);
    EXPECT_EQ(kifu::整数化(-1e300), -2147483647 - 1);
}

TEST(MoveLine, ShortAndForeignLinesReadWhatThereIs) {
    const struct {
        const char* text;
        kifu::指し手行 values;
    } cases[] = {
        {"", {}},
        {"·7", {7, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        {"·7776-2", {7, 7, 7, 6, -2, 0, 0, 0, 0, 0, 0}},
        {"abcdefghijklmnopqrstuvwxyz0123456789", {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 23456}},
        {"99999999999999999999999999999999999", {99, 9, 9, 9, 99, 99, 9999, 99999, 99999, 99999, 99999}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(kifu::読取_指し手行(QString::fromUtf8(dots(c.text))), c.values) << c.text;
}

// ---------------------------------------------------------------------------
// Saving

TEST(Save, ExampleRecordByteForByteWithHeaderByBoardSide) {
    for (const bool man_first : {true, false}) {
        SCOPED_TRACE(man_first ? "human first" : "human second");
        Harness h;
        Form1& f = h.f();
        f.man_side = man_first ? f.SENTE : f.GOTE;
        f.com_side = -f.man_side;
        for (int i = 0; i < 4; ++i) put(f, i + 1, kExamples[i].values);
        f.rec_pos = f.rec_len = 4;
        save(h, "例");
        // Line 2 is the top (plus) player, line 3 the bottom (minus) player.
        QByteArray want = man_first ? header("対局", "後の人", "先の人") : header("対局", "先の人", "後の人");
        for (const ExampleLine& e : kExamples) want += dots(e.text) + "\r\n";
        EXPECT_EQ(Harness::read_file(h.path("例.棋譜")), want);
        ASSERT_EQ(h.messages.size(), 1u);
        EXPECT_EQ(h.messages[0].text, "棋譜を書き込みました");
        EXPECT_EQ(h.messages[0].title, "  ");
        // The panel closes and the fields are emptied.
        EXPECT_TRUE(f.Text1->isHidden());
        EXPECT_TRUE(f.Drive1->isHidden());
        EXPECT_TRUE(f.Text2->text().isEmpty());
    }
}

TEST(Save, OnlyTheShownMovesAfterTwoWereTakenBack) {
    Harness h;
    Form1& f = h.f();
    for (int n = 1; n <= 10; ++n) put(f, n, kExamples[n % 4].values);
    f.rec_len = 10;
    f.rec_pos = 8;
    save(h, "十手");
    const QByteArray bytes = Harness::read_file(h.path("十手.棋譜"));
    EXPECT_EQ(bytes.count("\r\n"), 3 + 8);
    EXPECT_TRUE(bytes.endsWith(dots(kExamples[0].text) + "\r\n"));  // entry 8
    EXPECT_EQ(bytes.count('\n'), bytes.count("\r\n"));
}

TEST(Save, TextsShiftJisCannotHoldBecomeQuestionMarksWaveDashIsKept) {
    Harness h;
    Form1& f = h.f();
    put(f, 1, kExamples[0].values);
    f.rec_pos = f.rec_len = 1;
    f.man_side = f.SENTE;
    save(h, "絵", QString::fromUtf8("対局\xF0\x9F\x98\x80"), QString::fromUtf8("한"), "ｶﾅ〜");
    EXPECT_EQ(Harness::read_file(h.path("絵.棋譜")), Harness::sjis("対局") + "?\r\n" + Harness::sjis("ｶﾅ") +
                                                         "\x81\x60\r\n?\r\n" + dots(kExamples[0].text) +
                                                         "\r\n");
}

TEST(Save, TypedExtensionIsAddedAgainAndExistingFileOverwritten) {
    Harness h;
    Form1& f = h.f();
    put(f, 1, kExamples[0].values);
    f.rec_pos = f.rec_len = 1;
    Harness::write_file(h.path("a.棋譜.棋譜"), "old contents that are longer than the new ones\r\n");
    save(h, "a.棋譜", "", "", "");
    EXPECT_FALSE(QFile::exists(h.path("a.棋譜")));
    EXPECT_EQ(Harness::read_file(h.path("a.棋譜.棋譜")),
              QByteArray("\r\n\r\n\r\n") + dots(kExamples[0].text) + "\r\n");
    // A name of blanks is a name.
    save(h, "  ");
    EXPECT_TRUE(QFile::exists(h.path("  .棋譜")));
}

TEST(Save, RefusalsKeepThePanelAndWriteNothing) {
    const struct {
        bool reversed, handicap;
        const char* name;
        int moves;
        const char* text;
        const char* title;
        bool panel_open;  // the save panel was open before "RETURN"
    } cases[] = {
        {true, false, "x", 1, "反転後は書き込みできません", "棋譜書込", false},
        {false, true, "x", 1, "ﾊﾝﾃﾞｷｬｯﾌﾟ設定後は書き込みできません", "棋譜書込", false},
        {false, false, "", 1, "ﾌｧｲﾙ名が入力されていません", "  ", true},
        {false, false, "x", 0, "保存するデータがありません", "棋譜保存", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        Harness h;
        Form1& f = h.f();
        put(f, 1, kExamples[0].values);
        f.rec_pos = f.rec_len = c.moves;
        f.reversed_flag = c.reversed;
        f.handicap_flag = c.handicap;
        f.KIFU_WRITE_Click();
        EXPECT_EQ(f.Text1->isHidden(), !c.panel_open);
        if (c.panel_open) {
            f.Text1->setText(c.name);
            f.Text2->setText("名");
            f.Command1_Click();
            EXPECT_FALSE(f.Text1->isHidden());
            EXPECT_EQ(f.Text2->text(), "名");
        }
        ASSERT_EQ(h.messages.size(), 1u);
        EXPECT_EQ(h.messages[0].text, c.text);
        EXPECT_EQ(h.messages[0].title, c.title);
        EXPECT_TRUE(QDir(h.dir.path()).entryList({"*.棋譜"}).isEmpty());
    }
}

// A name field may hold line ends (a pasted text keeps them). A header line
// cannot: each becomes a blank, so the file still has exactly three header
// lines and reads back as the game that was saved.
TEST(Save, LineEndsInTheFieldsBecomeBlanks) {
    const struct {
        const char* game;
        const char* first;
        const char* second;
        const char* line1;
        const char* line2;  // the top player: the second mover when the human moves first
        const char* line3;
    } cases[] = {
        {"春の\r\n対局", "田中\r", "\n佐藤", "春の  対局", " 佐藤", "田中 "},
        {"a\rb\nc", "", "x\r\ny", "a b c", "x  y", ""},
        {"plain", "one", "two", "plain", "two", "one"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line1);
        Harness h;
        Form1& f = h.f();
        f.man_side = f.SENTE;
        f.com_side = f.GOTE;
        for (int i = 0; i < 2; ++i) put(f, i + 1, kExamples[i].values);
        f.rec_pos = f.rec_len = 2;
        save(h, "改行", QString::fromUtf8(c.game), QString::fromUtf8(c.first), QString::fromUtf8(c.second));
        ASSERT_EQ(h.messages.size(), 1u);
        EXPECT_EQ(h.messages[0].text, "棋譜を書き込みました");
        const QByteArray want =
            header(QString::fromUtf8(c.line1), QString::fromUtf8(c.line2), QString::fromUtf8(c.line3)) +
            dots(kExamples[0].text) + "\r\n" + dots(kExamples[1].text) + "\r\n";
        EXPECT_EQ(Harness::read_file(h.path("改行.棋譜")), want);

        h.f().File1_Click("改行.棋譜");
        EXPECT_EQ(f.rec_len, 2);
        EXPECT_EQ(entry(f, 1), kExamples[0].values);
        EXPECT_EQ(entry(f, 2), kExamples[1].values);
    }
}

// Every way the file system can refuse a save: a message, the old file kept,
// the game and the open panel untouched.
TEST(Save, FileSystemRefusalsAreReportedAndLoseNothing) {
    enum Way { SLASH, FOLDER_IS_A_FILE, FOLDER_GONE, FILE_TOO_BIG, NAME_TOO_LONG, READ_ONLY_FOLDER };
    for (const Way way :
         {SLASH, FOLDER_IS_A_FILE, FOLDER_GONE, FILE_TOO_BIG, NAME_TOO_LONG, READ_ONLY_FOLDER}) {
        SCOPED_TRACE(way);
        if (way == READ_ONLY_FOLDER && running_as_root()) continue;  // FILE_TOO_BIG covers root
        Harness h;
        recplay::name_sounds(h);
        Form1& f = h.f();
        for (int n = 1; n <= 30; ++n) put(f, n, kExamples[n % 4].values);
        f.rec_pos = f.rec_len = 30;
        QDir(h.dir.path()).mkdir("box");
        const QString box = h.path("box");
        const QByteArray old = "the earlier record\r\n";
        Harness::write_file(box + "/棋.棋譜", old);
        f.KIFU_WRITE_Click();
        f.file_dir = box;
        QString name = "棋";
        if (way == SLASH) name = "../棋";
        if (way == NAME_TOO_LONG) name = QString(300, u'長');
        if (way == FOLDER_IS_A_FILE) f.file_dir = box + "/棋.棋譜";
        if (way == FOLDER_GONE) f.file_dir = box + "/nothing/here";
        if (way == READ_ONLY_FOLDER) QFile::setPermissions(box, QFile::ReadOwner | QFile::ExeOwner);
        f.Text1->setText(name);
        f.Text2->setText("名");
        const Snapshot before = Snapshot::of(f);
        h.clear_log();

        rlimit saved{};
        void (*old_handler)(int) = nullptr;
        if (way == FILE_TOO_BIG) {
            getrlimit(RLIMIT_FSIZE, &saved);
            old_handler = std::signal(SIGXFSZ, SIG_IGN);
            rlimit tiny = saved;
            tiny.rlim_cur = 64;
            ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &tiny), 0);
        }
        f.Command1_Click();
        if (way == FILE_TOO_BIG) {
            setrlimit(RLIMIT_FSIZE, &saved);
            std::signal(SIGXFSZ, old_handler);
        }
        QFile::setPermissions(box, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

        ASSERT_EQ(h.messages.size(), 1u);
        // The reason in the program's own words, never the system's English.
        const char* const reasons[] = {
            "ﾌｧｲﾙ名に使えない文字があります",     "フォルダが見つかりません。",
            "保存先のフォルダが見つかりません。", "ファイルが大きすぎます。",
            "ファイル名が長すぎます。",           "このフォルダに書き込む権限がありません。"};
        EXPECT_EQ(h.messages[0].text,
                  QStringLiteral("棋譜を書き込めませんでした\r") + QString::fromUtf8(reasons[way]))
            << h.messages[0].text.toStdString();
        EXPECT_EQ(h.messages[0].title, "棋譜書込");
        if (way != FOLDER_IS_A_FILE) {
            EXPECT_EQ(Harness::read_file(box + "/棋.棋譜"), old);
        }
        EXPECT_EQ(QDir(box).entryList(QDir::Files | QDir::Hidden), QStringList{"棋.棋譜"});
        EXPECT_FALSE(QFile::exists(h.path("棋.棋譜")));
        EXPECT_TRUE(Snapshot::of(f) == before);
        EXPECT_FALSE(f.Text1->isHidden());
        EXPECT_EQ(f.Text2->text(), "名");
    }
}

// ---------------------------------------------------------------------------
// Loading

TEST(Load, ExampleFileFillsTheRecordAndNamesTheFirstMover) {
    const struct {
        int first_line;
        int mode;
        bool man_opens;
    } cases[] = {{0, Form1::MODE_MAN, true}, {2, Form1::MODE_COM, false}};
    for (const auto& c : cases) {
        for (const int man : {-1, 1}) {
            SCOPED_TRACE(c.first_line * 10 + man);
            Harness h;
            Form1& f = h.f();
            f.man_side = man;
            f.com_side = -man;
            QByteArray bytes = header("名人戦", "上", "下");
            for (int i = 0; i < 4; ++i) bytes += dots(kExamples[(c.first_line + i) % 4].text) + "\r\n";
            Harness::write_file(h.path("例.棋譜"), bytes);
            f.KIFU_READ_Click();
            ASSERT_EQ(f.File1->count(), 1);
            EXPECT_EQ(f.File1->item(0)->text(), "例.棋譜");
            f.File1_Click("例.棋譜");
            ASSERT_EQ(h.messages.size(), 2u);
            EXPECT_EQ(h.messages[0].text, " 読み込みました");
            EXPECT_EQ(h.messages[1].text, "棋譜を '進 'で進めて下さい");
            EXPECT_EQ(h.messages[0].title, "棋譜");
            EXPECT_EQ(h.messages[1].title, "棋譜");
            EXPECT_EQ(f.rec_len, 4);
            EXPECT_EQ(f.rec_pos, 0);
            EXPECT_EQ(f.move_no, 0);
            EXPECT_TRUE(f.record_mode);
            for (int i = 0; i < 4; ++i) EXPECT_EQ(entry(f, i + 1), kExamples[(c.first_line + i) % 4].values);
            EXPECT_EQ(f.play_mode, c.mode);
            // man_side and com_side stay; SENTE and GOTE follow the loaded game.
            EXPECT_EQ(f.man_side, man);
            EXPECT_EQ(f.com_side, -man);
            EXPECT_EQ(f.SENTE, c.man_opens ? f.man_side : f.com_side);
            EXPECT_EQ(f.GOTE, -f.SENTE);
            EXPECT_EQ(f.turn, c.man_opens ? f.man_side : f.com_side);
            EXPECT_TRUE(f.Drive1->isHidden());
            EXPECT_TRUE(f.File1->isHidden());
            for (int x = 1; x <= 9; ++x)
                for (int y = 1; y <= 9; ++y) EXPECT_EQ(f.board[x][y], kStartBoard[x][y]);
        }
    }
}

// A line ends at CR LF, CR or LF: the same record with any of them (or a mix,
// or no line end after the last line) loads exactly as its CR LF original, and
// a text file is refused alike whatever its line ends.
TEST(Load, LineEndsCrLfCrOrLfReadAlike) {
    const QByteArray a = dots(kExamples[0].text), b = dots(kExamples[2].text);
    const QByteArray original = header("名人戦", "上手", "下手") + a + "\r\n" + b + "\r\n";
    const QByteArray text_file = "Dear diary,\r\ntoday I played shogi.\r\nIt was fun.\r\nThe end.\r\n";
    auto with = [](QByteArray bytes, const char* end) { return bytes.replace("\r\n", end); };
    const struct {
        const char* name;
        QByteArray bytes, twin;  // twin: the CR LF file it must load like
    } cases[] = {
        {"LF", with(original, "\n"), original},
        {"CR", with(original, "\r"), original},
        {"mixed",
         header("名人戦", "上手", "下手").replace("\r\n上手\r\n", "\n上手\r") + a + "\n" + b + "\r\n",
         original},
        {"no last line end", with(original, "\n").chopped(1), original},
        // An empty line is a line: three blank headers, then the move.
        {"blank headers LF", "\n\n\n" + a + "\n", "\r\n\r\n\r\n" + a + "\r\n"},
        {"text file LF", with(text_file, "\n"), text_file},
        {"text file CR", with(text_file, "\r"), text_file},
    };
    auto load = [](Harness& h, const QByteArray& bytes) {
        Form1& f = h.f();
        f.turn = f.SENTE;
        recplay::human(f, 3, 6, 3, 5, 2.5);
        f.record_mode = false;
        Harness::write_file(h.path("k.棋譜"), bytes);
        f.file_dir = h.dir.path();
        h.clear_log();
        f.File1_Click("k.棋譜");
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Harness want, got;
        load(want, c.twin);
        load(got, c.bytes);
        ASSERT_FALSE(want.messages.empty());
        EXPECT_EQ(got.events, want.events);
        EXPECT_TRUE(Snapshot::of(got.f()) == Snapshot::of(want.f()));
        EXPECT_TRUE(got.f().canvas == want.f().canvas);
        EXPECT_EQ(got.f().strip_game_name, want.f().strip_game_name);
    }
}

// A file without a single move line (empty, or headers only) is refused
// before anything changes: the game in progress, its record and the screen
// stay, and the program is not left replaying nothing.
TEST(Load, FilesWithoutMovesAreRefusedAndChangeNothing) {
    const QByteArray cases[] = {"", "a\r\nb\r\nc\r\n", "a\r\nb\r\nc", "a", "a\nb\nc\n", "\r\n\r\n"};
    for (const QByteArray& bytes : cases) {
        SCOPED_TRACE(bytes.toStdString());
        Harness h;
        Form1& f = h.f();
        h.start_with_a_move();
        ASSERT_EQ(f.rec_pos, 1);
        Harness::write_file(h.path("k.棋譜"), bytes);
        f.KIFU_READ_Click();
        const Snapshot before = Snapshot::of(f);
        const QImage screen = f.canvas.copy();
        h.clear_log();
        f.File1_Click("k.棋譜");
        EXPECT_EQ(h.events, (std::vector<std::string>{"msg 棋譜ﾌｧｲﾙにﾃﾞｰﾀがありません|棋譜"}));
        EXPECT_TRUE(Snapshot::of(f) == before);
        EXPECT_TRUE(f.canvas == screen);
        EXPECT_FALSE(f.record_mode);
        // The game goes on: the next press is a pick, not the replay question.
        h.clear_log();
        h.press(1, 4);
        h.press(1, 5);
        EXPECT_EQ(f.rec_pos, 2);
        for (const Harness::Message& m : h.messages) EXPECT_NE(m.text, "棋譜を '進 'で進めて下さい");
    }
}

TEST(Load, HeaderPositionsFollowTheLength) {
    Harness h;
    Form1& f = h.f();
    const struct {
        const char* text;
        double x;
    } cases[] = {
        {"", 1050 + 495 * (3 + 13.0 / 5)},
        {"名人戦", 1050 + 495 * (3 + 10.0 / 5)},
        {"abcdefghijklm", 1050 + 495 * 3.0},
        {"abcdefghijklmnopqrstuvwxyz", 1050 + 495 * (3 - 13.0 / 5)},
    };
    for (const auto& c : cases)
        EXPECT_DOUBLE_EQ(f.取得_棋譜のX座標(QString::fromUtf8(c.text)), c.x) << c.text;
}

TEST(Load, MoreThanFiveHundredMovesLoadsTheFirstFiveHundredAndSaysSo) {
    for (const int lines : {500, 501, 600}) {
        SCOPED_TRACE(lines);
        Harness h;
        Form1& f = h.f();
        QByteArray bytes = header("a", "b", "c");
        for (int n = 1; n <= lines; ++n)
            bytes += kifu::書式_指し手行({7, 7, 7, 6, -2, -2, 0, double(n), double(n + 1), 0, 0}) + "\r\n";
        Harness::write_file(h.path("長.棋譜"), bytes);
        h.clear_log();
        f.File1_Click("長.棋譜");
        EXPECT_EQ(f.rec_len, 500);
        EXPECT_EQ(f.rec_man_before[500], 500);
        std::vector<std::string> want;
        if (lines > 500) want.push_back("msg 500手を超える部分は読み込みませんでした|棋譜");
        want.push_back("msg  読み込みました|棋譜");
        want.push_back("msg 棋譜を '進 'で進めて下さい|棋譜");
        EXPECT_EQ(h.events, want);
    }
}

// What the loader takes as moves and what it refuses as no record at all. A
// refused file leaves the game, the record and the screen exactly as they were.
TEST(Load, OnlyMoveLinesAreTakenAsMoves) {
    static const char kElf[] =
        "\x7f"
        "ELF\x02\x01\x01\0\0\0\0\0\0\0\0\0\x03\0>\0\x01\0\0\0\r\n\x90\x10\0\0";
    const QByteArray elf(kElf, sizeof kElf - 1);
    const struct {
        QByteArray bytes;
        int moves;           // moves loaded, or -1: refused
        int offending_line;  // the line the refusal names
    } cases[] = {
        // An unreadable header is no reason to refuse: the moves are what counts.
        {QByteArray("\x81\xff\x82\r\n\xfc\xfc\xfc\xfc\r\n\x80\x00\xa0\r\n", 15) +
             "·7776-2-2·0····0····3····0····0\r\n",
         1, 0},
        {"a\r\nb\r\nc\r\n" + QByteArray(100000, '9') + "\r\n", 1, 0},
        // What lies past the loader's 33 characters is not read, so not judged.
        {"a\r\nb\r\nc\r\n·7776-2-2·0····0····3····0····0··memo: 歩\r\n", 1, 0},
        {"a\r\nb\r\nc\r\n\t5152·9·9·0···20···20····5····9.5\r\n\r\n", 2, 0},
        {"a\r\nb\r\nc\r\nzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzz\r\n", -1, 4},
        {"a\r\nb\r\nc\r\n\x82\xa0\x82\xa2\x82\xa4\r\n", -1, 4},
        {QByteArray("a\r\nb\r\nc\r\n\0\0\0\0\0\0\r\n", 17), -1, 4},
        {"a\r\nb\r\nc\r\n·7776-2-2·0····0····3····0····0\r\n·5152·9·9·0···20···2x····5····9\r\n", -1, 5},
        {"a\r\nb\r\nc\r\n+7776-2-2·0····0····3····0····0\r\n", -1, 4},
        // A text file renamed, and a program's bytes.
        {"Dear diary,\r\ntoday I played shogi.\r\nIt was fun.\r\nThe end.\r\n", -1, 4},
        {elf + QByteArray(200, '\x90') + "\r\n\x01\x02\r\n\xff\r\n", -1, 4},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes.left(40).toStdString());
        Harness h;
        Form1& f = h.f();
        f.turn = f.SENTE;
        recplay::human(f, 3, 6, 3, 5, 2.5);
        f.record_mode = false;
        Harness::write_file(h.path("壊.棋譜"), QByteArray(c.bytes).replace("·", " "));
        f.KIFU_READ_Click();
        const Snapshot before = Snapshot::of(f);
        const QImage screen = f.canvas.copy();
        h.clear_log();
        f.File1_Click("壊.棋譜");
        if (c.moves >= 0) {
            EXPECT_EQ(f.rec_len, c.moves);
            EXPECT_TRUE(f.record_mode);
            EXPECT_EQ(h.messages.size(), 2u);
            continue;
        }
        ASSERT_EQ(h.messages.size(), 1u);
        EXPECT_EQ(h.messages[0].text,
                  QStringLiteral("棋譜ファイルではありません\r%1行目が指し手の行として読めません")
                      .arg(c.offending_line));
        EXPECT_EQ(h.messages[0].title, "棋譜");
        EXPECT_TRUE(Snapshot::of(f) == before);
        EXPECT_TRUE(f.canvas == screen);
        EXPECT_FALSE(f.record_mode);
    }
}

// A file that cannot be read: a message, and the game exactly as it was.
TEST(Load, UnreadableFilesLeaveTheGameAlone) {
    enum Way { DELETED_AFTER_LISTING, A_FOLDER, NO_PERMISSION };
    for (const Way way : {DELETED_AFTER_LISTING, A_FOLDER, NO_PERMISSION}) {
        SCOPED_TRACE(way);
        if (way == NO_PERMISSION && running_as_root()) continue;
        Harness h;
        Form1& f = h.f();
        f.turn = f.SENTE;
        recplay::human(f, 3, 6, 3, 5, 2.5);
        recplay::computer(f, 3, 4, 3, 5, 1.25);  // captures the staff
        f.record_mode = false;
        Harness::write_file(h.path("x.棋譜"), header("a", "b", "c") + dots(kExamples[0].text) + "\r\n");
        f.KIFU_READ_Click();
        ASSERT_EQ(f.File1->count(), 1);
        if (way == DELETED_AFTER_LISTING) QFile::remove(h.path("x.棋譜"));
        if (way == A_FOLDER) {
            QFile::remove(h.path("x.棋譜"));
            QDir(h.dir.path()).mkdir("x.棋譜");
        }
        if (way == NO_PERMISSION) QFile::setPermissions(h.path("x.棋譜"), QFile::WriteOwner);
        const Snapshot before = Snapshot::of(f);
        h.clear_log();
        f.File1_Click("x.棋譜");
        ASSERT_EQ(h.messages.size(), 1u);
        const char* const reasons[] = {"ファイルが見つかりません。移動または削除された可能性があります。",
                                       "ファイルではなくフォルダです。",
                                       "このファイルを読む権限がありません。"};
        EXPECT_EQ(h.messages[0].text,
                  QStringLiteral("棋譜ファイルを読み込めませんでした\r") + QString::fromUtf8(reasons[way]));
        EXPECT_EQ(h.messages[0].title, "棋譜");
        EXPECT_TRUE(Snapshot::of(f) == before);
        EXPECT_TRUE(f.File1->isHidden());
    }
}

// ---------------------------------------------------------------------------
// The panel and its lists

TEST(Panel, ReadThenWriteThenACommandClosesIt) {
    Harness h;
    Form1& f = h.f();
    f.KIFU_READ_Click();
    EXPECT_FALSE(f.Drive1->isHidden());
    EXPECT_FALSE(f.Dir1->isHidden());
    EXPECT_FALSE(f.File1->isHidden());
    EXPECT_TRUE(f.Text1->isHidden());
    f.KIFU_WRITE_Click();
    EXPECT_FALSE(f.Drive1->isHidden());
    EXPECT_TRUE(f.File1->isHidden());
    for (QWidget* w :
         {static_cast<QWidget*>(f.Text1), static_cast<QWidget*>(f.Text2), static_cast<QWidget*>(f.Text3),
          static_cast<QWidget*>(f.Text4), static_cast<QWidget*>(f.Command1)})
        EXPECT_FALSE(w->isHidden());
    f.Text1->setText("名前");
    f.REPLAY_Click();  // refused, but closes the panel and empties the fields
    EXPECT_TRUE(f.Drive1->isHidden());
    EXPECT_TRUE(f.Text1->isHidden());
    EXPECT_TRUE(f.Text1->text().isEmpty());
}

TEST(Panel, DrivesFoldersAndFiles) {
    Harness h;
    Form1& f = h.f();
    QDir(h.dir.path()).mkdir("sub");
    QDir(h.dir.path()).mkdir(".config");  // hidden: not listed
    Harness::write_file(h.path("top.棋譜"), "");
    Harness::write_file(h.path("other.txt"), "");
    Harness::write_file(h.path("sub/inner.棋譜"), "");
    f.KIFU_READ_Click();
    // Starts in the working folder.
    EXPECT_EQ(QDir(f.dir_path), QDir(h.dir.path()));
    QStringList drives;
    for (int i = 0; i < f.Drive1->count(); ++i) drives << f.Drive1->itemText(i);
    EXPECT_TRUE(drives.contains("/"));
    EXPECT_TRUE(drives.contains(QDir::homePath()));
    EXPECT_FALSE(drives.contains("/proc"));
    EXPECT_TRUE(h.dir.path().startsWith(f.Drive1->currentText()));
    auto items = [](QListWidget* l) {
        QStringList s;
        for (int i = 0; i < l->count(); ++i) s << l->item(i)->text();
        return s;
    };
    // The folder list reads as a path from the root down to the working
    // folder (in bold), then that folder's subfolders but the hidden ones, one level deeper.
    auto paths = [](QListWidget* l) {
        QStringList s;
        for (int i = 0; i < l->count(); ++i) s << l->item(i)->data(Qt::UserRole).toString();
        return s;
    };
    const QString top = QDir(h.dir.path()).absolutePath();
    QStringList chain;
    for (QDir d(top);;) {
        chain.prepend(d.absolutePath());
        if (!d.cdUp()) break;
    }
    EXPECT_EQ(paths(f.Dir1), chain + QStringList{top + "/sub"});
    const int here = static_cast<int>(chain.size()) - 1;
    EXPECT_TRUE(f.Dir1->item(here)->font().bold());
    EXPECT_EQ(f.Dir1->item(0)->text(), "/");
    EXPECT_EQ(f.Dir1->item(here + 1)->text(), QString(2 * (here + 1), ' ') + "sub");
    EXPECT_EQ(items(f.File1), QStringList{"top.棋譜"});
    f.Dir1->setCurrentRow(here + 1);
    f.Dir1_Change();
    EXPECT_EQ(QDir(f.file_dir), QDir(h.path("sub")));
    EXPECT_EQ(items(f.File1), QStringList{"inner.棋譜"});
    EXPECT_EQ(paths(f.Dir1), chain + QStringList{top + "/sub"}) << "sub has no subfolders of its own";
    EXPECT_TRUE(f.Dir1->item(here + 1)->font().bold());
    f.Dir1->setCurrentRow(here);
    f.Dir1_Change();
    EXPECT_EQ(QDir(f.file_dir), QDir(h.dir.path()));
    EXPECT_EQ(items(f.File1), QStringList{"top.棋譜"});
    EXPECT_TRUE(h.messages.empty());

    // A drive that cannot be read: the message, and the lists stay.
    f.Drive1->addItem(h.path("no-such-drive"));
    f.Drive1->setCurrentIndex(f.Drive1->count() - 1);
    ASSERT_EQ(h.messages.size(), 1u);
    EXPECT_EQ(h.messages[0].text, "ﾃﾞﾊﾞｲｽが準備できていません");
    EXPECT_EQ(h.messages[0].title, "ｴﾗｰ");
    EXPECT_EQ(f.Drive1->currentText(), h.path("no-such-drive"));
    EXPECT_EQ(QDir(f.file_dir), QDir(h.dir.path()));
    // A good drive lists its root.
    f.Drive1->setCurrentIndex(0);
    EXPECT_EQ(f.dir_path, "/");
    EXPECT_EQ(h.messages.size(), 1u);

    // A save goes into the folder the file list shows, and shows up there.
    f.Drive1->addItem(h.path("sub"));
    f.Drive1->setCurrentIndex(f.Drive1->count() - 1);
    f.rec_pos = f.rec_len = 1;
    put(f, 1, kExamples[0].values);
    save(h, "新");
    EXPECT_TRUE(QFile::exists(h.path("sub/新.棋譜")));
    EXPECT_EQ(items(f.File1), (QStringList{"inner.棋譜", "新.棋譜"}));
}

// ---------------------------------------------------------------------------
// A game saved and loaded again replays to the same position.

TEST(RoundTrip, SavedGameReplaysToTheSamePositionHandsAndClocks) {
    Harness h;
    recplay::name_sounds(h);
    Form1& f = h.f();
    f.man_side = f.SENTE;
    f.com_side = f.GOTE;
    f.turn = f.SENTE;
    using recplay::computer;
    using recplay::human;
    human(f, 5, 6, 5, 5, 3.25);
    computer(f, 5, 4, 5, 5, 1.5);  // takes the staff
    human(f, 5, 8, 5, 7, 12.75);
    computer(f, -1, 2, 5, 3, 2);  // drops it back, origin (-1, kind)
    human(f, 5, 7, 5, 6, 4);
    computer(f, 4, 1, 4, 2, 1);
    human(f, 5, 6, 5, 5, 1000.5);  // the president takes a staff
    computer(f, 4, 2, 4, 3, 3);
    human(f, 11, 3, 5, 4, 2);    // drops the staff from the minus hand
    computer(f, 5, 3, 5, 4, 2);  // and the computer takes it
    for (int i = 0; i < 30; ++i) {
        const int r = i % 4;
        if (r == 0) human(f, 2, 7, 2, 6, 1);
        if (r == 1) computer(f, 2, 3, 2, 4, 1);
        if (r == 2) human(f, 2, 6, 2, 7, 1);
        if (r == 3) computer(f, 2, 4, 2, 3, 1);
    }
    ASSERT_EQ(f.rec_pos, 40);
    ASSERT_TRUE(f.調査_局面整合());
    const Snapshot played = Snapshot::of(f);
    ASSERT_EQ(played.hand_plus[2], 1);
    ASSERT_EQ(played.hand_count_plus, 1);

    save(h, "一局");
    f.KIFU_READ_Click();
    h.clear_log();
    f.File1_Click("一局.棋譜");
    EXPECT_EQ(f.turn, f.man_side);
    EXPECT_EQ(f.play_mode, Form1::MODE_MAN);
    for (int n = 1; n <= 40; ++n) {
        EXPECT_EQ(f.rec_from_x[n], static_cast<int>(played.record[n][0])) << n;
        EXPECT_EQ(f.rec_captured[n], static_cast<int>(played.record[n][4])) << n;
        EXPECT_EQ(f.rec_man_after[n], std::floor(played.record[n][8])) << n;
    }
    h.clear_log();
    for (int n = 1; n <= 40; ++n) f.AFTER_Click();
    const Snapshot replayed = Snapshot::of(f);
    EXPECT_TRUE(recplay::same_position(replayed, played));
    EXPECT_EQ(f.man_secs, std::floor(played.man_secs));
    EXPECT_EQ(f.com_secs, std::floor(played.com_secs));
    EXPECT_EQ(f.move_no, 40);
    EXPECT_EQ(f.turn, f.man_side);
    EXPECT_EQ(h.count_events("play 駒打音"), 40);
    EXPECT_EQ(h.messages.size(), 0u);
    f.AFTER_Click();
    EXPECT_EQ(h.events.back(), "msg 終わり|進む");
    EXPECT_EQ(h.count_events("play 禁止"), 0);

    // All the way back: the starting position with empty hands.
    for (int n = 1; n <= 40; ++n) f.REPLAY_Click();
    for (int x = 1; x <= 9; ++x)
        for (int y = 1; y <= 9; ++y) EXPECT_EQ(f.board[x][y], kStartBoard[x][y]);
    EXPECT_EQ(f.hand_count_plus + f.hand_count_minus, 0);
    EXPECT_EQ(f.man_secs, 0);

    // Saving the replayed record again gives the same bytes.
    const QByteArray first = Harness::read_file(h.path("一局.棋譜"));
    for (int n = 1; n <= 40; ++n) f.AFTER_Click();
    f.man_side = f.SENTE;
    save(h, "二局");
    EXPECT_EQ(Harness::read_file(h.path("二局.棋譜")), first);
}

// Long totals: a move of 10,001 s and two more, played by hand between two
// people, saved, loaded and stepped through to the end without a refusal.
TEST(RoundTrip, TotalsBeyondFourDigitsReplayAsPlayed) {
    Harness h;
    recplay::name_sounds(h);
    Form1& f = h.f();
    f.START_Click();
    const struct {
        int fx, fy, tx, ty;
        double secs;
    } moves[] = {{1, 6, 1, 5, 10001}, {9, 4, 9, 5, 3}, {3, 6, 3, 5, 2}};
    for (const auto& m : moves) {
        h.now += m.secs;
        h.press(m.fx, m.fy);
        h.press(m.tx, m.ty);
    }
    ASSERT_EQ(f.rec_pos, 3);
    ASSERT_EQ(f.man_secs, 10003);
    const Snapshot played = Snapshot::of(f);

    save(h, "長考");
    h.clear_log();
    f.File1_Click("長考.棋譜");
    for (int n = 1; n <= 3; ++n) f.AFTER_Click();
    EXPECT_EQ(play_support::msg_events(h),
              (std::vector<std::string>{"msg  読み込みました|棋譜", "msg 棋譜を '進 'で進めて下さい|棋譜"}));
    EXPECT_EQ(f.rec_pos, 3);
    EXPECT_TRUE(recplay::same_position(Snapshot::of(f), played));
    EXPECT_EQ(Snapshot::of(f).record, played.record);
    EXPECT_EQ(f.man_secs, 10003);
    EXPECT_EQ(f.com_secs, 3);
}

// The three header lines, printed where their length puts them, whatever
// their line ends.
TEST(Load, HeaderLinesArePrintedAtTheirPlaces) {
    const struct {
        QByteArray bytes;
        QString game, top, bottom;
    } cases[] = {
        {header("名人戦", "上手", "下手") + dots(kExamples[0].text) + "\r\n", "名人戦", "上手", "下手"},
        {header("名人戦", "上手", "下手").replace("\r\n", "\n") + dots(kExamples[0].text) + "\n", "名人戦",
         "上手", "下手"},
        {QByteArray("\x81\r\nok\r\n\xff\xfe\r\n") + dots(kExamples[0].text) + "\r\n", "?1", "ok", "?2"},
    };
    for (const auto& c : cases) {
        Harness loaded, drawn;
        Harness::write_file(loaded.path("h.棋譜"), c.bytes);
        loaded.f().file_dir = loaded.dir.path();
        loaded.f().File1_Click("h.棋譜");
        Form1& g = drawn.f();
        g.初期設定();
        SCOPED_TRACE(c.bytes.toStdString());
        // Bytes that are no Shift-JIS show as the decoder renders them.
        const QString game = c.game == "?1" ? Harness::from_sjis("\x81") : c.game;
        const QString bottom = c.bottom == "?2" ? Harness::from_sjis("\xff\xfe") : c.bottom;
        // The top player's clock makes way for the game name.
        g.消去_所有時間(g.com_side);
        g.描画_テキスト(g.取得_棋譜のX座標(game) - 3000, 6350, game, Form1::LIGHT_RED, 12);
        g.描画_テキスト(g.取得_棋譜のX座標(c.top), 100, c.top, Form1::WHITE, 12);
        g.描画_テキスト(g.取得_棋譜のX座標(bottom), 6350, bottom, Form1::WHITE, 12);
        EXPECT_TRUE(loaded.f().canvas == g.canvas);
    }
}

// The game name stands where the top player's clock goes. Whatever is drawn
// there, nothing of the name survives beside the clock, and a new game clears
// the strip whole.
TEST(Load, GameNameAndClockNeverShareTheStrip) {
    const QColor red = Form1::色_RGB(Form1::LIGHT_RED);
    // Red pixels of row 10, the strip below the board, across the whole window.
    auto red_in_strip = [&red](const Form1& f) {
        const QImage img = f.canvas.convertToFormat(QImage::Format_RGB32);
        const qreal r = f.canvas_dpr;
        int n = 0;
        for (int y = int((100 + 10 * 615) / 15 * r); y < int((100 + 11 * 615) / 15 * r); ++y)
            for (int x = 0; x < img.width(); ++x) n += QColor(img.pixel(x, y)) == red;
        return n;
    };
    // Two moves between two humans, saved under a long game name.
    Harness game;
    game.start_with_a_move();
    game.press(3, 4);
    game.press(3, 5);
    ASSERT_EQ(game.f().rec_pos, 2);
    save(game, "名", "第一回社内将棋大会決勝戦第二局", "上手", "下手");
    const QByteArray file = Harness::read_file(game.path("名.棋譜"));
    ASSERT_FALSE(file.isEmpty());
    for (void (Form1::*then)() : {&Form1::AFTER_Click, &Form1::SENTE_Click, &Form1::GOTE_Click}) {
        Harness plain;
        const int background_red = red_in_strip(plain.f());
        Harness h;
        Form1& f = h.f();
        Harness::write_file(h.path("名.棋譜"), file);
        f.File1_Click("名.棋譜");
        ASSERT_GT(red_in_strip(f), background_red);
        h.clear_log();
        (f.*then)();
        EXPECT_EQ(red_in_strip(f), background_red);
        // Stepped on, the strip keeps the clock and only that.
        f.AFTER_Click();
        EXPECT_EQ(red_in_strip(f), background_red);
    }
}

TEST(Save, ReturnInTheFileNameFieldSaves) {
    Harness h;
    Form1& f = h.f();
    for (int n = 1; n <= 2; ++n) put(f, n, kExamples[n].values);
    f.rec_pos = f.rec_len = 2;
    f.KIFU_WRITE_Click();
    f.Text1->setText("改");
    h.clear_log();
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(f.Text1, &enter);
    EXPECT_EQ(h.events, (std::vector<std::string>{"msg 棋譜を書き込みました|  "}));
    EXPECT_TRUE(QFile::exists(h.path("改.棋譜")));
}
