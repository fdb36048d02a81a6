// The pictures are painted in logical pixels onto images of the canvas's
// device pixel ratio, so they stay crisp on high-density screens. Every
// random-looking detail comes from a fixed seed: the same picture every run.
#include "view/pictures.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "app/form1.h"
#include "view/face.h"

namespace {

// A tiny deterministic generator for grain, weave and stars.
struct Seeded {
    std::uint32_t s;
    explicit Seeded(std::uint32_t seed) : s(seed) {}
    std::uint32_t next() {
        s = s * 1664525u + 1013904223u;
        return s >> 8;
    }
    double uniform(double lo, double hi) { return lo + (hi - lo) * (next() % 100000) / 100000.0; }
};

// 96 dots per inch: text keeps its size against the picture whatever the screen's font resolution.
constexpr int kDotsPerMeter96 = 3780;

QImage blank(int w, int h, qreal dpr) {
    QImage img(画素数_被覆(w, dpr), 画素数_被覆(h, dpr), QImage::Format_ARGB32_Premultiplied);
    img.setDevicePixelRatio(dpr);
    img.setDotsPerMeterX(kDotsPerMeter96);
    img.setDotsPerMeterY(kDotsPerMeter96);
    img.fill(Qt::transparent);
    return img;
}

// The painting covers w x h logical pixels; the device pixels beyond them,
// whole or in part, repeat the last whole column and row, so a picture is
// opaque to its last pixel.
QImage padded(QImage img, int w, int h) {
    const qreal dpr = img.devicePixelRatio();
    const int full_w = std::max(1, static_cast<int>(std::floor(w * dpr + 1e-6)));
    const int full_h = std::max(1, static_cast<int>(std::floor(h * dpr + 1e-6)));
    for (int y = 0; y < std::min(full_h, img.height()); ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = full_w; x < img.width(); ++x) line[x] = line[full_w - 1];
    }
    for (int y = full_h; y < img.height(); ++y)
        std::memcpy(img.scanLine(y), img.constScanLine(full_h - 1), static_cast<size_t>(img.bytesPerLine()));
    return img;
}

QFont face(double pixels, bool bold) {
    QFont f(書体_文字());
    // Pixel sizes are whole numbers; points reach the sizes in between (96 dpi images).
    f.setPointSizeF(pixels * 72.0 / 96.0);
    f.setBold(bold);
    f.setStyleStrategy(QFont::PreferAntialias);
    return f;
}

// Light wood with soft wavy grain, running down the square.
void paint_wood(QPainter& p, double w, double h) {
    QLinearGradient base(0, 0, w, 0);
    base.setColorAt(0.0, QColor(226, 190, 132));
    base.setColorAt(0.45, QColor(238, 206, 154));
    base.setColorAt(1.0, QColor(228, 193, 137));
    p.fillRect(QRectF(0, 0, w, h), base);
    Seeded r(20010301u);
    for (int i = 0; i < 11; ++i) {
        const double x0 = r.uniform(-1, w + 1);
        const double amp = r.uniform(0.4, 1.6);
        const double freq = r.uniform(0.08, 0.2);
        const double phase = r.uniform(0, 6.28);
        const int alpha = static_cast<int>(r.uniform(35, 95));
        QPainterPath path;
        for (double y = -1; y <= h + 1; y += 1.0) {
            const double x = x0 + amp * std::sin(y * freq + phase);
            if (y < 0)
                path.moveTo(x, y);
            else
                path.lineTo(x, y);
        }
        p.setPen(QPen(QColor(160, 112, 58, alpha), r.uniform(0.5, 1.1)));
        p.setBrush(Qt::NoBrush);
        p.drawPath(path);
    }
}

QImage empty_square(qreal dpr) {
    QImage img = blank(PICTURE_CELL_W, PICTURE_CELL_H, dpr);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    paint_wood(p, PICTURE_CELL_W, PICTURE_CELL_H);
    return img;
}

