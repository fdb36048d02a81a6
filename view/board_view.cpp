#include "view/board_view.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <cmath>

#include "app/form1.h"
#include "view/pictures.h"

namespace {
constexpr int kCanvasW = Form1::CLIENT_W_TWIPS / Form1::TWIPS_PER_PIXEL;
constexpr int kCanvasH = Form1::CLIENT_H_TWIPS / Form1::TWIPS_PER_PIXEL;
}  // namespace

BoardView::BoardView(Form1& form, QWidget* parent) : QWidget(parent), form_(form) {
    setMinimumSize(kCanvasW, kCanvasH);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setAttribute(Qt::WA_OpaquePaintEvent);
    // The board holds the keyboard focus for the window, so the menu bar
    // hands the keys back to it when the user leaves the menus; a click on
    // the board takes the keys back from a panel field. Tab stays among the
    // panel's controls while the panel is open.
    setFocusPolicy(Qt::ClickFocus);
    準備_アクセス();
}

QSize BoardView::sizeHint() const { return {kCanvasW, kCanvasH}; }

bool BoardView::event(QEvent* e) {
    // Another screen, or the screen's scale changed: the canvas is made again.
    if (e->type() == QEvent::ScreenChangeInternal) form_.調整_表示倍率();
    return QWidget::event(e);
}

void BoardView::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    form_.調整_表示倍率();
}

void BoardView::paintEvent(QPaintEvent* e) {
    QPainter p(this);
    const qreal dpr = devicePixelRatioF();
    const QImage& canvas = form_.canvas;
    if (!qFuzzyCompare(dpr * form_.view_scale, form_.canvas_dpr)) {
        // The screen's ratio changed without a word: until the canvas is made
        // again at the new ratio, it is shown scaled.
        if (!refit_pending_) {
            refit_pending_ = true;
            QTimer::singleShot(0, this, [this] {
                refit_pending_ = false;
                form_.調整_表示倍率();
            });
        }
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        const QSizeF shown = QSizeF(kCanvasW, kCanvasH) * form_.view_scale;
        p.fillRect(rect(), Form1::色_RGB(form_.bg_colour));
        p.drawImage(QRectF(QPointF((width() - shown.width()) / 2, (height() - shown.height()) / 2), shown),
                    canvas);
        return;
    }
    const QRect r = e->rect();
    const QRect device = QRectF(QPointF(r.topLeft()) * dpr, QSizeF(r.size()) * dpr).toAlignedRect();
    const QRect on_canvas(form_.view_origin, canvas.size());
    if (!on_canvas.contains(device)) paint_margins(p, device);
    // Device-pixel rectangles in logical units: the canvas is copied one to one.
    const QRect part = device & on_canvas;
    if (!part.isEmpty())
        p.drawImage(QRectF(QPointF(part.topLeft()) / dpr, QSizeF(part.size()) / dpr), canvas,
                    QRectF(part.translated(-form_.view_origin)));
}

void BoardView::paint_margins(QPainter& p, const QRect& device) const {
    const qreal dpr = devicePixelRatioF(), ratio = form_.canvas_dpr;
    const QImage& tile = form_.絵(form_.bg_kind);
    const QSize size = 寸法_絵(form_.bg_kind) * Form1::TWIPS_PER_PIXEL;
    if (tile.isNull() || size.isEmpty()) {
        p.fillRect(QRectF(QPointF(device.topLeft()) / dpr, QSizeF(device.size()) / dpr),
                   Form1::色_RGB(form_.bg_colour));
        return;
    }
    // Twips to device pixels of the window, as the canvas rounds them.
    auto dev = [ratio](double twips) { return qRound(twips / Form1::TWIPS_PER_PIXEL * ratio); };
    auto twips = [ratio](int d) { return d / ratio * Form1::TWIPS_PER_PIXEL; };
    const QPoint o = form_.view_origin;
    const int x0 =
        static_cast<int>(std::floor((twips(device.left() - o.x()) - form_.board_left) / form_.cell_w)) - 1;
    const int x1 =
        static_cast<int>(std::floor((twips(device.right() + 1 - o.x()) - form_.board_left) / form_.cell_w));
    const int y0 =
        static_cast<int>(std::floor((twips(device.top() - o.y()) - form_.board_top) / form_.cell_h)) - 1;
    const int y1 =
        static_cast<int>(std::floor((twips(device.bottom() + 1 - o.y()) - form_.board_top) / form_.cell_h));
    const QRect on_canvas(o, form_.canvas.size());
    // In the backdrop's own order (column by column), so overlapping tiles lie as on the canvas.
    for (int x = x0; x <= x1; ++x)
        for (int y = y0; y <= y1; ++y) {
            const double left = form_.board_left + double(x) * form_.cell_w;
            const double top = form_.board_top + double(y) * form_.cell_h;
            const int dx = dev(left), dy = dev(top);
            const QRect target(o.x() + dx, o.y() + dy, std::min(tile.width(), dev(left + size.width()) - dx),
                               std::min(tile.height(), dev(top + size.height()) - dy));
            if (!target.intersects(device) || on_canvas.contains(target)) continue;
            p.drawImage(QRectF(QPointF(target.topLeft()) / dpr, QSizeF(target.size()) / dpr), tile,
                        QRectF(0, 0, target.width(), target.height()));
        }
}

void BoardView::mousePressEvent(QMouseEvent* e) {
    const QPointF twips = form_.変換_twips(e->position());
    const int shift = (e->modifiers() & Qt::ShiftModifier ? 1 : 0) |
                      (e->modifiers() & Qt::ControlModifier ? 2 : 0) |
                      (e->modifiers() & Qt::AltModifier ? 4 : 0);
    form_.消去_カーソル();
    form_.Form_MouseDown(static_cast<int>(e->button()), shift, twips.x(), twips.y());
}

void BoardView::keyPressEvent(QKeyEvent* e) {
    // The cursor's keys come without modifiers (the keypad's included); the
    // rest, and Esc without a keyboard pick, go on to the window.
    const bool plain = (e->modifiers() & ~Qt::KeypadModifier) == 0;
    const bool from_child = e == child_key_;
    child_key_ = nullptr;
    if (plain && !from_child && form_.盤_キー(e->key(), e->text())) {
        e->accept();
        return;
    }
    QWidget::keyPressEvent(e);
}

void BoardView::focusInEvent(QFocusEvent* e) {
    QWidget::focusInEvent(e);
    form_.通知_カーソル();
}

void BoardView::childEvent(QChildEvent* e) {
    if (e->added() && e->child()->isWidgetType()) e->child()->installEventFilter(this);
    QWidget::childEvent(e);
}

bool BoardView::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() == QEvent::KeyPress)
        child_key_ = e;
    else if (e->type() == QEvent::KeyRelease)
        child_key_ = nullptr;
    return QWidget::eventFilter(watched, e);
}
