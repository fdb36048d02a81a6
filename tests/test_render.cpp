// What the canvas shows: pictures on the squares and hands, labels and counts
// in their colours, the background outside the board, the move counter, the
// text primitives, and the same at twice the pixel density.
#include <gtest/gtest.h>

#include <QPainter>
#include <algorithm>
#include <climits>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "support/harness.h"

namespace {

constexpr int kBackgrounds[] = {Form1::BG_MIDORI, Form1::BG_TATAMI, Form1::BG_TAKE, Form1::BG_UCHU,
                                Form1::BG_RENGA};

// A picture as plain pixels, cut to w x h logical pixels from its top-left.
QImage picture(const Form1& f, int code, int w = 33, int h = 41) {
    const QImage& pic = f.絵(code);
    const qreal dpr = f.canvas_dpr;
    QImage part = pic.copy(0, 0, qRound(w * dpr), qRound(h * dpr));
    part.setDevicePixelRatio(1.0);
    return part.convertToFormat(QImage::Format_ARGB32);
}

// The outline of a cell covers its first column and row (one logical pixel);
// the interior is everything else.
bool same_interior(const QImage& a, const QImage& b, int border) {
    if (a.size() != b.size()) return false;
    for (int y = border; y < a.height(); ++y)
        for (int x = border; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y)) return false;
    return true;
}

int border_of(const Form1& f) { return std::max(1, qRound(f.canvas_dpr)); }

// Pixels of `img` that differ from `ref`, optionally only those of one colour.
int ink(const QImage& img, const QImage& ref, QRgb only = 0, bool of_colour = false) {
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const QRgb p = img.pixel(x, y);
            if (p == ref.pixel(x, y)) continue;
            if (of_colour && (p & 0xffffff) != (only & 0xffffff)) continue;
            ++n;
        }
    return n;
}

int count_colour(const QImage& img, QColor c, const QImage& ref) { return ink(img, ref, c.rgb(), true); }

int distance(QRgb a, QRgb b) {
    const int dr = qRed(a) - qRed(b), dg = qGreen(a) - qGreen(b), db = qBlue(a) - qBlue(b);
    return static_cast<int>(std::sqrt(double(dr * dr + dg * dg + db * db)));
}

// Pixels painted in (or blended halfway or more towards) colour `c` over `ref`.
// Thin antialiased strokes rarely reach the exact colour, so this is how text
// colour is told apart.
int tinted(const QImage& img, QColor c, const QImage& ref) {
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const QRgb p = img.pixel(x, y), r = ref.pixel(x, y);
            const int from_ref = distance(r, c.rgb());
            if (p != r && from_ref > 60 && distance(p, c.rgb()) * 2 <= from_ref) ++n;
        }
    return n;
}

// Leftmost and topmost columns/rows where `img` differs from `ref` (INT_MAX when nowhere).
int leftmost_ink(const QImage& img, const QImage& ref) {
    int best = INT_MAX;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (img.pixel(x, y) != ref.pixel(x, y)) best = std::min(best, x);
    return best;
}
int topmost_ink(const QImage& img, const QImage& ref) {
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (img.pixel(x, y) != ref.pixel(x, y)) return y;
    return INT_MAX;
}

QImage whole(const Form1& f) { return f.canvas.convertToFormat(QImage::Format_ARGB32); }

// The same position and background drawn again from scratch.
void redraw(Form1& f, int bg) {
    f.bg_kind = bg;
    f.画面_再描画();
}

}  // namespace

// Every board square shows its piece, the hands are empty squares, the logo
// stands right of the column labels, at both pixel densities.
TEST(Render, FullRedrawPutsTheRightPictureEverywhere) {
    for (qreal dpr : {1.0, 2.0}) {
        Harness h;
        Form1& f = h.f();
        f.準備_画面(dpr);
        redraw(f, Form1::BG_TAKE);
        const int border = border_of(f);
        SCOPED_TRACE("dpr " + std::to_string(dpr));
        for (int x = 1; x <= 9; ++x)
            for (int y = 1; y <= 9; ++y)
                EXPECT_TRUE(same_interior(h.cell_image(x, y), picture(f, kStartBoard[x][y]), border))
                    << "square " << x << "," << y;
        for (int row = 2; row <= 9; ++row)
            EXPECT_TRUE(same_interior(h.cell_image(11, row), picture(f, Form1::EMPTY), border))
                << "minus hand " << row;
        for (int row = 1; row <= 8; ++row)
            EXPECT_TRUE(same_interior(h.cell_image(-1, row), picture(f, Form1::EMPTY), border))
                << "plus hand " << row;
        EXPECT_EQ(h.cell_image(10.8, 0, 128, 39), picture(f, Form1::PIC_LOGO, 128, 39));
        // The squares' outlines are in the background colour.
        const QImage sq = h.cell_image(5, 5);
        for (int i = 0; i < border; ++i) {
            EXPECT_EQ(QColor(sq.pixel(i, 20 * border)), Form1::色_RGB(Form1::GREEN));
            EXPECT_EQ(QColor(sq.pixel(16 * border, i)), Form1::色_RGB(Form1::GREEN));
        }
    }
}

