#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

// Under LeakSanitizer: the caches the font libraries and Qt keep until the
// process ends are not leaks of ours (every other allocation is checked), nor
// is the error buffer SDL keeps for each thread that is not its own (the
// sound's start-up thread), nor what the X11 platform and D-Bus keep for the
// checks on a real X server, nor the request SDL 2.26's PulseAudio driver
// makes of libpulse at every change of a sink and never releases (the checks
// on a real sound server; SDL 2.30 releases it).
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig\nleak:libfreetype\nleak:libQt6Gui\nleak:libQt6Core\nleak:libSDL2\nleak:"
           "libdbus-1\nleak:libQt6XcbQpa\nleak:libQt6DBus\nleak:libxcb\nleak:libpulse\n";
}

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
