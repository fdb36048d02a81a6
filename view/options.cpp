// The four display and sound options, their menu handlers and the settings
// file Velmora.ini (Shift-JIS, CR LF) that keeps them between runs.
#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QStringList>

#include "app/form1.h"

namespace {
const QString kFileName = QStringLiteral("Velmora.ini");
constexpr const char* kEncoding = "Shift_JIS";

const QString kKeyBackground = QStringLiteral("背景画");
const QString kKeyGuidance = QStringLiteral("移動指導");
const QString kKeyClocks = QStringLiteral("経過時間");
const QString kKeyMusic = QStringLiteral("BGM");
const QString kOn = QStringLiteral("ON");
const QString kOff = QStringLiteral("OFF");

// Background values of the file, with their picture codes.
struct BackgroundValue {
    const char* value;
    int code;
};
constexpr BackgroundValue kBackgrounds[] = {
    {"働", Form1::BG_MIDORI}, {"畳", Form1::BG_TATAMI},  {"竹", Form1::BG_TAKE},
    {"宇宙", Form1::BG_UCHU}, {"煉瓦", Form1::BG_RENGA},
};

QString background_value(int code) {
    for (const BackgroundValue& b : kBackgrounds)
        if (b.code == code) return QString::fromUtf8(b.value);
    return {};
}

QString config_settings_path() {
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    if (folder.isEmpty()) return {};
    return QDir(folder).absoluteFilePath(kFileName);
}

// The home folder is never written into: a program started there (as a
// desktop menu starts it) keeps its settings in the configuration folder.
bool working_folder_is_home() {
    const QString here = QDir::current().canonicalPath();
    return !here.isEmpty() && here == QDir(QDir::homePath()).canonicalPath();
}

// Where earlier versions, started from the home folder, kept the settings.
QString old_home_settings_path() { return QDir(QDir::homePath()).absoluteFilePath(kFileName); }

QString line(const QString& key, const QString& value) { return key + "=" + value + "\r\n"; }

// The settings file can be created or replaced at this path: the name is free
// or a regular file, and neither the folder nor the file is read-only.
bool replaceable(const Form1& f, const QString& path) {
    if (path.isEmpty()) return false;
    const QFileInfo fi(path);
    if (fi.exists() && !fi.isFile()) return false;
    if (!f.settings_writable(fi.absolutePath())) return false;
    return !fi.exists() || f.settings_writable(fi.absoluteFilePath());
}

// Where the settings are read from at start. The working folder comes first,
// unless it is the home folder; when it cannot take the file, the user's
// configuration folder does. A copy there is also preferred over a
// working-folder file that cannot be replaced, since that copy is where the
// later changes went.
QString choose_settings_path(const Form1& f) {
    if (working_folder_is_home()) return config_settings_path();
    const QString work = QDir::current().absoluteFilePath(kFileName);
    const QString config = config_settings_path();
    const QFileInfo wi(work);
    if (wi.isFile() && wi.isReadable()) {
        if (!replaceable(f, work) && !config.isEmpty() && QFileInfo(config).isFile()) return config;
        return work;
    }
    if (!replaceable(f, work) && !config.isEmpty()) return config;
    return work;
}

// Writes the file where the settings live, moving them to the configuration
// folder when that place refuses; when neither can be written the options
// simply stay in memory. Nothing is shown to the user either way.
void store_settings(Form1& f, const QByteArray& bytes) {
    const QString config = config_settings_path();
    auto save_at = [&f, &bytes, &config](const QString& path) {
        // Only the configuration folder is ever created; the working folder exists.
        if (!config.isEmpty() && path == config) QDir().mkpath(QFileInfo(config).absolutePath());
        // All or nothing: a crash or a full disk never leaves half a settings file.
        return replaceable(f, path) && f.settings_save(path, bytes);
    };
    if (f.settings_path.isEmpty()) f.settings_path = choose_settings_path(f);
    if (save_at(f.settings_path)) return;
    if (config.isEmpty() || config == f.settings_path) return;
    if (save_at(config)) f.settings_path = config;
}

QByteArray encode(const QString& text) {
    QStringEncoder enc(kEncoding);
    return enc.encode(text);
}

void start_music(Form1& f) {
    if (f.module1.ds.dsPlayLooping) f.module1.ds.dsPlayLooping(f.snd_bgm);
}

void stop_music(Form1& f) {
    if (f.module1.ds.dsStop) f.module1.ds.dsStop(f.snd_bgm);
}

void set_background(Form1& f, int code) {
    f.チェック設定(code);
    f.描画_背景(code);
    f.bg_kind = code;
}

void set_guidance(Form1& f, bool on) {
    f.guide_colour = on ? Form1::WHITE : Form1::GREEN;
    f.mnu.SIDOU->setChecked(on);
    f.guidance_on = on ? 1 : 0;
}

void set_music(Form1& f, bool on) {
    f.mnu.BGM->setChecked(on);
    if (on) start_music(f);
}

// One line of the file takes effect as soon as it is read.
void apply_setting(Form1& f, const QString& key, const QString& value) {
    if (key == kKeyBackground) {
        for (const BackgroundValue& b : kBackgrounds)
            if (value == QString::fromUtf8(b.value)) set_background(f, b.code);
    } else if (key == kKeyGuidance) {
        set_guidance(f, value == kOn);
    } else if (key == kKeyClocks) {
        f.mnu.KEIKA->setChecked(value == kOn);
    } else if (key == kKeyMusic) {
        set_music(f, value == kOn);
    }
}

// The file split into lines; a CR LF, a lone CR or a lone LF ends a line, and
// the end of the file ends the last one.
QStringList split_lines(const QString& text) {
    QStringList lines;
    QString current;
    bool pending = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == '\r' || c == '\n') {
            lines << current;
            current.clear();
            pending = false;
            if (c == '\r' && i + 1 < text.size() && text.at(i + 1) == '\n') ++i;
        } else {
            current += c;
            pending = true;
        }
    }
    if (pending) lines << current;
    return lines;
}
}  // namespace