// The pictures themselves: every code its own, the top player's turned round,
// the higher ranks larger, the secretary's title in red, unknown codes nothing.
TEST(Render, PictureSet) {
    Harness h;
    Form1& f = h.f();
    std::vector<QImage> all;
    for (int code = -9; code <= 16; ++code) {
        if (code == 10) continue;
        const QImage& pic = f.絵(code);
        ASSERT_FALSE(pic.isNull()) << code;
        const QSize expected = code == Form1::PIC_LOGO ? QSize(128, 39)
                               : code >= 12            ? QSize(34, 41)
                                                       : QSize(33, 41);
        EXPECT_EQ(pic.size(), expected) << code;
        for (const QImage& other : all) EXPECT_NE(pic, other) << code;
        all.push_back(pic);
    }
    for (int code : {10, 17, -10, 99, -99}) EXPECT_TRUE(f.絵(code).isNull()) << code;

    const QImage empty = picture(f, Form1::EMPTY);
    auto piece_box = [&](const QImage& img) {
        QRect box;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                if (img.pixel(x, y) != empty.pixel(x, y)) box |= QRect(x, y, 1, 1);
        return box;
    };
    const QRect secretary = piece_box(picture(f, -1)), chairman = piece_box(picture(f, -9));
    EXPECT_GE(chairman.width(), secretary.width() + 4);
    EXPECT_GE(chairman.height(), secretary.height() + 4);
    int last_area = 0;
    for (int kind = 1; kind <= 9; ++kind) {
        const QImage minus = picture(f, -kind), plus = picture(f, kind);
        EXPECT_EQ(plus, minus.transformed(QTransform().rotate(180))) << kind;
        // The piece covers the wood; a higher rank covers more of it.
        const int area = ink(minus, empty);
        EXPECT_GT(area, last_area) << kind;
        last_area = area;
        int reddish = 0;
        for (int y = 0; y < minus.height(); ++y)
            for (int x = 0; x < minus.width(); ++x) {
                const QColor c(minus.pixel(x, y));
                reddish += c.red() > 150 && c.green() < 80 && c.blue() < 80;
            }
        if (kind == Form1::SECRETARY) {
            EXPECT_GT(reddish, 15);
        } else {
            EXPECT_EQ(reddish, 0) << kind;
        }
    }

    // Drawing an unknown code leaves the canvas as it was.
    const QImage before = whole(f);
    for (int code : {10, 17, -10, 100}) f.描画_絵(code, 5, 5);
    EXPECT_EQ(whole(f), before);
}

// The background tiles everything off the board and nothing on it.
TEST(Render, BackgroundCoversAllButTheBoard) {
    Harness h;
    Form1& f = h.f();
    for (int bg : kBackgrounds) {
        f.canvas.fill(QColor(255, 0, 255));
        f.描画_背景(bg);
        const QImage tile = picture(f, bg);
        const QImage magenta = [&] {
            QImage m(33, 41, QImage::Format_ARGB32);
            m.fill(QColor(255, 0, 255));
            return m;
        }();
        for (int x = 1; x <= 9; ++x)
            for (int y = 1; y <= 9; ++y)
                EXPECT_TRUE(same_interior(h.cell_image(x, y), magenta, 1))
                    << bg << " square " << x << "," << y;
        for (auto [x, y] : {std::pair{-2, 5}, {15, 5}, {5, 11}, {3, 0}, {10, 4}, {-1, 9}, {0, 10}, {13, 11}})
            EXPECT_EQ(h.cell_image(x, y), tile) << bg << " cell " << x << "," << y;
        // The window's corners too.
        const QImage all = whole(f);
        for (QPoint p : {QPoint(0, 0), QPoint(599, 0), QPoint(0, 532), QPoint(599, 532)})
            EXPECT_NE(all.pixel(p), QColor(255, 0, 255).rgb()) << bg;
    }
}

