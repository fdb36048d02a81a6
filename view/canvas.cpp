// The retained canvas and the drawing primitives: pictures, square outlines
// and text, all placed on the twip grid and snapped to device pixels.
#include <QFontMetricsF>
#include <QPainter>
#include <QTransform>
#include <algorithm>
#include <cmath>

#include "app/form1.h"
#include "view/board_view.h"
#include "view/pictures.h"

namespace {
constexpr int kPictureIndexOffset = 9;  // pictures[code + 9]
constexpr int kLowestPicture = -9, kHighestPicture = 16;
constexpr int kCanvasW = Form1::CLIENT_W_TWIPS / Form1::TWIPS_PER_PIXEL;  // 600
constexpr int kCanvasH = Form1::CLIENT_H_TWIPS / Form1::TWIPS_PER_PIXEL;  // 533
// Text goes this far right of and below the grid point in 描画_文字列.
constexpr int kCaptionDX = 120, kCaptionDY = 160;

// The same rounding as every reader of the canvas: twips to pixels, then to device pixels.
int to_device(double twips, qreal dpr) { return qRound(twips / Form1::TWIPS_PER_PIXEL * dpr); }

// Opaque fill of device pixels, clipped to the image.
void fill_device(QImage& img, QRect r, QRgb colour) {
    r = r.intersected(img.rect());
    for (int y = r.top(); y <= r.bottom(); ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        std::fill(line + r.left(), line + r.right() + 1, colour);
    }
}

// The twips a drawing may reach beyond what it is given: an outline's width
// and half a device pixel of rounding, or a text's overhang.
constexpr int kOutlineReach = 38, kTextReach = 45, kRoundingReach = 8;
const QRect kCanvasTwips(0, 0, Form1::CLIENT_W_TWIPS, Form1::CLIENT_H_TWIPS);

// Keeps a drawing in the canvas's record; an opaque picture hides from the
// record whatever lies wholly under it (its rectangle in twips, exact, rounds
// to device pixels the same way at every ratio).
void 記録(Form1& f, Form1::描画記録 op, const QRect& reach, const QRect& covers = QRect()) {
    if (!reach.intersects(kCanvasTwips)) return;
    if (!covers.isEmpty()) {
        for (Form1::描画記録& old : f.canvas_log)
            if (old.shown.boundingRect().intersects(covers)) old.shown -= covers;
        std::erase_if(f.canvas_log, [](const Form1::描画記録& old) { return old.shown.isEmpty(); });
    }
    op.shown = QRegion(reach);
    f.canvas_log.push_back(std::move(op));
}

// Whether every pixel of a picture is opaque.
bool opaque(const QImage& img) {
    if (img.isNull()) return false;
    for (int y = 0; y < img.height(); ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(img.constScanLine(y));
        for (int x = 0; x < img.width(); ++x)
            if (qAlpha(line[x]) != 255) return false;
    }
    return true;
}

const char* const kKanjiDigits[10] = {"", "一", "二", "三", "四", "五", "六", "七", "八", "九"};

// 描画_文字列's fixed texts: the handicap grades from -10 to 10, and 99.
const char* const kHandicapTexts[21] = {
    "ﾊﾝﾃﾞｨｷｬｯﾌﾟ:名人", "ﾊﾝﾃﾞｨｷｬｯﾌﾟ:８段", "ﾊﾝﾃﾞｨｷｬｯﾌﾟ:７段", "ﾊﾝﾃﾞｨｷｬｯﾌﾟ:６段", "ﾊﾝﾃﾞｨｷｬｯﾌﾟ:５段",
    "ﾊﾝﾃﾞｨｷｬｯﾌﾟ:４段", "ﾊﾝﾃﾞｨｷｬｯﾌﾟ:３段", "ﾊﾝﾃﾞｨｷｬｯﾌﾟ:２段", "ﾊﾝﾃﾞｨｷｬｯﾌﾟ:初段", "ﾊﾝﾃﾞｨｷｬｯﾌﾟ:１級",
    "ﾊﾝﾃﾞｨｷｬｯﾌﾟ:２級", "ﾊﾝﾃﾞｨｷｬｯﾌﾟ:３級", "ﾊﾝﾃﾞｨｷｬｯﾌﾟ:４級", "ﾊﾝﾃﾞｨｷｬｯﾌﾟ:５級", "ﾊﾝﾃﾞｨｷｬｯﾌﾟ:６級",
    "ﾊﾝﾃﾞｨｷｬｯﾌﾟ:７級", "ﾊﾝﾃﾞｨｷｬｯﾌﾟ:８級", "ﾊﾝﾃﾞｨｷｬｯﾌﾟ:９級", "ﾊﾝﾃﾞｨｷｬｯﾌﾟ:10級", "ﾊﾝﾃﾞｨｷｬｯﾌﾟ:11級",
    "ﾊﾝﾃﾞｨｷｬｯﾌﾟ:12級"};
constexpr int kMoveSuffixCode = 99;
const char* const kMoveSuffix = "手目";
}  // namespace