void Form1::読込_環境設定ファイル() {
    settings_path = choose_settings_path(*this);
    // The first start from the home folder carries over the file an earlier
    // version left there: read once, copied unchanged to the configuration
    // folder and from then on left alone (it is the user's to delete).
    QString from = settings_path;
    if (working_folder_is_home() && !QFileInfo::exists(settings_path) &&
        QFileInfo(old_home_settings_path()).isFile())
        from = old_home_settings_path();
    bool ok = false;
    QByteArray bytes;
    {
        QFile in(from);
        if (in.open(QIODevice::ReadOnly)) {
            bytes = in.readAll();
            ok = in.error() == QFileDevice::NoError;
        }
    }
    if (ok) {
        QStringDecoder dec(kEncoding);
        const QString text = dec.decode(bytes);
        for (const QString& l : split_lines(text)) {
            const qsizetype eq = l.indexOf('=');
            if (eq < 0) {
                ok = false;
                break;
            }
            apply_setting(*this, l.left(eq), l.mid(eq + 1));
        }
    }
    if (ok) {
        if (from != settings_path) store_settings(*this, bytes);
        return;
    }

    // Recovery: a fresh file with the four defaults, each applied as written.
    // The defaults override whatever the lines before a bad one had set.
    QString text;
    text += line(kKeyBackground, background_value(BG_MIDORI));
    set_background(*this, BG_MIDORI);
    text += line(kKeyGuidance, kOff);
    set_guidance(*this, false);
    text += line(kKeyClocks, kOn);
    mnu.KEIKA->setChecked(true);
    text += line(kKeyMusic, kOn);
    set_music(*this, true);
    store_settings(*this, encode(text));
}