// Labels: 9..1 over the columns, one..nine beside the rows, light blue on grey
// for the 労働 background and white on black for the others; hand counts always
// red on black.
TEST(Render, LabelColoursFollowTheBackground) {
    Harness h;
    Form1& f = h.f();
    for (int bg : kBackgrounds) {
        redraw(f, bg);
        const bool work = bg == Form1::BG_MIDORI;
        const QColor main = work ? QColor(0, 0, 255) : QColor(255, 255, 255);
        const QColor shadow = work ? QColor(128, 128, 128) : QColor(0, 0, 0);
        const QColor wrong_main = work ? QColor(255, 255, 255) : QColor(0, 0, 255);
        const QImage tile = picture(f, bg);
        // A black shadow cannot show on the black sky.
        const bool shadow_visible = bg != Form1::BG_UCHU;
        std::vector<int> column_ink, row_ink;
        for (int i = 1; i <= 9; ++i) {
            const QImage column_label = h.cell_image(i, 0), row_label = h.cell_image(10, i);
            for (const QImage* label : {&column_label, &row_label}) {
                EXPECT_GT(tinted(*label, main, tile), 8) << bg << " label " << i;
                EXPECT_EQ(tinted(*label, wrong_main, tile), 0) << bg << " label " << i;
                if (shadow_visible) {
                    EXPECT_GT(tinted(*label, shadow, tile), 4) << bg << " label " << i;
                }
            }
            column_ink.push_back(ink(column_label, tile));
            row_ink.push_back(ink(row_label, tile));
        }
        // "9" and "8" stand over the left columns and carry more ink than the "1"
        // on the right; the kanji one, two, three grow stroke by stroke down the rows.
        EXPECT_GT(column_ink[0], column_ink[8] * 5 / 4) << bg;
        EXPECT_GT(column_ink[1], column_ink[8] * 5 / 4) << bg;
        EXPECT_LT(row_ink[0], row_ink[1]) << bg;
        EXPECT_LT(row_ink[1], row_ink[2]) << bg;

        f.描画_手数(12, 0);
        const QImage counter = h.cell_image(13, 3, 66, 41);
        const QImage tiles = [&] {
            QImage t(66, 41, QImage::Format_ARGB32);
            QPainter p(&t);
            p.drawImage(0, 0, tile);
            p.drawImage(33, 0, tile);
            return t;
        }();
        EXPECT_GT(tinted(counter, main, tiles), 20) << bg;
        EXPECT_EQ(tinted(counter, wrong_main, tiles), 0) << bg;
        if (shadow_visible) {
            EXPECT_GT(tinted(counter, shadow, tiles), 10) << bg;
        }

        // A held piece's count.
        f.hand_minus[4] = 2;
        f.描画_自持盤();
        const QImage count = h.cell_image(12, 5);
        EXPECT_GT(tinted(count, QColor(255, 0, 0), tile), 8) << bg;
        if (shadow_visible) {
            EXPECT_GT(tinted(count, QColor(0, 0, 0), tile), 4) << bg;
        }
        EXPECT_EQ(tinted(count, main, tile), 0) << bg;
        f.hand_minus[4] = 0;
    }
}

// Captures and drops as the player sees them: the hand cell gets the piece and
// its count, a second capture changes only the count, and the last drop leaves
// an empty square and no number.
TEST(Render, HandsShowPiecesAndCounts) {
    struct Side {
        const char* name;
        int sign;                  // +1: the plus player captures
        int hand_x, count_x, row;  // where its captured staff is shown
    };
    const Side sides[] = {{"minus", -1, Form1::HAND_MINUS_X, 12, 3}, {"plus", +1, Form1::HAND_PLUS_X, 0, 7}};
    for (const Side& s : sides) {
        SCOPED_TRACE(s.name);
        Harness h;
        Form1& f = h.f();
        redraw(f, Form1::BG_RENGA);
        const int border = border_of(f);
        const QImage tile = picture(f, Form1::BG_RENGA);
        const int staff = s.sign * Form1::STAFF;
        // The capturing staff steps forward twice, taking the staff in front.
        const int dy = s.sign > 0 ? 1 : -1;
        const int y0 = s.sign > 0 ? 4 : 6;
        f.駒移動(5, y0, 5, y0 + dy, staff);
        f.駒移動(5, y0 + dy, 5, y0 + 2 * dy, staff);
        ASSERT_EQ(s.sign > 0 ? f.hand_plus[2] : f.hand_minus[2], 1);
        EXPECT_TRUE(same_interior(h.cell_image(5, y0), picture(f, Form1::EMPTY), border));
        EXPECT_TRUE(same_interior(h.cell_image(5, y0 + 2 * dy), picture(f, staff), border));
        EXPECT_TRUE(same_interior(h.cell_image(s.hand_x, s.row), picture(f, staff), border));
        // The hand's tiles leave the board's left edge in the background colour.
        for (int row = 1; row <= 9; ++row)
            EXPECT_EQ(QColor(h.cell_image(1, row).pixel(0, 20)), Form1::色_RGB(Form1::GREEN)) << row;
        const QImage one = h.cell_image(s.count_x, s.row);
        EXPECT_GT(count_colour(one, QColor(255, 0, 0), tile), 8);
        // No other hand cell shows anything.
        for (int row = 1; row <= 9; ++row) {
            if (row == s.row || (s.hand_x == Form1::HAND_MINUS_X ? row == 1 : row == 9)) continue;
            EXPECT_TRUE(same_interior(h.cell_image(s.hand_x, row), picture(f, Form1::EMPTY), border)) << row;
            EXPECT_EQ(count_colour(h.cell_image(s.count_x, row), QColor(255, 0, 0), tile), 0) << row;
        }

        // A second staff: the same picture, another number.
        f.駒移動(3, y0, 3, y0 + dy, staff);
        f.駒移動(3, y0 + dy, 3, y0 + 2 * dy, staff);
        EXPECT_TRUE(same_interior(h.cell_image(s.hand_x, s.row), picture(f, staff), border));
        const QImage two = h.cell_image(s.count_x, s.row);
        EXPECT_NE(two, one);
        EXPECT_GT(count_colour(two, QColor(255, 0, 0), tile), 8);

        // Dropping one back shows "1" again, exactly as before.
        const int drop_y = s.hand_x == Form1::HAND_PLUS_X ? Form1::STAFF : s.row;
        f.駒移動(s.hand_x, drop_y, 5, y0 + dy, staff);
        EXPECT_EQ(h.cell_image(s.count_x, s.row), one);
        f.駒移動(s.hand_x, drop_y, 3, y0 + dy, staff);
        EXPECT_TRUE(same_interior(h.cell_image(s.hand_x, s.row), picture(f, Form1::EMPTY), border));
        // Only the hand cell's outline touches the count cell, in its first column.
        const QImage cleared = h.cell_image(s.count_x, s.row).copy(1, 0, 32, 41);
        EXPECT_EQ(cleared, tile.copy(1, 0, 32, 41));
        EXPECT_TRUE(same_interior(h.cell_image(5, y0 + dy), picture(f, staff), border));
        EXPECT_TRUE(f.調査_局面整合());
    }
}

