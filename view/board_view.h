// The client area: shows the retained canvas and turns presses into twips.
#pragma once

#include <QWidget>

class Form1;

class BoardView : public QWidget {
public:
    BoardView(Form1& form, QWidget* parent);

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;

private:
    Form1& form_;
};
