// PLACEHOLDER: not built yet.
#include "velmora.h"
extern "C" {
intptr_t dsInitialize(intptr_t) { return 0; }
intptr_t dsCreateDSB(intptr_t, const void*, intptr_t) { return 0; }
intptr_t dsPlay(intptr_t) { return 0; }
intptr_t dsPlayLooping(intptr_t) { return 0; }
intptr_t dsStop(intptr_t) { return 0; }
intptr_t dsFree(intptr_t) { return 0; }
intptr_t dsTerminate(intptr_t) { return 0; }
}
