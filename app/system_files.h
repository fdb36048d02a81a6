// Whole-file reading and atomic replacing through the system calls, so the
// reason of a failure is the system's own error number, and a Japanese
// sentence for every reason the program can meet.
#pragma once

#include <QByteArray>
#include <QString>

namespace system_files {

// What the program was doing when the system refused: the same error number
// reads differently for a file being read and a file being written.
enum class 操作 { 読込, 書込 };

// Reads the whole file at `path` into `bytes`. Returns 0, or the error number
// of the call that failed (`bytes` is then left empty).
int 読込_全体(const QString& path, QByteArray& bytes);

// Writes `bytes` to a new file beside `path` and puts it in place of `path`
// only when it is complete and on the disk, so a failure never costs the
// file that was there. Returns 0, or the error number of the call that failed.
int 書込_置換(const QString& path, const QByteArray& bytes);

// A sentence for the user that says why, in Japanese, whatever the locale.
QString 文_理由(int エラー番号, 操作 何を);

}  // namespace system_files