// The minus player's piece: a pale yellow pentagon pointing up the screen,
// the higher the rank the larger, with the title written top to bottom.
QImage minus_piece(int kind, qreal dpr) {
    QImage img = empty_square(dpr);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    const double w = 21.5 + kind * 0.95;
    const double h = 29.0 + kind * 1.0;
    const double cx = PICTURE_CELL_W / 2.0;
    const double bottom = PICTURE_CELL_H - 1.5;
    const double top = bottom - h;
    const double shoulder = top + h * 0.22;
    QPolygonF shape;
    shape << QPointF(cx, top) << QPointF(cx + w * 0.42, shoulder) << QPointF(cx + w / 2, bottom)
          << QPointF(cx - w / 2, bottom) << QPointF(cx - w * 0.42, shoulder);

    p.setPen(Qt::NoPen);
    p.setBrush(QColor(70, 40, 10, 70));
    p.drawPolygon(shape.translated(0.8, 0.9));

    QLinearGradient body(cx - w / 2, top, cx + w / 2, bottom);
    body.setColorAt(0.0, QColor(255, 246, 196));
    body.setColorAt(1.0, QColor(240, 218, 146));
    p.setBrush(body);
    p.setPen(QPen(QColor(150, 108, 48), 0.8));
    p.drawPolygon(shape);

    const bool red = kind == Form1::SECRETARY;
    p.setPen(red ? QColor(200, 16, 16) : QColor(24, 18, 12));
    const double glyph = 10.5 + kind * 0.22;
    p.setFont(face(glyph, true));
    const QString title = QString::fromUtf8(kRankTitles[kind]);
    const double text_top = shoulder - 1.0;
    const double slot = (bottom - 1.5 - text_top) / 2.0;
    for (int i = 0; i < 2; ++i)
        p.drawText(QRectF(cx - w / 2, text_top + i * slot, w, slot), Qt::AlignCenter, title.mid(i, 1));
    return img;
}

// 労働: a deep golden tile with the yellow slogan in two columns, read right to left.
QImage tile_work(qreal dpr) {
    QImage img = blank(PICTURE_TILE_W, PICTURE_TILE_H, dpr);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    QLinearGradient gold(0, 0, 0, PICTURE_TILE_H);
    gold.setColorAt(0.0, QColor(176, 124, 18));
    gold.setColorAt(0.5, QColor(150, 100, 10));
    gold.setColorAt(1.0, QColor(176, 124, 18));
    p.fillRect(QRectF(0, 0, PICTURE_TILE_W, PICTURE_TILE_H), gold);

    const double glyph = 7.6;
    const QFont f = face(glyph, true);
    const QString right = QStringLiteral("時間");
    const QString left = QStringLiteral("働けますか");
    auto column = [&](double x, double y, const QString& chars, double step) {
        for (int i = 0; i < chars.size(); ++i) {
            const QRectF box(x, y + i * step, 10, step);
            p.setPen(QColor(80, 50, 0));
            p.drawText(box.translated(0.5, 0.5), Qt::AlignCenter, chars.mid(i, 1));
            p.setPen(QColor(255, 240, 40));
            p.drawText(box, Qt::AlignCenter, chars.mid(i, 1));
        }
    };
    // The number stands upright across the column, as vertical writing does.
    p.setFont(face(6.5, true));
    const QRectF number_box(19.5, 1.0, 12, 8);
    p.setPen(QColor(80, 50, 0));
    p.drawText(number_box.translated(0.5, 0.5), Qt::AlignCenter, QStringLiteral("24"));
    p.setPen(QColor(255, 240, 40));
    p.drawText(number_box, Qt::AlignCenter, QStringLiteral("24"));
    p.setFont(f);
    column(20.5, 9.0, right, 8.0);
    column(5.5, 0.5, left, 8.0);
    return img;
}

// 畳: yellow-green rush matting, woven in fine horizontal rows.
QImage tile_tatami(qreal dpr) {
    QImage img = blank(PICTURE_TILE_W, PICTURE_TILE_H, dpr);
    QPainter p(&img);
    p.fillRect(QRectF(0, 0, PICTURE_TILE_W, PICTURE_TILE_H), QColor(150, 164, 82));
    Seeded r(19u);
    for (double y = 0; y < PICTURE_TILE_H; y += 1.5) {
        const int shade = static_cast<int>(r.uniform(-10, 10));
        const bool odd = static_cast<int>(y / 1.5) % 2;
        p.fillRect(QRectF(0, y, PICTURE_TILE_W, 0.75),
                   QColor(odd ? 166 + shade : 140 + shade, odd ? 178 + shade : 154 + shade, odd ? 98 : 74));
    }
    // The warp threads that hold the rush, every eleven pixels.
    for (double x = 5; x < PICTURE_TILE_W; x += 11)
        p.fillRect(QRectF(x, 0, 0.5, PICTURE_TILE_H), QColor(110, 124, 58, 150));
    return img;
}

