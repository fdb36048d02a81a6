// Module1: the binding of the sound library libVelmora and the program's own
// sound procedures. The library is loaded by name at run time; when it cannot
// be loaded the program behaves as if it had failed to start (silent game).
#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <thread>

// The library's entry points. Handles are pointer-sized; 0 means "no sound".
// Tests replace these with fakes that record every call.
struct SoundLibrary {
    using Handle = std::intptr_t;
    std::function<Handle(Handle window)> dsInitialize;
    // Whole wave-file image (header included) and its length in bytes.
    std::function<Handle(Handle context, const void* image, std::size_t size, Handle flags)> dsCreateDSB;
    // An open wave file instead of its image, where the library offers it:
    // the library reads what it keeps and streams the music from the file.
    std::function<Handle(Handle context, int fd, Handle flags)> dsCreateDSBFromFile;
    std::function<Handle(Handle buffer)> dsPlay;
    std::function<Handle(Handle buffer)> dsPlayLooping;
    std::function<Handle(Handle buffer)> dsStop;
    std::function<Handle(Handle buffer)> dsFree;
    std::function<Handle(Handle context)> dsTerminate;
    bool loaded() const { return static_cast<bool>(dsInitialize); }
};

class Form1;

// One wave file read and handed to the library.
struct SoundFile {
    SoundLibrary::Handle handle = 0;
    bool unreadable = false;  // it exists but could not be read
    int error_number = 0;     // then the error number of the call that failed
    QString error;            // and the text shown for it
};

// The sound's start made ahead of the window: main() begins it on a thread of
// its own before QApplication, so that Qt's start and the sound's overlap. It
// binds the library, starts it (without a window: the library needs none) and
// reads the four wave files in their order, showing nothing. Module1 takes the
// results where the window's load step asks for them and shows the warnings
// there, in the order and at the moment they would have come without it.
class SoundHead {
public:
    struct Wave {
        const char* file_name;
        int flags;
        SoundFile loaded;
        bool taken = false;
    };
    SoundHead() = default;
    ~SoundHead() { finish(); }
    SoundHead(const SoundHead&) = delete;
    SoundHead& operator=(const SoundHead&) = delete;

    // Starts the work; `library_file` is looked for as Module1 looks for it.
    void start(const QString& library_file = QStringLiteral("libVelmora.so"));
    // Waits for the work to be over (at once when it never started).
    void finish();
    bool started() const { return begun; }

    SoundLibrary ds;
    QString library_error;
    SoundLibrary::Handle context = 0;
    Wave waves[4] = {{"その他.wav", 3, {}}, {"禁止.wav", 3, {}}, {"駒打音.wav", 3, {}}, {"BGM.wav", 1, {}}};

private:
    void run(QString library_file);
    bool begun = false;
    std::thread worker;
};

struct Module1 {
    explicit Module1(Form1& owner) : form(owner) {}
    Form1& form;
    SoundLibrary ds;
    SoundLibrary::Handle ds_handle = 0;
    QString library_error;  // why the library could not be bound, if it could not
    // The library's file name, looked for in library_candidates().
    QString library_file = QStringLiteral("libVelmora.so");
    // Whether sound_load falls back to the program's folder and the installed
    // layout; a test that means "no wave files at all" turns it off.
    bool search_beside_program = true;
    // The start made ahead by main(), if it was: bind_library, sound_init and
    // sound_load take their results from it instead of doing the work again.
    SoundHead* head = nullptr;

    // Binds ds to libVelmora, looked for beside the program, then in the
    // installed layout, then by the usual library search. Returns false (ds
    // left empty) when no candidate loads with all its functions.
    bool bind_library();
    // Where bind_library looks, in order.
    QStringList library_candidates() const;
    // The same for any library file name and program folder.
    static QStringList library_candidates(const QString& file, const QString& program_folder);
    // Binds `ds` to the first candidate that loads with all its functions.
    static bool bind(const QStringList& candidates, SoundLibrary& lib, QString& error);
    // Where sound_load looks for a bare wave-file name, in order.
    QStringList sound_candidates(const QString& file_name) const;
    // The same with the program's folder given; none given, the working folder only.
    static QStringList sound_candidates(const QString& file_name, const QString& program_folder);
    // Hands the first existing candidate to `ds`, as an open file where the
    // library takes one, else as its image; a missing file gives handle 0 and
    // no error.
    static SoundFile load_file(const SoundLibrary& lib, SoundLibrary::Handle context,
                               const QStringList& candidates, int flags);
    // Whether a wave image's RIFF header claims no more than its `size` bytes:
    // the check made before a library without a sized entry point, which
    // trusts that header, is handed the image.
    static bool wave_image_fits(const void* image, std::size_t size);
    void sound_init(SoundLibrary::Handle window);
    SoundLibrary::Handle sound_load(const QString& file_name, int flags);
    void sound_warning(const QString& text);
    void sound_term();
};