// The move counter starts 0.1 cell further left for each extra digit and
// leaves nothing of a longer number behind.
TEST(Render, MoveCounterShiftsLeftPerDigit) {
    Harness h;
    Form1& f = h.f();
    redraw(f, Form1::BG_TATAMI);
    const QImage tile = picture(f, Form1::BG_TATAMI);
    f.描画_絵(Form1::BG_TATAMI, 13, 3);
    f.描画_絵(Form1::BG_TATAMI, 14, 3);
    const QImage bare = h.cell_image(13, 3, 66, 41);
    auto left_for = [&](int n) {
        f.描画_手数(n, Form1::WHITE);
        return leftmost_ink(h.cell_image(13, 3, 66, 41), bare);
    };
    const int l9 = left_for(9), l10 = left_for(10), l100 = left_for(100), l99 = left_for(99);
    EXPECT_LT(l10, l9);
    EXPECT_LT(l100, l10);
    // Same leading digit: the difference is the shift of 0.1 cell alone.
    EXPECT_GE(l10 - l100, 3);
    EXPECT_LE(l10 - l100, 4);
    EXPECT_GE(l9 - l99, 3);
    EXPECT_LE(l9 - l99, 4);
    // "手目" stands right of the number.
    const QImage suffix = h.cell_image(14.2, 3, 20, 41);
    EXPECT_GT(ink(suffix, bare.copy(40, 0, 20, 41)), 20);

    const QImage nine = [&] {
        f.描画_手数(9, 0);
        return h.cell_image(13, 3, 66, 41);
    }();
    f.描画_手数(100, 0);
    f.描画_手数(9, 0);
    EXPECT_EQ(h.cell_image(13, 3, 66, 41), nine);
}

// An outline covers the cell's edge from corner to corner inclusive; the one
// drawn last decides a shared edge, and the inside stays as it was.
TEST(Render, SquareOutlinesShareEdges) {
    for (qreal dpr : {1.0, 2.0}) {
        Harness h;
        Form1& f = h.f();
        f.準備_画面(dpr);
        redraw(f, Form1::BG_TATAMI);
        const int b = border_of(f);
        const QImage inside_before = h.cell_image(4, 4);
        f.描画_桝輪郭(Form1::WHITE, 4, 4);
        f.描画_桝輪郭(Form1::LIGHT_RED, 5, 4);  // shares the right edge
        f.描画_桝輪郭(Form1::YELLOW, 4, 5);     // shares the bottom edge
        const QImage cell = h.cell_image(4, 4, 34, 42);
        const int w = 33 * b, hgt = 41 * b;
        const QRgb white = Form1::色_RGB(Form1::WHITE).rgb(), red = Form1::色_RGB(Form1::LIGHT_RED).rgb(),
                   yellow = Form1::色_RGB(Form1::YELLOW).rgb();
        SCOPED_TRACE("dpr " + std::to_string(dpr));
        for (int i = 0; i < b; ++i) {
            for (int y = 0; y < hgt; ++y) {
                EXPECT_EQ(cell.pixel(i, y), white) << "left " << y;
                EXPECT_EQ(cell.pixel(w + i, y), red) << "right " << y;
            }
            for (int x = 0; x < w; ++x) {
                EXPECT_EQ(cell.pixel(x, i), white) << "top " << x;
                EXPECT_EQ(cell.pixel(x, hgt + i), yellow) << "bottom " << x;
            }
        }
        // The bottom-right corner belongs to all three; yellow came last.
        EXPECT_EQ(cell.pixel(w, hgt), yellow);
        EXPECT_TRUE(same_interior(h.cell_image(4, 4), inside_before, b));
        // Off the palette: black.
        f.描画_桝輪郭(99, 6, 6);
        EXPECT_EQ(h.cell_image(6, 6).pixel(0, 10), qRgb(0, 0, 0));
    }
}

