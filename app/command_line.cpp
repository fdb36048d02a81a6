// What the program takes on its command line.
#include "app/command_line.h"

#include <QFileInfo>

namespace command_line {

指示 解釈(const QStringList& arguments) {
    指示 out;
    QStringList words = arguments;
    // After "--" a file name may start with "-".
    const bool plain = !words.isEmpty() && words.first() == QStringLiteral("--");
    if (plain) words.removeFirst();
    if (words.isEmpty()) return out;
    const QString& word = words.first();
    if (words.size() != 1 || word.isEmpty() || (!plain && word.startsWith('-'))) {
        out.ok = false;
        return out;
    }
    // A file that is missing or unreadable is still a file: loading it tells why.
    out.file = QFileInfo(word).absoluteFilePath();
    return out;
}

QString 使い方(const QString& program) {
    return QStringLiteral("使い方: %1 [棋譜ファイル]  (usage: %1 [FILE.棋譜])").arg(program);
}

}  // namespace command_line