void Form1::準備_画面(qreal dpr) {
    if (!(dpr > 0)) dpr = 1.0;
    canvas_dpr = dpr;
    canvas =
        QImage(画素数_被覆(kCanvasW, dpr), 画素数_被覆(kCanvasH, dpr), QImage::Format_ARGB32_Premultiplied);
    canvas.setDevicePixelRatio(dpr);
    canvas.fill(色_RGB(bg_colour));
    for (int code = kLowestPicture; code <= kHighestPicture; ++code) {
        QImage& pic = pictures[code + kPictureIndexOffset];
        if (code >= SECRETARY && code <= CHAIRMAN) {
            // A plus piece is its minus twin turned through 180 degrees: the twin,
            // made earlier in this loop, is turned instead of being painted again.
            pic = pictures[-code + kPictureIndexOffset].transformed(QTransform().rotate(180));
            pic.setDevicePixelRatio(dpr);
        } else {
            pic = 作成_絵(code, dpr);
        }
        picture_opaque[code + kPictureIndexOffset] = opaque(pic);
    }
    canvas_log.clear();
}

void Form1::再現_画面(qreal dpr) {
    const std::vector<描画記録> shown = std::move(canvas_log);
    準備_画面(dpr);
    const QFont font = text_font;
    for (const 描画記録& op : shown) switch (op.kind) {
            case 描画記録::PICTURE:
                描画_絵(op.code, op.x, op.y);
                break;
            case 描画記録::OUTLINE:
                描画_桝輪郭(op.code, op.x, op.y);
                break;
            case 描画記録::TEXT:
                text_font = op.font;
                描画_テキスト(op.x, op.y, op.text, op.code, op.points);
                break;
        }
    text_font = font;
}

void Form1::調整_表示倍率() {
    if (!view) return;
    const qreal dpr = view->devicePixelRatioF();
    const QSize area = view->size();
    const qreal fit = std::min(qreal(area.width()) / kCanvasW, qreal(area.height()) / kCanvasH);
    view_scale = std::max(view_scale_min, fit);
    if (!qFuzzyCompare(dpr * view_scale, canvas_dpr)) 再現_画面(dpr * view_scale);
    // Centred to the device pixel: the canvas is copied one to one.
    view_origin = QPoint(std::max(0, (qRound(area.width() * dpr) - canvas.width()) / 2),
                         std::max(0, (qRound(area.height() * dpr) - canvas.height()) / 2));
    配置_パネル();
    画面_無効化();
}

QPointF Form1::変換_twips(QPointF 位置) const {
    const qreal dpr = view ? view->devicePixelRatioF() : canvas_dpr;
    return (位置 - QPointF(view_origin) / dpr) * TWIPS_PER_PIXEL / view_scale;
}

QPointF Form1::変換_画面(QPointF twips) const {
    const qreal dpr = view ? view->devicePixelRatioF() : canvas_dpr;
    return twips * view_scale / TWIPS_PER_PIXEL + QPointF(view_origin) / dpr;
}

const QImage& Form1::絵(int 駒種類) const {
    static const QImage none;
    if (駒種類 < kLowestPicture || 駒種類 > kHighestPicture) return none;
    return pictures[駒種類 + kPictureIndexOffset];
}

void Form1::描画_絵(int 駒種類, double 座標X, double 座標Y) {
    if (canvas.isNull()) return;
    const QImage& pic = 絵(駒種類);
    if (pic.isNull()) return;
    const qreal dpr = canvas_dpr;
    const double left = board_left + 座標X * cell_w, top = board_top + 座標Y * cell_h;
    const QSize size = 寸法_絵(駒種類) * TWIPS_PER_PIXEL;
    const int dx = to_device(left, dpr);
    const int dy = to_device(top, dpr);
    // The picture reaches exactly to where its right and bottom edges round
    // to, so neighbours meet without a gap or a seam at any ratio.
    const int dw = std::min(pic.width(), to_device(left + size.width(), dpr) - dx);
    const int dh = std::min(pic.height(), to_device(top + size.height(), dpr) - dy);
    const QRect target(dx, dy, dw, dh);
    const QRectF twips(left, top, size.width(), size.height());
    記録(*this, {描画記録::PICTURE, 駒種類, 座標X, 座標Y}, twips.toAlignedRect(),
         picture_opaque[駒種類 - kLowestPicture]
             ? QRect(QPoint(std::ceil(left), std::ceil(top)),
                     QPoint(std::floor(twips.right()) - 1, std::floor(twips.bottom()) - 1))
             : QRect());
    if (dw <= 0 || dh <= 0 || !target.intersects(canvas.rect())) return;
    画面_無効化();
    QPainter p(&canvas);
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    // Device-pixel rectangles expressed in logical units: an exact one-to-one copy.
    p.drawImage(QRectF(dx / dpr, dy / dpr, dw / dpr, dh / dpr), pic, QRectF(0, 0, dw, dh));
    p.end();
    // A picture painted on the cursor's cell keeps the cursor on top.
    if (cursor_shown && 座標X == cursor_x && 座標Y == cursor_y) 描画_カーソル(true);
}