TEST(Render, PaletteColours) {
    const int expected[16][3] = {{0, 0, 0},       {0, 0, 128},   {0, 128, 0},   {0, 128, 128},
                                 {128, 0, 0},     {128, 0, 128}, {128, 128, 0}, {192, 192, 192},
                                 {128, 128, 128}, {0, 0, 255},   {0, 255, 0},   {0, 255, 255},
                                 {255, 0, 0},     {255, 0, 255}, {255, 255, 0}, {255, 255, 255}};
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(Form1::色_RGB(i), QColor(expected[i][0], expected[i][1], expected[i][2])) << i;
    for (int i : {-1, 16, 99}) EXPECT_EQ(Form1::色_RGB(i), QColor(0, 0, 0)) << i;
    EXPECT_EQ(Form1::色_RGB(Form1::LIGHT_BLUE), QColor(0, 0, 255));
    EXPECT_EQ(Form1::色_RGB(Form1::GREY), QColor(128, 128, 128));
}

// Numbers print with a blank where a minus sign would stand; a non-zero mode
// prints kanji numerals for one to nine and nothing else; the fixed captions
// stand 120 twips right and 160 twips below their grid point.
TEST(Render, NumbersAndCaptionsPrintTheirTexts) {
    Harness h;
    Form1& f = h.f();
    redraw(f, Form1::BG_UCHU);
    const double gx = 12, gy = 11;
    // Draws with `draw`, returns the region and clears it again.
    auto shot = [&](const std::function<void()>& draw) {
        for (int x = 12; x <= 16; ++x) f.描画_絵(Form1::BG_UCHU, x, gy);
        draw();
        return h.cell_image(gx, gy, 120, 41);
    };
    const QImage blank = shot([] {});
    auto text_at = [&](const QString& s, double dx_twips, double dy_twips, int pt) {
        return shot([&, s] {
            f.描画_テキスト(f.board_left + gx * f.cell_w + dx_twips, f.board_top + gy * f.cell_h + dy_twips,
                            s, Form1::WHITE, pt);
        });
    };

    struct NumberCase {
        int value, mode;
        const char* shown;  // nullptr: nothing at all
    };
    const NumberCase numbers[] = {
        {5, 0, " 5"}, {-5, 0, "-5"}, {0, 0, " 0"}, {123, 0, " 123"}, {-40, 0, "-40"},  {1, 1, "一"},
        {2, 1, "二"}, {3, 1, "三"},  {4, 1, "四"}, {5, 1, "五"},     {6, 1, "六"},     {7, 1, "七"},
        {8, 1, "八"}, {9, 1, "九"},  {4, 7, "四"}, {0, 1, nullptr},  {10, 1, nullptr}, {-3, 1, nullptr},
    };
    for (const NumberCase& c : numbers) {
        const QImage got = shot([&] { f.描画_数値(gx, gy, c.value, Form1::WHITE, c.mode, 14); });
        const QImage want = c.shown ? text_at(QString::fromUtf8(c.shown), 0, 0, 14) : blank;
        EXPECT_EQ(got, want) << c.value << " mode " << c.mode;
        if (c.shown) {
            EXPECT_GT(ink(got, blank), 10) << c.value;
        }
    }
    // A text prints unchanged in mode 0.
    EXPECT_EQ(shot([&] { f.描画_数値(gx, gy, QStringLiteral("01:02:03"), Form1::WHITE, 0, 12); }),
              text_at(QStringLiteral("01:02:03"), 0, 0, 12));

    const char* const captions[] = {
        "ﾊﾝﾃﾞｨｷｬｯﾌﾟ:名人", "ﾊﾝﾃﾞｨｷｬｯﾌﾟ:８段", "ﾊﾝﾃﾞｨｷｬｯﾌﾟ:７段", "ﾊﾝﾃﾞｨｷｬｯﾌﾟ:６段", "ﾊﾝﾃﾞｨｷｬｯﾌﾟ:５段",
        "ﾊﾝﾃﾞｨｷｬｯﾌﾟ:４段", "ﾊﾝﾃﾞｨｷｬｯﾌﾟ:３段", "ﾊﾝﾃﾞｨｷｬｯﾌﾟ:２段", "ﾊﾝﾃﾞｨｷｬｯﾌﾟ:初段", "ﾊﾝﾃﾞｨｷｬｯﾌﾟ:１級",
        "ﾊﾝﾃﾞｨｷｬｯﾌﾟ:２級", "ﾊﾝﾃﾞｨｷｬｯﾌﾟ:３級", "ﾊﾝﾃﾞｨｷｬｯﾌﾟ:４級", "ﾊﾝﾃﾞｨｷｬｯﾌﾟ:５級", "ﾊﾝﾃﾞｨｷｬｯﾌﾟ:６級",
        "ﾊﾝﾃﾞｨｷｬｯﾌﾟ:７級", "ﾊﾝﾃﾞｨｷｬｯﾌﾟ:８級", "ﾊﾝﾃﾞｨｷｬｯﾌﾟ:９級", "ﾊﾝﾃﾞｨｷｬｯﾌﾟ:10級", "ﾊﾝﾃﾞｨｷｬｯﾌﾟ:11級",
        "ﾊﾝﾃﾞｨｷｬｯﾌﾟ:12級"};
    std::vector<QImage> seen;
    for (int v = -10; v <= 10; ++v) {
        const QImage got = shot([&] { f.描画_文字列(gx, gy, v, Form1::WHITE, 9); });
        EXPECT_EQ(got, text_at(QString::fromUtf8(captions[v + 10]), 120, 160, 9)) << v;
        for (const QImage& other : seen) EXPECT_NE(got, other) << v;
        seen.push_back(got);
    }
    EXPECT_EQ(shot([&] { f.描画_文字列(gx, gy, 99, Form1::WHITE, 10); }),
              text_at(QStringLiteral("手目"), 120, 160, 10));
    for (int v : {-11, 11, 98, 100})
        EXPECT_EQ(shot([&] { f.描画_文字列(gx, gy, v, Form1::WHITE, 10); }), blank) << v;
}

