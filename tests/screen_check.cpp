// Reads screenshots of the program's window and checks what a user sees:
//   screen_check seams SHOT RATIO  - on the 宇宙 background, no row or column of
//       the canvas's green shows through the backdrop, and every grid line on
//       the board is as wide as every other;
//   screen_check same A B HEIGHT   - the bottom HEIGHT rows (the board area) of
//       two window pictures are the same to the pixel.
// Exits 0 when the check holds, 1 with what it saw otherwise.
#include <QImage>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

QImage load(const char* path) {
    QImage img(QString::fromLocal8Bit(path));
    if (img.isNull()) {
        std::fprintf(stderr, "screen_check: cannot read %s\n", path);
        std::exit(2);
    }
    return img.convertToFormat(QImage::Format_RGB32);
}

// The board area: the window's bottom rows, as tall as 533 pixels at the ratio.
QImage board_area(const QImage& window, int height) {
    return window.copy(0, window.height() - height, window.width(), height);
}

// Green showing through black tiles, fully or blended.
bool greenish(QRgb p) { return qGreen(p) > qRed(p) + 16 && qGreen(p) > qBlue(p) + 16; }

int seams(const QImage& shot, double ratio) {
    const int h = static_cast<int>(std::lround(533 * ratio));
    if (shot.width() != std::lround(600 * ratio)) {
        std::printf("FAILED: the window is %d pixels wide, not %ld as at %.2f\n", shot.width(),
                    std::lround(600 * ratio), ratio);
        return 1;
    }
    const QImage c = board_area(shot, h);
    auto dev = [ratio](double px) { return static_cast<int>(std::lround(px * ratio)); };
    // Backdrop only, no outline: left of the top player's hand, right of the
    // bottom player's hand counts, and below the board's last row.
    const QRect strips[] = {QRect(0, 0, dev(36), h), QRect(dev(500), 0, c.width() - dev(500), h),
                            QRect(0, dev(419), c.width(), h - dev(419))};
    int bad = 0;
    for (const QRect& r : strips)
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x)
                if (greenish(c.pixel(x, y))) {
                    if (bad < 5) std::printf("  green at (%d, %d)\n", x, y);
                    ++bad;
                }
    // Across the board through the middle of row 5 and down the middle of column 5.
    const QRgb grid = qRgb(0, 128, 0);
    const int lw = std::max(1, static_cast<int>(std::lround(ratio)));
    auto runs = [&](bool along_row) {
        std::vector<int> out;
        int run = 0;
        const int at = along_row ? dev(6.667 + 41 * 5.5) : dev(70 + 33 * 5.5);
        const int from = along_row ? dev(103) - 2 : dev(47.667) - 2;
        const int to = along_row ? dev(400) + lw + 2 : dev(416.667) + lw + 2;
        for (int i = from; i < to; ++i) {
            const QRgb p = along_row ? c.pixel(i, at) : c.pixel(at, i);
            if (p == grid)
                ++run;
            else if (run)
                out.push_back(run), run = 0;
        }
        if (run) out.push_back(run);
        return out;
    };
    for (bool along_row : {true, false}) {
        const std::vector<int> lines = runs(along_row);
        bool even = lines.size() == 10;
        for (int w : lines) even = even && w == lw;
        if (!even) {
            std::printf("  %s lines:", along_row ? "vertical" : "horizontal");
            for (int w : lines) std::printf(" %d", w);
            std::printf(" (want ten of %d)\n", lw);
            ++bad;
        }
    }
    std::printf("%s: %d faults at %.2f\n", bad ? "FAILED" : "ok", bad, ratio);
    return bad ? 1 : 0;
}

int same(const QImage& a, const QImage& b, int height) {
    if (a.width() != b.width() || a.height() < height || b.height() < height) {
        std::printf("FAILED: the windows differ in size: %dx%d and %dx%d\n", a.width(), a.height(), b.width(),
                    b.height());
        return 1;
    }
    const QImage ca = board_area(a, height), cb = board_area(b, height);
    int differ = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < ca.width(); ++x)
            if (ca.pixel(x, y) != cb.pixel(x, y)) {
                if (differ < 5) std::printf("  (%d, %d) differs\n", x, y);
                ++differ;
            }
    std::printf("%s: %d pixels differ\n", differ ? "FAILED" : "ok", differ);
    return differ ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "seams") == 0) return seams(load(argv[2]), std::atof(argv[3]));
    if (argc == 5 && std::strcmp(argv[1], "same") == 0)
        return same(load(argv[2]), load(argv[3]), std::atoi(argv[4]));
    std::fprintf(stderr, "usage: screen_check seams SHOT RATIO | same A B HEIGHT\n");
    return 2;
}
