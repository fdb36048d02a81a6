// Feeds arbitrary bytes to the settings-file reader of one long-lived window.
// The file lies in a folder in memory when the system has one (/dev/shm), the
// configuration folder is a private one, and the canvas is dropped, so the
// background a line chooses is applied but not painted.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "app/form1.h"
#include "fuzz/arguments.h"

namespace {
QString temp_template() {
    const QString shm = QStringLiteral("/dev/shm");
    const QString base = QFileInfo(shm).isDir() && QFileInfo(shm).isWritable() ? shm : QDir::tempPath();
    return base + QStringLiteral("/fuzz_settings-XXXXXX");
}

struct World {
    QTemporaryDir dir{temp_template()};
    std::unique_ptr<QApplication> app;
    std::unique_ptr<Form1> form;
};
World* world = nullptr;
int argc_ = 1;
char arg0_[] = "fuzz_settings";
char* argv_[] = {arg0_, nullptr};
}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    // The working folder changes below; libFuzzer reads its arguments later.
    fuzz_arguments::resolve(argc, argv);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    world = new World;
    world->app = std::make_unique<QApplication>(argc_, argv_);
    QDir::setCurrent(world->dir.path());
    // A save that falls back to the configuration folder stays in the private folder.
    setenv("XDG_CONFIG_HOME", QDir(world->dir.path()).filePath("config").toLocal8Bit().constData(), 1);
    world->form = std::make_unique<Form1>();
    Form1& f = *world->form;
    f.msgbox = [](const QString&, const QString&, int, int) { return static_cast<int>(ID_OK); };
    f.idle = [](int) {};
    f.refresh = [] {};
    f.quit_program = [] {};
    f.canvas = QImage();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Form1& f = *world->form;
    const QString path = QDir::current().filePath(QStringLiteral("Velmora.ini"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return 0;
        file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    }
    f.settings_path.clear();
    f.読込_環境設定ファイル();
    // Whatever was read, exactly one background (or none) is ticked and the
    // background code is one of the pictures.
    const int ticks = f.mnu.MIDORI->isChecked() + f.mnu.TATAMI->isChecked() + f.mnu.TAKE->isChecked() +
                      f.mnu.UCHU->isChecked() + f.mnu.RENGA->isChecked();
    if (ticks > 1) std::abort();
    if (f.bg_kind != 0 && (f.bg_kind < Form1::BG_MIDORI || f.bg_kind > Form1::BG_RENGA)) std::abort();
    return 0;
}