// Text has its top-left corner at the point, its colour from the palette, a
// transparent background, and a height that follows the point size.
TEST(Render, TextPlacementColourAndSize) {
    Harness h;
    Form1& f = h.f();
    redraw(f, Form1::BG_RENGA);
    const QImage before = whole(f);
    const double x = f.board_left + 12.0 * f.cell_w, y = f.board_top + 11.0 * f.cell_h;
    f.描画_テキスト(x, y, QStringLiteral("国"), Form1::YELLOW, 24);
    const QImage after = whole(f);
    const int px = qRound(x / 15), py = qRound(y / 15);
    // Nothing changes outside the text's box (32 pixels for 24 points).
    QRect changed;
    for (int yy = 0; yy < after.height(); ++yy)
        for (int xx = 0; xx < after.width(); ++xx)
            if (after.pixel(xx, yy) != before.pixel(xx, yy)) changed |= QRect(xx, yy, 1, 1);
    ASSERT_FALSE(changed.isEmpty());
    EXPECT_GE(changed.left(), px);
    EXPECT_GE(changed.top(), py);
    EXPECT_LE(changed.left(), px + 5);
    EXPECT_LE(changed.top(), py + 8);
    EXPECT_LE(changed.right(), px + 34);
    EXPECT_LE(changed.bottom(), py + 34);
    EXPECT_GE(changed.height(), 20);
    // Between the strokes the bricks still show.
    const QImage box = after.copy(changed), box_before = before.copy(changed);
    EXPECT_GT(count_colour(box, QColor(255, 255, 0), box_before), 20);
    int kept = 0;
    for (int yy = 0; yy < box.height(); ++yy)
        for (int xx = 0; xx < box.width(); ++xx) kept += box.pixel(xx, yy) == box_before.pixel(xx, yy);
    EXPECT_GT(kept, box.width() * box.height() / 4);

    // Half the size, about half the height.
    f.画面_再描画();
    const QImage again = whole(f);
    f.描画_テキスト(x, y, QStringLiteral("国"), Form1::YELLOW, 12);
    const QImage small = whole(f);
    QRect small_box;
    for (int yy = 0; yy < small.height(); ++yy)
        for (int xx = 0; xx < small.width(); ++xx)
            if (small.pixel(xx, yy) != again.pixel(xx, yy)) small_box |= QRect(xx, yy, 1, 1);
    EXPECT_NEAR(small_box.height() * 2.0, changed.height(), 4.0);
    EXPECT_LE(topmost_ink(small.copy(px, py, 40, 40), again.copy(px, py, 40, 40)), 5);
}

