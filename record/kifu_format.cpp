// Move lines of record files: writing the eleven fields, reading them back.
#include "record/kifu_format.h"

#include <cmath>

namespace kifu {

namespace {
// Blanks in front of a whole-second total, by its number of characters.
int 時間欄の空白数(qsizetype 桁数) {
    switch (桁数) {
        case 1:
            return 4;
        case 2:
            return 3;
        case 3:
            return 2;
        case 4:
            return 2;
        default:
            return 0;  // five digits and more: no blanks at all
    }
}

// A number right-aligned in `幅` characters; a longer text is written in full.
QByteArray 右寄せ(long long v, int 幅) {
    QByteArray s = QByteArray::number(v);
    if (s.size() < 幅) s.prepend(QByteArray(幅 - s.size(), ' '));
    return s;
}

bool 空白か(QChar c) { return c == u' ' || c == u'\t' || c == u'\n'; }
bool 数字か(QChar c) { return c >= u'0' && c <= u'9'; }

// The largest magnitude the reading keeps; beyond it the digits are still
// consumed but no longer change the value.
constexpr double kReadLimit = 1e15;
// The loader's character ranges end with the 33rd character (29/5).
constexpr qsizetype kReadWidth = 33;
}  // namespace

QByteArray 書式_時間欄(double 秒) {
    // The whole part of the total; a clock total is never negative, but a
    // broken value must not make the line unreadable either.
    double whole = std::floor(秒);
    if (!std::isfinite(whole)) whole = 0;
    if (whole > kReadLimit) whole = kReadLimit;
    if (whole < -kReadLimit) whole = -kReadLimit;
    const QByteArray s = QByteArray::number(static_cast<long long>(whole));
    return QByteArray(時間欄の空白数(s.size()), ' ') + s;
}

QByteArray 書式_指し手行(const 指し手行& 行) {
    QByteArray line;
    line.reserve(40);
    line += 右寄せ(行.from_x, 2);
    line += 右寄せ(行.from_y, 1);
    line += 右寄せ(行.to_x, 1);
    line += 右寄せ(行.to_y, 1);
    line += 右寄せ(行.piece_to, 2);
    line += 右寄せ(行.piece_from, 2);
    line += 右寄せ(行.captured, 2);
    line += 書式_時間欄(行.man_before);
    line += 書式_時間欄(行.man_after);
    line += 書式_時間欄(行.com_before);
    line += 書式_時間欄(行.com_after);
    return line;
}

double 読取_数値(QStringView 文字列) {
    QString s;
    s.reserve(文字列.size());
    for (QChar c : 文字列)
        if (!空白か(c)) s += c;
    qsizetype i = 0;
    double sign = 1;
    if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) {
        if (s[i] == u'-') sign = -1;
        ++i;
    }
    double v = 0;
    for (; i < s.size() && 数字か(s[i]); ++i)
        if (v < kReadLimit) v = v * 10 + (s[i].unicode() - u'0');
    if (i < s.size() && s[i] == u'.') {
        double scale = 0.1;
        for (++i; i < s.size() && 数字か(s[i]); ++i) {
            v += scale * (s[i].unicode() - u'0');
            scale /= 10;
        }
    }
    return sign * v;
}

bool 調査_指し手行(QStringView 行) {
    for (QChar c : 行.left(kReadWidth))
        if (!数字か(c) && !空白か(c) && c != u'-' && c != u'.') return false;
    return true;
}

int 整数化(double v) {
    if (!(v == v)) return 0;
    if (v >= 2147483647.0) return 2147483647;
    if (v <= -2147483648.0) return -2147483647 - 1;
    return static_cast<int>(v);
}

指し手行 読取_指し手行(QStringView 行) {
    // Mid(): a range reaching past the end takes what there is.
    auto range = [行](qsizetype start, qsizetype len) {
        const qsizetype from = start - 1;
        if (from >= 行.size()) return QStringView();
        return 行.mid(from, std::min(len, 行.size() - from));
    };
    auto i = [&](qsizetype start, qsizetype len) { return 整数化(読取_数値(range(start, len))); };
    auto t = [&](qsizetype start, qsizetype len) { return 読取_数値(range(start, len)); };
    指し手行 m;
    m.from_x = i(1, 2);
    m.from_y = i(3, 1);
    m.to_x = i(4, 1);
    m.to_y = i(5, 1);
    m.piece_to = i(6, 2);
    m.piece_from = i(8, 2);
    m.captured = i(10, 4);
    m.man_before = t(14, 5);
    m.man_after = t(19, 5);
    m.com_before = t(24, 5);
    m.com_after = t(29, 5);
    return m;
}

}  // namespace kifu
