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
            // Five digits and more: one blank keeps the fields apart, and the
            // reader then takes the four totals as blank-separated numbers.
            return 1;
    }
}

// A number's decimal text, "-" first when negative, written to the end of
// `text`; returns where it begins. A whole record is 5,500 of these, so no
// formatted print.
char* 十進(long long v, char* end) {
    unsigned long long magnitude =
        v < 0 ? 0ULL - static_cast<unsigned long long>(v) : static_cast<unsigned long long>(v);
    char* p = end;
    do {
        *--p = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (v < 0) *--p = '-';
    return p;
}

// Appends a number right-aligned in `幅` characters; a longer text is written in full.
void 追加_右寄せ(QByteArray& line, long long v, int 幅) {
    char text[24];
    char* const end = text + sizeof text;
    const char* const begin = 十進(v, end);
    const qsizetype n = end - begin;
    if (n < 幅) line.append(幅 - n, ' ');
    line.append(begin, n);
}

bool 空白か(QChar c) { return c == u' ' || c == u'\t' || c == u'\n'; }
bool 数字か(QChar c) { return c >= u'0' && c <= u'9'; }

// The largest magnitude the reading keeps; beyond it the digits are still
// consumed but no longer change the value.
constexpr double kReadLimit = 1e15;
// The loader's character ranges end with the 33rd character (29/5).
constexpr qsizetype kReadWidth = 33;
// The seven codes take the first eleven characters; the four totals follow.
constexpr qsizetype kCodesWidth = 11;

// The four totals as the writer lays them out: each a whole number, perhaps
// negative, after at least one blank, with nothing but blanks after the last.
// Read so, a total of any length comes back; the fixed ranges hold four digits.
bool 読取_時間欄_区切り(QStringView 行, double (&秒)[4]) {
    if (行.size() <= kCodesWidth) return false;
    const QStringView rest = 行.mid(kCodesWidth);
    const qsizetype n = rest.size();
    qsizetype i = 0;
    for (double& v : 秒) {
        const qsizetype blanks_from = i;
        while (i < n && 空白か(rest[i])) ++i;
        if (i == blanks_from) return false;
        const qsizetype number_from = i;
        if (i < n && rest[i] == u'-') ++i;
        const qsizetype digits_from = i;
        while (i < n && 数字か(rest[i])) ++i;
        if (i == digits_from) return false;
        v = 読取_数値(rest.mid(number_from, i - number_from));
    }
    while (i < n && 空白か(rest[i])) ++i;
    return i == n;
}
}  // namespace

namespace {
// Appends a clock total as its time field.
void 追加_時間欄(QByteArray& line, double 秒) {
    // The whole part of the total; a clock total is never negative, but a
    // broken value must not make the line unreadable either.
    double whole = std::floor(秒);
    if (!std::isfinite(whole)) whole = 0;
    if (whole > kReadLimit) whole = kReadLimit;
    if (whole < -kReadLimit) whole = -kReadLimit;
    char digits[24];
    char* const end = digits + sizeof digits;
    const char* const begin = 十進(static_cast<long long>(whole), end);
    const qsizetype n = end - begin;
    line.append(時間欄の空白数(n), ' ');
    line.append(begin, n);
}
}  // namespace

QByteArray 書式_時間欄(double 秒) {
    QByteArray field;
    追加_時間欄(field, 秒);
    return field;
}

QByteArray 書式_指し手行(const 指し手行& 行) {
    QByteArray line;
    line.reserve(48);
    追加_指し手行(line, 行);
    return line;
}

void 追加_指し手行(QByteArray& line, const 指し手行& 行) {
    追加_右寄せ(line, 行.from_x, 2);
    追加_右寄せ(line, 行.from_y, 1);
    追加_右寄せ(line, 行.to_x, 1);
    追加_右寄せ(line, 行.to_y, 1);
    追加_右寄せ(line, 行.piece_to, 2);
    追加_右寄せ(line, 行.piece_from, 2);
    追加_右寄せ(line, 行.captured, 2);
    追加_時間欄(line, 行.man_before);
    追加_時間欄(line, 行.man_after);
    追加_時間欄(line, 行.com_before);
    追加_時間欄(line, 行.com_after);
}

double 読取_数値(QStringView 文字列) {
    // Read in place, stepping over the blanks: no copy of the text is made.
    const qsizetype n = 文字列.size();
    qsizetype i = 0;
    auto skip = [&] {
        while (i < n && 空白か(文字列[i])) ++i;
    };
    skip();
    double sign = 1;
    if (i < n && (文字列[i] == u'+' || 文字列[i] == u'-')) {
        if (文字列[i] == u'-') sign = -1;
        ++i;
        skip();
    }
    double v = 0;
    for (; i < n && 数字か(文字列[i]); ++i, skip())
        if (v < kReadLimit) v = v * 10 + (文字列[i].unicode() - u'0');
    if (i < n && 文字列[i] == u'.') {
        double scale = 0.1;
        for (++i, skip(); i < n && 数字か(文字列[i]); ++i, skip()) {
            v += scale * (文字列[i].unicode() - u'0');
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
    double totals[4];
    if (読取_時間欄_区切り(行, totals)) {
        m.captured = i(10, 2);
        m.man_before = totals[0];
        m.man_after = totals[1];
        m.com_before = totals[2];
        m.com_after = totals[3];
        return m;
    }
    m.captured = i(10, 4);
    m.man_before = t(14, 5);
    m.man_after = t(19, 5);
    m.com_before = t(24, 5);
    m.com_after = t(29, 5);
    return m;
}

}  // namespace kifu
