// Record files and the record-file panel: saving the record as a ".棋譜"
// file, loading one for replay, and the drive, folder and file lists.
#include <QBuffer>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QStorageInfo>
#include <QStringDecoder>
#include <QStringEncoder>
#include <utility>
#include <vector>

#include "app/form1.h"
#include "app/system_files.h"
#include "record/kifu_format.h"
#include "record/messages.h"

using namespace record_messages;

namespace {
const QString kExtension = QStringLiteral(".棋譜");
const char* const kCodec = "Shift_JIS";
const QByteArray kLineEnd("\r\n");

// Header print positions, in twips.
constexpr double kHeaderBelowY = 6350, kHeaderAboveY = 100, kGameNameShift = 3000;
constexpr int kHeaderPoints = 12;
// The cells of row 10 that lie within the window, wholly or in part.
constexpr int kStripFirstCell = -3, kStripLastCell = 16;

// Filesystems that are not what a user calls a drive.
bool 疑似か(const QStorageInfo& v) {
    static const QByteArray kPseudo[] = {
        "proc",      "sysfs",    "devtmpfs", "devpts",      "tmpfs",      "cgroup", "cgroup2", "overlay",
        "squashfs",  "mqueue",   "debugfs",  "tracefs",     "securityfs", "pstore", "bpf",     "autofs",
        "hugetlbfs", "configfs", "fusectl",  "binfmt_misc", "nsfs",       "ramfs",  "efivarfs"};
    const QByteArray t = v.fileSystemType();
    for (const QByteArray& p : kPseudo)
        if (t == p) return true;
    return false;
}

QString 結合(const QString& folder, const QString& name) {
    return folder.endsWith('/') ? folder + name : folder + '/' + name;
}

// A text in Shift-JIS; a character the code page has no place for becomes
// "?" (the encoder's own stand-in is a user-defined code that reads back as
// something else).
QByteArray 変換_SJIS(const QString& text) {
    QByteArray out;
    // Characters of the JIS tables that code page 932 keeps at another code point.
    static constexpr std::pair<char32_t, char32_t> kSameGlyph[] = {{0x301C, 0xFF5E}, {0x2016, 0x2225},
                                                                   {0x2212, 0xFF0D}, {0x00A2, 0xFFE0},
                                                                   {0x00A3, 0xFFE1}, {0x00AC, 0xFFE2}};
    for (char32_t u : text.toUcs4()) {
        for (const auto& [jis, cp932] : kSameGlyph)
            if (u == jis) u = cp932;
        const QString one = QString::fromUcs4(&u, 1);
        QStringEncoder enc(kCodec);
        const QByteArray b = enc.encode(one);
        QStringDecoder dec(kCodec);
        const QString back = dec.decode(b);
        out += !enc.hasError() && back == one ? b : QByteArray("?");
    }
    return out;
}

// Fills the folder list as a path: every folder from the root down to
// `folder` (shown in bold), then its subfolders, each item carrying its path.
void 一覧_フォルダ(Form1& f, const QString& folder) {
    f.Dir1->clear();
    const QString here = QDir::cleanPath(QDir(folder).absolutePath());
    QStringList chain;
    for (QDir d(here);;) {
        chain.prepend(d.absolutePath());
        if (!d.cdUp()) break;
    }
    int depth = 0;
    auto add = [&f](const QString& path, const QString& name, int level, bool current) {
        auto* it = new QListWidgetItem(QString(level * 2, QLatin1Char(' ')) + name, f.Dir1);
        it->setData(Qt::UserRole, path);
        it->setToolTip(path);
        if (current) {
            QFont bold = f.Dir1->font();
            bold.setBold(true);
            it->setFont(bold);
        }
    };
    for (const QString& path : chain) {
        const QString name = path == QStringLiteral("/") ? path : QFileInfo(path).fileName();
        add(path, name, depth, path == here);
        ++depth;
    }
    // Hidden folders (.cache, .config and the like) are the programs' own, not the user's.
    const QStringList subs =
        QDir(here).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    for (const QString& sub : subs) add(QDir(here).absoluteFilePath(sub), sub, depth, false);
    f.Dir1->setCurrentRow(-1);
    f.Dir1->scrollToItem(f.Dir1->item(static_cast<int>(chain.size()) - 1),
                         QAbstractItemView::PositionAtCenter);
}

// Fills the file list with the record files of `folder`.
void 一覧_ファイル(Form1& f, const QString& folder) {
    f.File1->clear();
    // The pattern is matched by hand: QDir would compile it into a regular expression every time.
    QStringList names;
    for (const QString& name : QDir(folder).entryList(QDir::Files, QDir::Name | QDir::IgnoreCase))
        if (name.endsWith(kExtension, Qt::CaseInsensitive)) names << name;
    f.File1->addItems(names);
    // No file is chosen, and the keyboard arriving does not make one current:
    // the first arrow key then chooses the first file.
    f.File1->setCurrentIndex(QModelIndex());
}

// Opens the lists on first use: the drives, then the current working folder.
void 準備_一覧(Form1& f) {
    if (f.Drive1->count() == 0) {
        const QSignalBlocker quiet(f.Drive1);
        QStringList drives{QStringLiteral("/")};
        const QString home = QDir::homePath();
        if (!drives.contains(home)) drives << home;
        for (const QStorageInfo& v : QStorageInfo::mountedVolumes()) {
            if (!v.isValid() || !v.isReady() || 疑似か(v)) continue;
            const QString root = v.rootPath();
            if (!drives.contains(root)) drives << root;
        }
        f.Drive1->addItems(drives);
        // Show the drive the working folder lies on: the longest that holds it.
        const QString cwd = QDir::currentPath();
        int best = -1;
        for (int i = 0; i < drives.size(); ++i) {
            const QString d = drives[i].endsWith('/') ? drives[i] : drives[i] + '/';
            if ((cwd + '/').startsWith(d) && (best < 0 || drives[i].size() > drives[best].size())) best = i;
        }
        f.Drive1->setCurrentIndex(best);
    }
    if (f.dir_path.isEmpty()) {
        f.dir_path = QDir::currentPath();
        f.file_dir = f.dir_path;
        一覧_フォルダ(f, f.dir_path);
        一覧_ファイル(f, f.file_dir);
    }
}
}  // namespace

