#include "view/board_view.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include "app/form1.h"

BoardView::BoardView(Form1& form, QWidget* parent) : QWidget(parent), form_(form) {
    setFixedSize(Form1::CLIENT_W_TWIPS / Form1::TWIPS_PER_PIXEL,
                 Form1::CLIENT_H_TWIPS / Form1::TWIPS_PER_PIXEL);
    setAttribute(Qt::WA_OpaquePaintEvent);
    // The board holds the keyboard focus for the window, so the menu bar
    // hands the keys back to it when the user leaves the menus; a click on
    // the board takes the keys back from a panel field. Tab stays among the
    // panel's controls while the panel is open.
    setFocusPolicy(Qt::ClickFocus);
    準備_アクセス();
}

void BoardView::paintEvent(QPaintEvent* e) {
    QPainter p(this);
    const QRect r = e->rect();
    // Only when the window has moved to a screen of another density is the canvas scaled.
    if (!qFuzzyCompare(devicePixelRatioF(), form_.canvas_dpr))
        p.setRenderHint(QPainter::SmoothPixmapTransform);
    // The canvas carries its device pixel ratio, so logical rectangles match.
    p.drawImage(r, form_.canvas, QRectF(r.topLeft() * form_.canvas_dpr, r.size() * form_.canvas_dpr));
}

void BoardView::mousePressEvent(QMouseEvent* e) {
    const QPointF pos = e->position();
    const int shift = (e->modifiers() & Qt::ShiftModifier ? 1 : 0) |
                      (e->modifiers() & Qt::ControlModifier ? 2 : 0) |
                      (e->modifiers() & Qt::AltModifier ? 4 : 0);
    form_.消去_カーソル();
    form_.Form_MouseDown(static_cast<int>(e->button()), shift, pos.x() * Form1::TWIPS_PER_PIXEL,
                         pos.y() * Form1::TWIPS_PER_PIXEL);
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
