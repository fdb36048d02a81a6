// Start-up, the three ways to end, and the About message.
#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenuBar>
#include <QScreen>
#include <QWindow>
#include <algorithm>
#include <cmath>

#include "app/form1.h"
#include "view/board_view.h"

namespace {
// The About text: every line ends with a carriage return but the last.
const QString kAboutText = QStringLiteral(
    "Velmora  Version 1.0    [03/2001]\r"
    "\r"
    "Home page\r"
    "https://velmora.example.org/\r"
    "\r"
    "e-mail\r"
    "velmora@example.org");
constexpr int kKeyEsc = 27;
constexpr int kKeepTopTwips = -60;
}  // namespace

void Form1::Form_Load() {
    // 1. Sound first: the library, then the four sounds in their order.
    if (!module1.ds.loaded()) module1.bind_library();
    module1.sound_init(static_cast<SoundLibrary::Handle>(winId()));
    snd_other = module1.sound_load(QStringLiteral("その他.wav"), 3);
    snd_forbidden = module1.sound_load(QStringLiteral("禁止.wav"), 3);
    snd_place = module1.sound_load(QStringLiteral("駒打音.wav"), 3);
    snd_bgm = module1.sound_load(QStringLiteral("BGM.wav"), 1);

    // 2. Form-level values.
    guidance_on = 0;
    com_level = 3;
    mnu.LEVEL3->setChecked(true);
    SENTE = 1;
    GOTE = -1;
    bg_colour = GREEN;
    grid_colour = GREEN;
    guide_colour = GREEN;
    com_side = SENTE;
    man_side = GOTE;

    // 3. The client area's background colour (the menu bar keeps the desktop's look).
    QPalette pal = view->palette();
    pal.setColor(QPalette::Window, 色_RGB(bg_colour));
    view->setPalette(pal);

    // 4. The grid.
    board_left = 1050;
    board_top = 100;
    cell_w = 495;
    cell_h = 615;

    // 5, 6. Saved options, then the first game.
    読込_環境設定ファイル();
    初期設定();

    // 7. Top-left corner of the screen, 9000 x 8000 twips of client area,
    // unless the window's top edge already stands at -60 twips. The window
    // opens at that size each time; it may grow, never below it.
    resize(sizeHint());
    place_pending = true;
    配置_ウィンドウ();
    // A screen of another scale or size: the window fits again, its canvas made at the new ratio.
    auto watch = [this](QScreen* s) {
        auto fit = [this, s] {
            if (s != screen()) return;
            収める_ウィンドウ();
            調整_表示倍率();
        };
        connect(s, &QScreen::availableGeometryChanged, this, fit);
        connect(s, &QScreen::logicalDotsPerInchChanged, this, fit);
        connect(s, &QScreen::physicalDotsPerInchChanged, this, fit);
    };
    for (QScreen* s : QGuiApplication::screens()) watch(s);
    connect(qApp, &QGuiApplication::screenAdded, this, watch);
    if (QWindow* w = windowHandle())
        connect(w, &QWindow::screenChanged, this, [this] {
            収める_ウィンドウ();
            調整_表示倍率();
        });
    収める_ウィンドウ();
}

void Form1::収める_ウィンドウ() {
    const QScreen* s = screen();
    if (!s || !view) return;
    const QRect area = s->availableGeometry();
    // The screen's own ratio: a window may learn of a new scale later than its screen.
    const qreal dpr = s->devicePixelRatio();
    // Never below the default size, unless the screen at its scale is too small for it.
    view_scale_min = 倍率_画面に収まる(area.size(), dpr) / dpr;
    view->setMinimumSize(
        QSizeF(QSizeF(CLIENT_W_TWIPS, CLIENT_H_TWIPS) / TWIPS_PER_PIXEL * view_scale_min).toSize());
    if (!isVisible()) return;
    // A size the compositor gave while the smallest was still the larger one is taken now.
    const QSize beside = frameGeometry().size() - size();
    if (isFullScreen() || isMaximized()) {
        resize((isFullScreen() ? s->geometry().size() : area.size() - beside).expandedTo(minimumSize()));
        return;
    }
    if (place_pending) return;
    const QRect frame = frameGeometry();
    if (area.contains(frame)) return;
    resize(size().boundedTo(area.size() - beside).expandedTo(minimumSize()));
    const QSize outer = size() + beside;
    move(std::clamp(frame.x(), area.left(), std::max(area.left(), area.right() + 1 - outer.width())),
         std::clamp(frame.y(), area.top(), std::max(area.top(), area.bottom() + 1 - outer.height())));
}