void Form1::KIFU_READ_Click() {
    描画_可視(true, true, true);
    描画_棋譜_IO(1);
    準備_一覧(*this);
    一覧_ファイル(*this, file_dir);
    // The arrows and Return work on the file list at once.
    File1->setFocus(Qt::OtherFocusReason);
}

void Form1::KIFU_WRITE_Click() {
    if (reversed_flag) {
        MsgBox(kMsgReversed, kTitleWrite);
        return;
    }
    if (handicap_flag) {
        MsgBox(kMsgHandicap, kTitleWrite);
        return;
    }
    描画_可視(true, true, false);
    描画_棋譜_IO(0);
    準備_一覧(*this);
    // What is typed at once is the game's name, the top field.
    Text2->setFocus(Qt::OtherFocusReason);
}

void Form1::Command1_Click() {
    const QString name = Text1->text();
    if (name.isEmpty()) {
        MsgBox(kMsgNoName, kTitleBlank2);
        return;
    }
    if (rec_pos < 1) {
        MsgBox(kMsgNothingToSave, kTitleSave);
        return;
    }
    // The name is a name within the shown folder, never a path.
    if (name.contains('/') || name.contains(QChar(0))) {
        MsgBox(kMsgWriteFailed + "\r" + kMsgBadName, kTitleWrite);
        return;
    }
    if (file_dir.isEmpty()) file_dir = QDir::currentPath();

    // Stored by board side: top (plus) player first, then the bottom one.
    const bool man_first = man_side == SENTE;
    const QString header[3] = {Text2->text(), man_first ? Text4->text() : Text3->text(),
                               man_first ? Text3->text() : Text4->text()};
    QByteArray bytes;
    for (QString line : header) {
        // A pasted text keeps its line ends; in a header line they would
        // start new lines and shift every move line of the file.
        line.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
        bytes += 変換_SJIS(line) + kLineEnd;
    }
    const int last = std::min(rec_pos, static_cast<int>(REC_MAX));
    // A move line is 31 characters and its line end, more only with huge times.
    bytes.reserve(bytes.size() + qsizetype(last) * 33);
    for (int n = 1; n <= last; ++n) {
        const kifu::指し手行 m{rec_from_x[n],    rec_from_y[n],     rec_to_x[n],     rec_to_y[n],
                               rec_piece_to[n],  rec_piece_from[n], rec_captured[n], rec_man_before[n],
                               rec_man_after[n], rec_com_before[n], rec_com_after[n]};
        kifu::追加_指し手行(bytes, m);
        bytes += kLineEnd;
    }

    // Written beside the old file and swapped in only when complete, so a
    // failed save never costs the file that was there.
    const int err = system_files::書込_置換(結合(file_dir, name + kExtension), bytes);
    if (err != 0) {
        MsgBox(kMsgWriteFailed + "\r" + system_files::文_理由(err, system_files::操作::書込), kTitleWrite);
        return;
    }

    描画_可視(false, false, false);
    描画_棋譜_IO(1);
    一覧_ファイル(*this, file_dir);
    MsgBox(kMsgWritten, kTitleBlank2);
}

