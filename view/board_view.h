// The client area: shows the retained canvas, at its own size or larger,
// and turns presses into twips.
#pragma once

#include <QWidget>

class Form1;
class QAction;
class QString;

// Puts the board's and the commands' accessibility interfaces in place (once).
void 準備_アクセス();
// The board's names are told to a screen reader once the current event is over.
void 予約_アクセス通知(Form1& f);
// The words a screen reader says for a menu-bar command shown as one glyph.
void 設定_コマンド説明(QAction* a, const QString& words);

class BoardView : public QWidget {
public:
    BoardView(Form1& form, QWidget* parent);
    Form1& form() const { return form_; }
    QSize sizeHint() const override;

protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void childEvent(QChildEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    // The backdrop's tiles around the canvas, on the canvas's grid.
    void paint_margins(QPainter& p, const QRect& device) const;
    Form1& form_;
    // A key a panel control left unhandled comes on to the board: not the cursor's.
    const QEvent* child_key_ = nullptr;
    bool refit_pending_ = false;
};
