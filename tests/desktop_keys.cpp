// The keyboard and the message boxes on a real X server under a real window
// manager (tests/desktop.sh starts Xvfb and openbox): keys and clicks are
// sent with xdotool and reach the window as a user's would, through the X
// server and the window manager. Every wait waits for an event of the window
// (a key delivered, the focus moved, a box shown), with a time limit.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <map>
#include <vector>

#include "support/harness.h"
#include "view/board_view.h"

namespace {

// Runs the event loop until `done` holds (true) or `ms` pass (false). The
// loop sleeps until the next event; a slow tick only keeps the time limit.
bool wait_for(const std::function<bool()>& done, int ms = 10000) {
    const QDeadlineTimer deadline(ms);
    QTimer tick;
    tick.start(100);
    while (!done()) {
        if (deadline.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

// xdotool, waited for: the X server has the keys or clicks when it returns.
void xdo(const QStringList& args) {
    ASSERT_EQ(QProcess::execute("xdotool", args), 0) << args.join(' ').toStdString();
}
void key(const QString& k) { xdo({"key", "--clearmodifiers", k}); }
void click_at(QPoint global) {
    xdo({"mousemove", "--sync", QString::number(global.x()), QString::number(global.y())});
    xdo({"mousedown", "1"});
    xdo({"mouseup", "1"});
}

// Counts the events of one kind that reach an object (before it handles them).
class Counter : public QObject {
public:
    Counter(QObject* watched, QEvent::Type type, int key = 0) : type_(type), key_(key) {
        watched->installEventFilter(this);
    }
    int count = 0;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == type_ && (key_ == 0 || static_cast<QKeyEvent*>(e)->key() == key_)) ++count;
        return false;
    }

private:
    QEvent::Type type_;
    int key_;
};

// Answers every OK box with its button as soon as it is shown, and keeps
// what each said, "<text>|<title>".
class BoxAnswerer : public QObject {
public:
    BoxAnswerer() { qApp->installEventFilter(this); }
    std::vector<std::string> seen;
    bool eventFilter(QObject* o, QEvent* e) override {
        auto* box = qobject_cast<QMessageBox*>(o);
        if (box && e->type() == QEvent::Show) {
            seen.push_back((box->text() + "|" + box->windowTitle()).toStdString());
            QPointer<QMessageBox> p(box);
            QTimer::singleShot(0, this, [p] {
                if (p && p->button(QMessageBox::Ok)) p->button(QMessageBox::Ok)->click();
            });
        }
        return false;
    }
};

// Runs `script` inside the box's own event loop once a message box is shown.
class OnBox : public QObject {
public:
    explicit OnBox(std::function<void(QMessageBox*)> script) : script_(std::move(script)) {
        qApp->installEventFilter(this);
    }
    bool eventFilter(QObject* o, QEvent* e) override {
        auto* box = qobject_cast<QMessageBox*>(o);
        if (box && e->type() == QEvent::Show && script_) {
            QPointer<QMessageBox> p(box);
            auto script = std::move(script_);
            script_ = nullptr;
            QTimer::singleShot(0, this, [p, script] {
                if (p) script(p);
            });
        }
        return false;
    }

private:
    std::function<void(QMessageBox*)> script_;
};

QPoint centre_of(QWidget* w, const QRect& r) { return w->mapToGlobal(r.center()); }

// Where the X server has a window's top-left corner (below).
QPoint server_origin(QWidget* w);

// Chooses a menu command with the mouse, as a user does.
void choose(Form1& f, QMenu* menu, QAction* item) {
    const QPoint title = f.menuBar()->mapTo(&f, f.menuBar()->actionGeometry(menu->menuAction()).center());
    const QPoint at = server_origin(&f) + title;
    click_at(at);
    ASSERT_TRUE(wait_for([&] { return menu->isVisible(); }))
        << "the menu did not open on a click at " << at.x() << "," << at.y() << "; Qt has the title at "
        << f.menuBar()->mapToGlobal(title - f.menuBar()->pos()).x() << ","
        << f.menuBar()->mapToGlobal(title - f.menuBar()->pos()).y();
    ASSERT_TRUE(wait_for([&] { return !menu->actionGeometry(item).isEmpty(); }));
    click_at(centre_of(menu, menu->actionGeometry(item)));
    ASSERT_TRUE(wait_for([&] { return !menu->isVisible(); }));
}

QWidget* focus() { return QApplication::focusWidget(); }

// Gives a shown window the keyboard, as the user's click on it would.
void activate(QWidget* w) {
    xdo({"windowactivate", "--sync", QString::number(w->winId())});
    ASSERT_TRUE(wait_for([&] { return w->isActiveWindow(); })) << "the window did not get the keyboard";
}

// The window shown, placed by the window manager and holding the keyboard.
void show_window(Form1& f, bool click_it = true) {
    f.show();
    if (!click_it) {
        // A fresh window manager hands a new window the keyboard by itself.
        ASSERT_TRUE(wait_for([&] { return f.isActiveWindow(); })) << "the window never got the keyboard";
        return;
    }
    ASSERT_TRUE(wait_for([&] { return f.isVisible() && f.frameGeometry() != f.geometry(); }))
        << "the window manager never framed the window";
    // The window puts itself at the screen's corner once framed: clicks are
    // aimed only once the X server has it where Qt does.
    ASSERT_TRUE(wait_for([&] {
        return !f.place_pending && server_origin(&f) == f.mapToGlobal(QPoint(0, 0));
    })) << "the window never came to rest";
    // A window manager may keep a new window from taking the keyboard from
    // the one used last.
    activate(&f);
    // The pointer out of the way of boxes and buttons (no --sync: when it is
    // there already, xdotool would wait for a move that never comes).
    xdo({"mousemove", "1000", "750"});
}

// Where the window and its frame stand now, read from the X server
// (xwininfo, _NET_FRAME_EXTENTS): Qt's own geometry and frameGeometry() are
// caches that a late configure event can leave without the frame for good.
// The frame is null while the window manager has given it none.
struct Placed {
    QRect inner, frame;
};
QString run(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    p.waitForFinished();
    return QString::fromLatin1(p.readAllStandardOutput());
}
// The window the window manager has made active (_NET_ACTIVE_WINDOW).
WId wm_active() {
    return run("xprop", {"-root", "_NET_ACTIVE_WINDOW"}).section('#', 1).trimmed().toULongLong(nullptr, 16);
}
Placed placed(QWidget* w) {
    const QString id = QString::number(w->winId());
    const QString info = run("xwininfo", {"-id", id});
    const auto field = [&](const char* name) {
        const int at = info.indexOf(QLatin1String(name));
        return at < 0 ? -1 : info.mid(at + int(strlen(name))).section('\n', 0, 0).trimmed().toInt();
    };
    Placed p;
    p.inner = QRect(field("Absolute upper-left X:"), field("Absolute upper-left Y:"), field("Width:"),
                    field("Height:"));
    const QStringList sides = run("xprop", {"-id", id, "_NET_FRAME_EXTENTS"}).section('=', 1).split(',');
    if (sides.size() == 4 && sides[2].toInt() > 0)
        p.frame = p.inner.marginsAdded(
            QMargins(sides[0].toInt(), sides[2].toInt(), sides[1].toInt(), sides[3].toInt()));
    return p;
}

QPoint server_origin(QWidget* w) { return placed(w).inner.topLeft(); }

QImage title_bar(QWidget* box);
bool drawn_active(const QImage& bar);

// ---------------------------------------------------------------------------
// Yes/No boxes

// The replay question after a record is loaded. Esc, the window manager's
// close key and the close button on the title bar leave it open; only はい or
// いいえ answer it.
TEST(DesktopYesNo, OnlyItsButtonsAnswerIt) {
    const struct {
        const char* name;
        QStringList answer;  // the keys that answer it at last
        bool kept;           // はい: the loaded record is kept
    } cases[] = {
        {"ReturnOnTheDefaultYes", {"Return"}, true},
        {"SpaceOnNoAfterTab", {"Tab", "space"}, false},
        {"KeyY", {"y"}, true},
        {"KeyN", {"n"}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Harness h;
        Form1& f = h.f();
        f.START_Click();
        f.record_mode = true;
        show_window(f);
        f.msgbox = h.real_msgbox;
        bool still_open_after_esc = false, still_open_after_close_key = false,
             still_open_after_close_button = false;
        int boxes = 0;
        OnBox on_box([&](QMessageBox* shown) {
            QPointer<QMessageBox> box(shown);
            // Whatever fails, the box is answered in the end, so the test goes on.
            const auto answer_anyway = qScopeGuard([&] {
                if (box && box->isVisible() && !wait_for([&] { return !box->isVisible(); }, 5000))
                    box->button(QMessageBox::No)->click();
            });
            ASSERT_TRUE(wait_for([&] { return box->isActiveWindow() && !placed(box).frame.isNull(); }))
                << "the box did not get the keyboard";
            ++boxes;
            Counter esc(box, QEvent::KeyPress, Qt::Key_Escape), closes(box, QEvent::Close);
            // The close button stands at the right end of the title bar, once it is drawn.
            ASSERT_TRUE(wait_for([&] { return drawn_active(title_bar(box)); }))
                << "the title bar was not drawn";
            const auto [inner, frame] = placed(box);
            const int bar = inner.top() - frame.top();
            click_at(QPoint(inner.right() - bar / 2, frame.top() + bar / 2));
            ASSERT_TRUE(wait_for([&] { return closes.count > 0; })) << "the close button sent no close";
            still_open_after_close_button = box->isVisible();
            if (!still_open_after_close_button) return;
            key("Escape");
            ASSERT_TRUE(wait_for([&] { return esc.count > 0; }));
            still_open_after_esc = box->isVisible();
            if (!still_open_after_esc) return;
            // The window manager's close key closes the window it has made active.
            ASSERT_TRUE(wait_for([&] { return wm_active() == box->winId(); }))
                << "the window manager made the box not active";
            key("alt+F4");
            ASSERT_TRUE(wait_for([&] { return closes.count > 1; }))
                << "the window manager sent no close"
                << " (active " << wm_active() << ", box " << box->winId() << ")";
            still_open_after_close_key = box->isVisible();
            if (!still_open_after_close_key) return;
            for (const QString& k : c.answer) key(k);
        });
        // A click on the board, as the user's: the question comes up.
        const double px = (f.board_left + 5.5 * f.cell_w) / Form1::TWIPS_PER_PIXEL;
        const double py = (f.board_top + 7.5 * f.cell_h) / Form1::TWIPS_PER_PIXEL;
        click_at(f.view->mapToGlobal(QPoint(int(px), int(py))));
        ASSERT_TRUE(wait_for([&] { return boxes == 1 && !QApplication::activeModalWidget(); }, 60000));
        EXPECT_EQ(boxes, 1);
        EXPECT_TRUE(still_open_after_esc);
        EXPECT_TRUE(still_open_after_close_key);
        EXPECT_TRUE(still_open_after_close_button);
        EXPECT_EQ(f.record_mode, c.kept);
        EXPECT_EQ(f.turn, c.kept ? f.SENTE : Form1::NONE);
    }
}

// ---------------------------------------------------------------------------
// Titles

// What the window manager was asked to write in the box's title bar.
QString wm_name(QWidget* w) {
    QProcess p;
    p.start("xprop", {"-id", QString::number(w->winId()), "_NET_WM_NAME"});
    p.waitForFinished();
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

// The box's title bar as the window manager drew it.
QImage title_bar(QWidget* box) {
    const auto [inner, frame] = placed(box);
    if (frame.isNull()) return {};
    return box->screen()
        ->grabWindow(0, frame.x(), frame.y(), frame.width(), inner.top() - frame.top())
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
}

// Whether the bar is drawn as the focused window's: openbox's theme paints
// it blue, an unfocused one grey.
bool drawn_active(const QImage& bar) {
    if (bar.isNull()) return false;
    const QColor c = bar.pixelColor(2, bar.height() / 2);
    return c.blue() - c.red() > 40;
}

// A box without a title shows a blank title bar, not the program's name.
TEST(DesktopTitles, EmptyTitleShowsNothing) {
    for (const char* t : {"", " ", "  "}) {
        SCOPED_TRACE(std::string("\"") + t + "\"");
        Harness h;
        Form1& f = h.f();
        show_window(f);
        f.msgbox = h.real_msgbox;
        QString name;
        QTimer::singleShot(0, [&] {
            QPointer<QMessageBox> box;
            ASSERT_TRUE(wait_for([&] {
                box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                return box && box->isVisible();
            }));
            name = wm_name(box);
            box->button(QMessageBox::Ok)->click();
        });
        f.MsgBox(QStringLiteral("** 訴訟！（王手） **"), QString::fromUtf8(t));
        EXPECT_TRUE(name.startsWith("_NET_WM_NAME(UTF8_STRING) = \"")) << name.toStdString();
        EXPECT_TRUE(name.section('"', 1, 1).trimmed().isEmpty()) << name.toStdString();
    }
}

// ---------------------------------------------------------------------------
// The save and load panels

// "書込" opens the save panel with the keyboard in the game's name; Tab goes
// down the fields as they stand, to RETURN and on to the lists, and Return
// on RETURN saves.
TEST(DesktopPanels, SavePanelFromTheKeyboard) {
    Harness h;
    Form1& f = h.f();
    h.start_with_a_move();
    ASSERT_EQ(f.rec_pos, 1);
    show_window(f);
    f.msgbox = h.real_msgbox;
    BoxAnswerer boxes;
    choose(f, f.mnu.KIFU, f.mnu.KIFU_WRITE);
    ASSERT_TRUE(wait_for([&] { return focus() == f.Text2; })) << "the game's name has no keyboard";
    const struct {
        const char* keys;  // typed, or a key with "key:"
        QWidget* then;     // where the keyboard is afterwards
    } steps[] = {
        {"Game", f.Text2},
        {"key:Tab", f.Text3},
        {"Alice", f.Text3},
        {"key:Tab", f.Text4},
        {"Bob", f.Text4},
        {"key:Tab", f.Text1},
        {"rec1", f.Text1},
        {"key:Tab", f.Command1},
        {"key:Tab", f.Drive1},
        {"key:Tab", f.Dir1},
        {"key:Tab", f.Text2},
        {"key:shift+Tab", f.Dir1},
        {"key:shift+Tab", f.Drive1},
        {"key:shift+Tab", f.Command1},
    };
    for (const auto& s : steps) {
        const QString k = QString::fromUtf8(s.keys);
        SCOPED_TRACE(s.keys);
        if (k.startsWith("key:")) {
            key(k.mid(4));
            ASSERT_TRUE(wait_for([&] { return focus() == s.then; }))
                << "the keyboard is in " << (focus() ? focus()->metaObject()->className() : "nothing");
        } else {
            auto* field = qobject_cast<QLineEdit*>(s.then);
            ASSERT_NE(field, nullptr);
            xdo({"type", "--delay", "1", k});
            ASSERT_TRUE(wait_for([&] { return field->text() == k; })) << field->text().toStdString();
        }
    }
    key("Return");
    ASSERT_TRUE(wait_for([&] { return !boxes.seen.empty(); })) << "RETURN saved nothing";
    EXPECT_EQ(boxes.seen, (std::vector<std::string>{"棋譜を書き込みました|  "}));
    const QByteArray bytes = Harness::read_file(h.path("rec1.棋譜"));
    // The bottom player moved first: the top line names the second.
    EXPECT_TRUE(bytes.startsWith("Game\r\nBob\r\nAlice\r\n")) << bytes.toStdString();
    EXPECT_EQ(bytes.count("\r\n"), 4);
    // The panel closed, the keyboard is the board's again: nothing typed goes to a hidden field.
    EXPECT_TRUE(wait_for([&] { return focus() == f.view; }));
}

// "読込" opens the load panel with the keyboard in the file list: the arrows
// choose a file and Return or Enter loads it, as a click does; Return on a
// folder opens it.
TEST(DesktopPanels, LoadPanelFromTheKeyboard) {
    const QByteArray line = " 7776-2-2 0    0    3    0    0\r\n";
    const QByteArray head = "a\r\nb\r\nc\r\n";
    const struct {
        const char* name;
        QStringList keys;
        int moves;    // moves of the file loaded; 0: nothing loaded
        bool in_sub;  // the file lies in the subfolder
    } cases[] = {
        {"DownReturn", {"Down", "Return"}, 1, false},
        {"DownDownEnter", {"Down", "Down", "KP_Enter"}, 2, false},
        {"FolderThenFile", {"Tab", "Tab", "End", "Return", "Tab", "Down", "Return"}, 3, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Harness h;
        Form1& f = h.f();
        Harness::write_file(h.path("a.棋譜"), head + line);
        Harness::write_file(h.path("b.棋譜"), head + line + line);
        QDir(h.dir.path()).mkdir("sub");
        Harness::write_file(h.path("sub/c.棋譜"), head + line + line + line);
        show_window(f);
        f.msgbox = h.real_msgbox;
        BoxAnswerer boxes;
        choose(f, f.mnu.KIFU, f.mnu.KIFU_READ);
        ASSERT_TRUE(wait_for([&] { return focus() == f.File1; })) << "the file list has no keyboard";
        // Return with no file chosen does nothing.
        Counter returns(f.File1, QEvent::KeyPress, Qt::Key_Return);
        key("Return");
        ASSERT_TRUE(wait_for([&] { return returns.count > 0; }));
        EXPECT_TRUE(boxes.seen.empty());
        EXPECT_FALSE(f.record_mode);
        for (const QString& k : c.keys) {
            // Each key is waited for where it lands before the next is sent.
            QWidget* to = focus();
            ASSERT_NE(to, nullptr);
            Counter got(to, QEvent::KeyPress);
            key(k);
            ASSERT_TRUE(wait_for([&] { return got.count > 0 || f.record_mode; })) << k.toStdString();
            if (k == "Tab") {
                ASSERT_TRUE(wait_for([&] { return focus() != to; }));
            }
        }
        ASSERT_TRUE(wait_for([&] { return boxes.seen.size() >= 2; })) << "nothing was loaded";
        EXPECT_EQ(boxes.seen,
                  (std::vector<std::string>{" 読み込みました|棋譜", "棋譜を '進 'で進めて下さい|棋譜"}));
        EXPECT_TRUE(f.record_mode);
        EXPECT_EQ(f.rec_len, c.moves);
        EXPECT_EQ(QDir(f.file_dir), QDir(c.in_sub ? h.path("sub") : h.dir.path()));
        EXPECT_TRUE(f.File1->isHidden());
        // The keyboard is the board's again: a key no longer reaches the
        // hidden list, where Return loaded the record anew. (Return on the
        // board is the cursor's press, which asks about the record: a letter
        // the board leaves alone is sent.)
        ASSERT_TRUE(wait_for([&] { return focus() == f.view; })) << "the hidden list kept the keyboard";
        Counter returns_after(f.view, QEvent::KeyPress, Qt::Key_A);
        key("a");
        ASSERT_TRUE(wait_for([&] { return returns_after.count > 0; }));
        EXPECT_EQ(boxes.seen.size(), 2u) << "the record was loaded again";
    }
}

}  // namespace

// ---------------------------------------------------------------------------
// The window made larger by the window manager

// What the screen shows of the client area, read back from the X server.
QImage on_screen(QWidget* view) {
    const QPoint at = view->mapToGlobal(QPoint(0, 0));
    return QGuiApplication::primaryScreen()
        ->grabWindow(0, at.x(), at.y(), view->width(), view->height())
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
}

// Device pixels of the client area where a twip of the canvas is drawn.
QPointF drawn_at(const Form1& f, double x_twips, double y_twips) {
    return QPointF(f.view_origin) + QPointF(x_twips, y_twips) / Form1::TWIPS_PER_PIXEL * f.canvas_dpr;
}

// The grid lines across the middle of row 5 and down the middle of column 5:
// ten of each, every one as wide as the scale's outline.
void expect_grid_even(const Form1& f, const QImage& shot) {
    const QRgb grid = Form1::色_RGB(f.grid_colour).rgb();
    const int lw = std::max(1, qRound(f.canvas_dpr));
    for (bool along_row : {true, false}) {
        const QPointF from = drawn_at(f, f.board_left + f.cell_w, f.board_top + f.cell_h);
        const QPointF to = drawn_at(f, f.board_left + 10 * f.cell_w, f.board_top + 10 * f.cell_h);
        const QPointF mid = drawn_at(f, f.board_left + 5.5 * f.cell_w, f.board_top + 5.5 * f.cell_h);
        std::vector<int> lines;
        int run = 0;
        const int first = int(along_row ? from.x() : from.y()) - 2,
                  last = int(along_row ? to.x() : to.y()) + lw + 2;
        for (int i = first; i < last; ++i) {
            const QRgb p = along_row ? shot.pixel(i, int(mid.y())) : shot.pixel(int(mid.x()), i);
            if (p == grid)
                ++run;
            else if (run)
                lines.push_back(run), run = 0;
        }
        if (run) lines.push_back(run);
        EXPECT_EQ(lines, std::vector<int>(10, lw)) << (along_row ? "vertical lines" : "horizontal lines");
    }
}

// A press where square (x, y) is drawn, through the X server.
void press_square(const Form1& f, int x, int y) {
    const QPointF device =
        drawn_at(f, f.board_left + (x + 0.5) * f.cell_w, f.board_top + (y + 0.5) * f.cell_h);
    click_at(f.view->mapToGlobal((device / f.view->devicePixelRatioF()).toPoint()));
}

// Maximized with wmctrl, then made a wide and a tall window with xdotool:
// the board grows with the window, aspect kept, its grid even, and a press
// lands on the square drawn under the pointer.
TEST(DesktopWindow, GrowsWithTheWindowManagersSize) {
    Harness h;
    Form1& f = h.f();
    f.START_Click();
    show_window(f);
    const QSize first = f.view->size();
    EXPECT_EQ(first, QSize(600, 533));
    const QString id = QString::number(f.winId());
    const struct {
        const char* name;
        QStringList command;
    } sizes[] = {
        {"maximized", {"wmctrl", "-i", "-r", id, "-b", "add,maximized_vert,maximized_horz"}},
        {"wide", {"xdotool", "windowsize", id, "1000", "600"}},
        {"tall", {"xdotool", "windowsize", id, "700", "740"}},
    };
    int move = 0;
    for (const auto& s : sizes) {
        SCOPED_TRACE(s.name);
        if (s.command[0] == "xdotool")
            QProcess::execute("wmctrl", {"-i", "-r", id, "-b", "remove,maximized_vert,maximized_horz"});
        const QSize before = f.view->size();
        ASSERT_EQ(QProcess::execute(s.command[0], s.command.mid(1)), 0);
        ASSERT_TRUE(wait_for([&] { return f.view->size() != before && f.view->size() != first; }))
            << "the window kept its size";
        // The canvas fills the client area one way, centred the other.
        const QSize area = f.view->size() * f.view->devicePixelRatioF();
        EXPECT_NEAR(f.view_scale, std::min(area.width() / 600.0, area.height() / 533.0), 0.01);
        EXPECT_TRUE(f.view_origin.x() <= 1 || f.view_origin.y() <= 1);
        QImage shot;
        ASSERT_TRUE(wait_for([&] {
            shot = on_screen(f.view);
            return shot.size() == area;
        }));
        expect_grid_even(f, shot);
        // Two players: the bottom (first) and the top player step forward in turn.
        static constexpr int kMoves[3][4] = {{5, 6, 5, 5}, {1, 4, 1, 5}, {9, 6, 9, 5}};
        const int* m = kMoves[move++];
        const int piece = f.board[m[0]][m[1]];
        ASSERT_NE(piece, 0);
        press_square(f, m[0], m[1]);
        ASSERT_TRUE(wait_for([&] { return f.click_phase == 1; })) << "the press picked nothing";
        EXPECT_EQ(f.sel_x, m[0]);
        EXPECT_EQ(f.sel_y, m[1]);
        press_square(f, m[2], m[3]);
        ASSERT_TRUE(wait_for([&] { return f.board[m[2]][m[3]] == piece; })) << "the piece did not move";
    }
}

// ---------------------------------------------------------------------------
// The panel under a light and a dark desktop palette

// Relative luminance, as contrast ratios are reckoned.
double luminance(QRgb c) {
    auto lin = [](int v) {
        const double s = v / 255.0;
        return s <= 0.03928 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * lin(qRed(c)) + 0.7152 * lin(qGreen(c)) + 0.0722 * lin(qBlue(c));
}
double contrast(QRgb a, QRgb b) {
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// How many pixels of a control stand out (contrast 4.5 or more) from its
// background, taken as the colour most of its inside shows.
int readable_pixels(QWidget* w) {
    const QImage img = w->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QRect inside = img.rect().adjusted(3, 3, -3, -3);
    std::map<QRgb, int> seen;
    for (int y = inside.top(); y <= inside.bottom(); ++y)
        for (int x = inside.left(); x <= inside.right(); ++x) ++seen[img.pixel(x, y)];
    const QRgb ground = std::max_element(seen.begin(), seen.end(), [](auto& a, auto& b) {
                            return a.second < b.second;
                        })->first;
    int n = 0;
    for (const auto& [c, count] : seen)
        if (contrast(c, ground) >= 3) n += count;
    return n;
}

TEST(DesktopPanels, ReadableUnderALightAndADarkPalette) {
    QPalette dark;
    dark.setColor(QPalette::Window, QColor(0x35, 0x35, 0x35));
    dark.setColor(QPalette::WindowText, QColor(0xf7, 0xf7, 0xd8));
    dark.setColor(QPalette::Base, QColor(0x2a, 0x2a, 0x2a));
    dark.setColor(QPalette::AlternateBase, QColor(0x42, 0x42, 0x42));
    dark.setColor(QPalette::Text, QColor(0xf7, 0xf7, 0xd8));
    dark.setColor(QPalette::Button, QColor(0x35, 0x35, 0x35));
    dark.setColor(QPalette::ButtonText, QColor(0xfb, 0xfb, 0xcf));
    dark.setColor(QPalette::Highlight, QColor(0x15, 0x53, 0x9e));
    dark.setColor(QPalette::HighlightedText, Qt::white);
    const QPalette light = QApplication::style()->standardPalette();
    const auto restore = qScopeGuard([light] { QApplication::setPalette(light); });
    for (const QPalette& pal : {light, dark}) {
        SCOPED_TRACE(&pal == &light ? "light" : "dark");
        QApplication::setPalette(pal);
        Harness h;
        Form1& f = h.f();
        h.start_with_a_move();
        show_window(f, false);
        f.KIFU_WRITE_Click();
        for (QLineEdit* t : {f.Text1, f.Text2, f.Text3, f.Text4}) t->setText(QStringLiteral("Game 対局"));
        // A picture of the panel for whoever runs the check by hand.
        if (const QString shots = qEnvironmentVariable("VELMORA_SHOTS"); !shots.isEmpty())
            f.view->grab().save(shots + (&pal == &light ? "/panel-light.png" : "/panel-dark.png"));
        ASSERT_GT(f.Dir1->count(), 0);
        ASSERT_GT(f.Drive1->count(), 0);
        for (QWidget* w :
             std::initializer_list<QWidget*>{f.Text1, f.Text2, f.Text3, f.Text4, f.Dir1, f.Drive1,
                                             f.Label1[0], f.Label1[1], f.Label1[2], f.Label1[3], f.Command1})
            EXPECT_GE(readable_pixels(w), 8) << w->metaObject()->className() << " " << w->geometry().y();
    }
}
