// The command line: nothing, or one record file, opened as the record panel
// opens one once the window is up. Qt's own options (-platform and the like)
// are taken out by QApplication before the program sees the rest.
#pragma once

#include <QString>
#include <QStringList>

namespace command_line {

struct 指示 {
    bool ok = true;  // false: not what the program takes; it says how it is used and ends
    QString file;    // the record file to open, an absolute path; empty for none
};

// `arguments`: the words after the program's name.
指示 解釈(const QStringList& arguments);

// The one line shown on standard error for a command line that is refused.
QString 使い方(const QString& program);

}  // namespace command_line