// 竹: two green bamboo stems with their joints on a pale sky.
QImage tile_bamboo(qreal dpr) {
    QImage img = blank(PICTURE_TILE_W, PICTURE_TILE_H, dpr);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(QRectF(0, 0, PICTURE_TILE_W, PICTURE_TILE_H), QColor(214, 232, 196));
    struct Stem {
        double x, w, joint;
    };
    const Stem stems[] = {{2.5, 10.0, 13.0}, {19.0, 11.0, 30.0}};
    for (const Stem& s : stems) {
        QLinearGradient g(s.x, 0, s.x + s.w, 0);
        g.setColorAt(0.0, QColor(46, 110, 32));
        g.setColorAt(0.35, QColor(120, 186, 80));
        g.setColorAt(1.0, QColor(36, 92, 26));
        p.fillRect(QRectF(s.x, 0, s.w, PICTURE_TILE_H), g);
        // A joint: a dark ring with a light ridge just below it.
        p.fillRect(QRectF(s.x - 0.5, s.joint, s.w + 1, 1.2), QColor(30, 70, 20));
        p.fillRect(QRectF(s.x, s.joint + 1.2, s.w, 1.0), QColor(160, 210, 120));
    }
    // A thin leaf between the stems.
    QPainterPath leaf;
    leaf.moveTo(13.5, 20);
    leaf.quadTo(16, 16, 19, 15.5);
    leaf.quadTo(16.5, 19, 13.5, 20);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(70, 140, 50));
    p.drawPath(leaf);
    return img;
}

// 宇宙: black sky with white stars, always the same ones.
QImage tile_space(qreal dpr) {
    QImage img = blank(PICTURE_TILE_W, PICTURE_TILE_H, dpr);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(QRectF(0, 0, PICTURE_TILE_W, PICTURE_TILE_H), Qt::black);
    Seeded r(1969u);
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 9; ++i) {
        // Keep stars off the overlapping last column so the tiles join.
        const double x = r.uniform(1, PICTURE_TILE_W - 2);
        const double y = r.uniform(1, PICTURE_TILE_H - 1);
        const int grey = static_cast<int>(r.uniform(150, 255));
        p.setBrush(QColor(grey, grey, grey));
        p.drawEllipse(QPointF(x, y), 0.5, 0.5);
    }
    // One bright star with a soft glow.
    QRadialGradient glow(QPointF(22.5, 12.5), 3.0);
    glow.setColorAt(0.0, QColor(255, 255, 255, 255));
    glow.setColorAt(0.35, QColor(220, 230, 255, 160));
    glow.setColorAt(1.0, QColor(0, 0, 0, 0));
    p.setBrush(glow);
    p.drawEllipse(QPointF(22.5, 12.5), 3.0, 3.0);
    return img;
}

// 煉瓦: a red brick wall in running bond; the pattern repeats every 33 x 41 pixels.
QImage tile_brick(qreal dpr) {
    QImage img = blank(PICTURE_TILE_W, PICTURE_TILE_H, dpr);
    QPainter p(&img);
    const QColor mortar(196, 186, 170);
    p.fillRect(QRectF(0, 0, PICTURE_TILE_W, PICTURE_TILE_H), mortar);
    const double rows[] = {0, 10, 20, 30, 41};
    Seeded r(1887u);
    for (int row = 0; row < 4; ++row) {
        const double y = rows[row] + 1, h = rows[row + 1] - rows[row] - 1;
        const double offset = row % 2 ? 8.25 : 0;
        for (double x = offset - 16.5; x < PICTURE_TILE_W; x += 16.5) {
            const int shade = static_cast<int>(r.uniform(-18, 18));
            QLinearGradient g(0, y, 0, y + h);
            g.setColorAt(0.0, QColor(186 + shade, 72 + shade / 2, 52));
            g.setColorAt(1.0, QColor(150 + shade, 52 + shade / 2, 38));
            p.fillRect(QRectF(x + 1, y, 15.5, h), g);
        }
    }
    return img;
}

