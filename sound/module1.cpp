// The binding of libVelmora and the program's sound procedures.
#include <dlfcn.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstring>

#include "app/form1.h"

namespace {
const QString kLibraryTitle = QStringLiteral("Velmora.dll");
const QString kCannotStart = QStringLiteral("Direct Soundインターフェースが作成できません。");

using Handle = SoundLibrary::Handle;
using InitFn = Handle (*)(Handle);
using CreateFn = Handle (*)(Handle, const void*, Handle);
using CreateSizedFn = Handle (*)(Handle, const void*, std::size_t, Handle);
using OneFn = Handle (*)(Handle);

QString program_folder() {
    return QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QString();
}

std::uint32_t le32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

}  // namespace

bool Module1::wave_image_fits(const void* image, std::size_t size) {
    if (!image || size < 12) return false;
    const auto* p = static_cast<const unsigned char*>(image);
    if (std::memcmp(p, "RIFF", 4) != 0 || std::memcmp(p + 8, "WAVE", 4) != 0) return false;
    return std::size_t{le32(p + 4)} + 8 <= size;
}

QStringList Module1::library_candidates() const {
    QStringList list;
    const QString here = program_folder();
    if (!here.isEmpty()) {
        list << QDir(here).filePath(library_file);
        list << QDir::cleanPath(here + QStringLiteral("/../lib/velmora/") + library_file);
    }
    list << library_file;  // the usual library path
    return list;
}

bool Module1::bind_library() {
    library_error.clear();
    for (const QString& candidate : library_candidates()) {
        void* lib = dlopen(QFile::encodeName(candidate).constData(), RTLD_NOW | RTLD_LOCAL);
        if (!lib) {
            library_error = QString::fromLocal8Bit(dlerror());
            continue;
        }
        auto sym = [lib](const char* name) { return dlsym(lib, name); };
        auto init = reinterpret_cast<InitFn>(sym("dsInitialize"));
        auto sized = reinterpret_cast<CreateSizedFn>(sym("dsCreateDSBSized"));
        auto plain = reinterpret_cast<CreateFn>(sym("dsCreateDSB"));
        auto play = reinterpret_cast<OneFn>(sym("dsPlay"));
        auto looping = reinterpret_cast<OneFn>(sym("dsPlayLooping"));
        auto stop = reinterpret_cast<OneFn>(sym("dsStop"));
        auto free_buffer = reinterpret_cast<OneFn>(sym("dsFree"));
        auto terminate = reinterpret_cast<OneFn>(sym("dsTerminate"));
        if (!init || (!sized && !plain) || !play || !looping || !stop || !free_buffer || !terminate) {
            library_error = candidate + QStringLiteral(": not a complete sound library");
            dlclose(lib);
            continue;
        }
        // The library stays loaded for the rest of the run.
        ds.dsInitialize = init;
        if (sized) {
            ds.dsCreateDSB = sized;
        } else {
            ds.dsCreateDSB = [plain](Handle context, const void* image, std::size_t size,
                                     Handle flags) -> Handle {
                return wave_image_fits(image, size) ? plain(context, image, flags) : 0;
            };
        }
        ds.dsPlay = play;
        ds.dsPlayLooping = looping;
        ds.dsStop = stop;
        ds.dsFree = free_buffer;
        ds.dsTerminate = terminate;
        return true;
    }
    ds = SoundLibrary{};
    return false;
}

void Module1::sound_init(SoundLibrary::Handle window) {
    ds_handle = ds.loaded() ? ds.dsInitialize(window) : 0;
    if (ds_handle == 0) sound_warning(kCannotStart);
}

QStringList Module1::sound_candidates(const QString& file_name) const {
    QStringList list{file_name};
    const QString here = program_folder();
    if (search_beside_program && !here.isEmpty() && QFileInfo(file_name).isRelative()) {
        list << QDir(here).filePath(file_name);
        list << QDir::cleanPath(here + QStringLiteral("/../share/velmora/") + file_name);
    }
    return list;
}

SoundLibrary::Handle Module1::sound_load(const QString& file_name, int flags) {
    if (ds_handle == 0 || !ds.dsCreateDSB) return 0;
    QString found;
    for (const QString& candidate : sound_candidates(file_name)) {
        if (QFileInfo::exists(candidate)) {
            found = candidate;
            break;
        }
    }
    if (found.isEmpty()) return 0;

    QFile file(found);
    QByteArray image;
    bool ok = file.open(QIODevice::ReadOnly);
    if (ok) {
        image = file.readAll();
        ok = file.error() == QFileDevice::NoError;
    }
    if (!ok) {
        sound_warning(file.errorString());
        return 0;
    }
    file.close();
    return ds.dsCreateDSB(ds_handle, image.constData(), static_cast<std::size_t>(image.size()), flags);
}

void Module1::sound_warning(const QString& text) { form.MsgBox(text, kLibraryTitle, MB_OK, MB_ICONWARNING); }

void Module1::sound_term() {
    if (ds_handle != 0 && ds.dsTerminate) ds.dsTerminate(ds_handle);
    ds_handle = 0;
}

void Form1::再生(SoundLibrary::Handle h) {
    if (module1.ds.dsPlay) module1.ds.dsPlay(h);
}
