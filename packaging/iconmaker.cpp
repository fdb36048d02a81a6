// Draws Velmora's application icon: a pale-yellow five-sided piece on a wood
// square, bearing the chairman's letter 会 in black Mincho.
//
//   velmora_iconmaker <out folder>          writes <out>/<N>x<N>/apps/<id>.png for every
//                                           size and <out>/scalable/apps/<id>.svg
//   velmora_iconmaker --check <out folder>  reads the pictures back and checks them
//
// Every size is painted at its own size on whole pixels, not shrunk from a big one,
// so the edges stay sharp at 16 pixels too.
#include <QDir>
#include <QFile>
#include <QFont>
#include <QFontInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QTextStream>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

const char* const ICON_ID = "org.example.Velmora";
const std::array<int, 7> ICON_SIZES = {16, 24, 32, 48, 64, 128, 256};
const char* const GLYPH = "会";
const char* const GLYPH_FONT = "IPAPMincho";

const QColor WOOD(0xc8, 0x8a, 0x45);
const QColor WOOD_EDGE(0x7a, 0x4a, 0x1c);
const QColor WOOD_GRAIN(0xb0, 0x74, 0x35);
const QColor PIECE(0xfb, 0xee, 0xb0);
const QColor PIECE_EDGE(0x5c, 0x3a, 0x12);
const QColor INK(0x00, 0x00, 0x00);

// Small icons give the piece almost the whole square so the letter keeps a few pixels.
bool small(double s) { return s <= 24; }

double piece_pen(double s) { return s <= 64 ? 1.0 : s / 64; }

// The piece as fractions of the icon: apex, shoulders, foot; narrower at the top like a shogi piece.
QPolygonF piece_outline(double s) {
    const double wide[5][2] = {{0.50, 0.05}, {0.84, 0.21}, {0.92, 0.95}, {0.08, 0.95}, {0.16, 0.21}};
    const double normal[5][2] = {{0.50, 0.09}, {0.79, 0.25}, {0.86, 0.91}, {0.14, 0.91}, {0.21, 0.25}};
    // Corners on pixel centres for a one-pixel outline, on pixel corners for even ones.
    const double snap = piece_pen(s) == 1.0 ? 0.5 : 0.0;
    QPolygonF p;
    for (const auto& xy : small(s) ? wide : normal)
        p << QPointF(std::round(xy[0] * s - snap) + snap, std::round(xy[1] * s - snap) + snap);
    return p;
}

// The glyph outline scaled into the piece's lower body, centred; font metrics
// differ between versions, so the box is fitted to the drawn outline itself.
QPainterPath glyph_path(double s) {
    QFont font(GLYPH_FONT);
    font.setPixelSize(200);
    QPainterPath raw;
    raw.addText(0, 0, font, QString::fromUtf8(GLYPH));
    const QRectF box = raw.boundingRect();
    const QRectF target = small(s) ? QRectF(0.17 * s, 0.30 * s, 0.66 * s, 0.60 * s)
                                   : QRectF(0.26 * s, 0.36 * s, 0.48 * s, 0.46 * s);
    const double k = std::min(target.width() / box.width(), target.height() / box.height());
    QTransform t;
    t.translate(target.center().x(), target.center().y());
    t.scale(k, k);
    t.translate(-box.center().x(), -box.center().y());
    return t.map(raw);
}

// Rounding of the wood square, in pixels.
double corner(int n) { return n <= 24 ? n / 8.0 : n / 10.0; }