// The labels turn the text bold, and it stays bold for everything after.
TEST(Render, LabelsMakeTheTextBold) {
    Harness h(false);
    Form1& f = h.f();
    f.bg_kind = Form1::BG_UCHU;
    EXPECT_FALSE(f.text_font.bold());
    auto draw_five = [&] {
        f.描画_絵(Form1::BG_UCHU, 12, 11);
        f.描画_数値(12, 11, QStringLiteral("五"), Form1::WHITE, 0, 16);
        return h.cell_image(12, 11);
    };
    const QImage tile = picture(f, Form1::BG_UCHU);
    const int regular = ink(draw_five(), tile);
    f.描画_桝_数値();
    EXPECT_TRUE(f.text_font.bold());
    const int bold = ink(draw_five(), tile);
    EXPECT_GT(bold, regular + regular / 10);
    f.描画_盤();
    f.描画_自持盤();
    EXPECT_TRUE(f.text_font.bold());
}

// At twice the density the canvas has twice the pixels, and the pictures,
// outlines and text are drawn at that density, not enlarged.
TEST(Render, DoubleDensityIsCrisp) {
    Harness h1;
    Harness h2;
    Form1& f1 = h1.f();
    Form1& f2 = h2.f();
    f2.準備_画面(2.0);
    EXPECT_EQ(f2.canvas.size(), QSize(1200, 1066));
    EXPECT_EQ(f2.canvas.devicePixelRatio(), 2.0);
    EXPECT_EQ(f2.絵(-9).size(), QSize(66, 82));
    EXPECT_EQ(f2.絵(Form1::BG_RENGA).size(), QSize(68, 82));
    EXPECT_EQ(f2.絵(Form1::PIC_LOGO).size(), QSize(256, 78));
    redraw(f1, Form1::BG_MIDORI);
    redraw(f2, Form1::BG_MIDORI);

    // A piece picture has detail finer than a doubled pixel.
    auto uneven_blocks = [](const QImage& img) {
        int n = 0;
        for (int y = 0; y + 1 < img.height(); y += 2)
            for (int x = 0; x + 1 < img.width(); x += 2) {
                const QRgb p = img.pixel(x, y);
                n += img.pixel(x + 1, y) != p || img.pixel(x, y + 1) != p || img.pixel(x + 1, y + 1) != p;
            }
        return n;
    };
    const QImage king2 = picture(f2, -9);
    EXPECT_GT(uneven_blocks(king2), king2.width() * king2.height() / 4 / 4);
    EXPECT_NE(king2, picture(f1, -9).scaled(66, 82));

    // The same scene: text covers about four times as many pixels, in the exact colour.
    const QImage tile1 = picture(f1, Form1::BG_MIDORI), tile2 = picture(f2, Form1::BG_MIDORI);
    const int ink1 = count_colour(h1.cell_image(10, 5), QColor(0, 0, 255), tile1);
    const int ink2 = count_colour(h2.cell_image(10, 5), QColor(0, 0, 255), tile2);
    EXPECT_GT(ink1, 8);
    EXPECT_GT(ink2, ink1 * 3);
    EXPECT_LT(ink2, ink1 * 6);

    // Outlines are two device pixels of the exact colour, then the picture begins.
    const QImage sq = h2.cell_image(3, 3);
    const QImage pic = picture(f2, kStartBoard[3][3]);
    for (int y = 0; y < 82; ++y) {
        EXPECT_EQ(QColor(sq.pixel(0, y)), Form1::色_RGB(Form1::GREEN));
        EXPECT_EQ(QColor(sq.pixel(1, y)), Form1::色_RGB(Form1::GREEN));
        if (y >= 2) {
            EXPECT_EQ(sq.pixel(2, y), pic.pixel(2, y));
        }
    }
}

namespace {
// Device pixels of one row or column of the canvas that are exactly `c`, as runs.
std::vector<int> runs_of(const QImage& img, QRgb c, bool along_row, int at, int from, int to) {
    std::vector<int> runs;
    int run = 0;
    for (int i = from; i < to; ++i) {
        const QRgb p = along_row ? img.pixel(i, at) : img.pixel(at, i);
        if ((p & 0xffffff) == (c & 0xffffff)) {
            ++run;
        } else if (run > 0) {
            runs.push_back(run);
            run = 0;
        }
    }
    if (run > 0) runs.push_back(run);
    return runs;
}
}  // namespace

