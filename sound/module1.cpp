// The binding of libVelmora and the program's sound procedures.
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>

#include "app/form1.h"
#include "app/startup_marks.h"
#include "app/system_files.h"
#include "sound/lib/velmora.h"

namespace {
const QString kLibraryTitle = QStringLiteral("Velmora.dll");
const QString kCannotStart = QStringLiteral("Direct Soundインターフェースが作成できません。");

using Handle = SoundLibrary::Handle;
using InitFn = Handle (*)(Handle);
using CreateFn = Handle (*)(Handle, const void*, Handle);
using CreateSizedFn = Handle (*)(Handle, const void*, std::size_t, Handle);
using CreateFromFileFn = Handle (*)(Handle, int, Handle);
using OneFn = Handle (*)(Handle);

QString program_folder() {
    return QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QString();
}

// The same folder for the start made ahead, which runs while QApplication is
// being made and so never asks it: read where applicationDirPath reads it.
QString executable_folder() {
    const QString exe = QFile::symLinkTarget(QStringLiteral("/proc/self/exe"));
    return exe.isEmpty() ? QString() : QFileInfo(exe).absolutePath();
}

std::uint32_t le32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

// A file that exists but cannot be read: the error number of the call that
// failed and the sentence the user reads for it.
SoundFile unreadable(int error_number) {
    SoundFile got;
    got.unreadable = true;
    got.error_number = error_number;
    got.error = system_files::文_理由(error_number, system_files::操作::読込);
    return got;
}

}  // namespace

bool Module1::wave_image_fits(const void* image, std::size_t size) {
    if (!image || size < 12) return false;
    const auto* p = static_cast<const unsigned char*>(image);
    if (std::memcmp(p, "RIFF", 4) != 0 || std::memcmp(p + 8, "WAVE", 4) != 0) return false;
    return std::size_t{le32(p + 4)} + 8 <= size;
}

QStringList Module1::library_candidates(const QString& file, const QString& here) {
    QStringList list;
    if (!here.isEmpty()) {
        list << QDir(here).filePath(file);
        list << QDir::cleanPath(here + QStringLiteral("/../lib/velmora/") + file);
    }
    list << file;  // the usual library path
    return list;
}

QStringList Module1::library_candidates() const { return library_candidates(library_file, program_folder()); }

QStringList Module1::sound_candidates(const QString& file_name) const {
    return sound_candidates(file_name, search_beside_program ? program_folder() : QString());
}

bool Module1::bind_library() {
    if (head) {
        head->finish();
        ds = head->ds;
        library_error = head->library_error;
        return ds.loaded();
    }
    return bind(library_candidates(), ds, library_error);
}

bool Module1::bind(const QStringList& candidates, SoundLibrary& lib_out, QString& why) {
    why.clear();
    for (const QString& candidate : candidates) {
        void* lib = dlopen(QFile::encodeName(candidate).constData(), RTLD_NOW | RTLD_LOCAL);
        if (!lib) {
            why = QString::fromLocal8Bit(dlerror());
            continue;
        }
        auto sym = [lib](const char* name) { return dlsym(lib, name); };
        auto init = reinterpret_cast<InitFn>(sym("dsInitialize"));
        auto sized = reinterpret_cast<CreateSizedFn>(sym("dsCreateDSBSized"));
        auto plain = reinterpret_cast<CreateFn>(sym("dsCreateDSB"));
        auto from_file = reinterpret_cast<CreateFromFileFn>(sym("dsCreateDSBFromFile"));
        auto play = reinterpret_cast<OneFn>(sym("dsPlay"));
        auto looping = reinterpret_cast<OneFn>(sym("dsPlayLooping"));
        auto stop = reinterpret_cast<OneFn>(sym("dsStop"));
        auto free_buffer = reinterpret_cast<OneFn>(sym("dsFree"));
        auto terminate = reinterpret_cast<OneFn>(sym("dsTerminate"));
        if (!init || (!sized && !plain) || !play || !looping || !stop || !free_buffer || !terminate) {
            why = candidate + QStringLiteral(": not a complete sound library");
            dlclose(lib);
            continue;
        }
        // The library stays loaded for the rest of the run.
        lib_out.dsInitialize = init;
        if (sized) {
            lib_out.dsCreateDSB = sized;
        } else {
            lib_out.dsCreateDSB = [plain](Handle context, const void* image, std::size_t size,
                                          Handle flags) -> Handle {
                return wave_image_fits(image, size) ? plain(context, image, flags) : 0;
            };
        }
        if (from_file) lib_out.dsCreateDSBFromFile = from_file;
        lib_out.dsPlay = play;
        lib_out.dsPlayLooping = looping;
        lib_out.dsStop = stop;
        lib_out.dsFree = free_buffer;
        lib_out.dsTerminate = terminate;
        return true;
    }
    lib_out = SoundLibrary{};
    return false;
}

