// Files through the system calls, and what their failures mean to a user.
#include "app/system_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <climits>
#include <cstdlib>

namespace system_files {
namespace {

// Retries a call the system broke off for a signal.
template <typename Call>
auto 再試行(Call call) {
    decltype(call()) r;
    do r = call();
    while (r < 0 && errno == EINTR);
    return r;
}

int 閉じる(int fd) {
    // After close a broken-off call may or may not have closed the file: never close twice.
    return ::close(fd) == 0 || errno == EINTR ? 0 : errno;
}

}  // namespace

int 読込_全体(const QString& path, QByteArray& bytes) {
    bytes.clear();
    const QByteArray name = QFile::encodeName(path);
    const int fd = 再試行([&] { return ::open(name.constData(), O_RDONLY | O_CLOEXEC); });
    if (fd < 0) return errno;
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        const int err = errno;
        閉じる(fd);
        return err;
    }
    if (S_ISDIR(st.st_mode)) {
        閉じる(fd);
        return EISDIR;
    }
    // The size is only a hint: a file that grows or shrinks meanwhile reads to its end.
    QByteArray out;
    if (S_ISREG(st.st_mode) && st.st_size > 0 && st.st_size < INT_MAX / 2)
        out.reserve(static_cast<qsizetype>(st.st_size));
    char chunk[65536];
    for (;;) {
        const ssize_t n = 再試行([&] { return ::read(fd, chunk, sizeof chunk); });
        if (n < 0) {
            const int err = errno;
            閉じる(fd);
            return err;
        }
        if (n == 0) break;
        if (out.size() > INT_MAX / 2 - n) {
            閉じる(fd);
            return EFBIG;
        }
        out.append(chunk, n);
    }
    const int err = 閉じる(fd);
    if (err != 0) return err;
    bytes = std::move(out);
    return 0;
}

int 書込_置換(const QString& path, const QByteArray& bytes) {
    const QFileInfo target(path);
    QByteArray temp =
        QFile::encodeName(target.absolutePath() + QStringLiteral("/.") + target.fileName()) + ".XXXXXX";
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) return errno;
    auto fail = [&](int err) {
        閉じる(fd);
        ::unlink(temp.constData());
        return err;
    };
    // A new file gets what the user's other files get; a replaced one keeps its mode.
    const QByteArray name = QFile::encodeName(path);
    struct stat old {};
    mode_t mode = 0;
    if (::stat(name.constData(), &old) == 0) {
        mode = old.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    if (::fchmod(fd, mode) != 0) return fail(errno);
    const char* p = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = 再試行([&] { return ::write(fd, p, static_cast<size_t>(left)); });
        if (n < 0) return fail(errno);
        if (n == 0) return fail(EIO);
        p += n;
        left -= n;
    }
    if (再試行([&] { return ::fsync(fd); }) != 0) return fail(errno);
    const int closed = 閉じる(fd);
    if (closed != 0) {
        ::unlink(temp.constData());
        return closed;
    }
    if (::rename(temp.constData(), name.constData()) != 0) {
        const int err = errno;
        ::unlink(temp.constData());
        return err;
    }
    return 0;
}

QString 文_理由(int エラー番号, 操作 何を) {
    const bool 書込 = 何を == 操作::書込;
    switch (エラー番号) {
        case ENAMETOOLONG:
            return QStringLiteral("ファイル名が長すぎます。");
        case ENOENT:
            return 書込 ? QStringLiteral("保存先のフォルダが見つかりません。")
                        : QStringLiteral("ファイルが見つかりません。移動または削除された可能性があります。");
        case ENOTDIR:
            return QStringLiteral("フォルダが見つかりません。");
        case EISDIR:
            return 書込 ? QStringLiteral("同じ名前のフォルダがあります。")
                        : QStringLiteral("ファイルではなくフォルダです。");
        case EACCES:
        case EPERM:
            return 書込 ? QStringLiteral("このフォルダに書き込む権限がありません。")
                        : QStringLiteral("このファイルを読む権限がありません。");
        case ENOSPC:
        case EDQUOT:
            return QStringLiteral("ディスクの空き容量が足りません。");
        case EFBIG:
            return QStringLiteral("ファイルが大きすぎます。");
        case EROFS:
            return QStringLiteral("読み取り専用のドライブには書き込めません。");
        case EINVAL:
        case EILSEQ:
            return QStringLiteral("この名前はシステムで使えません。");
        case EIO:
            return 書込 ? QStringLiteral("書き込み中にエラーが起きました。")
                        : QStringLiteral("読み込み中にエラーが起きました。");
        case EMFILE:
        case ENFILE:
        case ENOMEM:
            return QStringLiteral("システムの資源が足りません。");
        default:
            return QStringLiteral("システムのエラーが起きました（エラー番号 %1）。").arg(エラー番号);
    }
}

}  // namespace system_files