void Form1::描画_カーソル(bool 表示) {
    if (canvas.isNull()) return;
    const qreal dpr = canvas_dpr;
    const int x = cursor_x, y = cursor_y;
    const int x0 = to_device(board_left + x * cell_w, dpr);
    const int y0 = to_device(board_top + y * cell_h, dpr);
    const int x1 = to_device(board_left + (x + 1) * cell_w, dpr);
    const int y1 = to_device(board_top + (y + 1) * cell_h, dpr);
    const int lw = std::max(1, qRound(dpr));
    // Inside the grid line, which the selection and guidance outlines own.
    const QRect inside(x0 + lw, y0 + lw, x1 - x0 - lw, y1 - y0 - lw);
    画面_無効化();
    if (!表示) {
        // The cell's own picture, as the board and hands stand, within the grid line.
        int code = EMPTY;
        if (x >= 1 && x <= BOARD_N && y >= 1 && y <= BOARD_N)
            code = board[x][y];
        else if (x == HAND_PLUS_X && y >= 1 && y <= 8)
            code = hand_plus[9 - y] > 0 ? 9 - y : EMPTY;
        else if (x == HAND_MINUS_X && y >= 2 && y <= 9)
            code = hand_minus[y - 1] > 0 ? -(y - 1) : EMPTY;
        const QImage& pic = 絵(code);
        QPainter p(&canvas);
        p.setClipRect(
            QRectF(inside.x() / dpr, inside.y() / dpr, inside.width() / dpr, inside.height() / dpr));
        p.drawImage(QRectF(x0 / dpr, y0 / dpr, pic.width() / dpr, pic.height() / dpr), pic);
        return;
    }
    // A blue ring with a yellow lining: it stands out on the wood, on a pale
    // piece and beside the red and white outlines.
    const int gap = std::max(1, qRound(2 * dpr)), blue = std::max(2, qRound(2 * dpr)), yellow = lw;
    QRect r = inside.adjusted(gap, gap, -gap, -gap);
    const auto ring = [this](QRect box, int w, QRgb c) {
        fill_device(canvas, QRect(box.left(), box.top(), box.width(), w), c);
        fill_device(canvas, QRect(box.left(), box.bottom() - w + 1, box.width(), w), c);
        fill_device(canvas, QRect(box.left(), box.top(), w, box.height()), c);
        fill_device(canvas, QRect(box.right() - w + 1, box.top(), w, box.height()), c);
    };
    ring(r, blue, 色_RGB(LIGHT_BLUE).rgb());
    ring(r.adjusted(blue, blue, -blue, -blue), yellow, 色_RGB(YELLOW).rgb());
}

void Form1::描画_桝輪郭(int 描画色, double 座標X, double 座標Y) {
    if (canvas.isNull()) return;
    const qreal dpr = canvas_dpr;
    const int x0 = to_device(board_left + 座標X * cell_w, dpr);
    const int y0 = to_device(board_top + 座標Y * cell_h, dpr);
    const int x1 = to_device(board_left + (座標X + 1) * cell_w, dpr);
    const int y1 = to_device(board_top + (座標Y + 1) * cell_h, dpr);
    // One logical pixel wide; both corners are part of the outline.
    const int lw = std::max(1, qRound(dpr));
    const QRgb c = 色_RGB(描画色).rgb();
    const double left = board_left + 座標X * cell_w, top = board_top + 座標Y * cell_h;
    記録(*this, {描画記録::OUTLINE, 描画色, 座標X, 座標Y},
         QRectF(left, top, cell_w, cell_h)
             .toAlignedRect()
             .adjusted(-kRoundingReach, -kRoundingReach, kOutlineReach, kOutlineReach));
    画面_無効化();
    fill_device(canvas, QRect(x0, y0, x1 - x0 + lw, lw), c);
    fill_device(canvas, QRect(x0, y1, x1 - x0 + lw, lw), c);
    fill_device(canvas, QRect(x0, y0, lw, y1 - y0 + lw), c);
    fill_device(canvas, QRect(x1, y0, lw, y1 - y0 + lw), c);
}