void Form1::書込_環境設定ファイル() {
    QString text;
    const std::pair<QAction*, int> order[] = {
        {mnu.MIDORI, BG_MIDORI}, {mnu.TAKE, BG_TAKE},   {mnu.TATAMI, BG_TATAMI},
        {mnu.UCHU, BG_UCHU},     {mnu.RENGA, BG_RENGA},
    };
    for (const auto& [item, code] : order) {
        if (item->isChecked()) {
            text += line(kKeyBackground, background_value(code));
            break;
        }
    }
    text += line(kKeyGuidance, mnu.SIDOU->isChecked() ? kOn : kOff);
    text += line(kKeyClocks, mnu.KEIKA->isChecked() ? kOn : kOff);
    text += line(kKeyMusic, mnu.BGM->isChecked() ? kOn : kOff);
    store_settings(*this, encode(text));
}

void Form1::チェック設定(int IN_背景種類) {
    mnu.MIDORI->setChecked(false);
    mnu.TAKE->setChecked(false);
    mnu.TATAMI->setChecked(false);
    mnu.UCHU->setChecked(false);
    mnu.RENGA->setChecked(false);
    switch (IN_背景種類) {
        case BG_MIDORI:
            mnu.MIDORI->setChecked(true);
            break;
        case BG_TATAMI:
            mnu.TATAMI->setChecked(true);
            break;
        case BG_TAKE:
            mnu.TAKE->setChecked(true);
            break;
        case BG_UCHU:
            mnu.UCHU->setChecked(true);
            break;
        case BG_RENGA:
            mnu.RENGA->setChecked(true);
            break;
        default:
            break;
    }
}

namespace {
// Choosing the current background again still saves and redraws.
void choose_background(Form1& f, QAction* item, int code) {
    if (!item->isChecked()) {
        f.チェック設定(code);
        f.bg_kind = code;
    }
    f.書込_環境設定ファイル();
    f.画面_再描画();
}
}  // namespace

void Form1::MIDORI_Click() { choose_background(*this, mnu.MIDORI, BG_MIDORI); }
void Form1::TATAMI_Click() { choose_background(*this, mnu.TATAMI, BG_TATAMI); }
void Form1::TAKE_Click() { choose_background(*this, mnu.TAKE, BG_TAKE); }
void Form1::UCHU_Click() { choose_background(*this, mnu.UCHU, BG_UCHU); }
void Form1::RENGA_Click() { choose_background(*this, mnu.RENGA, BG_RENGA); }

void Form1::SIDOU_Click() {
    if (mnu.SIDOU->isChecked()) {
        for (int x = 1; x <= BOARD_N; ++x)
            for (int y = 1; y <= BOARD_N; ++y) 描画_桝輪郭(grid_colour, x, y);
        // The two secretary cells, (-1, 8) and (11, 2), keep their outline.
        for (int i = 1; i <= 7; ++i) {
            描画_桝輪郭(grid_colour, HAND_PLUS_X, i);
            描画_桝輪郭(grid_colour, HAND_MINUS_X, i + 2);
        }
        mnu.SIDOU->setChecked(false);
        guidance_on = 0;
        guide_colour = grid_colour;
    } else {
        mnu.SIDOU->setChecked(true);
        guidance_on = 1;
        guide_colour = WHITE;
    }
    書込_環境設定ファイル();
}

void Form1::KEIKA_Click() {
    if (mnu.KEIKA->isChecked()) {
        mnu.KEIKA->setChecked(false);
        Timer1->stop();
        消去_所有時間(man_side);
        消去_所有時間(com_side);
    } else {
        mnu.KEIKA->setChecked(true);
        Timer1->start();
        描画_所有時間(com_side, com_secs);
        描画_所有時間(man_side, man_secs);
    }
    書込_環境設定ファイル();
}

void Form1::BGM_Click() {
    if (mnu.BGM->isChecked()) {
        mnu.BGM->setChecked(false);
        stop_music(*this);
    } else {
        mnu.BGM->setChecked(true);
        start_music(*this);
    }
    書込_環境設定ファイル();
}