QImage draw_icon(int n) {
    QImage img(n, n, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);

    // The wood square fills the icon, its edge line wholly inside the picture.
    const double edge = n <= 24 ? 1.0 : n / 32.0;
    const QRectF square(edge / 2, edge / 2, n - edge, n - edge);
    p.setPen(QPen(WOOD_EDGE, edge));
    p.setBrush(WOOD);
    p.drawRoundedRect(square, corner(n), corner(n));
    if (n >= 48) {
        // A few grain lines; at small sizes they would only blur the piece.
        QPainterPath clip;
        clip.addRoundedRect(square.adjusted(edge, edge, -edge, -edge), corner(n), corner(n));
        p.save();
        p.setClipPath(clip);
        p.setPen(QPen(WOOD_GRAIN, n / 96.0));
        for (int i = 1; i < 8; ++i) {
            const double y = n * i / 8.0;
            QPainterPath grain;
            grain.moveTo(0, y);
            grain.cubicTo(n * 0.3, y - n * 0.03, n * 0.6, y + n * 0.03, n, y - n * 0.01);
            p.drawPath(grain);
        }
        p.restore();
    }

    p.setPen(QPen(PIECE_EDGE, piece_pen(n), Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    p.setBrush(PIECE);
    p.drawPolygon(piece_outline(n));

    const QPainterPath glyph = glyph_path(n);
    p.setPen(Qt::NoPen);
    p.setBrush(INK);
    p.drawPath(glyph);
    if (n <= 64) {
        // Smaller sizes: thicken the strokes so the letter still reads.
        p.setPen(QPen(INK, n <= 32 ? n / 48.0 : n / 96.0));
        p.setBrush(Qt::NoBrush);
        p.drawPath(glyph);
    }
    return img;
}

QString svg_path_data(const QPainterPath& path) {
    QString d;
    QTextStream out(&d);
    out.setRealNumberPrecision(2);
    out.setRealNumberNotation(QTextStream::FixedNotation);
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPainterPath::Element e = path.elementAt(i);
        switch (e.type) {
            case QPainterPath::MoveToElement:
                out << 'M' << e.x << ' ' << e.y;
                break;
            case QPainterPath::LineToElement:
                out << 'L' << e.x << ' ' << e.y;
                break;
            case QPainterPath::CurveToElement: {
                const QPainterPath::Element c2 = path.elementAt(i + 1);
                const QPainterPath::Element to = path.elementAt(i + 2);
                out << 'C' << e.x << ' ' << e.y << ' ' << c2.x << ' ' << c2.y << ' ' << to.x << ' ' << to.y;
                i += 2;
                break;
            }
            case QPainterPath::CurveToDataElement:
                break;
        }
    }
    return d;
}

// The same drawing as a vector picture; the glyph goes in as outlines so the
// picture does not depend on the fonts of the machine that shows it.
QString draw_svg() {
    const int n = 256;
    const QPolygonF piece = piece_outline(n);
    QString points;
    for (const QPointF& pt : piece) points += QString("%1,%2 ").arg(pt.x()).arg(pt.y());
    const QPainterPath glyph = glyph_path(n);
    QString grain;
    for (int i = 1; i < 8; ++i) {
        const double y = n * i / 8.0;
        grain += QString("<path d=\"M0 %1C%2 %3 %4 %5 %6 %7\"/>")
                     .arg(y)
                     .arg(n * 0.3)
                     .arg(y - n * 0.03)
                     .arg(n * 0.6)
                     .arg(y + n * 0.03)
                     .arg(n)
                     .arg(y - n * 0.01);
    }
    return QString(
               "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
               "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"256\" height=\"256\" viewBox=\"0 0 256 "
               "256\">\n"
               "<defs><clipPath id=\"board\"><rect x=\"8\" y=\"8\" width=\"240\" height=\"240\" "
               "rx=\"25.6\"/></clipPath></defs>\n"
               "<rect x=\"4\" y=\"4\" width=\"248\" height=\"248\" rx=\"25.6\" fill=\"%1\" stroke=\"%2\" "
               "stroke-width=\"8\"/>\n"
               "<g clip-path=\"url(#board)\" fill=\"none\" stroke=\"%3\" stroke-width=\"2.67\">%4</g>\n"
               "<polygon points=\"%5\" fill=\"%6\" stroke=\"%7\" stroke-width=\"4\" "
               "stroke-linejoin=\"miter\"/>\n"
               "<path fill=\"%8\" fill-rule=\"%9\" d=\"%10\"/>\n"
               "</svg>\n")
        .arg(WOOD.name(), WOOD_EDGE.name(), WOOD_GRAIN.name(), grain, points.trimmed(), PIECE.name(),
             PIECE_EDGE.name(), INK.name(), glyph.fillRule() == Qt::WindingFill ? "nonzero" : "evenodd",
             svg_path_data(glyph));
}

QString png_name(const QString& dir, int n) {
    return QString("%1/%2x%2/apps/%3.png").arg(dir).arg(n).arg(ICON_ID);
}

QString svg_name(const QString& dir) { return QString("%1/scalable/apps/%2.svg").arg(dir, ICON_ID); }

int make(const QString& dir) {
    QFont probe(GLYPH_FONT);
    if (QFontInfo(probe).family() != GLYPH_FONT) {
        std::fprintf(stderr, "iconmaker: the font %s is missing (Debian package fonts-ipafont-mincho)\n",
                     GLYPH_FONT);
        return 1;
    }
    for (int n : ICON_SIZES) {
        const QString name = png_name(dir, n);
        QDir().mkpath(QFileInfo(name).path());
        if (!draw_icon(n).save(name, "PNG")) {
            std::fprintf(stderr, "iconmaker: cannot write %s\n", qPrintable(name));
            return 1;
        }
    }
    const QString name = svg_name(dir);
    QDir().mkpath(QFileInfo(name).path());
    QFile svg(name);
    if (!svg.open(QIODevice::WriteOnly | QIODevice::Truncate) || svg.write(draw_svg().toUtf8()) < 0) {
        std::fprintf(stderr, "iconmaker: cannot write %s\n", qPrintable(name));
        return 1;
    }
    return 0;
}

bool near(QRgb a, QColor b) {
    return std::abs(qRed(a) - b.red()) + std::abs(qGreen(a) - b.green()) + std::abs(qBlue(a) - b.blue()) <
               24 &&
           qAlpha(a) == 255;
}

// Reads every picture back: right size, wood in the corner band, piece colour
// and ink inside the piece, transparent just outside the rounded corners.
int check(const QString& dir) {
    int faults = 0;
    auto fault = [&](const QString& what) {
        std::fprintf(stderr, "iconmaker --check: %s\n", qPrintable(what));
        ++faults;
    };
    for (int n : ICON_SIZES) {
        const QString name = png_name(dir, n);
        QImage img(name);
        if (img.isNull()) {
            fault(name + ": not a readable picture");
            continue;
        }
        if (img.size() != QSize(n, n)) {
            fault(QString("%1: %2x%3, not %4x%4").arg(name).arg(img.width()).arg(img.height()).arg(n));
            continue;
        }
        img = img.convertToFormat(QImage::Format_ARGB32);
        if (qAlpha(img.pixel(0, 0)) != 0)
            fault(name + ": the corner outside the rounded square is not transparent");
        const QRgb top_left = img.pixel(n / 8, n / 8);
        if (!near(top_left, WOOD) && !near(top_left, WOOD_GRAIN))
            fault(name + ": no wood beside the piece's shoulder");
        int piece = 0, ink = 0, inside = 0;
        const QPolygonF body = piece_outline(n);
        for (int y = 0; y < n; ++y)
            for (int x = 0; x < n; ++x) {
                if (!body.containsPoint(QPointF(x + 0.5, y + 0.5), Qt::OddEvenFill)) continue;
                ++inside;
                const QRgb c = img.pixel(x, y);
                if (near(c, PIECE)) ++piece;
                if (qGray(c) < 64 && qAlpha(c) == 255) ++ink;
            }
        // The letter covers a fair part of the piece, never most of it; at 16 pixels
        // its strokes are mostly grey, so little of it counts as ink.
        if (piece * 100 < inside * 25)
            fault(QString("%1: piece colour on only %2 of %3 pixels").arg(name).arg(piece).arg(inside));
        if (ink * 100 < inside * 5 || ink * 100 > inside * 50)
            fault(QString("%1: ink on %2 of %3 piece pixels").arg(name).arg(ink).arg(inside));
    }
    QFile svg(svg_name(dir));
    if (!svg.open(QIODevice::ReadOnly)) {
        fault(svg_name(dir) + ": missing");
    } else {
        const QByteArray text = svg.readAll();
        if (!text.startsWith("<?xml") || !text.contains("<svg") || !text.trimmed().endsWith("</svg>") ||
            !text.contains("fill-rule"))
            fault(svg_name(dir) + ": not a complete picture");
    }
    return faults == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 2) return make(args[1]);
    if (args.size() == 3 && args[1] == "--check") return check(args[2]);
    std::fprintf(stderr, "usage: velmora_iconmaker [--check] <folder>\n");
    return 2;
}
