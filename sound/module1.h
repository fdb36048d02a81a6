// Module1: the binding of the sound library libVelmora and the program's own
// sound procedures. The library is loaded by name at run time; when it cannot
// be loaded the program behaves as if it had failed to start (silent game).
#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>

// The library's entry points. Handles are pointer-sized; 0 means "no sound".
// Tests replace these with fakes that record every call.
struct SoundLibrary {
    using Handle = std::intptr_t;
    std::function<Handle(Handle window)> dsInitialize;
    // Whole wave-file image (header included) and its length in bytes.
    std::function<Handle(Handle context, const void* image, std::size_t size, Handle flags)> dsCreateDSB;
    std::function<Handle(Handle buffer)> dsPlay;
    std::function<Handle(Handle buffer)> dsPlayLooping;
    std::function<Handle(Handle buffer)> dsStop;
    std::function<Handle(Handle buffer)> dsFree;
    std::function<Handle(Handle context)> dsTerminate;
    bool loaded() const { return static_cast<bool>(dsInitialize); }
};

class Form1;

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

    // Binds ds to libVelmora, looked for beside the program, then in the
    // installed layout, then by the usual library search. Returns false (ds
    // left empty) when no candidate loads with all its functions.
    bool bind_library();
    // Where bind_library looks, in order.
    QStringList library_candidates() const;
    // Where sound_load looks for a bare wave-file name, in order.
    QStringList sound_candidates(const QString& file_name) const;
    // Whether a wave image's RIFF header claims no more than its `size` bytes:
    // the check made before a library without a sized entry point, which
    // trusts that header, is handed the image.
    static bool wave_image_fits(const void* image, std::size_t size);
    void sound_init(SoundLibrary::Handle window);
    SoundLibrary::Handle sound_load(const QString& file_name, int flags);
    void sound_warning(const QString& text);
    void sound_term();
};
