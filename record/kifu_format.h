// The text of a record file's move lines: the writer's eleven right-aligned
// fields and the reader's fixed character ranges. Pure functions, so the
// layout can be checked and fuzzed without a window.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

namespace kifu {

// One move line's eleven values, in the order of the record's columns.
struct 指し手行 {
    int from_x = 0, from_y = 0, to_x = 0, to_y = 0;
    int piece_to = 0, piece_from = 0, captured = 0;
    double man_before = 0, man_after = 0, com_before = 0, com_after = 0;
    bool operator==(const 指し手行&) const = default;
};

// A clock total as its time field: the whole seconds right-aligned by their
// number of digits (1-3 digits in five characters, 4 digits in six, 5 and
// more in full after one blank).
QByteArray 書式_時間欄(double 秒);
// One move line, without its line end.
QByteArray 書式_指し手行(const 指し手行& 行);
// The same line appended to `line`: a whole record is built in one buffer.
void 追加_指し手行(QByteArray& line, const 指し手行& 行);

// The numeric reading: blanks (space, tab, line feed) anywhere are ignored,
// then an optional sign, digits, an optional point and fraction are read from
// the start; anything else reads as 0. Never overflows: the result is finite.
double 読取_数値(QStringView 文字列);
// A move line as the writer lays it out: the seven codes by the character
// ranges (1-based start, length) 1/2, 3/1, 4/1, 5/1, 6/2, 8/2, 10/2, then the
// four totals as numbers each after at least one blank, of any length. Any
// other line is read by the fixed ranges 1/2, 3/1, 4/1, 5/1, 6/2, 8/2, 10/4,
// 14/5, 19/5, 24/5, 29/5, which hold a writer's line only while its totals are
// short (three four-digit totals already shift the last ones out of place).
指し手行 読取_指し手行(QStringView 行);

// Whether a line can be a move line: within the characters the loader reads
// it holds nothing but digits, blanks, "-" and ".".
bool 調査_指し手行(QStringView 行);

// A read value as a record code: values beyond the int range are clamped, the
// fraction dropped toward zero.
int 整数化(double v);

}  // namespace kifu
