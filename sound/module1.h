// Module1: the binding of the sound library libVelmora and the program's own
// sound procedures. The library is loaded by name at run time; when it cannot
// be loaded the program behaves as if it had failed to start (silent game).
#pragma once

#include <QString>

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
    QString library_error;   // why the library could not be bound, if it could not

    // Binds ds to libVelmora, looked for beside the program, then by the
    // usual library search. Returns false (ds left empty) when not found.
    bool bind_library();
    void sound_init(SoundLibrary::Handle window);
    SoundLibrary::Handle sound_load(const QString& file_name, int flags);
    void sound_warning(const QString& text);
    void sound_term();
};