void Form1::File1_Click(const QString& file_name) {
    描画_可視(false, false, false);
    読込_棋譜パス(結合(file_dir.isEmpty() ? QDir::currentPath() : file_dir, file_name));
}

bool Form1::読込_棋譜パス(const QString& パス) {
    // Everything is read before the game is touched: a file that cannot be
    // read leaves the game as it was.
    QByteArray bytes;
    const int err = system_files::読込_全体(パス, bytes);
    if (err != 0) {
        MsgBox(kMsgReadFailed + "\r" + system_files::文_理由(err, system_files::操作::読込), kTitleKifu);
        return false;
    }
    return 読込_棋譜データ(bytes);
}

bool Form1::読込_棋譜データ(const QByteArray& 内容) {
    QBuffer in;
    in.setData(内容);
    in.open(QIODevice::ReadOnly);
    kifu_file = &in;
    QByteArray header[3];
    QByteArray text;  // what was read last: an unreadable header line prints it again
    for (QByteArray& h : header) {
        読込_棋譜ファイル(text);
        h = text;
    }
    std::vector<kifu::指し手行> moves;
    QStringDecoder dec(kCodec);
    bool more = false;
    int stranger = 0;  // the file's line number of the first move line that is no move line
    QByteArray line;
    while (読込_棋譜ファイル(line)) {
        if (static_cast<int>(moves.size()) == REC_MAX) {
            more = true;
            break;
        }
        const QString text_line = dec.decode(line);
        dec.resetState();
        if (!kifu::調査_指し手行(text_line)) {
            stranger = static_cast<int>(moves.size()) + 4;
            break;
        }
        moves.push_back(kifu::読取_指し手行(text_line));
    }
    kifu_file = nullptr;
    // A renamed text or a program's bytes: refused before anything changes.
    if (stranger != 0) {
        MsgBox(kMsgNotARecord.arg(stranger), kTitleKifu);
        return false;
    }
    // A file without a single move would only cost the game in progress.
    if (moves.empty()) {
        MsgBox(kMsgNoMoves, kTitleKifu);
        return false;
    }

    初期設定();
    record_mode = true;
    auto decode = [](const QByteArray& b) {
        QStringDecoder d(kCodec);
        return QString(d.decode(b));
    };
    const QString game = decode(header[0]), top = decode(header[1]), bottom = decode(header[2]);
    // The game name stands where the top player's clock is shown: clear the
    // clock so the name can be read; the first step forward shows it again.
    消去_所有時間(com_side);
    描画_棋譜見出し(game, top, bottom);

    const int count = static_cast<int>(moves.size());
    for (int n = 1; n <= count; ++n) {
        const kifu::指し手行& m = moves[n - 1];
        rec_from_x[n] = m.from_x;
        rec_from_y[n] = m.from_y;
        rec_to_x[n] = m.to_x;
        rec_to_y[n] = m.to_y;
        rec_piece_to[n] = m.piece_to;
        rec_piece_from[n] = m.piece_from;
        rec_captured[n] = m.captured;
        rec_man_before[n] = m.man_before;
        rec_man_after[n] = m.man_after;
        rec_com_before[n] = m.com_before;
        rec_com_after[n] = m.com_after;
    }
    rec_pos = 0;
    move_no = 0;
    rec_len = count;
    refresh();

    if (more) MsgBox(kMsgTooLong.arg(REC_MAX), kTitleKifu);
    MsgBox(kMsgLoaded, kTitleKifu);
    MsgBox(kMsgStepOn, kTitleKifu);

    // SENTE and GOTE are given to whoever made move 1 and move 2.
    if (rec_piece_from[1] >= 1) {
        play_mode = MODE_COM;
        SENTE = com_side;
        GOTE = man_side;
    } else {
        play_mode = MODE_MAN;
        SENTE = man_side;
        GOTE = com_side;
    }
    turn = SENTE;
    return true;
}