void Form1::配置_ウィンドウ() {
    if (!place_pending) return;
    // The corner is the screen's available area's: a desktop's top bar or
    // dock keeps its place, and the window's title bar stays where it can be
    // dragged. Without bars it is the screen's own corner.
    const QPoint corner = screen() ? screen()->availableGeometry().topLeft() : QPoint(0, 0);
    // The top edge is the frame's: the title bar stands on the screen.
    const QRect frame = frameGeometry();
    if (frame.y() - corner.y() == kKeepTopTwips / TWIPS_PER_PIXEL) {
        place_pending = false;
        return;
    }
    // Until a window manager has framed the window its frame is not known, and
    // a move would place the client area, not the frame: the manager's first
    // placement brings the window back here. Without a window manager there is
    // no frame, and the client area stands at the corner already.
    if (frame == geometry()) return;
    if (frame.topLeft() != corner)
        move(corner);
    else if (isVisible())
        place_pending = false;
}

qreal Form1::倍率_画面に収まる(QSize 使える大きさ, qreal 倍率) {
    // The client area, the menu bar and room for a window manager's frame.
    constexpr int kMenuBar = 20, kFrameW = 8, kFrameH = 40;
    const QSize needed(CLIENT_W_TWIPS / TWIPS_PER_PIXEL + kFrameW,
                       CLIENT_H_TWIPS / TWIPS_PER_PIXEL + kMenuBar + kFrameH);
    if (倍率 <= 1 || 使える大きさ.isEmpty()) return 倍率;
    if (使える大きさ.width() >= needed.width() && 使える大きさ.height() >= needed.height()) return 倍率;
    // In device pixels the area stays what it is whatever the ratio.
    const qreal fit = 倍率 * std::min(qreal(使える大きさ.width()) / needed.width(),
                                      qreal(使える大きさ.height()) / needed.height());
    return std::max<qreal>(1.0, std::floor(fit * 4 + 1e-9) / 4);
}

void Form1::moveEvent(QMoveEvent* e) {
    QMainWindow::moveEvent(e);
    配置_ウィンドウ();
}

void Form1::showEvent(QShowEvent* e) {
    QMainWindow::showEvent(e);
    配置_ウィンドウ();
}

void Form1::終了処理() {
    if (terminated) return;
    terminated = true;
    if (Timer1) Timer1->stop();
    auto free_buffer = [this](SoundLibrary::Handle h) {
        if (module1.ds.dsFree) module1.ds.dsFree(h);
    };
    free_buffer(snd_other);
    free_buffer(snd_forbidden);
    free_buffer(snd_place);
    free_buffer(snd_bgm);
    module1.sound_term();
}

void Form1::OWARI_Click() {
    終了処理();
    quit_program();
}

void Form1::Form_Unload() {
    終了処理();
    quit_program();
}

void Form1::Form_KeyPress(int KeyAscii) {
    if (KeyAscii != kKeyEsc) return;
    終了処理();
    quit_program();
}

void Form1::VER_Click() {
    描画_可視(false, false, false);
    描画_棋譜_IO(1);
    再生(snd_other);
    MsgBox(kAboutText, QStringLiteral("Velmora"));
}

void Form1::closeEvent(QCloseEvent* e) {
    Form_Unload();
    e->accept();
}

void Form1::keyPressEvent(QKeyEvent* e) {
    // A key pressed in the record-file panel (Esc included) belongs to that
    // control; the window, the board and the idle menu bar take Esc as the
    // order to end (an open menu or the bar's keyboard mode keeps its keys).
    const QWidget* owner = focusWidget();
    if (owner && owner != this && owner != centralWidget() && owner != menuBar() && owner->isVisibleTo(this))
        return;
    if (e->key() == Qt::Key_Escape) {
        Form_KeyPress(kKeyEsc);
        return;
    }
    const QString t = e->text();
    if (!t.isEmpty()) Form_KeyPress(t.at(0).unicode());
}