// At every ratio a laptop screen uses, from 1 to 3 in quarters, the pictures
// meet without a gap: nowhere does the canvas's own colour show through (the
// same scene on a canvas of another colour is the same to the pixel), and
// every grid line of the board has the same width in device pixels.
TEST(Render, FractionalRatiosAreSeamless) {
    Harness h;
    Form1& f = h.f();
    const QRgb grid = Form1::色_RGB(Form1::GREEN).rgb();
    for (int quarter = 4; quarter <= 12; ++quarter) {
        const qreal dpr = quarter / 4.0;
        f.準備_画面(dpr);
        const int lw = std::max(1, qRound(dpr));
        for (int bg : kBackgrounds) {
            SCOPED_TRACE("dpr " + std::to_string(dpr) + ", background " + std::to_string(bg));
            redraw(f, bg);
            const QImage drawn = whole(f);
            f.canvas.fill(QColor(255, 0, 255));
            redraw(f, bg);
            const QImage on_magenta = whole(f);
            ASSERT_EQ(drawn.size(), on_magenta.size());
            int seams = 0;
            for (int y = 0; y < drawn.height(); ++y)
                for (int x = 0; x < drawn.width(); ++x) seams += drawn.pixel(x, y) != on_magenta.pixel(x, y);
            EXPECT_EQ(seams, 0) << "pixels where the canvas's colour shows through";

            // Across the board through the middle of row 5 and down the middle of column 5.
            auto dev = [dpr](double twips) { return qRound(twips / Form1::TWIPS_PER_PIXEL * dpr); };
            const int left = dev(f.board_left + f.cell_w), right = dev(f.board_left + 10 * f.cell_w) + lw;
            const int top = dev(f.board_top + f.cell_h), bottom = dev(f.board_top + 10 * f.cell_h) + lw;
            const int mid_y = dev(f.board_top + 5.5 * f.cell_h), mid_x = dev(f.board_left + 5.5 * f.cell_w);
            for (bool along_row : {true, false}) {
                const std::vector<int> lines = along_row ? runs_of(drawn, grid, true, mid_y, left, right)
                                                         : runs_of(drawn, grid, false, mid_x, top, bottom);
                EXPECT_EQ(lines, std::vector<int>(10, lw))
                    << (along_row ? "vertical lines" : "horizontal lines");
            }
        }
    }
}

// A press lands on the square the user sees: every device pixel inside a
// square's outline, at every ratio, turns into that square.
TEST(Render, PressesLandOnTheSquareDrawnAtEveryRatio) {
    Harness h;
    Form1& f = h.f();
    for (int quarter = 4; quarter <= 12; ++quarter) {
        const qreal dpr = quarter / 4.0;
        const int lw = std::max(1, qRound(dpr));
        auto dev = [dpr](double twips) { return qRound(twips / Form1::TWIPS_PER_PIXEL * dpr); };
        // A device pixel's position, as the window reports it, in twips.
        auto twips = [dpr](int device) { return device / dpr * Form1::TWIPS_PER_PIXEL; };
        for (int x = 1; x <= 9; ++x) {
            const int x0 = dev(f.board_left + x * f.cell_w) + lw,
                      x1 = dev(f.board_left + (x + 1) * f.cell_w) - 1;
            for (int px : {x0, x1}) {
                const int y = 9;  // the minus player's back row: each press picks the piece under it
                const int y0 = dev(f.board_top + y * f.cell_h) + lw,
                          y1 = dev(f.board_top + (y + 1) * f.cell_h) - 1;
                for (int py : {y0, y1}) {
                    f.START_Click();
                    f.Form_MouseDown(1, 0, twips(px), twips(py));
                    SCOPED_TRACE("dpr " + std::to_string(dpr) + " pixel " + std::to_string(px) + "," +
                                 std::to_string(py));
                    EXPECT_EQ(f.click_phase, 1);
                    EXPECT_EQ(f.sel_x, x);
                    EXPECT_EQ(f.sel_y, y);
                }
            }
        }
    }
}

// A window made larger, or a screen of another scale, makes the canvas again:
// what it shows then (the game, the last move, a pick's outlines, the
// messages) is what drawing at that ratio from the start would have shown,
// and the record it is drawn from again keeps only what still shows.
TEST(Render, MadeAgainAtAnotherRatioAsIfDrawnThere) {
    const std::function<void(Harness&)> play = [](Harness& h) {
        h.f().SIDOU_Click();
        h.start_with_a_move();
        h.press(5, 4);
    };
    for (const qreal ratio : {1.0, 1.25, 1.5, 2.0, 2.75}) {
        SCOPED_TRACE(ratio);
        Harness again, fresh;
        again.f().画面_再描画();
        play(again);
        again.f().再現_画面(ratio);
        fresh.f().準備_画面(ratio);
        fresh.f().画面_再描画();
        play(fresh);
        ASSERT_EQ(again.f().canvas.size(), fresh.f().canvas.size());
        EXPECT_TRUE(again.f().canvas == fresh.f().canvas) << "the canvas differs from one drawn at its ratio";
    }
    Harness h;
    h.f().画面_再描画();
    const size_t once = h.f().canvas_log.size();
    for (int i = 0; i < 20; ++i) h.f().画面_再描画();
    EXPECT_EQ(h.f().canvas_log.size(), once) << "the record grows with what no longer shows";
    EXPECT_LT(once, 1500u);
}