void Form1::描画_数値(double 入力X, double 入力Y, const QString& 数値, int 色, int モード,
                      int フォントサイズ) {
    QString text = 数値;
    if (モード != 0) {
        bool ok = false;
        const int n = 数値.trimmed().toInt(&ok);
        text = ok && n >= 1 && n <= 9 ? QString::fromUtf8(kKanjiDigits[n]) : QString();
    }
    text_font.setPointSize(フォントサイズ);
    if (text.isEmpty()) return;
    描画_テキスト(board_left + 入力X * cell_w, board_top + 入力Y * cell_h, text, 色, フォントサイズ);
}

void Form1::描画_数値(double 入力X, double 入力Y, int 数値, int 色, int モード, int フォントサイズ) {
    if (canvas.isNull()) return;  // nothing to paint on: not even formatted
    if (モード != 0) {
        描画_数値(入力X, 入力Y, 数値 >= 1 && 数値 <= 9 ? QString::number(数値) : QString(), 色, モード,
                  フォントサイズ);
        return;
    }
    // A number prints with a blank where its minus sign would stand.
    const QString text = 数値 < 0 ? QString::number(数値) : QStringLiteral(" ") + QString::number(数値);
    描画_数値(入力X, 入力Y, text, 色, 0, フォントサイズ);
}

void Form1::描画_文字列(double 入力X, double 入力Y, int 数値, int 色, int サイズ) {
    text_font.setPointSize(サイズ);
    const QString text = 数値 == kMoveSuffixCode ? QString::fromUtf8(kMoveSuffix) : 文字列_ハンデ(数値);
    if (text.isEmpty()) return;
    描画_テキスト(board_left + 入力X * cell_w + kCaptionDX, board_top + 入力Y * cell_h + kCaptionDY, text, 色,
                  サイズ);
}

QString Form1::文字列_ハンデ(int IN_ハンデレベル) {
    if (IN_ハンデレベル < -10 || IN_ハンデレベル > 10) return {};
    return QString::fromUtf8(kHandicapTexts[IN_ハンデレベル + 10]);
}

void Form1::描画_テキスト(double x_twips, double y_twips, const QString& text, int 色, int ポイント) {
    if (text.isEmpty() || canvas.isNull()) return;
    const qreal dpr = canvas_dpr;
    QFont f = text_font;
    // Points to pixels at 96 dpi, whatever the screen says: the canvas's own
    // resolution turns the point size back into exactly pt * 96 / 72 pixels.
    const double pixels = std::max(1.0, ポイント * 96.0 / 72.0);
    f.setPointSizeF(pixels * 72.0 / canvas.logicalDpiY());
    f.setStyleStrategy(QFont::PreferAntialias);
    QPainter p(&canvas);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBackgroundMode(Qt::TransparentMode);
    p.setFont(f);
    p.setPen(色_RGB(色));
    const QFontMetricsF fm(f, &canvas);
    画面_無効化();
    const double left = to_device(x_twips, dpr) / dpr;
    const double top = to_device(y_twips, dpr) / dpr;
    p.drawText(QPointF(left, top + fm.ascent()), text);
    const QRectF shape = fm.boundingRect(text).translated(left, top + fm.ascent());
    記録(*this, {描画記録::TEXT, 色, x_twips, y_twips, ポイント, text, text_font},
         QRectF(shape.topLeft() * TWIPS_PER_PIXEL, shape.size() * TWIPS_PER_PIXEL)
             .toAlignedRect()
             .adjusted(-kTextReach, -kTextReach, kTextReach, kTextReach));
}

void Form1::画面_無効化() {
    // The window shows the canvas at its next paint; repeated calls cost nothing.
    if (view) view->update();
    // What the canvas shows, a screen reader is told of too, once the event runs out.
    予約_アクセス通知(*this);
}

int Form1::色_文字() const { return bg_kind == BG_MIDORI ? LIGHT_BLUE : WHITE; }
int Form1::色_影() const { return bg_kind == BG_MIDORI ? GREY : BLACK; }

QColor Form1::色_RGB(int 色) {
    // The sixteen colours of the QBasic palette.
    static constexpr int kPalette[16][3] = {{0, 0, 0},       {0, 0, 128},   {0, 128, 0},   {0, 128, 128},
                                            {128, 0, 0},     {128, 0, 128}, {128, 128, 0}, {192, 192, 192},
                                            {128, 128, 128}, {0, 0, 255},   {0, 255, 0},   {0, 255, 255},
                                            {255, 0, 0},     {255, 0, 255}, {255, 255, 0}, {255, 255, 255}};
    if (色 < 0 || 色 > 15) return QColor(0, 0, 0);
    return QColor(kPalette[色][0], kPalette[色][1], kPalette[色][2]);
}