void Form1::Drive1_Change() {
    const QString drive = Drive1->currentText();
    if (drive.isEmpty()) return;
    const QFileInfo info(drive);
    if (!info.exists() || !info.isDir() || !info.isReadable() || !QDir(drive).isReadable()) {
        MsgBox(kMsgNotReady, kTitleError);
        return;
    }
    dir_path = QDir(drive).absolutePath();
    一覧_フォルダ(*this, dir_path);
    file_dir = dir_path;
    一覧_ファイル(*this, file_dir);
}

void Form1::Dir1_Change() {
    const QListWidgetItem* it = Dir1->currentItem();
    if (it) {
        QDir d(dir_path.isEmpty() ? QDir::currentPath() : dir_path);
        const QString stored = it->data(Qt::UserRole).toString();
        const QString target =
            QDir::cleanPath(stored.isEmpty() ? d.absoluteFilePath(it->text().trimmed()) : stored);
        const QFileInfo info(target);
        if (!info.isDir() || !QDir(target).isReadable()) {
            MsgBox(kMsgBadFolder + "\r" + target, kTitleError);
            一覧_フォルダ(*this, dir_path);
            return;
        }
        dir_path = target;
        一覧_フォルダ(*this, dir_path);
    }
    file_dir = dir_path;
    一覧_ファイル(*this, file_dir);
}

bool Form1::読込_棋譜ファイル(QByteArray& 文字列) {
    if (!kifu_file || !kifu_file->isOpen()) return false;
    // The whole file is in memory: the line is found there, not read byte by byte.
    const QByteArray& all = kifu_file->buffer();
    const qsizetype from = kifu_file->pos();
    if (from >= all.size()) return false;
    // A line ends at CR LF, CR or LF: a record saved by an editor or a tool
    // that changed its line ends reads as the record it was.
    qsizetype end = from;
    while (end < all.size() && all[end] != '\r' && all[end] != '\n') ++end;
    qsizetype next = end;
    if (next < all.size()) {
        ++next;
        if (all[end] == '\r' && next < all.size() && all[next] == '\n') ++next;
    }
    文字列 = all.mid(from, end - from);
    kifu_file->seek(next);
    return true;
}

void Form1::描画_棋譜見出し(const QString& 対局名, const QString& 上, const QString& 下) {
    描画_テキスト(取得_棋譜のX座標(対局名) - kGameNameShift, kHeaderBelowY, 対局名, LIGHT_RED, kHeaderPoints);
    描画_テキスト(取得_棋譜のX座標(上), kHeaderAboveY, 上, WHITE, kHeaderPoints);
    描画_テキスト(取得_棋譜のX座標(下), kHeaderBelowY, 下, WHITE, kHeaderPoints);
    strip_game_name = 対局名;
    strip_bottom_name = 下;
}

void Form1::消去_棋譜見出し(bool 下の名前も) {
    const QString bottom = 下の名前も ? QString() : strip_bottom_name;
    strip_game_name.clear();
    strip_bottom_name.clear();
    // Row 10 from the window's left edge to its right one: a long name reaches past the clocks.
    for (int x = kStripFirstCell; x <= kStripLastCell; ++x) 描画_絵(bg_kind, x, 10);
    for (int x = 1; x <= BOARD_N; ++x) 描画_桝輪郭(bg_colour, x, BOARD_N);
    描画_所有時間(man_side, man_secs);
    if (!bottom.isEmpty()) {
        描画_テキスト(取得_棋譜のX座標(bottom), kHeaderBelowY, bottom, WHITE, kHeaderPoints);
        strip_bottom_name = bottom;
    }
}

double Form1::取得_棋譜のX座標(const QString& IN_文字列) const {
    const double n = static_cast<double>(IN_文字列.size());
    return board_left + cell_w * (3 + (13 - n) / 5);
}