void Module1::sound_init(SoundLibrary::Handle window) {
    if (head) {
        head->finish();
        ds_handle = ds.loaded() ? head->context : 0;
    } else {
        ds_handle = ds.loaded() ? ds.dsInitialize(window) : 0;
    }
    if (ds_handle == 0) sound_warning(kCannotStart);
}

QStringList Module1::sound_candidates(const QString& file_name, const QString& here) {
    QStringList list{file_name};
    if (!here.isEmpty() && QFileInfo(file_name).isRelative()) {
        list << QDir(here).filePath(file_name);
        list << QDir::cleanPath(here + QStringLiteral("/../share/velmora/") + file_name);
    }
    return list;
}

SoundLibrary::Handle Module1::sound_load(const QString& file_name, int flags) {
    if (ds_handle == 0 || !ds.dsCreateDSB) return 0;
    SoundFile got;
    bool ahead = false;
    if (head && ds_handle == head->context) {
        for (SoundHead::Wave& w : head->waves) {
            if (w.taken || w.flags != flags || file_name != QString::fromUtf8(w.file_name)) continue;
            w.taken = true;
            got = w.loaded;
            ahead = true;
            break;
        }
    }
    if (!ahead) got = load_file(ds, ds_handle, sound_candidates(file_name), flags);
    if (got.unreadable) sound_warning(got.error);
    return got.handle;
}

SoundFile Module1::load_file(const SoundLibrary& lib, SoundLibrary::Handle context,
                             const QStringList& candidates, int flags) {
    SoundFile got;
    QString found;
    for (const QString& candidate : candidates) {
        if (QFileInfo::exists(candidate)) {
            found = candidate;
            break;
        }
    }
    if (found.isEmpty()) return got;

    // The image is mapped, not copied: the library takes its own samples from
    // it, and the pages go back to the file cache when it is unmapped. The
    // system calls keep the error number of the one that failed.
    const QByteArray path = QFile::encodeName(found);
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return unreadable(errno);
    struct stat st {};
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        const int err = S_ISDIR(st.st_mode) ? EISDIR : errno;
        ::close(fd);
        return unreadable(err);
    }
    // The library reads the file itself: the music's samples are then read as
    // they play and never held, nor mapped, in the program.
    if (lib.dsCreateDSBFromFile) {
        got.handle = lib.dsCreateDSBFromFile(context, fd, flags);
        ::close(fd);
        return got;
    }
    const std::size_t size = static_cast<std::size_t>(st.st_size);
    void* mapped = size > 0 ? ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0) : MAP_FAILED;
    if (mapped != MAP_FAILED) {
        ::close(fd);
        got.handle = lib.dsCreateDSB(context, mapped, size, flags);
        ::munmap(mapped, size);
        return got;
    }
    // Where the file cannot be mapped it is read.
    QByteArray image;
    for (char buf[65536];;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            const int err = errno;
            ::close(fd);
            return unreadable(err);
        }
        if (n == 0) break;
        image.append(buf, n);
    }
    ::close(fd);
    got.handle = lib.dsCreateDSB(context, image.constData(), static_cast<std::size_t>(image.size()), flags);
    return got;
}

void SoundHead::start(const QString& library_file) {
    if (begun) return;
    begun = true;
    // The library names the program to the sound server through the
    // environment; set here, while no other thread can be reading it.
    velmora_sound_environment();
    worker = std::thread([this, library_file] { run(library_file); });
}

void SoundHead::finish() {
    if (worker.joinable()) worker.join();
}

void SoundHead::run(QString library_file) {
    // The same steps as the load step's, in the same order, without a window.
    const QString here = executable_folder();
    if (!Module1::bind(Module1::library_candidates(library_file, here), ds, library_error)) return;
    startup_marks::mark("[sound] library and SDL loaded");
    context = ds.dsInitialize(0);
    if (context == 0) return;
    startup_marks::mark("[sound] audio device open");
    for (Wave& w : waves)
        w.loaded = Module1::load_file(
            ds, context, Module1::sound_candidates(QString::fromUtf8(w.file_name), here), w.flags);
    startup_marks::mark("[sound] four wave files");
}

void Module1::sound_warning(const QString& text) { form.MsgBox(text, kLibraryTitle, MB_OK, MB_ICONWARNING); }

void Module1::sound_term() {
    if (ds_handle != 0 && ds.dsTerminate) ds.dsTerminate(ds_handle);
    ds_handle = 0;
}

void Form1::再生(SoundLibrary::Handle h) {
    if (module1.ds.dsPlay) module1.ds.dsPlay(h);
}
