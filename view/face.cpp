#include "view/face.h"

#include <QFontDatabase>
#include <QStringList>
#include <cstdio>

namespace {
// In order of preference: the game's own face, other Mincho and serif faces,
// then Gothic and sans-serif faces that carry Japanese.
const char* const kPreferred[] = {
    "IPAPMincho",       "IPAMincho",    "IPAexMincho",      "Noto Serif CJK JP",  "Source Han Serif JP",
    "Source Han Serif", "TakaoPMincho", "TakaoMincho",      "Sazanami Mincho",    "IPAPGothic",
    "IPAGothic",        "IPAexGothic",  "Noto Sans CJK JP", "Source Han Sans JP", "Source Han Sans",
    "TakaoPGothic",     "TakaoGothic",  "VL PGothic",       "VL Gothic",          "Sazanami Gothic",
};

const char kNoFace[] =
    "Velmora: 日本語を表示できる書体が見つかりません。fonts-ipafont-mincho をインストールしてください。\n"
    "Velmora: no font that can show Japanese is installed; install the package fonts-ipafont-mincho.\n";

QString choose() {
    const QStringList families = QFontDatabase::families();
    for (const char* name : kPreferred)
        if (families.contains(QString::fromUtf8(name), Qt::CaseInsensitive)) return QString::fromUtf8(name);
    // Any other face that says it writes Japanese, a serif one first.
    const QStringList japanese = QFontDatabase::families(QFontDatabase::Japanese);
    for (const QString& f : japanese)
        if (f.contains(QStringLiteral("Mincho"), Qt::CaseInsensitive) ||
            f.contains(QStringLiteral("Serif"), Qt::CaseInsensitive))
            return f;
    if (!japanese.isEmpty()) return japanese.front();
    std::fputs(kNoFace, stderr);
    return QString::fromUtf8(kPreferred[0]);
}
}  // namespace

const QString& 書体_文字() {
    static const QString face = choose();
    return face;
}