// The title plate: gold lettering on dark walnut inside a fine double frame.
QImage logo(qreal dpr) {
    QImage img = blank(PICTURE_LOGO_W, PICTURE_LOGO_H, dpr);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    const QRectF all(0, 0, PICTURE_LOGO_W, PICTURE_LOGO_H);
    QLinearGradient wood(0, 0, 0, PICTURE_LOGO_H);
    wood.setColorAt(0.0, QColor(74, 40, 22));
    wood.setColorAt(1.0, QColor(38, 18, 10));
    p.fillRect(all, wood);
    const QColor gold(214, 172, 76);
    p.setPen(QPen(gold, 1.0));
    p.setBrush(Qt::NoBrush);
    p.drawRect(all.adjusted(1.5, 1.5, -1.5, -1.5));
    p.setPen(QPen(QColor(214, 172, 76, 120), 0.6));
    p.drawRect(all.adjusted(3.5, 3.5, -3.5, -3.5));

    // The letters are placed one by one, 1.2 pixels apart beyond their own
    // advances (kerning kept): a font's letter spacing is lost when the
    // screen's font resolution is not 96 dpi.
    const QFont f = face(24, true);
    const QFontMetricsF fm(f, &img);
    const QString word = QStringLiteral("Velmora");
    constexpr double kSpacing = 1.2;
    const double width = fm.horizontalAdvance(word) + kSpacing * word.size();
    const QRectF text_box = all.adjusted(0, -1, 0, 0);
    const double left = text_box.center().x() - width / 2;
    const double baseline = text_box.center().y() + (fm.ascent() - fm.descent()) / 2;
    auto letters = [&](QPointF origin) {
        for (int i = 0; i < word.size(); ++i)
            p.drawText(origin + QPointF(fm.horizontalAdvance(word.left(i)) + kSpacing * i, 0),
                       word.mid(i, 1));
    };
    p.setFont(f);
    p.setPen(QColor(0, 0, 0, 160));
    letters(QPointF(left + 1, baseline + 1));
    QLinearGradient shine(0, 8, 0, 30);
    shine.setColorAt(0.0, QColor(255, 236, 160));
    shine.setColorAt(1.0, QColor(200, 146, 44));
    p.setPen(QPen(QBrush(shine), 1));
    letters(QPointF(left, baseline));
    return img;
}

}  // namespace

int 画素数_被覆(int logical, qreal dpr) {
    // A whole number of device pixels stays exact; a fraction takes the pixel it starts.
    return static_cast<int>(std::ceil(logical * dpr - 1e-6));
}

QSize 寸法_絵(int 駒種類) {
    if (駒種類 >= -Form1::CHAIRMAN && 駒種類 <= Form1::CHAIRMAN) return {PICTURE_CELL_W, PICTURE_CELL_H};
    if (駒種類 == Form1::PIC_LOGO) return {PICTURE_LOGO_W, PICTURE_LOGO_H};
    if (駒種類 >= Form1::BG_MIDORI && 駒種類 <= Form1::BG_RENGA) return {PICTURE_TILE_W, PICTURE_TILE_H};
    return {};
}

QImage 作成_絵(int 駒種類, qreal dpr) {
    const QSize size = 寸法_絵(駒種類);
    if (size.isEmpty()) return {};
    if (駒種類 >= Form1::SECRETARY) {
        // The plus player's piece is the minus player's turned through 180 degrees.
        if (駒種類 <= Form1::CHAIRMAN) {
            QImage turned = 作成_絵(-駒種類, dpr).transformed(QTransform().rotate(180));
            turned.setDevicePixelRatio(dpr);
            return turned;
        }
    }
    QImage img;
    if (駒種類 == Form1::EMPTY)
        img = empty_square(dpr);
    else if (駒種類 < 0)
        img = minus_piece(-駒種類, dpr);
    else
        switch (駒種類) {
            case Form1::PIC_LOGO:
                img = logo(dpr);
                break;
            case Form1::BG_MIDORI:
                img = tile_work(dpr);
                break;
            case Form1::BG_TATAMI:
                img = tile_tatami(dpr);
                break;
            case Form1::BG_TAKE:
                img = tile_bamboo(dpr);
                break;
            case Form1::BG_UCHU:
                img = tile_space(dpr);
                break;
            default:
                img = tile_brick(dpr);
                break;
        }
    return padded(std::move(img), size.width(), size.height());
}
