// The client area: shows the retained canvas, at its own size or larger,
// and turns presses into twips.
#pragma once

#include <QWidget>

class Form1;

class BoardView : public QWidget {
public:
    BoardView(Form1& form, QWidget* parent);
    QSize sizeHint() const override;

protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;

private:
    // The backdrop's tiles around the canvas, on the canvas's grid.
    void paint_margins(QPainter& p, const QRect& device) const;
    Form1& form_;
    bool refit_pending_ = false;
};
