// PLACEHOLDER: not built yet; replaced by the real procedures.
#include "app/form1.h"

bool Module1::bind_library() { return false; }
void Module1::sound_init(SoundLibrary::Handle) {}
SoundLibrary::Handle Module1::sound_load(const QString&, int) { return 0; }
void Module1::sound_warning(const QString&) {}
void Module1::sound_term() {}
void Form1::再生(SoundLibrary::Handle h) {
    if (module1.ds.dsPlay) module1.ds.dsPlay(h);
}
