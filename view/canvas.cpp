// PLACEHOLDER: not built yet; replaced by the real procedures.
#include "app/form1.h"
#include <QPainter>

void Form1::準備_画面(qreal dpr) { canvas_dpr = dpr; canvas = QImage(QSize(600, 533) * dpr, QImage::Format_ARGB32_Premultiplied); canvas.setDevicePixelRatio(dpr); canvas.fill(Qt::darkGreen); }
const QImage& Form1::絵(int 駒種類) const { static QImage none; (void)駒種類; return none; }
void Form1::描画_絵(int, double, double) {}
void Form1::描画_桝輪郭(int, double, double) {}
void Form1::描画_数値(double, double, const QString&, int, int, int) {}
void Form1::描画_数値(double, double, int, int, int, int) {}
void Form1::描画_文字列(double, double, int, int, int) {}
void Form1::描画_テキスト(double, double, const QString&, int, int) {}
int Form1::色_文字() const { return bg_kind == BG_MIDORI ? LIGHT_BLUE : WHITE; }
int Form1::色_影() const { return bg_kind == BG_MIDORI ? GREY : BLACK; }
QColor Form1::色_RGB(int) { return QColor(0, 128, 0); }
